// GTK 3 on X11 underneath the window model. Every toplevel is an undecorated
// GtkWindow holding a GtkFixed: a drawing area that shows the presented frame, and
// the native children above it. Translucent (layered) windows are RGBA popups that
// take no input.
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "platform/gui/backend.h"
#include "platform/text.h"

namespace platform::gui {
namespace {

struct Peer {
  GtkWidget* window = nullptr;  // toplevel, or the child's outer widget
  GtkWidget* fixed = nullptr;
  GtkWidget* area = nullptr;
  GtkWidget* tree = nullptr;  // list views and list boxes
  GtkListStore* store = nullptr;
  int storeColumns = -1;
  bool settingText = false;
};

Peer* PeerOf(Window& w) { return static_cast<Peer*>(w.peer); }

std::atomic<bool> g_drainQueued{false};
std::atomic<guint32> g_lastEventTime{GDK_CURRENT_TIME};

gboolean DrainIdle(gpointer) {
  g_drainQueued = false;
  DrainUiQueue();
  return G_SOURCE_REMOVE;
}

HWND HandleOf(gpointer data) {
  HWND h = static_cast<HWND>(data);
  return FindWindowShared(h) ? h : nullptr;
}

// For the start-up benchmark: with CORVEX_FIRST_PAINT_LOG set, the wall-clock time
// of the first frame painted into any window goes to stderr, once.
void NoteFirstPaint() {
  static std::atomic<bool> noted{std::getenv("CORVEX_FIRST_PAINT_LOG") == nullptr};
  if (noted.exchange(true)) return;
  std::fprintf(stderr, "first frame painted at %.6f\n", static_cast<double>(g_get_real_time()) / 1e6);
}

gboolean OnDrawFrame(GtkWidget*, cairo_t* cr, gpointer data) {
  auto w = FindWindowShared(static_cast<HWND>(data));
  if (!w) return FALSE;
  std::lock_guard<std::mutex> lock(w->frameMutex);
  if (w->frame.empty()) return FALSE;
  cairo_surface_t* s =
      cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(w->frame.data()), CAIRO_FORMAT_RGB24,
                                          w->frameWidth, w->frameHeight, w->frameWidth * 4);
  cairo_set_source_surface(cr, s, 0, 0);
  cairo_paint(cr);
  cairo_surface_destroy(s);
  NoteFirstPaint();
  return TRUE;
}

gboolean OnDrawLayered(GtkWidget*, cairo_t* cr, gpointer data) {
  auto w = FindWindowShared(static_cast<HWND>(data));
  if (!w) return FALSE;
  cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
  std::lock_guard<std::mutex> lock(w->frameMutex);
  if (w->layered.empty()) {
    cairo_set_source_rgba(cr, 0, 0, 0, 0);
    cairo_paint(cr);
    return TRUE;
  }
  cairo_surface_t* s =
      cairo_image_surface_create_for_data(reinterpret_cast<unsigned char*>(w->layered.data()), CAIRO_FORMAT_ARGB32,
                                          w->layeredWidth, w->layeredHeight, w->layeredWidth * 4);
  cairo_set_source_surface(cr, s, 0, 0);
  cairo_paint(cr);
  cairo_surface_destroy(s);
  return TRUE;
}

gboolean OnButton(GtkWidget*, GdkEventButton* event, gpointer data) {
  HWND h = HandleOf(data);
  if (!h || event->button != 1) return FALSE;
  g_lastEventTime = event->time;
  if (event->type == GDK_BUTTON_PRESS) {
    DeliverMouse(h, WM_LBUTTONDOWN, static_cast<int>(event->x), static_cast<int>(event->y), MK_LBUTTON);
  } else if (event->type == GDK_BUTTON_RELEASE) {
    DeliverMouse(h, WM_LBUTTONUP, static_cast<int>(event->x), static_cast<int>(event->y), 0);
  }
  return TRUE;
}

gboolean OnMotion(GtkWidget*, GdkEventMotion* event, gpointer data) {
  HWND h = HandleOf(data);
  if (!h) return FALSE;
  g_lastEventTime = event->time;
  DeliverMouse(h, WM_MOUSEMOVE, static_cast<int>(std::floor(event->x)), static_cast<int>(std::floor(event->y)),
               (event->state & GDK_BUTTON1_MASK) ? MK_LBUTTON : 0);
  return TRUE;
}

// Only a real leave counts: a grab or an inferior window's crossing leaves the
// pointer over the dialog.
gboolean OnLeave(GtkWidget*, GdkEventCrossing* event, gpointer data) {
  HWND h = HandleOf(data);
  if (!h || event->mode != GDK_CROSSING_NORMAL || event->detail == GDK_NOTIFY_INFERIOR) return FALSE;
  DeliverMouse(h, WM_MOUSELEAVE, -1, -1, 0);
  return TRUE;
}

gboolean OnKey(GtkWidget*, GdkEventKey* event, gpointer data) {
  HWND h = HandleOf(data);
  if (!h) return FALSE;
  g_lastEventTime = event->time;
  switch (event->keyval) {
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter: DeliverKey(h, VK_RETURN); return TRUE;
    case GDK_KEY_Escape: DeliverKey(h, VK_ESCAPE); return TRUE;
    default: return FALSE;  // to the focused native child
  }
}

gboolean OnDelete(GtkWidget*, GdkEvent*, gpointer data) {
  if (HWND h = HandleOf(data)) DeliverCloseRequest(h);
  return TRUE;  // the program decides
}

gboolean OnConfigure(GtkWidget* widget, GdkEventConfigure* event, gpointer data) {
  HWND h = HandleOf(data);
  if (h && h->kind != WindowKind::Layered) {
    // The event's position is relative to a window manager's frame, if there is
    // one; the model keeps screen coordinates.
    int x = event->x, y = event->y;
    if (GdkWindow* gdkWindow = gtk_widget_get_window(widget)) gdk_window_get_origin(gdkWindow, &x, &y);
    DeliverConfigured(h, RECT{x, y, x + event->width, y + event->height});
  }
  return FALSE;
}

gboolean OnWindowState(GtkWidget*, GdkEventWindowState* event, gpointer data) {
  HWND h = HandleOf(data);
  if (h && (event->changed_mask & GDK_WINDOW_STATE_ICONIFIED)) {
    DeliverMinimized(h, (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0);
  }
  return FALSE;
}

gboolean OnMap(GtkWidget*, GdkEvent*, gpointer data) {
  if (HWND h = HandleOf(data)) DeliverExposed(h);
  return FALSE;
}

void OnLayeredRealize(GtkWidget* widget, gpointer) {
  // Clicks go through to whatever lies below.
  cairo_region_t* empty = cairo_region_create();
  gdk_window_input_shape_combine_region(gtk_widget_get_window(widget), empty, 0, 0);
  cairo_region_destroy(empty);
}

void OnEntryChanged(GtkEditable* editable, gpointer data) {
  HWND h = HandleOf(data);
  if (!h || !h->peer || PeerOf(*h)->settingText) return;
  DeliverChildText(h, NarrowToWide(gtk_entry_get_text(GTK_ENTRY(editable))));
}

void OnTreeSelection(GtkTreeSelection* selection, gpointer data) {
  HWND h = HandleOf(data);
  if (!h) return;
  GtkTreeModel* model = nullptr;
  GtkTreeIter iter;
  int row = -1;
  if (gtk_tree_selection_get_selected(selection, &model, &iter)) {
    GtkTreePath* path = gtk_tree_model_get_path(model, &iter);
    row = gtk_tree_path_get_indices(path)[0];
    gtk_tree_path_free(path);
  }
  DeliverListSelection(h, row);
}

// Without a compositing manager a translucent window shows as an opaque block, so
// such windows are only on screen while one runs.
bool ShowsTranslucency() { return gdk_screen_is_composited(gdk_screen_get_default()); }

void ApplyLayeredVisibility(Window& w) {
  auto* p = static_cast<Peer*>(w.peer);
  if (!p || w.kind != WindowKind::Layered) return;
  if ((w.style & WS_VISIBLE) && ShowsTranslucency()) {
    gtk_widget_show(p->window);
  } else {
    gtk_widget_hide(p->window);
  }
}

void OnCompositedChanged(GdkScreen*, gpointer) {
  for (HWND h : AllWindows()) {
    if (auto w = FindWindowShared(h); w && !w->destroyed) ApplyLayeredVisibility(*w);
  }
}

struct TimerData {
  HWND window;
  UINT_PTR id;
};

gboolean OnTimer(gpointer data) {
  auto* t = static_cast<TimerData*>(data);
  DeliverTimer(t->window, t->id);
  return G_SOURCE_CONTINUE;
}

struct RedrawData {
  std::weak_ptr<Window> window;
};

gboolean RedrawIdle(gpointer data) {
  auto w = static_cast<RedrawData*>(data)->window.lock();
  delete static_cast<RedrawData*>(data);
  if (!w || w->destroyed || !w->peer) return G_SOURCE_REMOVE;
  w->redrawQueued = false;
  Peer* p = PeerOf(*w);
  gtk_widget_queue_draw(p->area ? p->area : p->window);
  return G_SOURCE_REMOVE;
}

std::string Utf8(const std::wstring& text) { return WideToNarrow(text); }

// A screen whose fonts are set to a high resolution while windows stay unscaled (font
// DPI 192, no window scale) would show the dialogs' fixed 96-DPI design with text of
// twice its size, cut off, in windows twice the size. Such a screen gets the whole-window
// scale nearest to its resolution instead, and the toolkit the resolution of one logical
// pixel: the same look as a desktop that scales windows itself. A scale the user set
// (GDK_SCALE) or the desktop applies is left as it is.
void ScaleWindowsToFontResolution() {
  if (std::getenv("GDK_SCALE") != nullptr) return;
  GdkDisplay* display = gdk_display_get_default();
  GdkScreen* screen = gdk_screen_get_default();
  if (!GDK_IS_X11_DISPLAY(display) || gdk_window_get_scale_factor(gdk_screen_get_root_window(screen)) != 1) return;
  // The settings apply the desktop's font resolution to the screen when they are made.
  GtkSettings* settings = gtk_settings_get_default();
  const double resolution = gdk_screen_get_resolution(screen);
  const int scale = resolution > 0 ? static_cast<int>(std::lround(resolution / 96.0)) : 1;
  if (scale <= 1 || !settings) return;
  gdk_x11_display_set_window_scale(display, scale);
  // gtk-xft-dpi is in 1024ths of a dot per inch.
  g_object_set(settings, "gtk-xft-dpi", static_cast<gint>(std::lround(resolution / scale * 1024)), nullptr);
}

class GtkBackend : public Backend {
 public:
  GtkBackend() {
    // A toolkit scale (GDK_SCALE, or the desktop's own scaling factor) is kept: the
    // toolkit then reports the resolution of one logical pixel, so the dialogs keep the
    // layout they have at 96 DPI, and the presented buffers are drawn at the device
    // scale, twice the size at scale 2.
    gdk_set_allowed_backends("x11");
    usable_ = gtk_init_check(nullptr, nullptr);
    if (!usable_) {
      std::fputs("No display to show windows on (is DISPLAY set?).\n", stderr);
      return;
    }
    ScaleWindowsToFontResolution();
    g_signal_connect(gdk_screen_get_default(), "composited-changed", G_CALLBACK(OnCompositedChanged), nullptr);
  }

  bool Usable() override { return usable_; }

  int ScreenDpi() override {
    if (const char* forced = std::getenv("CORVEX_GUI_DPI")) {
      const int dpi = std::atoi(forced);
      if (dpi > 0) return dpi;
    }
    if (!usable_) return 96;
    const double resolution = gdk_screen_get_resolution(gdk_screen_get_default());
    return resolution > 0 ? static_cast<int>(std::lround(resolution)) : 96;
  }

  RECT PrimaryMonitor() override {
    if (!usable_) return RECT{0, 0, 1024, 768};
    GdkDisplay* display = gdk_display_get_default();
    GdkMonitor* monitor = gdk_display_get_primary_monitor(display);
    if (!monitor) monitor = gdk_display_get_monitor(display, 0);
    if (!monitor) return RECT{0, 0, 1024, 768};
    GdkRectangle g;
    gdk_monitor_get_geometry(monitor, &g);
    return RECT{g.x, g.y, g.x + g.width, g.y + g.height};
  }

  bool Composited() override { return usable_ && gdk_screen_is_composited(gdk_screen_get_default()); }

  bool CreatePeer(Window& w) override {
    if (!usable_) return false;
    auto* p = new Peer();
    w.peer = p;
    HWND h = &w;
    switch (w.kind) {
      case WindowKind::Dialog:
      case WindowKind::Plain: CreateToplevel(w, *p); break;
      case WindowKind::Layered: CreateLayered(w, *p); break;
      case WindowKind::Edit: {
        p->window = gtk_entry_new();
        g_signal_connect(p->window, "changed", G_CALLBACK(OnEntryChanged), h);
        break;
      }
      case WindowKind::ListView:
      case WindowKind::ListBox: {
        p->window = gtk_scrolled_window_new(nullptr, nullptr);
        gtk_scrolled_window_set_shadow_type(GTK_SCROLLED_WINDOW(p->window), GTK_SHADOW_IN);
        p->tree = gtk_tree_view_new();
        gtk_tree_view_set_headers_visible(GTK_TREE_VIEW(p->tree), w.kind == WindowKind::ListView);
        g_signal_connect(gtk_tree_view_get_selection(GTK_TREE_VIEW(p->tree)), "changed", G_CALLBACK(OnTreeSelection),
                         h);
        gtk_container_add(GTK_CONTAINER(p->window), p->tree);
        gtk_widget_show(p->tree);
        break;
      }
    }
    if (IsChild(w)) {
      Peer* parent = w.owner && w.owner->peer ? PeerOf(*w.owner) : nullptr;
      if (!parent || !parent->fixed) {
        gtk_widget_destroy(p->window);
        delete p;
        w.peer = nullptr;
        return false;
      }
      g_object_ref(p->window);
      gtk_fixed_put(GTK_FIXED(parent->fixed), p->window, w.rect.left, w.rect.top);
      gtk_widget_set_size_request(p->window, w.ClientWidth(), w.ClientHeight());
      if (w.kind != WindowKind::Edit) RebuildList(w, *p);
    }
    return true;
  }

  void DestroyPeer(Window& w) override {
    Peer* p = PeerOf(w);
    if (!p) return;
    w.peer = nullptr;
    if (p->store) g_object_unref(p->store);
    if (p->window) {
      gtk_widget_destroy(p->window);
      if (IsChild(w)) g_object_unref(p->window);
    }
    delete p;
  }

  void GeometryChanged(Window& w) override {
    Peer* p = PeerOf(w);
    if (!p) return;
    if (IsChild(w)) {
      Peer* parent = w.owner && w.owner->peer ? PeerOf(*w.owner) : nullptr;
      if (parent && parent->fixed) gtk_fixed_move(GTK_FIXED(parent->fixed), p->window, w.rect.left, w.rect.top);
      gtk_widget_set_size_request(p->window, w.ClientWidth(), w.ClientHeight());
      return;
    }
    if (p->area)
      gtk_widget_set_size_request(p->area, w.ClientWidth(), w.ClientHeight());
    else
      gtk_widget_set_size_request(p->window, std::max(w.ClientWidth(), 1), std::max(w.ClientHeight(), 1));
    gtk_window_resize(GTK_WINDOW(p->window), std::max(w.ClientWidth(), 1), std::max(w.ClientHeight(), 1));
    gtk_window_move(GTK_WINDOW(p->window), w.rect.left, w.rect.top);
    if (w.kind == WindowKind::Layered) KeepBelowOwner(w, *p);
  }

  void VisibilityChanged(Window& w, bool activate) override {
    Peer* p = PeerOf(w);
    if (!p) return;
    if (w.kind == WindowKind::Layered) {
      ApplyLayeredVisibility(w);
      KeepBelowOwner(w, *p);
      return;
    }
    if (!(w.style & WS_VISIBLE)) {
      gtk_widget_hide(p->window);
      return;
    }
    if (IsChild(w)) {
      gtk_widget_show(p->window);
    } else if (activate) {
      gtk_window_present(GTK_WINDOW(p->window));
    } else {
      gtk_widget_show(p->window);
    }
  }

  void Minimize(Window& w) override {
    if (Peer* p = PeerOf(w); p && !IsChild(w)) gtk_window_iconify(GTK_WINDOW(p->window));
  }

  void TitleChanged(Window& w) override {
    if (Peer* p = PeerOf(w); p && !IsChild(w)) gtk_window_set_title(GTK_WINDOW(p->window), Utf8(w.title).c_str());
  }

  void IconChanged(Window& w, const Bitmap& icon) override {
    Peer* p = PeerOf(w);
    if (!p || IsChild(w)) return;
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, icon.Width(), icon.Height());
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < icon.Height(); ++y) {
      for (int x = 0; x < icon.Width(); ++x) {
        const std::uint32_t v = icon.Pixels()[static_cast<size_t>(y) * icon.Width() + x];
        guchar* d = pixels + static_cast<size_t>(y) * stride + x * 3;
        d[0] = (v >> 16) & 0xFF;
        d[1] = (v >> 8) & 0xFF;
        d[2] = v & 0xFF;
      }
    }
    gtk_window_set_icon(GTK_WINDOW(p->window), pixbuf);
    g_object_unref(pixbuf);
  }

