#include "setup/format_size.h"

#include <cstdio>
#include <cstring>

namespace setup {

namespace {
constexpr std::uint32_t kKiB = 1024;
constexpr std::uint32_t kMiB = 1024 * 1024;
}  // namespace

char* FormatSize(std::uint32_t bytes, char* buffer, std::size_t bufferSize) {
  if (!buffer || bufferSize == 0) return buffer;
  std::memset(buffer, 0, bufferSize);
  if (bytes > kMiB) {
    std::snprintf(buffer, bufferSize, "%.2fMB", bytes / static_cast<double>(kMiB));
  } else if (bytes < kKiB + 1) {
    std::snprintf(buffer, bufferSize, "%uByte", bytes);
  } else {
    std::snprintf(buffer, bufferSize, "%.2fKB", bytes / static_cast<double>(kKiB));
  }
  return buffer;
}

std::string FormatSize(std::uint32_t bytes) {
  char text[32];
  return FormatSize(bytes, text, sizeof text);
}

std::string FormatSpeed(std::uint32_t bytesPerSecond) { return FormatSize(bytesPerSecond) + "/s"; }

}  // namespace setup
