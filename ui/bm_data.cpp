#include "ui/bm_data.h"

#include <cstring>
#include <new>

#include "platform/gui/draw.h"

namespace ui {

namespace gui = platform::gui;

BMData::~BMData() { gui::DeleteBitmap(hBitmap); }

int BMData::Load(int resourceId) {
  gui::DeleteBitmap(hBitmap);
  hBitmap = gui::LoadBitmapW(nullptr, resourceId);
  if (!hBitmap) {
    pixels.reset();
    width = height = 0;
    return 0;
  }
  pixels.reset();
  const size_t count = static_cast<size_t>(hBitmap->Width()) * hBitmap->Height();
  pixels.reset(new (std::nothrow) std::uint32_t[count]);
  width = hBitmap->Width();
  height = hBitmap->Height();
  if (!pixels) return 0;
  std::memset(pixels.get(), 0, count * 4);
  gui::GetBitmapBits(hBitmap, static_cast<LONG>(count * 4), pixels.get());
  return 1;
}

}  // namespace ui
