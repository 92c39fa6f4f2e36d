#include "base/file_helpers.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>

#include "platform/known_folders.h"
#include "platform/path.h"
#include "platform/resources.h"
#include "platform/system_info.h"
#include "platform/text.h"
#include "platform/win_types.h"

bool CreateFolderChain(const std::wstring& path) {
  if (path.size() > static_cast<size_t>(kMaxPath)) return false;
  const std::string narrow = platform::WideToNarrow(path);
  for (size_t i = 0; i < narrow.size(); ++i) {
    if (narrow[i] == '/' && i > 0) ::mkdir(narrow.substr(0, i).c_str(), 0755);
  }
  if (!narrow.empty() && narrow.back() != '/') ::mkdir(narrow.c_str(), 0755);
  return true;
}

bool CreateParentFolder(const std::wstring& path) {
  const auto slash = path.rfind(L'/');
  if (slash == std::wstring::npos) return CreateFolderChain(L"");
  return CreateFolderChain(path.substr(0, slash + 1));
}

namespace {

bool HasNoWriteBit(const struct stat& st) { return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0; }

bool DeleteFolderTreeNarrow(std::string folder) {
  if (folder.empty()) return false;
  if (folder.back() != '/') folder += '/';
  DIR* dir = ::opendir(folder.c_str());
  if (!dir) return false;
  while (const struct dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string child = folder + name;
    struct stat st{};
    // lstat: a link is removed as itself, never followed into what it points at.
    if (::lstat(child.c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      DeleteFolderTreeNarrow(child);
    } else if (S_ISLNK(st.st_mode) || !HasNoWriteBit(st)) {
      ::unlink(child.c_str());
    }
  }
  ::closedir(dir);
  ::rmdir(folder.c_str());
  return true;
}

}  // namespace

bool DeleteFolderTree(const std::wstring& path) { return DeleteFolderTreeNarrow(platform::WideToNarrow(path)); }

long long GetDiskFreeMB(const std::wstring& folder) {
  // A folder that does not exist yet lives on the file system of its nearest existing ancestor.
  std::string probe = platform::WideToNarrow(folder);
  while (!probe.empty() && !platform::PathIsDirectory(probe)) {
    if (!platform::PathRemoveFileSpec(probe)) break;
  }
  const unsigned long long bytes = platform::GetFreeBytes(probe);
  return static_cast<long long>(std::trunc(static_cast<double>(bytes) / 1024.0 / 1024.0));
}

bool LoadResourceText(int id, const std::wstring& type, std::string& out) {
  std::string bytes;
  if (!platform::LoadResourceBytes(id, type, bytes)) return false;
  out.assign(bytes.c_str());
  return true;
}

bool Is64BitWindows() { return platform::IsNative64Bit(); }
