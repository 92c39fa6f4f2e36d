// What the user did, as the backends report it, turned into messages.
#include "platform/gui/window.h"
#include "platform/gui/window_internal.h"

namespace platform::gui {

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
