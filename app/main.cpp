// corvex-online-setup: the whole life of the program is one modal dialog.
#include <cstdlib>
#include <string>
#include <vector>

#include "base/debug_switches.h"
#include "base/file_helpers.h"
#include "base/install_log.h"
#include "base/run_mode.h"
#include "platform/elevation.h"
#include "platform/gui/backend.h"
#include "platform/gui/headless.h"
#include "setup/diagnostics_view.h"
#include "setup/setup_entry.h"
#include "setup/uninstall_run.h"
#include "telemetry/crash_report_main.h"

namespace {

// From the project version of the build.
constexpr char kSetupVersion[] = CORVEX_SETUP_VERSION;
constexpr char kProgramTitle[] = "Corvex Setup";

}  // namespace

int main(int argc, char** argv) {
  // A crashed run starts the program again only to deliver its report.
  int exitCode = 0;
  if (RunCrashReporterIfRequested(argc, argv, &exitCode)) return exitCode;
  if (!platform::EnsureElevatedOrRelaunch(argc, argv, kProgramTitle, &exitCode)) return exitCode;

  SetRunMode(ParseRunMode(std::vector<std::string>(argv, argv + argc)));

  // The diagnostics view exists only when the debug INI asks for it; the log feeds it.
  CreateInfoViewIfEnabled();
  GetLog()->Init(GetDocumentsPath(L"Corvex11/Log/", L"install.log", true));
  GetLog()->SetLogCallback(&AppendLogLineToInfoView);
  WriteLog("Setup Init. Version %s", kSetupVersion);
  WriteLog(Is64BitWindows() ? "System Mode : x64" : "System Mode : x86");
  if (IsSetupTestMode()) WriteLog("Test Mode : true\n");

  if (GetRunMode() == kRunModeUninstall && IsSilentMode()) {
    // Unattended removal needs no window; its exit code tells whether the product is gone.
    const int uninstallCode = static_cast<int>(RunSilentUninstall());
    WriteLog("Exit app.");
    return uninstallCode;
  }

  // An unattended install needs no screen: without a display it runs the same dialog
  // on the headless backend.
  if (IsSilentMode() && !platform::gui::GetBackend().Usable()) {
    platform::gui::HeadlessOptions unattended;
    unattended.giveUpWhenIdle = false;
    platform::gui::headless::Use(unattended);
  }

  InitializeDialogSupport();
  RunSetupDialog();
  const SetupOutcome outcome = EndSetupDialog();

  WriteLog("Exit app.");
  // Interactive runs always end with 0; a silent run tells its caller whether the
  // product was installed.
  const int status = IsSilentMode() && outcome.result != SetupResult::kInstalled ? 1 : 0;
  // A worker that would not stop in time must not meet the process's destructors.
  if (!outcome.workerStopped) std::_Exit(status);
  return status;
}
