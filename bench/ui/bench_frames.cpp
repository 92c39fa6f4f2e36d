// Renders installation frames as the producer does and prints the time per frame
// beside a plain copy of a frame of the same size (the floor of any frame).
//   corvex-bench-frames [--frames N] [--dump DIR]
// --dump writes frames 0, N/2 and N−1 as PPM pictures for a look.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "setup/progress_frames.h"
#include "ui/bm_data.h"

using namespace ui;
using namespace setup;

namespace {

// Keeps the optimiser from dropping a frame nobody reads.
volatile std::uint32_t g_sink = 0;

void WritePpm(const std::string& path, const std::vector<std::uint32_t>& pixels, int width, int height) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return;
  std::fprintf(file, "P6\n%d %d\n255\n", width, height);
  for (std::uint32_t p : pixels) {
    const unsigned char rgb[3] = {static_cast<unsigned char>(p >> 16), static_cast<unsigned char>(p >> 8),
                                  static_cast<unsigned char>(p)};
    std::fwrite(rgb, 1, 3, file);
  }
  std::fclose(file);
}

}  // namespace

int main(int argc, char** argv) {
  int frameCount = 600;
  std::string dumpFolder;
  for (int i = 1; i < argc; ++i) {
    if (!std::strcmp(argv[i], "--frames") && i + 1 < argc)
      frameCount = std::max(1, std::atoi(argv[++i]));
    else if (!std::strcmp(argv[i], "--dump") && i + 1 < argc)
      dumpFolder = argv[++i];
    else {
      std::fprintf(stderr, "usage: corvex-bench-frames [--frames N] [--dump DIR]\n");
      return 2;
    }
  }
  BMData plain, artwork, finished;
  if (!plain.Load(132) || !artwork.Load(185) || !finished.Load(133)) {
    std::fprintf(stderr, "corvex-bench-frames: the pictures 132, 185 and 133 are not in the program\n");
    return 1;
  }
  ProgressFrames frames(622, 405, plain, artwork, finished);
  std::vector<std::uint32_t> out(frames.PixelCount());
  std::vector<std::uint32_t> copy(frames.PixelCount());

  // A 10 ms painter clock; the extraction runs from 0 to 100 % over the frames.
  using Clock = std::chrono::steady_clock;
  Clock::duration rendering{};
  for (int i = 0; i < frameCount; ++i) {
    const auto start = Clock::now();
    frames.RenderRipple(out.data(), 100000 + static_cast<std::uint32_t>(i) * 10, i * 1000 / frameCount);
    rendering += Clock::now() - start;
    g_sink = g_sink + out[static_cast<size_t>(i) % out.size()];
    if (!dumpFolder.empty() && (i == 0 || i == frameCount / 2 || i == frameCount - 1))
      WritePpm(dumpFolder + "/frame-" + std::to_string(i) + ".ppm", out, 622, 405);
  }
  const auto copyStart = Clock::now();
  for (int i = 0; i < frameCount; ++i) {
    std::memcpy(copy.data(), out.data(), out.size() * sizeof(std::uint32_t));
    g_sink = g_sink + copy[static_cast<size_t>(i) % copy.size()];
  }
  const auto copying = Clock::now() - copyStart;

  const double frameUs = std::chrono::duration<double, std::micro>(rendering).count() / frameCount;
  const double copyUs = std::chrono::duration<double, std::micro>(copying).count() / frameCount;
  std::printf("frames %d\nripple_frame_us %.1f\nframe_copy_us %.1f\nratio %.2f\n", frameCount, frameUs, copyUs,
              copyUs > 0 ? frameUs / copyUs : 0.0);
  return 0;
}
