#include "download/resume_scan.h"

#include "download/md5_digest.h"
#include "platform/file_range_copy.h"

namespace download {

namespace {

void AppendMerged(std::vector<ByteRange>& ranges, std::uint32_t first, std::uint32_t last) {
  if (!ranges.empty() && ranges.back().last + 1 == first) {
    ranges.back().last = last;
  } else {
    ranges.push_back({first, last});
  }
}

}  // namespace

ResumeScan ScanForResume(const unsigned char* image, std::uint32_t size, const std::vector<std::string>& blockDigests) {
  ResumeScan scan;
  std::uint32_t next = 0;  // first byte not yet placed in either list
  for (const BlockCheck& block : PlanBlockChecks(size, blockDigests.size())) {
    if (Md5Hex(image + block.offset, block.length) != blockDigests[block.digestIndex]) continue;
    if (block.offset > next) AppendMerged(scan.missing, next, block.offset - 1);
    AppendMerged(scan.kept, block.offset, block.offset + block.length - 1);
    scan.keptBlocks.push_back(block.offset / kHashBlockSize);
    scan.keptBytes += block.length;
    next = block.offset + block.length;
  }
  if (next < size) AppendMerged(scan.missing, next, size - 1);
  return scan;
}

ResumeScan ReadForResume(std::FILE* file, unsigned char* image, std::uint32_t size,
                         const std::vector<std::string>& blockDigests) {
  if (size == 0 || !platform::ReadRange(file, 0, image, size)) {
    ResumeScan nothing;
    if (size > 0) nothing.missing.push_back({0, size - 1});
    return nothing;
  }
  return ScanForResume(image, size, blockDigests);
}

std::vector<SegmentRange> PlanResumeSegments(std::vector<ByteRange> missing, std::size_t mirrorCount, int perUrl) {
  std::vector<SegmentRange> plan;
  if (missing.empty() || mirrorCount == 0) return plan;
  const std::size_t limit = mirrorCount * static_cast<std::size_t>(EffectiveThreadsPerUrl(perUrl));

  while (missing.size() > limit) {
    std::size_t closest = 0;
    for (std::size_t i = 1; i + 1 < missing.size(); ++i) {
      if (missing[i + 1].first - missing[i].last < missing[closest + 1].first - missing[closest].last) closest = i;
    }
    missing[closest].last = missing[closest + 1].last;
    missing.erase(missing.begin() + static_cast<std::ptrdiff_t>(closest) + 1);
  }

  auto length = [&](std::size_t i) { return std::uint64_t{missing[i].last} - missing[i].first + 1; };
  std::vector<std::uint64_t> parts(missing.size(), 1);
  for (std::size_t used = missing.size(); used < limit; ++used) {
    std::size_t longest = 0;
    for (std::size_t i = 1; i < missing.size(); ++i) {
      // length(i) / parts[i] > length(longest) / parts[longest], without rounding.
      if (length(i) * parts[longest] > length(longest) * parts[i]) longest = i;
    }
    if (length(longest) / (parts[longest] + 1) < kMinSplitRemainder) break;
    ++parts[longest];
  }

  for (std::size_t i = 0; i < missing.size(); ++i) {
    const std::uint64_t part = length(i) / parts[i];
    for (std::uint64_t k = 0; k < parts[i]; ++k) {
      SegmentRange range;
      range.nStart = static_cast<std::uint32_t>(missing[i].first + k * part);
      range.nEnd = k + 1 == parts[i] ? missing[i].last : static_cast<std::uint32_t>(range.nStart + part - 1);
      range.mirrorIndex = plan.size() % mirrorCount;
      plan.push_back(range);
    }
  }
  return plan;
}

}  // namespace download
