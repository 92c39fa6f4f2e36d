// A progress bar: a track and a fill in proportion to the position within the range,
// drawn from two pictures or two colours inside an optional border.
#pragma once

#include "ui/common_ctrl.h"

namespace ui {

class ProcessCtrl : public CommonCtrl {
 public:
  using CommonCtrl::CommonCtrl;

  // Without a DC it draws straight onto the owner's window.
  int Draw(HDC dc) override;
  virtual void SetRange(int min, int max);
  // Stores the position and shows it at once.
  virtual void SetPosition(int position);
  virtual void SetBorder(int width, COLORREF color);
  virtual void SetBarColors(COLORREF done, COLORREF rest);

  // Pixels of the fill for the current position in an inner width of `innerWidth`.
  int FilledWidth(int innerWidth);

 protected:
  std::int32_t rangeMin = 0;
  std::int32_t rangeMax = 100;
  std::int32_t position = 0;
  std::int32_t borderWidth = 0;
  COLORREF borderColor = 0;
  COLORREF doneColor = 0;
  COLORREF restColor = 0;
};

}  // namespace ui
