// The setup dialog's states on the headless backend, with its own clock: the
// countdown, the install button in each state, the close questions, the retry after
// a failed download, and the options page. The install worker and the download
// engine run for real, against loopback mirrors that fail or never answer.
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>

#include "base/install_log.h"
#include "base/run_mode.h"
#include "base/texts/ui_texts.h"
#include "platform/gui/headless.h"
#include "platform/gui/window.h"
#include "setup/options_page.h"
#include "setup/setup_dlg.h"
#include "setup/setup_entry.h"
#include "tests/common/free_port.h"
#include "tests/common/sandbox.h"
#include "tests/setup/dialog_test_support.h"
#include "ui/wnd_shadow.h"

using namespace base;
using namespace ui;
using namespace setup;

namespace {

namespace fs = std::filesystem;
namespace gui = platform::gui;
namespace headless = platform::gui::headless;
using namespace dialog_test;

// A listener that takes connections and never answers: a download against it stays
// busy for as long as the test needs.
class SilentListener {
 public:
  SilentListener() {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(0x7F00000B);  // 127.0.0.11
    ::bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
    ::listen(fd_, 64);
    socklen_t length = sizeof(addr);
    ::getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &length);
    port_ = ntohs(addr.sin_port);
  }
  ~SilentListener() { ::close(fd_); }
  int port() const { return port_; }

 private:
  int fd_ = -1;
  int port_ = 0;
};

class DialogStates : public ::testing::Test {
 protected:
  void SetUp() override {
    headless::Use();
    CWndShadow::ResetForTests();
    ResetSetupDlgForTesting();
    SetRunMode(RunMode{});
    // Reports go to a port nobody listens on, never to the demo's endpoints.
    static const testing_support::RefusingPort refusingVendor;
    static const std::string vendor = [] {
      const std::string path = fs::temp_directory_path() / ("corvex-dialog-vendor-" + std::to_string(::getpid()));
      const std::string host = "http://127.0.0.1:" + std::to_string(refusingVendor.port());
      std::ofstream(path) << "web_site=" << host << "\nstatistics_host=" << host << "\ncrash_host=" << host << "\n";
      return path;
    }();
    ::setenv("CORVEX_VENDOR_CONFIG", vendor.c_str(), 1);
    ::setenv("CORVEX_RESOURCE_OVERRIDE", (sandbox_.root() + "/resources").c_str(), 1);
    ::setenv("BROWSER", "true", 1);
    GetLog()->Init(platform_log());
  }

  void TearDown() override {
    TheSetupDlg().WaitForWorker(5000);
    TheSetupDlg().FinishReports();
    for (HWND w : headless::Windows()) gui::DestroyWindow(w);
  }

  std::wstring platform_log() const {
    const std::string path = sandbox_.root() + "/install.log";
    return std::wstring(path.begin(), path.end());
  }
  std::string Log() const { return testing_support::Sandbox::ReadFile(sandbox_.root() + "/install.log"); }
  int Count(const std::string& text) const {
    const std::string log = Log();
    int count = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++count;
    return count;
  }

  void ServeManifest(const std::string& mirror, int version = 1) {
    dialog_test::ServeManifest(sandbox_.root() + "/resources", mirror, version);
  }

  testing_support::Sandbox sandbox_;
};

