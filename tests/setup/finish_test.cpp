// The finish step: first-install decision, thank-you page, parameter text and the
// waits for the product's programs (the real product-stub).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <set>

#include "base/my_reg_key.h"
#include "install/product_processes.h"
#include "install/uninstall_registration.h"
#include "platform/path.h"
#include "platform/registry.h"
#include "setup/finish_web_page.h"
#include "setup/install_params.h"
#include "setup/new_install.h"
#include "setup/product_launch.h"
#include "steps_test_support.h"

using namespace base;
using namespace install;
using namespace setup;

namespace {

namespace fs = std::filesystem;
using steps_test::StepsTest;
using testing_support::Sandbox;

constexpr char kUserRecordKey[] = "SOFTWARE\\Corvex\\Corvex 11";
constexpr char kUserRecordWowKey[] = "SOFTWARE\\WOW6432Node\\Corvex\\Corvex 11";
const std::string kThankYou = "http://127.0.0.1:8610/thankyou.htm?s=corvex11&downloadmode=1&v=11.0.9.2";
const std::string kThankYouUpdate = "http://127.0.0.1:8610/thankyou.htm?s=corvex11_update&downloadmode=1&v=11.0.9.2";
const std::string kX64Tail = "&platform=x64&ad=corvex11_client_x64_thankyou";
const std::string kX86Tail = "&ad=corvex11_client_x86_thankyou";

bool KeyExists(const std::string& key) {
  platform::HKEY handle = nullptr;
  if (platform::RegOpenKeyEx(HKEY_LOCAL_MACHINE, key, &handle) != ERROR_SUCCESS) return false;
  platform::RegCloseKey(handle);
  return true;
}

void SetText(const std::string& key, const std::string& name, const std::string& text) {
  CMyRegKey record;
  ASSERT_EQ(record.Create(HKEY_LOCAL_MACHINE, key), ERROR_SUCCESS);
  record.SetString(name, text);
}

class FinishTest : public StepsTest {
 protected:
  void MarkProductRan() { fs::create_directories(sandbox.home() + "/.config/Corvex11"); }
  void RegisterEarlierProduct(const char* entry = "Corvex 10") {
    SetUninstallString(entry, "InstallLocation", "/opt/Corvex 10");
  }
};

TEST_F(FinishTest, NewInstallAsksEachPlaceThatRemembersTheProduct) {
  // An uninstaller in the folder settles it before the registry is read.
  EXPECT_EQ(IsNewInstall(true, info), 0);
  EXPECT_TRUE(Logged("Begin IsNewInstall : bHasOldVersion (1)\n"));
  EXPECT_TRUE(Logged("IsNewInstall : bHasOldVersion(1).\n"));
  EXPECT_FALSE(KeyExists(kUserRecordKey));
  EXPECT_FALSE(KeyExists(std::string(kUninstallKeyPrefix) + "Corvex 11(x64)"));

  EXPECT_EQ(IsNewInstall(false, info), 1);

  SetText(kUserRecordKey, "Username", "alice");
  EXPECT_EQ(IsNewInstall(false, info), 0);
  EXPECT_TRUE(Logged("IsNewInstall : Username false\n"));
  EXPECT_FALSE(Logged("IsNewInstall : WOW6432Node Username false\n"));
  SetText(kUserRecordKey, "Username", "");
  SetText(kUserRecordWowKey, "Username", "alice");
  EXPECT_EQ(IsNewInstall(false, info), 0);
  EXPECT_TRUE(Logged("IsNewInstall : WOW6432Node Username false\n"));
  SetText(kUserRecordWowKey, "Username", "");

  MarkProductRan();
  EXPECT_EQ(IsNewInstall(false, info), 0);
  EXPECT_TRUE(Logged("IsNewInstall : vex_config.xml false\n"));
  fs::remove(sandbox.home() + "/.config/Corvex11");

  // A registered folder that still exists is an old version; a vanished one is not.
  SetUninstallString("Corvex 11(x64)", "InstallLocation", Path("gone"));
  EXPECT_EQ(IsNewInstall(false, info), 1);
  fs::create_directories(Path("gone"));
  EXPECT_EQ(IsNewInstall(false, info), 0);
  EXPECT_TRUE(Logged("IsNewInstall : bHasOldVersion(0).\n"));
}

struct PageRow {
  const char* name;
  int newFlag;
  bool hasOldVersion;
  bool updateOldVersion;
  const char* earlierEntry;  // registered "Corvex 10" entry, or null
  bool ranBefore;
  std::string page;  // empty: none opens
  std::vector<std::string> logLines;
};

TEST_F(FinishTest, EveryRowOfTheThankYouPageTable) {
  const std::string id = "0123456789abcdef0123456789abcdef";
  const std::string newLine = "ShowFinishWebPage : bNewFlag.\n";
  const std::string updateLine = "ShowFinishWebPage : bNewFlag GetLastInstallPathInRegidit find 10 true : update.\n";
  const std::string ranLine = "ShowFinishWebPage : find 11 vex_config.xml true\n";
  const std::string friendLine = "ShowFinishWebPage : bNewFlag false find 11 false find 10 true.\n";
  const std::vector<std::string> rowLines = {newLine, updateLine, ranLine, friendLine};
  const std::vector<PageRow> rows = {
      {"new, earlier product",
       1,
       false,
       false,
       "Corvex 10",
       true,
       kThankYouUpdate + kX64Tail + "&c=" + id,
       {newLine, updateLine}},
      {"new, earlier x64 product, old version",
       1,
       true,
       true,
       "Corvex 10(x64)",
       false,
       kThankYouUpdate + kX64Tail + "&c=" + id,
       {newLine, updateLine}},
      {"new, nothing earlier", 1, false, true, nullptr, false, kThankYou + kX64Tail + "&c=" + id, {newLine}},
      {"not new, earlier product, ran before", 0, false, false, "Corvex 10", true, "", {ranLine}},
      {"not new, earlier product, never ran",
       0,
       false,
       false,
       "Corvex 10(x64)",
       false,
       kThankYouUpdate + kX64Tail + "&c=" + id,
       {friendLine}},
      {"not new, nothing earlier", 0, false, false, nullptr, false, "", {}},
      {"not new, old version in the folder", 0, true, false, "Corvex 10", false, "", {}},
      {"not new, old version registered", 0, false, true, "Corvex 10", false, "", {}},
  };
  for (const PageRow& row : rows) {
    SCOPED_TRACE(row.name);
    // Each row starts from a machine without the earlier product, with a log of its own.
    DeleteUninstallItem("Corvex 10");
    DeleteUninstallItem("Corvex 10(x64)");
    fs::remove_all(sandbox.home() + "/.config/Corvex11");
    logPath = sandbox.root() + "/" + row.name + ".log";
    GetLog()->Init(platform::NarrowToWide(logPath));
    if (row.earlierEntry) RegisterEarlierProduct(row.earlierEntry);
    if (row.ranBefore) MarkProductRan();
    g_updateOldVersion = row.updateOldVersion;

    std::vector<std::string> opened;
    const auto record = [&](const std::string& url) { return opened.push_back(url), true; };
    EXPECT_EQ(ShowFinishWebPage(row.newFlag, row.hasOldVersion, false, info, id, record), row.newFlag);
    EXPECT_EQ(opened, row.page.empty() ? std::vector<std::string>{} : std::vector<std::string>{row.page});
    EXPECT_TRUE(Logged("ShowFinishWebPage bHasOldVersion(" + std::to_string(row.hasOldVersion) + "), bNewFlag(" +
                       std::to_string(row.newFlag) + "), g_updateOldVersion(" + std::to_string(row.updateOldVersion) +
                       ")"));
    EXPECT_TRUE(Logged(std::string("New flag : ") + (row.newFlag ? "New New New" : "friend") +
                       ", OldVersion : " + (row.updateOldVersion ? "TRUE" : "FALSE")));
    for (const std::string& line : rowLines) {
      const bool expected = std::find(row.logLines.begin(), row.logLines.end(), line) != row.logLines.end();
      EXPECT_EQ(Logged(line), expected) << line;
    }
  }

  // The 32-bit tail and no identifier; silent runs open nothing and answer 0.
  DeleteUninstallItem("Corvex 10");
  std::vector<std::string> opened;
  const auto record = [&](const std::string& url) { return opened.push_back(url), true; };
  ShowFinishWebPage(1, false, false, steps_test::MakeInfo(false), "", record);
  EXPECT_EQ(opened, std::vector<std::string>{kThankYou + kX86Tail});
  RunMode silent;
  silent.silent = true;
  SetRunMode(silent);
  EXPECT_EQ(ShowFinishWebPage(1, false, false, info, id, record), 0);
  EXPECT_EQ(opened.size(), 1u);
  EXPECT_TRUE(Logged("Install Silent : Don't need show page."));
}

TEST_F(FinishTest, InstallIdsAreFreshLowerCaseDigests) {
  std::set<std::string> ids;
  for (int i = 0; i < 20; ++i) {
    const std::string id = MakeInstallId();
    EXPECT_EQ(id.size(), 32u);
    EXPECT_EQ(id.find_first_not_of("0123456789abcdef"), std::string::npos) << id;
    ids.insert(id);
  }
  EXPECT_EQ(ids.size(), 20u);
}

TEST_F(FinishTest, ParameterTextOfTheWorkedExampleAndItsParts) {
  InstallParamsInput input;
  input.joinTicked = true;
  input.installId = MakeInstallId();
  input.newInstall = true;
  input.installerPath = L"/home/alice/Downloads/Corvex_DVD_Ripper_Setup.exe";
  input.downloadSeconds = 95;
  EXPECT_EQ(BuildInstallParams(input),
            L"/install /add_plan /ID:" + platform::NarrowToWide(input.installId) + L" /new  /option:ripper /time:95 ");

  // The first word of the list wins; a word in the folder does not count.
  input.installerPath = L"/tmp/ripper/corvex-converter-copy";
  EXPECT_EQ(BuildInstallParams(input).find(L" /option:copy /time:95 ") != std::wstring::npos, true);
  input = InstallParamsInput{};
  input.installerPath = L"/tmp/ripper/corvex-online-setup";
  input.downloadSeconds = 1;
  EXPECT_EQ(BuildInstallParams(input), L"/install /time:1 ");
  input.downloadSeconds = 0;
  input.installerPath = L"/tmp/UHD_Drive_Tool.setup.exe";
  EXPECT_EQ(BuildInstallParams(input), L"/install /option:uhd_drive_tool");
}

class ProgramRunTest : public FinishTest {
 protected:
  void TearDown() override { ::unsetenv("CORVEX_STUB_MS"); }

