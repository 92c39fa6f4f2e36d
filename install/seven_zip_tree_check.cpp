#include "install/seven_zip_tree_check.h"

#include <filesystem>
#include <string_view>
#include <system_error>

namespace install {

namespace fs = std::filesystem;

bool IsFolderEntry(const ArchiveEntry& entry) {
  // Windows letters ("D", "DA") and, for items made on unix, the mode ("drwxr-xr-x").
  std::string_view text = entry.attributes;
  while (!text.empty()) {
    const size_t space = text.find(' ');
    const std::string_view token = text.substr(0, space);
    text = space == std::string_view::npos ? std::string_view() : text.substr(space + 1);
    const bool isMode = token.size() == 10 && std::string_view("-dlcbps").find(token.front()) != std::string_view::npos;
    if (isMode ? token.front() == 'd' : token.find('D') != std::string_view::npos) return true;
  }
  return false;
}

namespace {

// True when a relative path, read without the file system, leaves the folder it starts in.
bool ClimbsOut(const fs::path& relative) {
  int depth = 0;
  for (const fs::path& part : relative) {
    if (part == "..") {
      if (--depth < 0) return true;
    } else if (part != "." && !part.empty()) {
      ++depth;
    }
  }
  return false;
}

// True when a folder on the way from `folder` to the entry is a link.
bool ThroughALink(const std::string& folder, const fs::path& name) {
  fs::path prefix(folder);
  const fs::path parent = name.parent_path();
  for (const fs::path& part : parent) {
    prefix /= part;
    std::error_code error;
    if (fs::is_symlink(fs::symlink_status(prefix, error))) return true;
  }
  return false;
}

}  // namespace

std::optional<std::string> FindTreeMismatch(const std::string& folder, const std::vector<ArchiveEntry>& entries) {
  for (const ArchiveEntry& entry : entries) {
    // Confined, the program rewrites such names into the folder; the archive is still not ours.
    const fs::path name(entry.path);
    if (name.is_absolute() || ClimbsOut(name)) return "\"" + entry.path + "\" names a place outside the folder";
    const fs::path path = fs::path(folder) / name;
    if (ThroughALink(folder, name)) return "\"" + entry.path + "\" is reached through a link";
    std::error_code error;
    const fs::file_status status = fs::symlink_status(path, error);
    if (error || !fs::exists(status)) return "\"" + entry.path + "\" is missing";
    if (IsFolderEntry(entry)) {
      if (!fs::is_directory(status)) return "\"" + entry.path + "\" is not a folder";
    } else if (entry.isLink) {
      if (!fs::is_symlink(status)) return "\"" + entry.path + "\" is not a link";
      // A link as it landed, not as listed: it must point at something inside the folder.
      const fs::path target = fs::read_symlink(path, error);
      if (error || target.is_absolute() || ClimbsOut(name.parent_path() / target)) {
        return "\"" + entry.path + "\" links outside the folder";
      }
    } else if (entry.isReparsePoint) {
      // What the program makes of a Windows reparse point here is its own affair.
    } else {
      if (!fs::is_regular_file(status)) return "\"" + entry.path + "\" is not a file";
      const auto size = fs::file_size(path, error);
      if (error || size != entry.size) {
        return "\"" + entry.path + "\" holds " + std::to_string(error ? 0 : size) + " of " +
               std::to_string(entry.size) + " bytes";
      }
    }
  }
  return std::nullopt;
}

}  // namespace install
