#include "setup/silent_install.h"

#include <csignal>
#include <cstdio>

#include "base/install_log.h"
#include "base/product_info.h"
#include "base/run_mode.h"
#include "base/texts/ui_texts.h"
#include "external/vendor_config.h"
#include "platform/text.h"
#include "setup/close_report.h"
#include "setup/install_checks.h"
#include "setup/install_options.h"
#include "setup/install_sequence.h"
#include "setup/run_preparation.h"
#include "telemetry/crash_handler.h"
#include "telemetry/machine_identity.h"
#include "telemetry/online_statistics.h"
#include "telemetry/report_delivery.h"
#include "telemetry/report_values.h"

namespace setup {

namespace {

void SayFailure(const char* reason) {
  std::fprintf(stderr, "corvex-online-setup: %s\n", reason);
  base::WriteLog("Silent install : %s\n", reason);
}

SetupExitStatus StatusOf(InstallOutcome outcome) {
  switch (outcome) {
    case InstallOutcome::kInstalled: return SetupExitStatus::kInstalled;
    case InstallOutcome::kRefused: return SetupExitStatus::kRefused;
    case InstallOutcome::kDownloadFailed: return SetupExitStatus::kDownloadFailed;
    case InstallOutcome::kInstallFailed: return SetupExitStatus::kInstallFailed;
    case InstallOutcome::kCancelled:
    case InstallOutcome::kRunning: break;
  }
  return SetupExitStatus::kStopped;
}

// SIGTERM and SIGINT stop the sequence, which rolls back before the process ends.
InstallSequence* g_stoppable = nullptr;

extern "C" void StopOnSignal(int) {
  if (g_stoppable) g_stoppable->RequestCancelFromSignal();
}

}  // namespace

SetupExitStatus RunSilentInstall() {
  telemetry::InstallCrashFilter();
  telemetry::EnsureProcessGuid();
  base::SetLanguage(L"Corvex", 0, HostNameOf(GetVendorConfig().webSite));
  const std::shared_ptr<base::IProductInfo> profile = base::GetProductInfo();
  const install::PackageInfo info = PackageInfoFromProfile(*profile);
  const DWORD installOptions = ReadInstallOptions(info);
  std::wstring installPath = ChooseInitialInstallFolder(info, base::GetPresetInstallPath());
  CloseReportFlags& flags = GetCloseReportFlags();
  flags.desktopTicked = WantsDesktopShortcuts(installOptions);
  flags.programmeTicked = WantsJoinProgramme(installOptions);

  telemetry::ReportDelivery reports;
  const std::shared_ptr<telemetry::OnlineStatistics> statistics = telemetry::CreateRunStatistics(info.is64Bit != 0);
  const auto recordStep = [&](const char* step) {
    if (statistics) reports.StartStepReport(statistics, step);
  };
  if (statistics) reports.StartStartReport(statistics);
  recordStep(telemetry::install_step::kStart);
  const auto finish = [&](SetupExitStatus status) {
    if (statistics) reports.DeliverFinalReport(statistics, MakeFinalReportFlags());
    reports.Finish();
    return status;
  };

  const InstallCheckOutcome check = EvaluateInstallConditions(info, installPath, installPath);
  if (check.result != InstallCheck::kPassed) {
    SayFailure(InstallCheckReason(check.result));
    return finish(SetupExitStatus::kRefused);
  }
  flags.folderChecked = true;
  if (check.folderUnchanged) flags.folderUnchanged = true;

  std::string versionText;
  LoadVersionTextResource(info.is64Bit != 0, versionText);
  InstallRequest request;
  request.packageInfo = info;
  request.installPath = installPath;
  request.installOptions = installOptions;
  request.joinProgramme = false;  // no options page: nobody ticked the box
  request.silent = true;
  request.versionText = [versionText] { return versionText; };
  InstallHooks hooks;
  hooks.statistics = statistics;
  hooks.recordStep = recordStep;
  InstallSequence sequence(std::move(request), std::move(hooks));

  // From here to the end a stop request only asks the sequence to stop: once the
  // product is installed it is too late, and the run still ends as installed.
  g_stoppable = &sequence;
  std::signal(SIGTERM, StopOnSignal);
  std::signal(SIGINT, StopOnSignal);
  sequence.Run();

  const InstallSnapshot end = sequence.Snapshot();
  if (end.outcome == InstallOutcome::kCancelled)
    SayFailure("stopped by a signal; nothing was changed");
  else if (end.outcome != InstallOutcome::kInstalled)
    SayFailure(InstallFailureReason(end.failure));
  const SetupExitStatus status = finish(StatusOf(end.outcome));
  g_stoppable = nullptr;
  return status;
}

}  // namespace setup
