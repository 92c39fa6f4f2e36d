// Where a 7z archive keeps what a listing reads: the start header, the next header
// and, when that header is itself packed, the packed streams it names. Lets the
// listing run on a copy holding only these ranges while the whole archive is still
// being staged.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace install {

struct ArchiveByteRange {
  std::uint64_t offset = 0;
  std::uint64_t length = 0;
};

// Reads `length` bytes at `offset` into `out`; false when they are not all there.
using ArchiveReader = std::function<bool(std::uint64_t offset, void* out, std::size_t length)>;

// The ranges, in file order, of an archive of `size` bytes whose start and next
// header check out against their CRCs. Empty when the archive is anything else
// (another format, damaged, a layout this reader does not know): the caller then
// lists the whole archive.
std::vector<ArchiveByteRange> SevenZipHeaderRanges(const ArchiveReader& read, std::uint64_t size);

// True when the first `length` bytes hold a 7z start header that checks out against
// its CRC: the 7-Zip program, looking for an archive inside a file, would take that
// one first.
bool ContainsSevenZipStartHeader(const ArchiveReader& read, std::uint64_t length);

}  // namespace install
