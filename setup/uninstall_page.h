// The setup dialog's page in uninstall mode: a heading, a picture, the keep-configurations
// box, the uninstall and cancel buttons and a progress bar, driven by the uninstall work.
//
// Threads: Build and OnCommand run on the UI thread; OnUninstallEvent runs on the
// uninstall worker (the controls lock themselves; message boxes go to the UI thread).
#pragma once

#include <atomic>
#include <memory>
#include <string>

#include "base/progress_events.h"
#include "install/uninstall_target.h"
#include "install/uninstall_work.h"
#include "platform/gui/gui_types.h"
#include "ui/button_color_ctrl_ex.h"
#include "ui/check_button_ctrl_ex.h"
#include "ui/control_lists.h"
#include "ui/process_ctrl.h"
#include "ui/static_ctrl.h"

namespace setup {

class UninstallPage {
 public:
  static constexpr int kKeepConfigurationsId = 1624;
  static constexpr int kUninstallId = 1625;
  static constexpr int kCancelId = 1626;
  static constexpr int kFinishId = 1627;

  UninstallPage() = default;
  ~UninstallPage();
  UninstallPage(const UninstallPage&) = delete;
  UninstallPage& operator=(const UninstallPage&) = delete;

  // Creates the controls on `dialog` and adds them to `lists`; the page removes the
  // installation named by `target`. Before the painter thread starts.
  void Build(HWND dialog, ui::ControlLists& lists, const install::UninstallTarget& target);
  // 1624 and 1625; false for any other id (1626 and 1627 close the dialog, which is
  // the dialog's own command).
  bool OnCommand(int id);
  // Hides the choice, shows the status line and the progress bar and starts the
  // worker thread. A second call while one runs does nothing.
  void StartUninstall();
  // The uninstall work's events (0 start, 3 progress, 1 done, 2 failed). Always 1.
  int OnUninstallEvent(base::UninstallEvent event, unsigned value, long extra);

  bool KeepsConfigurations();
  // The outcome of the last finished uninstall; kRefused before one has finished.
  install::UninstallOutcome LastOutcome() const { return outcome_.load(); }
  bool Finished() const { return finished_.load(); }
  // What the page shows, for the dialog's painting and the tests.
  std::wstring HeadingText();
  int LastButtonId();
  std::wstring LastButtonText();

 private:
  void Redraw();
  void RunWork(install::UninstallRequest request);

  HWND dialog_ = nullptr;
  install::UninstallTarget target_;
  HFONT headingFont_ = nullptr;
  HFONT textFont_ = nullptr;
  HBITMAP bitmaps_[5] = {};  // picture 154, boxes 157-160
  std::unique_ptr<ui::StaticCtrl> heading_;
  std::unique_ptr<ui::StaticCtrl> picture_;
  std::unique_ptr<ui::StaticCtrl> status_;
  std::unique_ptr<ui::CheckButtonCtrlEx> keepBox_;
  std::unique_ptr<ui::ButtonColorCtrlEx> uninstallButton_;
  std::unique_ptr<ui::ButtonColorCtrlEx> lastButton_;  // cancel, then the finish button
  std::unique_ptr<ui::ProcessCtrl> progress_;
  std::atomic<bool> started_{false};
  std::atomic<bool> finished_{false};
  std::atomic<install::UninstallOutcome> outcome_{install::UninstallOutcome::kRefused};
  RECT finishRect_{};                  // where the last button goes once the work has ended
  install::UninstallRequest request_;  // written before the worker starts, read by it afterwards
};

}  // namespace setup
