#include "platform/gui/draw.h"

#include <pango/pango.h>

#include <algorithm>
#include <cstring>
#include <cwchar>

#include "platform/gui/window.h"
#include "platform/text.h"

namespace platform::gui {

Bitmap::Bitmap(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      pixels_(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0u) {}

std::string ResolveFontFamily(const std::wstring& face) {
  // The dialogs name the faces of their original platform; these are the installed
  // stand-ins, with the generic family last so that a missing one still draws.
  if (face == L"微软雅黑" || face == L"Microsoft YaHei") return "WenQuanYi Micro Hei,sans-serif";
  if (face == L"ArialMT" || face == L"Arial") return "Liberation Sans,sans-serif";
  if (face.empty()) return "WenQuanYi Micro Hei,sans-serif";
  return WideToNarrow(face) + ",sans-serif";
}

Font::Font(FontParams params) : params_(std::move(params)) {
  PangoFontDescription* d = pango_font_description_new();
  pango_font_description_set_family(d, ResolveFontFamily(params_.face).c_str());
  pango_font_description_set_absolute_size(d, std::max(params_.pixelHeight, 1) * static_cast<double>(PANGO_SCALE));
  pango_font_description_set_weight(d, params_.weight >= 600 ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  description_ = d;
}

Font::~Font() { pango_font_description_free(static_cast<PangoFontDescription*>(description_)); }

Canvas::Canvas(std::uint32_t* pixels, int width, int height, int stride)
    : pixels_(pixels), width_(pixels ? width : 0), height_(pixels ? height : 0), stride_(stride) {}

Canvas::Canvas() : pixels_(nullptr), width_(0), height_(0), stride_(0) {}

Canvas::~Canvas() = default;

HFONT Canvas::SelectFont(HFONT font) {
  HFONT previous = font_;
  font_ = font;
  return previous;
}

COLORREF Canvas::SetTextColor(COLORREF color) {
  COLORREF previous = textColor_;
  textColor_ = color;
  return previous;
}

int Canvas::SetBkMode(int mode) {
  int previous = bkMode_;
  bkMode_ = mode;
  return previous;
}

HBITMAP Canvas::SelectBitmap(HBITMAP bitmap) {
  HBITMAP previous = selected_;
  selected_ = bitmap;
  if (bitmap) {
    pixels_ = bitmap->Pixels();
    width_ = bitmap->Width();
    height_ = bitmap->Height();
    stride_ = bitmap->Width();
  } else {
    pixels_ = nullptr;
    width_ = height_ = stride_ = 0;
  }
  return previous;
}

int MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  const long long product = static_cast<long long>(number) * numerator;
  long long quotient = product / denominator;
  const long long remainder = product % denominator;
  // Rounded half away from zero, as the system call does.
  if (2 * std::llabs(remainder) >= std::llabs(static_cast<long long>(denominator))) {
    quotient += ((product < 0) != (denominator < 0)) ? -1 : 1;
  }
  return static_cast<int>(quotient);
}

HFONT CreateFontIndirectW(const LOGFONTW* logFont) {
  if (!logFont) return nullptr;
  FontParams params;
  params.face.assign(logFont->lfFaceName, wcsnlen(logFont->lfFaceName, 32));
  // Negative heights are the character (em) height; positive ones the cell height,
  // of which the em takes about seven eighths.
  LONG h = logFont->lfHeight;
  params.pixelHeight = h < 0 ? -h : (h == 0 ? 12 : std::max<LONG>(1, h * 7 / 8));
  params.weight = logFont->lfWeight == 0 ? 400 : logFont->lfWeight;
  params.underline = logFont->lfUnderline != 0;
  return new Font(std::move(params));
}

void DeleteFont(HFONT font) { delete font; }

HDC CreateCompatibleDC(HDC) { return new Canvas(); }
void DeleteDC(HDC dc) { delete dc; }
HBITMAP SelectObject(HDC dc, HBITMAP bitmap) { return dc ? dc->SelectBitmap(bitmap) : nullptr; }
HFONT SelectObject(HDC dc, HFONT font) { return dc ? dc->SelectFont(font) : nullptr; }
COLORREF SetTextColor(HDC dc, COLORREF color) { return dc ? dc->SetTextColor(color) : 0; }
int SetBkMode(HDC dc, int mode) { return dc ? dc->SetBkMode(mode) : 0; }

int GetDeviceCaps(HDC, int index) {
  if (index == LOGPIXELSX || index == LOGPIXELSY) return GetScreenDpi();
  return 0;
}

void FillRectColor(HDC dc, const RECT* rect, COLORREF color) {
  if (!dc || !rect || !dc->Pixels()) return;
  const int left = std::max<int>(rect->left, 0);
  const int top = std::max<int>(rect->top, 0);
  const int right = std::min<int>(rect->right, dc->Width());
  const int bottom = std::min<int>(rect->bottom, dc->Height());
  if (left >= right || top >= bottom) return;
  const std::uint32_t pixel = ColorToPixel(color);
  for (int y = top; y < bottom; ++y) {
    std::uint32_t* row = dc->Pixels() + static_cast<size_t>(y) * dc->Stride();
    std::fill(row + left, row + right, pixel);
  }
}

namespace {

bool CopyBlock(std::uint32_t* dst, int dstW, int dstH, int dstStride, int x, int y, int cx, int cy,
               const std::uint32_t* src, int srcW, int srcH, int srcStride, int sx, int sy) {
  if (!dst || !src || cx <= 0 || cy <= 0) return false;
  // Clip against the source, then the destination, keeping both origins in step.
  if (sx < 0) {
    x -= sx;
    cx += sx;
    sx = 0;
  }
  if (sy < 0) {
    y -= sy;
    cy += sy;
    sy = 0;
  }
  cx = std::min(cx, srcW - sx);
  cy = std::min(cy, srcH - sy);
  if (x < 0) {
    sx -= x;
    cx += x;
    x = 0;
  }
  if (y < 0) {
    sy -= y;
    cy += y;
    y = 0;
  }
  cx = std::min(cx, dstW - x);
  cy = std::min(cy, dstH - y);
  if (cx <= 0 || cy <= 0) return true;
  for (int row = 0; row < cy; ++row) {
    std::memmove(dst + static_cast<size_t>(y + row) * dstStride + x,
                 src + static_cast<size_t>(sy + row) * srcStride + sx, static_cast<size_t>(cx) * 4);
  }
  return true;
}

}  // namespace

bool BitBlt(HDC dst, int x, int y, int cx, int cy, HDC src, int sx, int sy) {
  if (!dst || !src) return false;
  return CopyBlock(dst->Pixels(), dst->Width(), dst->Height(), dst->Stride(), x, y, cx, cy, src->Pixels(), src->Width(),
                   src->Height(), src->Stride(), sx, sy);
}

bool DrawBitmapPart(HDC dst, int x, int y, int cx, int cy, HBITMAP src, int sx, int sy) {
  if (!dst || !src) return false;
  return CopyBlock(dst->Pixels(), dst->Width(), dst->Height(), dst->Stride(), x, y, cx, cy, src->Pixels(), src->Width(),
                   src->Height(), src->Width(), sx, sy);
}

void DeleteBitmap(HBITMAP bitmap) { delete bitmap; }

LONG GetBitmapBits(HBITMAP bitmap, LONG bytes, void* out) {
  if (!bitmap || !out || bytes <= 0) return 0;
  const size_t have = static_cast<size_t>(bitmap->Width()) * bitmap->Height() * 4;
  const size_t n = std::min(have, static_cast<size_t>(bytes));
  std::memcpy(out, bitmap->Pixels(), n);
  return static_cast<LONG>(n);
}

}  // namespace platform::gui
