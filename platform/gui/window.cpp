// The window model: handles, procedures, dialogs, messages and timers on top of
// whichever backend runs underneath.
#include "platform/gui/window.h"

#include <algorithm>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <thread>
#include <unordered_map>

#include "platform/gui/backend.h"
#include "platform/gui/draw.h"
#include "platform/gui/headless.h"
#include "platform/resources.h"
#include "platform/text.h"

namespace platform::gui {
namespace {

std::mutex g_registryMutex;
std::unordered_map<HWND, std::shared_ptr<Window>>& Registry() {
  static auto* registry = new std::unordered_map<HWND, std::shared_ptr<Window>>();
  return *registry;
}

std::mutex g_backendMutex;
std::unique_ptr<Backend>& BackendSlot() {
  static auto* slot = new std::unique_ptr<Backend>();
  return *slot;
}

std::atomic<std::thread::id> g_uiThread{};

std::mutex g_queueMutex;
std::deque<std::function<void()>>& Queue() {
  static auto* queue = new std::deque<std::function<void()>>();
  return *queue;
}

// UI thread only.
std::vector<HWND> g_modalStack;
HWND g_capture = nullptr;
std::map<std::wstring, WNDPROC>& WindowClasses() {
  static auto* classes = new std::map<std::wstring, WNDPROC>();
  return *classes;
}

struct TemplateSize {
  int width;
  int height;
};
std::mutex g_templateMutex;
std::map<int, TemplateSize>& Templates() {
  // The program's empty templates: the setup dialog, the message box and the
  // diagnostics view.
  static auto* templates = new std::map<int, TemplateSize>{{130, {622, 405}}, {173, {420, 210}}, {189, {640, 420}}};
  return *templates;
}

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

LRESULT DialogWindowProc(HWND w, UINT msg, WPARAM wParam, LPARAM lParam) {
  const INT_PTR handled = w->dlgProc ? w->dlgProc(w, msg, wParam, lParam) : 0;
  if (handled != 0) return handled;
  if (msg == WM_CLOSE) {
    // An unhandled close is the Cancel key of the dialog.
    SendMessageW(w, WM_COMMAND, IDCANCEL, 0);
    return 0;
  }
  return DefWindowProcW(w, msg, wParam, lParam);
}

HWND NewWindow(WindowKind kind, const std::wstring& className, DWORD exStyle, DWORD style, const RECT& rect,
               HWND owner, WNDPROC proc) {
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

HWND CreateDialogWindow(int templateId, HWND parent, DLGPROC proc) {
  if (!GetBackend().Usable()) return nullptr;
  TemplateSize size{400, 300};
  {
    std::lock_guard<std::mutex> lock(g_templateMutex);
    auto it = Templates().find(templateId);
    if (it != Templates().end()) size = it->second;
  }
  const int dpi = GetScreenDpi();
  const int width = size.width * dpi / 96;
  const int height = size.height * dpi / 96;
  const RECT screen = GetPrimaryMonitorRect();
  RECT r;
  r.left = screen.left + (screen.right - screen.left - width) / 2;
  r.top = screen.top + (screen.bottom - screen.top - height) / 2;
  r.right = r.left + width;
  r.bottom = r.top + height;
  HWND w = NewWindow(WindowKind::Dialog, L"#32770", 0, WS_POPUP, r, parent, &DialogWindowProc);
  if (w) w->dlgProc = proc;
  return w;
}

bool ValidOnUi(HWND w) { return w && IsWindow(w) && !w->destroyed; }

}  // namespace

// --- registry ---

std::shared_ptr<Window> FindWindowShared(HWND handle) {
  std::lock_guard<std::mutex> lock(g_registryMutex);
  auto it = Registry().find(handle);
  return it == Registry().end() ? nullptr : it->second;
}

HWND RegisterWindow(std::shared_ptr<Window> window) {
  HWND handle = window.get();
  std::lock_guard<std::mutex> lock(g_registryMutex);
  Registry()[handle] = std::move(window);
  return handle;
}

void UnregisterWindow(HWND handle) {
  std::shared_ptr<Window> keep;  // freed outside the lock
  std::lock_guard<std::mutex> lock(g_registryMutex);
  auto it = Registry().find(handle);
  if (it != Registry().end()) {
    keep = it->second;
    Registry().erase(it);
  }
}

std::vector<HWND> AllWindows() {
  std::lock_guard<std::mutex> lock(g_registryMutex);
  std::vector<HWND> out;
  for (auto& [handle, window] : Registry()) out.push_back(handle);
  return out;
}

// --- backend and threads ---

Backend& GetBackend() {
  std::lock_guard<std::mutex> lock(g_backendMutex);
  auto& slot = BackendSlot();
  if (!slot) {
    const char* choice = std::getenv("CORVEX_GUI");
    if (choice && std::strcmp(choice, "headless") == 0) {
      slot = CreateHeadlessBackend(HeadlessOptions{});
    } else {
      slot = CreateGtkBackend();
    }
    if (g_uiThread.load() == std::thread::id()) g_uiThread = std::this_thread::get_id();
  }
  return *slot;
}

void InstallBackend(std::unique_ptr<Backend> backend) {
  std::unique_ptr<Backend> old;
  std::lock_guard<std::mutex> lock(g_backendMutex);
  old = std::move(BackendSlot());
  BackendSlot() = std::move(backend);
}

void SetUiThreadToCurrent() { g_uiThread = std::this_thread::get_id(); }

bool IsUiThread() {
  const std::thread::id ui = g_uiThread.load();
  return ui == std::thread::id() || ui == std::this_thread::get_id();
}

void PostToUi(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(g_queueMutex);
    Queue().push_back(std::move(task));
  }
  GetBackend().Wake();
}

void SendToUi(std::function<void()> task) {
  if (IsUiThread()) {
    task();
    return;
  }
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  PostToUi([&] {
    task();
    std::lock_guard<std::mutex> lock(m);
    done = true;
    cv.notify_all();
  });
  std::unique_lock<std::mutex> lock(m);
  cv.wait(lock, [&] { return done; });
}

void DrainUiQueue() {
  for (;;) {
    std::deque<std::function<void()>> batch;
    {
      std::lock_guard<std::mutex> lock(g_queueMutex);
      batch.swap(Queue());
    }
    if (batch.empty()) return;
    for (auto& task : batch) task();
  }
}

bool HasQueuedUiTasks() {
  std::lock_guard<std::mutex> lock(g_queueMutex);
  return !Queue().empty();
}

HWND InnermostModalDialog() { return g_modalStack.empty() ? nullptr : g_modalStack.back(); }

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

// --- dialogs ---

void RegisterDialogTemplate(int templateId, int designWidth, int designHeight) {
  std::lock_guard<std::mutex> lock(g_templateMutex);
  Templates()[templateId] = TemplateSize{designWidth, designHeight};
}

INT_PTR DialogBoxParamW(HINSTANCE, int templateId, HWND parent, DLGPROC proc, LPARAM param) {
  HWND w = CreateDialogWindow(templateId, parent, proc);
  if (!w) return -1;
  const std::shared_ptr<Window> keep = FindWindowShared(w);  // the loop below reads it
  const bool disableParent = parent && ValidOnUi(parent) && parent->enabled;
  if (disableParent) EnableWindow(parent, 0);
  GetBackend().ModalChanged(*w, true);
  SendMessageW(w, WM_CREATE, 0, 0);
  if (ValidOnUi(w) && !w->dialogEnded) SendMessageW(w, WM_INITDIALOG, 0, param);
  if (ValidOnUi(w) && !w->dialogEnded) {
    ShowWindow(w, SW_SHOW);
    InvalidateRect(w, nullptr, 0);
  }
  g_modalStack.push_back(w);
  const bool ran = GetBackend().RunUntil([w] { return w->dialogEnded || w->destroyed; });
  g_modalStack.erase(std::remove(g_modalStack.begin(), g_modalStack.end(), w), g_modalStack.end());
  if (disableParent && ValidOnUi(parent)) EnableWindow(parent, 1);
  INT_PTR result = ran ? w->dialogResult : -1;
  if (ValidOnUi(w)) {
    ShowWindow(w, SW_HIDE);
    DestroyWindow(w);
  }
  // The owner becomes the active window again, as it was before the dialog.
  if (ValidOnUi(parent) && (parent->style & WS_VISIBLE)) GetBackend().VisibilityChanged(*parent, true);
  return result;
}

HWND CreateDialogParamW(HINSTANCE, int templateId, HWND parent, DLGPROC proc, LPARAM param) {
  HWND w = CreateDialogWindow(templateId, parent, proc);
  if (!w) return nullptr;
  SendMessageW(w, WM_CREATE, 0, 0);
  if (ValidOnUi(w)) SendMessageW(w, WM_INITDIALOG, 0, param);
  if (ValidOnUi(w)) {
    ShowWindow(w, SW_SHOW);
    InvalidateRect(w, nullptr, 0);
  }
  return ValidOnUi(w) ? w : nullptr;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  if (!IsUiThread()) {
    PostToUi([dialog, result] { EndDialog(dialog, result); });
    return 1;
  }
  if (!ValidOnUi(dialog) || dialog->kind != WindowKind::Dialog) return 0;
  dialog->dialogResult = result;
  dialog->dialogEnded = true;
  return 1;
}

// --- plain windows ---

BOOL RegisterWindowClass(const std::wstring& className, WNDPROC proc) {
  auto& classes = WindowClasses();
  if (classes.count(className)) return 0;
  classes[className] = proc ? proc : &DefWindowProcW;
  return 1;
}

HWND CreateWindowExW(DWORD exStyle, const std::wstring& className, const std::wstring& title, DWORD style, int x,
                     int y, int width, int height, HWND owner) {
  if (!GetBackend().Usable()) return nullptr;
  auto it = WindowClasses().find(className);
  if (it == WindowClasses().end()) return nullptr;
  RECT r{x, y, x + std::max(width, 0), y + std::max(height, 0)};
  HWND w = NewWindow((exStyle & WS_EX_LAYERED) ? WindowKind::Layered : WindowKind::Plain, className, exStyle, style,
                     r, owner, it->second);
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

BOOL IsWindow(HWND w) { return w && FindWindowShared(w) != nullptr; }

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
  if (!IsWindow(w)) return 0;
  PostToUi([w, msg, wParam, lParam] {
    if (IsWindow(w) && !w->destroyed) SendMessageW(w, msg, wParam, lParam);
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
    default:
      return 0;
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

// --- painting ---

BOOL InvalidateRect(HWND w, const RECT*, BOOL) {
  auto window = FindWindowShared(w);
  if (!window) return 0;
  if (!window->paintRequested.exchange(true)) {
    PostToUi([w] {
      auto alive = FindWindowShared(w);
      if (!alive || alive->destroyed) return;
      SendMessageW(w, WM_PAINT, 0, 0);
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

void OutputDebugStringA(const char* text) {
  static const bool enabled = std::getenv("CORVEX_DEBUG_OUTPUT") != nullptr;
  if (enabled && text) std::fputs(text, stderr);
}

// --- what the user did ---

void DeliverMouse(HWND w, UINT msg, int x, int y, WPARAM keys) {
  if (!ValidOnUi(w) || !w->enabled) return;
  SendMessageW(w, msg, keys, MAKELPARAM(x, y));
}

void DeliverKey(HWND w, WPARAM virtualKey) {
  if (!ValidOnUi(w) || !w->enabled) return;
  if (w->kind == WindowKind::Dialog && virtualKey == VK_RETURN) {
    SendMessageW(w, WM_COMMAND, IDOK, 0);
  } else if (w->kind == WindowKind::Dialog && virtualKey == VK_ESCAPE) {
    SendMessageW(w, WM_COMMAND, IDCANCEL, 0);
  } else {
    SendMessageW(w, WM_KEYDOWN, virtualKey, 0);
  }
}

void DeliverCloseRequest(HWND w) {
  if (!ValidOnUi(w) || !w->enabled) return;
  SendMessageW(w, WM_CLOSE, 0, 0);
}

void DeliverConfigured(HWND w, const RECT& screenRect) {
  if (!ValidOnUi(w)) return;
  ApplyRect(w, screenRect, false);
}

void DeliverMinimized(HWND w, bool minimized) {
  if (!ValidOnUi(w)) return;
  const bool was = (w->style & WS_MINIMIZE) != 0;
  if (was == minimized) return;
  if (minimized) {
    w->style |= WS_MINIMIZE;
    SendMessageW(w, WM_SIZE, SIZE_MINIMIZED, SizeParam(*w));
  } else {
    w->style &= ~WS_MINIMIZE;
    SendMessageW(w, WM_SIZE, SIZE_RESTORED, SizeParam(*w));
    InvalidateRect(w, nullptr, 0);
  }
}

void DeliverExposed(HWND w) {
  if (ValidOnUi(w)) InvalidateRect(w, nullptr, 0);
}

void DeliverChildText(HWND child, const std::wstring& text) {
  if (ValidOnUi(child)) child->title = text;
}

void DeliverListSelection(HWND child, int row) {
  if (ValidOnUi(child)) child->list.selected = row;
}

void DeliverTimer(HWND w, UINT_PTR id) {
  if (!ValidOnUi(w) || !w->timers.count(id)) return;
  SendMessageW(w, WM_TIMER, id, 0);
}

}  // namespace platform::gui
