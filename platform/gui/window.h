// Windows, dialogs, messages and timers. GTK windows underneath (or the headless
// backend in tests); the dialogs above see message numbers and window procedures.
//
// Threads: every call here belongs to the UI thread (the thread that first used the
// GUI), except PostToUi, SendToUi, PostMessageW, InvalidateRect, GetClientRect, GetDC/ReleaseDC,
// PresentFrame, IsWindow and the screen queries, which any thread may call.
#pragma once

#include <functional>
#include <string>

#include "platform/gui/gui_types.h"

namespace platform::gui {

// --- threads ---
bool IsUiThread();
// Runs `task` on the UI thread later.
void PostToUi(std::function<void()> task);
// Runs `task` on the UI thread and waits for it; at once when called there.
void SendToUi(std::function<void()> task);

// --- screen ---
int GetScreenDpi();            // pixels per logical inch, 96 = scale 1.0
RECT GetPrimaryMonitorRect();  // in screen coordinates
int GetSystemMetrics(int index);
// True when the screen has a compositing manager, which translucent windows need.
bool IsCompositionEnabled();

// --- dialogs ---
// Design size (pixels at 96 DPI) of the empty dialog templates of the program.
void RegisterDialogTemplate(int templateId, int designWidth, int designHeight);
// Runs a modal dialog until EndDialog; −1 when it could not be created. Modal runs
// nest: a dialog may run another from its message handling.
INT_PTR DialogBoxParamW(HINSTANCE instance, int templateId, HWND parent, DLGPROC proc, LPARAM param);
// A modeless dialog, shown at once.
HWND CreateDialogParamW(HINSTANCE instance, int templateId, HWND parent, DLGPROC proc, LPARAM param);
BOOL EndDialog(HWND dialog, INT_PTR result);

// --- plain windows ---
BOOL RegisterWindowClass(const std::wstring& className, WNDPROC proc);
HWND CreateWindowExW(DWORD exStyle, const std::wstring& className, const std::wstring& title, DWORD style, int x, int y,
                     int width, int height, HWND owner);
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);

// --- messages ---
LRESULT SendMessageW(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
BOOL PostMessageW(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT DefWindowProcW(HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
LRESULT CallWindowProcW(WNDPROC proc, HWND window, UINT msg, WPARAM wParam, LPARAM lParam);
// Installs `proc` as the window procedure and returns the one it replaces.
WNDPROC SetWindowProc(HWND window, WNDPROC proc);

// --- geometry and state ---
BOOL GetWindowRect(HWND window, RECT* rect);  // screen coordinates
BOOL GetClientRect(HWND window, RECT* rect);  // (0, 0, width, height)
BOOL ClientToScreen(HWND window, POINT* point);
BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint);
BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags);
BOOL ShowWindow(HWND window, int command);
BOOL IsWindowVisible(HWND window);
DWORD GetWindowStyle(HWND window);
BOOL EnableWindow(HWND window, BOOL enable);
BOOL SetWindowTextW(HWND window, const std::wstring& text);
BOOL SetWindowTextA(HWND window, const char* text);
std::wstring GetWindowTextW(HWND window);
// The window's icon, from icon or bitmap resource `resourceId` (WM_SETICON).
BOOL SetWindowIcon(HWND window, int resourceId);

// --- mouse capture ---
HWND SetCapture(HWND window);
BOOL ReleaseCapture();
HWND GetCapture();

// --- timers (WM_TIMER with the id in wParam) ---
UINT_PTR SetTimer(HWND window, UINT_PTR id, UINT periodMs);
BOOL KillTimer(HWND window, UINT_PTR id);

// --- painting ---
// Asks for a WM_PAINT; repeated requests before it is handled make one.
BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase);
// Shows a painted buffer in the window: the w × h block at (sx, sy) of `source` goes
// to (x, y) of the client area. Pixels inside `keepOut` (client coordinates), where a
// native child sits, are left as they were. The buffer is copied at once.
BOOL PresentFrame(HWND window, int x, int y, int w, int h, HDC source, int sx, int sy, const RECT* keepOut = nullptr);
// A canvas over a copy of what the window shows; ReleaseDC presents it.
HDC GetDC(HWND window);
int ReleaseDC(HWND window, HDC dc);
// A translucent window's picture: premultiplied 0xAARRGGBB words, rows top-down.
BOOL UpdateLayeredWindow(HWND window, POINT position, int width, int height, const std::uint32_t* pixels);

// A line for developers (the debugger output of the original platform); written to
// standard error when CORVEX_DEBUG_OUTPUT is set.
void OutputDebugStringA(const char* text);

}  // namespace platform::gui
