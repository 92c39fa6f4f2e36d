#include <gtest/gtest.h>

#include "platform/gui/native_controls.h"
#include "tests/ui/ui_test_support.h"

namespace uitest {
namespace {

namespace headless = gui::headless;

class NativeControlsTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    owner = CreateOwner();
    ASSERT_NE(owner, nullptr);
  }
  HWND owner = nullptr;
};

TEST_F(NativeControlsTest, EditBoxKeepsItsTextAndGoesWithItsParent) {
  HWND edit = gui::CreateEditBox(owner, RECT{20, 50, 380, 78}, 100);
  ASSERT_NE(edit, nullptr);
  EXPECT_TRUE(gui::IsWindowVisible(edit));
  gui::SetWindowTextW(edit, L"/opt/Corvex11");
  EXPECT_EQ(gui::GetWindowTextW(edit), L"/opt/Corvex11");
  gui::MoveWindow(edit, 30, 60, 300, 28, 0);
  RECT r{};
  gui::GetWindowRect(edit, &r);
  EXPECT_EQ(r.left, 30);
  EXPECT_EQ(r.right, 330);
  gui::ShowWindow(edit, SW_HIDE);
  EXPECT_FALSE(gui::IsWindowVisible(edit));
  gui::DestroyWindow(owner);
  EXPECT_FALSE(gui::IsWindow(edit));
}

TEST_F(NativeControlsTest, ListViewAndListBoxHoldTheirRows) {
  HWND list = gui::CreateListView(owner, RECT{0, 0, 300, 200}, 101);
  EXPECT_EQ(gui::ListViewInsertColumn(list, 0, L"Mirror", 150), 0);
  EXPECT_EQ(gui::ListViewInsertColumn(list, 1, L"Speed", 80), 1);
  EXPECT_EQ(gui::ListViewSetItemText(list, 2, 1, L"12.4MB/s"), 2);
  EXPECT_EQ(gui::ListViewGetItemCount(list), 3);
  EXPECT_EQ(gui::ListViewGetItemText(list, 2, 1), L"12.4MB/s");
  EXPECT_EQ(gui::ListViewGetItemText(list, 0, 0), L"");
  EXPECT_EQ(gui::ListViewSetItemText(list, 0, 5, L"x"), -1);  // no such column
  EXPECT_EQ(gui::ListViewGetItemText(list, 9, 0), L"");
  gui::ListViewDeleteAllItems(list);
  EXPECT_EQ(gui::ListViewGetItemCount(list), 0);

  HWND box = gui::CreateListBox(owner, RECT{0, 0, 100, 100}, 102);
  EXPECT_EQ(gui::ListBoxAddString(box, L"first"), 0);
  EXPECT_EQ(gui::ListBoxAddString(box, L"second"), 1);
  EXPECT_EQ(gui::ListBoxGetCount(box), 2);
  EXPECT_EQ(gui::ListBoxGetText(box, 1), L"second");
  EXPECT_EQ(gui::ListBoxGetText(box, 2), L"");
  gui::ListBoxResetContent(box);
  EXPECT_EQ(gui::ListBoxGetCount(box), 0);
  // The list calls refuse the wrong kind of window.
  EXPECT_EQ(gui::ListBoxAddString(list, L"no"), -1);
}

TEST_F(NativeControlsTest, NativeDialogsTakeTheTestsAnswers) {
  headless::AnswerMessageBox(IDNO);
  EXPECT_EQ(gui::MessageBoxW(owner, L"Replace it?", L"Corvex", MB_YESNO), IDNO);
  EXPECT_EQ(gui::MessageBoxW(owner, L"Done", L"Corvex", MB_OK), IDOK);  // no answer: the first button
  EXPECT_EQ(headless::MessageBoxesShown(), (std::vector<std::wstring>{L"Corvex: Replace it?", L"Corvex: Done"}));

  std::wstring path = L"/opt";
  headless::AnswerFolderPicker(true, L"/opt/Corvex11");
  EXPECT_TRUE(gui::BrowseForFolder(owner, L"Install folder", path));
  EXPECT_EQ(path, L"/opt/Corvex11");
  headless::AnswerFolderPicker(false, L"");
  EXPECT_FALSE(gui::BrowseForFolder(owner, L"Install folder", path));
  EXPECT_EQ(path, L"/opt/Corvex11");
}

