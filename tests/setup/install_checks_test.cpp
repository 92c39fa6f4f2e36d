// The install button's checks: free space on real file systems of a known size, and
// the folder rule that keeps the installer from emptying what is not its own.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "install/uninstall_registration.h"
#include "platform/gui/headless.h"
#include "platform/gui/window.h"
#include "platform/path.h"
#include "previous_install_fixture.h"
#include "setup/install_checks.h"
#include "steps_test_support.h"

using namespace install;
using namespace setup;

namespace {

namespace fs = std::filesystem;
namespace headless = platform::gui::headless;
using steps_test::StepsTest;
using testing_support::Sandbox;

constexpr uid_t kNobody = 65534;

class InstallChecksTest : public StepsTest {
 protected:
  void TearDown() override {
    for (const std::string& mount : mounts_) ::umount2(mount.c_str(), MNT_DETACH);
  }

  // A tmpfs of `megabytes` at `folder`, seen by this thread only (a mount namespace
  // of its own), so that nothing outlives the test.
  bool MountDisk(const std::string& folder, int megabytes) {
    if (!privateMounts_) {
      if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        return false;
      privateMounts_ = true;
    }
    fs::create_directories(folder);
    // Mode 0755 as a real disk mounted there has: the root of a tmpfs is open to all.
    const std::string options = "size=" + std::to_string(megabytes) + "m,mode=0755";
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) != 0) return false;
    mounts_.push_back(folder);
    return true;
  }

  InstallCheckOutcome Check(const std::string& folder) {
    return EvaluateInstallConditions(info, platform::NarrowToWide(folder), installPath);
  }

  std::wstring installPath = L"/opt/Corvex 11";

 private:
  static inline bool privateMounts_ = false;
  std::vector<std::string> mounts_;
};

TEST_F(InstallChecksTest, FreeSpaceOf256MegabytesIsRefusedAnd257Passes) {
  if (!MountDisk(Path("disk256"), 256) || !MountDisk(Path("disk257"), 257)) {
    GTEST_SKIP() << "needs the right to mount a tmpfs (root)";
  }
  const std::string small = Path("disk256/Corvex 11");
  EXPECT_EQ(Check(small).result, InstallCheck::kNotEnoughSpace);
  EXPECT_TRUE(Logged("FreeSpace Info : 256 MB in " + small + " ."));
  EXPECT_EQ(installPath, platform::NarrowToWide(small));  // taken before the space is judged

  const std::string enough = Path("disk257/Corvex 11");
  const InstallCheckOutcome outcome = Check(enough);
  EXPECT_EQ(outcome.result, InstallCheck::kPassed);
  EXPECT_FALSE(outcome.folderUnchanged);
  EXPECT_TRUE(Logged("Install Path Info : " + enough + " ."));
  EXPECT_TRUE(Logged("FreeSpace Info : 257 MB in " + enough + " ."));
  EXPECT_EQ(installPath, platform::NarrowToWide(enough));
}

TEST_F(InstallChecksTest, FolderWithSomeoneElsesFilesIsRefusedBeforeAnythingIsTouched) {
  const std::string folder = Path("srv/shared");
  fs::create_directories(folder + "/photos");
  const std::string notes = folder + "/notes.txt";
  const std::string content("keep me\0\xff\n", 10);
  Sandbox::WriteFile(notes, content);

  EXPECT_EQ(Check(folder).result, InstallCheck::kFolderNotOurs);
  EXPECT_TRUE(Logged("Install folder refused : " + folder + " ("));
  EXPECT_EQ(installPath, L"/opt/Corvex 11");
  EXPECT_FALSE(MayEmptyInstallFolder(platform::NarrowToWide(folder), info));
  EXPECT_EQ(Sandbox::ReadFile(notes), content);
  EXPECT_TRUE(fs::is_directory(folder + "/photos"));

  // The message box of a refusal, then nothing changed; an unchanged folder that
  // passes sets the close-report flag.
  headless::Use();
  bool shown = false;
  headless::AddStep([&] {
    HWND box = headless::ActiveDialog();
    shown = box != nullptr;
    if (box) platform::gui::SendMessageW(box, WM_COMMAND, 1628, 0);
  });
  bool unchanged = false;
  EXPECT_FALSE(CheckInstallConditions(nullptr, info, platform::NarrowToWide(folder), installPath, unchanged));
  EXPECT_TRUE(shown);
  EXPECT_FALSE(unchanged);
  EXPECT_EQ(Sandbox::ReadFile(notes), content);

  installPath = platform::NarrowToWide(Path("opt/Corvex 11"));
  EXPECT_TRUE(CheckInstallConditions(nullptr, info, installPath, installPath, unchanged));
  EXPECT_TRUE(unchanged);
}

