#include "setup/progress_frames.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "platform/gui/draw.h"
#include "ui/bm_data.h"

using ui::BMData;

namespace setup {

namespace {

constexpr std::uint32_t kWhite = 0xFFFFFF;
constexpr COLORREF kFinishedFill = 0x42237E;
constexpr int kFinishedPictureShift = 50;

}  // namespace

ProgressFrames::Picture ProgressFrames::Copy(const BMData& source) {
  Picture picture;
  if (!source.pixels) return picture;
  picture.width = source.width;
  picture.height = source.height;
  picture.pixels.assign(source.pixels.get(), source.pixels.get() + static_cast<size_t>(source.width) * source.height);
  return picture;
}

// Draws `picture` at (x, y) of a width × height frame, leaving out `transparent` pixels.
void ProgressFrames::DrawKeyed(std::uint32_t* out, int width, int height, const Picture& picture, int x, int y,
                               std::uint32_t transparent) {
  for (int row = std::max(0, -y); row < picture.height && y + row < height; ++row) {
    const std::uint32_t* source = picture.pixels.data() + static_cast<size_t>(row) * picture.width;
    std::uint32_t* line = out + static_cast<size_t>(y + row) * width;
    for (int col = std::max(0, -x); col < picture.width && x + col < width; ++col) {
      if ((source[col] & 0xFFFFFF) != transparent) line[x + col] = source[col];
    }
  }
}

std::uint32_t BlendPixels(std::uint32_t a, std::uint32_t b, float share) {
  std::uint32_t result = 0;
  for (int shift = 0; shift <= 16; shift += 8) {
    const float ca = static_cast<float>((a >> shift) & 0xFF);
    const float cb = static_cast<float>((b >> shift) & 0xFF);
    const float c = ca * (1.0f - share) + cb * share;
    result |= static_cast<std::uint32_t>(std::clamp(c, 0.0f, 255.0f)) << shift;
  }
  return result;
}

ProgressFrames::ProgressFrames(int width, int height, const BMData& plain, const BMData& artwork,
                               const BMData& finished)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      plain_(Copy(plain)),
      artwork_(Copy(artwork)),
      finished_(Copy(finished)),
      distance_(PixelCount()),
      wholeDistance_(PixelCount()),
      grey_(kGreyLevels, kWhite) {
  for (int y = 0; y < height_; ++y) {
    for (int x = 0; x < width_; ++x) {
      const size_t i = static_cast<size_t>(y) * width_ + x;
      const double dx = x - kCentreX;
      const double dy = y - kCentreY;
      distance_[i] = static_cast<float>(std::sqrt(dx * dx + dy * dy));
      wholeDistance_[i] = static_cast<std::uint16_t>(std::min<double>(std::floor(distance_[i]), kGreyLevels - 1));
    }
  }
  // The plain picture's pure white pixels let the frame show through.
  for (int row = 0; row < plain_.height; ++row) {
    const std::uint32_t* line = &plain_.pixels[static_cast<size_t>(row) * plain_.width];
    for (int x = 0; x < plain_.width;) {
      if ((line[x] & 0xFFFFFF) == kWhite) {
        ++x;
        continue;
      }
      const int first = x;
      while (x < plain_.width && (line[x] & 0xFFFFFF) != kWhite) ++x;
      plainRuns_.push_back({row, first, x});
    }
  }
}

int ProgressFrames::TargetRadius(int installPermille) {
  const int permille = std::clamp(installPermille, 0, 1000);
  return (kLargestRadius - kSmallestTarget) * permille / 1000 + kSmallestTarget;
}

void ProgressFrames::RenderIdle(std::uint32_t* out) {
  std::fill(out, out + PixelCount(), kWhite);
  DrawPlainPicture(out);
  revealRadius_ = 0;
}

void ProgressFrames::RenderFinished(std::uint32_t* out) {
  const std::uint32_t fill = platform::gui::ColorToPixel(kFinishedFill);
  std::fill(out, out + PixelCount(), fill);
  DrawKeyed(out, width_, height_, finished_, kPictureX + kFinishedPictureShift, kPictureY, fill);
}

void ProgressFrames::RenderRipple(std::uint32_t* out, std::uint32_t now, int installPermille) {
  const int target = TargetRadius(installPermille);
  revealRadius_ = std::min(revealRadius_ + 1, target);
  AdvanceRipples(now);
  BuildGreyTable();
  for (int y = 0; y < height_; ++y) FillRowBands(out, y);
  if (revealRadius_ < kCoveredRadius) DrawPlainPicture(out);
  RevealArtwork(out);
}

// One half of a row, walked from the centre column outward: there the whole
// distance never falls, so a band or the reveal circle is one run of pixels.
struct ProgressFrames::HalfRow {
  const std::uint16_t* whole;  // the row's whole distances
  int first;                   // x of the pixel next to the centre
  int step;                    // +1 rightward, −1 leftward
  int count;
  int X(int k) const { return first + step * k; }
  // The first k in [from, count) whose whole distance is at least `value`.
  int FirstAtLeast(int from, int value) const {
    int low = from, high = count;
    while (low < high) {
      const int mid = low + (high - low) / 2;
      if (whole[X(mid)] < value)
        low = mid + 1;
      else
        high = mid;
    }
    return low;
  }
  // The pixels k in [from, to) as a pointer range in `row`.
  std::uint32_t* Begin(std::uint32_t* row, int from, int to) const { return row + (step > 0 ? X(from) : X(to - 1)); }
};

std::array<ProgressFrames::HalfRow, 2> ProgressFrames::HalvesOf(int y) const {
  const std::uint16_t* whole = &wholeDistance_[static_cast<size_t>(y) * width_];
  const int centre = std::clamp(kCentreX, 0, width_);
  return {HalfRow{whole, centre, 1, width_ - centre}, HalfRow{whole, centre - 1, -1, centre}};
}

void ProgressFrames::FillRowBands(std::uint32_t* out, int y) const {
  std::uint32_t* row = out + static_cast<size_t>(y) * width_;
  for (const HalfRow& half : HalvesOf(y)) {
    for (int k = 0; k < half.count;) {
      const int level = half.whole[half.X(k)];
      const int bandEnd = bandEnd_[level];
      const int next = bandEnd >= kGreyLevels ? half.count : half.FirstAtLeast(k + 1, bandEnd);
      std::uint32_t* begin = half.Begin(row, k, next);
      std::fill(begin, begin + (next - k), grey_[level]);
      k = next;
    }
  }
}

void ProgressFrames::AdvanceRipples(std::uint32_t now) {
  if (ripples_.empty() || now - ripples_.back().birthTick >= kRippleIntervalMs) ripples_.push_back({0, now, 0});
  for (auto it = ripples_.begin(); it != ripples_.end();) {
    const std::uint32_t age = now - it->birthTick;
    if (age >= kRippleLifeMs) {
      it = ripples_.erase(it);
      continue;
    }
    const std::uint32_t left = kRippleLifeMs - age;
    it->strength = left < kRippleFadeMs ? left * kRippleFadePerMs : kRippleStrength;
    it->radius = static_cast<int>(std::floor(age * kRippleSpeedPxPerMs));
    ++it;
  }
}

void ProgressFrames::BuildGreyTable() {
  std::fill(grey_.begin(), grey_.end(), kWhite);
  std::uint32_t colour = kWhite;
  int previousRadius = -1;
  for (const Ripple& ripple : ripples_) {
    colour = BlendPixels(colour, kRippleGrey, ripple.strength);
    if (previousRadius >= 0) {
      const int from = std::clamp(ripple.radius, 0, kGreyLevels);
      const int to = std::clamp(previousRadius, 0, kGreyLevels);
      std::fill(grey_.begin() + from, grey_.begin() + std::max(from, to), colour);
    }
    previousRadius = ripple.radius;
  }
  if (previousRadius > 0) {
    const std::uint32_t disc = BlendPixels(colour, kRippleGrey, kRippleStrength);
    std::fill(grey_.begin(), grey_.begin() + std::min(previousRadius, kGreyLevels), disc);
  }
  // Where each band ends, so that a frame fills runs instead of single pixels.
  int end = kGreyLevels;
  for (int level = kGreyLevels - 1; level >= 0; --level) {
    if (level + 1 < kGreyLevels && grey_[level] != grey_[level + 1]) end = level + 1;
    bandEnd_[level] = end;
  }
}

void ProgressFrames::DrawPlainPicture(std::uint32_t* out) const {
  for (const Run& run : plainRuns_) {
    const int y = kPictureY + run.row;
    const int from = std::max(kPictureX + run.first, 0);
    const int to = std::min(kPictureX + run.end, width_);
    if (y < 0 || y >= height_ || from >= to) continue;
    const std::uint32_t* source = &plain_.pixels[static_cast<size_t>(run.row) * plain_.width + (from - kPictureX)];
    std::memcpy(out + static_cast<size_t>(y) * width_ + from, source, static_cast<size_t>(to - from) * 4);
  }
}

void ProgressFrames::RevealArtwork(std::uint32_t* out) {
  const int r = revealRadius_;
  if (r <= 0) return;
  if (artworkCopy_.empty()) {
    // The artwork at frame size; parts it does not cover stay white.
    artworkCopy_.assign(PixelCount(), kWhite);
    const int w = std::min(width_, artwork_.width);
    for (int y = 0; y < std::min(height_, artwork_.height); ++y)
      std::memcpy(&artworkCopy_[static_cast<size_t>(y) * width_],
                  &artwork_.pixels[static_cast<size_t>(y) * artwork_.width], static_cast<size_t>(w) * 4);
  }
  for (int y = std::max(0, kCentreY - r + 1); y <= std::min(height_ - 1, kCentreY + r - 1); ++y) {
    const size_t rowStart = static_cast<size_t>(y) * width_;
    std::uint32_t* row = out + rowStart;
    const std::uint32_t* art = &artworkCopy_[rowStart];
    for (const HalfRow& half : HalvesOf(y)) {
      // Whole distance up to r − 2 lies inside; r − 1 is the rim, blended by the fraction.
      const int inner = half.FirstAtLeast(0, r - 1);
      const int outer = half.FirstAtLeast(inner, r);
      if (inner > 0) {
        const int x = half.Begin(row, 0, inner) - row;
        std::memcpy(row + x, art + x, static_cast<size_t>(inner) * 4);
      }
      for (int k = inner; k < outer; ++k) {
        const int x = half.X(k);
        const float d = distance_[rowStart + x];
        // The rim fades from the artwork inside to the frame outside.
        row[x] = BlendPixels(art[x], row[x], d - static_cast<float>(r - 1));
      }
    }
  }
}

}  // namespace setup
