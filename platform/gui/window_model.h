// The backend-independent state of a window. Internal to platform/gui.
#pragma once

#include <atomic>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/gui/gui_types.h"

namespace platform::gui {

enum class WindowKind { Dialog, Plain, Layered, Edit, ListView, ListBox };

struct ListData {
  std::vector<std::wstring> columns;
  std::vector<int> columnWidths;
  std::vector<std::vector<std::wstring>> rows;
  int selected = -1;
};

class Window {
 public:
  Window(WindowKind kind, std::wstring className, DWORD exStyle, HWND owner)
      : kind(kind), className(std::move(className)), exStyle(exStyle), owner(owner) {}

  // Fixed at creation.
  const WindowKind kind;
  const std::wstring className;
  const DWORD exStyle;
  const HWND owner;
  int controlId = 0;

  // UI thread only.
  DWORD style = 0;
  RECT rect;  // screen coordinates (child windows: the owner's client coordinates)
  std::wstring title;
  WNDPROC wndProc = nullptr;
  DLGPROC dlgProc = nullptr;
  bool enabled = true;
  bool destroyed = false;
  bool dialogEnded = false;
  INT_PTR dialogResult = 0;
  std::map<UINT_PTR, unsigned> timers;  // id -> backend token
  ListData list;
  void* peer = nullptr;  // the backend's part

  // Any thread, under frameMutex: the picture the window shows.
  std::mutex frameMutex;
  std::vector<std::uint32_t> frame;  // client size, 0x00RRGGBB
  int frameWidth = 0;
  int frameHeight = 0;
  std::vector<std::uint32_t> layered;  // premultiplied ARGB, for layered windows
  int layeredWidth = 0;
  int layeredHeight = 0;
  std::atomic<bool> paintRequested{false};
  std::atomic<bool> redrawQueued{false};
  std::atomic<int> framesPresented{0};

  int ClientWidth() const { return rect.right - rect.left; }
  int ClientHeight() const { return rect.bottom - rect.top; }
};

// The live windows by handle; a handle from another thread is looked up here, so a
// destroyed window is never touched.
std::shared_ptr<Window> FindWindowShared(HWND handle);
HWND RegisterWindow(std::shared_ptr<Window> window);
void UnregisterWindow(HWND handle);
std::vector<HWND> AllWindows();

// Entry points for the backends, UI thread only: what the user did.
void DeliverMouse(HWND window, UINT msg, int x, int y, WPARAM keys);
void DeliverKey(HWND window, WPARAM virtualKey);
void DeliverCloseRequest(HWND window);
void DeliverConfigured(HWND window, const RECT& screenRect);
void DeliverMinimized(HWND window, bool minimized);
void DeliverExposed(HWND window);
void DeliverChildText(HWND child, const std::wstring& text);
void DeliverListSelection(HWND child, int row);
void DeliverTimer(HWND window, UINT_PTR id);
// Runs the tasks other threads posted.
void DrainUiQueue();
bool HasQueuedUiTasks();
// The dialog being run modally innermost, or null.
HWND InnermostModalDialog();
// Marks the UI thread (headless tests pick their own).
void SetUiThreadToCurrent();
// The first thread to use the GUI is its UI thread.
void SetUiThreadIfUnset();

}  // namespace platform::gui
