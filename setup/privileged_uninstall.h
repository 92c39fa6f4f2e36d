// Removing the installation from the desktop user's side: the system's half runs in
// the install helper, the user's half (links, configurations) here.
#pragma once

#include "base/progress_callback.h"
#include "install/uninstall_work.h"

// UninstallWork's events and result; refused without any change when the helper
// cannot be started (rights not granted).
UninstallResult UninstallThroughHelper(const UninstallRequest& request, const ProgressCallback& events);
