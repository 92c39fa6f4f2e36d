// The whole-file digest, computed while the download runs. A thread of its own hashes
// the memory image block by block as soon as every block before it is complete, so
// that verifying an intact download only costs the blocks that completed last.
//
// Threads: BlockComplete from segment threads, Rewrite from a thread about to change a
// complete block, Finish from the thread that verifies. Locks: `reading_` while bytes
// of the image are hashed, then `state_`; never the engine lock.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <openssl/evp.h>

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
  void BlockComplete(std::size_t block);

  // Held while a complete block is overwritten: the thread is not reading it then, and
  // the digest restarts from that block's start (Finish hashes it and all after it).
  [[nodiscard]] std::unique_lock<std::mutex> Rewrite(std::size_t block);

  // Once no segment writes any more: the upper-case hex digest of the whole image. The
  // thread's progress is kept, so a later call after repairs hashes only from the first
  // rewritten block on.
  std::string Finish();

 private:
  struct ContextFree {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
  };
  using Context = std::unique_ptr<EVP_MD_CTX, ContextFree>;

  void Run();
  std::uint32_t BlockStart(std::size_t block) const { return block == 0 ? 0 : blockEnds_[block - 1]; }

  const Image image_;
  const std::uint32_t size_;
  const std::vector<std::uint32_t> blockEnds_;

  std::mutex reading_;
  std::mutex state_;
  std::condition_variable changed_;
  std::vector<bool> complete_;         // under state_
  std::vector<Context> checkpoints_;   // under reading_: the context before each block hashed so far
  Context context_;                    // under reading_: after `hashedBlocks_` blocks
  std::size_t hashedBlocks_ = 0;       // under state_ (written with reading_ held too)
  bool busy_ = false;                  // under state_: the thread is hashing a block
  bool stop_ = false;                  // under state_
  bool broken_ = false;                // under state_: the thread could not hash and ended
  std::thread thread_;
};
