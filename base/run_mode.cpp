#include "base/run_mode.h"

#include <mutex>

#include "platform/path.h"
#include "platform/text.h"

namespace {

std::mutex& RunModeMutex() {
  static std::mutex mutex;
  return mutex;
}

RunMode& ProcessRunMode() {
  static RunMode mode;
  return mode;
}

}  // namespace

RunMode ParseRunMode(const std::vector<std::string>& args) {
  RunMode mode;
  if (!args.empty() && platform::EqualsIgnoreCase(platform::PathFileName(args[0]), "uninstall.exe")) {
    mode.mode = kRunModeUninstall;
  }
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    // "/SILENT" is what the registered quiet uninstall command passes.
    if (arg == "--silent" || platform::EqualsIgnoreCase(arg, "/SILENT")) {
      mode.silent = true;
    } else if (arg == "--uninstall") {
      mode.mode = kRunModeUninstall;
    } else if (arg == "--path" && i + 1 < args.size()) {
      mode.presetInstallPath = platform::NarrowToWide(args[++i]);
    } else if (arg.rfind("--path=", 0) == 0) {
      mode.presetInstallPath = platform::NarrowToWide(arg.substr(7));
    }
  }
  return mode;
}

void SetRunMode(const RunMode& mode) {
  std::lock_guard<std::mutex> lock(RunModeMutex());
  ProcessRunMode() = mode;
}

bool IsSilentMode() {
  std::lock_guard<std::mutex> lock(RunModeMutex());
  return ProcessRunMode().silent;
}

int GetRunMode() {
  std::lock_guard<std::mutex> lock(RunModeMutex());
  return ProcessRunMode().mode;
}

std::wstring GetPresetInstallPath() {
  std::lock_guard<std::mutex> lock(RunModeMutex());
  return ProcessRunMode().presetInstallPath;
}
