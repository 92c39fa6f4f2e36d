// corvex-online-setup: the whole life of the program is one modal dialog.
#include <string>
#include <vector>

#include "base/debug_switches.h"
#include "base/file_helpers.h"
#include "base/install_log.h"
#include "base/run_mode.h"
#include "platform/elevation.h"
#include "setup/setup_entry.h"
#include "setup/uninstall_run.h"
#include "telemetry/crash_report_main.h"

namespace {

// From the project version of the build.
constexpr char kSetupVersion[] = CORVEX_SETUP_VERSION;
constexpr char kProgramTitle[] = "Corvex Setup";

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
  if (!platform::EnsureElevatedOrRelaunch(argc, argv, kProgramTitle, &exitCode)) return exitCode;

  SetRunMode(ParseRunMode(std::vector<std::string>(argv, argv + argc)));

  OpenInfoViewIfEnabled();
  GetLog()->Init(GetDocumentsPath(L"Corvex11/Log/", L"install.log", true));
  GetLog()->SetLogCallback(&LogListener);
  WriteLog("Setup Init. Version %s", kSetupVersion);
  WriteLog(Is64BitWindows() ? "System Mode : x64" : "System Mode : x86");
  if (IsSetupTestMode()) WriteLog("Test Mode : true\n");

  if (GetRunMode() == kRunModeUninstall && IsSilentMode()) {
    // Unattended removal needs no window; its exit code tells whether the product is gone.
    const int uninstallCode = static_cast<int>(RunSilentUninstall());
    WriteLog("Exit app.");
    return uninstallCode;
  }

  InitializeDialogSupport();
  RunSetupDialog();

  WriteLog("Exit app.");
  return 0;
}
