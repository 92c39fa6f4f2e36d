// The base of every skinned dialog: turns the raw dialog procedure into a fixed
// set of operations, centres the dialog at its DPI-scaled design size and moves the
// window when its background is dragged. UI thread.
#pragma once

#include <cstdint>

#include "platform/gui/gui_types.h"

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
};
