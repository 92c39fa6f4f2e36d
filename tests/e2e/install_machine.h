// One user's machine for the installer's end-to-end tests: a sandbox root with its
// own home, a freshly packed product served by corvex-devserver as the mirrors, and
// corvex-online-setup run against both as a real process.
#pragma once

#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/child_process.h"
#include "tests/common/devserver_process.h"
#include "tests/common/sandbox.h"

namespace e2e {

namespace fs = std::filesystem;

inline const std::string kBinaryDir = std::getenv("CORVEX_BINARY_DIR") ? std::getenv("CORVEX_BINARY_DIR") : ".";

inline bool IsX64Machine() {
  utsname name{};
  ::uname(&name);
  const std::string machine = name.machine;
  return machine == "x86_64" || machine == "aarch64" || machine == "ppc64le" || machine == "s390x";
}

inline std::string ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

struct ProgramRun {
  int exitCode = -1;
  std::string output;
};

inline ProgramRun RunProgram(const std::string& program, const std::vector<std::string>& args,
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
  fs::path downloadedPackage() const {
    return home() / "Downloads/Corvex 11" / (packageName_.substr(0, 12) + "(11.0.9.2).exe");
  }

  // `bigZeros`: a payload that packs small and unpacks large, for a disk that fills
  // during the unpack; the package is then compressed.
  void MakePackage(std::size_t bigZeros = 0) {
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
    if (bigZeros > 0) WriteFile(payload / "zeros.bin", std::string(bigZeros, '\0'));
    package_ = folder_ / "www" / packageName_;
    fs::create_directories(package_.parent_path());
    std::vector<std::string> args = {"--payload",
                                     payload.string(),
                                     "--uninstaller",
                                     kBinaryDir + "/app/corvex-online-setup",
                                     "--output",
                                     package_.string(),
                                     "--level",
                                     bigZeros > 0 ? "5" : "0",
                                     "--product-key-name",
                                     "Corvex 11",
                                     "--display-name",
                                     x64_ ? "Corvex 11 (x64)" : "Corvex 11",
                                     "--version",
                                     "11.0.9.2",
                                     "--short-name",
                                     "Corvex",
                                     "--release-date",
                                     "2020-06-16",
                                     "--web-address",
                                     "http://127.0.0.1/corvex11/",
                                     "--publisher",
                                     "Corvex Software Inc."};
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
        << "corvex-devserver did not start:\n"
        << server_->Output();
    std::vector<std::string> args = {"--package",  package_.string(),
                                     "--stem",     "corvex11",
                                     "--version",  "11.0.9.2",
                                     "--url-name", packageName_,
                                     "--output",   (folder_ / "resources/xml" / (x64_ ? "502" : "501")).string()};
    if (x64_) args.push_back("--x64");
    for (std::size_t mirror = 0; mirror < 7; ++mirror)
      args.insert(args.end(), {"--mirror", server_->MirrorBase(mirror)});
    fs::create_directories(folder_ / "resources/xml");
    const ProgramRun manifest = RunProgram(kBinaryDir + "/tools/corvex-manifest/corvex-manifest", args);
    ASSERT_EQ(manifest.exitCode, 0) << manifest.output;
    const std::string vendor = server_->VendorBase();
    WriteFile(folder_ / "vendor.conf",
              "web_site=" + vendor + "\nstatistics_host=" + vendor + "\ncrash_host=" + vendor + "\n");
  }

  ProgramRun Install(const std::vector<std::string>& extraArgs = {}) {
    std::vector<std::string> args = {"--silent"};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    return RunProgram(SetupProgram(), args, Environment());
  }

  static std::string SetupProgram() { return kBinaryDir + "/app/corvex-online-setup"; }

  // Runs `script` with sh in a private mount namespace, with the installer's
  // environment and $SETUP, $ROOT, $HOME_DIR and $LOG set: for read-only and small
  // file systems and for signals at a chosen moment.
  ProgramRun InstallUnderScript(const std::string& script,
                                std::vector<std::pair<std::string, std::string>> extraEnv = {}) {
    std::vector<std::pair<std::string, std::string>> env = Environment();
    env.insert(env.end(), {{"SETUP", SetupProgram()},
                           {"ROOT", root().string()},
                           {"HOME_DIR", home().string()},
                           {"LOG", installLog().string()}});
    env.insert(env.end(), extraEnv.begin(), extraEnv.end());
    return RunProgram("/usr/bin/unshare", {"-m", "--propagation", "private", "/bin/sh", "-c", script}, env);
  }

  std::vector<std::pair<std::string, std::string>> Environment() {
    // Before any mirrors are served, crash reports go nowhere.
    const std::string crashHost = server_ ? server_->VendorBase() : "http://127.0.0.1:9";
    return {{"CORVEX_SYSROOT", root().string()},
            {"HOME", home().string()},
            {"DISPLAY", ""},
            {"WAYLAND_DISPLAY", ""},
            {"CORVEX_RESOURCE_OVERRIDE", (folder_ / "resources").string()},
            {"CORVEX_VENDOR_CONFIG", (folder_ / "vendor.conf").string()},
            {"CORVEX_CRASH_HOST", crashHost},
            {"CORVEX_STUB_MS", "200"},
            {"BROWSER", "true"},
            {"XDG_CONFIG_HOME", ""},
            {"XDG_DATA_HOME", ""},
            {"XDG_STATE_HOME", ""}};
  }

  std::string RegQuery() {
    return RunProgram(kBinaryDir + "/tools/corvex-reg/corvex-reg",
                      {"query", "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + entryName_},
                      {{"CORVEX_SYSROOT", root().string()}, {"HOME", home().string()}})
        .output;
  }

  std::string Log() const { return ReadFile(installLog()); }
  std::string Reports() const { return ReadFile(reportLog()); }

  // Every file below `top` with its bytes, links as their targets; for "exactly as before".
  static std::map<std::string, std::string> TreeOf(const fs::path& top) {
    std::map<std::string, std::string> tree;
    std::error_code error;
    if (!fs::exists(top, error)) return tree;
    for (const auto& entry : fs::recursive_directory_iterator(top, error)) {
      const std::string name = fs::relative(entry.path(), top).string();
      if (entry.is_symlink())
        tree[name] = "-> " + fs::read_symlink(entry.path()).string();
      else if (entry.is_regular_file())
        tree[name] = ReadFile(entry.path());
      else
        tree[name + "/"] = "";
    }
    return tree;
  }

  // Every desktop entry of the machine, with its content.
  std::map<std::string, std::string> DesktopEntries() const {
    std::map<std::string, std::string> entries;
    for (const fs::path& top : {root(), home()}) {
      std::error_code error;
      for (const auto& file : fs::recursive_directory_iterator(top, error)) {
        if (file.path().extension() == ".desktop") entries[file.path().string()] = ReadFile(file.path());
      }
    }
    return entries;
  }

  // Fresh or previous folders of an install left beside the install folder.
  std::vector<std::string> LeftoversBesideInstallFolder() const {
    std::vector<std::string> left;
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(installFolder().parent_path(), error)) {
      const std::string name = entry.path().filename().string();
      if (name.rfind("Corvex 11.", 0) == 0) left.push_back(name);
    }
    return left;
  }

  testing_support::TempFolder temp_{"corvex-e2e"};
  fs::path folder_ = temp_.Path();
  bool x64_ = true;
  std::string packageName_;
  std::string entryName_;
  fs::path package_;
  std::unique_ptr<testing_support::DevserverProcess> server_;
};

// Whether a report the vendor received carries "key":"value".
inline bool ReportCarries(const std::string& reports, const std::string& key, const std::string& value) {
  return reports.find("\\\"" + key + "\\\":\\\"" + value + "\\\"") != std::string::npos;
}

inline constexpr char kOneFaultyMirror[] =
    "[mirror 1]\n[mirror 2]\ncorrupt_block = 1\n[mirror 3]\n[mirror 4]\n[mirror 5]\n[mirror 6]\n[cdn]\n";
inline constexpr char kGoodMirrors[] =
    "[mirror 1]\n[mirror 2]\n[mirror 3]\n[mirror 4]\n[mirror 5]\n[mirror 6]\n[cdn]\n";

}  // namespace e2e
