// Which installation an uninstall removes and under which entry name.
#include <gtest/gtest.h>

#include <string>

#include "install/package_reader.h"
#include "install/uninstall_registration.h"
#include "install/uninstall_target.h"
#include "platform/text.h"
#include "system_test_support.h"

using namespace install;

namespace {

using system_test::MakeFolders;
using testing_support::Sandbox;

PackageInfo PackagedInfo(const std::string& keyName, bool is64) {
  PackageInfo info = EmptyPackageInfo();
  std::memcpy(info.signature, kPackageSignature, sizeof(info.signature));
  SetPackageInfoText(info.productKeyName, keyName);
  SetPackageInfoText(info.displayName, keyName);
  SetPackageInfoText(info.version, "1.0.0.1");
  info.is64Bit = is64 ? 1 : 0;
  // The ranges point into the package, far beyond the 4096 bytes of the sidecar.
  info.payloadOffset = 8192;
  info.payloadSize = 130000000;
  info.uninstallerOffset = 130008192;
  info.uninstallerSize = 400000;
  return info;
}

class UninstallTargetTest : public ::testing::Test {
 protected:
  void WriteSidecar(const PackageInfo& info) {
    MakeFolders(folder);
    ASSERT_EQ(WritePackageInfo(platform::NarrowToWide(folder + "/uninstall.exe.bin").c_str(), &info), S_OK);
  }

  Sandbox sandbox;
  std::string folder = sandbox.root() + "/opt/Corvex 11 Test";
};

// The package's own names win over the profile's: the entry removed is the one the
// install wrote, whatever the package was built with.
TEST_F(UninstallTargetTest, SidecarBesideTheUninstallerNamesTheEntry) {
  WriteSidecar(PackagedInfo("Corvex 11 Test", true));
  const UninstallTarget target = FindUninstallTarget(folder + "/uninstall.exe", "", "Corvex 11", false);
  EXPECT_EQ(target.installFolder, folder);
  EXPECT_EQ(target.productKeyName, "Corvex 11 Test");
  EXPECT_TRUE(target.is64Bit);
  EXPECT_STREQ(target.source, "the uninstaller's folder");

  const UninstallTarget preset = FindUninstallTarget("/usr/bin/corvex-online-setup", folder, "Corvex 11", false);
  EXPECT_EQ(preset.installFolder, folder);
  EXPECT_EQ(preset.productKeyName, "Corvex 11 Test");
  EXPECT_STREQ(preset.source, "--path");
}

TEST_F(UninstallTargetTest, UnreadableSidecarKeepsTheProfileNames) {
  const auto find = [&] { return FindUninstallTarget(folder + "/uninstall.exe", "", "Corvex 11", true); };
  MakeFolders(folder);
  UninstallTarget target = find();
  EXPECT_EQ(target.productKeyName, "Corvex 11") << "no sidecar";
  EXPECT_TRUE(target.is64Bit);

  const std::string block(4096, '\0');
  Sandbox::WriteFile(folder + "/uninstall.exe.bin", block);
  EXPECT_EQ(find().productKeyName, "Corvex 11") << "a block without a product name";

  PackageInfo info = PackagedInfo("Corvex 11 Test", false);
  const std::string bytes(reinterpret_cast<const char*>(&info), sizeof(info));
  Sandbox::WriteFile(folder + "/uninstall.exe.bin", bytes.substr(0, 4095));
  EXPECT_EQ(find().productKeyName, "Corvex 11") << "a short file";
  Sandbox::WriteFile(folder + "/uninstall.exe.bin", bytes + "x");
  EXPECT_EQ(find().productKeyName, "Corvex 11") << "more than one block";
  std::memset(info.productKeyName, 'K', sizeof(info.productKeyName));
  Sandbox::WriteFile(folder + "/uninstall.exe.bin", std::string(reinterpret_cast<const char*>(&info), sizeof(info)));
  EXPECT_EQ(find().productKeyName, "Corvex 11") << "a name without its terminator";
}

// Without --path and outside the install folder, the registered entry locates it; the
// preferred edition is looked up first.
TEST_F(UninstallTargetTest, RegisteredEntryLocatesTheFolder) {
  const PackageInfo info = PackagedInfo("Corvex 11", false);
  WriteUninstallEntry(info, platform::NarrowToWide(folder), 0, true);
  const UninstallTarget target = FindUninstallTarget("/usr/bin/corvex-online-setup", "", "Corvex 11", true);
  EXPECT_EQ(target.installFolder, folder);
  EXPECT_FALSE(target.is64Bit) << "only the 32-bit entry exists";
  EXPECT_STREQ(target.source, "the uninstall entry");

  const UninstallTarget none = FindUninstallTarget("/usr/bin/corvex-online-setup", "", "Corvex 12", true);
  EXPECT_TRUE(none.installFolder.empty());
  EXPECT_STREQ(none.source, "nowhere");
}

}  // namespace
