// Handles, geometry and the window message numbers the dialogs are written against.
// The values are the ones the dialog logic was designed with, so its message
// handling runs unchanged on every backend.
#pragma once

#include <cstdint>

#include "platform/win_types.h"

namespace platform::gui {
class Window;
class Canvas;
class Bitmap;
class Font;
}  // namespace platform::gui

using HWND = platform::gui::Window*;
using HDC = platform::gui::Canvas*;
using HBITMAP = platform::gui::Bitmap*;
using HFONT = platform::gui::Font*;
using HINSTANCE = void*;
using COLORREF = std::uint32_t;
using WPARAM = std::uintptr_t;
using LPARAM = std::intptr_t;
using LRESULT = std::intptr_t;
using INT_PTR = std::intptr_t;
using UINT_PTR = std::uintptr_t;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);
using DLGPROC = INT_PTR (*)(HWND, UINT, WPARAM, LPARAM);

struct RECT {
  LONG left = 0;
  LONG top = 0;
  LONG right = 0;
  LONG bottom = 0;
};

struct POINT {
  LONG x = 0;
  LONG y = 0;
};

inline constexpr COLORREF RGB(int r, int g, int b) {
  return static_cast<COLORREF>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
inline constexpr int GetRValue(COLORREF c) { return c & 0xFF; }
inline constexpr int GetGValue(COLORREF c) { return (c >> 8) & 0xFF; }
inline constexpr int GetBValue(COLORREF c) { return (c >> 16) & 0xFF; }

inline constexpr WORD LOWORD(std::uintptr_t v) { return static_cast<WORD>(v & 0xFFFF); }
inline constexpr WORD HIWORD(std::uintptr_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
// Mouse coordinates are signed words: a captured drag may leave the window.
inline constexpr int GET_X_LPARAM(LPARAM l) { return static_cast<std::int16_t>(l & 0xFFFF); }
inline constexpr int GET_Y_LPARAM(LPARAM l) { return static_cast<std::int16_t>((l >> 16) & 0xFFFF); }
inline constexpr LPARAM MAKELPARAM(int lo, int hi) {
  return static_cast<LPARAM>(static_cast<std::uint32_t>(static_cast<WORD>(lo)) |
                             (static_cast<std::uint32_t>(static_cast<WORD>(hi)) << 16));
}

// Window messages.
inline constexpr UINT WM_CREATE = 0x0001;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_MOVE = 0x0003;
inline constexpr UINT WM_SIZE = 0x0005;
inline constexpr UINT WM_SETTEXT = 0x000C;
inline constexpr UINT WM_PAINT = 0x000F;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_ERASEBKGND = 0x0014;
inline constexpr UINT WM_SHOWWINDOW = 0x0018;
inline constexpr UINT WM_SETICON = 0x0080;
inline constexpr UINT WM_NCDESTROY = 0x0082;
inline constexpr UINT WM_NCLBUTTONDOWN = 0x00A1;
inline constexpr UINT WM_KEYDOWN = 0x0100;
inline constexpr UINT WM_KEYUP = 0x0101;
inline constexpr UINT WM_CHAR = 0x0102;
inline constexpr UINT WM_INITDIALOG = 0x0110;
inline constexpr UINT WM_COMMAND = 0x0111;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_MOUSEMOVE = 0x0200;
inline constexpr UINT WM_LBUTTONDOWN = 0x0201;
inline constexpr UINT WM_LBUTTONUP = 0x0202;
inline constexpr UINT WM_MOUSELEAVE = 0x02A3;  // the pointer left the window
inline constexpr UINT WM_EXITSIZEMOVE = 0x0232;
inline constexpr UINT WM_DWMCOMPOSITIONCHANGED = 0x031E;
inline constexpr UINT WM_USER = 0x0400;

// Mouse key state in wParam of mouse messages.
inline constexpr WPARAM MK_LBUTTON = 0x0001;

// Hit-test code that makes the default handling move the window.
inline constexpr WPARAM HTCAPTION = 2;

// WM_SIZE kinds.
inline constexpr WPARAM SIZE_RESTORED = 0;
inline constexpr WPARAM SIZE_MINIMIZED = 1;
inline constexpr WPARAM SIZE_MAXIMIZED = 2;

// Command identifiers of the dialog keys.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

// Virtual keys.
inline constexpr WPARAM VK_RETURN = 0x0D;
inline constexpr WPARAM VK_ESCAPE = 0x1B;

// Window styles (read back with GetWindowStyle).
inline constexpr DWORD WS_POPUP = 0x80000000u;
inline constexpr DWORD WS_VISIBLE = 0x10000000u;
inline constexpr DWORD WS_MINIMIZE = 0x20000000u;
inline constexpr DWORD WS_MAXIMIZE = 0x01000000u;
inline constexpr DWORD WS_POPUPWINDOW = 0x80880000u;
inline constexpr DWORD WS_EX_TRANSPARENT = 0x00000020u;
inline constexpr DWORD WS_EX_LAYERED = 0x00080000u;

// ShowWindow commands.
inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOWNA = 8;
inline constexpr int SW_MINIMIZE = 6;
inline constexpr int SW_SHOW = 5;
inline constexpr int SW_RESTORE = 9;

// SetWindowPos flags.
inline constexpr UINT SWP_NOSIZE = 0x0001;
inline constexpr UINT SWP_NOMOVE = 0x0002;
inline constexpr UINT SWP_NOZORDER = 0x0004;
inline constexpr UINT SWP_NOREDRAW = 0x0008;
inline constexpr UINT SWP_NOACTIVATE = 0x0010;
inline constexpr UINT SWP_SHOWWINDOW = 0x0040;

// GetSystemMetrics / GetDeviceCaps indices.
inline constexpr int SM_CXSCREEN = 0;
inline constexpr int SM_CYSCREEN = 1;
inline constexpr int LOGPIXELSX = 88;
inline constexpr int LOGPIXELSY = 90;

// DrawTextW format flags.
inline constexpr UINT DT_LEFT = 0x0000;
inline constexpr UINT DT_TOP = 0x0000;
inline constexpr UINT DT_CENTER = 0x0001;
inline constexpr UINT DT_RIGHT = 0x0002;
inline constexpr UINT DT_VCENTER = 0x0004;
inline constexpr UINT DT_BOTTOM = 0x0008;
inline constexpr UINT DT_WORDBREAK = 0x0010;
inline constexpr UINT DT_SINGLELINE = 0x0020;
inline constexpr UINT DT_NOCLIP = 0x0100;
inline constexpr UINT DT_CALCRECT = 0x0400;
inline constexpr UINT DT_NOPREFIX = 0x0800;
inline constexpr UINT DT_EDITCONTROL = 0x2000;
inline constexpr UINT DT_END_ELLIPSIS = 0x8000;

// Background modes.
inline constexpr int TRANSPARENT = 1;
inline constexpr int OPAQUE = 2;

// Plain message box types and results.
inline constexpr UINT MB_OK = 0x0000;
inline constexpr UINT MB_OKCANCEL = 0x0001;
inline constexpr UINT MB_YESNO = 0x0004;
inline constexpr UINT MB_ICONERROR = 0x0010;
inline constexpr UINT MB_ICONQUESTION = 0x0020;
inline constexpr UINT MB_ICONWARNING = 0x0030;
inline constexpr UINT MB_ICONINFORMATION = 0x0040;
