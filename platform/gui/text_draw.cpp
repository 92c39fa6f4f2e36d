// DrawTextW over Pango: a cairo image surface wraps the canvas pixels (cairo's RGB24
// is the same 0x00RRGGBB word), the layout is set up from the format flags.
#include <cairo.h>
#include <pango/pangocairo.h>

#include <algorithm>
#include <cwchar>
#include <mutex>

#include "platform/gui/draw.h"
#include "platform/text.h"

namespace platform::gui {
namespace {

struct LaidOutText {
  PangoLayout* layout = nullptr;
  int width = 0;   // logical extent in pixels
  int height = 0;  // height of the lines kept
  int fullHeight = 0;
  int lineCount = 0;
};

// Lines that do not fit whole are dropped with DT_EDITCONTROL, as a multi-line edit
// box shows no partial last line.
int VisibleHeight(PangoLayout* layout, int available, bool wholeLinesOnly, int* linesKept) {
  int total = 0;
  int kept = 0;
  PangoLayoutIter* it = pango_layout_get_iter(layout);
  do {
    PangoRectangle logical;
    pango_layout_iter_get_line_extents(it, nullptr, &logical);
    const int bottom = PANGO_PIXELS_CEIL(logical.y + logical.height);
    if (wholeLinesOnly && kept > 0 && bottom > available) break;
    total = bottom;
    ++kept;
  } while (pango_layout_iter_next_line(it));
  pango_layout_iter_free(it);
  if (linesKept) *linesKept = kept;
  return total;
}

LaidOutText Layout(cairo_t* cr, HDC dc, const std::wstring& text, const RECT& rect, UINT format) {
  LaidOutText out;
  out.layout = pango_cairo_create_layout(cr);
  cairo_font_options_t* options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  pango_cairo_context_set_font_options(pango_layout_get_context(out.layout), options);
  cairo_font_options_destroy(options);
  pango_layout_context_changed(out.layout);

  HFONT font = dc->CurrentFont();
  if (font) {
    pango_layout_set_font_description(out.layout, static_cast<const PangoFontDescription*>(font->Description()));
    if (font->Params().underline) {
      PangoAttrList* attrs = pango_attr_list_new();
      pango_attr_list_insert(attrs, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
      pango_layout_set_attributes(out.layout, attrs);
      pango_attr_list_unref(attrs);
    }
  } else {
    PangoFontDescription* d = pango_font_description_from_string("WenQuanYi Micro Hei,sans-serif");
    pango_font_description_set_absolute_size(d, 12 * PANGO_SCALE);
    pango_layout_set_font_description(out.layout, d);
    pango_font_description_free(d);
  }

  std::string utf8 = WideToNarrow(text);
  const bool single = (format & DT_SINGLELINE) != 0;
  if (single) {
    std::replace(utf8.begin(), utf8.end(), '\n', ' ');
    std::replace(utf8.begin(), utf8.end(), '\r', ' ');
    pango_layout_set_single_paragraph_mode(out.layout, TRUE);
  }
  pango_layout_set_text(out.layout, utf8.c_str(), static_cast<int>(utf8.size()));

  const int rectWidth = std::max<int>(rect.right - rect.left, 0);
  if (!single && (format & DT_WORDBREAK)) {
    pango_layout_set_width(out.layout, rectWidth * PANGO_SCALE);
    pango_layout_set_wrap(out.layout, PANGO_WRAP_WORD_CHAR);
  }
  if (format & DT_END_ELLIPSIS) {
    pango_layout_set_width(out.layout, rectWidth * PANGO_SCALE);
    pango_layout_set_ellipsize(out.layout, PANGO_ELLIPSIZE_END);
  }

  PangoRectangle logical;
  pango_layout_get_pixel_extents(out.layout, nullptr, &logical);
  out.width = logical.width;
  out.fullHeight = logical.height;
  out.height = VisibleHeight(out.layout, std::max<int>(rect.bottom - rect.top, 0),
                             (format & DT_EDITCONTROL) != 0 && !(format & DT_CALCRECT), &out.lineCount);
  return out;
}

// cairo leaves the unused top byte of an RGB24 word undefined; the buffers promise 0.
void ClearUnusedByte(HDC dc, const RECT& rect) {
  const int left = std::max<int>(rect.left, 0), right = std::min<int>(rect.right, dc->Width());
  const int top = std::max<int>(rect.top, 0), bottom = std::min<int>(rect.bottom, dc->Height());
  for (int y = top; y < bottom; ++y) {
    std::uint32_t* row = dc->Pixels() + static_cast<size_t>(y) * dc->Stride();
    for (int x = left; x < right; ++x) row[x] &= 0x00FFFFFFu;
  }
}

// Painter threads and the UI thread lay out text at the same time; the font
// machinery underneath (fontconfig, harfbuzz, cairo's caches) gets one at a time.
std::mutex g_textMutex;
std::function<void(const DrawnText&)> g_observer;  // guarded by g_textMutex

}  // namespace

void SetDrawnTextObserver(std::function<void(const DrawnText&)> observer) {
  std::lock_guard<std::mutex> lock(g_textMutex);
  g_observer = std::move(observer);
}

int DrawTextW(HDC dc, const wchar_t* text, int count, RECT* rect, UINT format) {
  if (!dc || !rect || !text) return 0;
  std::lock_guard<std::mutex> lock(g_textMutex);
  const std::wstring value(text, count < 0 ? wcslen(text) : static_cast<size_t>(count));

  // A canvas with no pixels still measures, on a scratch surface.
  std::uint32_t scratch = 0;
  const bool hasPixels = dc->Pixels() != nullptr && dc->Width() > 0 && dc->Height() > 0;
  cairo_surface_t* surface = cairo_image_surface_create_for_data(
      hasPixels ? reinterpret_cast<unsigned char*>(dc->Pixels()) : reinterpret_cast<unsigned char*>(&scratch),
      CAIRO_FORMAT_RGB24, hasPixels ? dc->Width() : 1, hasPixels ? dc->Height() : 1, hasPixels ? dc->Stride() * 4 : 4);
  cairo_t* cr = cairo_create(surface);
  LaidOutText laid = Layout(cr, dc, value, *rect, format);
  if (g_observer && !(format & DT_CALCRECT)) {
    g_observer(DrawnText{value, *rect, format, dc->CurrentFont(), laid.width, laid.fullHeight});
  }

  const bool single = (format & DT_SINGLELINE) != 0;
  if (format & DT_CALCRECT) {
    rect->right = rect->left + laid.width;
    rect->bottom = rect->top + laid.height;
  } else if (hasPixels) {
    const int rectWidth = rect->right - rect->left;
    const int rectHeight = rect->bottom - rect->top;
    const bool wrapped = !single && (format & DT_WORDBREAK);
    double x = rect->left;
    double y = rect->top;
    if (wrapped) {
      pango_layout_set_alignment(laid.layout, (format & DT_CENTER)  ? PANGO_ALIGN_CENTER
                                              : (format & DT_RIGHT) ? PANGO_ALIGN_RIGHT
                                                                    : PANGO_ALIGN_LEFT);
    } else if (format & DT_CENTER) {
      x = rect->left + (rectWidth - laid.width) / 2;
    } else if (format & DT_RIGHT) {
      x = rect->right - laid.width;
    }
    if (single && (format & DT_VCENTER)) {
      y = rect->top + (rectHeight - laid.height) / 2;
    } else if (single && (format & DT_BOTTOM)) {
      y = rect->bottom - laid.height;
    }
    if (!(format & DT_NOCLIP)) {
      int clipBottom = rect->bottom;
      if (format & DT_EDITCONTROL) clipBottom = std::min<int>(clipBottom, static_cast<int>(y) + laid.height);
      cairo_rectangle(cr, rect->left, rect->top, rectWidth, std::max(clipBottom - static_cast<int>(rect->top), 0));
      cairo_clip(cr);
    }
    const COLORREF color = dc->TextColor();
    cairo_set_source_rgb(cr, GetRValue(color) / 255.0, GetGValue(color) / 255.0, GetBValue(color) / 255.0);
    cairo_move_to(cr, x, y);
    pango_cairo_show_layout(cr, laid.layout);
    cairo_surface_flush(surface);
    ClearUnusedByte(dc, *rect);
  }
  g_object_unref(laid.layout);
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
  return laid.height;
}

}  // namespace platform::gui
