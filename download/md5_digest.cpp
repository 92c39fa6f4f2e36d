#include "download/md5_digest.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include <openssl/evp.h>

namespace download {

namespace {

struct DigestContextDeleter {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, DigestContextDeleter>;

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

bool DigestMemory(const void* data, std::size_t size, unsigned char (&digest)[kMd5Size]) {
  unsigned int length = 0;
  return EVP_Digest(data, size, digest, &length, EVP_md5(), nullptr) == 1 && length == kMd5Size;
}

}  // namespace

std::string DigestToHex(const unsigned char (&digest)[kMd5Size]) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string text(kMd5TextLength, '0');
  for (std::size_t i = 0; i < kMd5Size; ++i) {
    text[2 * i] = kHex[digest[i] >> 4];
    text[2 * i + 1] = kHex[digest[i] & 0x0F];
  }
  return text;
}

bool Md5Text(const void* data, std::size_t size, char* out, std::size_t outSize) {
  if (!out || outSize < kMd5TextLength) return false;
  unsigned char digest[kMd5Size];
  if (!DigestMemory(data, size, digest)) return false;
  const std::string text = DigestToHex(digest);
  std::memcpy(out, text.data(), kMd5TextLength);
  if (outSize > kMd5TextLength) out[kMd5TextLength] = '\0';
  return true;
}

std::string Md5Hex(const void* data, std::size_t size) {
  unsigned char digest[kMd5Size];
  if (!DigestMemory(data, size, digest)) return std::string();
  return DigestToHex(digest);
}

// Streams the file instead of holding it whole: same digest, bounded memory.
bool Md5File(const std::string& path, unsigned char (&digest)[kMd5Size]) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return false;
  DigestContext context(EVP_MD_CTX_new());
  if (!context || EVP_DigestInit_ex(context.get(), EVP_md5(), nullptr) != 1) return false;
  std::vector<unsigned char> buffer(1 << 20);
  for (;;) {
    const std::size_t read = std::fread(buffer.data(), 1, buffer.size(), file.get());
    if (read > 0 && EVP_DigestUpdate(context.get(), buffer.data(), read) != 1) return false;
    if (read < buffer.size()) break;
  }
  if (std::ferror(file.get())) return false;
  unsigned int length = 0;
  return EVP_DigestFinal_ex(context.get(), digest, &length) == 1 && length == kMd5Size;
}

}  // namespace download
