#include "ui/common_ctrl.h"

#include "platform/gui/draw.h"
#include "platform/gui/window.h"

namespace ui {

namespace gui = platform::gui;

CommonCtrl::CommonCtrl(HWND parentWindow, int left, int top, int right, int bottom)
    : parent(parentWindow), rect(left, top, right, bottom) {}

void CommonCtrl::SetID(int value) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  id = value;
}

int CommonCtrl::GetID() {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  return id;
}

void CommonCtrl::SetCaption(const wchar_t* value) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  text = value ? value : L"";
}

std::wstring CommonCtrl::GetCaption() {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  return text;
}

void CommonCtrl::SetFont(HFONT value) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  font = value;
}

void CommonCtrl::SetTextColor(COLORREF color) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  textColor = color;
}

void CommonCtrl::SetTextFormat(UINT format) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  textFormat = format;
}

void CommonCtrl::FillSolidRect(HDC dc, const RECT* r, COLORREF color) { gui::FillRectColor(dc, r, color); }

void CommonCtrl::SetVisible(bool value) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  visible = value;
}

bool CommonCtrl::IsVisible() {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  return visible;
}

void CommonCtrl::SetEnabled(bool value) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  enabled = value;
}

bool CommonCtrl::IsEnabled() {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  return enabled;
}

HWND CommonCtrl::GetParentWindow() { return parent; }

CommonRect CommonCtrl::GetRect() {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  return rect;
}

void CommonCtrl::SetRect(const RECT* r) {
  if (!r) return;
  std::lock_guard<std::recursive_mutex> lock(mutex);
  rect.Set(r->left, r->top, r->right, r->bottom);
}

bool CommonCtrl::HitTest(int x, int y) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  const RECT* r = rect.GetRect();
  return r->left <= x && x <= r->right && r->top <= y && y <= r->bottom;
}

void CommonCtrl::SetUseBitmap(int use) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  useBitmap = use;
}

int CommonCtrl::GetUseBitmap() {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  return useBitmap;
}

void CommonCtrl::SetStateTextColors(COLORREF normal, COLORREF hover, COLORREF pressed, COLORREF disabled) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  stateTextColors[0] = normal;
  stateTextColors[1] = hover;
  stateTextColors[2] = pressed;
  stateTextColors[3] = disabled;
}

void CommonCtrl::SetStateBitmaps(HBITMAP normal, HBITMAP hover, HBITMAP pressed, HBITMAP disabled) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  stateBitmaps[0] = normal;
  stateBitmaps[1] = hover;
  stateBitmaps[2] = pressed;
  stateBitmaps[3] = disabled;
}

int CommonCtrl::DrawBitmapAt(HDC dc, HBITMAP bitmap, int x, int y, int cx, int cy) {
  if (!dc || !bitmap) return 1;
  HDC memory = gui::CreateCompatibleDC(dc);
  HBITMAP previous = gui::SelectObject(memory, bitmap);
  gui::BitBlt(dc, x, y, cx, cy, memory, 0, 0);
  gui::SelectObject(memory, previous);
  gui::DeleteDC(memory);
  return 0;
}

int CommonCtrl::DrawBitmap(HDC dc, HBITMAP bitmap) {
  const CommonRect r = GetRect();
  return DrawBitmapAt(dc, bitmap, r.GetRect()->left, r.GetRect()->top, r.GetWidth(), r.GetHeight());
}

int CommonCtrl::GetState() {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  return state;
}

COLORREF CommonCtrl::GetTextColor() {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  return textColor;
}

void CommonCtrl::DrawCaption(HDC dc, RECT textRect, HFONT captionFont, const RECT& invalidated) {
  gui::SetBkMode(dc, TRANSPARENT);
  gui::SetTextColor(dc, textColor);
  if (captionFont) {
    HFONT previous = gui::SelectObject(dc, captionFont);
    gui::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect, textFormat);
    gui::SelectObject(dc, previous);
    gui::InvalidateRect(parent, &invalidated, 0);
  } else {
    gui::DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect, textFormat);
  }
}

}  // namespace ui
