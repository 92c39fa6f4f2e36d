#include "download/engine_thread.h"

#include <atomic>
#include <thread>

#include <openssl/crypto.h>

#include "base/thread_annotations.h"
#include "download/downloader.h"

using base::MutexLock;

namespace download {

namespace {

// Engine threads are never waited for by the engine itself; a program about to exit
// waits here, so that no thread still holds TLS library state when it goes.
struct EngineThreads {
  base::Mutex mutex;
  base::ConditionVariable ended;
  int running GUARDED_BY(mutex) = 0;
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
    MutexLock guard(threads.mutex);
    ++threads.running;
  }
  try {
    std::thread([body = std::move(body)]() mutable {
      body();
      body = nullptr;  // what it captured goes before the thread counts as ended
      // The thread's own TLS library state, which would otherwise go only at its exit.
      OPENSSL_thread_stop();
      EngineThreads& all = Threads();
      MutexLock guard(all.mutex);
      --all.running;
      all.ended.NotifyAll();
    }).detach();
  } catch (...) {
    MutexLock guard(threads.mutex);
    --threads.running;
    return 0;
  }
  return ++serial;
}

bool WaitForDownloadThreads(std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + limit;
  EngineThreads& threads = Threads();
  MutexLock guard(threads.mutex);
  while (threads.running != 0) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) return false;
    threads.ended.WaitFor(threads.mutex, left);
  }
  return true;
}

}  // namespace download
