// The end of an installation in the setup dialog, with the real install worker and
// helper on a freshly packed product served by corvex-devserver: a payload that
// cannot be unpacked ends in "Install Failed!" without a launch button; a finished
// install's button starts the product for the desktop user and closes the dialog.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>
#include <string>
#include <vector>

#include "base/install_log.h"
#include "base/product_info.h"
#include "base/run_mode.h"
#include "base/texts/ui_texts.h"
#include "platform/gui/window.h"
#include "platform/text.h"
#include "setup/install_options.h"
#include "setup/install_sequence.h"
#include "setup/run_preparation.h"
#include "setup/setup_dlg.h"
#include "setup/setup_entry.h"
#include "tests/common/x_server.h"
#include "tests/e2e/install_machine.h"
#include "tests/setup/dialog_test_support.h"
#include "tests/setup/test_vendor.h"
#include "ui/wnd_shadow.h"

using namespace base;
using namespace ui;
using namespace setup;

namespace {

namespace fs = std::filesystem;
namespace gui = platform::gui;
using namespace dialog_test;
using e2e::ReadFile;
using e2e::WriteFile;

constexpr int kDesktopUid = 65534;

class DialogInstall : public e2e::InstallEndToEnd {
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
    InstallEndToEnd::SetUp();
    headless::Use();
    CWndShadow::ResetForTests();
    ResetSetupDlgForTesting();
    SetRunMode(RunMode{});
    for (const auto& [name, value] : Environment()) {
      if (name != "CORVEX_VENDOR_CONFIG" && name != "DISPLAY" && name != "WAYLAND_DISPLAY") {
        ::setenv(name.c_str(), value.c_str(), 1);
      }
    }
    if (!std::getenv("CORVEX_HELPER_PROGRAM")) ::setenv("CORVEX_HELPER_PROGRAM", SetupProgram().c_str(), 1);
    // The product stub notes every start here, in a folder the desktop user may write.
    stubLog_ = (stubFolder_.Path() / "product-stub.log").string();
    ::setenv("CORVEX_STUB_LOG", stubLog_.c_str(), 1);
    GetLog()->Init(platform::NarrowToWide(installLog().string()));
  }

  void TearDown() override {
    TheSetupDlg().WaitForWorker(5000);
    TheSetupDlg().FinishReports();
    for (HWND w : headless::Windows()) gui::DestroyWindow(w);
    for (const char* name : {"CORVEX_STUB_LOG", "SUDO_UID", "DISPLAY"}) ::unsetenv(name);
  }

  // Flips one byte inside the packed data file, so that the package still arrives
  // whole and verified but its payload cannot be unpacked.
  void SpoilPayload() {
    const std::string data = ReadFile(folder_ / "payload/data.bin");
    std::string bytes = ReadFile(package_);
    const size_t at = bytes.find(data.substr(1 << 20, 64));
    ASSERT_NE(at, std::string::npos) << "the package stores the data file as it is";
    bytes[at + 10] = static_cast<char>(bytes[at + 10] ^ 0x5A);
    WriteFile(package_, bytes);
  }

  // Clicks install and waits for the finished or failed page.
  void InstallAndWait(SetupDlg& dialog) {
    Click(kInstallButton);
    ASSERT_TRUE(WaitUntil([&] { return dialog.GetInstallState() == kInstallAfterInstall; }, 90000)) << Log();
  }

  // The sequence alone, as the dialog starts it, with a recorder for its step reports.
  std::vector<std::string> RunSequenceRecordingSteps() {
    std::vector<std::string> steps;
    std::mutex stepsMutex;
    InstallRequest request;
    request.packageInfo = PackageInfoFromProfile(*GetProductInfo());
    request.installPath = ChooseInitialInstallFolder(request.packageInfo, L"");
    request.versionText = [] { return std::string("11.0.9.2 official (16/06/2020)"); };
    InstallHooks hooks;
    hooks.recordStep = [&](const char* step) {
      std::lock_guard<std::mutex> lock(stepsMutex);
      steps.emplace_back(step);
    };
    InstallSequence sequence(std::move(request), std::move(hooks));
    sequence.Run();
    return steps;
  }

  static inline TestVendor* vendor_ = nullptr;
  testing_support::TempFolder stubFolder_{"corvex-stub", testing_support::TempFolder::Access::kEveryone};
  std::string stubLog_;
};

TEST_F(DialogInstall, APayloadThatCannotBeUnpackedEndsInInstallFailedWithoutTheLaunchButton) {
  SpoilPayload();
  ServeMirrors(e2e::kGoodMirrors);
  bool buttonShown = true;
  headless::AddStep([&] {
    SetupDlg& dialog = TheSetupDlg();
    InstallAndWait(dialog);
    ASSERT_TRUE(WaitUntil([] { return !headless::MessageBoxesShown().empty(); }));
    buttonShown = dialog.InstallButton()->IsVisible();
    Click(kCloseButton);  // a failed install has ended: no question
  });
  RunSetupDialog();

  const std::vector<std::wstring> boxes = headless::MessageBoxesShown();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].rfind(L"ERROR: Install Failed!", 0), 0u) << platform::WideToNarrow(boxes[0]);
  EXPECT_FALSE(buttonShown) << "nothing to launch";
  EXPECT_EQ(TheSetupDlg().Outcome(), InstallOutcome::kInstallFailed);
  EXPECT_FALSE(fs::exists(installFolder() / "uninstall.exe")) << Log();
  EXPECT_EQ(RegQuery().find("InstallLocation"), std::string::npos);
  EXPECT_EQ(ReadFile(stubLog_), "") << "the product never ran";
  EXPECT_NE(Log().find("Download Finish Result : succeed(5)."), std::string::npos) << Log();
}

