// A check box whose box picture and label sit in their own sub-rectangles, given
// relative to the control's top-left corner.
#pragma once

#include "ui/check_button_ctrl.h"

namespace ui {

class CheckButtonCtrlEx : public CheckButtonCtrl {
 public:
  struct SubRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
  };

  using CheckButtonCtrl::CheckButtonCtrl;

  virtual void SetBoxRect(int x, int y, int width, int height);
  virtual void SetLabelRect(int x, int y, int width, int height);

 protected:
  void DrawPicture(HDC dc, HBITMAP picture) override;
  RECT CaptionRect() override;

  SubRect boxRect;
  SubRect labelRect;
};

}  // namespace ui
