// Removing the installation from the desktop user's side: the system's half runs in
// the install helper, the user's half (links, configurations) here.
#pragma once

#include "base/progress_callback.h"
#include "install/uninstall_work.h"

namespace setup {

// UninstallWork's events and result; refused without any change when the helper
// cannot be started (rights not granted).
install::UninstallResult UninstallThroughHelper(const install::UninstallRequest& request,
                                                const base::ProgressCallback& events);

}  // namespace setup
