// The live windows by handle.
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform/gui/window.h"
#include "platform/gui/window_model.h"

namespace platform::gui {
namespace {

std::mutex g_registryMutex;
std::unordered_map<HWND, std::shared_ptr<Window>>& Registry() {
  static auto* registry = new std::unordered_map<HWND, std::shared_ptr<Window>>();
  return *registry;
}

}  // namespace

std::shared_ptr<Window> FindWindowShared(HWND handle) {
  std::lock_guard<std::mutex> lock(g_registryMutex);
  auto it = Registry().find(handle);
  return it == Registry().end() ? nullptr : it->second;
}

HWND RegisterWindow(std::shared_ptr<Window> window) {
  HWND handle = window.get();
  std::lock_guard<std::mutex> lock(g_registryMutex);
  Registry()[handle] = std::move(window);
  return handle;
}

void UnregisterWindow(HWND handle) {
  std::shared_ptr<Window> keep;  // freed outside the lock
  std::lock_guard<std::mutex> lock(g_registryMutex);
  auto it = Registry().find(handle);
  if (it != Registry().end()) {
    keep = it->second;
    Registry().erase(it);
  }
}

std::vector<HWND> AllWindows() {
  std::lock_guard<std::mutex> lock(g_registryMutex);
  std::vector<HWND> out;
  for (auto& [handle, window] : Registry()) out.push_back(handle);
  return out;
}

BOOL IsWindow(HWND w) { return w && FindWindowShared(w) != nullptr; }

}  // namespace platform::gui
