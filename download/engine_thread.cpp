#include "download/engine_thread.h"

#include <atomic>
#include <thread>

std::uint32_t StartEngineThread(std::function<void()> body) {
  static std::atomic<std::uint32_t> serial{0};
  try {
    std::thread(std::move(body)).detach();
  } catch (...) {
    return 0;
  }
  return ++serial;
}
