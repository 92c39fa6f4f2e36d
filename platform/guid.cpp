#include "platform/guid.h"

#include <sys/random.h>

#include <cerrno>
#include <cstddef>

namespace platform {

namespace {

bool ReadKernelRandom(std::uint8_t* buffer, std::size_t size) {
  std::size_t done = 0;
  while (done < size) {
    const ssize_t got = getrandom(buffer + done, size - done, 0);
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(got);
  }
  return true;
}

}  // namespace

bool ReadRandomBytes(void* buffer, std::size_t size) {
  return ReadKernelRandom(static_cast<std::uint8_t*>(buffer), size);
}

bool CreateGuid(Guid& out) {
  out = Guid{};
  std::uint8_t bytes[16];
  if (!ReadKernelRandom(bytes, sizeof bytes)) return false;
  bytes[6] = static_cast<std::uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
  bytes[8] = static_cast<std::uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
  // Big-endian fields, so that the printed text shows the bytes in their order.
  out.data1 =
      (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) | bytes[3];
  out.data2 = static_cast<std::uint16_t>((bytes[4] << 8) | bytes[5]);
  out.data3 = static_cast<std::uint16_t>((bytes[6] << 8) | bytes[7]);
  for (int i = 0; i < 8; ++i) out.data4[i] = bytes[8 + i];
  return true;
}

}  // namespace platform