  void EnabledChanged(Window& w) override {
    if (Peer* p = PeerOf(w); p && IsChild(w)) gtk_widget_set_sensitive(p->window, w.enabled);
  }

  void ModalChanged(Window&, bool) override {
    // A modal run disables only its owner (the dialog loop does that, and disabled
    // windows get no input); the toolkit's own modal flag would also shut out every
    // other window of the program, such as the diagnostics view beside the dialog.
  }

  void BeginMoveDrag(Window& w, POINT screenPoint) override {
    Peer* p = PeerOf(w);
    if (!p || IsChild(w)) return;
    gtk_window_begin_move_drag(GTK_WINDOW(p->window), 1, screenPoint.x, screenPoint.y, g_lastEventTime.load());
  }

  void CaptureChanged(Window*) override {
    // A press on the drawing area already holds an implicit grab until the release,
    // which is all the dialogs capture the mouse for.
  }

  void FramePresented(HWND h) override {
    auto w = FindWindowShared(h);
    if (!w || w->redrawQueued.exchange(true)) return;
    g_idle_add(RedrawIdle, new RedrawData{w});
  }

  void ChildTextChanged(Window& w) override {
    Peer* p = PeerOf(w);
    if (!p || w.kind != WindowKind::Edit) return;
    p->settingText = true;
    gtk_entry_set_text(GTK_ENTRY(p->window), Utf8(w.title).c_str());
    p->settingText = false;
  }

