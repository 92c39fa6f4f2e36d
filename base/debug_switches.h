// The debug INI "VexDebugConfig.ini" in the user's Documents folder, section "root".
#pragma once

#include <string>

namespace base {

std::wstring GetDebugIniPath();
// "show_info_view" is 1.
bool IsInfoViewEnabled();
// "setup_test_mode" is 1. A true answer is cached for the rest of the process.
bool IsSetupTestMode();
// "setup_test_language", 0 when missing.
int GetDebugTestLanguage();

}  // namespace base
