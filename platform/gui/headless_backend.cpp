#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <optional>

#include "platform/gui/backend.h"
#include "platform/gui/headless.h"

namespace platform::gui {
namespace {

class HeadlessBackend : public Backend {
 public:
  explicit HeadlessBackend(const HeadlessOptions& options) : options_(options) {}

  bool Usable() override { return true; }
  int ScreenDpi() override { return options_.dpi; }
  RECT PrimaryMonitor() override { return RECT{0, 0, options_.screenWidth, options_.screenHeight}; }
  bool Composited() override { return options_.composited; }

  bool CreatePeer(Window&) override { return true; }
  void DestroyPeer(Window&) override {}
  void GeometryChanged(Window&) override {}
  void VisibilityChanged(Window&, bool) override {}
  void Minimize(Window&) override {}
  void TitleChanged(Window&) override {}
  void IconChanged(Window&, const Bitmap&) override {}
  void EnabledChanged(Window&) override {}
  void ModalChanged(Window&, bool) override {}
  void BeginMoveDrag(Window& window, POINT screenPoint) override {
    std::lock_guard<std::mutex> lock(mutex_);
    drags_.push_back(headless::MoveDrag{&window, screenPoint});
  }
  void CaptureChanged(Window*) override {}
  void FramePresented(HWND) override {}
  void ChildTextChanged(Window&) override {}
  void ChildListChanged(Window&) override {}

  unsigned AddTimer(HWND window, UINT_PTR id, UINT periodMs) override {
    const unsigned token = ++nextToken_;
    timers_[token] = TimerEntry{window, id, periodMs, now_ + periodMs};
    return token;
  }
  void RemoveTimer(unsigned token) override { timers_.erase(token); }

  void Wake() override {
    std::lock_guard<std::mutex> lock(mutex_);
    woken_ = true;
    wakeup_.notify_all();
  }

  bool RunUntil(const std::function<bool()>& done) override {
    auto lastProgress = std::chrono::steady_clock::now();
    for (;;) {
      DrainUiQueue();
      if (done()) return true;
      std::function<void()> step;
      {
        std::lock_guard<std::mutex> lock(mutex_);
        if (!steps_.empty()) {
          step = std::move(steps_.front());
          steps_.pop_front();
        }
      }
      if (step) {
        step();
        lastProgress = std::chrono::steady_clock::now();
        continue;
      }
      std::unique_lock<std::mutex> lock(mutex_);
      wakeup_.wait_for(lock, std::chrono::milliseconds(100), [this] { return woken_ || !steps_.empty(); });
      woken_ = false;
      if (options_.giveUpWhenIdle && steps_.empty() &&
          std::chrono::steady_clock::now() - lastProgress > std::chrono::seconds(5)) {
        return false;  // the script ran out and nobody else ends the run
      }
    }
  }

  int ShowPlainMessageBox(HWND, const std::wstring& text, const std::wstring& caption, UINT type) override {
    std::lock_guard<std::mutex> lock(mutex_);
    messageBoxes_.push_back(caption + L": " + text);
    if (!messageBoxAnswers_.empty()) {
      const int answer = messageBoxAnswers_.front();
      messageBoxAnswers_.pop_front();
      return answer;
    }
    return (type & 0xF) == MB_YESNO ? IDYES : IDOK;
  }

  bool PickFolder(HWND, const std::wstring&, std::wstring& path) override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (folderAnswers_.empty()) return false;
    auto answer = folderAnswers_.front();
    folderAnswers_.pop_front();
    if (!answer) return false;
    path = *answer;
    return true;
  }

  // Test interface.
  void AddStep(std::function<void()> step) {
    std::lock_guard<std::mutex> lock(mutex_);
    steps_.push_back(std::move(step));
    wakeup_.notify_all();
  }

  void AdvanceTime(UINT ms) {
    const std::uint64_t target = now_ + ms;
    for (;;) {
      auto next = timers_.end();
      for (auto it = timers_.begin(); it != timers_.end(); ++it) {
        if (it->second.due <= target && (next == timers_.end() || it->second.due < next->second.due)) next = it;
      }
      if (next == timers_.end()) break;
      now_ = next->second.due;
      next->second.due += next->second.period;
      const HWND window = next->second.window;
      const UINT_PTR id = next->second.id;
      DeliverTimer(window, id);
      DrainUiQueue();
    }
    now_ = target;
  }

