// The circular picture of the download: the plain picture with its ring drawn in
// step with the percentage, swept clockwise from twelve o'clock, a quarter at a time.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/gui/gui_types.h"

namespace ui {
class BMData;
}  // namespace ui

namespace setup {

class RingPicture {
 public:
  // Both pictures are square and of one size; the sweep table is built here once.
  RingPicture(const ui::BMData& plain, const ui::BMData& ringed);

  bool Usable() const { return size_ > 0; }
  int Size() const { return size_; }

  // Draws the picture for `percent` (held to 0 … 100) with its top-left corner at
  // (x, y). Pure-white pixels are left out, so the page shows through them.
  void Draw(HDC dc, int x, int y, int percent) const;

  // True when the pixel (x, y) of the picture shows the ringed picture at `percent`.
  bool Revealed(int x, int y, int percent) const;

 private:
  const ui::BMData& plain_;
  const ui::BMData& ringed_;
  int size_ = 0;
  // Per pixel: the percentage in hundredths from which the sweep covers it.
  std::vector<std::uint16_t> revealAt_;
};

}  // namespace setup
