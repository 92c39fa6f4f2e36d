#include <gtest/gtest.h>

#include "tests/ui/ui_test_support.h"
#include "ui/button_color_ctrl_ex.h"
#include "ui/button_ctrl_ex.h"
#include "ui/check_button_ctrl_ex.h"
#include "ui/control_lists.h"
#include "ui/hy_link_ctrl_ex.h"
#include "ui/process_ctrl.h"
#include "ui/static_ctrl.h"
#include "ui/ui_font.h"

using namespace ui;

namespace uitest {
namespace {

constexpr std::uint32_t kWhitePixel = 0x00FFFFFF;

class ControlsTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    owner = CreateOwner();
    ASSERT_NE(owner, nullptr);
    font = CreateDialogFont(owner, 14);
    underlined = CreateDialogFont(owner, 14, true);
  }
  void TearDown() override {
    gui::DeleteFont(font);
    gui::DeleteFont(underlined);
    for (HBITMAP b : bitmaps) gui::DeleteBitmap(b);
    HeadlessTest::TearDown();
  }
  HBITMAP SolidBitmap(int w, int h, std::uint32_t pixel) {
    auto* b = new gui::Bitmap(w, h);
    std::fill(b->Pixels(), b->Pixels() + w * h, pixel);
    bitmaps.push_back(b);
    return b;
  }
  static void Clear(gui::MemoryCanvas& c) {
    const RECT all{0, 0, c.bitmap().Width(), c.bitmap().Height()};
    gui::FillRectColor(c.dc(), &all, 0xFFFFFF);
  }
  static LPARAM At(int x, int y) { return MAKELPARAM(x, y); }

  HWND owner = nullptr;
  HFONT font = nullptr;
  HFONT underlined = nullptr;
  std::vector<HBITMAP> bitmaps;
};

TEST_F(ControlsTest, HitTestIncludesAllFourEdges) {
  ButtonCtrlEx button(owner, 10, 20, 110, 52);
  EXPECT_TRUE(button.HitTest(10, 20));
  EXPECT_TRUE(button.HitTest(110, 52));  // right and bottom edges belong to the control
  EXPECT_TRUE(button.HitTest(110, 30));
  EXPECT_TRUE(button.HitTest(50, 52));
  EXPECT_FALSE(button.HitTest(111, 30));
  EXPECT_FALSE(button.HitTest(50, 53));
  EXPECT_FALSE(button.HitTest(9, 30));
  EXPECT_FALSE(button.HitTest(50, 19));
}

TEST_F(ControlsTest, ReleaseOutsideAfterLeavingSendsNothing) {
  ButtonCtrlEx button(owner, 10, 10, 110, 42);
  button.SetID(1629);
  ControlLists lists;
  lists.AddToMouseList(&button);

  EXPECT_EQ(lists.RouteMouse(WM_LBUTTONDOWN, MK_LBUTTON, At(50, 20), false), 1);
  EXPECT_EQ(button.GetState(), CommonCtrl::kPressed);
  lists.RouteMouse(WM_MOUSEMOVE, MK_LBUTTON, At(300, 20), true);
  EXPECT_EQ(button.GetState(), CommonCtrl::kNormal);
  EXPECT_EQ(lists.RouteMouse(WM_LBUTTONUP, 0, At(300, 20), false), 0);
  EXPECT_EQ(button.GetState(), CommonCtrl::kNormal);
  EXPECT_FALSE(button.IsTracking());
  EXPECT_TRUE(commands.empty());
}