TEST_F(InstallChecksTest, OnlyTheRegisteredPreviousInstallOfThisProductMayBeEmptied) {
  const std::string previous = Path("apps/one");
  fs::create_directories(previous);
  Sandbox::WriteFile(previous + "/Corvex64.exe", "x");
  ASSERT_TRUE(testing_support::MakePreviousInstall(previous, "Corvex 11(x64)"));
  EXPECT_EQ(Check(previous).result, InstallCheck::kPassed);
  // The same folder for the 32-bit edition is someone else's.
  info = steps_test::MakeInfo(false);
  EXPECT_EQ(Check(previous).result, InstallCheck::kFolderNotOurs);
  info = steps_test::MakeInfo(true);

  // An uninstaller another user left there, or none at all (a damaged install), does
  // not make the registered folder ours.
  ASSERT_EQ(::chown((previous + "/uninstall.exe").c_str(), kNobody, kNobody), 0);
  EXPECT_EQ(Check(previous).result, InstallCheck::kFolderNotOurs);
  ::unlink((previous + "/uninstall.exe").c_str());
  EXPECT_EQ(Check(previous).result, InstallCheck::kFolderNotOurs);

  // A stray uninstaller in a folder no entry names.
  const std::string stray = Path("apps/two");
  fs::create_directories(stray);
  Sandbox::WriteFile(stray + "/uninstall.exe", "x");
  EXPECT_EQ(Check(stray).result, InstallCheck::kFolderNotOurs);
  EXPECT_EQ(Sandbox::ReadFile(stray + "/uninstall.exe"), "x");
}

TEST_F(InstallChecksTest, FoldersOtherUsersOwnOrMayChangeAreRefusedWithTheReason) {
  const std::string nobodys = Path("srv/nobodys");
  const std::string open = Path("srv/open");
  fs::create_directories(nobodys);
  fs::create_directories(open);
  ASSERT_EQ(::chown(nobodys.c_str(), kNobody, kNobody), 0);
  ::chmod(open.c_str(), 0777);
  const std::string real = Path("srv/real");
  fs::create_directories(real);
  const std::string link = Path("srv/link");
  ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);

  const std::pair<std::string, const char*> cases[] = {
      {nobodys, "it belongs to another user"},
      {open, "it is writable by other users"},
      {open + "/Corvex 11", "it is writable by other users"},
      {link + "/Corvex 11", "it or a folder above it is a link"},
  };
  for (const auto& [folder, reason] : cases) {
    EXPECT_EQ(Check(folder).result, InstallCheck::kFolderNotWritable) << folder;
    EXPECT_TRUE(Logged("Install folder refused : " + folder + " (" + reason + ").")) << folder << "\n" << Log();
    EXPECT_FALSE(MayEmptyInstallFolder(platform::NarrowToWide(folder), info)) << folder;
  }
  EXPECT_FALSE(fs::exists(open + "/Corvex 11"));
  EXPECT_FALSE(fs::exists(real + "/Corvex 11"));
  EXPECT_EQ(installPath, L"/opt/Corvex 11");
}

TEST_F(InstallChecksTest, ProtectedAndUnusableFoldersAreRefusedWithoutCreatingAnything) {
  const std::string inSystem = Path("usr/Corvex 11");
  EXPECT_EQ(Check(inSystem).result, InstallCheck::kFolderProtected);
  EXPECT_FALSE(fs::exists(inSystem));
  EXPECT_EQ(Check("/").result, InstallCheck::kFolderProtected);
  EXPECT_EQ(Check(sandbox.home()).result, InstallCheck::kFolderProtected);
  EXPECT_FALSE(MayEmptyInstallFolder(platform::NarrowToWide(sandbox.home()), info));
  // A registered InstallLocation does not make a home folder ours.
  SetUninstallString("Corvex 11(x64)", "InstallLocation", sandbox.home());
  EXPECT_EQ(Check(sandbox.home()).result, InstallCheck::kFolderProtected);

  EXPECT_EQ(Check("apps/Corvex 11").result, InstallCheck::kFolderInvalid);
  EXPECT_FALSE(fs::exists("apps"));
  EXPECT_EQ(Check("").result, InstallCheck::kFolderInvalid);
  Sandbox::WriteFile(Path("file"), "x");
  EXPECT_EQ(Check(Path("file/Corvex 11")).result, InstallCheck::kFolderInvalid);
  EXPECT_EQ(Check(Path("file")).result, InstallCheck::kFolderInvalid);
  EXPECT_EQ(Check(Path(std::string(300, 'a'))).result, InstallCheck::kFolderInvalid);
  EXPECT_EQ(installPath, L"/opt/Corvex 11");
}

}  // namespace
