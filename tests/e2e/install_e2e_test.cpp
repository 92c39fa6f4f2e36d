// The installer as a user's machine runs it, with real processes: corvex-devserver
// serves a freshly packed product as the six mirrors (one of them faulty) and the
// CDN on a free port and answers the vendor endpoints; corvex-online-setup --silent
// installs it into a sandbox root on the headless backend.
#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "tests/common/devserver_process.h"
#include "tests/common/sandbox.h"

namespace fs = std::filesystem;

namespace {

const std::string kBinaryDir = std::getenv("CORVEX_BINARY_DIR") ? std::getenv("CORVEX_BINARY_DIR") : ".";

bool IsX64Machine() {
  utsname name{};
  ::uname(&name);
  const std::string machine = name.machine;
  return machine == "x86_64" || machine == "aarch64" || machine == "ppc64le" || machine == "s390x";
}

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

struct ProgramRun {
  int exitCode = -1;
  std::string output;
};

ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::pair<std::string, std::string>>& env = {}) {
  platform::ChildProcessRequest request;
  request.program = program;
  request.argv.push_back(program);
  request.argv.insert(request.argv.end(), args.begin(), args.end());
  request.extraEnv = env;
  ProgramRun run;
  request.onLine = [&run](platform::ChildStream, std::string_view line) {
    run.output.append(line);
    run.output += '\n';
  };
  const platform::ChildProcessResult result = platform::RunChildProcess(request);
  run.exitCode = result.outcome == platform::ChildOutcome::Exited ? result.exitCode : 128 + result.signal;
  return run;
}

