// Finding the installation to remove, and the unattended uninstall (--uninstall --silent)
// that runs without any window.
#pragma once

#include "install/uninstall_target.h"

namespace setup {

// Exit codes of the unattended uninstall.
enum class UninstallExitCode : int {
  kRemoved = 0,
  kRefused = 1,    // no installation found, or its folder may not be deleted
  kFilesLeft = 2,  // part of the install folder could not be removed
};

// The installation this run removes: the uninstaller's own folder, --path, or the
// registered entry of the product profile. Logs where it came from.
install::UninstallTarget FindThisRunsUninstallTarget();

// Removes the installation on the calling thread, keeping the user's configurations.
UninstallExitCode RunSilentUninstall();

}  // namespace setup
