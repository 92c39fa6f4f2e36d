#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ostream>
#include <string>

#include "install/install_folder_guard.h"
#include "install/previous_install.h"
#include "previous_install_fixture.h"
#include "sandbox.h"

using namespace install;

void PrintTo(FolderVerdict verdict, std::ostream* out) { *out << FolderVerdictText(verdict); }

namespace {

using testing_support::Sandbox;

constexpr uid_t kNobody = 65534;

struct GuardCase {
  std::string folder;
  FolderVerdict expected;
};

class FolderGuardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::mkdir((sandbox.root() + "/opt").c_str(), 0755);
    ::mkdir(install.c_str(), 0755);
  }
  Sandbox sandbox;
  std::string install = sandbox.root() + "/opt/Corvex 11";
};

TEST_F(FolderGuardTest, RefusesEmptyRootHomeAndSystemFoldersButNotAnInstallFolder) {
  const std::string& root = sandbox.root();
  const std::string& home = sandbox.home();
  const GuardCase cases[] = {
      {"", FolderVerdict::kEmptyPath},
      {"opt/Corvex 11", FolderVerdict::kRelativePath},
      {"/", FolderVerdict::kRootFolder},
      {"//", FolderVerdict::kRootFolder},
      {"/opt/..", FolderVerdict::kRootFolder},
      {root, FolderVerdict::kRootFolder},
      {root + "/opt/Corvex 11/../..", FolderVerdict::kRootFolder},
      {"/usr", FolderVerdict::kSystemFolder},
      {"/usr/lib/x86_64-linux-gnu", FolderVerdict::kSystemFolder},
      {"/etc/", FolderVerdict::kSystemFolder},
      {"/opt", FolderVerdict::kSystemFolder},
      {"/home", FolderVerdict::kSystemFolder},
      {"/tmp", FolderVerdict::kSystemFolder},
      {root + "/opt", FolderVerdict::kSystemFolder},
      {root + "/usr/local/share/applications", FolderVerdict::kSystemFolder},
      {root + "/var/lib/corvex", FolderVerdict::kSystemFolder},
      {"/root", FolderVerdict::kHomeFolder},
      {home, FolderVerdict::kHomeFolder},
      {home + "/", FolderVerdict::kHomeFolder},
      {home + "/Documents", FolderVerdict::kHomeFolder},
      {home + "/Documents/../Desktop", FolderVerdict::kHomeFolder},
      {home + "/.config", FolderVerdict::kHomeFolder},
      {home + "/.local", FolderVerdict::kHomeFolder},  // holds the user's menu folder
      {install, FolderVerdict::kMayDelete},
      {install + "/", FolderVerdict::kMayDelete},
      {home + "/Apps/Corvex 11", FolderVerdict::kMayDelete},
      {"/opt/Corvex 11", FolderVerdict::kMayDelete},
  };
  for (const GuardCase& c : cases) {
    EXPECT_EQ(CheckFolderMayBeDeleted(c.folder), c.expected) << "folder \"" << c.folder << "\"";
  }
  EXPECT_EQ(CheckFolderMayBeDeleted(std::wstring(L"/usr")), FolderVerdict::kSystemFolder);
}

TEST_F(FolderGuardTest, JudgesALinkByWhereItLeads) {
  const std::string toHome = sandbox.root() + "/opt/looks harmless";
  const std::string toSystem = sandbox.root() + "/opt/also harmless";
  ASSERT_EQ(::symlink(sandbox.home().c_str(), toHome.c_str()), 0);
  ASSERT_EQ(::symlink("/usr", toSystem.c_str()), 0);
  EXPECT_EQ(CheckFolderMayBeDeleted(toHome), FolderVerdict::kHomeFolder);
  EXPECT_EQ(CheckFolderMayBeDeleted(toSystem + "/"), FolderVerdict::kSystemFolder);
  EXPECT_EQ(CheckFolderMayBeDeleted(toSystem + "/share"), FolderVerdict::kSystemFolder);
}

