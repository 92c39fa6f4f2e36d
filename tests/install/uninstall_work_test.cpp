#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "install/shortcuts.h"
#include "install/uninstall_registration.h"
#include "install/uninstall_work.h"
#include "private_mounts.h"
#include "system_test_support.h"

using namespace base;
using namespace install;

namespace {

using system_test::KeyExists;
using system_test::MakeFolders;
using testing_support::Sandbox;

constexpr char kUninstallKeyBase[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

PackageInfo MakeInfo(bool is64) {
  PackageInfo info = EmptyPackageInfo();
  SetPackageInfoText(info.productKeyName, "Corvex 11");
  SetPackageInfoText(info.displayName, "Corvex 11");
  SetPackageInfoText(info.version, "1.0.0.1");
  SetPackageInfoText(info.releaseDate, "2020-06-16");
  info.is64Bit = is64 ? 1 : 0;
  return info;
}

// An installed product in the sandbox: its folder, the shortcut set, the entry and the
// user's configurations, as the install sequence leaves them.
class UninstallWorkTest : public ::testing::Test {
 protected:
  void Install(bool is64, bool withMainProgram, const std::string& mainBody = "") {
    MakeFolders(install);
    MakeFolders(sandbox.home() + "/Desktop");
    MakeFolders(sandbox.home() + "/.local/share/applications");
    MakeFolders(sandbox.root() + "/usr/local/share/applications");
    MakeFolders(configuration);
    Sandbox::WriteFile(configuration + "/settings.ini", "[ui]\n");
    Sandbox::WriteFile(install + "/uninstall.exe", "program");
    Sandbox::WriteFile(install + "/data.bin", "payload");
    if (withMainProgram) {
      const std::string program = install + (is64 ? "/Corvex64.exe" : "/Corvex.exe");
      Sandbox::WriteFile(program, "#!/bin/sh\n" + (mainBody.empty() ? "echo \"$@\" > '" + mainArgs + "'\n" : mainBody));
      ::chmod(program.c_str(), 0755);
    }
    CreateProductShortcuts(std::wstring(install.begin(), install.end()), is64, "1.0.0.1", true);
    WriteUninstallEntry(MakeInfo(is64), std::wstring(install.begin(), install.end()), 3, false);
  }

  UninstallResult Run(bool is64, bool keep, std::string folder, int waitMs = kMainProgramCleanupWaitMs) {
    UninstallRequest request;
    request.installFolder = std::move(folder);
    request.productKeyName = "Corvex 11";
    request.is64Bit = is64;
    request.keepConfigurations = keep;
    request.mainProgramWaitMs = waitMs;
    events.clear();
    return UninstallWork(request, ReceiveDecoded<UninstallEvent>([this](UninstallEvent event, unsigned value, long) {
                           events.emplace_back(event, value);
                           return 1;
                         }));
  }

  std::string Log() { return Sandbox::ReadFile(log); }

  Sandbox sandbox;
  std::string log = system_test::StartLog(sandbox);
  std::string install = sandbox.root() + "/opt/Corvex 11";
  std::string configuration = sandbox.home() + "/.config/Corvex 11";
  std::string mainArgs = sandbox.root() + "/main-args";
  std::string desktop = sandbox.home() + "/Desktop/";
  std::string userMenu = sandbox.home() + "/.local/share/applications/";
  std::string commonMenu = sandbox.root() + "/usr/local/share/applications/";
  std::string quickLaunch = sandbox.home() + "/.config/Microsoft/Internet Explorer/Quick Launch/";
  std::string pinned = quickLaunch + "User Pinned/TaskBar/";
  std::vector<std::pair<UninstallEvent, unsigned>> events;  // (event, value)
};

TEST_F(UninstallWorkTest, KeepBoxDecidesTheMainProgramsParameterAndTheConfigurations) {
  for (const bool keep : {true, false}) {
    SCOPED_TRACE(keep ? "kept" : "not kept");
    ::unlink(mainArgs.c_str());
    Install(false, true);
    ASSERT_TRUE(Exists(desktop + "Corvex 11.desktop"));
    ASSERT_TRUE(Exists(userMenu + "Corvex 11"));
    // Entries the user dragged to the Quick Launch bar and pinned to the task bar.
    for (const std::string& bar : {quickLaunch, pinned}) {
      MakeFolders(bar);
      for (const char* name : {"Corvex 11.desktop", "Corvex 11 Mini.desktop", "Other.desktop"}) {
        Sandbox::WriteFile(bar + name, "[Desktop Entry]\n");
      }
    }

    const UninstallResult result = Run(false, keep, install);
    for (const std::string& bar : {quickLaunch, pinned}) {
      EXPECT_FALSE(Exists(bar + "Corvex 11.desktop")) << bar;
      EXPECT_FALSE(Exists(bar + "Corvex 11 Mini.desktop")) << bar;
      EXPECT_TRUE(Exists(bar + "Other.desktop")) << "another program's entry stays in " << bar;
    }
    EXPECT_EQ(result.outcome, UninstallOutcome::kRemoved);
    EXPECT_EQ(Sandbox::ReadFile(mainArgs), keep ? "/uninstall\n" : "/full_uninstall\n");
    EXPECT_EQ(Exists(configuration + "/settings.ini"), keep);
    EXPECT_FALSE(Exists(install));
    EXPECT_FALSE(Exists(desktop + "Corvex 11.desktop"));
    EXPECT_FALSE(Exists(desktop + "Corvex 11 Mini.desktop"));
    EXPECT_FALSE(Exists(userMenu + "Corvex 11"));
    EXPECT_FALSE(Exists(commonMenu + "Corvex 11"));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kUninstallKeyBase) + "Corvex 11"));
    using Sent = std::vector<std::pair<UninstallEvent, unsigned>>;
    EXPECT_EQ(events, (Sent{{kUninstallEventStart, 0},
                            {kUninstallEventProgress, 0},
                            {kUninstallEventProgress, 30},
                            {kUninstallEventProgress, 60},
                            {kUninstallEventProgress, 80},
                            {kUninstallEventDone, 0},
                            {kUninstallEventDone, 0},
                            {kUninstallEventDone, 0}}));
  }
  const std::string text = Log();
  size_t at = 0;
  for (const char* line : {"Begin Uninstall Work. x64mode = false", "Begin delete file.(", "End delete file.",
                           "End delete Icon.", "RefreshIcons.", "End Remove AppConfig.",
                           "End DeleteUninstallItem. szProgram(Corvex 11)", "Uninstall work SUCCEE."}) {
    at = text.find(line, at);
    EXPECT_NE(at, std::string::npos) << "missing or out of order: " << line << "\n" << text;
  }
}

