#include "download/block_tracker.h"

#include <algorithm>
#include <cstring>
#include <random>
#include <thread>

#include "download/md5_digest.h"
#include "download/prefix_digest.h"

#include <gtest/gtest.h>

using namespace download;

namespace {

using State = BlockTracker::State;

// Writes [offset, offset + length) and returns the blocks that became complete.
std::vector<std::size_t> Write(BlockTracker& tracker, std::uint32_t offset, std::uint32_t length) {
  std::vector<std::size_t> done;
  for (const auto& piece : tracker.Pieces(offset, length)) {
    if (piece.block != BlockTracker::kNoBlock && tracker.StateOf(piece.block) == State::Filling &&
        tracker.MarkWritten(piece)) {
      done.push_back(piece.block);
    }
  }
  return done;
}

TEST(BlockTracker, BlocksCompleteFromOutOfOrderOverlappingWrites) {
  BlockTracker tracker;
  tracker.Reset(2 * kHashBlockSize + 100, 3);
  ASSERT_EQ(tracker.BlockCount(), 3u);
  EXPECT_EQ(tracker.Block(2).length, 100u);

  const auto pieces = tracker.Pieces(kHashBlockSize - 10, 30);
  ASSERT_EQ(pieces.size(), 2u) << "a write across a block border is cut in two";
  EXPECT_EQ(pieces[0].block, 0u);
  EXPECT_EQ(pieces[0].length, 10u);
  EXPECT_EQ(pieces[1].block, 1u);

  EXPECT_TRUE(Write(tracker, 500000, 548576).empty());
  EXPECT_TRUE(Write(tracker, 0, 400000).empty());
  EXPECT_TRUE(Write(tracker, 399999, 2).empty()) << "bytes 400001-499999 are still missing";
  EXPECT_EQ(Write(tracker, 400000, 100001), std::vector<std::size_t>{0});
  EXPECT_EQ(tracker.StateOf(0), State::Complete);
  EXPECT_EQ(Write(tracker, kHashBlockSize, kHashBlockSize + 100), (std::vector<std::size_t>{1, 2}));

  EXPECT_FALSE(tracker.AllMatched());
  tracker.StoreResult(0, true);
  tracker.StoreResult(1, true);
  tracker.StoreResult(2, false);
  EXPECT_FALSE(tracker.AllMatched());
  EXPECT_TRUE(tracker.Matched(1));
  tracker.MarkStale(1);
  EXPECT_FALSE(tracker.Matched(1)) << "a changed block must be digested again";
}

TEST(BlockTracker, OnlyBlocksWithADigestAreTracked) {
  BlockTracker tracker;
  tracker.Reset(5 * kHashBlockSize, 2);
  ASSERT_EQ(tracker.BlockCount(), 2u);
  const auto pieces = tracker.Pieces(kHashBlockSize, 3 * kHashBlockSize);
  ASSERT_EQ(pieces.size(), 2u);
  EXPECT_EQ(pieces[1].block, BlockTracker::kNoBlock);
  EXPECT_EQ(pieces[1].length, 2 * kHashBlockSize);

  BlockTracker none;
  none.Reset(1000, 0);
  EXPECT_TRUE(none.AllMatched()) << "no digest, nothing to contradict the image";
}

// The digest thread follows blocks completed in any order and from several threads;
// a rewrite of an already hashed block, and blocks that never complete, still give
// the digest of what the image holds.
TEST(PrefixDigest, MatchesTheImageWhateverOrderBlocksCompleteIn) {
  constexpr std::uint32_t kBlock = 4096;
  constexpr std::size_t kBlocks = 64;
  const std::uint32_t size = kBlocks * kBlock + 123;  // a tail after the last block
  PrefixDigest::Image image(new unsigned char[size], std::default_delete<unsigned char[]>());
  std::mt19937 random(7);
  for (std::uint32_t i = 0; i < size; ++i) image.get()[i] = static_cast<unsigned char>(random());
  std::vector<std::uint32_t> ends;
  for (std::size_t k = 1; k <= kBlocks; ++k) ends.push_back(static_cast<std::uint32_t>(k * kBlock));

  auto digest = std::make_unique<PrefixDigest>(image, size, ends);
  std::vector<std::size_t> order(kBlocks);
  for (std::size_t k = 0; k < kBlocks; ++k) order[k] = k;
  std::shuffle(order.begin(), order.end(), random);
  std::vector<std::thread> writers;
  for (int w = 0; w < 4; ++w) {
    writers.emplace_back([&, w] {
      for (std::size_t i = w; i < kBlocks; i += 4) digest->BlockComplete(order[i]);
    });
  }
  for (auto& writer : writers) writer.join();
  EXPECT_EQ(digest->Finish(), Md5Hex(image.get(), size));

  digest->Rewrite(3, [&] { image.get()[3 * kBlock + 5] ^= 0xFF; });
  EXPECT_EQ(digest->Finish(), Md5Hex(image.get(), size)) << "a rewritten block is hashed again";

  PrefixDigest holes(image, size, ends);
  for (std::size_t k = 0; k < kBlocks; k += 2) holes.BlockComplete(k);
  EXPECT_EQ(holes.Finish(), Md5Hex(image.get(), size)) << "blocks never reported are hashed at the end";
}

}  // namespace
