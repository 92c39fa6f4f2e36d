#include "platform/folder_trust.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <vector>

#include "platform/known_folders.h"

namespace platform {
namespace {

// The elements of an absolute path; false for a relative path or one with "." or "..",
// whose meaning would depend on links resolved along the way.
bool SplitElements(const std::string& path, std::vector<std::string>& elements) {
  if (path.empty() || path.front() != '/') return false;
  elements.clear();
  size_t start = 1;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    const std::string element = path.substr(start, end - start);
    if (element == "." || element == "..") return false;
    if (!element.empty()) elements.push_back(element);
    start = end + 1;
  }
  return true;
}

std::string PrefixOf(const std::vector<std::string>& elements, size_t count) {
  if (count == 0) return "/";
  std::string prefix;
  for (size_t i = 0; i < count; ++i) prefix += "/" + elements[i];
  return prefix;
}

// How many leading elements form the top of the chain: the sandbox root when the path
// lies inside it, else none ("/").
size_t TopElementCount(const std::vector<std::string>& elements) {
  if (!InSandboxRoot()) return 0;
  std::vector<std::string> root;
  if (!SplitElements(SystemRoot(), root) || root.size() > elements.size()) return 0;
  for (size_t i = 0; i < root.size(); ++i) {
    if (root[i] != elements[i]) return 0;
  }
  return root.size();
}

bool OwnedByUs(const struct stat& st) { return st.st_uid == 0 || st.st_uid == ::geteuid(); }
bool WritableByOthers(const struct stat& st) { return (st.st_mode & (S_IWGRP | S_IWOTH)) != 0; }

}  // namespace

FolderTrust JudgeFolderTrust(const std::string& path) {
  std::vector<std::string> elements;
  if (!SplitElements(path, elements)) return FolderTrust::kInvalidPath;
  const size_t top = TopElementCount(elements);

  // The top itself may be reached through a link (a sandbox root often is); nothing below it.
  struct stat st {};
  if (::stat(PrefixOf(elements, top).c_str(), &st) != 0) {
    return errno == ENOENT ? FolderTrust::kMissing : FolderTrust::kUnreadable;
  }
  if (!S_ISDIR(st.st_mode)) return FolderTrust::kNotAFolder;
  std::vector<struct stat> chain = {st};
  for (size_t count = top + 1; count <= elements.size(); ++count) {
    if (::lstat(PrefixOf(elements, count).c_str(), &st) != 0) {
      if (errno == ENOENT) break;  // the rest is still to be made
      return FolderTrust::kUnreadable;
    }
    if (S_ISLNK(st.st_mode)) return FolderTrust::kIsLink;
    if (!S_ISDIR(st.st_mode)) return FolderTrust::kNotAFolder;
    chain.push_back(st);
  }

  // In a sticky folder nobody but an entry's owner may rename or remove it.
  for (size_t i = 0; i + 1 < chain.size(); ++i) {
    const bool sticky = (chain[i].st_mode & S_ISVTX) != 0;
    if (!OwnedByUs(chain[i]) || (WritableByOthers(chain[i]) && !sticky)) return FolderTrust::kParentNotTrusted;
  }
  if (!OwnedByUs(chain.back())) return FolderTrust::kOwnedByOther;
  if (WritableByOthers(chain.back())) return FolderTrust::kWritableByOthers;
  return FolderTrust::kTrusted;
}

const char* FolderTrustText(FolderTrust trust) {
  switch (trust) {
    case FolderTrust::kTrusted: return "it is trusted";
    case FolderTrust::kInvalidPath: return "it is not an absolute path without \".\" and \"..\"";
    case FolderTrust::kMissing: return "no part of it exists";
    case FolderTrust::kUnreadable: return "it or a folder above it cannot be examined";
    case FolderTrust::kIsLink: return "it or a folder above it is a link";
    case FolderTrust::kNotAFolder: return "it or a folder above it is not a folder";
    case FolderTrust::kOwnedByOther: return "it belongs to another user";
    case FolderTrust::kWritableByOthers: return "it is writable by other users";
    case FolderTrust::kParentNotTrusted: return "a folder above it belongs to another user or is writable by others";
  }
  return "it is not trusted";
}

}  // namespace platform
