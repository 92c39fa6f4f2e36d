// Where the downloaded setup package is kept: the desktop user's Downloads folder,
// sub-folder "Corvex 11", under a name that carries the version it was fetched for.
#pragma once

#include <string>

namespace setup {

inline constexpr wchar_t kDownloadSubFolder[] = L"Corvex 11";

// `baseName` + "(" + the first 8 characters of `versionText` + ")" when the text is
// longer than 8 characters, + ".exe": "Corvex11_x64(11.0.9.2).exe".
std::wstring PackageFileName(const std::string& baseName, const std::string& versionText);

// Downloads/Corvex 11/<file name>, its folder chain created (and given to the desktop
// user). Empty when the Downloads folder is unknown or the path would not fit the
// 260-character buffers.
std::wstring PackageDownloadPath(const std::string& baseName, const std::string& versionText);

}  // namespace setup
