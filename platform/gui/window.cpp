// Windows: classes, creation and destruction, messages and window procedures,
// geometry and state, capture and timers, on top of whichever backend runs underneath.
#include "platform/gui/window.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>

#include "platform/gui/backend.h"
#include "platform/gui/draw.h"
#include "platform/gui/window_internal.h"
#include "platform/resources.h"
#include "platform/text.h"

namespace platform::gui {
namespace {

HWND g_capture = nullptr;
std::map<std::wstring, WNDPROC>& WindowClasses() {
  static auto* classes = new std::map<std::wstring, WNDPROC>();
  return *classes;
}

}  // namespace

LPARAM SizeParam(const Window& w) { return MAKELPARAM(w.ClientWidth(), w.ClientHeight()); }

void ResizeFrame(Window& w) {
  std::lock_guard<std::mutex> lock(w.frameMutex);
  const int width = std::max(w.ClientWidth(), 0);
  const int height = std::max(w.ClientHeight(), 0);
  if (width == w.frameWidth && height == w.frameHeight) return;
  std::vector<std::uint32_t> next(static_cast<size_t>(width) * height, 0x00FFFFFFu);
  for (int y = 0; y < std::min(height, w.frameHeight); ++y) {
    std::memcpy(next.data() + static_cast<size_t>(y) * width, w.frame.data() + static_cast<size_t>(y) * w.frameWidth,
                static_cast<size_t>(std::min(width, w.frameWidth)) * 4);
  }
  w.frame.swap(next);
  w.frameWidth = width;
  w.frameHeight = height;
}

// Moves/resizes the model and tells the window about it as the system would.
void ApplyRect(HWND w, const RECT& r, bool tellBackend) {
  const RECT old = w->rect;
  w->rect = r;
  const bool moved = old.left != r.left || old.top != r.top;
  const bool sized = (old.right - old.left) != (r.right - r.left) || (old.bottom - old.top) != (r.bottom - r.top);
  if (sized) ResizeFrame(*w);
  if (tellBackend && (moved || sized)) GetBackend().GeometryChanged(*w);
  if (moved && w->kind != WindowKind::Layered) SendMessageW(w, WM_MOVE, 0, MAKELPARAM(r.left, r.top));
  if (sized && w->kind != WindowKind::Layered) {
    const WPARAM kind = (w->style & WS_MINIMIZE) ? SIZE_MINIMIZED : SIZE_RESTORED;
    SendMessageW(w, WM_SIZE, kind, SizeParam(*w));
    InvalidateRect(w, nullptr, 0);
  }
}

HWND NewWindow(WindowKind kind, const std::wstring& className, DWORD exStyle, DWORD style, const RECT& rect, HWND owner,
               WNDPROC proc) {
  auto window = std::make_shared<Window>(kind, className, exStyle, owner);
  window->style = style & ~WS_VISIBLE;
  window->wndProc = proc;
  HWND handle = RegisterWindow(window);
  handle->rect = rect;
  ResizeFrame(*handle);
  if (!GetBackend().CreatePeer(*handle)) {
    UnregisterWindow(handle);
    return nullptr;
  }
  return handle;
}

bool ValidOnUi(HWND w) { return w && IsWindow(w) && !w->destroyed; }

// --- screen ---

int GetScreenDpi() { return GetBackend().ScreenDpi(); }
RECT GetPrimaryMonitorRect() { return GetBackend().PrimaryMonitor(); }
bool IsCompositionEnabled() { return GetBackend().Composited(); }

int GetSystemMetrics(int index) {
  const RECT r = GetPrimaryMonitorRect();
  if (index == SM_CXSCREEN) return r.right - r.left;
  if (index == SM_CYSCREEN) return r.bottom - r.top;
  return 0;
}

// --- plain windows ---

BOOL RegisterWindowClass(const std::wstring& className, WNDPROC proc) {
  auto& classes = WindowClasses();
  if (classes.count(className)) return 0;
  classes[className] = proc ? proc : &DefWindowProcW;
  return 1;
}

HWND CreateWindowExW(DWORD exStyle, const std::wstring& className, const std::wstring& title, DWORD style, int x, int y,
                     int width, int height, HWND owner) {
  if (!GetBackend().Usable()) return nullptr;
  auto it = WindowClasses().find(className);
  if (it == WindowClasses().end()) return nullptr;
  RECT r{x, y, x + std::max(width, 0), y + std::max(height, 0)};
  HWND w = NewWindow((exStyle & WS_EX_LAYERED) ? WindowKind::Layered : WindowKind::Plain, className, exStyle, style, r,
                     owner, it->second);
  if (!w) return nullptr;
  w->title = title;
  SendMessageW(w, WM_CREATE, 0, 0);
  if (ValidOnUi(w) && (style & WS_VISIBLE)) ShowWindow(w, SW_SHOW);
  return ValidOnUi(w) ? w : nullptr;
}

BOOL DestroyWindow(HWND w) {
  if (!ValidOnUi(w)) return 0;
  w->destroyed = true;
  // Owned windows go first, as the system destroys them with their owner.
  for (HWND other : AllWindows()) {
    if (other != w && other->owner == w && !other->destroyed) DestroyWindow(other);
  }
  for (auto& [id, token] : w->timers) GetBackend().RemoveTimer(token);
  w->timers.clear();
  if (g_capture == w) ReleaseCapture();
  w->wndProc(w, WM_DESTROY, 0, 0);
  GetBackend().DestroyPeer(*w);
  w->wndProc(w, WM_NCDESTROY, 0, 0);
  w->style &= ~WS_VISIBLE;
  UnregisterWindow(w);
  return 1;
}

// --- messages ---

LRESULT SendMessageW(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!IsUiThread()) {
    LRESULT result = 0;
    SendToUi([&] { result = SendMessageW(w, msg, wParam, lParam); });
    return result;
  }
  auto keep = FindWindowShared(w);
  if (!keep || !w->wndProc) return 0;
  return w->wndProc(w, msg, wParam, lParam);
}

