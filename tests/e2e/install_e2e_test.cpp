// The installer as a user's machine runs it, with real processes: corvex-devserver
// serves a freshly packed product as the six mirrors (one of them faulty) and the
// CDN on a free port and answers the vendor endpoints; corvex-online-setup --silent
// installs it into a sandbox root without any window.
#include "tests/e2e/install_machine.h"

#include <algorithm>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

namespace {

using namespace e2e;

// "/install ... /ID:<32 lower-case hex> ": std::regex is avoided, GCC 12 warns inside it in sanitizer builds.
bool HasInstallModeId(const std::string& text) {
  const size_t install = text.find("/install");
  if (install == std::string::npos) return false;
  for (size_t id = text.find("/ID:", install); id != std::string::npos; id = text.find("/ID:", id + 1)) {
    const size_t digits = id + 4;
    if (text.size() < digits + 33) continue;
    bool hex = true;
    for (size_t i = digits; i < digits + 32; ++i)
      hex = hex && (std::isdigit(static_cast<unsigned char>(text[i])) || (text[i] >= 'a' && text[i] <= 'f'));
    if (hex && std::isspace(static_cast<unsigned char>(text[digits + 32]))) return true;
  }
  return false;
}

TEST_F(InstallEndToEnd, InstallsFromMirrorsWithAFaultyOneAndUpdatesOverItself) {
  ServeMirrors(kOneFaultyMirror);
  const ProgramRun first = Install();
  ASSERT_EQ(first.exitCode, 0) << first.output << Log() << "\ncorvex-devserver:\n" << server_->Output();

  // The package in Downloads, byte for byte what the mirrors serve.
  ASSERT_TRUE(fs::exists(downloadedPackage())) << Log();
  EXPECT_EQ(ReadFile(downloadedPackage()), ReadFile(package_));
  EXPECT_FALSE(fs::exists(downloadedPackage().string() + ".cfg"));
  // The payload and the uninstaller in the install folder.
  const char* mainProgram = x64_ ? "Corvex64.exe" : "Corvex.exe";
  EXPECT_TRUE(fs::exists(installFolder() / mainProgram));
  EXPECT_TRUE(fs::exists(installFolder() / "data.bin"));
  EXPECT_TRUE(fs::exists(installFolder() / "uninstall.exe"));
  EXPECT_TRUE(fs::exists(installFolder() / "uninstall.exe.bin"));
  // The uninstall entry, as corvex-reg shows it.
  const std::string entry = RegQuery();
  EXPECT_NE(entry.find("InstallLocation"), std::string::npos) << entry;
  EXPECT_NE(entry.find(installFolder().string()), std::string::npos) << entry;
  const std::string displayName = x64_ ? "Corvex 11 (x64) 11.0.9.2 (2020-06-16)" : "Corvex 11 11.0.9.2 (2020-06-16)";
  EXPECT_NE(entry.find("    DisplayName    REG_SZ    " + displayName + "\n"), std::string::npos) << entry;
  // Desktop entries that the desktop's own validator accepts.
  int entries = 0;
  for (const auto& file : fs::recursive_directory_iterator(folder_)) {
    if (file.path().extension() != ".desktop") continue;
    ++entries;
    const ProgramRun validate = RunProgram("/usr/bin/desktop-file-validate", {file.path().string()});
    EXPECT_EQ(validate.exitCode, 0) << file.path() << "\n" << validate.output;
  }
  EXPECT_GE(entries, 4) << Log();
  // The main program was started in installation mode with a random identifier.
  const std::string stubLog = ReadFile(installFolder() / "product-stub.log");
  EXPECT_TRUE(HasInstallModeId(stubLog)) << stubLog;
  // The faulty mirror was noticed and its block fetched again.
  const std::string log = Log();
  EXPECT_NE(log.find("Download Finish Result : succeed(5)."), std::string::npos) << log;
  EXPECT_NE(log.find("Finish(AfterInstall)"), std::string::npos) << log;
  // Every report reached the vendor: start, the steps, the final report.
  const std::string reports = ReadFile(reportLog());
  for (const char* step : {"\\\"start\\\"", "step_download", "step_read_info", "step_insatll_begin", "step_insatll_end",
                           "step_create_short", "step_run_repair", "step_run_app", "step_install_finish"}) {
    EXPECT_NE(reports.find(step), std::string::npos) << step << "\n" << reports;
  }
  EXPECT_NE(reports.find("step_close"), std::string::npos) << reports;
  EXPECT_TRUE(ReportCarries(reports, "install_status", "success")) << reports;
  // An unattended run has no boxes to untick and no folder to change.
  EXPECT_TRUE(ReportCarries(reports, "change_install_path", "false")) << reports;
  EXPECT_TRUE(ReportCarries(reports, "create_desktop", "true")) << reports;
  EXPECT_FALSE(first.output.find("Temp File") != std::string::npos) << "the staging line belongs in the log";

  // The same install again is an update: the previous install goes, nothing else.
  const fs::path leftover = installFolder() / "left-by-old-version.txt";
  WriteFile(leftover, "old");
  const ProgramRun second = Install();
  ASSERT_EQ(second.exitCode, 0) << second.output << Log();
  EXPECT_FALSE(fs::exists(leftover)) << "the previous install is replaced as a whole";
  EXPECT_TRUE(fs::exists(installFolder() / mainProgram));
  const std::string secondLog = Log();
  EXPECT_NE(secondLog.find("Download Finish Result : succeed(5)."), std::string::npos);
  EXPECT_NE(secondLog.find("Find install path: ("), std::string::npos) << secondLog;
}

TEST_F(InstallEndToEnd, RefusesAFolderWithSomeoneElsesFilesAndLeavesThemAlone) {
  ServeMirrors(kOneFaultyMirror);
  const fs::path folder = root() / "srv/apps/Corvex 11";
  const std::string precious = std::string("user data \x01\x02\xff", 14);
  WriteFile(folder / "thesis.odt", precious);
  const ProgramRun run = Install({"--path", folder.string()});
  EXPECT_EQ(run.exitCode, 1) << "a refused install is not a success\n" << run.output;
  EXPECT_NE(run.output.find("holds files that are not this product's"), std::string::npos) << run.output;
  EXPECT_EQ(ReadFile(folder / "thesis.odt"), precious);
  EXPECT_FALSE(fs::exists(folder / "uninstall.exe"));
  EXPECT_NE(Log().find(folder.string()), std::string::npos) << "the refusal names the folder\n" << Log();
}

TEST_F(InstallEndToEnd, AFailedDownloadEndsInTheRetryStateAndReportsFailure) {
  std::string allDead;
  for (int i = 1; i <= 6; ++i) allDead += "[mirror " + std::to_string(i) + "]\nstatus = 404\n";
  allDead += "[cdn]\nstatus = 404\n";
  ServeMirrors(allDead);
  const ProgramRun run = Install();
  EXPECT_EQ(run.exitCode, 2) << run.output;
  EXPECT_NE(run.output.find("corvex-online-setup: the download failed"), std::string::npos) << run.output;
  const std::string log = Log();
  EXPECT_NE(log.find("Download Failed. Show retry."), std::string::npos) << log;
  EXPECT_TRUE(ReportCarries(Reports(), "install_status", "downLoad_fail")) << Reports();
  EXPECT_FALSE(fs::exists(installFolder() / "uninstall.exe"));
  EXPECT_EQ(RegQuery().find("InstallLocation"), std::string::npos);
}

// The log lines of one run, each without its time of day ("HH:MM:SS : ").
std::vector<std::string> LinesOfLastRun(const std::string& log) {
  const std::string separator = "----------------------------------------\n";
  const size_t start = log.rfind(separator);
  std::vector<std::string> lines;
  std::istringstream in(log.substr(start == std::string::npos ? 0 : start + separator.size()));
  for (std::string line; std::getline(in, line);) lines.push_back(line.size() >= 11 ? line.substr(11) : line);
  return lines;
}

TEST_F(InstallEndToEnd, StartUpLinesOfTheProgramAndItsTestMode) {
  std::string allDead;
  for (int i = 1; i <= 6; ++i) allDead += "[mirror " + std::to_string(i) + "]\nstatus = 404\n";
  allDead += "[cdn]\nstatus = 404\n";
  ServeMirrors(allDead);
  const std::string systemMode = x64_ ? "System Mode : x64" : "System Mode : x86";

  Install();
  std::vector<std::string> lines = LinesOfLastRun(Log());
  ASSERT_GE(lines.size(), 4u) << Log();
  EXPECT_EQ(lines[0], "Init Log OK.");
  EXPECT_EQ(lines[1], "Setup Init. Version 1.0.6.0");
  EXPECT_EQ(lines[2], systemMode);
  EXPECT_EQ(Log().find("Test Mode : true"), std::string::npos) << "test mode only when the debug file asks for it";

  // The debug file turns test mode on: its line, with the empty line its own line feed
  // makes, and the ".test" mark after the address the download logs.
  WriteFile(home() / "Documents/VexDebugConfig.ini", "[root]\nsetup_test_mode=1\n");
  Install();
  lines = LinesOfLastRun(Log());
  ASSERT_GE(lines.size(), 6u) << Log();
  EXPECT_EQ(lines[1], "Setup Init. Version 1.0.6.0");
  EXPECT_EQ(lines[2], systemMode);
  EXPECT_EQ(lines[3], "Test Mode : true");
  EXPECT_EQ(lines[4], "");
  // The profiles name no address, so the line holds the mark alone.
  const bool markedUrl = std::find(lines.begin(), lines.end(), "Url : .test") != lines.end();
  EXPECT_TRUE(markedUrl) << Log();
}

}  // namespace
