#include "ui/button_color_ctrl_ex.h"

namespace ui {

int ButtonColorCtrlEx::Draw(HDC dc) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  if (!visible) return 0;
  const int current = CurrentState();
  const COLORREF fill = fillColors[current];
  const COLORREF frame = frameColors[current];
  textColor = stateTextColors[current];
  if (!dc) return 0;
  const RECT whole = *rect.GetRect();
  if (frame != 0) FillSolidRect(dc, &whole, frame);
  if (fill != 0) {
    const RECT inner{whole.left + frameWidth, whole.top + frameWidth, whole.right - frameWidth,
                     whole.bottom - frameWidth};
    FillSolidRect(dc, &inner, fill);
  }
  if (text.empty()) return 1;
  DrawCaption(dc, whole, font, whole);
  return 1;
}

void ButtonColorCtrlEx::SetFrameColors(COLORREF normal, COLORREF hover, COLORREF pressed, COLORREF disabled) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  frameColors[0] = normal;
  frameColors[1] = hover;
  frameColors[2] = pressed;
  frameColors[3] = disabled;
}

void ButtonColorCtrlEx::SetFrameWidth(int width) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  frameWidth = width;
}

void ButtonColorCtrlEx::SetFillColors(COLORREF normal, COLORREF hover, COLORREF pressed, COLORREF disabled) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  fillColors[0] = normal;
  fillColors[1] = hover;
  fillColors[2] = pressed;
  fillColors[3] = disabled;
}

}  // namespace ui
