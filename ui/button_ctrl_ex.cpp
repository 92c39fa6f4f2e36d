#include "ui/button_ctrl_ex.h"

#include "platform/gui/window.h"

namespace ui {

namespace gui = platform::gui;

ButtonCtrlEx::ButtonCtrlEx(HWND parentWindow, int left, int top, int right, int bottom)
    : CommonCtrl(parentWindow, left, top, right, bottom) {
  state = kNormal;
  tracking = false;
  useBitmap = 0;
  stateTextColors[0] = 0x333333;
  stateTextColors[1] = 0x666666;
  stateTextColors[2] = 0x111111;
  stateTextColors[3] = 0x999999;
}

int ButtonCtrlEx::Draw(HDC dc) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  if (!visible) return 0;
  const int current = CurrentState();
  HBITMAP picture = PictureFor(current);
  textColor = stateTextColors[current];
  if (!dc) return 0;
  if (useBitmap) DrawPicture(dc, picture);
  if (text.empty()) return 1;
  const RECT caption = CaptionRect();
  DrawCaption(dc, caption, FontFor(current), caption);
  return 1;
}

void ButtonCtrlEx::SetEnabled(bool value) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  enabled = value;
  if (!value) state = kDisabled;
}

int ButtonCtrlEx::OnMouseMove(int x, int y) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  if (!enabled || !visible) return 0;
  if (HitTest(x, y)) {
    state = tracking ? kPressed : kHover;
    return 1;
  }
  state = kNormal;
  tracking = false;
  return 0;
}

int ButtonCtrlEx::OnLButtonDown(int x, int y) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  if (!enabled || !visible) return 0;
  if (HitTest(x, y)) {
    tracking = true;
    state = kPressed;
    return 1;
  }
  state = kNormal;
  tracking = false;
  return 0;
}

int ButtonCtrlEx::OnLButtonUp(int x, int y) {
  int commandId = 0;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex);
    if (!enabled || !visible || !tracking) return 0;
    tracking = false;
    if (!HitTest(x, y)) {
      state = kNormal;
      return 0;
    }
    state = kHover;
    commandId = id;
  }
  // Outside the lock: the owner's command handling may change this control.
  gui::SendMessageW(parent, WM_COMMAND, static_cast<WPARAM>(static_cast<std::uint32_t>(commandId)), 0);
  return 1;
}

bool ButtonCtrlEx::IsTracking() {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  return tracking;
}

HBITMAP ButtonCtrlEx::PictureFor(int currentState) { return stateBitmaps[currentState]; }

void ButtonCtrlEx::DrawPicture(HDC dc, HBITMAP picture) { DrawBitmap(dc, picture); }

HFONT ButtonCtrlEx::FontFor(int) { return font; }

RECT ButtonCtrlEx::CaptionRect() { return *rect.GetRect(); }

}  // namespace ui
