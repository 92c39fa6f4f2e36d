// Writes at an offset of an open stdio file without moving its position, so that
// several threads may write disjoint parts of one file at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

namespace platform {

// Bytes written (all of them unless the disk refuses), 0 on failure.
std::size_t WriteAt(std::FILE* file, const void* data, std::size_t size, std::uint64_t offset);

}  // namespace platform