TEST_F(ControlsTest, MovingBackInWhilePressedPressesAgainAndReleaseClicks) {
  ButtonCtrlEx button(owner, 10, 10, 110, 42);
  button.SetID(1629);
  ControlLists lists;
  lists.AddToMouseList(&button);

  lists.RouteMouse(WM_LBUTTONDOWN, MK_LBUTTON, At(50, 20), false);
  lists.RouteMouse(WM_MOUSEMOVE, MK_LBUTTON, At(300, 20), true);
  lists.RouteMouse(WM_MOUSEMOVE, MK_LBUTTON, At(60, 25), true);
  EXPECT_EQ(button.GetState(), CommonCtrl::kPressed);
  EXPECT_EQ(lists.RouteMouse(WM_LBUTTONUP, 0, At(60, 25), false), 1);
  EXPECT_EQ(button.GetState(), CommonCtrl::kHover);
  ASSERT_EQ(commands.size(), 1u);
  EXPECT_EQ(commands[0], 1629);

  // Hovering without the button down only shows the hover look.
  lists.RouteMouse(WM_MOUSEMOVE, 0, At(60, 25), false);
  EXPECT_EQ(button.GetState(), CommonCtrl::kHover);
  EXPECT_EQ(commands.size(), 1u);
}

TEST_F(ControlsTest, DisabledAndInvisibleButtonsIgnoreTheMouse) {
  ButtonCtrlEx disabled(owner, 10, 10, 110, 42);
  disabled.SetID(1);
  disabled.SetEnabled(false);
  EXPECT_EQ(disabled.GetState(), CommonCtrl::kDisabled);
  ButtonCtrlEx hidden(owner, 10, 50, 110, 82);
  hidden.SetID(2);
  hidden.SetVisible(false);
  ControlLists lists;
  lists.AddToMouseList(&disabled);
  lists.AddToMouseList(&hidden);

  for (int y : {20, 60}) {
    EXPECT_EQ(lists.RouteMouse(WM_LBUTTONDOWN, MK_LBUTTON, At(50, y), false), 0);
    lists.RouteMouse(WM_MOUSEMOVE, MK_LBUTTON, At(50, y), true);
    EXPECT_EQ(lists.RouteMouse(WM_LBUTTONUP, 0, At(50, y), false), 0);
  }
  EXPECT_TRUE(commands.empty());
  EXPECT_EQ(disabled.GetState(), CommonCtrl::kDisabled);
  EXPECT_EQ(hidden.GetState(), CommonCtrl::kNormal);

  // An invisible control draws nothing.
  gui::MemoryCanvas canvas(120, 90);
  Clear(canvas);
  hidden.SetUseBitmap(1);
  hidden.SetStateBitmaps(SolidBitmap(100, 32, 0x112233), nullptr, nullptr, nullptr);
  EXPECT_EQ(hidden.Draw(canvas.dc()), 0);
  EXPECT_FALSE(HasInk(canvas.dc(), RECT{0, 0, 120, 90}, kWhitePixel));

  // Enabling keeps the disabled look until a mouse event reaches the button.
  disabled.SetEnabled(true);
  EXPECT_EQ(disabled.GetState(), CommonCtrl::kDisabled);
  lists.RouteMouse(WM_MOUSEMOVE, 0, At(50, 20), false);
  EXPECT_EQ(disabled.GetState(), CommonCtrl::kHover);
}

TEST_F(ControlsTest, ButtonWithoutTextDrawsOnlyItsStatePicture) {
  ButtonCtrlEx button(owner, 4, 4, 21, 25);
  button.SetUseBitmap(1);
  button.SetStateBitmaps(SolidBitmap(17, 21, 0x4A47B5), SolidBitmap(17, 21, 0x6663D6), SolidBitmap(17, 21, 0xE0484F),
                         nullptr);
  button.SetFont(font);
  gui::MemoryCanvas canvas(40, 40);
  Clear(canvas);
  EXPECT_EQ(button.Draw(canvas.dc()), 1);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 40; ++x) {
      const bool inside = x >= 4 && x < 21 && y >= 4 && y < 25;
      ASSERT_EQ(PixelAt(canvas.dc(), x, y), inside ? 0x4A47B5u : kWhitePixel) << x << "," << y;
    }
  }
  // The hover picture follows the state.
  button.OnMouseMove(10, 10);
  EXPECT_EQ(button.Draw(canvas.dc()), 1);
  EXPECT_EQ(PixelAt(canvas.dc(), 10, 10), 0x6663D6u);
  // With a caption the text goes over the picture.
  button.SetCaption(L"Ok");
  button.Draw(canvas.dc());
  EXPECT_TRUE(HasInk(canvas.dc(), RECT{4, 4, 21, 25}, 0x6663D6));
}

