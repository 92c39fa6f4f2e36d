#include "install/previous_install.h"

#include <filesystem>

#include "external/product_programs.h"
#include "install/uninstall_registration.h"
#include "platform/entry_status.h"
#include "platform/path.h"

namespace install {

namespace {

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Compared as written: following links would let a link name the registered folder.
std::string ComparableForm(const std::string& path) {
  return WithoutTrailingSlash(std::filesystem::path(path).lexically_normal().string());
}

}  // namespace

bool HoldsProductInstall(const std::string& folder) {
  if (folder.empty()) return false;
  // A link in place of the folder would lead the deletion somewhere else.
  if (platform::ReadEntryStatus(WithoutTrailingSlash(folder)).kind != platform::EntryKind::kFolder) return false;
  // Anyone could have left a file of that name; only one root wrote marks our install.
  const platform::EntryStatus mark = platform::ReadEntryStatus(platform::PathJoin(folder, product::kUninstaller));
  return mark.kind == platform::EntryKind::kFile && mark.ownedByRootOrUs;
}

bool IsPreviousInstall(const std::string& folder, const std::string& productKeyName, bool is64Bit) {
  if (folder.empty() || productKeyName.empty()) return false;
  std::string registered;
  if (!ReadRegisteredInstallLocation(productKeyName + (is64Bit ? "(x64)" : ""), registered)) return false;
  return ComparableForm(registered) == ComparableForm(folder) && HoldsProductInstall(folder);
}

}  // namespace install
