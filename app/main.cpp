// corvex-online-setup: the whole life of the program is one modal dialog.
#include <string>
#include <vector>

#include "base/debug_switches.h"
#include "base/file_helpers.h"
#include "base/install_log.h"
#include "base/run_mode.h"
#include "platform/elevation.h"
#include "setup/setup_entry.h"
#include "telemetry/crash_report_main.h"

namespace {

constexpr char kSetupVersion[] = "1.0.6.0";

// The diagnostics view attaches here once it exists; until then the listener is idle.
int LogListener(const char* /*text*/) { return 1; }

int OpenInfoViewIfEnabled() {
  if (IsInfoViewEnabled()) {
    // The diagnostics view is opened here when it is part of the build.
  }
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  // A crashed run starts the program again only to deliver its report.
  int exitCode = 0;
  if (RunCrashReporterIfRequested(argc, argv, &exitCode)) return exitCode;
  if (!platform::EnsureElevatedOrRelaunch(argc, argv, &exitCode)) return exitCode;

  SetRunMode(ParseRunMode(std::vector<std::string>(argv, argv + argc)));

  OpenInfoViewIfEnabled();
  GetLog()->Init(GetDocumentsPath(L"Corvex11/Log/", L"install.log", true));
  GetLog()->SetLogCallback(&LogListener);
  WriteLog("Setup Init. Version %s", kSetupVersion);
  WriteLog(Is64BitWindows() ? "System Mode : x64" : "System Mode : x86");
  if (IsSetupTestMode()) WriteLog("Test Mode : true\n");

  InitializeDialogSupport();
  RunSetupDialog();

  WriteLog("Exit app.");
  return 0;
}
