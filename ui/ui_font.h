// The dialogs' font recipe: a size in pixels at 96 DPI, scaled by the screen's
// vertical DPI, in the face the dialogs use.
#pragma once

#include <string>

#include "platform/gui/gui_types.h"

namespace ui {

inline constexpr const wchar_t* kDialogFace = L"微软雅黑";

// The caller owns the font (platform::gui::DeleteFont).
HFONT CreateDialogFont(HWND dialog, int pixelsAt96Dpi, bool underline = false, const wchar_t* face = kDialogFace);

// The setup dialog's one font whose size follows the system language (never the
// debug override): 12 pixels at 96 DPI on a Japanese system, 11 points elsewhere.
// The face's Japanese glyphs run large, so the smaller size keeps the same line.
HFONT CreateSystemLanguageFont(HWND dialog);

// The width in pixels of `text` on one line in `font`, as DrawTextW lays it out.
int MeasureTextWidth(HFONT font, const std::wstring& text);

}  // namespace ui
