// bench-extract: times C7ZOperator::Extract of an archive held in memory (staging
// included), as the package reader calls it. Prints one wall time per run in seconds.
// usage: bench-extract <archive> <output folder> <runs>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "install/seven_zip_callback.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fputs("usage: bench-extract <archive> <output folder> <runs>\n", stderr);
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary | std::ios::ate);
  std::string archive(static_cast<size_t>(in.tellg()), '\0');
  in.seekg(0);
  in.read(archive.data(), static_cast<std::streamsize>(archive.size()));
  int runs = std::atoi(argv[3]);
  for (int run = 0; run < runs; ++run) {
    std::error_code error;
    std::filesystem::remove_all(argv[2], error);
    int errors = 0;
    C7ZOperator extractor;
    extractor.SetProgressCallback([&](int event, unsigned, long) {
      if (event == kExtractErrorEvent) ++errors;
      return 1;
    });
    auto start = std::chrono::steady_clock::now();
    bool ok = extractor.Extract(archive.data(), static_cast<std::uint32_t>(archive.size()), argv[2], nullptr, true);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!ok || errors != 0) {
      std::fprintf(stderr, "bench-extract: extraction failed (%d errors)\n", errors);
      return 1;
    }
    std::printf("%.4f\n", seconds);
  }
  return 0;
}
