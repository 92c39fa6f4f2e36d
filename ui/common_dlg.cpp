#include "ui/common_dlg.h"

#include "platform/gui/draw.h"
#include "platform/gui/window.h"

namespace ui {

namespace gui = platform::gui;

int CommonDlg::OnInitDialog(HWND window) {
  hwnd = window;
  const RECT screen = gui::GetPrimaryMonitorRect();
  RECT rect{};
  gui::GetWindowRect(window, &rect);
  if (scaleToDesignSize) rect = RECT{0, 0, ScaleByDpi(designWidth), ScaleByDpi(designHeight)};
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const int screenWidth = screen.right - screen.left;
  const int screenHeight = screen.bottom - screen.top;
  gui::MoveWindow(window, screen.left + (screenWidth - width) / 2, screen.top + (screenHeight - height) / 2, width,
                  height, 0);
  return 1;
}

INT_PTR CommonDlg::DialogProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  const int claimed = PreHandleMessage(msg, wParam, lParam);
  switch (msg) {
    case WM_INITDIALOG: OnInitDialog(window); return 1;
    case WM_CREATE: OnCreate(); return 1;
    case WM_PAINT: OnPaint(); return claimed;
    case WM_COMMAND: {
      const int id = LOWORD(wParam);
      if ((id == IDOK && (closeFlags & kCloseOnOk)) || (id == IDCANCEL && (closeFlags & kCloseOnCancel))) {
        gui::EndDialog(window, 0);
        return 1;
      }
      return OnCommand(wParam, lParam);
    }
    case WM_LBUTTONDOWN:
      if (claimed) {
        gui::OutputDebugStringA("WM_LBUTTONDOWN  SetCapture\n");
        gui::SetCapture(window);
      } else {
        // Nothing took the press: the background moves the window.
        POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        gui::ClientToScreen(window, &point);
        gui::SendMessageW(window, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(point.x, point.y));
      }
      return claimed;
    case WM_LBUTTONUP:
      gui::OutputDebugStringA("WM_LBUTTONDOWN  ReleaseCapture\n");
      gui::ReleaseCapture();
      return claimed;
    default: return claimed;
  }
}

int CommonDlg::PreHandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) { return RouteMouse(msg, wParam, lParam); }

int CommonDlg::RouteMouse(UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_MOUSELEAVE) {
    // A pointer that left is over no control: every hover ends.
    msg = WM_MOUSEMOVE;
    wParam = 0;
    lParam = MAKELPARAM(-1, -1);
  }
  if (msg != WM_MOUSEMOVE && msg != WM_LBUTTONDOWN && msg != WM_LBUTTONUP) return 0;
  if (msg == WM_LBUTTONUP) pressed_ = false;
  const std::vector<int> before = controls.MouseListStates();
  const int sum = controls.RouteMouse(msg, wParam, lParam, pressed_);
  if (msg == WM_LBUTTONDOWN && sum != 0) pressed_ = true;
  if (controls.MouseListStates() != before) OnControlsChanged();
  return sum;
}

void CommonDlg::OnControlsChanged() {
  if (gui::IsWindow(hwnd)) gui::InvalidateRect(hwnd, nullptr, 0);
}
int CommonDlg::OnCommand(WPARAM, LPARAM) { return 0; }
int CommonDlg::ReservedHook(int, int) { return 0; }
void CommonDlg::OnPaint() {}
void CommonDlg::OnCreate() {}

int CommonDlg::GetDpiX() { return gui::GetScreenDpi(); }

int CommonDlg::ScaleByDpi(int v) { return v * GetDpiX() / 96; }

void CommonDlg::PaintBands(HDC dc, const RECT& client, const PageBands& bands) {
  FillSolidRect(dc, &client, bands.page);
  const RECT title{0, 0, client.right, bands.titleHeight};
  FillSolidRect(dc, &title, bands.titleBand);
  const RECT bottom{0, client.bottom - bands.bottomHeight, client.right, client.bottom};
  FillSolidRect(dc, &bottom, bands.bottomBand);
}

void CommonDlg::FillSolidRect(HDC dc, const RECT* rect, COLORREF color) { gui::FillRectColor(dc, rect, color); }

}  // namespace ui