TEST_F(DialogStates, CountdownShowsThirtyToZeroAndStartsAtTheThirtyFirstTick) {
  const testing_support::RefusingPort refusing("127.0.0.11");
  ServeManifest("http://127.0.0.11:" + std::to_string(refusing.port()));
  std::vector<std::wstring> shown;
  InstallState beforeLast = kInstallReady, afterLast = kInstallReady;
  std::wstring retryCaption;
  headless::AddStep([&] {
    SetupDlg& dialog = TheSetupDlg();
    for (int tick = 1; tick <= 31; ++tick) {
      if (tick == 31) beforeLast = dialog.GetInstallState();
      headless::AdvanceTime(1000);
      shown.push_back(dialog.CountdownText()->GetCaption());
    }
    afterLast = dialog.GetInstallState();
    // The mirror refuses every connection: the download fails and offers a retry.
    ASSERT_TRUE(WaitUntil([&] { return dialog.GetInstallState() == kInstallRetry; })) << Log();
    retryCaption = dialog.InstallButton()->GetCaption();
    Click(kInstallButton);
    ASSERT_TRUE(WaitUntil([&] { return Count("Download Failed. Show retry.") == 2; })) << Log();
    ASSERT_TRUE(WaitUntil([&] { return dialog.GetInstallState() == kInstallRetry; }));
    Click(kCloseButton);  // a failed download has ended: no question
  });
  RunSetupDialog();

  ASSERT_EQ(shown.size(), 31u);
  for (int i = 0; i <= 30; ++i) {
    EXPECT_NE(shown[i].find(std::to_wstring(30 - i) + L" "), std::wstring::npos) << i;
  }
  EXPECT_EQ(beforeLast, kInstallReady);
  EXPECT_EQ(afterLast, kInstallOnInstall);
  EXPECT_TRUE(GetCloseReportFlags().startedByCountdown);
  EXPECT_EQ(retryCaption, GetText(14));
  // The retry ran the checks again and fetched to the same package path.
  EXPECT_EQ(Count("SetupDlg::OnBtnInstall, eInstall(3)."), 1) << Log();
  EXPECT_EQ(Count("Install Path Info : "), 2);
  EXPECT_EQ(Count("Url : "), 2);
  EXPECT_EQ(headless::ActiveDialog(), nullptr);
}

TEST_F(DialogStates, DuringTheDownloadClicksDoNothingAndClosingAsksFirst) {
  SilentListener mirror;
  ServeManifest("http://127.0.0.11:" + std::to_string(mirror.port()));
  bool keptAfterNo = false;
  InstallState stateAfterNo = kInstallReady;
  headless::AddStep([&] {
    SetupDlg& dialog = TheSetupDlg();
    Click(kInstallButton);
    ASSERT_TRUE(WaitUntil([&] { return dialog.GetStage() == kStageDownloading; }));
    // The button is hidden while working; its command alone still arrives.
    gui::SendMessageW(headless::ActiveDialog(), WM_COMMAND, SetupDlg::kInstallId, 0);
    HWND main = headless::ActiveDialog();
    headless::AddStep([] { Click(kQuestionNo); });
    gui::SendMessageW(main, WM_CLOSE, 0, 0);
    keptAfterNo = headless::ActiveDialog() == main && gui::IsWindowVisible(main);
    stateAfterNo = dialog.GetInstallState();
    headless::AddStep([] { Click(kQuestionYes); });
    gui::SendMessageW(main, WM_CLOSE, 0, 0);
  });
  RunSetupDialog();

  EXPECT_EQ(Count("OnBtnInstall(what ?\?\?)"), 1) << Log();
  EXPECT_TRUE(keptAfterNo);
  EXPECT_EQ(stateAfterNo, kInstallOnInstall);
  EXPECT_EQ(headless::ActiveDialog(), nullptr) << "\"Yes\" closes the dialog";
  EXPECT_TRUE(EndSetupDialog().workerStopped) << "the worker stops once the dialog has gone";
}

TEST_F(DialogStates, AQuestionThatNoLongerAppliesClosesAndTheCloseGoesOn) {
  // Every connection is refused: the download fails while the quit question is open.
  const testing_support::RefusingPort refusing("127.0.0.11");
  ServeManifest("http://127.0.0.11:" + std::to_string(refusing.port()));
  bool questionShown = false;
  headless::AddStep([&] {
    SetupDlg& dialog = TheSetupDlg();
    HWND main = headless::ActiveDialog();
    Click(kInstallButton);
    ASSERT_TRUE(WaitUntil([&] { return dialog.GetStage() == kStageDownloading; }));
    headless::AddStep([&] { questionShown = headless::ActiveDialog() != main; });  // and left unanswered
    gui::SendMessageW(main, WM_CLOSE, 0, 0);
  });
  RunSetupDialog();

  EXPECT_TRUE(questionShown);
  EXPECT_EQ(Count("Download Failed. Show retry."), 1) << Log();
  EXPECT_EQ(headless::ActiveDialog(), nullptr) << "the close went on once the question was gone";
  EXPECT_EQ(TheSetupDlg().Outcome(), InstallOutcome::kDownloadFailed);
  EXPECT_TRUE(EndSetupDialog().workerStopped);
}

