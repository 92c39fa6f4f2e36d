// Which backend runs underneath: headless when asked for, GTK otherwise.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>

#include "platform/gui/backend.h"
#include "platform/gui/headless.h"

namespace platform::gui {
namespace {

std::mutex g_backendMutex;
std::unique_ptr<Backend>& BackendSlot() {
  static auto* slot = new std::unique_ptr<Backend>();
  return *slot;
}

}  // namespace

Backend& GetBackend() {
  std::lock_guard<std::mutex> lock(g_backendMutex);
  auto& slot = BackendSlot();
  if (!slot) {
    const char* choice = std::getenv("CORVEX_GUI");
    if (choice && std::strcmp(choice, "headless") == 0) {
      slot = CreateHeadlessBackend(HeadlessOptions{});
    } else {
      slot = CreateGtkBackend();
    }
    SetUiThreadIfUnset();
  }
  return *slot;
}

void InstallBackend(std::unique_ptr<Backend> backend) {
  std::unique_ptr<Backend> old;
  std::lock_guard<std::mutex> lock(g_backendMutex);
  old = std::move(BackendSlot());
  BackendSlot() = std::move(backend);
}

}  // namespace platform::gui
