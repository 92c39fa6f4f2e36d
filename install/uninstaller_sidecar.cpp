#include "install/uninstaller_sidecar.h"

#include <cstring>
#include <fstream>

namespace install {

bool ReadUninstallerSidecar(const std::string& path, PackageInfo& block) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return false;
  PackageInfo read = EmptyPackageInfo();
  file.read(reinterpret_cast<char*>(&read), sizeof(read));
  if (file.gcount() != static_cast<std::streamsize>(sizeof(read))) return false;
  // Anything after the block means this is not a sidecar this program wrote.
  if (file.peek() != std::ifstream::traits_type::eof()) return false;
  const void* end = std::memchr(read.productKeyName, '\0', sizeof(read.productKeyName));
  if (end == nullptr || read.productKeyName[0] == '\0') return false;
  block = read;
  return true;
}

}  // namespace install