  std::vector<headless::MoveDrag> Drags() {
    std::lock_guard<std::mutex> lock(mutex_);
    return drags_;
  }
  void AnswerMessageBox(int result) {
    std::lock_guard<std::mutex> lock(mutex_);
    messageBoxAnswers_.push_back(result);
  }
  void AnswerFolder(std::optional<std::wstring> answer) {
    std::lock_guard<std::mutex> lock(mutex_);
    folderAnswers_.push_back(std::move(answer));
  }
  std::vector<std::wstring> MessageBoxes() {
    std::lock_guard<std::mutex> lock(mutex_);
    return messageBoxes_;
  }

 private:
  struct TimerEntry {
    HWND window;
    UINT_PTR id;
    UINT period;
    std::uint64_t due;
  };

  const HeadlessOptions options_;
  // UI thread.
  std::map<unsigned, TimerEntry> timers_;
  unsigned nextToken_ = 0;
  std::uint64_t now_ = 0;
  // Shared with other threads.
  std::mutex mutex_;
  std::condition_variable wakeup_;
  bool woken_ = false;
  std::deque<std::function<void()>> steps_;
  std::vector<headless::MoveDrag> drags_;
  std::deque<int> messageBoxAnswers_;
  std::deque<std::optional<std::wstring>> folderAnswers_;
  std::vector<std::wstring> messageBoxes_;
};

HeadlessBackend* Headless() { return dynamic_cast<HeadlessBackend*>(&GetBackend()); }

}  // namespace

std::unique_ptr<Backend> CreateHeadlessBackend(const HeadlessOptions& options) {
  return std::make_unique<HeadlessBackend>(options);
}

namespace headless {

void Use(const HeadlessOptions& options) {
  InstallBackend(CreateHeadlessBackend(options));
  SetUiThreadToCurrent();
}

void AddStep(std::function<void()> step) {
  if (auto* h = Headless()) h->AddStep(std::move(step));
}

void MouseMove(HWND window, int x, int y, bool leftDown) {
  DeliverMouse(window, WM_MOUSEMOVE, x, y, leftDown ? MK_LBUTTON : 0);
}
void LeftDown(HWND window, int x, int y) { DeliverMouse(window, WM_LBUTTONDOWN, x, y, MK_LBUTTON); }
void LeftUp(HWND window, int x, int y) { DeliverMouse(window, WM_LBUTTONUP, x, y, 0); }
void Click(HWND window, int x, int y) {
  MouseMove(window, x, y, false);
  LeftDown(window, x, y);
  LeftUp(window, x, y);
}
void Key(HWND window, WPARAM virtualKey) { DeliverKey(window, virtualKey); }
void CloseByWindowManager(HWND window) { DeliverCloseRequest(window); }
void Restore(HWND window) { DeliverMinimized(window, false); }
void RunQueuedTasks() {
  // Bounded, so that a task that keeps posting shows up as a test failure, not a hang.
  for (int round = 0; round < 100 && HasQueuedUiTasks(); ++round) DrainUiQueue();
}

void AdvanceTime(UINT ms) {
  if (auto* h = Headless()) h->AdvanceTime(ms);
}

HWND ActiveDialog() { return InnermostModalDialog(); }

int FramesPresented(HWND window) {
  auto w = FindWindowShared(window);
  return w ? w->framesPresented.load() : 0;
}

std::vector<std::uint32_t> Frame(HWND window, int* width, int* height) {
  auto w = FindWindowShared(window);
  if (!w) return {};
  std::lock_guard<std::mutex> lock(w->frameMutex);
  if (width) *width = w->frameWidth;
  if (height) *height = w->frameHeight;
  return w->frame;
}

std::vector<std::uint32_t> LayeredPicture(HWND window, int* width, int* height) {
  auto w = FindWindowShared(window);
  if (!w) return {};
  std::lock_guard<std::mutex> lock(w->frameMutex);
  if (width) *width = w->layeredWidth;
  if (height) *height = w->layeredHeight;
  return w->layered;
}

std::vector<MoveDrag> MoveDrags() {
  auto* h = Headless();
  return h ? h->Drags() : std::vector<MoveDrag>{};
}

std::vector<HWND> Windows() { return AllWindows(); }

void AnswerMessageBox(int result) {
  if (auto* h = Headless()) h->AnswerMessageBox(result);
}
void AnswerFolderPicker(bool chosen, const std::wstring& path) {
  if (auto* h = Headless()) h->AnswerFolder(chosen ? std::optional<std::wstring>(path) : std::nullopt);
}
std::vector<std::wstring> MessageBoxesShown() {
  auto* h = Headless();
  return h ? h->MessageBoxes() : std::vector<std::wstring>{};
}

}  // namespace headless
}  // namespace platform::gui
