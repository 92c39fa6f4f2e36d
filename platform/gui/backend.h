// What a window system must provide underneath the window model. Internal to
// platform/gui: the GTK backend and the headless one implement it.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/gui/draw.h"

#include "platform/gui/window_model.h"

namespace platform::gui {

class Backend {
 public:
  virtual ~Backend() = default;

  virtual bool Usable() = 0;  // false when no display could be opened
  virtual int ScreenDpi() = 0;
  virtual RECT PrimaryMonitor() = 0;
  virtual bool Composited() = 0;

  // Peers of windows. Geometry, visibility and the rest live in Window; these tell
  // the backend that they changed.
  virtual bool CreatePeer(Window& window) = 0;
  virtual void DestroyPeer(Window& window) = 0;
  virtual void GeometryChanged(Window& window) = 0;
  virtual void VisibilityChanged(Window& window, bool activate) = 0;
  virtual void Minimize(Window& window) = 0;
  virtual void TitleChanged(Window& window) = 0;
  virtual void IconChanged(Window& window, const Bitmap& icon) = 0;
  virtual void EnabledChanged(Window& window) = 0;
  virtual void ModalChanged(Window& window, bool modal) = 0;
  virtual void BeginMoveDrag(Window& window, POINT screenPoint) = 0;
  virtual void CaptureChanged(Window* window) = 0;
  // Any thread: the frame (or the layered picture) was replaced.
  virtual void FramePresented(HWND window) = 0;
  // Native children.
  virtual void ChildTextChanged(Window& child) = 0;
  virtual void ChildListChanged(Window& child) = 0;

  // Timers: the backend sends WM_TIMER on the UI thread.
  virtual unsigned AddTimer(HWND window, UINT_PTR id, UINT periodMs) = 0;
  virtual void RemoveTimer(unsigned token) = 0;

  // Any thread: tasks were queued for the UI thread.
  virtual void Wake() = 0;
  // Dispatches events and queued tasks until `done` answers true. False when the
  // loop had to give up (the headless backend with nothing left to do).
  virtual bool RunUntil(const std::function<bool()>& done) = 0;

  // Native dialogs.
  virtual int ShowPlainMessageBox(HWND parent, const std::wstring& text, const std::wstring& caption, UINT type) = 0;
  virtual bool PickFolder(HWND parent, const std::wstring& title, std::wstring& path) = 0;
};

// The process-wide backend: headless when CORVEX_GUI=headless or a test chose it.
Backend& GetBackend();
// Installed by the headless test interface.
void InstallBackend(std::unique_ptr<Backend> backend);
std::unique_ptr<Backend> CreateGtkBackend();

}  // namespace platform::gui
