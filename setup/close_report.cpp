#include "setup/close_report.h"

#include "setup/install_state.h"

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

FinalReportFlags MakeFinalReportFlags() {
  const CloseReportFlags& flags = GetCloseReportFlags();
  FinalReportFlags report;
  report.downloadEnded = flags.downloadDone;
  report.autoInstall = flags.startedByCountdown;
  report.runApp = flags.launchedFromFinish;
  // "change_install_path": the user chose a folder other than the proposed one. The
  // dialog records the opposite ("unchanged"), and only once the checks passed.
  report.changedInstallPath = flags.folderChecked && !flags.folderUnchanged;
  // "add_plan" and "create_desktop": the boxes as they are marked, which a previous
  // install's options may have unticked before the user saw them.
  report.addPlan = flags.programmeTicked;
  report.createDesktop = flags.desktopTicked;
  return report;
}
