#include "download/image_store.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "download/engine_thread.h"
#include "download/md5_digest.h"
#include "platform/large_buffer.h"
#include "platform/output_file.h"

namespace download {

bool ImageStore::Allocate(std::uint32_t size, std::size_t digestCount) {
  Close();
  image_ = platform::AllocateLargeBuffer(size);
  if (!image_) return false;
  size_ = size;
  blocks_.Reset(size, digestCount);
  prefixDigest_ = std::make_shared<PrefixDigest>(image_, size, blocks_.BlockEnds());
  // Page faults of a fresh image cost the segments more than mapping it in at once,
  // which a helper thread does while the transfers start.
  StartEngineThread([image = image_, size] { platform::PrefaultForWriting(image.get(), size); });
  return true;
}

bool ImageStore::OpenTarget(const std::string& path, bool& contentKept) {
  if (std::FILE* file = platform::OpenDownloadTarget(path, size_, contentKept)) file_.reset(file, &std::fclose);
  return file_ != nullptr;
}

void ImageStore::Close() {
  file_.reset();
  image_.reset();
  prefixDigest_.reset();
  size_ = 0;
}

void ImageStore::KeepVerified(const std::vector<std::size_t>& blocks) {
  for (std::size_t block : blocks) {
    blocks_.MarkVerified(block);
    prefixDigest_->BlockComplete(block);
  }
}

ImageStore::ChunkCopy ImageStore::PrepareChunk(const char* data, std::uint32_t n, std::uint32_t offset) {
  ChunkCopy copy;
  if (!image_ || offset >= size_) return copy;
  n = std::min(n, size_ - offset);
  unsigned char* bytes = image_.get();
  for (const BlockTracker::Piece& piece : blocks_.Pieces(offset, n)) {
    const char* source = data + (piece.offset - offset);
    if (piece.block == BlockTracker::kNoBlock || blocks_.StateOf(piece.block) == BlockTracker::State::Filling) {
      copy.pieces.push_back(piece);
    } else if (std::memcmp(bytes + piece.offset, source, piece.length) != 0) {
      prefixDigest_->Rewrite(piece.block, [&] { std::memcpy(bytes + piece.offset, source, piece.length); });
      blocks_.MarkStale(piece.block);
    }
  }
  copy.bytes = n;
  copy.image = image_;
  copy.file = file_;
  return copy;
}

bool ImageStore::FinishChunk(const ChunkCopy& copy) {
  if (!Holds(copy.image)) return false;
  for (const BlockTracker::Piece& piece : copy.pieces) {
    if (piece.block != BlockTracker::kNoBlock && blocks_.MarkWritten(piece)) prefixDigest_->BlockComplete(piece.block);
  }
  return true;
}

ImageStore::Verdict ImageStore::Verify(const std::string& fileDigest, const std::vector<std::string>& blockDigests) {
  Verdict verdict;
  if (!image_) return verdict;
  const unsigned char* image = image_.get();
  const std::string wholeDigest = prefixDigest_ ? prefixDigest_->Finish() : Md5Hex(image, size_);
  if (wholeDigest == fileDigest) {
    verdict.verified = true;
    return verdict;
  }
  const std::vector<BlockCheck> plan = PlanBlockChecks(size_, blockDigests.size());
  for (std::size_t k = 0; k < plan.size(); ++k) {
    const BlockCheck& block = plan[k];
    if (k < blocks_.BlockCount() && blocks_.Matched(k)) continue;
    const bool matched = Md5Hex(image + block.offset, block.length) == blockDigests[block.digestIndex];
    if (k < blocks_.BlockCount()) blocks_.StoreResult(k, matched);
    if (!matched) verdict.bad.push_back(block);
  }
  return verdict;
}

}  // namespace download
