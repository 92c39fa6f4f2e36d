// A setup package as a download may deliver it: its info block read as the setup
// dialog and corvex-pack --info read it, and its texts made printable.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "install/package_reader.h"
#include "platform/text.h"
#include "printable_text.h"

using namespace install;

namespace {

const std::string& PackagePath() {
  static const std::string path = [] {
    char pattern[] = "/tmp/corvex-fuzz-package-XXXXXX";
    const int fd = ::mkstemp(pattern);
    if (fd >= 0) ::close(fd);
    return std::string(pattern);
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::FILE* file = std::fopen(PackagePath().c_str(), "wb");
  if (!file) std::abort();
  std::fwrite(data, 1, size, file);
  std::fclose(file);

  PackageInfo info = EmptyPackageInfo();
  if (ReadPackageInfo(platform::NarrowToWide(PackagePath()).c_str(), &info) != S_OK) {
    const PackageInfo zero = EmptyPackageInfo();
    if (std::memcmp(&info, &zero, sizeof(info)) != 0) std::abort();  // a failed read leaves the block as it was
    return 0;
  }
  // What a successful read promises: the payload lies inside the file.
  if (info.payloadOffset < 0 || info.payloadSize < 0 ||
      static_cast<std::int64_t>(info.payloadOffset) + info.payloadSize > static_cast<std::int64_t>(size)) {
    std::abort();
  }
  for (const std::string& text :
       {PackageInfoText(info.productKeyName), PackageInfoText(info.displayName), PackageInfoText(info.version),
        PackageInfoText(info.publisher), PackageInfoText(info.webAddress)}) {
    for (const char c : PrintableText(text)) {
      if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) std::abort();
    }
  }
  return 0;
}
