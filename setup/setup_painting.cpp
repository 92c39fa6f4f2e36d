// What the setup dialog shows in each install state. The painter thread calls
// OnPaint every 10 ms while installing (50 ms otherwise); so does WM_PAINT on the UI
// thread. The two take turns on one frame, which is reused while its size holds.
#include "platform/clock.h"
#include "platform/gui/draw.h"
#include "platform/gui/window.h"
#include "setup/diagnostics_view.h"
#include "setup/setup_dlg.h"
#include "telemetry/online_statistics.h"

namespace setup {

namespace gui = platform::gui;

void SetupDlg::OnPaint() {
  if (!hwnd) return;
  RECT client{};
  if (!gui::GetClientRect(hwnd, &client) || client.right <= 0 || client.bottom <= 0) return;
  std::lock_guard<std::mutex> lock(paintMutex_);
  if (!frame_ || frame_->dc()->Width() != client.right || frame_->dc()->Height() != client.bottom)
    frame_ = std::make_unique<gui::MemoryCanvas>(client.right, client.bottom);
  HDC dc = frame_->dc();
  const InstallState state = eInstall.load();
  const InstallSnapshot snapshot = CurrentSnapshot();
  if (state != kInstallReady && countdownText_) countdownText_->SetVisible(false);
  switch (ChoosePainting(state, snapshot.downloadFinished)) {
    case Painting::Page: progress_.PaintPage(dc, options_.IsOpen(), controls); break;
    case Painting::Download: PaintDownload(dc); break;
    case Painting::Frame:
      // Until the producer has the next frame the window keeps the last one.
      if (!progress_.PaintFrame(dc, snapshot.paintMode, snapshot.installPermille, controls)) return;
      break;
    case Painting::Finished: progress_.PaintFinished(dc, controls); break;
  }
  const RECT folderBox = options_.FolderBoxRect();
  const bool keepFolderBox = state == kInstallReady && options_.IsOpen();
  gui::PresentFrame(hwnd, 0, 0, client.right, client.bottom, dc, 0, 0, keepFolderBox ? &folderBox : nullptr);
}

void SetupDlg::PaintDownload(HDC dc) {
  const InstallSnapshot state = CurrentSnapshot();
  if (eInstall == kInstallRetry) {
    // The failed look: the faded picture, the advice, and only the two buttons.
    progress_.PaintDownloadFailed(dc, InstallFailureTextId(state.failure), {installButton_.get(), closeButton_.get()});
    return;
  }
  download::DownloadInfo info;
  GetDownloadInfo(info);
  UpdateInfoView(info);
  const ProgressSnapshot snapshot = progress_.PaintDownloadWorking(
      dc, state.downloadPercent, info, platform::GetTickCount(), state.downloadStartTick, state.usingCdn);
  if (statistics_)
    statistics_->SetProgress(snapshot.percent, snapshot.speedSum, static_cast<int>(snapshot.averageSpeed),
                             snapshot.usingCdn);
}

void SetupDlg::StartFrameProducer() {
  FrameProducerInputs inputs;
  inputs.paintMode = [this] { return CurrentSnapshot().paintMode; };
  inputs.installPermille = [this] { return CurrentSnapshot().installPermille; };
  inputs.onIdleFrame = [this] {
    // Only while working: in the retry state the idle frames must not hide "Try Again".
    if (eInstall == kInstallOnInstall) UpdateCtrlStatus(kCtrlWorking);
    if (const std::shared_ptr<InstallSequence> sequence = CurrentSequence()) sequence->ResetInstallProgress();
  };
  inputs.stopping = [this] { return stopFlag_.load(); };
  RECT client{};
  gui::GetClientRect(hwnd, &client);
  progress_.StartFrameProducer(client.right, client.bottom, std::move(inputs));
}

}  // namespace setup
