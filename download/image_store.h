// What a download is written into: the memory image of the whole file, the output
// file, which blocks of the image are complete, and the whole-file digest computed
// while they fill. Not locked itself: its owner keeps it under the engine lock. The
// bytes of a chunk are copied into image and file after that lock is left, each
// writer in its own segment's range; the shared pointers keep both alive meanwhile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "download/block_tracker.h"
#include "download/prefix_digest.h"

namespace download {

class ImageStore {
 public:
  using Image = std::shared_ptr<unsigned char>;
  using File = std::shared_ptr<std::FILE>;

  // A chunk taken into the image, for the part of its work done outside the lock.
  struct ChunkCopy {
    Image image;
    File file;
    std::vector<BlockTracker::Piece> pieces;  // left for the writer to copy
    std::uint32_t bytes = 0;                  // taken at the chunk's offset
  };

  // An empty image of `size` bytes with `digestCount` block digests; false when the
  // memory is not there.
  bool Allocate(std::uint32_t size, std::size_t digestCount);
  // Opens the target at `path` for the image; `contentKept`: it already had the
  // package's length and keeps its bytes. False when it cannot be opened.
  bool OpenTarget(const std::string& path, bool& contentKept);
  void Close();

  bool IsOpen() const { return image_ != nullptr; }
  // Still the image a writer or a scan took: the download was not stopped meanwhile.
  bool Holds(const Image& image) const { return image_ && image_ == image; }
  const Image& SharedImage() const { return image_; }
  const File& SharedFile() const { return file_; }
  std::FILE* FileHandle() const { return file_.get(); }

  // Blocks found intact in the target before any transfer (a resumed download).
  void KeepVerified(const std::vector<std::size_t>& blocks);

  // Takes up to `n` bytes at `offset`: bytes of blocks still filling are left to the
  // caller to copy once the lock is gone (their range is its segment's alone); bytes
  // that change a complete block (a repair) are copied here.
  ChunkCopy PrepareChunk(const char* data, std::uint32_t n, std::uint32_t offset);
  // Once the caller has copied its pieces: records them and hands completed blocks to
  // the whole-file digest. False when the image is not the one the copy was for.
  bool FinishChunk(const ChunkCopy& copy);

  struct Verdict {
    bool verified = false;        // the whole-file digest matches
    std::vector<BlockCheck> bad;  // blocks whose digest does not match
  };
  // Only the whole-file digest verifies a file: blocks say what to fetch again. Blocks
  // that matched in an earlier round and were not written since are not digested again.
  Verdict Verify(const std::string& fileDigest, const std::vector<std::string>& blockDigests);

 private:
  Image image_;
  File file_;
  std::uint32_t size_ = 0;
  BlockTracker blocks_;
  std::shared_ptr<PrefixDigest> prefixDigest_;  // made with the image
};

}  // namespace download