  void ChildListChanged(Window& w) override {
    if (Peer* p = PeerOf(w)) RebuildList(w, *p);
  }

  unsigned AddTimer(HWND window, UINT_PTR id, UINT periodMs) override {
    return g_timeout_add_full(G_PRIORITY_DEFAULT, periodMs, OnTimer, new TimerData{window, id},
                              [](gpointer data) { delete static_cast<TimerData*>(data); });
  }

  void RemoveTimer(unsigned token) override {
    if (token) g_source_remove(token);
  }

  void Wake() override {
    if (!g_drainQueued.exchange(true)) g_idle_add(DrainIdle, nullptr);
  }

  bool RunUntil(const std::function<bool()>& done) override {
    if (!usable_) return false;
    DrainUiQueue();
    while (!done()) g_main_context_iteration(nullptr, TRUE);
    return true;
  }

  int ShowPlainMessageBox(HWND parent, const std::wstring& text, const std::wstring& caption, UINT type) override {
    GtkWindow* owner = ToplevelOf(parent);
    GtkMessageType kind = GTK_MESSAGE_INFO;
    switch (type & 0xF0) {
      case MB_ICONERROR: kind = GTK_MESSAGE_ERROR; break;
      case MB_ICONQUESTION: kind = GTK_MESSAGE_QUESTION; break;
      case MB_ICONWARNING: kind = GTK_MESSAGE_WARNING; break;
      default: break;
    }
    const UINT buttons = type & 0xF;
    GtkButtonsType gtkButtons = buttons == MB_YESNO      ? GTK_BUTTONS_YES_NO
                                : buttons == MB_OKCANCEL ? GTK_BUTTONS_OK_CANCEL
                                                         : GTK_BUTTONS_OK;
    GtkWidget* dialog = gtk_message_dialog_new(owner, GTK_DIALOG_MODAL, kind, gtkButtons, "%s", Utf8(text).c_str());
    gtk_window_set_title(GTK_WINDOW(dialog), Utf8(caption).c_str());
    // Enter answers with the first button, as the plain message box does.
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), buttons == MB_YESNO ? GTK_RESPONSE_YES : GTK_RESPONSE_OK);
    const int response = gtk_dialog_run(GTK_DIALOG(dialog));
    gtk_widget_destroy(dialog);
    switch (response) {
      case GTK_RESPONSE_YES: return IDYES;
      case GTK_RESPONSE_NO: return IDNO;
      case GTK_RESPONSE_OK: return IDOK;
      default: return buttons == MB_YESNO ? IDNO : (buttons == MB_OK ? IDOK : IDCANCEL);
    }
  }

  bool PickFolder(HWND parent, const std::wstring& title, std::wstring& path) override {
    GtkWidget* dialog =
        gtk_file_chooser_dialog_new(Utf8(title).c_str(), ToplevelOf(parent), GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER,
                                    "_Cancel", GTK_RESPONSE_CANCEL, "_Select", GTK_RESPONSE_ACCEPT, nullptr);
    if (!path.empty()) gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(dialog), Utf8(path).c_str());
    bool chosen = false;
    if (gtk_dialog_run(GTK_DIALOG(dialog)) == GTK_RESPONSE_ACCEPT) {
      if (char* name = gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(dialog))) {
        path = NarrowToWide(name);
        g_free(name);
        chosen = true;
      }
    }
    gtk_widget_destroy(dialog);
    return chosen;
  }

 private:
  static bool IsChild(const Window& w) {
    return w.kind == WindowKind::Edit || w.kind == WindowKind::ListView || w.kind == WindowKind::ListBox;
  }

  static GtkWindow* ToplevelOf(HWND h) {
    if (!h || !IsWindowLive(h) || !h->peer) return nullptr;
    Peer* p = PeerOf(*h);
    return GTK_IS_WINDOW(p->window) ? GTK_WINDOW(p->window) : nullptr;
  }

  static bool IsWindowLive(HWND h) { return FindWindowShared(h) != nullptr; }

  void CreateToplevel(Window& w, Peer& p) {
    HWND h = &w;
    p.window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* win = GTK_WINDOW(p.window);
    gtk_window_set_decorated(win, FALSE);
    gtk_window_set_resizable(win, FALSE);
    gtk_window_set_title(win, Utf8(w.title).c_str());
    p.fixed = gtk_fixed_new();
    p.area = gtk_drawing_area_new();
    gtk_widget_set_size_request(p.area, w.ClientWidth(), w.ClientHeight());
    gtk_widget_add_events(
        p.area, GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK | GDK_POINTER_MOTION_MASK | GDK_LEAVE_NOTIFY_MASK);
    gtk_fixed_put(GTK_FIXED(p.fixed), p.area, 0, 0);
    gtk_container_add(GTK_CONTAINER(p.window), p.fixed);
    gtk_widget_show_all(p.fixed);
    g_signal_connect(p.area, "draw", G_CALLBACK(OnDrawFrame), h);
    g_signal_connect(p.area, "button-press-event", G_CALLBACK(OnButton), h);
    g_signal_connect(p.area, "button-release-event", G_CALLBACK(OnButton), h);
    g_signal_connect(p.area, "motion-notify-event", G_CALLBACK(OnMotion), h);
    g_signal_connect(p.area, "leave-notify-event", G_CALLBACK(OnLeave), h);
    g_signal_connect(p.window, "key-press-event", G_CALLBACK(OnKey), h);
    g_signal_connect(p.window, "delete-event", G_CALLBACK(OnDelete), h);
    g_signal_connect(p.window, "configure-event", G_CALLBACK(OnConfigure), h);
    g_signal_connect(p.window, "window-state-event", G_CALLBACK(OnWindowState), h);
    g_signal_connect(p.window, "map-event", G_CALLBACK(OnMap), h);
    if (GtkWindow* owner = ToplevelOf(w.owner)) gtk_window_set_transient_for(win, owner);
    gtk_window_resize(win, std::max(w.ClientWidth(), 1), std::max(w.ClientHeight(), 1));
    gtk_window_move(win, w.rect.left, w.rect.top);
  }

  void CreateLayered(Window& w, Peer& p) {
    HWND h = &w;
    p.window = gtk_window_new(GTK_WINDOW_POPUP);
    GtkWindow* win = GTK_WINDOW(p.window);
    gtk_widget_set_app_paintable(p.window, TRUE);
    if (GdkVisual* rgba = gdk_screen_get_rgba_visual(gdk_screen_get_default())) {
      gtk_widget_set_visual(p.window, rgba);
    }
    gtk_window_set_accept_focus(win, FALSE);
    gtk_window_set_skip_taskbar_hint(win, TRUE);
    gtk_window_set_skip_pager_hint(win, TRUE);
    g_signal_connect(p.window, "realize", G_CALLBACK(OnLayeredRealize), nullptr);
    g_signal_connect(p.window, "draw", G_CALLBACK(OnDrawLayered), h);
    gtk_widget_set_size_request(p.window, std::max(w.ClientWidth(), 1), std::max(w.ClientHeight(), 1));
    gtk_window_move(win, w.rect.left, w.rect.top);
  }

  // A translucent window that follows an owner sits right below it.
  void KeepBelowOwner(Window& w, Peer& p) {
    if (!w.owner || !w.owner->peer) return;
    GdkWindow* self = gtk_widget_get_window(p.window);
    GdkWindow* owner = gtk_widget_get_window(PeerOf(*w.owner)->window);
    if (self && owner && gtk_widget_get_mapped(p.window)) gdk_window_restack(self, owner, FALSE);
  }

  void RebuildList(Window& w, Peer& p) {
    if (!p.tree) return;
    const int columns = static_cast<int>(w.list.columns.size());
    if (columns != p.storeColumns) {
      GList* old = gtk_tree_view_get_columns(GTK_TREE_VIEW(p.tree));
      for (GList* it = old; it; it = it->next) {
        gtk_tree_view_remove_column(GTK_TREE_VIEW(p.tree), GTK_TREE_VIEW_COLUMN(it->data));
      }
      g_list_free(old);
      if (p.store) g_object_unref(p.store);
      p.store = nullptr;
      if (columns > 0) {
        std::vector<GType> types(columns, G_TYPE_STRING);
        p.store = gtk_list_store_newv(columns, types.data());
        gtk_tree_view_set_model(GTK_TREE_VIEW(p.tree), GTK_TREE_MODEL(p.store));
        for (int i = 0; i < columns; ++i) {
          GtkCellRenderer* renderer = gtk_cell_renderer_text_new();
          GtkTreeViewColumn* column =
              gtk_tree_view_column_new_with_attributes(Utf8(w.list.columns[i]).c_str(), renderer, "text", i, nullptr);
          gtk_tree_view_column_set_sizing(column, GTK_TREE_VIEW_COLUMN_FIXED);
          gtk_tree_view_column_set_fixed_width(column, std::max(w.list.columnWidths[i], 1));
          gtk_tree_view_column_set_resizable(column, TRUE);
          gtk_tree_view_append_column(GTK_TREE_VIEW(p.tree), column);
        }
      }
      p.storeColumns = columns;
    }
    if (!p.store) return;
    gtk_list_store_clear(p.store);
    for (const auto& row : w.list.rows) {
      GtkTreeIter iter;
      gtk_list_store_append(p.store, &iter);
      for (int i = 0; i < columns && i < static_cast<int>(row.size()); ++i) {
        gtk_list_store_set(p.store, &iter, i, Utf8(row[i]).c_str(), -1);
      }
    }
  }

  bool usable_ = false;
};

}  // namespace

std::unique_ptr<Backend> CreateGtkBackend() { return std::make_unique<GtkBackend>(); }

}  // namespace platform::gui
