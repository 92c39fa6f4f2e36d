// The unattended install (--silent): the install checks and the same install
// sequence as the dialog's, on the calling thread, with no window and no GUI backend.
// It never asks a question; every failure is one line on stderr with its reason.
#pragma once

namespace setup {

// Exit statuses of the installer, as `--help` lists them.
enum class SetupExitStatus : int {
  kInstalled = 0,
  kRefused = 1,  // the install folder or a check refused the run
  kDownloadFailed = 2,
  kInstallFailed = 3,  // rolled back: the previous install, if any, is untouched
  kAnotherInstaller = 4,
  kStopped = 5,  // stopped by a signal before it was complete; rolled back
  kUsage = 64,   // the command line was refused; nothing was done
};

SetupExitStatus RunSilentInstall();

}  // namespace setup
