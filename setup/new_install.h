// Whether this installation is the product's first on this machine for this user.
#pragma once

#include "install/package_info.h"

namespace setup {

// 1 for a first installation, 0 when `bHasOldVersion` (uninstall.exe was in the
// install folder before unpacking), when the previous install folder of this product
// still exists, when the main product has recorded its user (either registry view),
// or when it has already run for the desktop user. Logs each finding. Install worker.
int IsNewInstall(bool bHasOldVersion, const install::PackageInfo& info);

// The main product's folder in the desktop user's roaming application data exists:
// it has run for this user before.
bool ProductHasRunForUser();

}  // namespace setup