BOOL PostMessageW(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
  std::weak_ptr<Window> target = FindWindowShared(w);
  if (target.expired()) return 0;
  PostToUi([target, msg, wParam, lParam] {
    auto alive = target.lock();
    if (alive && !alive->destroyed) SendMessageW(alive.get(), msg, wParam, lParam);
  });
  return 1;
}

LRESULT DefWindowProcW(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_NCLBUTTONDOWN:
      if (wParam == HTCAPTION && ValidOnUi(w)) {
        GetBackend().BeginMoveDrag(*w, POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
      }
      return 0;
    case WM_CLOSE:
      if (w->kind != WindowKind::Dialog) DestroyWindow(w);
      return 0;
    default: return 0;
  }
}

LRESULT CallWindowProcW(WNDPROC proc, HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
  return proc ? proc(w, msg, wParam, lParam) : 0;
}

WNDPROC SetWindowProc(HWND w, WNDPROC proc) {
  if (!ValidOnUi(w) || !proc) return nullptr;
  WNDPROC previous = w->wndProc;
  w->wndProc = proc;
  return previous;
}

// --- geometry and state ---

BOOL GetWindowRect(HWND w, RECT* rect) {
  if (!ValidOnUi(w) || !rect) return 0;
  *rect = w->rect;
  return 1;
}

BOOL GetClientRect(HWND w, RECT* rect) {
  auto window = FindWindowShared(w);
  if (!window || !rect) return 0;
  // The frame always has the client size, and is guarded for painter threads.
  std::lock_guard<std::mutex> lock(window->frameMutex);
  *rect = RECT{0, 0, window->frameWidth, window->frameHeight};
  return 1;
}

BOOL ClientToScreen(HWND w, POINT* point) {
  if (!ValidOnUi(w) || !point) return 0;
  point->x += w->rect.left;
  point->y += w->rect.top;
  return 1;
}

BOOL MoveWindow(HWND w, int x, int y, int width, int height, BOOL) {
  if (!ValidOnUi(w)) return 0;
  ApplyRect(w, RECT{x, y, x + std::max(width, 0), y + std::max(height, 0)}, true);
  return 1;
}

BOOL SetWindowPos(HWND w, HWND, int x, int y, int cx, int cy, UINT flags) {
  if (!ValidOnUi(w)) return 0;
  RECT r = w->rect;
  if (!(flags & SWP_NOMOVE)) {
    const int width = r.right - r.left, height = r.bottom - r.top;
    r = RECT{x, y, x + width, y + height};
  }
  if (!(flags & SWP_NOSIZE)) {
    r.right = r.left + std::max(cx, 0);
    r.bottom = r.top + std::max(cy, 0);
  }
  ApplyRect(w, r, true);
  if (flags & SWP_SHOWWINDOW) ShowWindow(w, (flags & SWP_NOACTIVATE) ? SW_SHOWNA : SW_SHOW);
  return 1;
}

