#include "ui/static_ctrl.h"

#include "platform/gui/draw.h"
#include "platform/gui/window.h"

namespace ui {

namespace gui = platform::gui;

int StaticCtrl::Draw(HDC dc) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  if (!visible) return 0;
  HDC target = dc ? dc : gui::GetDC(parent);
  if (!target) return 0;
  if (useBitmap) DrawBitmap(target, stateBitmaps[0]);

  RECT textRect = *rect.GetRect();
  if (textFormat & DT_EDITCONTROL) {
    RECT measured = textRect;
    HFONT previous = font ? gui::SelectObject(target, font) : nullptr;
    gui::DrawTextW(target, text.c_str(), static_cast<int>(text.size()), &measured, textFormat | DT_CALCRECT);
    if (font) gui::SelectObject(target, previous);
    const int measuredHeight = measured.bottom - measured.top;
    if (measuredHeight < rect.GetHeight()) textRect.top += (rect.GetHeight() - measuredHeight) / 2;
  }
  DrawCaption(target, textRect, font, *rect.GetRect());
  if (!dc) gui::ReleaseDC(parent, target);
  return 1;
}

}  // namespace ui
