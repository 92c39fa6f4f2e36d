// Globally unique identifiers made from kernel randomness.
#pragma once

#include <cstddef>
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

// Fills `buffer` with random bytes from the kernel; false when none could be had.
bool ReadRandomBytes(void* buffer, std::size_t size);

}  // namespace platform
