// Byte counts as the progress row and the diagnostics view show them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace setup {

// Zero-fills `buffer`, then writes "%dByte" below 1,025 bytes, "%.2fMB" above
// 1,048,576 and "%.2fKB" in between. Returns `buffer`.
char* FormatSize(std::uint32_t bytes, char* buffer, std::size_t bufferSize);
std::string FormatSize(std::uint32_t bytes);
// The same followed by "/s".
std::string FormatSpeed(std::uint32_t bytesPerSecond);

}  // namespace setup
