// A hyperlink: a button whose text takes a second (underlined) font while the
// mouse is over it or pressing it.
#pragma once

#include "ui/button_ctrl_ex.h"

namespace ui {

class HyLinkCtrlEx : public ButtonCtrlEx {
 public:
  using ButtonCtrlEx::ButtonCtrlEx;

  virtual void SetHoverFont(HFONT font);

 protected:
  HFONT FontFor(int currentState) override;

  HFONT hoverFont = nullptr;
};

}  // namespace ui
