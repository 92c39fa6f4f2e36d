// A button with an on/off mark: a second set of state pictures shows the marked
// look. The owner toggles it (SetCheck(!GetCheck())) when the click arrives.
#pragma once

#include "ui/button_ctrl_ex.h"

namespace ui {

class CheckButtonCtrl : public ButtonCtrlEx {
 public:
  using ButtonCtrlEx::ButtonCtrlEx;

  virtual void SetCheck(int check);
  virtual int GetCheck();
  virtual void SetCheckedBitmaps(HBITMAP normal, HBITMAP hover, HBITMAP pressed, HBITMAP disabled);

 protected:
  HBITMAP PictureFor(int currentState) override;

  HBITMAP checkedBitmaps[4] = {nullptr, nullptr, nullptr, nullptr};
  std::int32_t checkState = 0;
};

}  // namespace ui
