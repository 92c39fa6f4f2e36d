// The windowless controls: a rectangle in the owner's client area that draws itself
// into a device context it is handed and answers mouse events its owner routes to
// it. Mouse events arrive on the UI thread while a painter thread may be drawing, so
// every field is guarded by the control's own lock.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>

#include "platform/gui/gui_types.h"
#include "ui/common_rect.h"

namespace ui {

class CommonCtrl {
 public:
  enum State : std::int32_t { kNormal = 0, kHover = 1, kPressed = 2, kDisabled = 3 };

  CommonCtrl(HWND parent, int left, int top, int right, int bottom);
  virtual ~CommonCtrl() = default;
  CommonCtrl(const CommonCtrl&) = delete;
  CommonCtrl& operator=(const CommonCtrl&) = delete;

  virtual int Draw(HDC dc) = 0;
  virtual void SetID(int id);
  virtual int GetID();
  virtual void SetCaption(const wchar_t* text);
  virtual std::wstring GetCaption();
  virtual void SetFont(HFONT font);
  virtual void SetTextColor(COLORREF color);
  virtual void SetTextFormat(UINT format);
  virtual void FillSolidRect(HDC dc, const RECT* rect, COLORREF color);
  virtual void SetVisible(bool visible);
  virtual bool IsVisible();
  virtual void SetEnabled(bool enabled);
  virtual bool IsEnabled();
  virtual HWND GetParentWindow();
  // A copy: the rectangle may change on another thread.
  virtual CommonRect GetRect();
  virtual void SetRect(const RECT* rect);
  // All four edges count as inside.
  virtual bool HitTest(int x, int y);
  virtual void SetUseBitmap(int use);
  virtual int GetUseBitmap();
  virtual void SetStateTextColors(COLORREF normal, COLORREF hover, COLORREF pressed, COLORREF disabled);
  virtual void SetStateBitmaps(HBITMAP normal, HBITMAP hover, HBITMAP pressed, HBITMAP disabled);
  // Copies the top-left cx × cy of the bitmap to (x, y). Returns 1 (drawing nothing)
  // when the DC or the bitmap is missing, else 0.
  virtual int DrawBitmapAt(HDC dc, HBITMAP bitmap, int x, int y, int cx, int cy);
  virtual int DrawBitmap(HDC dc, HBITMAP bitmap);

  int GetState();
  COLORREF GetTextColor();

 protected:
  // The text step every captioned control shares: transparent background, the
  // colour `textColor`, the font when there is one, then the owner is told that
  // `invalidated` changed. Called with `mutex` held.
  void DrawCaption(HDC dc, RECT textRect, HFONT font, const RECT& invalidated);

  mutable std::recursive_mutex mutex;
  std::int32_t state = kNormal;
  bool tracking = false;
  COLORREF stateTextColors[4] = {0, 0, 0, 0};
  HBITMAP stateBitmaps[4] = {nullptr, nullptr, nullptr, nullptr};
  UINT textFormat = DT_CENTER | DT_VCENTER | DT_SINGLELINE;
  std::int32_t id = -1;
  const HWND parent;
  CommonRect rect;
  std::wstring text;
  bool visible = true;
  bool enabled = true;
  std::int32_t useBitmap = 0;
  HFONT font = nullptr;
  COLORREF textColor = 0;
};

}  // namespace ui
