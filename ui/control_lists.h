// The duties of a dialog that owns windowless controls: the paint list, drawn in
// order on every repaint, and the mouse list, walked from its last entry to its
// first for every mouse message. The lists are filled on the UI thread before any
// painter thread starts and may be read from one.
#pragma once

#include <mutex>
#include <vector>

#include "platform/gui/gui_types.h"
#include "ui/button_ctrl_ex.h"
#include "ui/common_ctrl.h"

namespace ui {

class ControlLists {
 public:
  void AddToPaintList(CommonCtrl* control);
  void AddToMouseList(ButtonCtrlEx* control);

  // Later controls draw over earlier ones.
  void PaintAll(HDC dc);
  // WM_MOUSEMOVE, WM_LBUTTONDOWN and WM_LBUTTONUP: the summed results of the
  // controls' handlers (0 for a move). `buttonDown` is the owner's own note that the
  // left button is down.
  int RouteMouse(UINT msg, WPARAM wParam, LPARAM lParam, bool buttonDown);
  // The visual state of each control of the mouse list, in list order.
  std::vector<int> MouseListStates();

 private:
  std::vector<ButtonCtrlEx*> MouseSnapshot();

  std::mutex mutex_;
  std::vector<CommonCtrl*> paintList_;
  std::vector<ButtonCtrlEx*> mouseList_;
};

}  // namespace ui
