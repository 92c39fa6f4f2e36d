// File-system helpers shared by the whole installer. None of them logs.
#pragma once

#include <string>

namespace base {

// The folder helpers of platform/folder_tree.h under the installer's own names.
bool CreateFolderChain(const std::wstring& path);
bool CreateParentFolder(const std::wstring& path);
// Keeps read-only files (a file without any write permission bit plays one), and so
// the folder chain holding them, as the product's own deletion always has.
bool DeleteFolderTree(const std::wstring& path);
// Free megabytes (total free bytes / 1024 / 1024) of the file system holding `folder`;
// 0 on failure.
long long GetDiskFreeMB(const std::wstring& folder);
// Resource `id` of `type` from the program's bundle as text, ending at its first zero byte.
bool LoadResourceText(int id, const std::wstring& type, std::string& out);
// True on 64-bit machines.
bool Is64BitWindows();

}  // namespace base
