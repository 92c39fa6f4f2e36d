// A text label or a picture. Word-wrapped text with DT_EDITCONTROL is centred
// vertically in the control.
#pragma once

#include "ui/common_ctrl.h"

namespace ui {

class StaticCtrl : public CommonCtrl {
 public:
  using CommonCtrl::CommonCtrl;
  // Without a DC it draws straight onto the owner's window.
  int Draw(HDC dc) override;
};

}  // namespace ui
