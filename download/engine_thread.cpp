#include "download/engine_thread.h"

#include <atomic>
#include <condition_variable>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "download/downloader.h"

namespace {

// Engine threads are never waited for by the engine itself; a program about to exit
// waits here, so that no thread is still inside the TLS library when it goes.
struct EngineThreads {
  std::mutex mutex;
  std::condition_variable ended;
  std::map<std::thread::id, std::thread> running;
  std::vector<std::thread> exiting;  // bodies have returned: only the thread's exit is left
};

EngineThreads& Threads() {
  // Never destroyed: threads may still end while static objects are torn down.
  static auto* threads = new EngineThreads;
  return *threads;
}

void JoinExiting(std::unique_lock<std::mutex>& lock) {
  std::vector<std::thread> exiting = std::move(Threads().exiting);
  Threads().exiting.clear();
  lock.unlock();
  for (std::thread& thread : exiting) thread.join();
  lock.lock();
}

}  // namespace

std::uint32_t StartEngineThread(std::function<void()> body) {
  static std::atomic<std::uint32_t> serial{0};
  EngineThreads& threads = Threads();
  std::unique_lock<std::mutex> lock(threads.mutex);
  JoinExiting(lock);
  try {
    // The lock is held until the handle is filed, which the thread's end waits for.
    std::thread thread([body = std::move(body)]() mutable {
      body();
      body = nullptr;  // what it captured goes before the thread counts as ended
      EngineThreads& all = Threads();
      std::lock_guard<std::mutex> guard(all.mutex);
      auto it = all.running.find(std::this_thread::get_id());
      if (it != all.running.end()) {
        all.exiting.push_back(std::move(it->second));
        all.running.erase(it);
      }
      all.ended.notify_all();
    });
    const std::thread::id id = thread.get_id();
    threads.running.emplace(id, std::move(thread));
  } catch (...) {
    return 0;
  }
  return ++serial;
}

bool WaitForDownloadThreads(std::chrono::milliseconds limit) {
  EngineThreads& threads = Threads();
  std::unique_lock<std::mutex> lock(threads.mutex);
  const bool allEnded = threads.ended.wait_for(lock, limit, [&] { return threads.running.empty(); });
  JoinExiting(lock);
  return allEnded;
}
