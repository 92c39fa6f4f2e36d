#include "ui/process_ctrl.h"

#include <algorithm>

#include "platform/gui/window.h"

namespace ui {

namespace gui = platform::gui;

int ProcessCtrl::FilledWidth(int innerWidth) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  // An empty range would divide by zero; it shows nothing done.
  if (rangeMax == rangeMin) return 0;
  const double done = (position - rangeMin) * 1.0 * innerWidth / (rangeMax - rangeMin);
  return static_cast<int>(std::clamp(done, -1e9, 1e9));
}

int ProcessCtrl::Draw(HDC dc) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  if (!visible) return 0;
  HDC target = dc ? dc : gui::GetDC(parent);
  if (!target) return 0;
  if (borderWidth > 0) FillSolidRect(target, rect.GetRect(), borderColor);
  CommonRect inner = rect;
  inner.Deflate(borderWidth);
  const RECT* in = inner.GetRect();
  const int done = FilledWidth(inner.GetWidth());
  if (useBitmap) {
    DrawBitmapAt(target, stateBitmaps[0], in->left, in->top, inner.GetWidth(), inner.GetHeight());
    DrawBitmapAt(target, stateBitmaps[1], in->left, in->top, done, inner.GetHeight());
  } else {
    const RECT doneRect{in->left, in->top, in->left + done, in->bottom};
    const RECT restRect{in->left + done, in->top, in->right, in->bottom};
    FillSolidRect(target, &doneRect, doneColor);
    FillSolidRect(target, &restRect, restColor);
  }
  if (!dc) gui::ReleaseDC(parent, target);
  return 1;
}

void ProcessCtrl::SetRange(int min, int max) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  rangeMin = min;
  rangeMax = max;
}

void ProcessCtrl::SetPosition(int value) {
  {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    position = value;
  }
  Draw(nullptr);
}

void ProcessCtrl::SetBorder(int width, COLORREF color) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  borderWidth = width;
  borderColor = color;
}

void ProcessCtrl::SetBarColors(COLORREF done, COLORREF rest) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  doneColor = done;
  restColor = rest;
}

}  // namespace ui
