// Which folders the installer may empty or delete as a whole: never the root, a home
// folder, the user's own folders or a system folder, and for an uninstall only a
// trusted folder that holds a previous install of this product.
#pragma once

#include <string>

namespace install {

enum class FolderVerdict {
  kMayDelete,
  kEmptyPath,
  kRelativePath,
  kRootFolder,         // "/" or the sandbox root
  kHomeFolder,         // a home folder, one of the user's own folders, or a folder above one
  kSystemFolder,       // a folder of the operating system, inside one, or above one
  kNotProductInstall,  // not the registered folder of this product, or no uninstaller of root's there
  kNotTrusted,         // it, or a folder above it, is a link, another user's, or writable by others
};

// Whether `folder` may be emptied or deleted. The path is judged as written (".." and
// "." resolved, trailing '/' ignored) and as its links resolve, and the stricter
// verdict holds. Under a sandbox root the same folders below that root are refused too.
FolderVerdict CheckFolderMayBeDeleted(const std::string& folder);
FolderVerdict CheckFolderMayBeDeleted(const std::wstring& folder);

// CheckFolderMayBeDeleted, then platform::JudgeFolderTrust, then IsPreviousInstall of
// the product's entry (`productKeyName`, "(x64)" appended for `is64Bit`): what an
// uninstall may remove.
FolderVerdict CheckInstallFolderForUninstall(const std::string& folder, const std::string& productKeyName,
                                             bool is64Bit);
FolderVerdict CheckInstallFolderForUninstall(const std::wstring& folder, const std::string& productKeyName,
                                             bool is64Bit);

// A short reason for log lines and messages, e.g. "it is a system folder".
const char* FolderVerdictText(FolderVerdict verdict);

}  // namespace install