  // The real stand-in product under a program name of the install folder.
  std::string PlaceStub(const std::string& name) {
    const char* stub = std::getenv("CORVEX_PRODUCT_STUB");
    EXPECT_NE(stub, nullptr);
    fs::create_directories(installFolder);
    const std::string path = installFolder + "/" + name;
    fs::copy_file(stub ? stub : "/bin/true", path, fs::copy_options::overwrite_existing);
    return path;
  }
  std::string StubLog() const { return Sandbox::ReadFile(installFolder + "/product-stub.log"); }

  std::string installFolder = Path("opt/Corvex 11");
  std::wstring folderW = platform::NarrowToWide(installFolder);
};

TEST_F(ProgramRunTest, MainProgramRunsWithItsParametersAndRepairWithout) {
  EXPECT_EQ(RunRepairProgram(folderW).run, ProgramRun::kMissing);
  EXPECT_EQ(RunMainProgramInstallMode(folderW, true, L"/install").run, ProgramRun::kMissing);
  EXPECT_TRUE(Logged("Run exe failed. main exe con't found\n."));

  PlaceStub("VexRepair.exe");
  PlaceStub("Corvex64.exe");
  // Someone else's program of the same name keeps running; the wait is for ours.
  fs::create_directories(Path("elsewhere"));
  fs::copy_file("/bin/sleep", Path("elsewhere/Corvex64.exe"));
  platform::ProcessStart decoyStart;
  decoyStart.program = Path("elsewhere/Corvex64.exe");
  decoyStart.arguments = {decoyStart.program, "60"};
  auto decoy = platform::StartProcess(decoyStart);
  ASSERT_TRUE(decoy);

  EXPECT_EQ(RunRepairProgram(folderW).run, ProgramRun::kEnded);
  const ProgramRunResult main = RunMainProgramInstallMode(folderW, true, L"/install /ID:ab /new  /time:3 ");
  decoy->Terminate();
  EXPECT_EQ(main.run, ProgramRun::kEnded);
  EXPECT_EQ(main.exitCode, 0);
  EXPECT_GE(main.waitCount, 0);
  EXPECT_EQ(StubLog(), "VexRepair.exe\nCorvex64.exe\t/install\t/ID:ab\t/new\t/time:3\n");
  EXPECT_TRUE(Logged("Run Install Params: /install /ID:ab /new  /time:3 .\n"));
  EXPECT_TRUE(Logged("Run main exe install : ExitCode(0), nWaitCount(" + std::to_string(main.waitCount) + ").\n"));
}

TEST_F(ProgramRunTest, ProductRunningPastTheWaitIsTerminated) {
  PlaceStub("Corvex.exe");
  ::setenv("CORVEX_STUB_MS", "60000", 1);
  const ProgramRunResult result = RunMainProgramInstallMode(folderW, false, L"/install");
  EXPECT_EQ(result.run, ProgramRun::kTerminated);
  EXPECT_EQ(result.waitCount, -2);
  EXPECT_TRUE(Logged("Run main exe install : ExitCode(0), nWaitCount(-2).\n"));
  DWORD pid = 0;
  EXPECT_FALSE(FindProcessId(L"Corvex.exe", pid)) << pid;
  EXPECT_EQ(StubLog(), "Corvex.exe\t/install\n");
}

}  // namespace
