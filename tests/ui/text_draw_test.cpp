#include <gtest/gtest.h>

#include "tests/ui/ui_test_support.h"
#include "ui/ui_font.h"

using namespace ui;

namespace uitest {
namespace {

constexpr std::uint32_t kWhitePixel = 0x00FFFFFF;

class TextDrawTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    font = CreateDialogFont(nullptr, 14);
  }
  void TearDown() override {
    gui::DeleteFont(font);
    HeadlessTest::TearDown();
  }
  // Draws into a white 300 × 100 canvas and returns the ink's bounding box.
  RECT InkOf(const wchar_t* text, RECT rect, UINT format) {
    gui::FillRectColor(canvas.dc(), &all, 0xFFFFFF);
    gui::SelectObject(canvas.dc(), font);
    gui::SetTextColor(canvas.dc(), 0x000000);
    gui::SetBkMode(canvas.dc(), TRANSPARENT);
    gui::DrawTextW(canvas.dc(), text, -1, &rect, format);
    RECT ink{300, 100, -1, -1};
    for (int y = 0; y < 100; ++y) {
      for (int x = 0; x < 300; ++x) {
        if (PixelAt(canvas.dc(), x, y) == kWhitePixel) continue;
        ink.left = std::min<LONG>(ink.left, x);
        ink.top = std::min<LONG>(ink.top, y);
        ink.right = std::max<LONG>(ink.right, x + 1);
        ink.bottom = std::max<LONG>(ink.bottom, y + 1);
      }
    }
    return ink;
  }
  HFONT font = nullptr;
  gui::MemoryCanvas canvas{300, 100};
  const RECT all{0, 0, 300, 100};
};

TEST_F(TextDrawTest, AlignmentFlagsPlaceASingleLine) {
  const RECT box{20, 10, 280, 90};
  const RECT left = InkOf(L"Install", box, DT_SINGLELINE | DT_VCENTER);
  const RECT centre = InkOf(L"Install", box, DT_SINGLELINE | DT_VCENTER | DT_CENTER);
  const RECT right = InkOf(L"Install", box, DT_SINGLELINE | DT_VCENTER | DT_RIGHT);
  EXPECT_LT(left.left, 25);
  EXPECT_GT(right.right, 272);
  EXPECT_LE(right.right, 280);
  EXPECT_NEAR((centre.left + centre.right) / 2, 150, 3);
  // Vertically centred in 10 … 90.
  EXPECT_NEAR((left.top + left.bottom) / 2, 50, 4);
  const RECT top = InkOf(L"Install", box, DT_SINGLELINE);
  EXPECT_LT(top.top, 20);
}

TEST_F(TextDrawTest, MeasuringGivesTheExtentAndDrawsNothing) {
  RECT single{10, 10, 290, 90};
  gui::FillRectColor(canvas.dc(), &all, 0xFFFFFF);
  gui::SelectObject(canvas.dc(), font);
  const int h = gui::DrawTextW(canvas.dc(), L"Install", -1, &single, DT_SINGLELINE | DT_CALCRECT);
  EXPECT_EQ(single.left, 10);
  EXPECT_EQ(single.top, 10);
  EXPECT_GT(single.right - single.left, 20);
  EXPECT_LT(single.right - single.left, 100);
  EXPECT_EQ(single.bottom - single.top, h);
  EXPECT_FALSE(HasInk(canvas.dc(), all, kWhitePixel));

  RECT wrapped{0, 0, 80, 100};
  gui::DrawTextW(canvas.dc(), L"one two three four five six", -1, &wrapped, DT_WORDBREAK | DT_CALCRECT);
  EXPECT_LE(wrapped.right, 80);
  EXPECT_GE(wrapped.bottom, 2 * h);  // more than one line
}

TEST_F(TextDrawTest, TextStaysInsideItsRectangle) {
  const RECT box{50, 40, 90, 60};
  const RECT ink = InkOf(L"A much longer caption than fits", box, DT_SINGLELINE | DT_VCENTER);
  EXPECT_GE(ink.left, 50);
  EXPECT_LE(ink.right, 90);
  EXPECT_GE(ink.top, 40);
  EXPECT_LE(ink.bottom, 60);
  // The unused top byte of every word stays clear.
  for (int i = 0; i < 300 * 100; ++i) ASSERT_EQ(canvas.bitmap().Pixels()[i] >> 24, 0u);
}

