// How much room a package's payload takes once unpacked, for the free-space check
// before anything is written.
#pragma once

#include <cstdint>
#include <string>

namespace install {

// The sum of the listed sizes of the payload's entries; 0 when the package cannot
// be listed (the caller then judges by the payload's packed size).
std::uint64_t UnpackedPayloadSize(const std::wstring& packagePath);

}  // namespace install
