// The values that describe how far an installation has come, shared by the install
// sequence (which sets them) and the setup dialog (which shows them).
#pragma once

#include <atomic>
#include <cstdint>

namespace setup {

// `eInstall`: what the install button does next.
enum InstallState : int { kInstallReady = 0, kInstallOnInstall = 1, kInstallAfterInstall = 2, kInstallRetry = 3 };
// `stage`: how far the install sequence has come.
enum InstallStage : int { kStageReady = 0, kStageDownloading = 1, kStageInstalling = 2, kStageDone = 3 };
// The looks of the main page (UpdateCtrlStatus).
enum CtrlStatus : int { kCtrlReady = 0, kCtrlWorking = 1, kCtrlFinished = 2, kCtrlRetry = 3 };

// How a run of the sequence ended.
enum class InstallOutcome {
  kRunning,
  kInstalled,
  kDownloadFailed,  // the retry state
  kRefused,         // a check before the download refused the run
  kInstallFailed,   // rolled back: the machine is as it was before
  kCancelled,       // a close stopped it, before the install phase or rolled back
};

// What went wrong, for the message the user sees and the silent run's stderr line.
enum class InstallFailure {
  kNone,
  kNoManifest,
  kNoDownloader,
  kDownloadsNotWritable,
  kNoSpaceForDownload,
  kDownload,
  kNeedsUpdate,
  kNoSpaceForProduct,
  kFolderNotWritable,
  kFolderNotOurs,
  kExtraction,
  kDiskFull,
  kShortcuts,
  kRegistration,
  kSwap,
  kNotAuthorized,       // administrator rights were refused or cannot be asked for
  kPackageNotVerified,  // the bytes the installer received are not the verified package
  kHelperLost,          // the install helper ended in the middle of the installation
};

// Process-wide flags of the close report, all initially false (the two option
// flags initially true).
struct CloseReportFlags {
  std::atomic<bool> downloadDone{false};  // a download ended, with or without success
  std::atomic<bool> startedByCountdown{false};
  std::atomic<bool> launchedFromFinish{false};
  std::atomic<bool> folderUnchanged{false};
  std::atomic<bool> folderChecked{false};  // the install checks passed once
  std::atomic<bool> programmeTicked{true};
  std::atomic<bool> desktopTicked{true};
};
CloseReportFlags& GetCloseReportFlags();
// Back to the values at process start (tests run several dialogs in one process).
void ResetCloseReportFlags();

}  // namespace setup