TEST_F(DialogStates, AManifestForANewerInstallerSaysSoAndOffersTheRetry) {
  const testing_support::RefusingPort refusing("127.0.0.11");
  ServeManifest("http://127.0.0.11:" + std::to_string(refusing.port()), 2);
  std::wstring caption;
  headless::AddStep([&] {
    SetupDlg& dialog = TheSetupDlg();
    Click(kInstallButton);
    ASSERT_TRUE(WaitUntil([&] { return dialog.GetInstallState() == kInstallRetry; })) << Log();
    ASSERT_TRUE(WaitUntil([&] { return !headless::MessageBoxesShown().empty(); }));
    caption = dialog.InstallButton()->GetCaption();
    Click(kCloseButton);
  });
  RunSetupDialog();

  EXPECT_EQ(Count("Download Failed. App need update."), 1) << Log();
  EXPECT_EQ(Count("Download Failed. Show retry."), 0) << Log();
  EXPECT_EQ(headless::MessageBoxesShown(), std::vector<std::wstring>{std::wstring(L"ERROR: ") + GetText(42)});
  EXPECT_EQ(caption, GetText(14));
  EXPECT_EQ(TheSetupDlg().Outcome(), InstallOutcome::kDownloadFailed);
}

// The licence link opens its page for the desktop user; as root with no desktop
// session (as here) the log says the page was not opened, and which page it was.
TEST_F(DialogStates, TheLicenceLinkAsksForItsPage) {
  if (::geteuid() != 0) GTEST_SKIP() << "an ordinary user's browser would open";
  ::unsetenv("DISPLAY");
  headless::AddStep([] {
    Click(kCustomToggle);
    gui::SendMessageW(headless::ActiveDialog(), WM_COMMAND, OptionsPage::kLicenceLinkId, 0);
    Click(kCloseButton);
  });
  RunSetupDialog();
  EXPECT_EQ(Count("Web page not opened, no desktop session to show it in: "), 1) << Log();
  EXPECT_EQ(Count("/corvex-user-license-agreement.htm?s=corvex10&v="), 1) << Log();
}

TEST_F(DialogStates, ClosingWhenReadyAsksNothing) {
  headless::AddStep([] { Click(kCloseButton); });
  RunSetupDialog();
  EXPECT_EQ(headless::ActiveDialog(), nullptr);
  EXPECT_TRUE(headless::MessageBoxesShown().empty());
  EXPECT_EQ(Count("OnBtnClose(user close)"), 1);
}

TEST_F(DialogStates, OptionsPageGrowsTheDialogStopsTheCountdownAndGatesTheInstallButton) {
  int heightOpen = 0, heightClosed = 0;
  bool enabledWithout = true, enabledWith = false;
  int countdownAfter = 0;
  std::wstring folder;
  bool desktopTicked = false, programmeTicked = false;
  headless::AddStep([&] {
    SetupDlg& dialog = TheSetupDlg();
    HWND window = headless::ActiveDialog();
    headless::AdvanceTime(1000);
    Click(kCustomToggle);
    RECT rect{};
    gui::GetWindowRect(window, &rect);
    heightOpen = rect.bottom - rect.top;
    folder = dialog.Options().FolderText();
    desktopTicked = dialog.Options().DesktopTicked();
    programmeTicked = dialog.Options().ProgrammeTicked();
    Click(kLicenceBox);
    enabledWithout = dialog.InstallButton()->IsEnabled();
    Click(kLicenceBox);
    enabledWith = dialog.InstallButton()->IsEnabled();
    Click(kCustomToggle);
    gui::GetWindowRect(window, &rect);
    heightClosed = rect.bottom - rect.top;
    headless::AdvanceTime(5000);
    countdownAfter = dialog.CountdownValue();
    Click(kCloseButton);
  });
  RunSetupDialog();

  EXPECT_EQ(heightOpen, 580);
  EXPECT_EQ(heightClosed, 405);
  EXPECT_FALSE(enabledWithout);
  EXPECT_TRUE(enabledWith);
  EXPECT_EQ(countdownAfter, 29) << "one tick before the page opened, none after";
  EXPECT_EQ(folder, std::wstring(sandbox_.root().begin(), sandbox_.root().end()) + L"/opt/Corvex 11");
  EXPECT_TRUE(desktopTicked);
  EXPECT_TRUE(programmeTicked);
}

}  // namespace
