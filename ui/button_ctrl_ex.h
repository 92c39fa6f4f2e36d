// A push button with four looks (normal, hover, pressed, disabled) that reports a
// completed click to its owner as WM_COMMAND with its id.
#pragma once

#include "ui/common_ctrl.h"

namespace ui {

class ButtonCtrlEx : public CommonCtrl {
 public:
  ButtonCtrlEx(HWND parent, int left, int top, int right, int bottom);

  int Draw(HDC dc) override;
  // Disabling shows the disabled look; enabling keeps the look until the next mouse event.
  void SetEnabled(bool enabled) override;
  virtual int OnMouseMove(int x, int y);
  virtual int OnLButtonDown(int x, int y);
  virtual int OnLButtonUp(int x, int y);

  bool IsTracking();

 protected:
  // The parts a descendant changes; all are called with `mutex` held.
  virtual HBITMAP PictureFor(int currentState);
  virtual void DrawPicture(HDC dc, HBITMAP picture);
  virtual HFONT FontFor(int currentState);
  virtual RECT CaptionRect();

  int CurrentState() const { return (state >= 0 && state <= 3) ? state : 0; }
};

}  // namespace ui
