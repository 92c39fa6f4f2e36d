// What the uninstall page tells the user when an uninstall removed nothing or not
// everything, in the language of the UI. The command line keeps the English wording
// of DescribeUninstallFailure.
#pragma once

#include <string>

#include "install/uninstall_work.h"

namespace setup {

// Empty for a result that removed everything.
std::wstring UninstallFailureMessage(const install::UninstallRequest& request, const install::UninstallResult& result);

}  // namespace setup
