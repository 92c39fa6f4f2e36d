// The setup dialog: the installer's only window, a borderless painted dialog of
// 622 × 405 design pixels (580 high with the options page open) with a drop shadow.
// It owns the install state, starts the install sequence on a worker thread and
// reports every significant moment to the statistics. One object per process; it is
// never destroyed, so the threads it starts can never outlive it.
//
// Threads: the UI thread runs messages, commands and the countdown; the painter
// thread calls OnPaint; the frame producer renders the installation frames and sets
// the working look; the install worker runs the install sequence, whose state changes
// call UpdateCtrlStatus. Values those threads share are atomics; the install path is
// guarded by `pathsMutex_`, the sequence pointer by `sequenceMutex_`.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "base/resource_ids.h"
#include "download/downloader.h"
#include "install/package_info.h"
#include "platform/gui/draw.h"
#include "platform/gui/gui_types.h"
#include "setup/install_sequence.h"
#include "setup/install_state.h"
#include "setup/options_page.h"
#include "setup/progress_painting.h"
#include "setup/uninstall_page.h"
#include "telemetry/report_delivery.h"
#include "ui/button_color_ctrl_ex.h"
#include "ui/button_ctrl_ex.h"
#include "ui/common_dlg.h"
#include "ui/static_ctrl.h"
#include "ui/wnd_shadow.h"

namespace setup {

class SetupDlg : public ui::CommonDlg {
 public:
  static constexpr int kCloseId = base::resource_ids::kCloseCommand;
  static constexpr int kMinimizeId = base::resource_ids::kMinimizeCommand;
  static constexpr int kInstallId = 1614;
  static constexpr int kCancelId = 1626;
  static constexpr int kCloseAltId = 1627;
  static constexpr int kKeepConfigId = 1624;
  static constexpr int kUninstallId = 1625;
  static constexpr UINT_PTR kCountdownTimer = 1;
  // How long a close waits for a stopping install to roll back.
  static constexpr UINT_PTR kStopWaitTimer = 2;
  static constexpr int kStopWaitMs = 120000;
  static constexpr int kCountdownStart = 30;

  SetupDlg();
  ~SetupDlg() override;

  int OnInitDialog(HWND hwnd) override;
  int PreHandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  int OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;
  void OnCreate() override;
  virtual int OnClose();
  virtual int ReportClose();

  // The install button's action in every state; also the countdown's end.
  void OnBtnInstall();
  // Shows and hides the main-page controls for a look. Any thread.
  void UpdateCtrlStatus(CtrlStatus status);
  // One named step report on a thread of its own; nothing without statistics.
  void RecordStep(const char* name);
  // Opens or closes the options page.
  void ShowCustom(bool open);

  // The static dialog procedure handed to the dialog run.
  static INT_PTR StaticDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  // What the entry point and the tests read afterwards.
  InstallState GetInstallState() const { return eInstall.load(); }
  InstallStage GetStage() const { return CurrentSnapshot().stage; }
  // After the dialog has ended: waits for a running install worker up to
  // `timeoutMs`; true when no worker runs any more.
  bool WaitForWorker(int timeoutMs);
  // Lets the report threads end and joins them; the run is over.
  void FinishReports() { reports_.Finish(); }
  bool ProductInstalled() const { return CurrentSnapshot().outcome == InstallOutcome::kInstalled; }
  InstallOutcome Outcome() const { return CurrentSnapshot().outcome; }
  // The running download's progress, for the progress painting; false between downloads.
  bool GetDownloadInfo(download::DownloadInfo& out);
  std::wstring InstallPath();
  int CountdownValue() const { return countdown_.load(); }
  ui::StaticCtrl* CountdownText() { return countdownText_.get(); }
  ui::ButtonColorCtrlEx* InstallButton() { return installButton_.get(); }
  OptionsPage& Options() { return options_; }

  ui::CWndShadow shadow;

