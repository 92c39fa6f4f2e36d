#include "base/run_mode.h"

#include <mutex>

#include "platform/path.h"
#include "platform/text.h"

namespace base {

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
  for (size_t i = 1; i < args.size() && mode.usageError.empty(); ++i) {
    const std::string& arg = args[i];
    // "/SILENT" is what the registered quiet uninstall command passes.
    if (arg == "--silent" || platform::EqualsIgnoreCase(arg, "/SILENT")) {
      mode.silent = true;
    } else if (arg == "--uninstall") {
      mode.mode = kRunModeUninstall;
    } else if (arg == "--help" || arg == "-h") {
      mode.showHelp = true;
    } else if (arg == "--version") {
      mode.showVersion = true;
    } else if (arg == "--path" || arg.rfind("--path=", 0) == 0) {
      const bool joined = arg.size() > 6;
      if (!joined && i + 1 >= args.size()) {
        mode.usageError = "--path needs a folder";
        break;
      }
      const std::string value = joined ? arg.substr(7) : args[++i];
      if (value.empty()) mode.usageError = "--path needs a folder";
      mode.presetInstallPath = platform::NarrowToWide(value);
    } else {
      mode.usageError = "unknown argument '" + arg + "'";
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

}  // namespace base
