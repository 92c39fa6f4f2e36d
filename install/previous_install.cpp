#include "install/previous_install.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "external/product_programs.h"
#include "install/uninstall_registration.h"
#include "platform/path.h"

namespace {

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Compared as written: following links would let a link name the registered folder.
std::string ComparableForm(const std::string& path) {
  return WithoutTrailingSlash(std::filesystem::path(path).lexically_normal().string());
}

bool OwnedByRootOrUs(const struct stat& st) { return st.st_uid == 0 || st.st_uid == ::geteuid(); }

}  // namespace

bool HoldsProductInstall(const std::string& folder) {
  if (folder.empty()) return false;
  struct stat st{};
  // A link in place of the folder would lead the deletion somewhere else.
  if (::lstat(WithoutTrailingSlash(folder).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
  const std::string uninstaller = platform::PathJoin(folder, product::kUninstaller);
  // Anyone could have left a file of that name; only one root wrote marks our install.
  return ::lstat(uninstaller.c_str(), &st) == 0 && S_ISREG(st.st_mode) && OwnedByRootOrUs(st);
}

bool IsPreviousInstall(const std::string& folder, const std::string& productKeyName, bool is64Bit) {
  if (folder.empty() || productKeyName.empty()) return false;
  std::string registered;
  if (!ReadRegisteredInstallLocation(productKeyName + (is64Bit ? "(x64)" : ""), registered)) return false;
  return ComparableForm(registered) == ComparableForm(folder) && HoldsProductInstall(folder);
}
