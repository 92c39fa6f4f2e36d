// The 4096-byte info block of a setup package: names the product and locates the
// payload (a 7z archive) and the uninstaller inside the package file.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace install {

inline constexpr std::size_t kPackageInfoSize = 4096;
// The file offset that holds the offset of the info block (a reserved word of the
// executable's DOS header, ignored by the loader).
inline constexpr long kPackageInfoOffsetPosition = 32;
// Pre-filled into the signature before the block is read; never compared.
inline constexpr char kPackageSignature[8] = {'T', 'o', 'r', 'v', 'a', 'n', 'e', 'l'};

// All integers are 32-bit little-endian and signed; all offsets are absolute file
// offsets. Text fields are NUL-terminated UTF-8 and end at the next field.
struct PackageInfo {
  char signature[8];
  std::int32_t uninstallerOffset;
  std::int32_t uninstallerSize;
  std::int32_t payloadOffset;
  std::int32_t payloadSize;
  char reserved1[81];
  char productKeyName[64];  // "Corvex 11": default folder name, uninstall key name
  char displayName[64];     // "Corvex 11 (x64)"
  char version[32];         // "1.0.0.1"
  char shortName[16];       // "Corvex"
  char releaseDate[16];     // "2020-06-16"
  char webAddress[128];
  char publisher[67];
  std::int32_t is64Bit;  // non-zero: the payload holds the 64-bit build
  char reserved2[3600];
};

static_assert(std::endian::native == std::endian::little, "the block is stored little-endian");
static_assert(sizeof(PackageInfo) == kPackageInfoSize);
static_assert(offsetof(PackageInfo, uninstallerOffset) == 8);
static_assert(offsetof(PackageInfo, uninstallerSize) == 12);
static_assert(offsetof(PackageInfo, payloadOffset) == 16);
static_assert(offsetof(PackageInfo, payloadSize) == 20);
static_assert(offsetof(PackageInfo, productKeyName) == 105);
static_assert(offsetof(PackageInfo, displayName) == 169);
static_assert(offsetof(PackageInfo, version) == 233);
static_assert(offsetof(PackageInfo, shortName) == 265);
static_assert(offsetof(PackageInfo, releaseDate) == 281);
static_assert(offsetof(PackageInfo, webAddress) == 297);
static_assert(offsetof(PackageInfo, publisher) == 425);
static_assert(offsetof(PackageInfo, is64Bit) == 492);
static_assert(offsetof(PackageInfo, reserved2) == 496);

// An all-zero block.
inline PackageInfo EmptyPackageInfo() {
  PackageInfo info;
  std::memset(&info, 0, sizeof(info));
  return info;
}

// The text of a field up to its terminator, or the whole field when a foreign block
// has none.
template <std::size_t N>
std::string PackageInfoText(const char (&field)[N]) {
  const void* end = std::memchr(field, '\0', N);
  return std::string(field, end ? static_cast<const char*>(end) - field : N);
}

// Stores `text` cut to fit with its terminator; the rest of the field is zeroed.
template <std::size_t N>
void SetPackageInfoText(char (&field)[N], std::string_view text) {
  std::memset(field, 0, N);
  std::memcpy(field, text.data(), text.size() < N ? text.size() : N - 1);
}

}  // namespace install