TEST_F(DialogInstall, TheFinishButtonStartsTheProductForTheDesktopUserAndCloses) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root to start the product as another user";
  testing_support::XServer x;
  ASSERT_FALSE(x.display().empty()) << "Xvfb did not start";
  // The desktop user reaches the installed product, as on a machine.
  fs::permissions(folder_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                               fs::perms::others_read | fs::perms::others_exec);
  ServeMirrors(e2e::kGoodMirrors);
  std::wstring caption;
  headless::AddStep([&] {
    SetupDlg& dialog = TheSetupDlg();
    InstallAndWait(dialog);
    ASSERT_TRUE(WaitUntil([&] { return dialog.ProductInstalled(); })) << Log();
    caption = dialog.InstallButton()->GetCaption();
    fs::remove(stubLog_);  // the install step's own start of the product
    // The desktop user appears only now, so that the installation ran as before.
    ::setenv("DISPLAY", x.display().c_str(), 1);
    ::setenv("SUDO_UID", std::to_string(kDesktopUid).c_str(), 1);
    Click(kInstallButton);
  });
  RunSetupDialog();

  EXPECT_EQ(caption, GetText(9));
  EXPECT_EQ(headless::ActiveDialog(), nullptr) << "the finish button closes the dialog";
  EXPECT_TRUE(GetCloseReportFlags().launchedFromFinish);
  const std::string mainProgram = (installFolder() / (x64_ ? "Corvex64.exe" : "Corvex.exe")).string();
  const std::string log = Log();
  const size_t clicked = log.find("OnBtnInstall(AfterInstall)");
  const size_t run = log.find("Run Vex!!! " + mainProgram);
  const size_t closing = log.find("Finish and Close Setup!");
  ASSERT_NE(clicked, std::string::npos) << log;
  ASSERT_NE(run, std::string::npos) << log;
  ASSERT_NE(closing, std::string::npos) << log;
  EXPECT_LT(clicked, run);
  EXPECT_LT(run, closing);
  // The product in its install mode, started as the desktop user: the stub's note is theirs.
  const std::string name = x64_ ? "Corvex64.exe" : "Corvex.exe";
  EXPECT_TRUE(WaitUntil([&] { return ReadFile(stubLog_) == name + "\t--installmode\n"; })) << ReadFile(stubLog_);
  struct stat note {};
  ASSERT_EQ(::stat(stubLog_.c_str(), &note), 0);
  EXPECT_EQ(note.st_uid, static_cast<uid_t>(kDesktopUid));
}

// A close while the product's own install step runs asks first; "No" goes on, a later
// "Yes" stops the installation, which rolls back. The report keeps the first answer.
TEST_F(DialogInstall, ClosingWhileInstallingAsksAndTheFirstAnswerIsReported) {
  ServeMirrors(e2e::kGoodMirrors);
  ::setenv("CORVEX_STUB_MS", "5000", 1);  // the product's install step takes its time
  bool keptAfterNo = false;
  headless::AddStep([&] {
    SetupDlg& dialog = TheSetupDlg();
    HWND main = headless::ActiveDialog();
    Click(kInstallButton);
    ASSERT_TRUE(WaitUntil([&] { return Log().find("Run MainExe.exe /install") != std::string::npos; }, 90000)) << Log();
    ASSERT_EQ(dialog.GetStage(), kStageInstalling);
    headless::AddStep([] { Click(kQuestionNo); });
    gui::SendMessageW(main, WM_CLOSE, 0, 0);
    keptAfterNo = headless::ActiveDialog() == main && gui::IsWindowVisible(main);
    headless::AddStep([] { Click(kQuestionYes); });
    gui::SendMessageW(main, WM_CLOSE, 0, 0);
    // The dialog ends once the sequence has rolled back.
    ASSERT_TRUE(WaitUntil([&] { return dialog.Outcome() != InstallOutcome::kRunning; }, 60000)) << Log();
    WaitUntil([] { return false; }, 300);  // the posted end of the dialog
  });
  RunSetupDialog();
  TheSetupDlg().FinishReports();

  EXPECT_TRUE(keptAfterNo);
  EXPECT_EQ(headless::ActiveDialog(), nullptr) << "\"Yes\" closes the dialog once the installation stopped";
  EXPECT_EQ(TheSetupDlg().Outcome(), InstallOutcome::kCancelled) << Log();
  EXPECT_FALSE(fs::exists(installFolder() / "uninstall.exe")) << "rolled back\n" << Log();
  const std::string report = vendor_->LastFinalReport();
  EXPECT_TRUE(Carries(report, "close_app", "installing_no")) << report;
  EXPECT_TRUE(Carries(report, "install_status", "install_fail")) << report;
}

// Each step report posts from a thread of its own, so only the order in which the
// sequence records them is fixed; the vendor sees them in any order.
TEST_F(DialogInstall, TheSequenceRecordsItsStepsInTheirOrder) {
  ServeMirrors(e2e::kGoodMirrors);
  EXPECT_EQ(RunSequenceRecordingSteps(),
            (std::vector<std::string>{"step_download", "step_read_info", "step_insatll_begin", "step_insatll_end",
                                      "step_create_short", "step_run_repair", "step_run_app", "step_install_finish"}))
      << Log();
}

// The unpack that fails still reports its end; the failure replaces the four steps after it.
TEST_F(DialogInstall, AFailedUnpackRecordsTheFailureInsteadOfTheLastSteps) {
  SpoilPayload();
  ServeMirrors(e2e::kGoodMirrors);
  EXPECT_EQ(RunSequenceRecordingSteps(),
            (std::vector<std::string>{"step_download", "step_read_info", "step_insatll_begin", "step_insatll_end",
                                      "step_install_fail"}))
      << Log();
}

}  // namespace
