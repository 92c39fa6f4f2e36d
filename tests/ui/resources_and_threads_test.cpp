#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/ui/ui_test_support.h"
#include "ui/bm_data.h"
#include "ui/common_dlg.h"

using namespace ui;

namespace uitest {
namespace {

namespace headless = gui::headless;

TEST(Artwork, BitmapsHaveTheSizesTheDialogsLayOut) {
  struct Expected {
    int id, width, height;
  };
  for (const Expected& e :
       {Expected{174, 100, 32},  Expected{176, 100, 32},  Expected{177, 100, 32},  Expected{178, 17, 21},
        Expected{179, 17, 21},   Expected{180, 17, 21},   Expected{175, 30, 30},   Expected{140, 17, 21},
        Expected{144, 17, 21},   Expected{138, 92, 15},   Expected{139, 92, 15},   Expected{187, 92, 15},
        Expected{188, 92, 15},   Expected{132, 255, 255}, Expected{133, 255, 255}, Expected{182, 255, 255},
        Expected{183, 255, 255}, Expected{184, 9, 9},     Expected{185, 622, 405}, Expected{148, 17, 21},
        Expected{149, 17, 21}}) {
    BMData data;
    ASSERT_EQ(data.Load(e.id), 1) << e.id;
    EXPECT_EQ(data.width, e.width) << e.id;
    EXPECT_EQ(data.height, e.height) << e.id;
    ASSERT_NE(data.pixels, nullptr);
    // The pixel copy matches the bitmap and carries no alpha byte.
    EXPECT_EQ(data.pixels[0], data.hBitmap->Pixels()[0]);
    for (int i = 0; i < data.width * data.height; ++i) ASSERT_EQ(data.pixels[i] >> 24, 0u) << e.id;
  }
}

TEST(Artwork, MissingBitmapLeavesTheHolderEmpty) {
  BMData data;
  ASSERT_EQ(data.Load(175), 1);
  EXPECT_EQ(data.Load(99999), 0);
  EXPECT_EQ(data.hBitmap, nullptr);
  EXPECT_EQ(data.pixels, nullptr);
  EXPECT_EQ(data.width, 0);
}

class PlainDlg : public CommonDlg {
 public:
  PlainDlg() {
    scaleToDesignSize = 1;
    designWidth = 420;
    designHeight = 210;
  }
  int OnCommand(WPARAM wParam, LPARAM) override {
    lastCommand = LOWORD(wParam);
    if (lastCommand == 4000) gui::EndDialog(hwnd, 42);
    return 1;
  }
  int lastCommand = 0;
};
PlainDlg* g_plain = nullptr;
INT_PTR PlainProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return g_plain ? g_plain->DialogProc(hwnd, msg, wParam, lParam) : 0;
}

class UiThreadTest : public HeadlessTest {};

TEST_F(UiThreadTest, OtherThreadsHandWorkToTheUiThread) {
  PlainDlg dialog;
  g_plain = &dialog;
  std::atomic<bool> ranOnUi{false};
  std::atomic<int> sentResult{0};
  std::thread worker;
  headless::AddStep([&] {
    HWND box = headless::ActiveDialog();
    worker = std::thread([&, box] {
      gui::SendToUi([&] { ranOnUi = gui::IsUiThread(); });
      // A message sent from a worker runs on the UI thread and returns its result.
      sentResult = static_cast<int>(gui::SendMessageW(box, WM_COMMAND, 3999, 0));
      gui::PostMessageW(box, WM_COMMAND, 4000, 0);
    });
  });
  const INT_PTR result = gui::DialogBoxParamW(nullptr, 173, nullptr, &PlainProc, 0);
  worker.join();
  g_plain = nullptr;
  EXPECT_EQ(result, 42);
  EXPECT_TRUE(ranOnUi);
  EXPECT_EQ(sentResult, 1);
  EXPECT_EQ(dialog.lastCommand, 4000);
}

TEST_F(UiThreadTest, EndDialogFromAWorkerEndsTheRun) {
  PlainDlg dialog;
  g_plain = &dialog;
  std::thread worker;
  headless::AddStep([&] {
    HWND box = headless::ActiveDialog();
    worker = std::thread([box] { gui::EndDialog(box, 5); });
  });
  const INT_PTR result = gui::DialogBoxParamW(nullptr, 173, nullptr, &PlainProc, 0);
  worker.join();
  g_plain = nullptr;
  EXPECT_EQ(result, 5);
}

TEST_F(UiThreadTest, PaintersPresentWhileTheWindowGoesAway) {
  HWND owner = CreateOwner();
  std::atomic<bool> stop{false};
  std::thread painter([&] {
    gui::MemoryCanvas canvas(64, 64);
    while (!stop) {
      gui::PresentFrame(owner, 0, 0, 64, 64, canvas.dc(), 0, 0);
      gui::InvalidateRect(owner, nullptr, 0);
      HDC dc = gui::GetDC(owner);
      gui::ReleaseDC(owner, dc);
    }
  });
  while (headless::FramesPresented(owner) < 20) std::this_thread::yield();
  gui::DestroyWindow(owner);
  headless::RunQueuedTasks();
  stop = true;
  painter.join();
  EXPECT_FALSE(gui::IsWindow(owner));
  EXPECT_EQ(gui::GetDC(owner), nullptr);
}

}  // namespace
}  // namespace uitest
