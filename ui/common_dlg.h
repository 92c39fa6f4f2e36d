// The base of every skinned dialog: turns the raw dialog procedure into a fixed
// set of operations, centres the dialog at its DPI-scaled design size, routes the
// mouse to its windowless controls and moves the window when its background is
// dragged. UI thread.
#pragma once

#include <cstdint>

#include "platform/gui/gui_types.h"
#include "ui/control_lists.h"

namespace ui {

class CommonDlg {
 public:
  // Bits of `closeFlags`: which dialog keys end the dialog.
  static constexpr std::uint32_t kCloseOnCancel = 1;  // IDCANCEL (Escape, an unhandled close)
  static constexpr std::uint32_t kCloseOnOk = 2;      // IDOK (Enter)

  CommonDlg() = default;
  virtual ~CommonDlg() = default;
  CommonDlg(const CommonDlg&) = delete;
  CommonDlg& operator=(const CommonDlg&) = delete;

  virtual int OnInitDialog(HWND hwnd);
  virtual INT_PTR DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // Routes the mouse messages to `controls` (RouteMouse); 0 for anything else.
  // Dialogs that handle messages of their own end their switch with this one.
  virtual int PreHandleMessage(UINT msg, WPARAM wParam, LPARAM lParam);
  virtual int OnCommand(WPARAM wParam, LPARAM lParam);
  virtual int ReservedHook(int, int);
  virtual void OnPaint();
  virtual void OnCreate();
  virtual int GetDpiX();
  virtual int ScaleByDpi(int v);
  virtual void FillSolidRect(HDC dc, const RECT* rect, COLORREF color);

  HWND hwnd = nullptr;
  std::int32_t scaleToDesignSize = 0;
  std::int32_t designWidth = 0;
  std::int32_t designHeight = 0;
  std::uint32_t closeFlags = kCloseOnCancel | kCloseOnOk;

 protected:
  // WM_MOUSEMOVE, WM_LBUTTONDOWN and WM_LBUTTONUP to the mouse list of `controls`,
  // under one "pressed" rule: set when a press lands on a control (a non-zero sum),
  // cleared on release. Calls OnControlsChanged when a control's state changed.
  // The summed result of the handlers (0 for a move and for other messages).
  int RouteMouse(UINT msg, WPARAM wParam, LPARAM lParam);
  // Asks for a repaint; dialogs that repaint on their own thread need not.
  virtual void OnControlsChanged();

  // The skinned page: `page` over the whole client area, a title band of
  // `titleHeight` across the top and a band of `bottomHeight` along the bottom.
  struct PageBands {
    COLORREF page;
    COLORREF titleBand;
    int titleHeight;
    COLORREF bottomBand;
    int bottomHeight;
  };
  void PaintBands(HDC dc, const RECT& client, const PageBands& bands);

  // The windowless controls: drawn in order, offered the mouse from last to first.
  ControlLists controls;

 private:
  bool pressed_ = false;  // the left button went down on a control and is still down
};

}  // namespace ui
