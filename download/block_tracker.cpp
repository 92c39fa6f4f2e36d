#include "download/block_tracker.h"

#include <algorithm>

namespace download {

void BlockTracker::Reset(std::uint32_t fileSize, std::size_t digestCount) {
  blocks_.clear();
  for (const BlockCheck& check : PlanBlockChecks(fileSize, digestCount)) {
    Entry block;
    block.range = check;
    blocks_.push_back(std::move(block));
  }
}

std::vector<std::uint32_t> BlockTracker::BlockEnds() const {
  std::vector<std::uint32_t> ends;
  for (const Entry& block : blocks_) ends.push_back(block.range.offset + block.range.length);
  return ends;
}

std::vector<BlockTracker::Piece> BlockTracker::Pieces(std::uint32_t offset, std::uint32_t length) const {
  std::vector<Piece> pieces;
  std::uint64_t at = offset;
  const std::uint64_t end = static_cast<std::uint64_t>(offset) + length;
  while (at < end) {
    const std::size_t index = static_cast<std::size_t>(at / kHashBlockSize);
    Piece piece;
    piece.offset = static_cast<std::uint32_t>(at);
    if (index < blocks_.size()) {
      const BlockCheck& range = blocks_[index].range;
      const std::uint64_t blockEnd = static_cast<std::uint64_t>(range.offset) + range.length;
      piece.block = index;
      piece.length = static_cast<std::uint32_t>(std::min(end, blockEnd) - at);
    } else {
      piece.length = static_cast<std::uint32_t>(end - at);
    }
    if (piece.length == 0) break;
    pieces.push_back(piece);
    at += piece.length;
  }
  return pieces;
}

bool BlockTracker::MarkWritten(const Piece& piece) {
  if (piece.block == kNoBlock || piece.block >= blocks_.size()) return false;
  Entry& block = blocks_[piece.block];
  if (block.state != State::Filling) return false;
  std::uint32_t start = piece.offset;
  std::uint32_t stop = piece.offset + piece.length;
  auto& ranges = block.written;
  // Merge with every range it touches; the list stays sorted and disjoint.
  auto it = std::lower_bound(ranges.begin(), ranges.end(), start,
                             [](const auto& range, std::uint32_t value) { return range.second < value; });
  while (it != ranges.end() && it->first <= stop) {
    start = std::min(start, it->first);
    stop = std::max(stop, it->second);
    it = ranges.erase(it);
  }
  ranges.insert(it, {start, stop});
  if (ranges.size() == 1 && ranges.front().first <= block.range.offset &&
      ranges.front().second >= block.range.offset + block.range.length) {
    ranges.clear();
    ranges.shrink_to_fit();
    block.state = State::Complete;
    return true;
  }
  return false;
}

void BlockTracker::MarkStale(std::size_t block) {
  if (block < blocks_.size() && blocks_[block].state != State::Filling) blocks_[block].state = State::Stale;
}

void BlockTracker::MarkVerified(std::size_t block) {
  if (block >= blocks_.size()) return;
  Entry& entry = blocks_[block];
  entry.written.clear();
  entry.state = State::Checked;
  entry.matched = true;
}

void BlockTracker::StoreResult(std::size_t block, bool matched) {
  if (block >= blocks_.size() || blocks_[block].state == State::Filling) return;
  blocks_[block].state = State::Checked;
  blocks_[block].matched = matched;
}

bool BlockTracker::AllMatched() const {
  return std::all_of(blocks_.begin(), blocks_.end(),
                     [](const Entry& block) { return block.state == State::Checked && block.matched; });
}

}  // namespace download
