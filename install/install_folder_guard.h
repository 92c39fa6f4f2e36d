// Which folders the installer may empty or delete as a whole: never the root, a home
// folder, the user's own folders or a system folder, and for an uninstall only a folder
// that holds this product's uninstaller.
#pragma once

#include <string>

enum class FolderVerdict {
  kMayDelete,
  kEmptyPath,
  kRelativePath,
  kRootFolder,      // "/" or the sandbox root
  kHomeFolder,      // a home folder, one of the user's own folders, or a folder above one
  kSystemFolder,    // a folder of the operating system, inside one, or above one
  kNotProductInstall,
};

// Whether `folder` may be emptied or deleted. The path is judged as written (".." and
// "." resolved, trailing '/' ignored) and as its links resolve, and the stricter
// verdict holds. Under a sandbox root the same folders below that root are refused too.
FolderVerdict CheckFolderMayBeDeleted(const std::string& folder);
FolderVerdict CheckFolderMayBeDeleted(const std::wstring& folder);

// True when `folder` is a folder (not a link to one) holding this product's uninstaller
// as a regular file (not a link).
bool HoldsProductInstall(const std::string& folder);

// CheckFolderMayBeDeleted, then HoldsProductInstall: what an uninstall may remove.
FolderVerdict CheckInstallFolderForUninstall(const std::string& folder);
FolderVerdict CheckInstallFolderForUninstall(const std::wstring& folder);

// A short reason for log lines and messages, e.g. "it is a system folder".
const char* FolderVerdictText(FolderVerdict verdict);
