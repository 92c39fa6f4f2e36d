#include "ui/check_button_ctrl.h"

namespace ui {

void CheckButtonCtrl::SetCheck(int check) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  checkState = check;
}

int CheckButtonCtrl::GetCheck() {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  return checkState;
}

void CheckButtonCtrl::SetCheckedBitmaps(HBITMAP normal, HBITMAP hover, HBITMAP pressed, HBITMAP disabled) {
  std::lock_guard<std::recursive_mutex> lock(mutex);
  checkedBitmaps[0] = normal;
  checkedBitmaps[1] = hover;
  checkedBitmaps[2] = pressed;
  checkedBitmaps[3] = disabled;
}

HBITMAP CheckButtonCtrl::PictureFor(int currentState) {
  return checkState ? checkedBitmaps[currentState] : stateBitmaps[currentState];
}

}  // namespace ui
