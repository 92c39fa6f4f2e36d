// The dialogs' font recipe: a size in pixels at 96 DPI, scaled by the screen's
// vertical DPI, in the face the dialogs use.
#pragma once

#include "platform/gui/gui_types.h"

inline constexpr const wchar_t* kDialogFace = L"微软雅黑";

// The caller owns the font (platform::gui::DeleteFont).
HFONT CreateDialogFont(HWND dialog, int pixelsAt96Dpi, bool underline = false, const wchar_t* face = kDialogFace);
