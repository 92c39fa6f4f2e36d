#include "tools/ui-gallery/gallery_frame_dlg.h"

#include "platform/gui/draw.h"
#include "platform/gui/window.h"

using namespace ui;

namespace gui = platform::gui;

namespace {

constexpr COLORREF kPage = 0xFFFFFF;
constexpr COLORREF kTitleBand = 0xB5474A;
constexpr int kTitleBandHeight = 36;
constexpr COLORREF kButtonBand = 0xFDFBF7;
constexpr int kButtonBandHeight = 54;

}  // namespace

void GalleryFrameDlg::PaintFrame(ControlLists& lists, const RECT* nativeChild) {
  RECT client{};
  if (!gui::GetClientRect(hwnd, &client)) return;
  gui::MemoryCanvas canvas(client.right, client.bottom);
  HDC dc = canvas.dc();
  PaintBands(dc, client, {kPage, kTitleBand, kTitleBandHeight, kButtonBand, kButtonBandHeight});
  lists.PaintAll(dc);
  // A native child paints itself; the frame is not copied over it.
  gui::PresentFrame(hwnd, 0, 0, client.right, client.bottom, dc, 0, 0, nativeChild);
}
