#include "base/file_helpers.h"

#include <cmath>

#include "platform/folder_tree.h"
#include "platform/known_folders.h"
#include "platform/path.h"
#include "platform/resources.h"
#include "platform/system_info.h"
#include "platform/text.h"

namespace base {

bool CreateFolderChain(const std::wstring& path) { return platform::CreateFolderChain(platform::WideToNarrow(path)); }

bool CreateParentFolder(const std::wstring& path) { return platform::CreateParentFolder(platform::WideToNarrow(path)); }

bool DeleteFolderTree(const std::wstring& path) {
  return platform::DeleteFolderTree(platform::WideToNarrow(path), platform::ReadOnlyFiles::kKeep);
}

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

}  // namespace base
