#include <gtest/gtest.h>

#include "tests/ui/ui_test_support.h"
#include "ui/common_dlg.h"
#include "ui/wnd_shadow.h"

using namespace ui;

namespace uitest {
namespace {

namespace headless = gui::headless;

std::uint32_t Alpha(std::uint32_t pixel) { return pixel >> 24; }

TEST(ShadowPicture, HaloAroundA622By405Window) {
  CWndShadow shadow;
  const RECT window{100, 50, 722, 455};
  const int W = 682, H = 465;
  std::vector<std::uint32_t> dib(static_cast<size_t>(W) * H, 0u);
  shadow.MakeShadow(dib.data(), nullptr, &window);
  // Rows are stored bottom-up; `at` takes rows counted from the top.
  auto at = [&](int x, int yFromTop) { return dib[static_cast<size_t>(H - 1 - yFromTop) * W + x]; };

  const int row = 30 + 200;                         // beside the window
  EXPECT_EQ(at(29, row), (29u << 24) | 0x050505u);  // distance 1: alpha 29, 50·29/255 = 5
  EXPECT_EQ(Alpha(at(1, row)), 1u);                 // distance 29
  EXPECT_EQ(at(0, row), 0u);                        // distance 30
  EXPECT_EQ(Alpha(at(652, row)), 29u);
  EXPECT_EQ(Alpha(at(680, row)), 1u);
  EXPECT_EQ(at(681, row), 0u);
  EXPECT_EQ(Alpha(at(300, 29)), 29u);   // above the window
  EXPECT_EQ(Alpha(at(300, 435)), 29u);  // below it
  EXPECT_EQ(at(300, 0), 0u);
  for (int y = 30; y < 435; ++y) {
    for (int x = 30; x < 652; ++x) ASSERT_EQ(at(x, y), 0u) << x << "," << y;  // clear under the window
  }
  // Nothing exceeds the darkness, and the corner fades too.
  std::uint32_t darkest = 0;
  for (std::uint32_t p : dib) darkest = std::max(darkest, Alpha(p));
  EXPECT_EQ(darkest, 29u);
  EXPECT_EQ(at(0, 0), 0u);
  EXPECT_LT(Alpha(at(10, 10)), Alpha(at(25, 25)));
}

TEST(ShadowPicture, PreMultiplyScalesEachChannel) {
  EXPECT_EQ(CWndShadow::PreMultiply(0x323232, 29), 0x050505u);
  EXPECT_EQ(CWndShadow::PreMultiply(RGB(255, 128, 0), 255), 0xFF8000u);
  EXPECT_EQ(CWndShadow::PreMultiply(RGB(255, 128, 10), 128), (128u << 16) | (64u << 8) | 5u);
  EXPECT_EQ(CWndShadow::PreMultiply(0xFFFFFF, 0), 0u);
}

// A dialog that attaches a shadow on every message, as the setup dialog does.
class ShadowedDlg : public CommonDlg {
 public:
  ShadowedDlg() {
    scaleToDesignSize = 1;
    designWidth = 622;
    designHeight = 405;
  }
  CWndShadow shadow;
};
ShadowedDlg* g_dialog = nullptr;
INT_PTR ShadowedProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!g_dialog) return 0;
  g_dialog->shadow.Create(hwnd);
  return g_dialog->DialogProc(hwnd, msg, wParam, lParam);
}

class ShadowTest : public HeadlessTest {
 protected:
  gui::HeadlessOptions Options() override {
    gui::HeadlessOptions o;
    o.composited = true;
    return o;
  }
  void Run(ShadowedDlg& dialog) {
    g_dialog = &dialog;
    gui::DialogBoxParamW(nullptr, 130, nullptr, &ShadowedProc, 0);
    g_dialog = nullptr;
  }
};

