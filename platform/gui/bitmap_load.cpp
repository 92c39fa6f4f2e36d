#include <gdk-pixbuf/gdk-pixbuf.h>

#include "platform/gui/draw.h"
#include "platform/resources.h"

namespace platform::gui {

HBITMAP DecodeBitmap(const std::string& bytes) {
  if (bytes.empty()) return nullptr;
  GdkPixbufLoader* loader = gdk_pixbuf_loader_new();
  bool ok = gdk_pixbuf_loader_write(loader, reinterpret_cast<const guchar*>(bytes.data()), bytes.size(), nullptr);
  ok = gdk_pixbuf_loader_close(loader, nullptr) && ok;
  GdkPixbuf* pixbuf = ok ? gdk_pixbuf_loader_get_pixbuf(loader) : nullptr;
  HBITMAP bitmap = nullptr;
  if (pixbuf && gdk_pixbuf_get_colorspace(pixbuf) == GDK_COLORSPACE_RGB &&
      gdk_pixbuf_get_bits_per_sample(pixbuf) == 8) {
    const int w = gdk_pixbuf_get_width(pixbuf);
    const int h = gdk_pixbuf_get_height(pixbuf);
    const int channels = gdk_pixbuf_get_n_channels(pixbuf);
    const bool alpha = gdk_pixbuf_get_has_alpha(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    const guchar* data = gdk_pixbuf_read_pixels(pixbuf);
    bitmap = new Bitmap(w, h);
    for (int y = 0; y < h; ++y) {
      const guchar* src = data + static_cast<size_t>(y) * stride;
      std::uint32_t* dst = bitmap->Pixels() + static_cast<size_t>(y) * w;
      for (int x = 0; x < w; ++x, src += channels) {
        unsigned r = src[0], g = src[1], b = src[2];
        if (alpha) {
          // Bitmaps carry no alpha: translucent art is laid on white.
          const unsigned a = src[3];
          r = (r * a + 255 * (255 - a) + 127) / 255;
          g = (g * a + 255 * (255 - a) + 127) / 255;
          b = (b * a + 255 * (255 - a) + 127) / 255;
        }
        dst[x] = (r << 16) | (g << 8) | b;
      }
    }
  }
  g_object_unref(loader);
  return bitmap;
}

HBITMAP LoadBitmapW(HINSTANCE, int id) {
  std::string bytes;
  if (!LoadResourceBytes(id, L"bitmap", bytes)) return nullptr;
  return DecodeBitmap(bytes);
}

}  // namespace platform::gui