TEST_F(ControlsTest, ProgressBarFillsInProportionInsideItsBorder) {
  ProcessCtrl bar(owner, 0, 0, 604, 10);
  bar.SetBorder(1, 0x00FF00);
  bar.SetBarColors(0x0000FF, 0xFF0000);  // done red, rest blue
  EXPECT_EQ(bar.FilledWidth(602), 0);
  bar.SetPosition(50);
  EXPECT_EQ(bar.FilledWidth(602), 301);

  gui::MemoryCanvas canvas(604, 10);
  Clear(canvas);
  ASSERT_EQ(bar.Draw(canvas.dc()), 1);
  int done = 0, rest = 0;
  for (int x = 0; x < 604; ++x) {
    const std::uint32_t p = PixelAt(canvas.dc(), x, 5);
    done += p == 0xFF0000u;
    rest += p == 0x0000FFu;
  }
  EXPECT_EQ(done, 301);
  EXPECT_EQ(rest, 301);
  EXPECT_EQ(PixelAt(canvas.dc(), 0, 5), 0x00FF00u);
  EXPECT_EQ(PixelAt(canvas.dc(), 1, 5), 0xFF0000u);
  EXPECT_EQ(PixelAt(canvas.dc(), 302, 5), 0x0000FFu);

  bar.SetPosition(0);
  bar.Draw(canvas.dc());
  EXPECT_EQ(PixelAt(canvas.dc(), 1, 5), 0x0000FFu);

  // An empty range shows nothing done instead of dividing by zero.
  bar.SetRange(5, 5);
  EXPECT_EQ(bar.FilledWidth(602), 0);
}

TEST_F(ControlsTest, SetPositionShowsTheBarOnTheWindowAtOnce) {
  ProcessCtrl bar(owner, 10, 10, 110, 20);
  bar.SetBarColors(0x0000FF, 0xFF0000);
  const int before = gui::headless::FramesPresented(owner);
  bar.SetPosition(100);
  EXPECT_EQ(gui::headless::FramesPresented(owner), before + 1);
  int w = 0, h = 0;
  const auto frame = gui::headless::Frame(owner, &w, &h);
  ASSERT_EQ(w, 640);
  EXPECT_EQ(frame[15 * w + 50], 0xFF0000u);
}

TEST_F(ControlsTest, WrappedLabelIsCentredVertically) {
  const wchar_t* text = L"Two lines of words that wrap";
  RECT measured{0, 0, 120, 120};
  gui::MemoryCanvas probe(120, 120);
  gui::SelectObject(probe.dc(), font);
  gui::DrawTextW(probe.dc(), text, -1, &measured, DT_WORDBREAK | DT_EDITCONTROL | DT_CALCRECT);
  const int textHeight = measured.bottom - measured.top;
  ASSERT_GT(textHeight, 0);
  ASSERT_LT(textHeight, 120);

  auto inkTop = [&](UINT format) {
    StaticCtrl label(owner, 0, 0, 120, 120);
    label.SetFont(font);
    label.SetTextFormat(format);
    label.SetTextColor(0x000000);
    label.SetCaption(text);
    gui::MemoryCanvas canvas(120, 120);
    Clear(canvas);
    EXPECT_EQ(label.Draw(canvas.dc()), 1);
    return FirstInkRow(canvas.dc(), RECT{0, 0, 120, 120}, kWhitePixel);
  };
  const int plainTop = inkTop(DT_WORDBREAK);
  const int centredTop = inkTop(DT_WORDBREAK | DT_EDITCONTROL);
  ASSERT_GE(plainTop, 0);
  EXPECT_EQ(centredTop - plainTop, (120 - textHeight) / 2);
}