TEST_F(ShadowTest, ShadowWindowFollowsItsParent) {
  ASSERT_TRUE(CWndShadow::Initialize(nullptr));
  EXPECT_FALSE(CWndShadow::Initialize(nullptr));  // once only
  ShadowedDlg dialog;
  RECT parent{}, shadowRect{}, moved{};
  int width = 0, height = 0;
  std::vector<std::uint32_t> picture;
  bool visibleAfterMinimise = true, visibleAfterRestore = false;
  int framesBeforeRestore = 0, framesAfterRestore = 0;
  HWND shadowBefore = nullptr;
  headless::AddStep([&] {
    HWND box = headless::ActiveDialog();
    HWND shadow = dialog.shadow.shadowWindow;
    ASSERT_TRUE(gui::IsWindow(shadow));
    gui::GetWindowRect(box, &parent);
    gui::GetWindowRect(shadow, &shadowRect);
    picture = headless::LayeredPicture(shadow, &width, &height);

    gui::MoveWindow(box, parent.left + 40, parent.top + 25, 622, 405, 0);
    gui::GetWindowRect(shadow, &moved);

    gui::ShowWindow(box, SW_MINIMIZE);
    visibleAfterMinimise = gui::IsWindowVisible(shadow);
    framesBeforeRestore = headless::FramesPresented(shadow);
    headless::Restore(box);
    visibleAfterRestore = gui::IsWindowVisible(shadow);
    framesAfterRestore = headless::FramesPresented(shadow);

    shadowBefore = shadow;
    const std::uint8_t status = dialog.shadow.status;
    dialog.shadow.Create(box);  // a second call changes nothing
    EXPECT_EQ(dialog.shadow.shadowWindow, shadowBefore);
    EXPECT_EQ(dialog.shadow.status, status);
    gui::EndDialog(box, 0);
  });
  Run(dialog);

  EXPECT_EQ(width, 682);
  EXPECT_EQ(height, 465);
  EXPECT_EQ(shadowRect.left, parent.left - 30);
  EXPECT_EQ(shadowRect.top, parent.top - 30);
  EXPECT_EQ(shadowRect.right - shadowRect.left, 682);
  ASSERT_EQ(picture.size(), 682u * 465u);
  EXPECT_EQ(picture[static_cast<size_t>(230) * 682 + 29] >> 24, 29u);  // top-down in the window
  EXPECT_EQ(picture[static_cast<size_t>(230) * 682 + 300], 0u);
  EXPECT_EQ(moved.left, parent.left + 40 - 30);
  EXPECT_EQ(moved.top, parent.top + 25 - 30);
  EXPECT_FALSE(visibleAfterMinimise);
  EXPECT_TRUE(visibleAfterRestore);
  EXPECT_GT(framesAfterRestore, framesBeforeRestore);  // recomputed on restore
  // The shadow went with its parent.
  EXPECT_FALSE(gui::IsWindow(shadowBefore));
}

TEST_F(ShadowTest, GrowingWaitsForThePaintShrinkingRedrawsAtOnce) {
  ASSERT_TRUE(CWndShadow::Initialize(nullptr));
  ShadowedDlg dialog;
  int widthAfterGrow = 0, widthAfterPaint = 0, widthAfterShrink = 0;
  headless::AddStep([&] {
    HWND box = headless::ActiveDialog();
    HWND shadow = dialog.shadow.shadowWindow;
    RECT r{};
    gui::GetWindowRect(box, &r);
    gui::MoveWindow(box, r.left, r.top, 700, 405, 0);
    headless::LayeredPicture(shadow, &widthAfterGrow, nullptr);
    gui::SendMessageW(box, WM_PAINT, 0, 0);
    headless::LayeredPicture(shadow, &widthAfterPaint, nullptr);
    gui::MoveWindow(box, r.left, r.top, 500, 405, 0);
    headless::LayeredPicture(shadow, &widthAfterShrink, nullptr);
    gui::EndDialog(box, 0);
  });
  Run(dialog);
  EXPECT_EQ(widthAfterGrow, 682);  // still the old picture
  EXPECT_EQ(widthAfterPaint, 760);
  EXPECT_EQ(widthAfterShrink, 560);
}

class NoCompositorShadowTest : public HeadlessTest {};

TEST_F(NoCompositorShadowTest, WithoutACompositorThereIsNoShadow) {
  EXPECT_FALSE(CWndShadow::Initialize(nullptr));
  ShadowedDlg dialog;
  bool ran = false;
  headless::AddStep([&] {
    ran = true;
    EXPECT_FALSE(gui::IsWindow(dialog.shadow.shadowWindow));
    EXPECT_EQ(dialog.shadow.created, 1);
    // Only the dialog itself exists.
    EXPECT_EQ(headless::Windows().size(), 1u);
    gui::EndDialog(headless::ActiveDialog(), 0);
  });
  g_dialog = &dialog;
  gui::DialogBoxParamW(nullptr, 130, nullptr, &ShadowedProc, 0);
  g_dialog = nullptr;
  EXPECT_TRUE(ran);
}

}  // namespace
}  // namespace uitest
