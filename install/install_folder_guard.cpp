#include "install/install_folder_guard.h"

#include <cstdlib>
#include <filesystem>
#include <initializer_list>
#include <span>
#include <system_error>
#include <vector>

#include "install/previous_install.h"
#include "platform/folder_trust.h"
#include "platform/known_folders.h"
#include "platform/text.h"

namespace install {

namespace fs = std::filesystem;

namespace {

// Folders of the operating system that hold nothing of ours at any depth.
constexpr const char* kSystemTrees[] = {"/bin",    "/boot", "/dev", "/etc",  "/lib", "/lib32", "/lib64",
                                        "/libx32", "/proc", "/run", "/sbin", "/sys", "/usr",   "/var"};
// Folders that may hold an install folder but must never be removed themselves.
constexpr const char* kSystemParents[] = {"/opt", "/home", "/srv", "/mnt", "/media", "/tmp"};

std::string WithoutTrailingSlash(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

std::string LexicalForm(const std::string& path) {
  return WithoutTrailingSlash(fs::path(path).lexically_normal().string());
}

// The path with every link of its existing part resolved; empty when it cannot be.
std::string ResolvedForm(const std::string& path) {
  std::error_code error;
  const fs::path resolved = fs::weakly_canonical(fs::path(path), error);
  return error ? std::string() : WithoutTrailingSlash(resolved.lexically_normal().string());
}

// True when `path` is `folder` or lies below it.
bool IsInside(const std::string& path, const std::string& folder) {
  if (folder == "/") return true;
  if (path.compare(0, folder.size(), folder) != 0) return false;
  return path.size() == folder.size() || path[folder.size()] == '/';
}

// The system locations as they are on this machine and, in a sandbox, below its root.
std::vector<std::string> BothRoots(std::span<const char* const> paths) {
  std::vector<std::string> out;
  for (const char* path : paths) {
    out.emplace_back(path);
    if (platform::InSandboxRoot()) out.push_back(platform::SystemRoot() + path);
  }
  return out;
}

std::vector<std::string> UserFolders() {
  std::vector<std::string> out = {"/root"};
  if (const char* home = std::getenv("HOME"); home && *home) out.emplace_back(home);
  if (const std::string home = platform::ResolveDesktopUser().home; !home.empty()) out.push_back(home);
  for (platform::KnownFolder known :
       {platform::KnownFolder::Documents, platform::KnownFolder::Downloads, platform::KnownFolder::Desktop,
        platform::KnownFolder::RoamingAppData, platform::KnownFolder::LocalAppData, platform::KnownFolder::UserPrograms,
        platform::KnownFolder::LocalState}) {
    const std::string folder = platform::WideToNarrow(platform::GetKnownFolder(known));
    if (!folder.empty()) out.push_back(folder);
  }
  for (std::string& folder : out) folder = LexicalForm(folder);
  return out;
}

FolderVerdict Classify(const std::string& path) {
  if (path == "/" || (platform::InSandboxRoot() && path == LexicalForm(platform::SystemRoot()))) {
    return FolderVerdict::kRootFolder;
  }
  for (const std::string& tree : BothRoots(kSystemTrees)) {
    if (IsInside(path, tree) || IsInside(tree, path)) return FolderVerdict::kSystemFolder;
  }
  for (const std::string& own : UserFolders()) {
    if (IsInside(own, path)) return FolderVerdict::kHomeFolder;
  }
  for (const std::string& parent : BothRoots(kSystemParents)) {
    if (IsInside(parent, path)) return FolderVerdict::kSystemFolder;
  }
  return FolderVerdict::kMayDelete;
}

}  // namespace

FolderVerdict CheckFolderMayBeDeleted(const std::string& folder) {
  if (folder.empty()) return FolderVerdict::kEmptyPath;
  if (folder.front() != '/') return FolderVerdict::kRelativePath;
  const FolderVerdict asWritten = Classify(LexicalForm(folder));
  if (asWritten != FolderVerdict::kMayDelete) return asWritten;
  const std::string resolved = ResolvedForm(folder);
  return resolved.empty() ? FolderVerdict::kMayDelete : Classify(resolved);
}

FolderVerdict CheckFolderMayBeDeleted(const std::wstring& folder) {
  return CheckFolderMayBeDeleted(platform::WideToNarrow(folder));
}

FolderVerdict CheckInstallFolderForUninstall(const std::string& folder, const std::string& productKeyName,
                                             bool is64Bit) {
  const FolderVerdict verdict = CheckFolderMayBeDeleted(folder);
  if (verdict != FolderVerdict::kMayDelete) return verdict;
  // What is inside a folder others may change says nothing about whose it is.
  if (platform::JudgeFolderTrust(folder) != platform::FolderTrust::kTrusted) return FolderVerdict::kNotTrusted;
  return IsPreviousInstall(folder, productKeyName, is64Bit) ? FolderVerdict::kMayDelete
                                                            : FolderVerdict::kNotProductInstall;
}

FolderVerdict CheckInstallFolderForUninstall(const std::wstring& folder, const std::string& productKeyName,
                                             bool is64Bit) {
  return CheckInstallFolderForUninstall(platform::WideToNarrow(folder), productKeyName, is64Bit);
}

const char* FolderVerdictText(FolderVerdict verdict) {
  switch (verdict) {
    case FolderVerdict::kMayDelete: return "it may be deleted";
    case FolderVerdict::kEmptyPath: return "no folder is given";
    case FolderVerdict::kRelativePath: return "it is not an absolute path";
    case FolderVerdict::kRootFolder: return "it is the root folder";
    case FolderVerdict::kHomeFolder: return "it is a home folder, one of the user's own folders, or holds one";
    case FolderVerdict::kSystemFolder: return "it is a system folder";
    case FolderVerdict::kNotProductInstall:
      return "it is not this product's registered install folder holding its own uninstall.exe";
    case FolderVerdict::kNotTrusted: return "it or a folder above it is a link, another user's, or writable by others";
  }
  return "unknown verdict";
}

}  // namespace install