TEST_F(ControlsTest, ColourButtonPaintsFrameAndFillOfItsState) {
  ButtonColorCtrlEx button(owner, 0, 0, 40, 20);
  button.SetFrameWidth(2);
  button.SetFrameColors(0xA74747, 0x00FF00, 0, 0);
  button.SetFillColors(0xFFE9E9, 0, 0, 0);
  gui::MemoryCanvas canvas(50, 30);
  Clear(canvas);
  ASSERT_EQ(button.Draw(canvas.dc()), 1);
  EXPECT_EQ(PixelAt(canvas.dc(), 1, 1), gui::ColorToPixel(0xA74747));
  EXPECT_EQ(PixelAt(canvas.dc(), 20, 10), gui::ColorToPixel(0xFFE9E9));
  EXPECT_EQ(PixelAt(canvas.dc(), 45, 25), kWhitePixel);
  // Hover: a fill of 0 means none, so the frame colour shows inside too.
  button.OnMouseMove(5, 5);
  button.Draw(canvas.dc());
  EXPECT_EQ(PixelAt(canvas.dc(), 20, 10), gui::ColorToPixel(0x00FF00));
}

TEST_F(ControlsTest, CheckBoxesShowTheMarkedPicturesInTheirBox) {
  CheckButtonCtrlEx box(owner, 10, 10, 200, 34);
  box.SetUseBitmap(1);
  box.SetStateBitmaps(SolidBitmap(16, 16, 0x999999), nullptr, nullptr, nullptr);
  box.SetCheckedBitmaps(SolidBitmap(16, 16, 0x4A47B5), nullptr, nullptr, nullptr);
  box.SetBoxRect(0, 4, 16, 16);
  box.SetLabelRect(24, 0, 150, 24);
  box.SetFont(font);
  box.SetCaption(L"Desktop shortcut");
  gui::MemoryCanvas canvas(220, 40);
  Clear(canvas);
  box.Draw(canvas.dc());
  EXPECT_EQ(PixelAt(canvas.dc(), 10, 14), 0x999999u);
  EXPECT_EQ(PixelAt(canvas.dc(), 25, 29), 0x999999u);
  EXPECT_EQ(PixelAt(canvas.dc(), 10, 13), kWhitePixel);
  EXPECT_EQ(PixelAt(canvas.dc(), 26, 20), kWhitePixel);
  EXPECT_TRUE(HasInk(canvas.dc(), RECT{34, 10, 184, 34}, kWhitePixel));
  EXPECT_FALSE(HasInk(canvas.dc(), RECT{184, 0, 220, 40}, kWhitePixel));

  box.SetCheck(!box.GetCheck());
  box.Draw(canvas.dc());
  EXPECT_EQ(PixelAt(canvas.dc(), 10, 14), 0x4A47B5u);
}

TEST_F(ControlsTest, HyperlinkUsesItsHoverFontWhileHoveredOrPressed) {
  HyLinkCtrlEx link(owner, 0, 0, 150, 24);
  link.SetStateTextColors(0xBF5300, 0xBF5300, 0xBF5300, 0xBF5300);
  link.SetFont(font);
  link.SetHoverFont(underlined);
  link.SetCaption(L"Privacy policy");
  auto draw = [&] {
    gui::MemoryCanvas canvas(150, 24);
    Clear(canvas);
    link.Draw(canvas.dc());
    return std::vector<std::uint32_t>(canvas.bitmap().Pixels(), canvas.bitmap().Pixels() + 150 * 24);
  };
  const auto normal = draw();
  link.OnMouseMove(5, 5);
  const auto hovered = draw();
  link.OnLButtonDown(5, 5);
  const auto pressed = draw();
  EXPECT_NE(normal, hovered);
  EXPECT_EQ(hovered, pressed);
}

}  // namespace
}  // namespace uitest
