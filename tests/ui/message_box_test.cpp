#include <gtest/gtest.h>

#include <functional>

#include "tests/ui/ui_test_support.h"
#include "ui/skin_message_box.h"

using namespace ui;

namespace uitest {
namespace {

namespace headless = gui::headless;

using Action = std::function<void(HWND box)>;

// Box coordinates at 96 DPI.
const POINT kSingleOk{210, 183};
const POINT kFirstButton{250, 183};
const POINT kSecondButton{360, 183};
const POINT kCloseButton{409, 10};

Action ClickAt(POINT p) {
  return [p](HWND box) { headless::Click(box, p.x, p.y); };
}
Action Press(WPARAM key) {
  return [key](HWND box) { headless::Key(box, key); };
}
Action CloseFromWindowManager() {
  return [](HWND box) { headless::CloseByWindowManager(box); };
}

class MessageBoxTest : public HeadlessTest {
 protected:
  // Queues `action` for the box that is about to open, once it has shown a frame.
  void WhenShown(Action action) {
    headless::AddStep([this, action] {
      HWND box = headless::ActiveDialog();
      ASSERT_NE(box, nullptr);
      ASSERT_TRUE(WaitForFrame(box));
      shown = true;
      action(box);
    });
  }
  bool shown = false;
};

TEST_F(MessageBoxTest, OneButtonBoxAnswers1628HoweverItCloses) {
  const std::vector<std::pair<const char*, Action>> ways = {
      {"OK button", ClickAt(kSingleOk)}, {"close button", ClickAt(kCloseButton)},      {"Enter", Press(VK_RETURN)},
      {"Escape", Press(VK_ESCAPE)},      {"window manager", CloseFromWindowManager()},
  };
  for (const auto& [name, action] : ways) {
    shown = false;
    WhenShown(action);
    EXPECT_EQ(ShowMessage(nullptr, L"Corvex", L"Notice", L"OK"), 1628) << name;
    EXPECT_TRUE(shown) << name;
    EXPECT_EQ(headless::ActiveDialog(), nullptr) << name;
  }
}

TEST_F(MessageBoxTest, TwoButtonBoxAnswers1629OnlyForTheFirstButton) {
  const std::vector<std::tuple<const char*, Action, int>> ways = {
      {"first button", ClickAt(kFirstButton), 1629},
      {"second button", ClickAt(kSecondButton), 1630},
      {"close button", ClickAt(kCloseButton), 1630},
      {"Enter", Press(VK_RETURN), 1630},
      {"Escape", Press(VK_ESCAPE), 1630},
      {"window manager", CloseFromWindowManager(), 1630},
      // In a one-button layout the first button sits elsewhere; here that spot is
      // empty, and the click moves the box instead of answering.
  };
  for (const auto& [name, action, expected] : ways) {
    WhenShown(action);
    EXPECT_EQ(AskQuestion(nullptr, L"Corvex", L"Quit?", L"Yes", L"No"), expected) << name;
  }
}

TEST_F(MessageBoxTest, PressingAButtonAndReleasingOffItLeavesTheBoxOpen) {
  bool openAfterRelease = false;
  int dragsAfterRelease = -1;
  WhenShown([&](HWND box) {
    headless::MouseMove(box, kFirstButton.x, kFirstButton.y, false);
    headless::LeftDown(box, kFirstButton.x, kFirstButton.y);
    headless::MouseMove(box, 100, 100, true);
    headless::LeftUp(box, 100, 100);
    openAfterRelease = headless::ActiveDialog() == box;
    dragsAfterRelease = static_cast<int>(headless::MoveDrags().size());
  });
  headless::AddStep([] { headless::Click(headless::ActiveDialog(), kSecondButton.x, kSecondButton.y); });
  EXPECT_EQ(AskQuestion(nullptr, L"Corvex", L"Quit?", L"Yes", L"No"), 1630);
  EXPECT_TRUE(openAfterRelease);
  EXPECT_EQ(dragsAfterRelease, 0);  // the press was the button's, not a window drag
}

TEST_F(MessageBoxTest, PressOnTheBackgroundMovesTheBox) {
  WhenShown([](HWND box) {
    headless::LeftDown(box, 40, 180);
    headless::LeftUp(box, 40, 180);
    gui::SendMessageW(box, WM_COMMAND, 1628, 0);
  });
  EXPECT_EQ(AskQuestion(nullptr, L"Corvex", L"Quit?", L"Yes", L"No"), 1630);
  EXPECT_EQ(headless::MoveDrags().size(), 1u);
}

TEST_F(MessageBoxTest, FrameShowsTheBandsTheIconAndTheButtons) {
  std::vector<std::uint32_t> frame;
  int width = 0, height = 0;
  WhenShown([&](HWND box) {
    frame = headless::Frame(box, &width, &height);
    headless::Key(box, VK_ESCAPE);
  });
  ShowMessage(nullptr, L"Corvex", L"Short message", L"OK");
  ASSERT_EQ(width, 420);
  ASSERT_EQ(height, 210);
  gui::Canvas view(frame.data(), width, height, width);
  EXPECT_EQ(PixelAt(&view, 380, 30), gui::ColorToPixel(0xB5474A));                // title band
  EXPECT_EQ(PixelAt(&view, 5, 100), 0xFFFFFFu);                                   // body
  EXPECT_EQ(PixelAt(&view, 5, 200), gui::ColorToPixel(0xFDFBF7));                 // button band
  EXPECT_TRUE(HasInk(&view, RECT{10, 5, 320, 30}, gui::ColorToPixel(0xB5474A)));  // the title
  EXPECT_TRUE(HasInk(&view, RECT{32, 90, 62, 120}, 0xFFFFFFu));                   // the icon
  // One-button layout: the button face at 160…260, nothing where a second would be.
  EXPECT_NE(PixelAt(&view, 165, 175), gui::ColorToPixel(0xFDFBF7));
  EXPECT_EQ(PixelAt(&view, 380, 175), gui::ColorToPixel(0xFDFBF7));
}

TEST_F(MessageBoxTest, LongMessageWrapsAndStopsAtTheBottomOfItsArea) {
  std::wstring longText;
  for (int i = 0; i < 40; ++i) longText += L"This message goes on and on. ";
  std::vector<std::uint32_t> frame;
  int width = 0, height = 0;
  WhenShown([&](HWND box) {
    frame = headless::Frame(box, &width, &height);
    headless::Key(box, VK_RETURN);
  });
  ShowMessage(nullptr, L"Corvex", longText.c_str(), L"OK");
  ASSERT_EQ(width, 420);
  gui::Canvas view(frame.data(), width, height, width);
  // Text from the top of the area (too long to centre) …
  const int firstInk = FirstInkRow(&view, RECT{72, 36, 388, 156}, 0xFFFFFFu);
  EXPECT_GE(firstInk, 36);
  EXPECT_LT(firstInk, 46);
  // … and none below it, where the button band begins.
  EXPECT_FALSE(HasInk(&view, RECT{72, 156, 150, 166}, gui::ColorToPixel(0xFDFBF7)));
}

TEST_F(MessageBoxTest, ABoxOverAnotherHandsBackToTheFirst) {
  int inner = 0;
  WhenShown([&](HWND outer) {
    WhenShown(ClickAt(kFirstButton));
    inner = AskQuestion(outer, L"Corvex", L"Inner", L"Yes", L"No");
    headless::Click(outer, kSecondButton.x, kSecondButton.y);
  });
  EXPECT_EQ(AskQuestion(nullptr, L"Corvex", L"Outer", L"Yes", L"No"), 1630);
  EXPECT_EQ(inner, 1629);
}

}  // namespace
}  // namespace uitest