TEST_F(TextDrawTest, EditControlDropsAPartlyVisibleLastLine) {
  RECT measure{0, 0, 300, 100};
  gui::SelectObject(canvas.dc(), font);
  const int line = gui::DrawTextW(canvas.dc(), L"x", -1, &measure, DT_SINGLELINE | DT_CALCRECT);
  const RECT box{0, 0, 300, line + line / 2};
  const wchar_t* text = L"first line\nsecond line";
  const RECT cut = InkOf(text, box, DT_WORDBREAK | DT_EDITCONTROL);
  const RECT plain = InkOf(text, box, DT_WORDBREAK);
  EXPECT_LE(cut.bottom, line);    // only the first line
  EXPECT_GT(plain.bottom, line);  // a plain wrap shows the cut second line
}

TEST_F(TextDrawTest, DialogFacesResolveToTheInstalledFonts) {
  EXPECT_EQ(gui::ResolveFontFamily(L"微软雅黑").rfind("WenQuanYi Micro Hei", 0), 0u);
  EXPECT_EQ(gui::ResolveFontFamily(L"ArialMT").rfind("Liberation Sans", 0), 0u);
  // CJK text draws with real glyphs.
  const RECT ink = InkOf(L"中文安装", RECT{0, 0, 300, 100}, DT_SINGLELINE);
  EXPECT_GT(ink.right - ink.left, 40);
  EXPECT_EQ(font->Params().pixelHeight, 14);
  EXPECT_EQ(font->Params().face, L"微软雅黑");
}

TEST(FontHeights, MulDivRoundsHalfAwayFromZero) {
  EXPECT_EQ(gui::MulDiv(14, 144, 96), 21);
  EXPECT_EQ(gui::MulDiv(15, 120, 96), 19);  // 18.75
  EXPECT_EQ(gui::MulDiv(-7, 3, 2), -11);    // −10.5
  EXPECT_EQ(gui::MulDiv(7, 3, 2), 11);
  EXPECT_EQ(gui::MulDiv(5, 1, 3), 2);  // 1.67
  EXPECT_EQ(gui::MulDiv(4, 1, 3), 1);
  EXPECT_EQ(gui::MulDiv(1, 1, 0), -1);
}

class HighDpiTextTest : public HeadlessTest {
 protected:
  gui::HeadlessOptions Options() override {
    gui::HeadlessOptions o;
    o.dpi = 144;
    return o;
  }
};

TEST_F(HighDpiTextTest, DialogFontsScaleWithTheScreen) {
  HFONT font = CreateDialogFont(nullptr, 14, true);
  EXPECT_EQ(font->Params().pixelHeight, 21);
  EXPECT_TRUE(font->Params().underline);
  gui::DeleteFont(font);
}

}  // namespace
}  // namespace uitest

namespace uitest {
namespace {

class SystemLanguageFontTest : public HeadlessTest {};

// The face's Japanese glyphs run large: a Japanese system gets 12 pixels, any other
// 11 points (15 pixels at 96 DPI), whatever the debug override says.
TEST_F(SystemLanguageFontTest, JapaneseSystemsGetTheSmallerSize) {
  const char* saved = std::getenv("LC_ALL");
  const std::string previous = saved ? saved : "";
  for (const auto& [locale, pixels] : {std::pair{"ja_JP.UTF-8", 12}, std::pair{"de_DE.UTF-8", 15}}) {
    setenv("LC_ALL", locale, 1);
    HFONT font = CreateSystemLanguageFont(nullptr);
    ASSERT_NE(font, nullptr);
    EXPECT_EQ(font->Params().pixelHeight, pixels) << locale;
    gui::DeleteFont(font);
  }
  if (saved) {
    setenv("LC_ALL", previous.c_str(), 1);
  } else {
    unsetenv("LC_ALL");
  }
}

}  // namespace
}  // namespace uitest
