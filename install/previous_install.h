// Whether a folder holds an earlier install of this product, the one thing that lets an
// install empty a folder that is not empty and an uninstall delete it: the product's
// uninstall entry names the folder, and its uninstaller is one root put there.
#pragma once

#include <string>

namespace install {

// True when `folder` is a folder (not a link to one) holding this product's uninstaller
// as a regular file (not a link) owned by root or by the effective user.
bool HoldsProductInstall(const std::string& folder);

// True when the "InstallLocation" of the uninstall entry of `productKeyName` (with
// "(x64)" appended for `is64Bit`) names `folder`, and HoldsProductInstall(folder). The
// entry is read without being created. Whether `folder` itself may be trusted is the
// caller's question (platform::JudgeFolderTrust).
bool IsPreviousInstall(const std::string& folder, const std::string& productKeyName, bool is64Bit);

}  // namespace install
