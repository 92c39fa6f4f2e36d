// The installation as a transaction, end to end: a read-only folder, a disk that
// fills while unpacking, an update that fails late, a stop at each moment, two
// installers at once, and a command line that is refused. Each ends either installed
// and registered or with the machine exactly as before, and says which.
#include <chrono>
#include <thread>

#include "tests/e2e/install_machine.h"

namespace fs = std::filesystem;

namespace {

using namespace e2e;

class InstallTransaction : public InstallEndToEnd {
 protected:
  // What an install that did not happen must leave: no product, no entry, no desktop
  // entries, nothing beside the folder.
  void ExpectNothingInstalled(const ProgramRun& run) {
    EXPECT_FALSE(fs::exists(installFolder() / "uninstall.exe")) << run.output << Log();
    EXPECT_EQ(RegQuery().find("InstallLocation"), std::string::npos) << Log();
    EXPECT_TRUE(DesktopEntries().empty()) << Log();
    EXPECT_TRUE(LeftoversBesideInstallFolder().empty()) << Log();
  }
};

// Stops the silent run with SIGTERM once the install log shows $PATTERN.
constexpr char kStopAtPattern[] =
    "\"$SETUP\" --silent & pid=$!\n"
    "while ! grep -q \"$PATTERN\" \"$LOG\" 2>/dev/null; do kill -0 $pid 2>/dev/null || break; sleep 0.01; done\n"
    "kill -TERM $pid 2>/dev/null; wait $pid; exit $?\n";

TEST_F(InstallTransaction, AReadOnlyInstallFolderIsRefusedBeforeTheDownload) {
  ServeMirrors(kGoodMirrors);
  fs::create_directories(installFolder());
  const ProgramRun run = InstallUnderScript(
      "mount --bind \"$ROOT/opt/Corvex 11\" \"$ROOT/opt/Corvex 11\" && "
      "mount -o remount,bind,ro \"$ROOT/opt/Corvex 11\" && exec \"$SETUP\" --silent");
  EXPECT_EQ(run.exitCode, 1) << run.output << Log();
  EXPECT_NE(run.output.find("the installation folder cannot be written to"), std::string::npos) << run.output;
  EXPECT_EQ(Log().find("Url : "), std::string::npos) << "nothing is downloaded for a folder that cannot take it";
  ExpectNothingInstalled(run);
}

TEST_F(InstallTransaction, ADiskThatFillsDuringTheDownloadEndsBeforeTheUnpackWithNothingLeft) {
  // A small package that unpacks to 48 MB; once the download has started, a writer
  // leaves 20 MB of the file system free. The 256 MB check has passed; the unpacked
  // size no longer fits, and that is found before a byte is unpacked. (A disk that
  // fills during the unpack itself is the unpack's own test.)
  MakePackage(48u * 1024 * 1024);
  ServeMirrors(kGoodMirrors);
  const ProgramRun run = InstallUnderScript(
      "mkdir -p \"$ROOT/opt\" && mount -t tmpfs -o size=300m,mode=0755 corvex-small \"$ROOT/opt\" || exit 99\n"
      "\"$SETUP\" --silent & pid=$!\n"
      "while ! grep -q 'Url : ' \"$LOG\" 2>/dev/null; do kill -0 $pid 2>/dev/null || break; sleep 0.01; done\n"
      "fallocate -l 280m \"$ROOT/opt/filler\"\n"
      "wait $pid; status=$?\n"
      "ls -A \"$ROOT/opt\" | grep -v '^filler$' | sed 's/^/left: /'\n"
      "exit $status\n");
  EXPECT_EQ(run.exitCode, 3) << run.output << Log();
  EXPECT_NE(run.output.find("there is not enough free space for the product"), std::string::npos) << run.output;
  EXPECT_NE(Log().find("Not enough space for the product"), std::string::npos) << Log();
  EXPECT_EQ(Log().find("Begin unpack file."), std::string::npos) << Log();
  EXPECT_EQ(run.output.find("left: Corvex 11."), std::string::npos) << "no fresh folder is left\n" << run.output;
  // The tmpfs went with the namespace; nothing was registered or linked outside it.
  EXPECT_EQ(RegQuery().find("InstallLocation"), std::string::npos) << Log();
  EXPECT_TRUE(DesktopEntries().empty()) << Log();
  const std::string reports = Reports();
  EXPECT_TRUE(ReportCarries(reports, "install_status", "install_fail")) << reports;
  EXPECT_NE(reports.find("step_install_fail"), std::string::npos) << reports;
  EXPECT_EQ(reports.find("step_install_finish"), std::string::npos) << reports;
}

TEST_F(InstallTransaction, AnUpdateThatFailsLateLeavesThePreviousVersionExactlyAsItWas) {
  ServeMirrors(kGoodMirrors);
  const ProgramRun first = Install();
  ASSERT_EQ(first.exitCode, 0) << first.output << Log();
  WriteFile(installFolder() / "settings-of-the-old-version.ini", "kept");
  const auto tree = TreeOf(installFolder());
  const auto entries = DesktopEntries();
  const std::string entry = RegQuery();

  // The registry store turns read-only: the new version is complete and in place when
  // its uninstall entry cannot be written. The store can still be read, so the previous
  // install is recognised as this product's.
  const ProgramRun second = InstallUnderScript(
      "db=\"$ROOT/var/lib/corvex/registry/machine.db\" && mount --bind \"$db\" \"$db\" && "
      "mount -o remount,bind,ro \"$db\" && exec \"$SETUP\" --silent");
  EXPECT_EQ(second.exitCode, 3) << second.output << Log();
  EXPECT_NE(second.output.find("could not be registered; nothing was changed"), std::string::npos) << second.output;
  EXPECT_NE(Log().find("Rollback finished."), std::string::npos) << Log();
  EXPECT_EQ(TreeOf(installFolder()), tree) << "the previous install, byte for byte";
  EXPECT_EQ(DesktopEntries(), entries);
  EXPECT_EQ(RegQuery(), entry);
  EXPECT_TRUE(LeftoversBesideInstallFolder().empty());
  const char* mainProgram = x64_ ? "Corvex64.exe" : "Corvex.exe";
  EXPECT_EQ(RunProgram((installFolder() / mainProgram).string(), {"--installmode"}).exitCode, 0)
      << "the previous version still runs";
}

TEST_F(InstallTransaction, AStopAtEachMomentLeavesEitherNothingOrTheWholeProduct) {
  ServeMirrors(kGoodMirrors);
  struct Moment {
    const char* pattern;
    bool installed;
  };
  // After the download, in the settle time; while unpacking; while the product's
  // install step runs (the entry is written next); once finished.
  const Moment moments[] = {{"Download_CheckFinish : Finish download.", false},
                            {"Begin unpack file.", false},
                            {"Run MainExe.exe /install", false},
                            {"Finish(AfterInstall)", true}};
  for (const Moment& moment : moments) {
    SCOPED_TRACE(moment.pattern);
    fs::remove(installLog());
    const ProgramRun run =
        InstallUnderScript(kStopAtPattern, {{"PATTERN", moment.pattern}, {"CORVEX_STUB_MS", "1500"}});
    if (moment.installed) {
      EXPECT_EQ(run.exitCode, 0) << run.output << Log();
      EXPECT_TRUE(fs::exists(installFolder() / "uninstall.exe"));
      EXPECT_NE(RegQuery().find("InstallLocation"), std::string::npos);
      continue;
    }
    EXPECT_EQ(run.exitCode, 5) << run.output << Log();
    EXPECT_NE(run.output.find("stopped by a signal; nothing was changed"), std::string::npos) << run.output;
    ExpectNothingInstalled(run);
    // The checks made the folder; it stays as they left it, empty.
    EXPECT_TRUE(!fs::exists(installFolder()) || fs::is_empty(installFolder()));
    EXPECT_NE(Reports().find("step_close"), std::string::npos) << "the vendor hears of the stop";
  }
}

TEST_F(InstallTransaction, ASecondInstallerSaysSoAndTouchesNothing) {
  ServeMirrors(kGoodMirrors);
  ProgramRun second;
  const ProgramRun first = InstallUnderScript(
      "\"$SETUP\" --silent & pid=$!\n"
      "while ! grep -q 'Url : ' \"$LOG\" 2>/dev/null; do sleep 0.01; done\n"
      "\"$SETUP\" --silent; echo \"second=$?\"\n"
      "wait $pid; exit $?\n",
      {{"CORVEX_STUB_MS", "500"}});
  EXPECT_EQ(first.exitCode, 0) << first.output << Log();
  EXPECT_NE(first.output.find("another installation of Corvex is running"), std::string::npos) << first.output;
  EXPECT_NE(first.output.find("second=4"), std::string::npos) << first.output;
  EXPECT_NE(Log().find("Another installer is running; this one ends."), std::string::npos);
  EXPECT_EQ(Log().find("Url : ", Log().find("Url : ") + 1), std::string::npos) << "one download only";
  EXPECT_TRUE(fs::exists(installFolder() / "uninstall.exe"));
}

TEST_F(InstallTransaction, TheCommandLineExplainsItselfAndRefusesWhatItDoesNotKnow) {
  const ProgramRun help = RunProgram(SetupProgram(), {"--help"});
  EXPECT_EQ(help.exitCode, 0);
  EXPECT_NE(help.output.find("Exit status of an installation:"), std::string::npos) << help.output;
  const ProgramRun version = RunProgram(SetupProgram(), {"--version"});
  EXPECT_EQ(version.exitCode, 0);
  EXPECT_EQ(version.output.rfind("corvex-online-setup ", 0), 0u) << version.output;
  const std::vector<std::vector<std::string>> refusedLines = {
      {"--silent", "--bogus"}, {std::string("--bogus")}, {"--silent", "--path"}};
  for (const std::vector<std::string>& args : refusedLines) {
    const ProgramRun refused = RunProgram(SetupProgram(), args, Environment());
    EXPECT_EQ(refused.exitCode, 64) << refused.output;
    EXPECT_NE(refused.output.find("Usage: corvex-online-setup"), std::string::npos) << refused.output;
  }
  EXPECT_FALSE(fs::exists(installLog())) << "nothing was done";
  EXPECT_FALSE(fs::exists(root() / "opt/Corvex 11"));
}

TEST_F(InstallTransaction, ADownloadsPathTooLongForItsBufferEndsWithoutHanging) {
  ServeMirrors(kGoodMirrors);
  // A home of 227 characters puts the package path past 260.
  const fs::path longHome = folder_ / std::string(227 - folder_.string().size() - 1, 'h');
  fs::create_directories(longHome);
  std::vector<std::pair<std::string, std::string>> env = Environment();
  for (auto& [name, value] : env) {
    if (name == "HOME") value = longHome.string();
  }
  const ProgramRun run = RunProgram(SetupProgram(), {"--silent"}, env);
  EXPECT_EQ(run.exitCode, 2) << run.output;
  EXPECT_NE(run.output.find("corvex-online-setup: "), std::string::npos) << run.output;
}

}  // namespace
