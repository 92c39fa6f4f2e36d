// Copying part of an open file into a new file inside the kernel, so that the bytes
// never pass through this process's memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

namespace platform {

enum class RangeCopyResult {
  Copied,
  OutsideSource,     // the range does not lie inside the source, or it is no regular file
  TargetNotCreated,  // the target could not be created (or already had that name)
  ShortCopy,         // the target was created but holds only part of the range
};

// Checks [offset, offset + size) against the source's current size first, then
// creates `targetPath` with mode 0600 (never through a link, never an existing file)
// and copies the range into it. The source's stream position is left alone.
RangeCopyResult CopyRangeToNewFile(std::FILE* source, std::uint64_t offset, std::uint64_t size,
                                   const std::string& targetPath);

// Reads `length` bytes at `offset` of `source` without moving its stream position;
// false when they are not all there.
bool ReadRange(std::FILE* source, std::uint64_t offset, void* out, std::size_t length);

// Creates `targetPath` as CopyRangeToNewFile does, `size` bytes long and all hole, for
// writing at positions (WriteAt); nullptr when it cannot be created.
std::FILE* CreateSizedNewFile(const std::string& targetPath, std::uint64_t size);

// Gives the open file `source` the further name `linkPath` (a hard link, never over an
// existing name) when it holds [offset, offset + size) and nobody but this process's
// user can change it: a regular file of ours, writable by neither group nor others.
// False, with nothing made, otherwise or when the two lie on different file systems.
bool LinkUnchangeableFile(std::FILE* source, std::uint64_t offset, std::uint64_t size, const std::string& linkPath);

}  // namespace platform
