#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <filesystem>
#include <memory>
#include <thread>

#include "base/install_log.h"
#include "base/texts/ui_texts.h"
#include "external/vendor_config.h"
#include "platform/text.h"
#include "previous_install_fixture.h"
#include "sandbox.h"
#include "setup/uninstall_page.h"
#include "tests/ui/ui_test_support.h"

using namespace base;
using namespace install;
using namespace ui;
using namespace setup;

namespace {

namespace fs = std::filesystem;
using testing_support::Sandbox;

bool Exists(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0;
}

LPARAM PointOf(int x, int y) { return static_cast<LPARAM>((y << 16) | x); }

class UninstallPageTest : public uitest::HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    sandbox = std::make_unique<Sandbox>();
    GetLog()->Init(platform::NarrowToWide(sandbox->root() + "/install.log"));
    SetLanguage(L"Corvex 11", 0x0409, HostNameOf(GetVendorConfig().webSite));
    install = sandbox->root() + "/opt/Corvex 11";
    configuration = sandbox->home() + "/.config/Corvex 11";
    fs::create_directories(install);
    fs::create_directories(configuration);
    ASSERT_TRUE(testing_support::MakePreviousInstall(install, "Corvex 11"));
    Sandbox::WriteFile(configuration + "/settings.ini", "[ui]\n");
  }
  void TearDown() override {
    HeadlessTest::TearDown();
    sandbox.reset();
  }

  // Polls on this (the UI) thread; the limit only bounds a failing test.
  static bool WaitUntil(const std::function<bool()>& condition) {
    for (int i = 0; i < 1000 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return condition();
  }

  std::unique_ptr<Sandbox> sandbox;
  std::string install;
  std::string configuration;
};

TEST_F(UninstallPageTest, UntickedBoxRemovesTheConfigurationsAndTheLastButtonFinishes) {
  HWND owner = CreateOwner();
  ControlLists lists;
  auto page = std::make_unique<UninstallPage>();
  page->Build(owner, lists, UninstallTarget{install, "Corvex 11", false, "the test"});
  EXPECT_TRUE(page->KeepsConfigurations());
  EXPECT_EQ(page->HeadingText(), GetText(47));
  EXPECT_EQ(page->LastButtonId(), UninstallPage::kCancelId);
  EXPECT_EQ(page->LastButtonText(), GetText(12));

  // A click on the box reaches the dialog as its command.
  lists.RouteMouse(WM_LBUTTONDOWN, MK_LBUTTON, PointOf(215, 302), false);
  lists.RouteMouse(WM_LBUTTONUP, 0, PointOf(215, 302), true);
  ASSERT_EQ(commands, std::vector<int>{UninstallPage::kKeepConfigurationsId});
  EXPECT_TRUE(page->OnCommand(UninstallPage::kKeepConfigurationsId));
  EXPECT_FALSE(page->KeepsConfigurations());
  EXPECT_FALSE(page->OnCommand(UninstallPage::kCancelId));  // closing is the dialog's

  EXPECT_TRUE(page->OnCommand(UninstallPage::kUninstallId));
  page->StartUninstall();  // a second start while one runs does nothing
  ASSERT_TRUE(WaitUntil([&] { return page->Finished(); }));
  EXPECT_EQ(page->LastOutcome(), UninstallOutcome::kRemoved);
  EXPECT_EQ(page->LastButtonId(), UninstallPage::kFinishId);
  EXPECT_EQ(page->LastButtonText(), GetText(27));
  EXPECT_EQ(page->HeadingText(), GetText(26));
  EXPECT_FALSE(Exists(install));
  EXPECT_FALSE(Exists(configuration));
  const std::string log = Sandbox::ReadFile(sandbox->root() + "/install.log");
  EXPECT_NE(log.find("keep configurations false"), std::string::npos);
  EXPECT_EQ(log.find("Begin Uninstall Work."), log.rfind("Begin Uninstall Work."));  // one run only
  // The page outlives its worker; it is released here only because the worker has ended.
  page.reset();
}

TEST_F(UninstallPageTest, AFolderItMayNotRemoveIsNamedBeforeAnyClick) {
  HWND owner = CreateOwner();
  ControlLists lists;
  UninstallPage page;
  page.Build(owner, lists, UninstallTarget{sandbox->home(), "Corvex 11", false, "the test"});
  EXPECT_TRUE(page.OnCommand(UninstallPage::kUninstallId));
  std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_FALSE(page.Finished());
  EXPECT_TRUE(Exists(configuration + "/settings.ini"));
  EXPECT_EQ(Sandbox::ReadFile(sandbox->root() + "/install.log").find("Begin Uninstall Work."), std::string::npos);
}

}  // namespace
