#include "setup/ring_picture.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "platform/gui/draw.h"
#include "ui/bm_data.h"

namespace setup {

namespace {
constexpr std::uint32_t kTransparentWhite = 0xFFFFFF;
}  // namespace

RingPicture::RingPicture(const ui::BMData& plain, const ui::BMData& ringed) : plain_(plain), ringed_(ringed) {
  if (!plain.pixels || !ringed.pixels || plain.width != plain.height || ringed.width != plain.width ||
      ringed.height != plain.height)
    return;
  size_ = plain.width;
  revealAt_.resize(static_cast<size_t>(size_) * size_);
  const double centre = size_ / 2;
  for (int y = 0; y < size_; ++y) {
    for (int x = 0; x < size_; ++x) {
      // Clockwise angle from straight up, as a share of the full turn.
      double turn = std::atan2(x + 0.5 - centre, centre - (y + 0.5)) / (2 * std::numbers::pi);
      if (turn < 0) turn += 1.0;
      revealAt_[static_cast<size_t>(y) * size_ + x] =
          static_cast<std::uint16_t>(std::min(9999.0, std::floor(turn * 10000.0)));
    }
  }
}

bool RingPicture::Revealed(int x, int y, int percent) const {
  if (!Usable() || x < 0 || y < 0 || x >= size_ || y >= size_) return false;
  return revealAt_[static_cast<size_t>(y) * size_ + x] < std::clamp(percent, 0, 100) * 100;
}

void RingPicture::Draw(HDC dc, int x, int y, int percent) const {
  if (!Usable() || !dc) return;
  const int threshold = std::clamp(percent, 0, 100) * 100;
  std::uint32_t* target = dc->Pixels();
  for (int row = std::max(0, -y); row < size_ && y + row < dc->Height(); ++row) {
    const size_t source = static_cast<size_t>(row) * size_;
    std::uint32_t* line = target + static_cast<size_t>(y + row) * dc->Stride();
    for (int col = std::max(0, -x); col < size_ && x + col < dc->Width(); ++col) {
      const size_t i = source + col;
      const std::uint32_t pixel = revealAt_[i] < threshold ? ringed_.pixels[i] : plain_.pixels[i];
      if ((pixel & 0xFFFFFF) != kTransparentWhite) line[x + col] = pixel;
    }
  }
}

}  // namespace setup
