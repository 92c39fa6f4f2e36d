#include <gtest/gtest.h>

#include "base/debug_switches.h"
#include "base/file_helpers.h"
#include "base/install_log.h"
#include "base/product_info.h"
#include "base/run_mode.h"
#include "base/version_gate.h"
#include "platform/text.h"
#include "sandbox.h"

using namespace base;

using testing_support::Sandbox;

namespace {

void WriteDebugIni(const Sandbox& sandbox, const std::string& body) {
  GetDocumentsPath(L"", L"", true);
  Sandbox::WriteFile(sandbox.documents() + "/VexDebugConfig.ini", "[root]\n" + body);
}

}  // namespace

TEST(DebugSwitches, OnlyTheValueOneSwitchesOn) {
  Sandbox sandbox;
  EXPECT_FALSE(IsInfoViewEnabled());  // no file
  WriteDebugIni(sandbox, "show_info_view=2\nsetup_test_mode=2\nsetup_test_language=1031\n");
  EXPECT_FALSE(IsInfoViewEnabled());
  EXPECT_FALSE(IsSetupTestMode());
  EXPECT_EQ(GetDebugTestLanguage(), 1031);
  WriteDebugIni(sandbox, "show_info_view=1\nsetup_test_mode=1\n");
  EXPECT_TRUE(IsInfoViewEnabled());
  EXPECT_TRUE(IsSetupTestMode());
  // Once on, test mode is remembered without the file.
  WriteDebugIni(sandbox, "setup_test_mode=0\n");
  EXPECT_TRUE(IsSetupTestMode());
}

TEST(RunModeRecord, FilledFromTheCommandLine) {
  RunMode plain = ParseRunMode({"/tmp/corvex-online-setup"});
  EXPECT_FALSE(plain.silent);
  EXPECT_EQ(plain.mode, kRunModeInstall);
  EXPECT_TRUE(plain.presetInstallPath.empty());

  RunMode full = ParseRunMode({"corvex-online-setup", "--silent", "--path", "/opt/Corvex Test"});
  EXPECT_TRUE(full.silent);
  EXPECT_EQ(full.presetInstallPath, L"/opt/Corvex Test");
  EXPECT_TRUE(full.usageError.empty());
  EXPECT_EQ(ParseRunMode({"x", "--path=/srv/c"}).presetInstallPath, L"/srv/c");
  // A mistyped or incomplete command line does nothing rather than install somewhere.
  EXPECT_EQ(ParseRunMode({"x", "--silent", "--bogus"}).usageError, "unknown argument '--bogus'");
  EXPECT_EQ(ParseRunMode({"x", "--silent", "--path"}).usageError, "--path needs a folder");
  EXPECT_EQ(ParseRunMode({"x", "--path="}).usageError, "--path needs a folder");
  EXPECT_TRUE(ParseRunMode({"x", "--help"}).showHelp);
  EXPECT_TRUE(ParseRunMode({"x", "--version"}).showVersion);
  EXPECT_EQ(ParseRunMode({"x", "--uninstall"}).mode, kRunModeUninstall);
  // Started under the uninstaller's name it uninstalls.
  EXPECT_EQ(ParseRunMode({"/opt/Corvex 11/Uninstall.exe"}).mode, kRunModeUninstall);
  // The registered quiet uninstall command.
  const RunMode quiet = ParseRunMode({"/opt/Corvex 11/uninstall.exe", "/SILENT"});
  EXPECT_TRUE(quiet.silent);
  EXPECT_EQ(quiet.mode, kRunModeUninstall);

  SetRunMode(full);
  EXPECT_TRUE(IsSilentMode());
  EXPECT_EQ(GetPresetInstallPath(), L"/opt/Corvex Test");
  SetRunMode(RunMode{});
  EXPECT_FALSE(IsSilentMode());
}

TEST(ProductProfiles, EditionByMachineBitness) {
  ProductInfoVexX64 x64;
  ProductInfoVexX86 x86;
  EXPECT_STREQ(x64.GetPackageBaseName(), "Corvex11_x64");
  EXPECT_STREQ(x86.GetPackageBaseName(), "Corvex11_x86");
  EXPECT_STREQ(x64.GetFullDisplayName(), "Corvex 11 (x64)");
  EXPECT_STREQ(x86.GetFullDisplayName(), "Corvex 11");
  EXPECT_EQ(x64.GetLogoBitmapId(), 187);
  EXPECT_EQ(x86.GetFinishLogoBitmapId(), 139);
  EXPECT_STREQ(x86.GetUrl(), "");
  EXPECT_STREQ(x64.GetProductCode(), x86.GetProductCode());
  EXPECT_EQ(GetProductInfo()->IsX64(), Is64BitWindows());
  EXPECT_EQ(GetProductInfo().get(), GetProductInfo().get());
}

TEST(VersionGate, WindowsAndKernelThresholds) {
  EXPECT_FALSE(IsWindowsVersionAccepted(5, 1));
  EXPECT_FALSE(IsWindowsVersionAccepted(6, 0));
  for (auto [major, minor] : {std::pair{6u, 1u}, {6u, 2u}, {6u, 3u}, {10u, 0u}}) {
    EXPECT_TRUE(IsWindowsVersionAccepted(major, minor)) << major << "." << minor;
  }
  EXPECT_FALSE(IsKernelVersionAccepted(2, 6));
  EXPECT_FALSE(IsKernelVersionAccepted(3, 1));
  EXPECT_TRUE(IsKernelVersionAccepted(3, 2));
  EXPECT_TRUE(IsKernelVersionAccepted(4, 0));
  EXPECT_TRUE(IsKernelVersionAccepted(6, 1));

  Sandbox sandbox;
  GetLog()->Init(GetDocumentsPath(L"Corvex11/Log/", L"install.log", true));
  EXPECT_TRUE(IsWindowsVersionSupported());
  const std::string log = Sandbox::ReadFile(sandbox.documents() + "/Corvex11/Log/install.log");
  EXPECT_NE(log.find(" : Window Version : "), std::string::npos) << log;
}
