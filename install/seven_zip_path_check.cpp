#include "install/seven_zip_path_check.h"

#include <set>
#include <string_view>

namespace install {

namespace {

std::vector<std::string> SplitPath(std::string_view path) {
  std::vector<std::string> parts;
  std::string current;
  for (char c : path) {
    if (c == '/' || c == '\\') {
      if (!current.empty() && current != ".") parts.push_back(current);
      current.clear();
    } else {
      current.push_back(c);
    }
  }
  if (!current.empty() && current != ".") parts.push_back(current);
  return parts;
}

bool IsAbsolute(std::string_view path) {
  if (!path.empty() && (path.front() == '/' || path.front() == '\\')) return true;
  return path.size() >= 2 && path[1] == ':';  // "C:..." means a drive wherever it is read
}

bool HasParentElement(const std::vector<std::string>& parts) {
  for (const auto& part : parts) {
    if (part == "..") return true;
  }
  return false;
}

std::string JoinPath(const std::vector<std::string>& parts, size_t count) {
  std::string joined;
  for (size_t i = 0; i < count; ++i) {
    if (i) joined += '/';
    joined += parts[i];
  }
  return joined;
}

std::optional<std::string> CheckPath(const std::string& path, const char* what) {
  if (IsAbsolute(path)) return std::string(what) + " is absolute: " + path;
  if (HasParentElement(SplitPath(path))) return std::string(what) + " leaves its folder: " + path;
  return std::nullopt;
}

// Leading ".." elements climb the link's real parent folders (nothing may lie below a
// link, so those are folders the extraction made); after them only names descend.
std::optional<std::string> CheckLinkTarget(const ArchiveEntry& entry) {
  const std::string& target = entry.linkTarget;
  if (target.empty()) return "link without target: " + entry.path;
  if (IsAbsolute(target)) return "link to an absolute path: " + entry.path + " -> " + target;
  std::vector<std::string> targetParts = SplitPath(target);
  size_t climbs = 0;
  while (climbs < targetParts.size() && targetParts[climbs] == "..") ++climbs;
  std::vector<std::string> rest(targetParts.begin() + static_cast<long>(climbs), targetParts.end());
  size_t linkDepth = SplitPath(entry.path).size() - 1;
  if (climbs > linkDepth || HasParentElement(rest)) {
    return "link pointing outside: " + entry.path + " -> " + target;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> FindEscapingEntry(const std::vector<ArchiveEntry>& entries) {
  std::set<std::string> linkPaths;
  for (const auto& entry : entries) {
    if (entry.isLink || entry.isReparsePoint)
      linkPaths.insert(JoinPath(SplitPath(entry.path), SplitPath(entry.path).size()));
  }
  for (const auto& entry : entries) {
    if (auto problem = CheckPath(entry.path, "path")) return problem;
    std::vector<std::string> parts = SplitPath(entry.path);
    if (parts.empty()) return "empty path";
    for (size_t count = 1; count < parts.size(); ++count) {
      if (linkPaths.count(JoinPath(parts, count))) return "path below a link: " + entry.path;
    }
    if (entry.isReparsePoint) return "reparse point: " + entry.path;
    if (!entry.hardLinkTarget.empty()) {
      if (auto problem = CheckPath(entry.hardLinkTarget, "hard link target")) return problem;
    }
    if (entry.isLink) {
      if (auto problem = CheckLinkTarget(entry)) return problem;
    }
  }
  return std::nullopt;
}

}  // namespace install