TEST_F(UninstallWorkTest, SixtyFourBitNamesWithoutAMainProgram) {
  Install(true, false);
  // A 32-bit set beside it is another product's and stays.
  Sandbox::WriteFile(desktop + "Corvex 11.desktop", "[Desktop Entry]\n");
  ASSERT_TRUE(Exists(desktop + "Corvex 11 (x64).desktop"));
  ASSERT_TRUE(Exists(userMenu + "Corvex 11 (x64)"));

  EXPECT_EQ(Run(true, false, install).outcome, UninstallOutcome::kRemoved);
  EXPECT_FALSE(Exists(mainArgs));  // nothing was started
  EXPECT_FALSE(Exists(install));
  EXPECT_FALSE(Exists(desktop + "Corvex 11 (x64).desktop"));
  EXPECT_FALSE(Exists(desktop + "Corvex 11 Mini (x64).desktop"));
  EXPECT_FALSE(Exists(userMenu + "Corvex 11 (x64)"));
  EXPECT_TRUE(Exists(desktop + "Corvex 11.desktop"));
  EXPECT_FALSE(Exists(configuration));  // the configuration folder has no "(x64)"
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kUninstallKeyBase) + "Corvex 11(x64)"));
  EXPECT_NE(Log().find("End DeleteUninstallItem. szProgram(Corvex 11(x64))"), std::string::npos);
  EXPECT_NE(Log().find("x64mode = true"), std::string::npos);
}

