#include "ui/ui_font.h"

#include <cwchar>

#include "platform/gui/draw.h"

namespace gui = platform::gui;

HFONT CreateDialogFont(HWND, int pixelsAt96Dpi, bool underline, const wchar_t* face) {
  gui::LOGFONTW logFont{};
  // Every device context of a dialog has the screen's resolution.
  logFont.lfHeight = -gui::MulDiv(pixelsAt96Dpi, gui::GetDeviceCaps(nullptr, LOGPIXELSY), 96);
  logFont.lfUnderline = underline ? 1 : 0;
  std::swprintf(logFont.lfFaceName, 32, L"%ls", face ? face : kDialogFace);
  return gui::CreateFontIndirectW(&logFont);
}
