// The close report as the vendor's statistics endpoint receives it from the setup
// dialog: the option flags say what the user chose and what the boxes showed, in a
// default run, with a changed folder, and with boxes unticked by the user or by a
// previous install. corvex-devserver takes the reports; each run's download fails at
// once, so the dialog closes from its retry state.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>

#include "base/install_log.h"
#include "base/product_info.h"
#include "base/run_mode.h"
#include "install/uninstall_registration.h"
#include "platform/gui/window.h"
#include "platform/text.h"
#include "setup/run_preparation.h"
#include "setup/setup_dlg.h"
#include "setup/setup_entry.h"
#include "tests/common/free_port.h"
#include "tests/common/sandbox.h"
#include "tests/setup/dialog_test_support.h"
#include "tests/setup/test_vendor.h"
#include "ui/wnd_shadow.h"

using namespace base;
using namespace install;
using namespace ui;
using namespace setup;

namespace {

namespace fs = std::filesystem;
namespace gui = platform::gui;
using namespace dialog_test;

class CloseReport : public ::testing::Test {
 protected:
  // One vendor for the whole process: the installer reads its configuration once.
  static void SetUpTestSuite() {
    vendor_ = new TestVendor();
    ASSERT_TRUE(vendor_->Start()) << vendor_->Output();
  }
  static void TearDownTestSuite() {
    vendor_->Stop();
    delete vendor_;
  }

  void SetUp() override {
    headless::Use();
    CWndShadow::ResetForTests();
    ResetSetupDlgForTesting();
    SetRunMode(RunMode{});
    ::setenv("CORVEX_RESOURCE_OVERRIDE", (sandbox_.root() + "/resources").c_str(), 1);
    ::setenv("BROWSER", "true", 1);
    ServeManifest(sandbox_.root() + "/resources", "http://127.0.0.11:" + std::to_string(refusingMirror_.port()));
    GetLog()->Init(platform::NarrowToWide(sandbox_.root() + "/install.log"));
  }

  void TearDown() override {
    TheSetupDlg().WaitForWorker(5000);
    TheSetupDlg().FinishReports();
    for (HWND w : headless::Windows()) gui::DestroyWindow(w);
  }

  // Runs the dialog: `choose` acts on the ready page, then the install button is
  // clicked, the download fails and the dialog is closed.
  void RunAndClose(const std::function<void(SetupDlg&)>& choose) {
    headless::AddStep([&] {
      SetupDlg& dialog = TheSetupDlg();
      choose(dialog);
      Click(kInstallButton);
      ASSERT_TRUE(WaitUntil([&] { return dialog.GetInstallState() == kInstallRetry; })) << Log();
      Click(kCloseButton);
    });
    RunSetupDialog();
    TheSetupDlg().FinishReports();
  }

  static std::string LastFinalReport() { return vendor_->LastFinalReport(); }

  std::string Log() const { return testing_support::Sandbox::ReadFile(sandbox_.root() + "/install.log"); }

  static std::string EntryName() { return UninstallEntryName(PackageInfoFromProfile(*GetProductInfo())); }

  static inline TestVendor* vendor_ = nullptr;
  testing_support::Sandbox sandbox_;
  testing_support::RefusingPort refusingMirror_{"127.0.0.11"};
};

TEST_F(CloseReport, ADefaultRunReportsTheProposedFolderAndBothBoxesMarked) {
  RunAndClose([](SetupDlg&) {});
  const std::string report = LastFinalReport();
  ASSERT_FALSE(report.empty()) << vendor_->Output();
  EXPECT_TRUE(Carries(report, "install_status", "downLoad_fail")) << report;
  EXPECT_TRUE(Carries(report, "auto_install", "false")) << report;
  EXPECT_TRUE(Carries(report, "run_app", "false")) << report;
  EXPECT_TRUE(Carries(report, "change_install_path", "false")) << report;
  EXPECT_TRUE(Carries(report, "add_plan", "true")) << report;
  EXPECT_TRUE(Carries(report, "create_desktop", "true")) << report;
}

TEST_F(CloseReport, AFolderTypedIntoTheOptionsPageIsAChangedPath) {
  const std::string chosen = sandbox_.root() + "/srv/apps/Corvex 11";
  RunAndClose([&](SetupDlg& dialog) {
    Click(kCustomToggle);
    dialog.Options().SetFolderText(platform::NarrowToWide(chosen));
  });
  EXPECT_NE(Log().find("Install Path Info : " + chosen + " ."), std::string::npos) << Log();
  const std::string report = LastFinalReport();
  EXPECT_TRUE(Carries(report, "change_install_path", "true")) << report;
  EXPECT_TRUE(Carries(report, "add_plan", "true")) << report;
  EXPECT_TRUE(Carries(report, "create_desktop", "true")) << report;
}

TEST_F(CloseReport, BoxesTheUserUntickedAreReportedUnmarked) {
  RunAndClose([](SetupDlg&) {
    Click(kCustomToggle);
    Click(kDesktopBox);
    Click(kProgrammeBox);
  });
  const std::string report = LastFinalReport();
  EXPECT_TRUE(Carries(report, "change_install_path", "false")) << report;
  EXPECT_TRUE(Carries(report, "add_plan", "false")) << report;
  EXPECT_TRUE(Carries(report, "create_desktop", "false")) << report;
}

TEST_F(CloseReport, ABoxAPreviousInstallUntickedIsReportedUnmarkedThoughNobodyTouchedIt) {
  ASSERT_TRUE(SetUninstallDword(EntryName(), "cfg_flag", 2));  // programme only
  RunAndClose([](SetupDlg&) {});
  const std::string report = LastFinalReport();
  EXPECT_TRUE(Carries(report, "create_desktop", "false")) << report;
  EXPECT_TRUE(Carries(report, "add_plan", "true")) << report;
  EXPECT_TRUE(Carries(report, "change_install_path", "false")) << report;
}

}  // namespace
