#include "download/resume_scan.h"

#include <gtest/gtest.h>

#include "download/md5_digest.h"

using namespace download;

namespace {

constexpr std::uint32_t kMiB = kHashBlockSize;

struct Image {
  std::vector<unsigned char> bytes;
  std::vector<std::string> digests;  // of the intact blocks
};

// `size` bytes of a fixed pattern and the digests of its first `digestCount` blocks.
Image MakeImage(std::uint32_t size, std::size_t digestCount) {
  Image image;
  image.bytes.resize(size);
  for (std::uint32_t i = 0; i < size; ++i) image.bytes[i] = static_cast<unsigned char>(i * 31 + i / 4099);
  for (const BlockCheck& block : PlanBlockChecks(size, digestCount)) {
    image.digests.push_back(Md5Hex(image.bytes.data() + block.offset, block.length));
  }
  return image;
}

TEST(ResumeScan, KeepsTheBlocksThatVerifyAndFetchesEveryOtherByte) {
  const std::uint32_t size = 5 * kMiB + 1000;
  struct Case {
    const char* what;
    std::size_t digestCount;
    std::vector<std::uint32_t> zeroed;  // blocks zeroed before the scan
    std::vector<std::size_t> keptBlocks;
    std::vector<ByteRange> kept;
    std::vector<ByteRange> missing;
    bool resumes;
  };
  const Case cases[] = {
      {"holes in the middle and an intact short last block",
       6,
       {1, 2, 4},
       {0, 3, 5},
       {{0, kMiB - 1}, {3 * kMiB, 4 * kMiB - 1}, {5 * kMiB, size - 1}},
       {{kMiB, 3 * kMiB - 1}, {4 * kMiB, 5 * kMiB - 1}},
       true},
      {"bytes past the digest list are fetched however they look",
       4,
       {},
       {0, 1, 2, 3},
       {{0, 4 * kMiB - 1}},
       {{4 * kMiB, size - 1}},
       true},
      {"a bad first and last block",
       6,
       {0, 5},
       {1, 2, 3, 4},
       {{kMiB, 5 * kMiB - 1}},
       {{0, kMiB - 1}, {5 * kMiB, size - 1}},
       true},
      {"nothing verifies: the whole file", 6, {0, 1, 2, 3, 4, 5}, {}, {}, {{0, size - 1}}, false},
      {"everything verifies: nothing to resume", 6, {}, {0, 1, 2, 3, 4, 5}, {{0, size - 1}}, {}, false},
      {"no block digests at all", 0, {}, {}, {}, {{0, size - 1}}, false},
  };
  for (const Case& c : cases) {
    Image image = MakeImage(size, c.digestCount);
    for (std::uint32_t block : c.zeroed) {
      const std::uint32_t end = std::min(size, (block + 1) * kMiB);
      std::fill(image.bytes.begin() + block * kMiB, image.bytes.begin() + end, 0);
    }
    const ResumeScan scan = ScanForResume(image.bytes.data(), size, image.digests);
    EXPECT_EQ(scan.keptBlocks, c.keptBlocks) << c.what;
    EXPECT_EQ(scan.kept, c.kept) << c.what;
    EXPECT_EQ(scan.missing, c.missing) << c.what;
    std::uint32_t keptBytes = 0;
    for (const ByteRange& range : c.kept) keptBytes += range.last - range.first + 1;
    EXPECT_EQ(scan.keptBytes, keptBytes) << c.what;
    EXPECT_EQ(scan.Resumes(), c.resumes) << c.what;
  }
}

TEST(ResumeScan, MissingRangesBecomeAtMostOneSegmentPerConnection) {
  struct Case {
    const char* what;
    std::vector<ByteRange> missing;
    std::size_t mirrors;
    int perUrl;
    std::vector<SegmentRange> plan;
  };
  const std::uint32_t tail = 8 * kMiB + 611391;
  const Case cases[] = {
      {"three ranges over six connections: the longest parts are cut first",
       {{kMiB, 2 * kMiB - 1}, {4 * kMiB, 6 * kMiB - 1}, {8 * kMiB, tail}},
       3,
       2,
       {{kMiB, kMiB + 524287, 0},
        {kMiB + 524288, 2 * kMiB - 1, 1},
        {4 * kMiB, 4 * kMiB + 699049, 2},
        {4 * kMiB + 699050, 4 * kMiB + 1398099, 0},
        {4 * kMiB + 1398100, 6 * kMiB - 1, 1},
        {8 * kMiB, tail, 2}}},
      {"five ranges over two connections: the closest ones are fetched together, kept bytes between included",
       {{0, kMiB - 1},
        {2 * kMiB, 3 * kMiB - 1},
        {6 * kMiB, 7 * kMiB - 1},
        {8 * kMiB, 9 * kMiB - 1},
        {11 * kMiB, 12 * kMiB - 1}},
       1,
       2,
       {{0, 3 * kMiB - 1, 0}, {6 * kMiB, 12 * kMiB - 1, 0}}},
      {"no part below the split minimum", {{0, 999999}}, 5, 2, {{0, 999999, 0}}},
  };
  for (const Case& c : cases) {
    const std::vector<SegmentRange> plan = PlanResumeSegments(c.missing, c.mirrors, c.perUrl);
    ASSERT_EQ(plan.size(), c.plan.size()) << c.what;
    for (std::size_t i = 0; i < plan.size(); ++i) {
      EXPECT_EQ(plan[i].nStart, c.plan[i].nStart) << c.what << ", segment " << i;
      EXPECT_EQ(plan[i].nEnd, c.plan[i].nEnd) << c.what << ", segment " << i;
      EXPECT_EQ(plan[i].mirrorIndex, c.plan[i].mirrorIndex) << c.what << ", segment " << i;
    }
  }
  EXPECT_TRUE(PlanResumeSegments({}, 3, 2).empty());
  EXPECT_TRUE(PlanResumeSegments({{0, 99}}, 0, 2).empty());
}

}  // namespace
