// The run-mode record, filled once from the command line at start-up.
#pragma once

#include <string>
#include <vector>

namespace base {

struct RunMode {
  bool silent = false;             // --silent: no countdown, no page, closes itself
  int mode = 0;                    // 0 install, 1 uninstall (--uninstall, or started as uninstall.exe)
  std::wstring presetInstallPath;  // --path DIR
  bool showHelp = false;           // --help
  bool showVersion = false;        // --version
  std::string usageError;          // not empty: the command line is refused, nothing is done
};

inline constexpr int kRunModeInstall = 0;
inline constexpr int kRunModeUninstall = 1;

// Parses the command line (argv[0] included). An unknown argument, or --path without
// a folder, sets `usageError`.
RunMode ParseRunMode(const std::vector<std::string>& args);

// The process-wide record; SetRunMode is called once at start-up on the main thread.
void SetRunMode(const RunMode& mode);
bool IsSilentMode();
int GetRunMode();
std::wstring GetPresetInstallPath();

}  // namespace base
