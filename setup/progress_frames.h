// The frames of the installation animation: grey ripples spreading from the install
// button over white, the background artwork revealed in a growing circle, and the
// finished frame. Pure pixel work; the frame producer's thread owns the object.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

namespace ui {
class BMData;
}  // namespace ui

namespace setup {

class ProgressFrames {
 public:
  // Geometry of the dialog in design pixels.
  static constexpr int kCentreX = 311;  // the middle of the install button
  static constexpr int kCentreY = 355;
  static constexpr int kLargestRadius = 471;  // reaches the farthest corner
  static constexpr int kCoveredRadius = 330;  // the picture lies inside it
  static constexpr int kSmallestTarget = 15;
  static constexpr int kPictureX = 184;
  static constexpr int kPictureY = 50;
  // Ripples.
  static constexpr std::uint32_t kRippleIntervalMs = 700;
  static constexpr std::uint32_t kRippleLifeMs = 5000;
  static constexpr std::uint32_t kRippleFadeMs = 2000;
  static constexpr double kRippleSpeedPxPerMs = 0.178;
  static constexpr float kRippleStrength = 0.05f;
  static constexpr float kRippleFadePerMs = 0.000025f;
  static constexpr std::uint32_t kRippleGrey = 0x999999;
  static constexpr int kGreyLevels = 1024;

  struct Ripple {
    int radius = 0;
    std::uint32_t birthTick = 0;
    float strength = 0;
  };

  // `width` × `height` is the dialog's pixel size. The pictures are copied, so the
  // producer's thread never reads the dialog's.
  ProgressFrames(int width, int height, const ui::BMData& plain, const ui::BMData& artwork, const ui::BMData& finished);

  int Width() const { return width_; }
  int Height() const { return height_; }
  size_t PixelCount() const { return static_cast<size_t>(width_) * height_; }

  // The plain picture on white; also starts the reveal from nothing again.
  void RenderIdle(std::uint32_t* out);
  // One animation step at tick `now` for the extraction progress `installPermille`.
  void RenderRipple(std::uint32_t* out, std::uint32_t now, int installPermille);
  void RenderFinished(std::uint32_t* out);

  int RevealRadius() const { return revealRadius_; }
  static int TargetRadius(int installPermille);
  const std::deque<Ripple>& Ripples() const { return ripples_; }
  const std::vector<std::uint32_t>& GreyTable() const { return grey_; }

 private:
  struct HalfRow;
  // A run of pixels of the plain picture that are not pure white.
  struct Run {
    int row;
    int first;
    int end;
  };
  std::array<HalfRow, 2> HalvesOf(int y) const;
  void AdvanceRipples(std::uint32_t now);
  void BuildGreyTable();
  void FillRowBands(std::uint32_t* out, int y) const;
  void DrawPlainPicture(std::uint32_t* out) const;
  void RevealArtwork(std::uint32_t* out);

  int width_;
  int height_;
  struct Picture {
    int width = 0;
    int height = 0;
    std::vector<std::uint32_t> pixels;
  };
  static Picture Copy(const ui::BMData& source);
  static void DrawKeyed(std::uint32_t* out, int width, int height, const Picture& picture, int x, int y,
                        std::uint32_t transparent);

  const Picture plain_;
  const Picture artwork_;
  const Picture finished_;
  std::vector<float> distance_;               // of every pixel from the centre
  std::vector<std::uint16_t> wholeDistance_;  // the same, whole and held below kGreyLevels
  std::vector<std::uint32_t> grey_;           // colour by whole distance, rebuilt per frame
  std::array<int, kGreyLevels> bandEnd_{};    // the first level after each level's band
  std::vector<Run> plainRuns_;
  std::vector<std::uint32_t> artworkCopy_;  // the artwork in frame size, made when first needed
  std::deque<Ripple> ripples_;              // oldest first
  int revealRadius_ = 0;
};

// a × (1 − share) + b × share per channel of two 0x00RRGGBB pixels.
std::uint32_t BlendPixels(std::uint32_t a, std::uint32_t b, float share);

}  // namespace setup
