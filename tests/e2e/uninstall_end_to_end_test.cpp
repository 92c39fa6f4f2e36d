#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "base/install_log.h"
#include "base/texts/ui_texts.h"
#include "external/vendor_config.h"
#include "install/package_reader.h"
#include "install/shortcuts.h"
#include "install/uninstall_registration.h"
#include "platform/process.h"
#include "platform/text.h"
#include "sandbox.h"

using namespace base;
using namespace install;

namespace {

namespace fs = std::filesystem;
using testing_support::Sandbox;

constexpr char kUninstallKey[] = "HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
constexpr int kRunLimitMs = 120000;  // bounds a failing run only
constexpr uid_t kNobody = 65534;

std::string Program(const char* variable) {
  const char* path = std::getenv(variable);
  return path ? path : "";
}

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

// Runs a command line the way the desktop's list of programs would; the exit code.
std::optional<int> RunCommandLine(const std::string& commandLine) {
  platform::ProcessStart start;
  start.arguments = platform::CommandLineToArgv(commandLine);
  if (start.arguments.empty()) return std::nullopt;
  start.program = start.arguments[0];
  return platform::RunAndWait(start, kRunLimitMs);
}

std::optional<int> RunProgram(std::vector<std::string> arguments) {
  platform::ProcessStart start;
  start.program = arguments[0];
  start.arguments = std::move(arguments);
  return platform::RunAndWait(start, kRunLimitMs);
}

// A value of the uninstall entry as corvex-reg shows it; empty when the entry is gone.
std::string RegisteredValue(const std::string& name, const std::string& entry = "Corvex 11(x64)") {
  const std::string command =
      "'" + Program("CORVEX_REG_PROGRAM") + "' query '" + kUninstallKey + entry + "' /v " + name + " 2>/dev/null";
  FILE* pipe = ::popen(command.c_str(), "r");
  if (!pipe) return {};
  std::string output;
  char buffer[512];
  while (std::fgets(buffer, sizeof buffer, pipe)) output += buffer;
  ::pclose(pipe);
  const std::string marker = "REG_SZ    ";
  const size_t at = output.find(marker);
  if (at == std::string::npos) return {};
  const size_t end = output.find('\n', at);
  return output.substr(at + marker.size(), end == std::string::npos ? std::string::npos : end - at - marker.size());
}

// A 64-bit package built by corvex-pack around the real setup program as its
// uninstaller, unpacked, linked and registered by the install engines.
class UninstallEndToEndTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_FALSE(Program("CORVEX_SETUP_PROGRAM").empty());
    GetLog()->Init(platform::NarrowToWide(sandbox.root() + "/test.log"));
    SetLanguage(L"Corvex 11", 0x0409, HostNameOf(GetVendorConfig().webSite));
    for (const char* folder : {"/Desktop", "/.local/share/applications", "/Documents", "/.config/Corvex 11"})
      fs::create_directories(sandbox.home() + folder);
    fs::create_directories(sandbox.root() + "/usr/local/share/applications");
    Sandbox::WriteFile(sandbox.home() + "/.config/Corvex 11/settings.ini", "[ui]\n");
    Sandbox::WriteFile(userFile, "my notes");
    ::setenv("CORVEX_STUB_LOG", stubLog.c_str(), 1);
    ::setenv("CORVEX_STUB_MS", "50", 1);

