// demo-filler: writes <MiB> mebibytes of pseudo-random bytes that do not compress,
// the same bytes for the same seed, so the demo package has a realistic size
// without committing a large file.

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: demo-filler <output file> <MiB> <seed>\n", stderr);
    return 2;
  }
  long mebibytes = std::atol(argv[2]);
  std::uint64_t state = std::strtoull(argv[3], nullptr, 10) * 0x9E3779B97F4A7C15ull + 1;
  FILE* out = std::fopen(argv[1], "wb");
  if (!out) {
    std::perror(argv[1]);
    return 1;
  }
  std::vector<std::uint64_t> block(1 << 17);  // 1 MiB
  for (long m = 0; m < mebibytes; ++m) {
    for (auto& word : block) {
      // xorshift64*
      state ^= state >> 12;
      state ^= state << 25;
      state ^= state >> 27;
      word = state * 0x2545F4914F6CDD1Dull;
    }
    if (std::fwrite(block.data(), sizeof(block[0]), block.size(), out) != block.size()) {
      std::perror(argv[1]);
      std::fclose(out);
      return 1;
    }
  }
  return std::fclose(out) == 0 ? 0 : 1;
}
