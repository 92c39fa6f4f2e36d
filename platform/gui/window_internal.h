// Helpers the window model's files share. Internal to platform/gui; UI thread.
#pragma once

#include <string>

#include "platform/gui/window_model.h"

namespace platform::gui {

// A live window, looked at from the UI thread.
bool ValidOnUi(HWND w);
LPARAM SizeParam(const Window& w);
// Gives the frame the client size, keeping what fits of the old picture.
void ResizeFrame(Window& w);
// Moves/resizes the model and tells the window about it as the system would.
void ApplyRect(HWND w, const RECT& r, bool tellBackend);
HWND NewWindow(WindowKind kind, const std::wstring& className, DWORD exStyle, DWORD style, const RECT& rect, HWND owner,
               WNDPROC proc);

}  // namespace platform::gui