 private:
  void CreateMainPage();
  void OnCountdownText(int count);
  void OnCountdownTick();
  void StopCountdown();
  void StartInstallWorker();
  void StartPainterThreads();
  void StopPainting();
  void LoadVersionText();
  std::string VersionText();
  void OnBtnClose();
  void OnBtnBrower();
  bool RunInstallChecks();
  // The quit question; false to keep working. `dismissed` is set when a change of
  // state closed the question before it was answered.
  bool AskToStopWork(const char* noExtra, const char* yesExtra, bool& dismissed);
  void SetInstallPath(const std::wstring& path);
  void FinishButtonLaunch();

  // setup_painting.cpp
  void PaintDownload(HDC dc);
  void StartFrameProducer();

  // The running (or last) install sequence and what it shows.
  std::shared_ptr<InstallSequence> CurrentSequence() const;
  InstallSnapshot CurrentSnapshot() const;
  void OnSequenceStateChanged(const InstallSnapshot& snapshot);
  void OnSequenceFailure(InstallFailure failure, const std::wstring& text);
  void OnWorkerEnded();
  // Ends the dialog: the final report, the painting threads, the modal loop.
  void EndNow();

  // State read by the painter and the UI thread while the worker writes it.
  std::atomic<InstallState> eInstall{kInstallReady};
  std::atomic<bool> stopFlag_{false};
  std::atomic<bool> closing_{false};
  std::atomic<bool> closeWhenStopped_{false};  // a close waits for the sequence to roll back
  std::atomic<bool> workerRunning_{false};
  std::atomic<int> countdown_{kCountdownStart};
  std::atomic<bool> countdownRunning_{false};
  bool installMode_ = false;  // the main page exists (not the uninstall page)

  std::mutex pathsMutex_;
  std::wstring installPathW;

  mutable std::mutex sequenceMutex_;
  std::shared_ptr<InstallSequence> sequence_;

  // UI thread.
  install::PackageInfo packageInfo_{};
  DWORD installOptions = 0xFFFFFFFF;  // every option wanted until a previous install says otherwise
  std::string versionText_;           // "11.0.9.2 official (16/06/2020)": names the package file
  std::mutex versionMutex_;
  std::atomic<bool> versionLoaded_{false};

  std::shared_ptr<telemetry::OnlineStatistics> statistics_;
  telemetry::ReportDelivery reports_;

  ProgressPainter progress_;
  std::mutex paintMutex_;                               // the painter thread and WM_PAINT take turns
  std::unique_ptr<platform::gui::MemoryCanvas> frame_;  // under paintMutex_

  std::thread painter_;
  OptionsPage options_;
  UninstallPage uninstallPage_;  // built only in uninstall mode
  HFONT buttonFont_ = nullptr;
  HFONT smallFont_ = nullptr;
  HFONT countdownFont_ = nullptr;
  std::unique_ptr<ui::ButtonColorCtrlEx> installButton_;
  std::unique_ptr<ui::ButtonCtrlEx> closeButton_;
  std::unique_ptr<ui::ButtonCtrlEx> minimizeButton_;
  std::unique_ptr<ui::StaticCtrl> logo_;
  std::unique_ptr<ui::StaticCtrl> finishLogo_;
  std::unique_ptr<ui::StaticCtrl> versionLabel_;
  std::unique_ptr<ui::StaticCtrl> centrePicture_;
  std::unique_ptr<ui::StaticCtrl> countdownText_;
  HBITMAP closeBitmaps_[4] = {};     // 140, 142, 143, finished-look 148
  HBITMAP minimizeBitmaps_[4] = {};  // 144, 146, 147, finished-look 149
  HBITMAP logoBitmap_ = nullptr;
  HBITMAP finishLogoBitmap_ = nullptr;
  HBITMAP pictureBitmap_ = nullptr;  // 132
};

SetupDlg& TheSetupDlg();
// Replaces the process-wide dialog by a fresh one (tests only; the old object stays
// alive for threads it started).
void ResetSetupDlgForTesting();

}  // namespace setup