BOOL ShowWindow(HWND w, int command) {
  if (!ValidOnUi(w)) return 0;
  const BOOL wasVisible = (w->style & WS_VISIBLE) ? 1 : 0;
  switch (command) {
    case SW_HIDE:
      if (wasVisible) {
        SendMessageW(w, WM_SHOWWINDOW, 0, 0);
        if (!ValidOnUi(w)) return wasVisible;
        w->style &= ~WS_VISIBLE;
        GetBackend().VisibilityChanged(*w, false);
      }
      break;
    case SW_MINIMIZE:
      if (!(w->style & WS_MINIMIZE)) {
        w->style |= WS_MINIMIZE;
        GetBackend().Minimize(*w);
        SendMessageW(w, WM_SIZE, SIZE_MINIMIZED, SizeParam(*w));
      }
      break;
    default:
      if (!wasVisible) {
        w->style |= WS_VISIBLE;
        SendMessageW(w, WM_SHOWWINDOW, 1, 0);
        if (!ValidOnUi(w)) return wasVisible;
        GetBackend().VisibilityChanged(*w, command != SW_SHOWNA);
        InvalidateRect(w, nullptr, 0);
      }
      if ((command == SW_RESTORE || command == SW_SHOWNORMAL) && (w->style & WS_MINIMIZE)) {
        DeliverMinimized(w, false);
      }
      break;
  }
  return wasVisible;
}

BOOL IsWindowVisible(HWND w) { return ValidOnUi(w) && (w->style & WS_VISIBLE) ? 1 : 0; }
DWORD GetWindowStyle(HWND w) { return ValidOnUi(w) ? w->style : 0; }

BOOL EnableWindow(HWND w, BOOL enable) {
  if (!ValidOnUi(w)) return 0;
  const BOOL wasDisabled = w->enabled ? 0 : 1;
  w->enabled = enable != 0;
  GetBackend().EnabledChanged(*w);
  return wasDisabled;
}

BOOL SetWindowTextW(HWND w, const std::wstring& text) {
  if (!ValidOnUi(w)) return 0;
  w->title = text;
  if (w->kind == WindowKind::Edit) {
    GetBackend().ChildTextChanged(*w);
  } else {
    GetBackend().TitleChanged(*w);
  }
  return 1;
}

BOOL SetWindowTextA(HWND w, const char* text) { return SetWindowTextW(w, NarrowToWide(text ? text : "")); }

std::wstring GetWindowTextW(HWND w) { return ValidOnUi(w) ? w->title : std::wstring(); }

BOOL SetWindowIcon(HWND w, int resourceId) {
  if (!ValidOnUi(w)) return 0;
  std::string bytes;
  if (!LoadResourceBytes(resourceId, L"icon", bytes) && !LoadResourceBytes(resourceId, L"bitmap", bytes)) return 0;
  HBITMAP icon = DecodeBitmap(bytes);
  if (!icon) return 0;
  GetBackend().IconChanged(*w, *icon);
  DeleteBitmap(icon);
  return 1;
}

// --- capture ---

HWND SetCapture(HWND w) {
  HWND previous = g_capture;
  g_capture = ValidOnUi(w) ? w : nullptr;
  GetBackend().CaptureChanged(g_capture);
  return previous;
}

BOOL ReleaseCapture() {
  g_capture = nullptr;
  GetBackend().CaptureChanged(nullptr);
  return 1;
}

HWND GetCapture() { return g_capture; }

// --- timers ---

UINT_PTR SetTimer(HWND w, UINT_PTR id, UINT periodMs) {
  if (!ValidOnUi(w)) return 0;
  auto it = w->timers.find(id);
  if (it != w->timers.end()) GetBackend().RemoveTimer(it->second);
  w->timers[id] = GetBackend().AddTimer(w, id, std::max<UINT>(periodMs, 1));
  return id;
}

BOOL KillTimer(HWND w, UINT_PTR id) {
  if (!ValidOnUi(w)) return 0;
  auto it = w->timers.find(id);
  if (it == w->timers.end()) return 0;
  GetBackend().RemoveTimer(it->second);
  w->timers.erase(it);
  return 1;
}

void OutputDebugStringA(const char* text) {
  static const bool enabled = std::getenv("CORVEX_DEBUG_OUTPUT") != nullptr;
  if (enabled && text) std::fputs(text, stderr);
}

}  // namespace platform::gui
