#include "ui/check_button_ctrl_ex.h"

namespace ui {

void CheckButtonCtrlEx::SetBoxRect(int x, int y, int width, int height) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  boxRect = SubRect{x, y, width, height};
}

void CheckButtonCtrlEx::SetLabelRect(int x, int y, int width, int height) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  labelRect = SubRect{x, y, width, height};
}

void CheckButtonCtrlEx::DrawPicture(HDC dc, HBITMAP picture) {
  const RECT* r = rect.GetRect();
  DrawBitmapAt(dc, picture, r->left + boxRect.x, r->top + boxRect.y, boxRect.width, boxRect.height);
}

RECT CheckButtonCtrlEx::CaptionRect() {
  const RECT* r = rect.GetRect();
  return RECT{r->left + labelRect.x, r->top + labelRect.y, r->left + labelRect.x + labelRect.width,
              r->top + labelRect.y + labelRect.height};
}

}  // namespace ui
