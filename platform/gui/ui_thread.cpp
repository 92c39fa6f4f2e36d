// The UI thread and the work other threads hand to it.
#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

#include "platform/gui/backend.h"
#include "platform/gui/window.h"

namespace platform::gui {
namespace {

std::atomic<std::thread::id> g_uiThread{};

std::mutex g_queueMutex;
std::deque<std::function<void()>>& Queue() {
  static auto* queue = new std::deque<std::function<void()>>();
  return *queue;
}

// UI thread only.

}  // namespace

void SetUiThreadToCurrent() { g_uiThread = std::this_thread::get_id(); }

void SetUiThreadIfUnset() {
  std::thread::id unset{};
  g_uiThread.compare_exchange_strong(unset, std::this_thread::get_id());
}

bool IsUiThread() {
  const std::thread::id ui = g_uiThread.load();
  return ui == std::thread::id() || ui == std::this_thread::get_id();
}

void PostToUi(std::function<void()> task) {
  {
    std::lock_guard<std::mutex> lock(g_queueMutex);
    Queue().push_back(std::move(task));
  }
  GetBackend().Wake();
}

void SendToUi(std::function<void()> task) {
  if (IsUiThread()) {
    task();
    return;
  }
  std::mutex m;
  std::condition_variable cv;
  bool done = false;
  PostToUi([&] {
    task();
    std::lock_guard<std::mutex> lock(m);
    done = true;
    cv.notify_all();
  });
  std::unique_lock<std::mutex> lock(m);
  cv.wait(lock, [&] { return done; });
}

void DrainUiQueue() {
  // One batch: what the tasks post runs at the next turn of the loop, after the
  // window system's own events.
  std::deque<std::function<void()>> batch;
  {
    std::lock_guard<std::mutex> lock(g_queueMutex);
    batch.swap(Queue());
  }
  for (auto& task : batch) task();
}

bool HasQueuedUiTasks() {
  std::lock_guard<std::mutex> lock(g_queueMutex);
  return !Queue().empty();
}

}  // namespace platform::gui
