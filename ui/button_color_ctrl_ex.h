// A flat button painted with a frame colour and a fill colour per state instead of
// pictures. A colour of 0 means "none", so pure black cannot be a fill.
#pragma once

#include "ui/button_ctrl_ex.h"

namespace ui {

class ButtonColorCtrlEx : public ButtonCtrlEx {
 public:
  using ButtonCtrlEx::ButtonCtrlEx;

  int Draw(HDC dc) override;
  virtual void SetFrameColors(COLORREF normal, COLORREF hover, COLORREF pressed, COLORREF disabled);
  virtual void SetFrameWidth(int width);
  virtual void SetFillColors(COLORREF normal, COLORREF hover, COLORREF pressed, COLORREF disabled);

 protected:
  COLORREF fillColors[4] = {0, 0, 0, 0};
  COLORREF frameColors[4] = {0, 0, 0, 0};
  std::int32_t frameWidth = 0;
};

}  // namespace ui