TEST_F(FolderGuardTest, OnlyARealUninstallerOfRootsMarksTheProductsInstall) {
  EXPECT_FALSE(HoldsProductInstall(install));

  ::mkdir((install + "/uninstall.exe").c_str(), 0755);  // a folder of that name is no uninstaller
  EXPECT_FALSE(HoldsProductInstall(install));
  ::rmdir((install + "/uninstall.exe").c_str());

  const std::string elsewhere = sandbox.root() + "/uninstall.exe";
  Sandbox::WriteFile(elsewhere, "program");
  ASSERT_EQ(::symlink(elsewhere.c_str(), (install + "/uninstall.exe").c_str()), 0);
  EXPECT_FALSE(HoldsProductInstall(install));
  ::unlink((install + "/uninstall.exe").c_str());

  Sandbox::WriteFile(install + "/uninstall.exe", "program");
  EXPECT_TRUE(HoldsProductInstall(install));
  const std::string linkToInstall = sandbox.root() + "/opt/Corvex link";
  ASSERT_EQ(::symlink(install.c_str(), linkToInstall.c_str()), 0);
  EXPECT_FALSE(HoldsProductInstall(linkToInstall));
  // One another user left there marks nothing.
  ASSERT_EQ(::chown((install + "/uninstall.exe").c_str(), kNobody, kNobody), 0);
  EXPECT_FALSE(HoldsProductInstall(install));
}

TEST_F(FolderGuardTest, AnUninstallRemovesOnlyTheTrustedRegisteredFolderOfTheProduct) {
  Sandbox::WriteFile(install + "/uninstall.exe", "program");
  // A stray uninstaller without the entry that names its folder.
  EXPECT_EQ(CheckInstallFolderForUninstall(install, "Corvex 11", false), FolderVerdict::kNotProductInstall);
  ASSERT_TRUE(testing_support::RegisterInstallLocation("Corvex 11(x64)", install + "/"));
  EXPECT_FALSE(IsPreviousInstall(install, "Corvex 11", false));
  EXPECT_TRUE(IsPreviousInstall(install, "Corvex 11", true));
  EXPECT_EQ(CheckInstallFolderForUninstall(install, "Corvex 11", false), FolderVerdict::kNotProductInstall);
  EXPECT_EQ(CheckInstallFolderForUninstall(install, "Corvex 11", true), FolderVerdict::kMayDelete);
  EXPECT_EQ(CheckInstallFolderForUninstall(std::wstring(L"/"), "Corvex 11", true), FolderVerdict::kRootFolder);

  // Reached through a link, or in a folder another user owns or may write to.
  const std::string linkToInstall = sandbox.root() + "/opt/Corvex link";
  ASSERT_EQ(::symlink(install.c_str(), linkToInstall.c_str()), 0);
  ASSERT_TRUE(testing_support::RegisterInstallLocation("Corvex 11(x64)", linkToInstall));
  EXPECT_EQ(CheckInstallFolderForUninstall(linkToInstall, "Corvex 11", true), FolderVerdict::kNotTrusted);
  ASSERT_TRUE(testing_support::RegisterInstallLocation("Corvex 11(x64)", install));
  ::chmod(install.c_str(), 0777);
  EXPECT_EQ(CheckInstallFolderForUninstall(install, "Corvex 11", true), FolderVerdict::kNotTrusted);
  ::chmod(install.c_str(), 0755);
  ::chown(install.c_str(), kNobody, kNobody);
  EXPECT_EQ(CheckInstallFolderForUninstall(install, "Corvex 11", true), FolderVerdict::kNotTrusted);

  // Holding an uninstaller, even a registered one, does not make the home folder deletable.
  Sandbox::WriteFile(sandbox.home() + "/uninstall.exe", "program");
  ASSERT_TRUE(testing_support::RegisterInstallLocation("Corvex 11", sandbox.home()));
  EXPECT_EQ(CheckInstallFolderForUninstall(sandbox.home(), "Corvex 11", false), FolderVerdict::kHomeFolder);
}

}  // namespace
