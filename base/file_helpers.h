// File-system helpers shared by the whole installer. None of them logs.
#pragma once

#include <string>

// False when the path is longer than 260 characters. Otherwise creates every prefix
// that ends before a '/', from the left, then the whole path unless it ends with '/'.
// Creation failures are ignored.
bool CreateFolderChain(const std::wstring& path);
// CreateFolderChain of the path up to and including its last '/'.
bool CreateParentFolder(const std::wstring& path);
// Deletes the files and sub-folders of `path`, then `path` itself. A file without any
// write permission bit plays the read-only file: it is kept, and so is its folder chain.
// False only when the folder cannot be listed (or the path is empty).
bool DeleteFolderTree(const std::wstring& path);
// Free megabytes (total free bytes / 1024 / 1024) of the file system holding `folder`;
// 0 on failure.
long long GetDiskFreeMB(const std::wstring& folder);
// Resource `id` of `type` from the program's bundle as text, ending at its first zero byte.
bool LoadResourceText(int id, const std::wstring& type, std::string& out);
// True on 64-bit machines.
bool Is64BitWindows();
