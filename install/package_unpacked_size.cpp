#include "install/package_unpacked_size.h"

#include "install/seven_zip_listing.h"
#include "platform/text.h"

namespace install {

std::uint64_t UnpackedPayloadSize(const std::wstring& packagePath) {
  // The program finds the archive inside the package by itself.
  const ArchiveListing listing = ListArchive(platform::WideToNarrow(packagePath), std::string(), nullptr);
  if (!listing.opened) return 0;
  std::uint64_t total = 0;
  for (const ArchiveEntry& entry : listing.entries) total += entry.size;
  return total;
}

}  // namespace install
