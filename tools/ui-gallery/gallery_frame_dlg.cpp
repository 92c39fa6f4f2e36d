#include "tools/ui-gallery/gallery_frame_dlg.h"

#include "platform/gui/draw.h"
#include "platform/gui/window.h"

namespace gui = platform::gui;

void GalleryFrameDlg::PaintFrame(ControlLists& lists, const RECT* nativeChild) {
  RECT client{};
  if (!gui::GetClientRect(hwnd, &client)) return;
  gui::MemoryCanvas canvas(client.right, client.bottom);
  HDC dc = canvas.dc();
  FillSolidRect(dc, &client, 0xFFFFFF);
  const RECT band{0, 0, client.right, 36};
  FillSolidRect(dc, &band, 0xB5474A);
  const RECT bottom{0, client.bottom - 54, client.right, client.bottom};
  FillSolidRect(dc, &bottom, 0xFDFBF7);
  lists.PaintAll(dc);
  // A native child paints itself; the frame is not copied over it.
  gui::PresentFrame(hwnd, 0, 0, client.right, client.bottom, dc, 0, 0, nativeChild);
}
