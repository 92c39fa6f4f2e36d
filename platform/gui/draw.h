// Painting: 32-bit pixel buffers (0x00RRGGBB words, the layout of a 32-bit DIB),
// solid fills, bitmap copies and text through Pango. Everything here is plain
// memory work and may run on any thread; only GetDC/ReleaseDC touch a window.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/gui/gui_types.h"

namespace platform::gui {

inline constexpr std::uint32_t ColorToPixel(COLORREF c) {
  return (static_cast<std::uint32_t>(GetRValue(c)) << 16) | (static_cast<std::uint32_t>(GetGValue(c)) << 8) |
         static_cast<std::uint32_t>(GetBValue(c));
}

// A picture that owns its pixels: rows top-down, stride = width.
class Bitmap {
 public:
  Bitmap(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  std::uint32_t* Pixels() { return pixels_.data(); }
  const std::uint32_t* Pixels() const { return pixels_.data(); }

 private:
  int width_;
  int height_;
  std::vector<std::uint32_t> pixels_;
};

struct FontParams {
  std::wstring face;
  int pixelHeight = 0;  // em height in pixels
  int weight = 400;
  bool underline = false;
};

// The font of a text; immutable once made, so painter threads may share it.
class Font {
 public:
  explicit Font(FontParams params);
  ~Font();
  const FontParams& Params() const { return params_; }
  // The toolkit's description of this font (a PangoFontDescription).
  const void* Description() const { return description_; }

 private:
  FontParams params_;
  void* description_;
};

// The family that the toolkit uses for a face name of the dialogs.
std::string ResolveFontFamily(const std::wstring& face);

// A drawing target over pixels it does not own (a window frame, a bitmap, a buffer).
// One thread at a time.
class Canvas {
 public:
  Canvas(std::uint32_t* pixels, int width, int height, int stride);
  Canvas();  // a memory canvas with nothing selected yet
  virtual ~Canvas();
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  std::uint32_t* Pixels() const { return pixels_; }
  int Width() const { return width_; }
  int Height() const { return height_; }
  int Stride() const { return stride_; }

  HFONT SelectFont(HFONT font);
  HFONT CurrentFont() const { return font_; }
  COLORREF SetTextColor(COLORREF color);
  COLORREF TextColor() const { return textColor_; }
  int SetBkMode(int mode);
  HBITMAP SelectBitmap(HBITMAP bitmap);

 private:
  std::uint32_t* pixels_;
  int width_;
  int height_;
  int stride_;
  HFONT font_ = nullptr;
  HBITMAP selected_ = nullptr;
  COLORREF textColor_ = 0;
  int bkMode_ = OPAQUE;
};

// A canvas over its own buffer: the off-screen bitmap a dialog paints into.
class MemoryCanvas {
 public:
  MemoryCanvas(int width, int height) : bitmap_(width, height), canvas_(bitmap_.Pixels(), width, height, width) {}
  HDC dc() { return &canvas_; }
  Bitmap& bitmap() { return bitmap_; }

 private:
  Bitmap bitmap_;
  Canvas canvas_;
};

// The GDI vocabulary the dialogs paint with.
struct LOGFONTW {
  LONG lfHeight = 0;
  LONG lfWidth = 0;
  LONG lfEscapement = 0;
  LONG lfOrientation = 0;
  LONG lfWeight = 0;
  BYTE lfItalic = 0;
  BYTE lfUnderline = 0;
  BYTE lfStrikeOut = 0;
  BYTE lfCharSet = 0;
  BYTE lfOutPrecision = 0;
  BYTE lfClipPrecision = 0;
  BYTE lfQuality = 0;
  BYTE lfPitchAndFamily = 0;
  wchar_t lfFaceName[32] = {};
};

// number × numerator / denominator, rounded half away from zero; −1 for a zero denominator.
int MulDiv(int number, int numerator, int denominator);
HFONT CreateFontIndirectW(const LOGFONTW* logFont);
void DeleteFont(HFONT font);

HDC CreateCompatibleDC(HDC reference);
void DeleteDC(HDC dc);
HBITMAP SelectObject(HDC dc, HBITMAP bitmap);
HFONT SelectObject(HDC dc, HFONT font);
COLORREF SetTextColor(HDC dc, COLORREF color);
// Text is always drawn without a background box; the mode is kept for the callers.
int SetBkMode(HDC dc, int mode);
int GetDeviceCaps(HDC dc, int index);

// Fills `rect` (clipped to the canvas) with one colour.
void FillRectColor(HDC dc, const RECT* rect, COLORREF color);
// Copies a cx × cy block from (sx, sy) of `src` to (x, y) of `dst`, clipped to both.
bool BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int sx, int sy);
// The same with a bitmap as the source.
bool DrawBitmapPart(HDC dst, int x, int y, int cx, int cy, HBITMAP src, int sx, int sy);

// Text in a rectangle with the DrawTextW flags; returns the height of the text.
// count −1 means up to the terminator. With DT_CALCRECT nothing is drawn and `rect`
// is set to the text's extent.
int DrawTextW(HDC dc, const wchar_t* text, int count, RECT* rect, UINT format);

// What one DrawTextW call laid out, measured with the layout it painted with.
struct DrawnText {
  std::wstring text;
  RECT rect{};
  UINT format = 0;
  HFONT font = nullptr;
  int width = 0;       // widest line, in pixels
  int fullHeight = 0;  // all lines, before any is dropped for the rectangle
};
// Called for every DrawTextW until replaced; null stops it. Lets the layout tests see
// each text where and how the dialogs paint it. The observer must not draw text.
void SetDrawnTextObserver(std::function<void(const DrawnText&)> observer);

// Bitmaps by resource id (type "bitmap"), decoded from the program's bundle.
HBITMAP LoadBitmapW(HINSTANCE instance, int id);
// Decodes image file bytes (PNG, BMP …); null when they are not an image.
HBITMAP DecodeBitmap(const std::string& bytes);
void DeleteBitmap(HBITMAP bitmap);
// Copies up to `bytes` bytes of the pixels; returns the count copied.
LONG GetBitmapBits(HBITMAP bitmap, LONG bytes, void* out);

}  // namespace platform::gui
