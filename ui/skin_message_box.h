// The installer's own message box: a blue title band with the title in white, a
// close button, an icon, a word-wrapped message and one or two picture buttons,
// repainted from its own thread every 30 ms. UI thread, except the repaint thread.
#pragma once

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "base/resource_ids.h"
#include "ui/button_ctrl_ex.h"
#include "ui/common_dlg.h"
#include "ui/control_lists.h"
#include "ui/static_ctrl.h"

namespace ui {

// Command identifiers of the box.
inline constexpr int kMsgBoxCloseId = base::resource_ids::kCloseCommand;
inline constexpr int kMsgBoxCloseAltId = base::resource_ids::kMessageBoxCloseAltCommand;
inline constexpr int kMsgBoxNoChoice = base::resource_ids::kMessageBoxNoChoice;
inline constexpr int kMsgBoxOkId = base::resource_ids::kMessageBoxOkCommand;
inline constexpr int kMsgBoxCancelId = base::resource_ids::kMessageBoxCancelCommand;

class SkinMessageBox : public CommonDlg {
 public:
  enum ButtonMode : std::int32_t { kOneButton = 0, kTwoButtons = 1 };

  explicit SkinMessageBox(ButtonMode mode);
  ~SkinMessageBox() override;

  int OnInitDialog(HWND hwnd) override;
  int PreHandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  int OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;
  // Nothing to ask for: the repaint thread draws every 30 ms.
  void OnControlsChanged() override {}
  virtual int OnClose();

  // The static dialog procedure: forwards to the current box.
  static INT_PTR StaticDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  std::int32_t buttonMode = kOneButton;
  std::int32_t result = kMsgBoxNoChoice;
  std::unique_ptr<ButtonCtrlEx> closeButton;
  std::unique_ptr<ButtonCtrlEx> okButton;
  std::unique_ptr<ButtonCtrlEx> cancelButton;
  std::unique_ptr<StaticCtrl> titleLabel;
  std::unique_ptr<StaticCtrl> iconLabel;
  std::unique_ptr<StaticCtrl> messageLabel;
  std::wstring titleText;
  std::wstring messageText;
  std::wstring okText;
  std::wstring cancelText;
  std::thread repaintThread;
  std::atomic<bool> closing{false};
  bool dismissed = false;  // closed by DismissOpenQuestion, not by the user

 private:
  void RepaintLoop();
  // Sets `closing` and waits up to `timeoutMs` for the repaint thread to finish.
  void StopRepainting(int timeoutMs);

  std::mutex repaintMutex_;
  std::condition_variable repaintEnded_;
  bool repaintRunning_ = false;
  HFONT font_ = nullptr;
  HBITMAP bitmaps_[7] = {};  // resources 174 … 180
};

// One-button box; always 1628.
int ShowMessage(HWND parent, const wchar_t* title, const wchar_t* message, const wchar_t* okText);
// Two-button box; 1629 when closed with the first button, 1628 when it was dismissed
// (DismissOpenQuestion), 1630 in every other case.
int AskQuestion(HWND parent, const wchar_t* title, const wchar_t* message, const wchar_t* okText,
                const wchar_t* cancelText);
// Closes the open two-button box without an answer, because what it asked no longer
// applies. True when there was one. UI thread.
bool DismissOpenQuestion();

}  // namespace ui
