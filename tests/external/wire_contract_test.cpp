// The fixed texts the vendor's servers and the product's programs expect, spelt out
// here as literals: the code and the devserver share one constant, so only this test
// notices when a constant itself is mistyped.
#include <gtest/gtest.h>

#include <string_view>

#include "external/product_programs.h"
#include "external/vendor_services.h"
#include "telemetry/report_values.h"

using namespace telemetry;

namespace {

struct Contract {
  std::string_view actual;
  std::string_view expected;
};

void ExpectAll(std::initializer_list<Contract> rows) {
  for (const Contract& row : rows) EXPECT_EQ(row.actual, row.expected);
}

TEST(WireContract, MirrorAndCdnRequests) {
  ExpectAll({
      {vendor::kUrlScheme, "http://"},
      {vendor::kDownloadPath, "/download/"},
      {vendor::kCapacityPath, "/flag.php"},
      {vendor::kContentUserAgent, "Downloader"},
      {vendor::kManifestUserAgent, "Lavf/55.13.102"},
  });
}

TEST(WireContract, StatisticsAndCrashEndpoints) {
  ExpectAll({
      {vendor::kStatisticsPath, "/api/install/index_ex.php"},
      {vendor::kCrashPath, "/api/install/index_crash.php"},
      {vendor::kFormJsonData, "json_data"},
      {vendor::kFormInstallLog, "install_log"},
      {vendor::kFormAppId, "app_id"},
      {vendor::kFormAppVersion, "app_version"},
      {vendor::kFormCrashDump, "crash_dump"},
      {vendor::kFormCrashLog, "crash_log"},
      {kReportAppId, "Corvex 11"},
  });
}

TEST(WireContract, ReportValues) {
  ExpectAll({
      {install_status::kStart, "start"},
      {install_status::kSuccess, "success"},
      {install_status::kInstallFail, "install_fail"},
      {install_status::kDownloadFail, "downLoad_fail"},
      {install_status::kInstallCancel, "install_cancel"},
      {install_status::kDownloadCancel, "donwload_cancel"},
      {install_status::kCancel, "cancel"},
      {install_status::kCrash, "crash"},
      {install_step::kStart, "start"},
      {install_step::kDownload, "step_download"},
      {install_step::kReadInfo, "step_read_info"},
      {install_step::kInstallBegin, "step_insatll_begin"},
      {install_step::kInstallEnd, "step_insatll_end"},
      {install_step::kInstallFail, "step_install_fail"},
      {install_step::kCreateShortcuts, "step_create_short"},
      {install_step::kRunRepair, "step_run_repair"},
      {install_step::kRunApp, "step_run_app"},
      {install_step::kInstallFinish, "step_install_finish"},
      {install_step::kClose, "step_close"},
      {close_app::kKey, "close_app"},
      {close_app::kDownloadingNo, "downloading_no"},
      {close_app::kDownloadingYes, "downloading_yes"},
      {close_app::kInstallingNo, "installing_no"},
      {close_app::kInstallingYes, "installing_yes"},
  });
}

TEST(WireContract, WebPages) {
  ExpectAll({
      {vendor::kLicensePage, "/corvex-user-license-agreement.htm?s=corvex10&v="},
      {vendor::kExperienceProgrammePage, "/u-experience.htm?s=corvex10&v="},
      {vendor::kThankYouNewPage, "/thankyou.htm?s=corvex11&downloadmode=1&v="},
      {vendor::kThankYouUpdatePage, "/thankyou.htm?s=corvex11_update&downloadmode=1&v="},
  });
}

TEST(WireContract, ProductProgramsAndTheirParameters) {
  ExpectAll({
      {product::kMainProgram32, "Corvex.exe"},
      {product::kMainProgram64, "Corvex64.exe"},
      {product::kRepairProgram, "VexRepair.exe"},
      {product::kUninstaller, "uninstall.exe"},
      {product::kUninstallerSidecar, "uninstall.exe.bin"},
      {product::kInstallParam, "/install"},
      {product::kAddPlanParam, " /add_plan"},
      {product::kInstallIdParam, " /ID:"},
      {product::kNewParam, " /new "},
      {product::kMiniShowParam, " /minishow "},
      {product::kTimeParamFormat, " /time:%d "},
      {product::kInstallModeParam, " --installmode"},
      {product::kMiniModeParam, " --minimode"},
      {product::kQtLogParam, " /QTLOG"},
      {product::kUninstallKeepSettingsParam, "/uninstall"},
      {product::kFullUninstallParam, "/full_uninstall"},
      {product::kSilentUninstallParam, " /SILENT"},
      {product::kRanBeforeFolder, "Corvex11"},
      {product::kSettingsFolder, "Corvex 11"},
      {product::kEarlierProductKeyName, "Corvex 10"},
  });
}

}  // namespace
