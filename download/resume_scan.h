// What an earlier, interrupted download left at the target: which 1 MiB blocks already
// hold the package's bytes, and how the rest is cut into segments.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "download/transfer_plan.h"

namespace download {

struct ByteRange {
  std::uint32_t first = 0;
  std::uint32_t last = 0;  // inclusive
  bool operator==(const ByteRange&) const = default;
};

struct ResumeScan {
  std::vector<std::size_t> keptBlocks;  // blocks that match their digest, ascending
  std::vector<ByteRange> kept;          // the bytes of keptBlocks, adjacent blocks merged
  std::vector<ByteRange> missing;       // every other byte of the file, merged likewise
  std::uint32_t keptBytes = 0;
  // Something to keep and something to fetch; otherwise the whole file is fetched.
  bool Resumes() const { return !keptBlocks.empty() && !missing.empty(); }
};

// Compares every block of the `size`-byte `image` that has a digest with it. Bytes
// past the digest list cannot be checked and count as missing.
ResumeScan ScanForResume(const unsigned char* image, std::uint32_t size, const std::vector<std::string>& blockDigests);

// Reads the `size` bytes of `file` into `image` and scans them; keeps nothing when the
// file cannot be read whole.
ResumeScan ReadForResume(std::FILE* file, unsigned char* image, std::uint32_t size,
                         const std::vector<std::string>& blockDigests);

// The segments that fetch `missing` (ascending, disjoint): at most mirrorCount x perUrl.
// With more ranges than that, the two with the shortest kept stretch between them are
// fetched as one, that stretch again included, until they fit. Ranges are then cut into
// equal parts, the longest parts first and none below kMinSplitRemainder, while
// segments are left. Mirrors take turns in rank order.
std::vector<SegmentRange> PlanResumeSegments(std::vector<ByteRange> missing, std::size_t mirrorCount, int perUrl);

}  // namespace download
