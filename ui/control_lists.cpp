#include "ui/control_lists.h"

namespace ui {

void ControlLists::AddToPaintList(CommonCtrl* control) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (control) paintList_.push_back(control);
}

void ControlLists::AddToMouseList(ButtonCtrlEx* control) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (control) mouseList_.push_back(control);
}

void ControlLists::PaintAll(HDC dc) {
  std::vector<CommonCtrl*> controls;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    controls = paintList_;
  }
  for (CommonCtrl* control : controls) control->Draw(dc);
}

std::vector<ButtonCtrlEx*> ControlLists::MouseSnapshot() {
  std::lock_guard<std::mutex> lock(mutex_);
  return std::vector<ButtonCtrlEx*>(mouseList_.rbegin(), mouseList_.rend());
}

std::vector<int> ControlLists::MouseListStates() {
  std::vector<int> states;
  for (ButtonCtrlEx* control : MouseSnapshot()) states.push_back(control->GetState());
  return states;
}

int ControlLists::RouteMouse(UINT msg, WPARAM wParam, LPARAM lParam, bool buttonDown) {
  const int x = GET_X_LPARAM(lParam);
  const int y = GET_Y_LPARAM(lParam);
  const std::vector<ButtonCtrlEx*> controls = MouseSnapshot();
  int sum = 0;
  switch (msg) {
    case WM_MOUSEMOVE:
      for (ButtonCtrlEx* c : controls) {
        if ((wParam & MK_LBUTTON) || buttonDown) {
          c->OnLButtonDown(x, y);
        } else {
          c->OnLButtonUp(x, y);
        }
      }
      for (ButtonCtrlEx* c : controls) c->OnMouseMove(x, y);
      return 0;
    case WM_LBUTTONDOWN:
      for (ButtonCtrlEx* c : controls) sum += c->OnLButtonDown(x, y);
      return sum;
    case WM_LBUTTONUP:
      for (ButtonCtrlEx* c : controls) sum += c->OnLButtonUp(x, y);
      return sum;
    default: return 0;
  }
}

}  // namespace ui
