#include "download/prefix_digest.h"

#include "download/md5_digest.h"

using base::MutexLock;

namespace download {

namespace {

bool Update(EVP_MD_CTX* context, const unsigned char* data, std::uint32_t length) {
  return EVP_DigestUpdate(context, data, length) == 1;
}

}  // namespace

PrefixDigest::PrefixDigest(Image image, std::uint32_t size, std::vector<std::uint32_t> blockEnds)
    : image_(std::move(image)), size_(size), blockEnds_(std::move(blockEnds)), complete_(blockEnds_.size(), false) {
  context_.reset(EVP_MD_CTX_new());
  if (context_ && EVP_DigestInit_ex(context_.get(), EVP_md5(), nullptr) != 1) context_.reset();
  // Without a context Finish hashes everything itself; no thread is needed.
  if (context_ && !blockEnds_.empty()) thread_ = std::thread([this] { Run(); });
}

PrefixDigest::~PrefixDigest() {
  {
    MutexLock state(state_);
    stop_ = true;
  }
  changed_.NotifyAll();
  if (thread_.joinable()) thread_.join();
}

void PrefixDigest::BlockComplete(std::size_t block) {
  {
    MutexLock state(state_);
    if (block >= complete_.size()) return;
    complete_[block] = true;
  }
  changed_.NotifyAll();
}

void PrefixDigest::RestartAt(std::size_t block) {
  MutexLock state(state_);
  if (block < complete_.size()) {
    // The block is complete again only when its rewrite has ended, which nobody
    // reports: from here on Finish takes over.
    complete_[block] = false;
    if (block < hashedBlocks_ && checkpoints_[block]) {
      EVP_MD_CTX_copy_ex(context_.get(), checkpoints_[block].get());
      hashedBlocks_ = block;
      checkpoints_.resize(block);
    }
  }
}

void PrefixDigest::Run() {
  for (;;) {
    std::size_t block;
    {
      MutexLock state(state_);
      busy_ = false;
      changed_.NotifyAll();
      while (!stop_ && !(hashedBlocks_ < complete_.size() && complete_[hashedBlocks_])) changed_.Wait(state_);
      if (stop_) return;
      block = hashedBlocks_;
      busy_ = true;
    }
    MutexLock reading(reading_);
    {
      // A rewrite may have moved the start back while this thread waited for the image.
      MutexLock state(state_);
      if (block != hashedBlocks_ || !complete_[block]) continue;
    }
    Context before(EVP_MD_CTX_new());
    const std::uint32_t start = BlockStart(block);
    const bool hashed = before && EVP_MD_CTX_copy_ex(before.get(), context_.get()) == 1 &&
                        Update(context_.get(), image_.get() + start, blockEnds_[block] - start);
    MutexLock state(state_);
    if (!hashed) {
      broken_ = true;  // Finish starts over from the first byte
      busy_ = false;
      changed_.NotifyAll();
      return;
    }
    checkpoints_.push_back(std::move(before));
    hashedBlocks_ = block + 1;
  }
}

std::string PrefixDigest::Finish() {
  std::size_t from = 0;
  {
    MutexLock state(state_);
    // Wait until the thread has reached every complete block it can (or has stopped).
    while (thread_.joinable() && !stop_ && !broken_ &&
           (busy_ || (hashedBlocks_ < complete_.size() && complete_[hashedBlocks_]))) {
      changed_.Wait(state_);
    }
  }
  MutexLock reading(reading_);
  Context context(EVP_MD_CTX_new());
  if (!context) return std::string();
  bool carryOn;
  {
    MutexLock state(state_);
    carryOn = context_ && !broken_;
    from = carryOn ? hashedBlocks_ : 0;
  }
  const bool ready = carryOn ? EVP_MD_CTX_copy_ex(context.get(), context_.get()) == 1
                             : EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) == 1;
  if (!ready) return std::string();
  const std::uint32_t start = from == 0 ? 0 : blockEnds_[from - 1];
  if (start < size_ && !Update(context.get(), image_.get() + start, size_ - start)) return std::string();
  unsigned char digest[kMd5Size];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1 || length != kMd5Size) return std::string();
  return DigestToHex(digest);
}

}  // namespace download
