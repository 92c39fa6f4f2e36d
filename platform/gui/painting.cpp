// What windows show: paint requests, presented frames, window canvases and the
// pictures of translucent windows.
#include <algorithm>
#include <cstring>

#include "platform/gui/backend.h"
#include "platform/gui/draw.h"
#include "platform/gui/window.h"
#include "platform/gui/window_internal.h"

namespace platform::gui {

BOOL InvalidateRect(HWND w, const RECT*, BOOL) {
  auto window = FindWindowShared(w);
  if (!window) return 0;
  if (!window->paintRequested.exchange(true)) {
    // The task holds the window itself, not its handle: a handle can come back for
    // a new window once this one is gone.
    std::weak_ptr<Window> target = window;
    PostToUi([target] {
      auto alive = target.lock();
      if (!alive || alive->destroyed) return;
      SendMessageW(alive.get(), WM_PAINT, 0, 0);
      // Cleared after the handler, so what it invalidates itself does not loop.
      alive->paintRequested = false;
    });
  }
  return 1;
}

BOOL PresentFrame(HWND w, int x, int y, int width, int height, HDC source, int sx, int sy, const RECT* keepOut) {
  auto window = FindWindowShared(w);
  if (!window || !source || !source->Pixels()) return 0;
  {
    std::lock_guard<std::mutex> lock(window->frameMutex);
    Canvas target(window->frame.data(), window->frameWidth, window->frameHeight, window->frameWidth);
    if (!keepOut || keepOut->left >= keepOut->right || keepOut->top >= keepOut->bottom) {
      BitBlt(&target, x, y, width, height, source, sx, sy);
    } else {
      // Copy around the kept-out rectangle: above, below, left and right of it.
      const int right = x + width, bottom = y + height;
      auto part = [&](int l, int t, int r, int b) {
        if (r > l && b > t) BitBlt(&target, l, t, r - l, b - t, source, sx + (l - x), sy + (t - y));
      };
      const int kl = std::clamp<int>(keepOut->left, x, right), kr = std::clamp<int>(keepOut->right, x, right);
      const int kt = std::clamp<int>(keepOut->top, y, bottom), kb = std::clamp<int>(keepOut->bottom, y, bottom);
      part(x, y, right, kt);
      part(x, kb, right, bottom);
      part(x, kt, kl, kb);
      part(kr, kt, right, kb);
    }
  }
  window->framesPresented.fetch_add(1);
  GetBackend().FramePresented(w);
  return 1;
}

HDC GetDC(HWND w) {
  auto window = FindWindowShared(w);
  if (!window) return nullptr;
  std::lock_guard<std::mutex> lock(window->frameMutex);
  auto* bitmap = new Bitmap(window->frameWidth, window->frameHeight);
  if (!window->frame.empty()) std::memcpy(bitmap->Pixels(), window->frame.data(), window->frame.size() * 4);
  auto* dc = new Canvas();
  dc->SelectBitmap(bitmap);
  return dc;
}

int ReleaseDC(HWND w, HDC dc) {
  if (!dc) return 0;
  HBITMAP bitmap = dc->SelectBitmap(nullptr);
  if (bitmap) {
    Canvas source(bitmap->Pixels(), bitmap->Width(), bitmap->Height(), bitmap->Width());
    PresentFrame(w, 0, 0, bitmap->Width(), bitmap->Height(), &source, 0, 0);
    delete bitmap;
  }
  delete dc;
  return 1;
}

BOOL UpdateLayeredWindow(HWND w, POINT position, int width, int height, const std::uint32_t* pixels) {
  if (!ValidOnUi(w) || w->kind != WindowKind::Layered || !pixels || width <= 0 || height <= 0) return 0;
  {
    std::lock_guard<std::mutex> lock(w->frameMutex);
    w->layered.assign(pixels, pixels + static_cast<size_t>(width) * height);
    w->layeredWidth = width;
    w->layeredHeight = height;
  }
  ApplyRect(w, RECT{position.x, position.y, position.x + width, position.y + height}, true);
  w->framesPresented.fetch_add(1);
  GetBackend().FramePresented(w);
  return 1;
}

}  // namespace platform::gui
