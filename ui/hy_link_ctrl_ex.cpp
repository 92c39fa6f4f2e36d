#include "ui/hy_link_ctrl_ex.h"

namespace ui {

void HyLinkCtrlEx::SetHoverFont(HFONT value) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  hoverFont = value;
}

HFONT HyLinkCtrlEx::FontFor(int currentState) {
  return (currentState == kHover || currentState == kPressed) ? hoverFont : font;
}

}  // namespace ui