    const std::string payload = sandbox.root() + "/payload";
    fs::create_directories(payload + "/docs");
    fs::copy_file(Program("CORVEX_PRODUCT_STUB"), payload + "/Corvex64.exe");
    Sandbox::WriteFile(payload + "/docs/README.txt", "Corvex 11");
    Pack("Corvex 11");
  }
  // The package, around the payload made in SetUp, for the product named `keyName`.
  void Pack(const std::string& keyName) {
    ASSERT_EQ(RunProgram({Program("CORVEX_PACK_PROGRAM"), "--payload", sandbox.root() + "/payload", "--uninstaller",
                          Program("CORVEX_SETUP_PROGRAM"), "--output", package, "--level", "0", "--product-key-name",
                          keyName, "--display-name", "Corvex 11 (x64)", "--x64"}),
              0);
  }
  void TearDown() override {
    ::unsetenv("CORVEX_STUB_LOG");
    ::unsetenv("CORVEX_STUB_MS");
  }

  void Install() {
    const std::wstring folder = platform::NarrowToWide(install);
    ASSERT_EQ(
        UnpackSetupPackage(
            platform::NarrowToWide(package).c_str(), [](int, unsigned, long) { return 1; }, folder.c_str(), true, true),
        S_OK);
    CreateProductShortcuts(folder, true, "1.0.0.1", true);
    PackageInfo info = EmptyPackageInfo();
    ASSERT_EQ(ReadPackageInfo(platform::NarrowToWide(package).c_str(), &info), S_OK);
    WriteUninstallEntry(info, folder, 3, false);
    ASSERT_TRUE(Exists(install + "/uninstall.exe"));
    ASSERT_TRUE(Exists(desktopLink));
    ASSERT_TRUE(Exists(userMenu));
  }

  void ExpectRemoved() {
    EXPECT_FALSE(Exists(install));
    EXPECT_FALSE(Exists(desktopLink));
    EXPECT_FALSE(Exists(sandbox.home() + "/Desktop/Corvex 11 Mini (x64).desktop"));
    EXPECT_FALSE(Exists(userMenu));
    EXPECT_FALSE(Exists(sandbox.root() + "/usr/local/share/applications/Corvex 11 (x64)"));
    EXPECT_EQ(RegisteredValue("InstallLocation"), "");
    EXPECT_EQ(Sandbox::ReadFile(userFile), "my notes");
    EXPECT_TRUE(Exists(sandbox.home() + "/.config/Corvex 11/settings.ini"));  // kept by default
    EXPECT_EQ(Sandbox::ReadFile(stubLog), "Corvex64.exe\t/uninstall\n");
  }

  std::string InstallLog() { return Sandbox::ReadFile(sandbox.documents() + "/Corvex11/Log/install.log"); }

  Sandbox sandbox;
  std::string package = sandbox.root() + "/Corvex11_x64.exe";
  std::string install = sandbox.root() + "/opt/Corvex 11";
  std::string userFile = sandbox.home() + "/Documents/notes.txt";
  std::string stubLog = sandbox.root() + "/stub.log";
  std::string desktopLink = sandbox.home() + "/Desktop/Corvex 11 (x64).desktop";
  std::string userMenu = sandbox.home() + "/.local/share/applications/Corvex 11 (x64)";
};

TEST_F(UninstallEndToEndTest, RegisteredCommandsRemoveTheProduct) {
  Install();
  // The quiet command as registered; the uninstaller is started from its own folder.
  const std::string quiet = RegisteredValue("QuietUninstallString");
  EXPECT_EQ(quiet, "\"" + install + "/uninstall.exe\" /SILENT");
  EXPECT_EQ(RunCommandLine(quiet), 0);
  ExpectRemoved();
  EXPECT_NE(InstallLog().find("Uninstall target : folder (" + install + ") from the uninstaller's folder"),
            std::string::npos);
  EXPECT_NE(InstallLog().find("Uninstall work SUCCEE."), std::string::npos);

  // Again, with the plain command and --silent.
  ::unlink(stubLog.c_str());
  Install();
  const std::string plain = RegisteredValue("UninstallString");
  EXPECT_EQ(plain, "\"" + install + "/uninstall.exe\"");
  EXPECT_EQ(RunCommandLine(plain + " --silent"), 0);
  ExpectRemoved();
}

