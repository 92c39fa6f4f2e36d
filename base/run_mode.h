// The run-mode record, filled once from the command line at start-up.
#pragma once

#include <string>
#include <vector>

struct RunMode {
  bool silent = false;             // --silent: no countdown, no page, closes itself
  int mode = 0;                    // 0 install, 1 uninstall (--uninstall, or started as uninstall.exe)
  std::wstring presetInstallPath;  // --path DIR
};

inline constexpr int kRunModeInstall = 0;
inline constexpr int kRunModeUninstall = 1;

// Parses the command line (argv[0] included). Unknown arguments are ignored.
RunMode ParseRunMode(const std::vector<std::string>& args);

// The process-wide record; SetRunMode is called once at start-up on the main thread.
void SetRunMode(const RunMode& mode);
bool IsSilentMode();
int GetRunMode();
std::wstring GetPresetInstallPath();
