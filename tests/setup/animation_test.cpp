// The ring sweep and the installation frames, checked on pixels at fixed ticks.
#include <gtest/gtest.h>

#include <vector>

#include "setup/progress_frames.h"
#include "setup/ring_picture.h"
#include "tests/ui/ui_test_support.h"
#include "ui/bm_data.h"

using namespace ui;
using namespace setup;

namespace uitest {
namespace {

class AnimationTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    ASSERT_TRUE(plain.Load(132) && ringed.Load(183) && artwork.Load(185) && finished.Load(133));
  }
  std::uint32_t Grey(int level) { return static_cast<std::uint32_t>(level) * 0x010101u; }
  BMData plain, ringed, artwork, finished;
};

TEST_F(AnimationTest, RingCoverageGrowsWithThePercentageClockwiseAndIsWholeAt100) {
  RingPicture ring(plain, ringed);
  ASSERT_TRUE(ring.Usable());
  const int size = ring.Size();
  auto covered = [&](int percent) {
    int count = 0;
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) count += ring.Revealed(x, y, percent);
    return count;
  };
  int previous = covered(0);
  EXPECT_EQ(previous, 0);
  for (int p = 1; p <= 100; ++p) {
    const int now = covered(p);
    EXPECT_GT(now, previous) << "at " << p << "%";
    previous = now;
  }
  EXPECT_EQ(previous, size * size);
  EXPECT_NEAR(covered(50), size * size / 2, size);
  // Clockwise from twelve o'clock: the right half fills before the left.
  EXPECT_TRUE(ring.Revealed(size * 3 / 4, size / 4, 20));  // upper right
  EXPECT_FALSE(ring.Revealed(size / 4, size / 4, 60));     // upper left comes last
  EXPECT_TRUE(ring.Revealed(size / 4, size * 3 / 4, 70));  // lower left
  EXPECT_FALSE(ring.Revealed(size / 4, size * 3 / 4, 55));

  // Pure white pixels of the picture let the page show through.
  gui::MemoryCanvas canvas(size, size);
  std::fill(canvas.dc()->Pixels(), canvas.dc()->Pixels() + size * size, 0x123456u);
  ring.Draw(canvas.dc(), 0, 0, 30);
  ASSERT_EQ(plain.pixels[0] & 0xFFFFFF, 0xFFFFFFu);
  EXPECT_EQ(PixelAt(canvas.dc(), 0, 0), 0x123456u);
  EXPECT_EQ(PixelAt(canvas.dc(), size / 2, size / 2), plain.pixels[size / 2 * size + size / 2]);
}

TEST_F(AnimationTest, RippleBandsRevealAndRimAtAFixedClock) {
  ProgressFrames frames(622, 405, plain, artwork, finished);
  std::vector<std::uint32_t> out(frames.PixelCount());
  const std::uint32_t t0 = 100000;
  // A frame every 700 ms births a ripple each time: radii 373, 249, 124 and 0.
  for (std::uint32_t t = t0; t <= t0 + 2100; t += 700) frames.RenderRipple(out.data(), t, 0);
  ASSERT_EQ(frames.Ripples().size(), 4u);
  EXPECT_EQ(frames.Ripples().front().radius, 373);
  EXPECT_EQ(frames.RevealRadius(), 4);
  auto at = [&](int x, int y) { return out[static_cast<size_t>(y) * 622 + x]; };
  // White beyond the oldest ripple; each band inward adds 5 % of 0x999999.
  EXPECT_EQ(at(0, 0), 0xFFFFFFu);      // distance 471
  EXPECT_EQ(at(0, 355), Grey(244));    // 311, between 249 and 373
  EXPECT_EQ(at(111, 355), Grey(239));  // 200, between 124 and 249
  EXPECT_EQ(at(211, 355), Grey(234));  // 100, inside 124

  // Ripples fade over their last two seconds and leave at five.
  frames.RenderRipple(out.data(), t0 + 4000, 0);
  EXPECT_FLOAT_EQ(frames.Ripples().front().strength, 0.025f);
  frames.RenderRipple(out.data(), t0 + 5000, 0);
  EXPECT_NE(frames.Ripples().front().birthTick, t0);

  // The reveal radius grows by one a frame up to the target, 15 + 456 × ‰ / 1000.
  ProgressFrames growing(622, 405, plain, artwork, finished);
  for (int i = 1; i <= 20; ++i) {
    growing.RenderRipple(out.data(), t0 + i * 10, 0);
    EXPECT_EQ(growing.RevealRadius(), std::min(i, 15));
  }
  EXPECT_EQ(ProgressFrames::TargetRadius(500), 243);
  EXPECT_EQ(ProgressFrames::TargetRadius(1000), 471);
  growing.RenderRipple(out.data(), t0 + 210, 1000);
  EXPECT_EQ(growing.RevealRadius(), 16);

  // Inside the radius the artwork, outside the frame, the rim in between.
  auto art = [&](int x, int y) { return artwork.pixels[static_cast<size_t>(y) * artwork.width + x]; };
  growing.RenderRipple(out.data(), t0 + 220, 0);  // radius 15 again
  ASSERT_EQ(growing.RevealRadius(), 15);
  EXPECT_EQ(at(311 - 13, 355), art(311 - 13, 355));  // distance 13
  EXPECT_NE(at(311 - 15, 355), art(311 - 15, 355));  // distance 15: outside
  const std::uint32_t rim = at(311 - 14, 355 - 3);   // distance 14.32
  const std::uint32_t inside = art(311 - 14, 355 - 3);
  const std::uint32_t outside = at(311 - 16, 355);  // the same band, outside the circle
  for (int shift = 0; shift <= 16; shift += 8) {
    const int c = (rim >> shift) & 0xFF, a = (inside >> shift) & 0xFF, f = (outside >> shift) & 0xFF;
    EXPECT_NEAR(c, a + (f - a) * 0.3178, 1.5) << "channel " << shift;
  }
}

TEST_F(AnimationTest, IdleAndFinishedFrames) {
  ProgressFrames frames(622, 405, plain, artwork, finished);
  std::vector<std::uint32_t> out(frames.PixelCount());
  frames.RenderRipple(out.data(), 1000, 1000);
  frames.RenderIdle(out.data());
  EXPECT_EQ(frames.RevealRadius(), 0);
  EXPECT_EQ(out[0], 0xFFFFFFu);
  EXPECT_EQ(out[(50 + 127) * 622 + 184 + 127], plain.pixels[127 * 255 + 127]);
  frames.RenderFinished(out.data());
  EXPECT_EQ(out[0], gui::ColorToPixel(0x42237E));
}

}  // namespace
}  // namespace uitest
