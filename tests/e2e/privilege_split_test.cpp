// Who does what: the dialog side runs as the desktop user and the install helper as
// root, and root installs only the bytes it checked itself. Run as root for another
// user (as sudo does), with the sandbox handed to that user.
#include <sys/stat.h>
#include <unistd.h>

#include <set>

#include "tests/e2e/install_machine.h"

namespace fs = std::filesystem;

namespace {

using namespace e2e;

constexpr uid_t kDesktopUid = 65534;

class PrivilegeSplit : public InstallEndToEnd {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to run the two sides as two users";
    InstallEndToEnd::SetUp();
    // The desktop user reaches the test's folder and owns its home, as on a machine.
    fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec |
                                 fs::perms::group_read | fs::perms::others_read);
    fs::permissions(folder_ / "www", fs::perms::all);
  }

  void GiveHomeToDesktopUser() {
    fs::create_directories(home());
    ChownTree(home(), kDesktopUid);
  }

  static void ChownTree(const fs::path& top, uid_t uid) {
    ::lchown(top.c_str(), uid, uid);
    if (!fs::is_directory(fs::symlink_status(top))) return;
    for (const auto& entry : fs::recursive_directory_iterator(top)) ::lchown(entry.path().c_str(), uid, uid);
  }

  std::vector<std::pair<std::string, std::string>> DesktopUserEnvironment() {
    auto env = Environment();
    env.push_back({"SUDO_UID", std::to_string(kDesktopUid)});
    return env;
  }

  static uid_t OwnerOf(const fs::path& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 ? st.st_uid : static_cast<uid_t>(-1);
  }

  // Files and folders below `top` that group or others may write.
  static std::set<std::string> WritableByOthers(const fs::path& top) {
    std::set<std::string> found;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(top, error)) {
      struct stat st {};
      if (::lstat(entry.path().c_str(), &st) != 0 || S_ISLNK(st.st_mode)) continue;
      if ((st.st_mode & (S_IWGRP | S_IWOTH)) != 0) found.insert(entry.path().string());
    }
    return found;
  }
};

TEST_F(PrivilegeSplit, TheUserSideOwnsTheUsersFilesAndRootOnlyTheInstallation) {
  ServeMirrors(kGoodMirrors);
  GiveHomeToDesktopUser();
  const ProgramRun run = RunProgram(SetupProgram(), {"--silent"}, DesktopUserEnvironment());
  ASSERT_EQ(run.exitCode, 0) << run.output << Log();

  EXPECT_EQ(OwnerOf(installFolder() / "uninstall.exe"), 0u);
  EXPECT_EQ(OwnerOf(installFolder() / "README.txt"), 0u);
  EXPECT_EQ(OwnerOf(downloadedPackage()), kDesktopUid);
  EXPECT_EQ(OwnerOf(installLog()), kDesktopUid);
  for (const auto& [path, content] : DesktopEntries()) {
    const bool users = path.rfind(home().string(), 0) == 0;
    EXPECT_EQ(OwnerOf(path), users ? kDesktopUid : 0u) << path;
  }
  // The helper's lines reach the user's log through the dialog side.
  const std::string log = Log();
  EXPECT_NE(log.find("Install helper: package verified"), std::string::npos) << log;
  EXPECT_NE(RegQuery().find("InstallLocation"), std::string::npos);
}

// The user side reads what root registered: the next run updates the folder of the first.
TEST_F(PrivilegeSplit, AnUpdateFindsTheFolderRootRegistered) {
  ServeMirrors(kGoodMirrors);
  GiveHomeToDesktopUser();
  const fs::path chosen = root() / "opt" / "Elsewhere";
  const ProgramRun first =
      RunProgram(SetupProgram(), {"--silent", "--path", chosen.string()}, DesktopUserEnvironment());
  ASSERT_EQ(first.exitCode, 0) << first.output << Log();
  fs::remove(installLog());
  const ProgramRun update = RunProgram(SetupProgram(), {"--silent"}, DesktopUserEnvironment());
  ASSERT_EQ(update.exitCode, 0) << update.output << Log();
  const std::string log = Log();
  EXPECT_NE(log.find("Install Path : " + chosen.string() + "\n"), std::string::npos) << log;
  EXPECT_NE(log.find("IsNewInstall : bHasOldVersion(1)."), std::string::npos) << log;
  EXPECT_FALSE(fs::exists(installFolder()));
}

