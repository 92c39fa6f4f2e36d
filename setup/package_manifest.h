// The download manifest embedded in the program, read for what the install needs of
// it besides the download: the package's size and whole-file digest.
#pragma once

#include <string>

namespace setup {

// The manifest of the edition from the program's resources; false when it is missing.
bool LoadPackageManifest(bool is64Bit, std::string& out);

// The package size the manifest announces; 0 when it says none.
long long ManifestPackageSize(const std::string& manifest);
// The whole-file MD5 in upper-case hex; empty when the manifest has none.
std::string ManifestPackageDigest(const std::string& manifest);

}  // namespace setup
