#include "install/folder_ops.h"

#include <filesystem>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/win_types.h"

namespace fs = std::filesystem;

namespace folder_ops {

bool CreateFolderChain(const std::string& path) {
  if (path.size() > static_cast<size_t>(kMaxPath)) return false;
  bool result = false;
  for (size_t separator = path.find('/', 1); separator != std::string::npos;
       separator = path.find('/', separator + 1)) {
    std::error_code error;
    fs::path prefix(path.substr(0, separator));
    fs::create_directory(prefix, error);
    result = !error && fs::is_directory(prefix, error);
  }
  return result;
}

bool FolderExists(const std::string& path) {
  if (path.size() < 2) return false;
  std::string_view folder = path;
  if (folder.back() == '/') folder.remove_suffix(1);
  std::error_code error;
  return fs::is_directory(fs::path(folder), error);
}

void DeleteFolderTree(const std::string& folder) {
  std::error_code error;
  std::string withoutSlash = folder;
  while (withoutSlash.size() > 1 && withoutSlash.back() == '/') withoutSlash.pop_back();
  if (fs::is_symlink(fs::symlink_status(fs::path(withoutSlash), error))) return;
  fs::directory_iterator listing(fs::path(folder), error);
  if (error) return;
  std::vector<fs::directory_entry> entries;
  for (const auto& entry : listing) entries.push_back(entry);
  for (const auto& entry : entries) {
    std::error_code entryError;
    fs::file_status status = entry.symlink_status(entryError);
    if (entryError) continue;
    std::string name = entry.path().filename().string();
    if (fs::is_directory(status)) {
      // A folder without write permission would keep its entries.
      fs::permissions(entry.path(), fs::perms::owner_all, fs::perm_options::add, entryError);
      DeleteFolderTree(folder + name + "/");
      continue;
    }
    if (!fs::is_symlink(status)) {
      fs::permissions(entry.path(), fs::perms::owner_write, fs::perm_options::add, entryError);
    }
    fs::remove(entry.path(), entryError);
  }
  fs::remove(fs::path(folder), error);
}

}  // namespace folder_ops
