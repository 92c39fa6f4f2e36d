#include <gtest/gtest.h>

#include "tests/ui/ui_test_support.h"
#include "ui/button_ctrl_ex.h"
#include "ui/common_dlg.h"

using namespace ui;

namespace uitest {
namespace {

namespace headless = gui::headless;

// A dialog of the setup dialog's size that claims presses inside (10, 10)-(50, 50).
class ProbeDlg : public CommonDlg {
 public:
  explicit ProbeDlg(std::uint32_t flags) {
    scaleToDesignSize = 1;
    designWidth = 622;
    designHeight = 405;
    closeFlags = flags;
  }
  int PreHandleMessage(UINT msg, WPARAM, LPARAM lParam) override {
    if (msg == WM_LBUTTONDOWN) {
      const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
      return x >= 10 && x <= 50 && y >= 10 && y <= 50;
    }
    return 0;
  }
  int OnCommand(WPARAM wParam, LPARAM) override {
    commandsSeen.push_back(LOWORD(wParam));
    return 1;
  }
  std::vector<int> commandsSeen;
};

ProbeDlg* g_probe = nullptr;
INT_PTR ProbeProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return g_probe ? g_probe->DialogProc(hwnd, msg, wParam, lParam) : 0;
}

INT_PTR RunProbe(ProbeDlg& dialog) {
  g_probe = &dialog;
  const INT_PTR result = gui::DialogBoxParamW(nullptr, 130, nullptr, &ProbeProc, 0);
  g_probe = nullptr;
  return result;
}

class DialogTest : public HeadlessTest {};

class HighDpiDialogTest : public HeadlessTest {
 protected:
  gui::HeadlessOptions Options() override {
    gui::HeadlessOptions o;
    o.dpi = 144;
    return o;
  }
};

TEST_F(HighDpiDialogTest, DesignSizeScalesByTheHorizontalDpiAndCentres) {
  ProbeDlg dialog(3);
  RECT rect{};
  headless::AddStep([&] {
    gui::GetWindowRect(headless::ActiveDialog(), &rect);
    gui::EndDialog(headless::ActiveDialog(), 0);
  });
  EXPECT_EQ(RunProbe(dialog), 0);
  EXPECT_EQ(rect.right - rect.left, 933);
  EXPECT_EQ(rect.bottom - rect.top, 607);
  EXPECT_EQ(rect.left, (1920 - 933) / 2);
  EXPECT_EQ(rect.top, (1080 - 607) / 2);
  EXPECT_EQ(dialog.ScaleByDpi(-7), -10);  // truncated toward zero
}

TEST_F(DialogTest, KeysDoNotCloseADialogWithoutCloseFlags) {
  ProbeDlg dialog(0);
  bool stillOpen = false;
  headless::AddStep([&] { headless::Key(headless::ActiveDialog(), VK_RETURN); });
  headless::AddStep([&] { headless::Key(headless::ActiveDialog(), VK_ESCAPE); });
  headless::AddStep([&] { headless::CloseByWindowManager(headless::ActiveDialog()); });
  headless::AddStep([&] {
    stillOpen = headless::ActiveDialog() != nullptr;
    gui::EndDialog(headless::ActiveDialog(), 7);
  });
  EXPECT_EQ(RunProbe(dialog), 7);
  EXPECT_TRUE(stillOpen);
  // The keys reach the dialog's own command handling instead.
  EXPECT_EQ(dialog.commandsSeen, (std::vector<int>{IDOK, IDCANCEL, IDCANCEL}));
}

TEST_F(DialogTest, EnterAndEscapeEndADialogWithBothCloseFlags) {
  for (WPARAM key : {VK_RETURN, VK_ESCAPE}) {
    ProbeDlg dialog(3);
    headless::AddStep([key] { headless::Key(headless::ActiveDialog(), key); });
    EXPECT_EQ(RunProbe(dialog), 0) << key;
    EXPECT_TRUE(dialog.commandsSeen.empty());
  }
  // Only the flag of each key counts.
  ProbeDlg okOnly(CommonDlg::kCloseOnOk);
  headless::AddStep([] { headless::Key(headless::ActiveDialog(), VK_ESCAPE); });
  headless::AddStep([] { headless::Key(headless::ActiveDialog(), VK_RETURN); });
  EXPECT_EQ(RunProbe(okOnly), 0);
  EXPECT_EQ(okOnly.commandsSeen, std::vector<int>{IDCANCEL});
}

TEST_F(DialogTest, UnclaimedPressMovesTheWindowAndClaimedPressCaptures) {
  ProbeDlg dialog(3);
  RECT rect{};
  HWND captured = nullptr;
  HWND afterRelease = reinterpret_cast<HWND>(1);
  headless::AddStep([&] {
    HWND box = headless::ActiveDialog();
    gui::GetWindowRect(box, &rect);
    headless::LeftDown(box, 300, 200);
    headless::LeftUp(box, 300, 200);
    headless::LeftDown(box, 20, 20);
    captured = gui::GetCapture();
    headless::LeftUp(box, 20, 20);
    afterRelease = gui::GetCapture();
    gui::EndDialog(box, 0);
  });
  RunProbe(dialog);
  const auto drags = headless::MoveDrags();
  ASSERT_EQ(drags.size(), 1u);
  EXPECT_EQ(drags[0].screenPoint.x, rect.left + 300);
  EXPECT_EQ(drags[0].screenPoint.y, rect.top + 200);
  EXPECT_NE(captured, nullptr);
  EXPECT_EQ(afterRelease, nullptr);
}

// One button in the base's control lists; counts the repaint requests.
class RoutingDlg : public CommonDlg {
 public:
  explicit RoutingDlg(HWND owner) : button(owner, 10, 10, 110, 42) {
    button.SetID(1629);
    controls.AddToMouseList(&button);
  }
  void OnControlsChanged() override { ++repaintRequests; }
  ButtonCtrlEx button;
  int repaintRequests = 0;
};

TEST_F(DialogTest, OnlyAPressOnAControlCountsAsPressed) {
  RoutingDlg dialog(CreateOwner());
  auto route = [&](UINT msg, WPARAM keys, int x, int y) {
    return dialog.PreHandleMessage(msg, keys, MAKELPARAM(x, y));
  };
  // A press on the background drags the window, and the toolkit may never report its
  // release: a later hover must not show the button pressed.
  EXPECT_EQ(route(WM_LBUTTONDOWN, MK_LBUTTON, 300, 20), 0);
  route(WM_MOUSEMOVE, 0, 50, 20);
  EXPECT_EQ(dialog.button.GetState(), CommonCtrl::kHover);
  route(WM_LBUTTONUP, 0, 50, 20);

  // A press on the button holds while the pointer leaves and comes back, even when
  // the move does not carry MK_LBUTTON; the release inside clicks.
  commands.clear();
  EXPECT_EQ(route(WM_LBUTTONDOWN, MK_LBUTTON, 50, 20), 1);
  route(WM_MOUSEMOVE, 0, 300, 20);
  EXPECT_EQ(dialog.button.GetState(), CommonCtrl::kNormal);
  route(WM_MOUSEMOVE, 0, 60, 25);
  EXPECT_EQ(dialog.button.GetState(), CommonCtrl::kPressed);
  EXPECT_EQ(route(WM_LBUTTONUP, 0, 60, 25), 1);
  EXPECT_EQ(commands, std::vector<int>{1629});

  // Repaints are asked for when a state changes, not for every move.
  const int before = dialog.repaintRequests;
  route(WM_MOUSEMOVE, 0, 61, 25);
  EXPECT_EQ(dialog.repaintRequests, before);
  route(WM_MOUSEMOVE, 0, 300, 25);
  EXPECT_EQ(dialog.repaintRequests, before + 1);

  // The pointer leaving the window ends the hover it left behind, with a repaint.
  route(WM_MOUSEMOVE, 0, 50, 20);
  ASSERT_EQ(dialog.button.GetState(), CommonCtrl::kHover);
  const int hovering = dialog.repaintRequests;
  route(WM_MOUSELEAVE, 0, 0, 0);
  EXPECT_EQ(dialog.button.GetState(), CommonCtrl::kNormal);
  EXPECT_EQ(dialog.repaintRequests, hovering + 1);
}

TEST_F(DialogTest, TimersFireOnTheHeadlessClockInOrder) {
  struct TimerDlg : ProbeDlg {
    TimerDlg() : ProbeDlg(3) {}
    int PreHandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override {
      if (msg == WM_TIMER) ticks.push_back(static_cast<int>(wParam));
      return ProbeDlg::PreHandleMessage(msg, wParam, lParam);
    }
    std::vector<int> ticks;
  } timed;
  headless::AddStep([] {
    HWND box = headless::ActiveDialog();
    gui::SetTimer(box, 1, 1000);
    gui::SetTimer(box, 2, 1500);
    headless::AdvanceTime(3000);
    gui::KillTimer(box, 1);
    headless::AdvanceTime(3000);
    gui::EndDialog(box, 0);
  });
  RunProbe(timed);
  EXPECT_EQ(timed.ticks, (std::vector<int>{1, 2, 1, 1, 2, 2, 2}));
}

}  // namespace
}  // namespace uitest