TEST_F(UninstallWorkTest, RefusedFoldersKeepEveryFileAndTheEntry) {
  Install(false, true);
  const std::string planted = sandbox.home() + "/Documents/thesis.txt";
  MakeFolders(sandbox.home() + "/Documents");
  Sandbox::WriteFile(planted, "mine");
  const std::string foreign = sandbox.root() + "/opt/Other";
  MakeFolders(foreign);
  Sandbox::WriteFile(foreign + "/keep.txt", "theirs");
  const std::string linkToInstall = sandbox.root() + "/opt/Corvex link";
  ASSERT_EQ(::symlink(install.c_str(), linkToInstall.c_str()), 0);
  Sandbox::WriteFile(sandbox.home() + "/uninstall.exe", "program");

  const std::pair<std::string, FolderVerdict> cases[] = {
      {"", FolderVerdict::kEmptyPath},
      {"/", FolderVerdict::kRootFolder},
      {sandbox.home(), FolderVerdict::kHomeFolder},
      {sandbox.root() + "/usr", FolderVerdict::kSystemFolder},
      {foreign, FolderVerdict::kNotProductInstall},
      {linkToInstall, FolderVerdict::kNotTrusted},
  };
  for (const auto& [folder, verdict] : cases) {
    const UninstallResult result = Run(false, false, folder);
    EXPECT_EQ(result.outcome, UninstallOutcome::kRefused) << folder;
    EXPECT_EQ(result.verdict, verdict) << folder;
    const std::pair<UninstallEvent, unsigned> refused{kUninstallEventFailed,
                                                      static_cast<unsigned>(UninstallOutcome::kRefused)};
    EXPECT_EQ(events, (std::vector<std::pair<UninstallEvent, unsigned>>{refused})) << folder;
  }
  EXPECT_EQ(Sandbox::ReadFile(planted), "mine");
  EXPECT_EQ(Sandbox::ReadFile(foreign + "/keep.txt"), "theirs");
  EXPECT_TRUE(Exists(install + "/data.bin"));
  EXPECT_TRUE(Exists(configuration + "/settings.ini"));
  EXPECT_TRUE(Exists(desktop + "Corvex 11.desktop"));
  EXPECT_FALSE(Exists(mainArgs));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, std::string(kUninstallKeyBase) + "Corvex 11"));
  EXPECT_NE(Log().find("is refused, nothing is removed: it is a system folder."), std::string::npos);
  EXPECT_EQ(Log().find("Uninstall work SUCCEE."), std::string::npos);
}

TEST_F(UninstallWorkTest, AProductThatNeverEndsIsEndedAndLinksOutOfTheFolderAreNotFollowed) {
  Install(false, true, "exec sleep 120\n");
  const std::string outside = sandbox.home() + "/Music";
  MakeFolders(outside);
  Sandbox::WriteFile(outside + "/song.ogg", "la");
  ASSERT_EQ(::symlink(outside.c_str(), (install + "/music").c_str()), 0);
  ASSERT_EQ(::symlink((outside + "/song.ogg").c_str(), (install + "/song.ogg").c_str()), 0);

  EXPECT_EQ(Run(false, true, install, 300).outcome, UninstallOutcome::kRemoved);
  EXPECT_NE(Log().find("still runs after 300 ms; it is ended and the uninstall goes on."), std::string::npos);
  EXPECT_FALSE(Exists(install));
  EXPECT_EQ(Sandbox::ReadFile(outside + "/song.ogg"), "la");
}

TEST_F(UninstallWorkTest, AFolderMountedIntoTheInstallFolderKeepsItsFiles) {
  Install(false, false);
  const std::string elsewhere = sandbox.root() + "/srv/share";
  MakeFolders(elsewhere);
  MakeFolders(install + "/mounted");
  Sandbox::WriteFile(elsewhere + "/keep.txt", "kept");

  // Bit 1: not reported as files left; 2: the mounted file went; 4: the product's files stayed.
  const int code = testing_support::InPrivateMountNamespace([&] {
    if (::mount(elsewhere.c_str(), (install + "/mounted").c_str(), nullptr, MS_BIND, nullptr) != 0) return 99;
    int result = Run(false, true, install).outcome == UninstallOutcome::kFilesLeft ? 0 : 1;
    if (Sandbox::ReadFile(install + "/mounted/keep.txt") != "kept") result |= 2;
    if (Exists(install + "/data.bin") || Exists(install + "/uninstall.exe")) result |= 4;
    return result;
  });
  EXPECT_EQ(code, 0) << Log();
  EXPECT_EQ(Sandbox::ReadFile(elsewhere + "/keep.txt"), "kept");
  EXPECT_NE(Log().find("could not be removed completely."), std::string::npos);
}

}  // namespace
