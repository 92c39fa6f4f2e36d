#include "telemetry/report_values.h"

namespace telemetry {

FinalOutcome DecideFinalOutcome(bool started, bool downloadEnded, bool installSucceeded, bool downloadDone) {
  if (!started) return FinalOutcome::Cancel;
  if (downloadEnded) {
    if (installSucceeded) return FinalOutcome::Success;
    return downloadDone ? FinalOutcome::InstallFail : FinalOutcome::DownloadFail;
  }
  return downloadDone ? FinalOutcome::InstallCancel : FinalOutcome::DownloadCancel;
}

const char* FinalStatusText(FinalOutcome outcome) {
  switch (outcome) {
    case FinalOutcome::Success: return install_status::kSuccess;
    case FinalOutcome::InstallFail: return install_status::kInstallFail;
    case FinalOutcome::DownloadFail: return install_status::kDownloadFail;
    case FinalOutcome::InstallCancel: return install_status::kInstallCancel;
    case FinalOutcome::DownloadCancel: return install_status::kDownloadCancel;
    case FinalOutcome::Cancel: return install_status::kCancel;
  }
  return install_status::kCancel;
}

bool CarriesInstallLog(FinalOutcome outcome) {
  return outcome == FinalOutcome::InstallFail || outcome == FinalOutcome::DownloadFail;
}

}  // namespace telemetry
