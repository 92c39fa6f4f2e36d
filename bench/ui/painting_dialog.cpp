// A window that paints one state of the setup dialog the way the dialog does: a
// painter thread every 10 ms while working (50 ms when ready), the frame producer
// behind the installation frames. bench/ui/run reads its CPU use from /proc.
//   corvex-bench-painting ready|download|ripple [--seconds N]
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <thread>

#include "platform/clock.h"
#include "platform/gui/draw.h"
#include "platform/gui/window.h"
#include "setup/progress_painting.h"
#include "ui/common_dlg.h"
#include "ui/control_lists.h"

using namespace download;
using namespace ui;
using namespace setup;

namespace gui = platform::gui;

namespace {

enum class State { Ready, Download, Ripple };

class PaintingDialog : public CommonDlg {
 public:
  PaintingDialog(State state, int seconds) : state_(state), seconds_(seconds) {
    scaleToDesignSize = 1;
    designWidth = 622;
    designHeight = 405;
  }

  int OnInitDialog(HWND window) override {
    CommonDlg::OnInitDialog(window);
    gui::SetWindowTextA(window, "Corvex Installer");
    if (!painter_.Load(window)) std::fprintf(stderr, "corvex-bench-painting: pictures missing\n");
    startTick_ = platform::GetTickCount();
    if (state_ == State::Ripple) {
      FrameProducerInputs inputs;
      inputs.paintMode = [] { return static_cast<int>(PaintMode::RippleWithPercentage); };
      inputs.installPermille = [this] { return static_cast<int>((platform::GetTickCount() - startTick_) / 10 % 1000); };
      inputs.stopping = [this] { return stop_.load(); };
      painter_.StartFrameProducer(622, 405, std::move(inputs));
    }
    gui::SetTimer(window, 1, static_cast<UINT>(seconds_ * 1000));
    std::thread([this] {
      while (!stop_.load()) {
        OnPaint();
        platform::SleepMs(state_ == State::Ready ? 50 : 10);
      }
      painterDone_.store(true);
    }).detach();
    return 1;
  }

  int PreHandleMessage(UINT msg, WPARAM wParam, LPARAM) override {
    if (msg == WM_TIMER && wParam == 1) {
      stop_.store(true);
      while (!painterDone_.load()) platform::SleepMs(1);
      gui::EndDialog(hwnd, 0);
      return 1;
    }
    return msg == WM_ERASEBKGND ? 1 : 0;
  }

  void OnPaint() override {
    std::lock_guard<std::mutex> lock(paintMutex_);
    HDC dc = canvas_.dc();
    switch (state_) {
      case State::Ready: painter_.PaintPage(dc, false, controls_); break;
      case State::Download: {
        // 130 MB at about 2 MB/s, as a slow line would bring it.
        const std::uint32_t now = platform::GetTickCount();
        DownloadInfo info;
        info.nFileSize = 136629912;
        info.nDownloaded = std::min<std::uint32_t>(info.nFileSize - 1, (now - startTick_) * 2048 + 1);
        info.mapItems[1] = DownloadItem{.nId = 1, .nSpeed = 2097152, .nStatus = E_Status_Runing};
        const int percent = static_cast<int>(DownloadPercentage(info.nDownloaded, info.nFileSize));
        painter_.PaintDownloadWorking(dc, percent, info, now, startTick_, false);
        break;
      }
      case State::Ripple:
        if (!painter_.PaintFrame(dc, 1, static_cast<int>((platform::GetTickCount() - startTick_) / 10 % 1000),
                                 controls_))
          return;
        break;
    }
    gui::PresentFrame(hwnd, 0, 0, 622, 405, dc, 0, 0);
  }

 private:
  State state_;
  int seconds_;
  ProgressPainter painter_;
  ControlLists controls_;
  std::mutex paintMutex_;
  gui::MemoryCanvas canvas_{622, 405};  // under paintMutex_; reused, as a fresh megabyte a frame costs page faults
  std::uint32_t startTick_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<bool> painterDone_{false};
};

PaintingDialog* g_dialog = nullptr;

INT_PTR DialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return g_dialog->DialogProc(hwnd, msg, wParam, lParam);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: corvex-bench-painting ready|download|ripple [--seconds N]\n");
    return 2;
  }
  const std::string name = argv[1];
  const State state = name == "ripple" ? State::Ripple : name == "download" ? State::Download : State::Ready;
  int seconds = 12;
  if (argc >= 4 && !std::strcmp(argv[2], "--seconds")) seconds = std::max(1, std::atoi(argv[3]));
  g_dialog = new PaintingDialog(state, seconds);  // painter threads may outlive main's frame
  const INT_PTR result = gui::DialogBoxParamW(nullptr, 130, nullptr, &DialogProc, 0);
  if (result < 0) {
    std::fprintf(stderr, "corvex-bench-painting: no display\n");
    return 1;
  }
  return 0;
}
