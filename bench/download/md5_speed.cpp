// MD5 throughput of the download engine's digest routine against OpenSSL's EVP
// digest called directly, on the same buffer. Prints one line per contender.
//
//   corvex-bench-md5 [MiB] [rounds]      (defaults: 130 MiB, 5 rounds)
#include <openssl/evp.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "download/md5_digest.h"

using namespace download;

namespace {

using Clock = std::chrono::steady_clock;

std::vector<unsigned char> MakeBuffer(std::size_t size) {
  std::vector<unsigned char> buffer(size);
  std::uint64_t state = 0x2545F4914F6CDD1Dull;
  for (auto& byte : buffer) {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    byte = static_cast<unsigned char>(state);
  }
  return buffer;
}

std::string EvpMd5(const std::vector<unsigned char>& buffer) {
  unsigned char digest[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  EVP_Digest(buffer.data(), buffer.size(), digest, &length, EVP_md5(), nullptr);
  std::string hex;
  char two[3];
  for (unsigned int i = 0; i < length; ++i) {
    std::snprintf(two, sizeof two, "%02X", digest[i]);
    hex += two;
  }
  return hex;
}

// Seconds of one digest run.
template <typename Digest>
double Seconds(Digest digest, std::string& result) {
  const auto start = Clock::now();
  result = digest();
  return std::chrono::duration<double>(Clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t mebibytes = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 130;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 5;
  if (mebibytes == 0 || rounds <= 0) {
    std::fprintf(stderr, "usage: corvex-bench-md5 [MiB] [rounds]\n");
    return 2;
  }
  const std::vector<unsigned char> buffer = MakeBuffer(mebibytes << 20);
  std::string engineDigest;
  std::string evpDigest;
  // Rounds alternate between the two so that a busy moment of the machine hits both
  // alike; the best round of each counts.
  double evp = 1e9;
  double engine = 1e9;
  for (int i = 0; i < rounds; ++i) {
    evp = std::min(evp, Seconds([&] { return EvpMd5(buffer); }, evpDigest));
    engine = std::min(engine, Seconds([&] { return Md5Hex(buffer.data(), buffer.size()); }, engineDigest));
  }
  if (engineDigest != evpDigest) {
    std::fprintf(stderr, "digests differ: engine %s, EVP %s\n", engineDigest.c_str(), evpDigest.c_str());
    return 1;
  }
  const double megabytes = static_cast<double>(buffer.size()) / 1e6;
  std::printf("engine_md5_mb_per_s %.1f\n", megabytes / engine);
  std::printf("evp_md5_mb_per_s %.1f\n", megabytes / evp);
  return 0;
}