// One machine: a sandbox root with its own home, a packed product served by the
// devserver, and the installer pointed at both.
class InstallEndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    x64_ = IsX64Machine();
    packageName_ = x64_ ? "Corvex11_x64.exe" : "Corvex11_x86.exe";
    entryName_ = x64_ ? "Corvex 11(x64)" : "Corvex 11";
    // What every desktop machine has: the user's desktop and data folders, the
    // system's shared data folder.
    for (const fs::path& dir : {root() / "usr/local/share", home() / "Desktop", home() / ".local/share"}) {
      fs::create_directories(dir);
    }
    MakePackage();
  }

  fs::path root() const { return folder_ / "root"; }
  fs::path home() const { return folder_ / "home"; }
  fs::path installFolder() const { return root() / "opt" / "Corvex 11"; }
  fs::path reportLog() const { return folder_ / "reports.log"; }
  fs::path installLog() const { return home() / "Documents/Corvex11/Log/install.log"; }
  fs::path downloadedPackage() const { return home() / "Downloads/Corvex 11" / (packageName_.substr(0, 12) + "(11.0.9.2).exe"); }

  void MakePackage() {
    const fs::path payload = folder_ / "payload";
    fs::create_directories(payload);
    const std::string stub = kBinaryDir + "/tools/product-stub/product-stub";
    for (const char* name : {"Corvex64.exe", "Corvex.exe", "VexRepair.exe"}) {
      fs::copy_file(stub, payload / name, fs::copy_options::overwrite_existing);
    }
    // Three 1 MiB blocks at least, so that a corrupt block has good ones around it.
    std::string filler(3 * 1024 * 1024 + 12345, '\0');
    for (size_t i = 0; i < filler.size(); ++i) filler[i] = static_cast<char>((i * 2654435761u) >> 13);
    WriteFile(payload / "data.bin", filler);
    WriteFile(payload / "README.txt", "Corvex 11\n");
    package_ = folder_ / "www" / packageName_;
    fs::create_directories(package_.parent_path());
    std::vector<std::string> args = {"--payload", payload.string(), "--uninstaller",
                                     kBinaryDir + "/app/corvex-online-setup", "--output", package_.string(),
                                     "--level", "0", "--product-key-name", "Corvex 11", "--display-name",
                                     x64_ ? "Corvex 11 (x64)" : "Corvex 11", "--version", "11.0.9.2",
                                     "--short-name", "Corvex", "--release-date", "2020-06-16", "--web-address",
                                     "http://127.0.0.1/corvex11/", "--publisher", "Corvex Software Inc."};
    if (x64_) args.push_back("--x64");
    const ProgramRun pack = RunProgram(kBinaryDir + "/tools/corvex-pack/corvex-pack", args);
    ASSERT_EQ(pack.exitCode, 0) << pack.output;
  }

  // Starts the devserver with `mirrors` (the scenario's mirror sections) and writes
  // the manifest and vendor configuration the installer is to use.
  void ServeMirrors(const std::string& mirrors) {
    server_ = std::make_unique<testing_support::DevserverProcess>();
    ASSERT_TRUE(server_->StartMirrors(mirrors, package_.string(),
                                      {"--vendor", "127.0.0.1:0", "--report-log", reportLog().string(), "--quiet"}))
        << "corvex-devserver did not start:\n" << server_->Output();
    std::vector<std::string> args = {"--package", package_.string(), "--stem", "corvex11", "--version", "11.0.9.2",
                                     "--url-name", packageName_, "--output",
                                     (folder_ / "resources/xml" / (x64_ ? "502" : "501")).string()};
    if (x64_) args.push_back("--x64");
    for (std::size_t mirror = 0; mirror < 7; ++mirror) args.insert(args.end(), {"--mirror", server_->MirrorBase(mirror)});
    fs::create_directories(folder_ / "resources/xml");
    const ProgramRun manifest = RunProgram(kBinaryDir + "/tools/corvex-manifest/corvex-manifest", args);
    ASSERT_EQ(manifest.exitCode, 0) << manifest.output;
    const std::string vendor = server_->VendorBase();
    WriteFile(folder_ / "vendor.conf", "web_site=" + vendor + "\nstatistics_host=" + vendor + "\ncrash_host=" +
                                           vendor + "\n");
  }

  ProgramRun Install(const std::vector<std::string>& extraArgs = {}) {
    std::vector<std::string> args = {"--silent"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    return RunProgram(kBinaryDir + "/app/corvex-online-setup", args,
                      {{"CORVEX_SYSROOT", root().string()},
                       {"HOME", home().string()},
                       {"DISPLAY", ""},
                       {"WAYLAND_DISPLAY", ""},
                       {"CORVEX_RESOURCE_OVERRIDE", (folder_ / "resources").string()},
                       {"CORVEX_VENDOR_CONFIG", (folder_ / "vendor.conf").string()},
                       {"CORVEX_CRASH_HOST", server_->VendorBase()},
                       {"CORVEX_STUB_MS", "200"},
                       {"BROWSER", "true"},
                       {"XDG_CONFIG_HOME", ""},
                       {"XDG_DATA_HOME", ""},
                       {"XDG_STATE_HOME", ""}});
  }

  std::string RegQuery() {
    return RunProgram(kBinaryDir + "/tools/corvex-reg/corvex-reg",
                      {"query", "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + entryName_},
                      {{"CORVEX_SYSROOT", root().string()}, {"HOME", home().string()}})
        .output;
  }

  std::string Log() const { return ReadFile(installLog()); }

  testing_support::TempFolder temp_{"corvex-e2e"};
  fs::path folder_ = temp_.Path();
  bool x64_ = true;
  std::string packageName_;
  std::string entryName_;
  fs::path package_;
  std::unique_ptr<testing_support::DevserverProcess> server_;
};

constexpr char kOneFaultyMirror[] =
    "[mirror 1]\n[mirror 2]\ncorrupt_block = 1\n[mirror 3]\n[mirror 4]\n[mirror 5]\n[mirror 6]\n[cdn]\n";

// "/install ... /ID:<32 lower-case hex> ": std::regex is avoided, GCC 12 warns inside it in sanitizer builds.
bool HasInstallModeId(const std::string& text) {
  const size_t install = text.find("/install");
  if (install == std::string::npos) return false;
  for (size_t id = text.find("/ID:", install); id != std::string::npos; id = text.find("/ID:", id + 1)) {
    const size_t digits = id + 4;
    if (text.size() < digits + 33) continue;
    bool hex = true;
    for (size_t i = digits; i < digits + 32; ++i) hex = hex && (std::isdigit(static_cast<unsigned char>(text[i])) || (text[i] >= 'a' && text[i] <= 'f'));
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
  for (const char* step : {"\\\"start\\\"", "step_download", "step_read_info", "step_insatll_begin",
                           "step_insatll_end", "step_create_short", "step_run_repair", "step_run_app",
                           "step_install_finish"}) {
    EXPECT_NE(reports.find(step), std::string::npos) << step << "\n" << reports;
  }
  EXPECT_NE(reports.find("step_close"), std::string::npos) << reports;

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
  EXPECT_NE(run.exitCode, 0) << "a refused install is not a success";
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
  EXPECT_NE(run.exitCode, 0);
  const std::string log = Log();
  EXPECT_NE(log.find("Download Failed. Show retry."), std::string::npos) << log;
  EXPECT_FALSE(fs::exists(installFolder() / "uninstall.exe"));
  EXPECT_EQ(RegQuery().find("InstallLocation"), std::string::npos);
}

}  // namespace
