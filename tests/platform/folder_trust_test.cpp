#include "platform/folder_trust.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "sandbox.h"

namespace {

using platform::FolderTrust;
using platform::JudgeFolderTrust;
using testing_support::TempFolder;

constexpr uid_t kNobody = 65534;

// A folder made with exactly `mode`, owned by `owner`.
std::string MakeFolder(const std::string& path, mode_t mode, uid_t owner = 0) {
  ::mkdir(path.c_str(), 0700);
  EXPECT_EQ(::chown(path.c_str(), owner, owner), 0) << path;
  EXPECT_EQ(::chmod(path.c_str(), mode), 0) << path;
  return path;
}

// The test runs outside any sandbox root unless it sets one.
class FolderTrustTest : public ::testing::Test {
 protected:
  void SetUp() override { ::unsetenv("CORVEX_SYSROOT"); }
  void TearDown() override { ::unsetenv("CORVEX_SYSROOT"); }

  TempFolder temp;
  std::string top = temp.Path().string();
};

TEST_F(FolderTrustTest, RootOwnedChainsAreTrustedAndAMissingFolderIsJudgedByItsAncestor) {
  const std::string folder = MakeFolder(top + "/product", 0755);
  EXPECT_EQ(JudgeFolderTrust("/"), FolderTrust::kTrusted);
  EXPECT_EQ(JudgeFolderTrust(folder), FolderTrust::kTrusted);
  EXPECT_EQ(JudgeFolderTrust(folder + "//"), FolderTrust::kTrusted);
  EXPECT_EQ(JudgeFolderTrust(folder + "/not/yet/made"), FolderTrust::kTrusted);

  EXPECT_EQ(JudgeFolderTrust(""), FolderTrust::kInvalidPath);
  EXPECT_EQ(JudgeFolderTrust("opt/product"), FolderTrust::kInvalidPath);
  EXPECT_EQ(JudgeFolderTrust(folder + "/../product"), FolderTrust::kInvalidPath);
  EXPECT_EQ(JudgeFolderTrust(folder + "/./x"), FolderTrust::kInvalidPath);

  testing_support::Sandbox::WriteFile(folder + "/file", "x");
  EXPECT_EQ(JudgeFolderTrust(folder + "/file"), FolderTrust::kNotAFolder);
  EXPECT_EQ(JudgeFolderTrust(folder + "/file/below"), FolderTrust::kNotAFolder);
}

TEST_F(FolderTrustTest, FoldersOtherUsersOwnOrMayWriteAreNotTrustedNorAnythingBelowThem) {
  const std::string nobodys = MakeFolder(top + "/nobodys", 0755, kNobody);
  const std::string open = MakeFolder(top + "/open", 0777);
  const std::string group = MakeFolder(top + "/group", 0775);
  EXPECT_EQ(JudgeFolderTrust(nobodys), FolderTrust::kOwnedByOther);
  EXPECT_EQ(JudgeFolderTrust(nobodys + "/to be made"), FolderTrust::kOwnedByOther);
  EXPECT_EQ(JudgeFolderTrust(open), FolderTrust::kWritableByOthers);
  EXPECT_EQ(JudgeFolderTrust(group), FolderTrust::kWritableByOthers);
  EXPECT_EQ(JudgeFolderTrust(open + "/to be made"), FolderTrust::kWritableByOthers);
  for (const std::string& parent : {nobodys, open, group}) {
    const std::string inside = MakeFolder(parent + "/product", 0755);
    EXPECT_EQ(JudgeFolderTrust(inside), FolderTrust::kParentNotTrusted) << parent;
    EXPECT_EQ(JudgeFolderTrust(inside + "/deeper"), FolderTrust::kParentNotTrusted) << parent;
  }
}

TEST_F(FolderTrustTest, AStickyParentMayBeWritableByAllButNotOwnedByAnother) {
  const std::string sticky = MakeFolder(top + "/sticky", 01777);
  const std::string inside = MakeFolder(sticky + "/product", 0755);
  EXPECT_EQ(JudgeFolderTrust(inside), FolderTrust::kTrusted);
  // As the folder itself, a sticky folder open to all is no place to act in.
  EXPECT_EQ(JudgeFolderTrust(sticky), FolderTrust::kWritableByOthers);
  EXPECT_EQ(JudgeFolderTrust(sticky + "/to be made"), FolderTrust::kWritableByOthers);

  const std::string nobodysSticky = MakeFolder(top + "/nobodys sticky", 01777, kNobody);
  EXPECT_EQ(JudgeFolderTrust(MakeFolder(nobodysSticky + "/product", 0755)), FolderTrust::kParentNotTrusted);
}

TEST_F(FolderTrustTest, ALinkAnywhereInTheChainIsNotTrusted) {
  const std::string real = MakeFolder(top + "/real", 0755);
  MakeFolder(real + "/product", 0755);
  const std::string link = top + "/link";
  ASSERT_EQ(::symlink(real.c_str(), link.c_str()), 0);
  EXPECT_EQ(JudgeFolderTrust(link), FolderTrust::kIsLink);
  EXPECT_EQ(JudgeFolderTrust(link + "/"), FolderTrust::kIsLink);
  EXPECT_EQ(JudgeFolderTrust(link + "/product"), FolderTrust::kIsLink);
  EXPECT_EQ(JudgeFolderTrust(link + "/to be made"), FolderTrust::kIsLink);
  const std::string dangling = top + "/dangling";
  ASSERT_EQ(::symlink((top + "/nowhere").c_str(), dangling.c_str()), 0);
  EXPECT_EQ(JudgeFolderTrust(dangling + "/product"), FolderTrust::kIsLink);
}

TEST_F(FolderTrustTest, ASandboxRootEndsTheChainAndMayItselfBeALink) {
  // Open to all, so that only a chain ending at the sandbox root trusts what is inside.
  const std::string open = MakeFolder(top + "/open", 0777);
  const std::string root = MakeFolder(open + "/root", 0755);
  const std::string folder = MakeFolder(root + "/opt", 0755) + "/product";
  EXPECT_EQ(JudgeFolderTrust(folder), FolderTrust::kParentNotTrusted);

  ::setenv("CORVEX_SYSROOT", (root + "/").c_str(), 1);
  EXPECT_EQ(JudgeFolderTrust(folder), FolderTrust::kTrusted);
  EXPECT_EQ(JudgeFolderTrust(root), FolderTrust::kTrusted);
  // Outside the sandbox the chain still reaches "/".
  EXPECT_EQ(JudgeFolderTrust(MakeFolder(open + "/beside", 0755)), FolderTrust::kParentNotTrusted);
  ::chmod(root.c_str(), 0777);
  EXPECT_EQ(JudgeFolderTrust(folder), FolderTrust::kParentNotTrusted);
  ::chmod(root.c_str(), 0755);

  const std::string link = top + "/root link";
  ASSERT_EQ(::symlink(root.c_str(), link.c_str()), 0);
  ::setenv("CORVEX_SYSROOT", link.c_str(), 1);
  EXPECT_EQ(JudgeFolderTrust(link + "/opt/product"), FolderTrust::kTrusted);
  ::setenv("CORVEX_SYSROOT", (top + "/missing root").c_str(), 1);
  EXPECT_EQ(JudgeFolderTrust(top + "/missing root/opt"), FolderTrust::kMissing);
}

}  // namespace
