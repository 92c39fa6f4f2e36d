// MD5 (RFC 1321) of memory and files, rendered as 32 upper-case hex digits.
#pragma once

#include <cstddef>
#include <string>

namespace download {

inline constexpr std::size_t kMd5Size = 16;
inline constexpr std::size_t kMd5TextLength = 32;

// Writes the 32 digits (and a NUL when there is room) into `out`; false without
// writing when `outSize` is below 32.
bool Md5Text(const void* data, std::size_t size, char* out, std::size_t outSize);
std::string Md5Hex(const void* data, std::size_t size);
// "%02X" for each byte, in digest byte order.
std::string DigestToHex(const unsigned char (&digest)[kMd5Size]);

// Digest of a whole file; false when it does not exist or cannot be read.
bool Md5File(const std::string& path, unsigned char (&digest)[kMd5Size]);

}  // namespace download
