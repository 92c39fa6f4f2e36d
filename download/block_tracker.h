// Which 1 MiB blocks of the memory image are completely written, and what their
// digests said when a verification compared them. Used under the engine lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include "download/transfer_plan.h"

namespace download {

class BlockTracker {
 public:
  enum class State {
    Filling,   // not every byte written yet
    Complete,  // every byte written, not digested yet
    Checked,   // digested; the result is stored
    Stale,     // complete, but bytes changed after it was digested
  };
  static constexpr std::size_t kNoBlock = static_cast<std::size_t>(-1);

  struct Piece {
    std::size_t block = kNoBlock;  // kNoBlock: past the blocks that have a digest
    std::uint32_t offset = 0;
    std::uint32_t length = 0;
  };

  // The blocks that CheckHash compares, for a file of `fileSize` bytes.
  void Reset(std::uint32_t fileSize, std::size_t digestCount);
  std::size_t BlockCount() const { return blocks_.size(); }
  const BlockCheck& Block(std::size_t block) const { return blocks_[block].range; }
  State StateOf(std::size_t block) const { return blocks_[block].state; }
  // The end offset of each block, in order.
  std::vector<std::uint32_t> BlockEnds() const;

  // Cuts a write into pieces that each lie in one block.
  std::vector<Piece> Pieces(std::uint32_t offset, std::uint32_t length) const;
  // Records a piece written into a filling block; true when that completed the block.
  bool MarkWritten(const Piece& piece);
  void MarkStale(std::size_t block);
  // A block found intact before any transfer (a resumed download): digested, matched.
  void MarkVerified(std::size_t block);
  // Stores the digest result of a completely written block.
  void StoreResult(std::size_t block, bool matched);
  // Every block with a digest was digested, unchanged since, and matched.
  bool AllMatched() const;
  bool Matched(std::size_t block) const { return blocks_[block].state == State::Checked && blocks_[block].matched; }

 private:
  struct Entry {
    BlockCheck range;
    State state = State::Filling;
    bool matched = false;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> written;  // merged [start, end) in file offsets
  };
  std::vector<Entry> blocks_;
};

}  // namespace download
