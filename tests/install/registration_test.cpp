#include <gtest/gtest.h>

#include "install/uninstall_registration.h"
#include "system_test_support.h"

using namespace install;

namespace {

using system_test::ReadValue;
using testing_support::Sandbox;

constexpr char kEntryKey32[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvex 11";
constexpr char kEntryKey64[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvex 11(x64)";

PackageInfo MakeInfo(bool is64) {
  PackageInfo info = EmptyPackageInfo();
  SetPackageInfoText(info.productKeyName, "Corvex 11");
  SetPackageInfoText(info.displayName, is64 ? "Corvex 11 (x64)" : "Corvex 11");
  SetPackageInfoText(info.version, "1.0.0.1");
  SetPackageInfoText(info.releaseDate, "2020-06-16");
  SetPackageInfoText(info.webAddress, "http://127.0.0.1:8610");
  SetPackageInfoText(info.publisher, "Corvex Software Inc.");
  info.is64Bit = is64 ? 1 : 0;
  return info;
}

std::string Value(const char* key, const char* name) {
  auto value = ReadValue(HKEY_LOCAL_MACHINE, key, name);
  return value ? value->data : "<missing>";
}

class RegistrationTest : public ::testing::Test {
 protected:
  Sandbox sandbox;
  std::string log = system_test::StartLog(sandbox);
  std::wstring folder = L"/opt/Corvex 11";
};

TEST_F(RegistrationTest, SixtyFourBitEntryCarriesEveryValue) {
  WriteUninstallEntry(MakeInfo(true), folder, 5, /*silent=*/false);

  // The key name has no blank before "(x64)"; the display name has one.
  EXPECT_FALSE(system_test::KeyExists(HKEY_LOCAL_MACHINE, kEntryKey32));
  EXPECT_EQ(Value(kEntryKey64, "DisplayName"), "Corvex 11 (x64) 1.0.0.1 (2020-06-16)");
  // A block whose display name lacks the suffix still gets it once.
  PackageInfo plainName = MakeInfo(true);
  SetPackageInfoText(plainName.displayName, "Corvex 11");
  WriteUninstallEntry(plainName, folder, 5, /*silent=*/false);
  EXPECT_EQ(Value(kEntryKey64, "DisplayName"), "Corvex 11 (x64) 1.0.0.1 (2020-06-16)");
  EXPECT_EQ(Value(kEntryKey64, "DisplayIcon"), "/opt/Corvex 11/Corvex64.exe");
  EXPECT_EQ(Value(kEntryKey64, "InstallDate"), "20200616");
  EXPECT_EQ(Value(kEntryKey64, "Version"), "1.0.0.1");
  EXPECT_EQ(Value(kEntryKey64, "DisplayVersion"), "1.0.0.1");
  EXPECT_EQ(Value(kEntryKey64, "InstallLocation"), "/opt/Corvex 11");
  EXPECT_EQ(Value(kEntryKey64, "Publisher"), "Corvex Software Inc.");
  EXPECT_EQ(Value(kEntryKey64, "HelpLink"), "http://127.0.0.1:8610");
  EXPECT_EQ(Value(kEntryKey64, "URLInfoAbout"), "http://127.0.0.1:8610");
  EXPECT_EQ(Value(kEntryKey64, "URLUpdateInfo"), "http://127.0.0.1:8610");
  EXPECT_EQ(Value(kEntryKey64, "UninstallString"), "\"/opt/Corvex 11/uninstall.exe\"");
  EXPECT_EQ(Value(kEntryKey64, "QuietUninstallString"), "\"/opt/Corvex 11/uninstall.exe\" /SILENT");
  EXPECT_EQ(Value(kEntryKey64, "EstimatedSize"), "227016");
  EXPECT_EQ(Value(kEntryKey64, "sEstimatedSize2"), "229986");
  EXPECT_EQ(Value(kEntryKey64, "NoModify"), "1");
  EXPECT_EQ(Value(kEntryKey64, "NoRepair"), "1");
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kEntryKey64, "EstimatedSize")->type, platform::REG_DWORD);
  EXPECT_EQ(ReadValue(HKEY_LOCAL_MACHINE, kEntryKey64, "DisplayName")->type, platform::REG_SZ);
  EXPECT_EQ(Value(kEntryKey64, "cfg_flag"), "5");
  EXPECT_NE(Sandbox::ReadFile(log).find("Write Setup Cfg Flag : 5, root(Corvex 11(x64)), key(cfg_flag).\n\n"),
            std::string::npos);
}

TEST_F(RegistrationTest, ThirtyTwoBitEntryAndSilentModeWithoutCfgFlag) {
  WriteUninstallEntry(MakeInfo(false), folder, 3, /*silent=*/true);

  EXPECT_EQ(Value(kEntryKey32, "DisplayName"), "Corvex 11 1.0.0.1 (2020-06-16)");
  EXPECT_EQ(Value(kEntryKey32, "DisplayIcon"), "/opt/Corvex 11/Corvex.exe");
  EXPECT_EQ(Value(kEntryKey32, "URLUpdateInfo"), "http://127.0.0.1:8610");
  std::vector<platform::RegValue> values;
  platform::HKEY key = nullptr;
  ASSERT_EQ(platform::RegOpenKeyEx(HKEY_LOCAL_MACHINE, kEntryKey32, &key), ERROR_SUCCESS);
  platform::RegEnumValues(key, values);
  platform::RegCloseKey(key);
  EXPECT_EQ(values.size(), 16u);
  EXPECT_EQ(Value(kEntryKey32, "cfg_flag"), "<missing>");
  EXPECT_EQ(Sandbox::ReadFile(log).find("Write Setup Cfg Flag"), std::string::npos);
}

TEST_F(RegistrationTest, FolderThatDoesNotFitThePathBufferIsRefused) {
  // 250 characters fit alone but not with "/uninstall.exe".
  const std::wstring longFolder = L"/opt/" + std::wstring(245, L'x');
  WriteUninstallEntry(MakeInfo(false), longFolder, 1, false);

  EXPECT_FALSE(system_test::KeyExists(HKEY_LOCAL_MACHINE, kEntryKey32));
  EXPECT_NE(Sandbox::ReadFile(log).find("install folder too long"), std::string::npos);
}

TEST_F(RegistrationTest, InstallLocationQueries) {
  std::string out = "unchanged";
  // A product never installed: false, and the query leaves an empty key behind.
  EXPECT_FALSE(GetLastInstallPathInRegidit("Corvex 11", out));
  EXPECT_EQ(out, "unchanged");
  EXPECT_TRUE(system_test::KeyExists(HKEY_LOCAL_MACHINE, kEntryKey32));

  ASSERT_TRUE(SetUninstallString("Corvex 11", "InstallLocation", ""));
  EXPECT_FALSE(GetLastInstallPathInRegidit("Corvex 11", out));

  ASSERT_TRUE(SetUninstallString("Corvex 11", "InstallLocation", "/opt/Corvex 11"));
  EXPECT_TRUE(GetLastInstallPathInRegidit("Corvex 11", out));
  EXPECT_EQ(out, "/opt/Corvex 11");

  // A number where a folder belongs is no folder.
  ASSERT_TRUE(SetUninstallDword("Corvex 11", "InstallLocation", 0x2f2f2f2f));
  out = "unchanged";
  EXPECT_FALSE(GetLastInstallPathInRegidit("Corvex 11", out));
  EXPECT_EQ(out, "unchanged");

  // Longer than the 200-byte buffer.
  ASSERT_TRUE(SetUninstallString("Corvex 11", "InstallLocation", "/" + std::string(220, 'y')));
  EXPECT_FALSE(GetLastInstallPathInRegidit("Corvex 11", out));
}

TEST_F(RegistrationTest, CfgFlagRoundTripAndOddTypes) {
  PackageInfo info = MakeInfo(true);
  DWORD options = 9;
  // Missing value: the key opens, the options stay.
  EXPECT_TRUE(ReadSetupCfgFlag(info, options));
  EXPECT_EQ(options, 9u);
  EXPECT_NE(Sandbox::ReadFile(log).find("Read Setup Cfg Flag : 9, root(Corvex 11(x64)), key(cfg_flag)."),
            std::string::npos);

  ASSERT_TRUE(SetUninstallDword("Corvex 11(x64)", "cfg_flag", 6));
  EXPECT_TRUE(QueryUninstallDword("Corvex 11(x64)", "cfg_flag", options));
  EXPECT_EQ(options, 6u);

  // A text where a number belongs does not become one.
  ASSERT_TRUE(SetUninstallString("Corvex 11(x64)", "cfg_flag", "7"));
  EXPECT_TRUE(QueryUninstallDword("Corvex 11(x64)", "cfg_flag", options));
  EXPECT_EQ(options, 6u);
}

TEST_F(RegistrationTest, DeleteRemovesOnlyThatEntry) {
  WriteUninstallEntry(MakeInfo(false), folder, 1, false);
  WriteUninstallEntry(MakeInfo(true), folder, 1, false);
  EXPECT_TRUE(DeleteUninstallItem("Corvex 11(x64)"));
  EXPECT_FALSE(system_test::KeyExists(HKEY_LOCAL_MACHINE, kEntryKey64));
  EXPECT_TRUE(system_test::KeyExists(HKEY_LOCAL_MACHINE, kEntryKey32));
  // An empty name names the whole list: nothing happens.
  EXPECT_TRUE(DeleteUninstallItem(""));
  EXPECT_TRUE(system_test::KeyExists(HKEY_LOCAL_MACHINE, kEntryKey32));
  EXPECT_TRUE(DeleteUninstallItem("never installed"));
}

TEST_F(RegistrationTest, UnusableStoreFailsQuietly) {
  const std::string db = platform::RegistryDatabasePath(platform::Hive::LocalMachine);
  system_test::MakeFolders(db.substr(0, db.rfind('/')));
  Sandbox::WriteFile(db, std::string(8192, 'G'));  // not a database

  WriteUninstallEntry(MakeInfo(false), folder, 1, false);
  DWORD options = 4;
  EXPECT_FALSE(QueryUninstallDword("Corvex 11", "cfg_flag", options));
  EXPECT_EQ(options, 4u);
  std::string out = "unchanged";
  EXPECT_FALSE(GetLastInstallPathInRegidit("Corvex 11", out));
  EXPECT_FALSE(SetUninstallString("Corvex 11", "Version", "1"));
  EXPECT_TRUE(DeleteUninstallItem("Corvex 11"));
  EXPECT_EQ(Sandbox::ReadFile(db), std::string(8192, 'G'));
}

}  // namespace
