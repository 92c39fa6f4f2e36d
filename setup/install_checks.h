// The checks of the install button: edition, system version, install folder and free
// space, in that order. UI thread.
#pragma once

#include <string>

#include "install/package_info.h"
#include "platform/gui/gui_types.h"

namespace setup {

enum class InstallCheck {
  kPassed,
  kNeeds64BitSystem,   // a 64-bit package on a 32-bit machine (UI text 32)
  kSystemTooOld,       // the version gate refuses this system (UI text 29)
  kFolderInvalid,      // not an absolute path, too long, or not a folder (UI text 30)
  kFolderNotOurs,      // it holds files that are not a previous install of ours
  kFolderProtected,    // the root, a home folder, the user's own folders or a system folder
  kFolderNotWritable,  // a read-only file system, or no right to write there
  kNotEnoughSpace,     // 256 MB free or less (UI text 31)
};

// Free space at or below this many megabytes is refused.
inline constexpr long long kRefusedFreeSpaceMB = 256;

struct InstallCheckOutcome {
  InstallCheck result = InstallCheck::kPassed;
  bool folderUnchanged = false;  // passed, and the folder is the `installPathW` it had before
};

// The UI text of a failed check's message; 0 for kPassed.
int InstallCheckTextId(InstallCheck check);
// The English reason, for the log and the silent run's stderr line.
const char* InstallCheckReason(InstallCheck check);

// The folder judgement of the checks alone: kPassed, kFolderInvalid, kFolderNotOurs,
// kFolderProtected or kFolderNotWritable. A refusal is logged with the reason.
InstallCheck JudgeInstallFolder(const std::wstring& folder, const install::PackageInfo& info);

// Whether the install sequence may empty `folder` before it unpacks: never "/", a
// home folder, the user's own folders or a system folder; otherwise a folder that
// is trusted (platform::JudgeFolderTrust) and does not exist, is empty, or holds a
// previous install of this product (IsPreviousInstall of the entry of `info`). A refusal
// is logged with the folder and the reason. Any thread.
bool MayEmptyInstallFolder(const std::wstring& folder, const install::PackageInfo& info);

// The checks without a message box. `folderText` is the folder box's text (its
// first 520 characters count), or `installPathW` in silent mode. The folder chain is
// created; `installPathW` takes the folder once the folder checks have passed.
InstallCheckOutcome EvaluateInstallConditions(const install::PackageInfo& info, const std::wstring& folderText,
                                              std::wstring& installPathW);

// The install button's checks: EvaluateInstallConditions, then for a failure the
// one-button skinned message box owned by `owner` (caption "Corvex", button UI text
// 11); in silent mode the message is logged instead. True when the installation may
// start; then `folderUnchangedFlag` is set when the folder was not changed (the flag
// is never cleared here).
bool CheckInstallConditions(HWND owner, const install::PackageInfo& info, const std::wstring& folderText,
                            std::wstring& installPathW, bool& folderUnchangedFlag);

// Whether this process can make the install folder itself (root, or a sandbox root);
// otherwise the install helper makes it once the package is there.
bool InstallFoldersAreMadeHere();

}  // namespace setup
