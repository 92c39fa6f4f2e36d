#include <gtest/gtest.h>

#include "setup/setup_dlg.h"
#include "setup/setup_entry.h"
#include "tests/ui/ui_test_support.h"

using namespace setup;

namespace uitest {
namespace {

namespace headless = gui::headless;

class SetupDialogTest : public HeadlessTest {};

TEST_F(SetupDialogTest, KeysLeaveItOpenTheCloseButtonEndsIt) {
  InitializeDialogSupport();
  RECT rect{};
  std::wstring title;
  bool openAfterKeys = false, minimised = false;
  headless::AddStep([&] {
    HWND dialog = headless::ActiveDialog();
    ASSERT_NE(dialog, nullptr);
    gui::GetWindowRect(dialog, &rect);
    title = gui::GetWindowTextW(dialog);
    headless::Key(dialog, VK_RETURN);
    headless::Key(dialog, VK_ESCAPE);
    openAfterKeys = headless::ActiveDialog() == dialog;
    headless::Click(dialog, 588, 10);  // minimise
    minimised = (gui::GetWindowStyle(dialog) & WS_MINIMIZE) != 0;
    headless::Restore(dialog);
  });
  headless::AddStep([] { headless::Click(headless::ActiveDialog(), 608, 10); });
  RunSetupDialog();
  EndSetupDialog();

  EXPECT_EQ(rect.right - rect.left, 622);
  EXPECT_EQ(rect.bottom - rect.top, 405);
  EXPECT_EQ(title, L"Corvex Installer");
  EXPECT_TRUE(openAfterKeys);
  EXPECT_TRUE(minimised);
  EXPECT_EQ(headless::ActiveDialog(), nullptr);
}

}  // namespace
}  // namespace uitest
