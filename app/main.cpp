// corvex-online-setup: the whole life of the program is one modal dialog.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "base/debug_switches.h"
#include "base/file_helpers.h"
#include "base/install_log.h"
#include "base/run_mode.h"
#include "download/downloader.h"
#include "platform/creation_mask.h"
#include "platform/gui/backend.h"
#include "platform/gui/headless.h"
#include "platform/instance_lock.h"
#include "setup/desktop_user_run.h"
#include "setup/diagnostics_view.h"
#include "setup/helper_protocol.h"
#include "setup/install_helper.h"
#include "setup/setup_entry.h"
#include "setup/silent_install.h"
#include "setup/uninstall_run.h"
#include "telemetry/crash_report_main.h"

using base::WriteLog;

namespace {

// From the project version of the build.
constexpr char kSetupVersion[] = CORVEX_SETUP_VERSION;

constexpr char kUsage[] =
    "Usage: corvex-online-setup [--silent] [--path DIR]\n"
    "       corvex-online-setup --uninstall [--silent] [--path DIR]\n"
    "\n"
    "Downloads, verifies and installs Corvex 11. Without arguments the setup window\n"
    "opens and the installation starts after a countdown or a click.\n"
    "\n"
    "  --silent     install (or uninstall) without a window and without questions\n"
    "  --path DIR   install into DIR instead of the proposed folder\n"
    "  --uninstall  remove the installed product\n"
    "  --help       show this text\n"
    "  --version    show the installer's version\n"
    "\n"
    "Exit status of an installation:\n"
    "  0   installed\n"
    "  1   refused: the installation folder or a system check\n"
    "  2   the download failed\n"
    "  3   the installation failed and was rolled back; nothing was changed\n"
    "  4   another installer is running\n"
    "  5   stopped by a signal; nothing was changed\n"
    "  64  the command line was not understood; nothing was done\n"
    "An unattended uninstall ends with 0 removed, 1 refused, 2 files left.\n";

// Engine threads of a stopped download may still be ending: they must not meet the TLS
// library's clean-up at exit. Those that will not end in time are left to the kernel.
int EndProcess(int status) {
  if (!download::WaitForDownloadThreads(std::chrono::seconds(5))) std::_Exit(status);
  return status;
}

// Prints the line and the usage, exit 64.
int RefuseCommandLine(const std::string& problem) {
  std::fprintf(stderr, "corvex-online-setup: %s\n\n%s", problem.c_str(), kUsage);
  return static_cast<int>(setup::SetupExitStatus::kUsage);
}

}  // namespace

int main(int argc, char** argv) {
  platform::KeepNewFilesUnwritableByOthers();
  // Started through pkexec (or as a child) to do the privileged steps of an install.
  if (argc == 2 && std::string(argv[1]) == setup::kInstallHelperArgument) return setup::RunInstallHelperProcess();
  // A crashed run starts the program again only to deliver its report.
  int exitCode = 0;
  if (telemetry::RunCrashReporterIfRequested(argc, argv, &exitCode)) return exitCode;

  const base::RunMode runMode = base::ParseRunMode(std::vector<std::string>(argv, argv + argc));
  if (!runMode.usageError.empty()) return RefuseCommandLine(runMode.usageError);
  if (runMode.showHelp) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (runMode.showVersion) {
    std::printf("corvex-online-setup %s\n", kSetupVersion);
    return 0;
  }
  // Started as root for a desktop user: that user runs the program, root serves it.
  if (setup::RunAsDesktopUserWithHelper(argc, argv, &exitCode)) return exitCode;
  base::SetRunMode(runMode);

  // The diagnostics view exists only when the debug INI asks for it; the log feeds it.
  setup::CreateInfoViewIfEnabled();
  base::GetLog()->Init(base::GetDocumentsPath(L"Corvex11/Log/", L"install.log", true));
  base::GetLog()->SetLogCallback(&setup::AppendLogLineToInfoView);
  WriteLog("Setup Init. Version %s", kSetupVersion);
  WriteLog(base::Is64BitWindows() ? "System Mode : x64" : "System Mode : x86");
  if (base::IsSetupTestMode()) WriteLog("Test Mode : true\n");

  // One installer (or uninstaller) at a time, for the whole run.
  platform::InstanceLock instanceLock;
  if (instanceLock.Acquire(platform::SetupLockPath()) == platform::InstanceLock::Result::kHeldByAnother) {
    WriteLog("Another installer is running; this one ends.");
    if (base::IsSilentMode() || !platform::gui::GetBackend().Usable()) {
      std::fprintf(stderr, "corvex-online-setup: another installation of Corvex is running; wait for it to end\n");
    } else {
      setup::ShowAnotherInstallerMessage();
    }
    WriteLog("Exit app.");
    return static_cast<int>(setup::SetupExitStatus::kAnotherInstaller);
  }

  if (base::GetRunMode() == base::kRunModeInstall && base::IsSilentMode()) {
    const setup::SetupExitStatus status = setup::RunSilentInstall();
    WriteLog("Exit app.");
    return EndProcess(static_cast<int>(status));
  }

  if (base::GetRunMode() == base::kRunModeUninstall && base::IsSilentMode()) {
    // Unattended removal needs no window; its exit code tells whether the product is gone.
    const int uninstallCode = static_cast<int>(setup::RunSilentUninstall());
    WriteLog("Exit app.");
    return uninstallCode;
  }

  setup::InitializeDialogSupport();
  setup::RunSetupDialog();
  const setup::SetupOutcome outcome = setup::EndSetupDialog();

  WriteLog("Exit app.");
  // Interactive runs always end with 0: the window told the user what happened.
  const int status = 0;
  // A worker that would not stop in time must not meet the process's destructors.
  if (!outcome.workerStopped) std::_Exit(status);
  return EndProcess(status);
}
