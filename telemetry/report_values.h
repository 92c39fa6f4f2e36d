// The values of "install_status" and "install_step" that the reports carry, and the
// decision which status a final report has.
#pragma once

namespace telemetry {

// The product as the reports name it ("app_id", and "subtitle" of the statistics).
inline constexpr char kReportAppId[] = "Corvex 11";

namespace install_status {
inline constexpr char kStart[] = "start";
inline constexpr char kSuccess[] = "success";
inline constexpr char kInstallFail[] = "install_fail";
inline constexpr char kDownloadFail[] = "downLoad_fail";  // spelt so on the wire
inline constexpr char kInstallCancel[] = "install_cancel";
inline constexpr char kDownloadCancel[] = "donwload_cancel";  // spelt so on the wire
inline constexpr char kCancel[] = "cancel";
inline constexpr char kCrash[] = "crash";
}  // namespace install_status

// In the order a complete run sends them.
namespace install_step {
inline constexpr char kStart[] = "start";
inline constexpr char kDownload[] = "step_download";
inline constexpr char kReadInfo[] = "step_read_info";
inline constexpr char kInstallBegin[] = "step_insatll_begin";  // misspelt on purpose: the server expects it
inline constexpr char kInstallEnd[] = "step_insatll_end";      // misspelt on purpose: the server expects it
inline constexpr char kInstallFail[] = "step_install_fail";
inline constexpr char kCreateShortcuts[] = "step_create_short";
inline constexpr char kRunRepair[] = "step_run_repair";
inline constexpr char kRunApp[] = "step_run_app";
inline constexpr char kInstallFinish[] = "step_install_finish";
inline constexpr char kClose[] = "step_close";
}  // namespace install_step

// Answers to the quit confirmation, under the extra key "close_app".
namespace close_app {
inline constexpr char kKey[] = "close_app";
inline constexpr char kDownloadingNo[] = "downloading_no";
inline constexpr char kDownloadingYes[] = "downloading_yes";
inline constexpr char kInstallingNo[] = "installing_no";
inline constexpr char kInstallingYes[] = "installing_yes";
}  // namespace close_app

enum class FinalOutcome { Success, InstallFail, DownloadFail, InstallCancel, DownloadCancel, Cancel };

// `downloadEnded`: the download engine has reported the end (finished or failed) of
// the current download.
FinalOutcome DecideFinalOutcome(bool started, bool downloadEnded, bool installSucceeded, bool downloadDone);
const char* FinalStatusText(FinalOutcome outcome);
// The failed runs upload the install log.
bool CarriesInstallLog(FinalOutcome outcome);

}  // namespace telemetry
