// Removing the installed product: its own clean-up run, its processes, the install
// folder, the shortcuts, optionally the user's configurations, and its uninstall entry.
#pragma once

#include <string>

#include "base/progress_events.h"
#include "install/install_folder_guard.h"

namespace install {

// How long the main program's own clean-up may take before the uninstall goes on
// without it: an uninstaller must not hang on a product that never ends.
inline constexpr int kMainProgramCleanupWaitMs = 5 * 60 * 1000;

struct UninstallRequest {
  std::string installFolder;
  std::string productKeyName;  // "Corvex 11"
  bool is64Bit = false;
  bool keepConfigurations = true;
  int mainProgramWaitMs = kMainProgramCleanupWaitMs;
};

enum class UninstallOutcome : long {
  kRemoved = 0,
  kRefused = 1,    // the folder guard refused the install folder; nothing was touched
  kFilesLeft = 2,  // everything ran, but part of the install folder is still there
};

struct UninstallResult {
  UninstallOutcome outcome = UninstallOutcome::kRemoved;
  FolderVerdict verdict = FolderVerdict::kMayDelete;  // why the folder was refused
  bool notAuthorized = false;                         // refused before any check: administrator rights were not granted
};

// Runs on the uninstall worker thread; `events` is called on that thread. The install
// folder is checked first (CheckInstallFolderForUninstall): a refused folder gets a log
// line and kUninstallEventFailed, and nothing else happens. The folder tree is deleted without
// following links or crossing into anything mounted inside it.
UninstallResult UninstallWork(const UninstallRequest& request, const base::ProgressCallback& events);

// The two halves of UninstallWork, for a run whose privileged part is done elsewhere.
// The system's half: the folder check, the product's processes and clean-up run, the
// install folder, all users' menu entries and the uninstall entry; events up to 60.
UninstallResult RemoveInstallation(const UninstallRequest& request, const base::ProgressCallback& events);
// The desktop user's half, after a kRemoved or kFilesLeft system half: the user's links,
// the icon refresh, the configurations when asked; then the final events.
void RemoveUserTraces(const UninstallRequest& request, const UninstallResult& result,
                      const base::ProgressCallback& events);

// The text shown to the user when the result is not kRemoved.
std::string DescribeUninstallFailure(const UninstallRequest& request, const UninstallResult& result);

}  // namespace install
