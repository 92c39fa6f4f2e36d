// The whole-file digest, computed while the download runs. A thread of its own hashes
// the memory image block by block as soon as every block before it is complete, so
// that verifying an intact download only costs the blocks that completed last.
//
// Threads: BlockComplete from segment threads, Rewrite from a thread about to change a
// complete block, Finish from the thread that verifies. Locks: `reading_` while bytes
// of the image are hashed, then `state_`; never the engine lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <openssl/evp.h>

#include "base/thread_annotations.h"

namespace download {

class PrefixDigest {
 public:
  using Image = std::shared_ptr<unsigned char>;

  // `blockEnds` are the end offsets of the blocks in order; bytes after the last one
  // are hashed by Finish.
  PrefixDigest(Image image, std::uint32_t size, std::vector<std::uint32_t> blockEnds);
  ~PrefixDigest();
  PrefixDigest(const PrefixDigest&) = delete;
  PrefixDigest& operator=(const PrefixDigest&) = delete;

  // Every byte of `block` is in the image.
  void BlockComplete(std::size_t block) EXCLUDES(state_);

  // Runs `change`, which overwrites bytes of a complete block, while the thread is not
  // reading the image; the digest restarts from that block's start (Finish hashes it
  // and all after it).
  template <typename Change>
  void Rewrite(std::size_t block, Change&& change) EXCLUDES(reading_, state_) {
    base::MutexLock reading(reading_);
    RestartAt(block);
    change();
  }

  // Once no segment writes any more: the upper-case hex digest of the whole image. The
  // thread's progress is kept, so a later call after repairs hashes only from the first
  // rewritten block on.
  std::string Finish() EXCLUDES(reading_, state_);

 private:
  struct ContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
  };
  using Context = std::unique_ptr<EVP_MD_CTX, ContextFree>;

  void Run() EXCLUDES(reading_, state_);
  void RestartAt(std::size_t block) REQUIRES(reading_) EXCLUDES(state_);
  std::uint32_t BlockStart(std::size_t block) const { return block == 0 ? 0 : blockEnds_[block - 1]; }

  const Image image_;
  const std::uint32_t size_;
  const std::vector<std::uint32_t> blockEnds_;

  base::Mutex reading_ ACQUIRED_BEFORE(state_);
  base::Mutex state_;
  base::ConditionVariable changed_;
  std::vector<bool> complete_ GUARDED_BY(state_);
  // The context before each block hashed so far.
  std::vector<Context> checkpoints_ GUARDED_BY(reading_);
  Context context_ GUARDED_BY(reading_);             // after `hashedBlocks_` blocks
  std::size_t hashedBlocks_ GUARDED_BY(state_) = 0;  // written with reading_ held too
  bool busy_ GUARDED_BY(state_) = false;             // the thread is hashing a block
  bool stop_ GUARDED_BY(state_) = false;
  bool broken_ GUARDED_BY(state_) = false;  // the thread could not hash and ended
  std::thread thread_;
};

}  // namespace download