TEST_F(NativeControlsTest, PresentingLeavesOutTheRectangleOfANativeChild) {
  gui::MemoryCanvas first(640, 480);
  const RECT all{0, 0, 640, 480};
  gui::FillRectColor(first.dc(), &all, 0x0000FF);
  gui::PresentFrame(owner, 0, 0, 640, 480, first.dc(), 0, 0);
  gui::MemoryCanvas second(640, 480);
  gui::FillRectColor(second.dc(), &all, 0x00FF00);
  const RECT keepOut{20, 50, 380, 78};
  gui::PresentFrame(owner, 0, 0, 640, 480, second.dc(), 0, 0, &keepOut);

  int w = 0, h = 0;
  const auto frame = headless::Frame(owner, &w, &h);
  ASSERT_EQ(w, 640);
  auto at = [&](int x, int y) { return frame[static_cast<size_t>(y) * w + x]; };
  EXPECT_EQ(at(20, 50), 0xFF0000u);  // kept from the first frame
  EXPECT_EQ(at(379, 77), 0xFF0000u);
  EXPECT_EQ(at(380, 77), 0x00FF00u);  // right and bottom edges are outside
  EXPECT_EQ(at(19, 60), 0x00FF00u);
  EXPECT_EQ(at(100, 78), 0x00FF00u);
  EXPECT_EQ(at(0, 0), 0x00FF00u);
}

int g_paints = 0;
LRESULT SelfInvalidatingProc(HWND window, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (msg == WM_PAINT) {
    ++g_paints;
    gui::InvalidateRect(window, nullptr, 0);  // as a control drawing its caption does
  }
  return gui::DefWindowProcW(window, msg, wParam, lParam);
}

TEST_F(NativeControlsTest, PaintRequestsMergeAndPaintingDoesNotLoop) {
  gui::RegisterWindowClass(L"UiTestSelfInvalidating", &SelfInvalidatingProc);
  HWND w = gui::CreateWindowExW(0, L"UiTestSelfInvalidating", L"", WS_POPUP, 0, 0, 10, 10, nullptr);
  ASSERT_NE(w, nullptr);
  g_paints = 0;
  gui::InvalidateRect(w, nullptr, 0);
  gui::InvalidateRect(w, nullptr, 0);
  headless::RunQueuedTasks();
  EXPECT_EQ(g_paints, 1);
  headless::RunQueuedTasks();
  EXPECT_EQ(g_paints, 1);
  gui::InvalidateRect(w, nullptr, 0);
  headless::RunQueuedTasks();
  EXPECT_EQ(g_paints, 2);
}

TEST_F(NativeControlsTest, APaintLeftForAGoneWindowDoesNotReachItsSuccessor) {
  gui::RegisterWindowClass(L"UiTestSelfInvalidating", &SelfInvalidatingProc);
  HWND first = gui::CreateWindowExW(0, L"UiTestSelfInvalidating", L"", WS_POPUP, 0, 0, 10, 10, nullptr);
  gui::InvalidateRect(first, nullptr, 0);
  gui::DestroyWindow(first);  // its paint is still queued
  // The allocator tends to hand the same address to the next window.
  HWND second = gui::CreateWindowExW(0, L"UiTestSelfInvalidating", L"", WS_POPUP, 0, 0, 10, 10, nullptr);
  g_paints = 0;
  gui::InvalidateRect(second, nullptr, 0);
  headless::RunQueuedTasks();
  EXPECT_EQ(g_paints, 1);
  headless::RunQueuedTasks();
  EXPECT_EQ(g_paints, 1);
}

}  // namespace
}  // namespace uitest
