#include "download/engine_thread.h"

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include <openssl/crypto.h>

#include "download/downloader.h"

namespace {

// Engine threads are never waited for by the engine itself; a program about to exit
// waits here, so that no thread still holds TLS library state when it goes.
struct EngineThreads {
  std::mutex mutex;
  std::condition_variable ended;
  int running = 0;  // under mutex
};

EngineThreads& Threads() {
  // Never destroyed: detached threads may still end while static objects are torn down.
  static auto* threads = new EngineThreads;
  return *threads;
}

}  // namespace

std::uint32_t StartEngineThread(std::function<void()> body) {
  static std::atomic<std::uint32_t> serial{0};
  EngineThreads& threads = Threads();
  {
    std::lock_guard<std::mutex> guard(threads.mutex);
    ++threads.running;
  }
  try {
    std::thread([body = std::move(body)]() mutable {
      body();
      body = nullptr;  // what it captured goes before the thread counts as ended
      // The thread's own TLS library state, which would otherwise go only at its exit.
      OPENSSL_thread_stop();
      EngineThreads& all = Threads();
      std::lock_guard<std::mutex> guard(all.mutex);
      --all.running;
      all.ended.notify_all();
    }).detach();
  } catch (...) {
    std::lock_guard<std::mutex> guard(threads.mutex);
    --threads.running;
    return 0;
  }
  return ++serial;
}

bool WaitForDownloadThreads(std::chrono::milliseconds limit) {
  EngineThreads& threads = Threads();
  std::unique_lock<std::mutex> lock(threads.mutex);
  return threads.ended.wait_for(lock, limit, [&] { return threads.running == 0; });
}
