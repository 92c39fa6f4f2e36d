// What the uninstall page tells the user when an uninstall removed nothing or not
// everything, in the language of the UI. The command line keeps the English wording
// of DescribeUninstallFailure.
#pragma once

#include <string>

#include "install/uninstall_work.h"

// Empty for a result that removed everything.
std::wstring UninstallFailureMessage(const UninstallRequest& request, const UninstallResult& result);
