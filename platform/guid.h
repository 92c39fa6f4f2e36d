// Globally unique identifiers made from kernel randomness.
#pragma once

#include <cstdint>

namespace platform {

struct Guid {
  std::uint32_t data1 = 0;
  std::uint16_t data2 = 0;
  std::uint16_t data3 = 0;
  std::uint8_t data4[8] = {};
};

// 16 random bytes from the kernel, shaped as a version-4 (random) GUID with the
// RFC 4122 variant. False, and `out` all zero, when no random bytes could be had.
bool CreateGuid(Guid& out);

}  // namespace platform
