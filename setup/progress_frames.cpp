#include "setup/progress_frames.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gui/draw.h"
#include "ui/bm_data.h"

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
  const size_t count = PixelCount();
  const std::uint32_t* grey = grey_.data();
  const std::uint16_t* whole = wholeDistance_.data();
  for (size_t i = 0; i < count; ++i) out[i] = grey[whole[i]];
  if (revealRadius_ < kCoveredRadius) DrawPlainPicture(out);
  RevealArtwork(out);
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
}

void ProgressFrames::DrawPlainPicture(std::uint32_t* out) const {
  DrawKeyed(out, width_, height_, plain_, kPictureX, kPictureY, kWhite);
}

void ProgressFrames::RevealArtwork(std::uint32_t* out) {
  const int r = revealRadius_;
  if (r <= 0) return;
  if (artworkCopy_.empty()) {
    // The artwork at frame size; parts it does not cover stay white.
    artworkCopy_.assign(PixelCount(), kWhite);
    const int w = std::min(width_, artwork_.width);
    for (int y = 0; y < std::min(height_, artwork_.height); ++y)
      std::memcpy(&artworkCopy_[static_cast<size_t>(y) * width_], &artwork_.pixels[static_cast<size_t>(y) * artwork_.width],
                  static_cast<size_t>(w) * 4);
  }
  const float radius = static_cast<float>(r);
  for (int y = std::max(0, kCentreY - r); y <= std::min(height_ - 1, kCentreY + r); ++y) {
    const int dy = y - kCentreY;
    const int reach = static_cast<int>(std::ceil(std::sqrt(static_cast<double>(r) * r - dy * dy)));
    const size_t rowStart = static_cast<size_t>(y) * width_;
    for (int x = std::max(0, kCentreX - reach); x <= std::min(width_ - 1, kCentreX + reach); ++x) {
      const size_t i = rowStart + x;
      const float d = distance_[i];
      if (d >= radius) continue;
      const int whole = wholeDistance_[i];
      if (whole + 1 == r) {
        // The rim fades from the artwork inside to the frame outside.
        out[i] = BlendPixels(artworkCopy_[i], out[i], d - static_cast<float>(whole));
      } else {
        out[i] = artworkCopy_[i];
      }
    }
  }
}
