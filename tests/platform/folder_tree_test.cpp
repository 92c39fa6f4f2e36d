#include "platform/folder_tree.h"

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <string>

#include "private_mounts.h"
#include "sandbox.h"

namespace {

using testing_support::InPrivateMountNamespace;
using testing_support::Sandbox;
using testing_support::TempFolder;

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

TEST(FolderTree, DeletionKeepsWhatIsMountedInsideTheTree) {
  TempFolder temp;
  const std::string top = temp.Path().string();
  const std::string product = top + "/product";
  const std::string elsewhere = top + "/elsewhere";
  for (const std::string& folder : {product, product + "/sub", product + "/sub/mounted", elsewhere}) {
    ::mkdir(folder.c_str(), 0755);
  }
  Sandbox::WriteFile(product + "/a.txt", "a");
  Sandbox::WriteFile(product + "/sub/b.txt", "b");
  Sandbox::WriteFile(product + "/mounted.txt", "");
  Sandbox::WriteFile(elsewhere + "/keep.txt", "kept");
  Sandbox::WriteFile(top + "/keep-file.txt", "kept too");

  // Bit 1: a mounted file went; 2: the tree's own files stayed; 4: reported as a failure.
  const int code = InPrivateMountNamespace([&] {
    if (::mount(elsewhere.c_str(), (product + "/sub/mounted").c_str(), nullptr, MS_BIND, nullptr) != 0 ||
        ::mount((top + "/keep-file.txt").c_str(), (product + "/mounted.txt").c_str(), nullptr, MS_BIND, nullptr) != 0) {
      return 99;
    }
    const bool deleted = platform::DeleteFolderTree(product, platform::ReadOnlyFiles::kDelete);
    int result = 0;
    if (Sandbox::ReadFile(product + "/sub/mounted/keep.txt") != "kept") result |= 1;
    if (Sandbox::ReadFile(product + "/mounted.txt") != "kept too") result |= 1;
    if (Exists(product + "/a.txt") || Exists(product + "/sub/b.txt")) result |= 2;
    if (!deleted) result |= 4;
    return result;
  });
  EXPECT_EQ(code, 0);
  EXPECT_EQ(Sandbox::ReadFile(elsewhere + "/keep.txt"), "kept");
  EXPECT_EQ(Sandbox::ReadFile(top + "/keep-file.txt"), "kept too");
  // Only the chains holding the mount points are left.
  EXPECT_TRUE(Exists(product + "/sub/mounted"));
  EXPECT_FALSE(Exists(product + "/sub/b.txt"));

  // Without the mounts the same tree goes entirely.
  EXPECT_TRUE(platform::DeleteFolderTree(product, platform::ReadOnlyFiles::kDelete));
  EXPECT_FALSE(Exists(product));
}

}  // namespace
