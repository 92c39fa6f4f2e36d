// Dialogs from the program's empty templates: modal runs that nest, modeless
// dialogs, EndDialog, and the default handling of a dialog's window.
#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

#include "platform/gui/backend.h"
#include "platform/gui/window.h"
#include "platform/gui/window_internal.h"

namespace platform::gui {
namespace {

std::vector<HWND> g_modalStack;

struct TemplateSize {
  int width;
  int height;
};
std::mutex g_templateMutex;
// Filled by the dialogs that run each template.
std::map<int, TemplateSize>& Templates() {
  static auto* templates = new std::map<int, TemplateSize>;
  return *templates;
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

}  // namespace

HWND InnermostModalDialog() { return g_modalStack.empty() ? nullptr : g_modalStack.back(); }

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
    std::weak_ptr<Window> target = FindWindowShared(dialog);
    PostToUi([target, result] {
      if (auto alive = target.lock()) EndDialog(alive.get(), result);
    });
    return 1;
  }
  if (!ValidOnUi(dialog) || dialog->kind != WindowKind::Dialog) return 0;
  dialog->dialogResult = result;
  dialog->dialogEnded = true;
  return 1;
}

}  // namespace platform::gui
