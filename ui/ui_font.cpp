#include "ui/ui_font.h"

#include <cwchar>

#include "base/texts/ui_texts.h"
#include "platform/gui/draw.h"

namespace ui {

namespace gui = platform::gui;

namespace {

HFONT CreateFontOfHeight(int height, bool underline, const wchar_t* face) {
  gui::LOGFONTW logFont{};
  logFont.lfHeight = height;
  logFont.lfUnderline = underline ? 1 : 0;
  std::swprintf(logFont.lfFaceName, 32, L"%ls", face ? face : kDialogFace);
  return gui::CreateFontIndirectW(&logFont);
}

// Every device context of a dialog has the screen's resolution.
int ScreenDpi() { return gui::GetDeviceCaps(nullptr, LOGPIXELSY); }

}  // namespace

HFONT CreateDialogFont(HWND, int pixelsAt96Dpi, bool underline, const wchar_t* face) {
  return CreateFontOfHeight(-gui::MulDiv(pixelsAt96Dpi, ScreenDpi(), 96), underline, face);
}

HFONT CreateSystemLanguageFont(HWND) {
  const int height = base::IsJapaneseSystem() ? -gui::MulDiv(12, ScreenDpi(), 96) : -gui::MulDiv(11, ScreenDpi(), 72);
  return CreateFontOfHeight(height, false, kDialogFace);
}

int MeasureTextWidth(HFONT font, const std::wstring& text) {
  gui::Canvas measuring;
  measuring.SelectFont(font);
  RECT extent{0, 0, 0, 0};
  gui::DrawTextW(&measuring, text.c_str(), static_cast<int>(text.size()), &extent, DT_SINGLELINE | DT_CALCRECT);
  return extent.right - extent.left;
}

}  // namespace ui