TEST_F(PrivilegeSplit, APackageSwappedAfterItsCheckIsNeverInstalled) {
  ServeMirrors(kGoodMirrors);
  GiveHomeToDesktopUser();
  // Another package of the same name and size, with a payload of its own.
  const fs::path genuine = package_;
  const std::string genuineBytes = ReadFile(genuine);
  WriteFile(folder_ / "payload/README.txt", "Corvex 66\n");
  MakePackage();
  const fs::path other = folder_ / "other.exe";
  fs::rename(package_, other);
  WriteFile(genuine, genuineBytes);
  ChownTree(other, kDesktopUid);
  // Only the digest tells the two apart.
  ASSERT_EQ(fs::file_size(other), genuineBytes.size());

  // Once the download is verified and closed, as the install begins, the user puts
  // the other package in its place: whichever comes first, the swap or the helper's
  // copy, only the verified bytes may be installed.
  const ProgramRun run = InstallUnderScript(
      "\"$SETUP\" --silent & pid=$!\n"
      "while ! grep -q 'Begin install' \"$LOG\" 2>/dev/null; do kill -0 $pid || break; sleep 0.005; done\n"
      "mv -f \"$OTHER\" \"$PACKAGE\"\n"
      "wait $pid; exit $?\n",
      {{"SUDO_UID", std::to_string(kDesktopUid)},
       {"OTHER", other.string()},
       {"PACKAGE", downloadedPackage().string()}});
  const std::string readme = ReadFile(installFolder() / "README.txt");
  if (run.exitCode == 0) {
    EXPECT_EQ(readme, "Corvex 11\n") << Log();
  } else {
    EXPECT_EQ(run.exitCode, 3) << run.output << Log();
    EXPECT_NE(Log().find("does not match the manifest's digest"), std::string::npos) << Log();
    EXPECT_FALSE(fs::exists(installFolder() / "uninstall.exe"));
  }
}

TEST_F(PrivilegeSplit, AnOpenUmaskMakesNothingOthersCanWrite) {
  ServeMirrors(kGoodMirrors);
  GiveHomeToDesktopUser();
  const std::set<std::string> before = WritableByOthers(folder_);
  const ProgramRun run =
      InstallUnderScript("umask 000; exec \"$SETUP\" --silent", {{"SUDO_UID", std::to_string(kDesktopUid)}});
  ASSERT_EQ(run.exitCode, 0) << run.output << Log();
  std::set<std::string> made;
  for (const std::string& path : WritableByOthers(folder_)) {
    if (!before.count(path)) made.insert(path);
  }
  EXPECT_TRUE(made.empty()) << *made.begin();
}

TEST_F(PrivilegeSplit, ADialogSideThatDiesMidInstallLeavesNothingBehind) {
  ServeMirrors(kGoodMirrors);
  // Run as root without a desktop user, the helper is a child of the dialog side.
  // Killed outright once the unpack has begun, the helper undoes its steps alone.
  const ProgramRun run = InstallUnderScript(
      "\"$SETUP\" --silent & pid=$!\n"
      "while ! grep -q 'Begin depack file' \"$LOG\" 2>/dev/null; do kill -0 $pid || break; sleep 0.005; done\n"
      "kill -KILL $pid; wait $pid\n"
      "for i in $(seq 200); do pgrep -f -- '--install-help[e]r' >/dev/null || exit 0; sleep 0.05; done; exit 1\n");
  EXPECT_EQ(run.exitCode, 0) << "the helper did not end: " << run.output;
  EXPECT_FALSE(fs::exists(installFolder() / "uninstall.exe")) << Log();
  EXPECT_TRUE(LeftoversBesideInstallFolder().empty()) << Log();
  EXPECT_EQ(RegQuery().find("InstallLocation"), std::string::npos);
}

}  // namespace
