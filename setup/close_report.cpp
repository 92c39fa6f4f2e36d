#include "setup/close_report.h"

#include "setup/install_state.h"

namespace setup {

CloseReportFlags& GetCloseReportFlags() {
  static CloseReportFlags flags;
  return flags;
}

void ResetCloseReportFlags() {
  CloseReportFlags& flags = GetCloseReportFlags();
  flags.downloadDone = false;
  flags.startedByCountdown = false;
  flags.launchedFromFinish = false;
  flags.folderUnchanged = false;
  flags.folderChecked = false;
  flags.programmeTicked = true;
  flags.desktopTicked = true;
}

telemetry::FinalReportFlags MakeFinalReportFlags() {
  const CloseReportFlags& flags = GetCloseReportFlags();
  telemetry::FinalReportFlags report;
  // Decides the install status: a download that has ended, finished or failed.
  report.downloadEnded = flags.downloadDone;
  // "auto_install": the countdown, not the user, started the installation.
  report.autoInstall = flags.startedByCountdown;
  // "run_app": the user pressed the finish button that starts the product.
  report.runApp = flags.launchedFromFinish;
  // "change_install_path": the user chose a folder other than the proposed one. The
  // dialog records the opposite ("unchanged"), and only once the checks passed, so a
  // run closed before them proposed a folder nobody changed.
  report.changedInstallPath = flags.folderChecked && !flags.folderUnchanged;
  // "add_plan" and "create_desktop": the boxes as they are marked, which a previous
  // install's options may have unticked before the user saw them.
  report.addPlan = flags.programmeTicked;
  report.createDesktop = flags.desktopTicked;
  return report;
}

}  // namespace setup
