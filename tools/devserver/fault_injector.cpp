#include "tools/devserver/fault_injector.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace devserver {
namespace {

constexpr std::uint64_t kMaxPiece = 256 * 1024;
constexpr auto kStopCheck = std::chrono::milliseconds(50);

}  // namespace

ResponseFaults::ResponseFaults(const MirrorScript& script, bool faultsActive, const PackageImage& image,
                               const std::atomic<bool>& stopping)
    : script_(script), faultsActive_(faultsActive), image_(image), stopping_(stopping) {}

std::uint64_t ResponseFaults::PieceLimit(std::uint64_t length) const {
  std::uint64_t limit = std::min(length, kMaxPiece);
  if (script_.rateBytesPerSecond > 0) {
    // Twenty pieces a second keep the pace smooth without tiny writes.
    limit = std::min(limit, std::max<std::uint64_t>(1, script_.rateBytesPerSecond / 20));
  }
  if (faultsActive_ && script_.stallAfter && !stalled_ && sent_ < *script_.stallAfter) {
    limit = std::min(limit, *script_.stallAfter - sent_);
  }
  if (faultsActive_ && script_.resetAfter && sent_ < *script_.resetAfter) {
    limit = std::min(limit, *script_.resetAfter - sent_);
  }
  return limit;
}

std::size_t ResponseFaults::SendPiece(std::uint64_t offset, std::uint64_t length, const WireWriter& write) {
  if (stopping_.load()) return 0;
  if (faultsActive_ && script_.resetAfter && sent_ >= *script_.resetAfter) return 0;
  if (faultsActive_ && script_.stallAfter && !stalled_ && sent_ >= *script_.stallAfter) Stall();
  if (stopping_.load()) return 0;

  const std::size_t size = static_cast<std::size_t>(PieceLimit(length));
  if (size == 0) return 0;
  Pace(size);
  if (!write(PieceBytes(offset, size), size)) return 0;
  sent_ += size;
  return size;
}

bool ResponseFaults::Alters(std::uint64_t offset, std::size_t size) const {
  if (offset + size > image_.bytes.size()) return true;
  if (!faultsActive_) return false;
  for (std::uint32_t block : script_.corruptBlocks) {
    const std::uint64_t blockStart = std::uint64_t{block} * kBlockSize;
    if (offset < blockStart + kBlockSize && blockStart < offset + size) return true;
  }
  return false;
}

const char* ResponseFaults::PieceBytes(std::uint64_t offset, std::size_t size) {
  // The common case goes straight from the shared image to the socket.
  if (!Alters(offset, size)) return reinterpret_cast<const char*>(image_.bytes.data() + offset);
  altered_.assign(size, 0);
  // Past the real file (a mirror advertising a longer length) the bytes stay zero.
  if (offset < image_.bytes.size()) {
    std::size_t real = static_cast<std::size_t>(std::min<std::uint64_t>(size, image_.bytes.size() - offset));
    std::memcpy(altered_.data(), image_.bytes.data() + offset, real);
  }
  if (!faultsActive_) return altered_.data();
  for (std::uint32_t block : script_.corruptBlocks) {
    const std::uint64_t blockStart = std::uint64_t{block} * kBlockSize;
    const std::uint64_t from = std::max(offset, blockStart);
    const std::uint64_t to = std::min(offset + size, blockStart + kBlockSize);
    for (std::uint64_t at = from; at < to; ++at) altered_[at - offset] ^= static_cast<char>(0xA5);
  }
  return altered_.data();
}

void ResponseFaults::Pace(std::size_t pieceSize) {
  if (script_.rateBytesPerSecond == 0) return;
  // The piece may leave once the bytes before and in it fit the rate.
  const double due = static_cast<double>(sent_ + pieceSize) / static_cast<double>(script_.rateBytesPerSecond);
  const auto dueAt =
      start_ + std::chrono::duration_cast<std::chrono::steady_clock::duration>(std::chrono::duration<double>(due));
  while (!stopping_.load() && std::chrono::steady_clock::now() < dueAt) {
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(kStopCheck, dueAt - std::chrono::steady_clock::now()));
  }
}

void ResponseFaults::Stall() {
  stalled_ = true;
  const auto stallStart = std::chrono::steady_clock::now();
  const auto until = stallStart + std::chrono::seconds(script_.stallSeconds);
  while (!stopping_.load() && std::chrono::steady_clock::now() < until) std::this_thread::sleep_for(kStopCheck);
  // Time spent stalled does not count towards the pace afterwards.
  start_ += std::chrono::steady_clock::now() - stallStart;
}

}  // namespace devserver
