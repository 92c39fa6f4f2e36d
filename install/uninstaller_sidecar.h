// uninstall.exe.bin: the package's info block, kept beside the uninstaller.
#pragma once

#include <string>

#include "install/package_info.h"

namespace install {

// Reads the sidecar at `path` into `block`. True only for a file of exactly one block
// whose product key name is a terminated, non-empty text; `block` is left as it was
// otherwise. The sidecar holds no payload, so the package's range checks do not apply.
bool ReadUninstallerSidecar(const std::string& path, PackageInfo& block);

}  // namespace install