TEST_F(UninstallEndToEndTest, SetupProgramFindsTheRegisteredInstallAndRefusesForeignFolders) {
  Install();
  // A folder that is not an installation: nothing happens, and the exit code says so.
  EXPECT_EQ(RunProgram({Program("CORVEX_SETUP_PROGRAM"), "--uninstall", "--silent", "--path", sandbox.home()}), 1);
  EXPECT_EQ(RunProgram({Program("CORVEX_SETUP_PROGRAM"), "--uninstall", "--silent", "--path", "/"}), 1);
  EXPECT_TRUE(Exists(install + "/docs/README.txt"));
  EXPECT_TRUE(Exists(desktopLink));
  EXPECT_EQ(RegisteredValue("InstallLocation"), install);
  EXPECT_EQ(Sandbox::ReadFile(userFile), "my notes");
  EXPECT_NE(InstallLog().find("is refused, nothing is removed: it is the root folder."), std::string::npos);

  // Without a folder it takes the registered one.
  EXPECT_EQ(RunProgram({Program("CORVEX_SETUP_PROGRAM"), "--uninstall", "--silent"}), 0);
  ExpectRemoved();
  EXPECT_NE(InstallLog().find("from the uninstall entry"), std::string::npos);

  // Nothing left to remove.
  EXPECT_EQ(RunProgram({Program("CORVEX_SETUP_PROGRAM"), "--uninstall", "--silent"}), 1);
}

TEST_F(UninstallEndToEndTest, AStrayUninstallerOrAFolderOfAnotherUserIsKept) {
  Install();
  const auto uninstallPath = [&](const std::string& folder) {
    return RunProgram({Program("CORVEX_SETUP_PROGRAM"), "--uninstall", "--silent", "--path", folder});
  };
  // An uninstaller in a folder the entry does not name.
  const std::string stray = sandbox.root() + "/opt/Stray";
  fs::create_directories(stray);
  Sandbox::WriteFile(stray + "/uninstall.exe", "program");
  Sandbox::WriteFile(stray + "/data.txt", "theirs");
  EXPECT_EQ(uninstallPath(stray), 1);
  EXPECT_EQ(Sandbox::ReadFile(stray + "/data.txt"), "theirs");
  EXPECT_NE(InstallLog().find("(" + stray +
                              ") is refused, nothing is removed: it is not this product's registered "
                              "install folder holding its own uninstall.exe."),
            std::string::npos)
      << InstallLog();

  // The registered folder, but with an uninstaller another user put there.
  const std::string uninstaller = install + "/uninstall.exe";
  ASSERT_EQ(::chown(uninstaller.c_str(), kNobody, kNobody), 0);
  EXPECT_EQ(uninstallPath(install), 1);
  EXPECT_TRUE(Exists(install + "/docs/README.txt"));
  ASSERT_EQ(::chown(uninstaller.c_str(), 0, 0), 0);

  // The registered folder, but another user's.
  ASSERT_EQ(::chown(install.c_str(), kNobody, kNobody), 0);
  EXPECT_EQ(uninstallPath(install), 1);
  EXPECT_TRUE(Exists(install + "/docs/README.txt"));
  EXPECT_TRUE(Exists(desktopLink));
  EXPECT_EQ(RegisteredValue("InstallLocation"), install);
  EXPECT_NE(InstallLog().find("(" + install + ") is not trusted: it belongs to another user."), std::string::npos)
      << InstallLog();

  ASSERT_EQ(::chown(install.c_str(), 0, 0), 0);
  EXPECT_EQ(uninstallPath(install), 0);
  ExpectRemoved();
}

// The uninstaller reads the package's own names from its sidecar: a product packed as
// "Corvex 11 Test" removes that entry, not the one the built-in profile would name.
TEST_F(UninstallEndToEndTest, APackagesOwnProductNameNamesTheEntryRemoved) {
  Pack("Corvex 11 Test");
  Install();
  ASSERT_EQ(RegisteredValue("InstallLocation", "Corvex 11 Test(x64)"), install);
  ASSERT_EQ(RegisteredValue("InstallLocation"), "") << "no entry under the profile's name";
  EXPECT_EQ(RunCommandLine(RegisteredValue("QuietUninstallString", "Corvex 11 Test(x64)")), 0) << InstallLog();
  EXPECT_EQ(RegisteredValue("InstallLocation", "Corvex 11 Test(x64)"), "") << InstallLog();
  EXPECT_FALSE(Exists(install));
}

}  // namespace
