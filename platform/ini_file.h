#pragma once

#include <string>

namespace platform {

// GetPrivateProfileInt semantics: a missing file, section or key gives `defaultValue`;
// a value is read as its leading decimal number ("2abc" is 2), a value that does not
// start with one is 0. A file that cannot be parsed counts as missing.
int GetPrivateProfileInt(const std::string& section, const std::string& key, int defaultValue,
                         const std::wstring& path);

}  // namespace platform
