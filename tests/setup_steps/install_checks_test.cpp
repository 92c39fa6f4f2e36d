// The install button's checks: free space on real file systems of a known size, and
// the folder rule that keeps the installer from emptying what is not its own.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>

#include <filesystem>

#include "install/uninstall_registration.h"
#include "platform/gui/headless.h"
#include "platform/gui/window.h"
#include "platform/path.h"
#include "setup/install_checks.h"
#include "steps_test_support.h"

namespace {

namespace fs = std::filesystem;
namespace headless = platform::gui::headless;
using steps_test::StepsTest;
using testing_support::Sandbox;

class InstallChecksTest : public StepsTest {
 protected:
  void TearDown() override {
    for (const std::string& mount : mounts_) ::umount2(mount.c_str(), MNT_DETACH);
  }

  // A tmpfs of `megabytes` at `folder`, seen by this thread only (a mount namespace
  // of its own), so that nothing outlives the test.
  bool MountDisk(const std::string& folder, int megabytes) {
    if (!privateMounts_) {
      if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
      privateMounts_ = true;
    }
    fs::create_directories(folder);
    const std::string size = "size=" + std::to_string(megabytes) + "m";
    if (::mount("tmpfs", folder.c_str(), "tmpfs", 0, size.c_str()) != 0) return false;
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

TEST_F(InstallChecksTest, PreviousInstallOfThisProductMayBeEmptied) {
  const std::string withUninstaller = Path("apps/one");
  fs::create_directories(withUninstaller);
  Sandbox::WriteFile(withUninstaller + "/uninstall.exe", "x");
  Sandbox::WriteFile(withUninstaller + "/Corvex64.exe", "x");
  EXPECT_EQ(Check(withUninstaller).result, InstallCheck::kPassed);

  // Registered, but its uninstaller is gone (a damaged install): still ours.
  const std::string registered = Path("apps/two");
  fs::create_directories(registered);
  Sandbox::WriteFile(registered + "/Corvex64.exe", "x");
  SetUninstallString("Corvex 11(x64)", "InstallLocation", registered + "/");
  EXPECT_EQ(Check(registered).result, InstallCheck::kPassed);
  // The same folder for the 32-bit edition is someone else's.
  info = steps_test::MakeInfo(false);
  EXPECT_EQ(Check(registered).result, InstallCheck::kFolderNotOurs);
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
