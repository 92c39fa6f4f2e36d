// The diagnostics view: its rows, its refresh limit, the log page and the switch.
#include <gtest/gtest.h>

#include <fstream>
#include <thread>

#include "base/debug_switches.h"
#include "platform/gui/native_controls.h"
#include "platform/text.h"
#include "setup/diagnostics_view.h"
#include "tests/ui/ui_test_support.h"

using namespace base;
using namespace download;
using namespace setup;

namespace uitest {
namespace {

namespace headless = gui::headless;

TEST(InfoViewRowTest, SegmentRowsAndTheTotal) {
  DownloadItem item{.nId = 7, .nStart = 0, .nCurrent = 500, .nEnd = 999, .pszUrl = "http://127.0.0.11:8600/a.exe"};
  item.nSpeed = 1025;
  auto row = InfoViewRow(item);
  EXPECT_EQ(row[0], L"7");
  EXPECT_EQ(row[1], L"0Byte");
  EXPECT_EQ(row[2], L"999Byte");
  EXPECT_EQ(row[3], L"500Byte");
  EXPECT_EQ(row[4], L"50.05");
  EXPECT_EQ(row[5], L"1.00KB/s");
  EXPECT_EQ(row[6], L"E_Status_Runing");
  EXPECT_EQ(row[7], L"http://127.0.0.11:8600/a.exe");

  // Size texts at the unit edges, written bytes counted from the segment's start.
  item = DownloadItem{.nStart = 1024, .nCurrent = 1024 + 1048577, .nEnd = 1048576};
  row = InfoViewRow(item);
  EXPECT_EQ(row[1], L"1024Byte");
  EXPECT_EQ(row[2], L"1024.00KB");
  EXPECT_EQ(row[3], L"1.00MB");
  EXPECT_EQ(row[4], L"100.00");  // past its end still reads complete
  EXPECT_EQ(InfoViewRow(DownloadItem{.nStart = 1025, .nCurrent = 1025, .nEnd = 2050})[1], L"1.00KB");

  // A one-byte segment, and one not started yet.
  EXPECT_EQ(InfoViewRow(DownloadItem{.nStart = 9, .nCurrent = 9, .nEnd = 9})[4], L"0.00");
  EXPECT_EQ(InfoViewRow(DownloadItem{.nStart = 9, .nCurrent = 10, .nEnd = 9})[4], L"100.00");
  EXPECT_EQ(InfoViewRow(DownloadItem{.nStart = 9, .nCurrent = 0, .nEnd = 20})[3], L"0Byte");
  EXPECT_EQ(ItemStatusName(E_Status_Replaced), L"E_Status_Replaced");
  EXPECT_EQ(ItemStatusName(9), L"Unknown(9)");

  DownloadInfo info;
  info.mapItems[2] = DownloadItem{.nId = 2, .nSpeed = 2048, .nStatus = E_Status_Runing};
  info.mapItems[1] = DownloadItem{.nId = 1, .nSpeed = 5000, .nStatus = E_Status_Fail};
  info.mapItems[3] = DownloadItem{.nId = 3, .nSpeed = 1024, .nStatus = E_Status_Runing};
  const auto rows = InfoViewRows(info);
  ASSERT_EQ(rows.size(), 4u);
  EXPECT_EQ(rows[0][0], L"1");
  EXPECT_EQ(rows[2][0], L"3");
  EXPECT_EQ(rows[3][0], L"Total Speed:");
  EXPECT_EQ(rows[3][1], L"3.00KB");
}

class InfoViewTest : public HeadlessTest {
 protected:
  void TearDown() override {
    ResetInfoViewForTests();
    HeadlessTest::TearDown();
  }
  void WriteSwitch(const char* value) {
    std::ofstream(platform::WideToNarrow(GetDebugIniPath())) << "[root]\nshow_info_view=" << value << "\n";
  }
  static DownloadInfo Segments(int count) {
    DownloadInfo info;
    for (int i = 0; i < count; ++i) info.mapItems[i] = DownloadItem{.nId = i, .nEnd = 100};
    return info;
  }
};

TEST_F(InfoViewTest, RefreshesAtMostOnceASecondAndSwitchesPages) {
  WriteSwitch("1");
  ASSERT_TRUE(CreateInfoViewIfEnabled());
  auto view = CurrentInfoView();
  ASSERT_TRUE(view);
  HWND window = view->hwnd;
  EXPECT_EQ(gui::GetWindowTextW(window), L"Info View");
  RECT rect{};
  gui::GetWindowRect(window, &rect);
  EXPECT_EQ(rect.left + (rect.right - rect.left) / 2, 960);  // centred on the 1920 × 1080 screen
  EXPECT_EQ(rect.top + (rect.bottom - rect.top) / 2, 540);
  EXPECT_EQ(gui::ListViewGetItemCount(view->ListView()), 0);
  EXPECT_TRUE(gui::IsWindowVisible(view->ListView()));
  EXPECT_FALSE(gui::IsWindowVisible(view->LogList()));

  view->Update(Segments(2), 50000);
  view->Update(Segments(5), 50400);
  headless::RunQueuedTasks();
  EXPECT_EQ(gui::ListViewGetItemCount(view->ListView()), 3);  // two segments and the total
  view->Update(Segments(5), 51000);
  headless::RunQueuedTasks();
  EXPECT_EQ(gui::ListViewGetItemCount(view->ListView()), 6);
  EXPECT_EQ(gui::ListViewGetItemText(view->ListView(), 5, 0), L"Total Speed:");

  // The Log button (66, 24 dialog units) shows the log page, Info the list again.
  headless::Click(window, 99 + 10, 39 + 10);
  EXPECT_FALSE(gui::IsWindowVisible(view->ListView()));
  EXPECT_TRUE(gui::IsWindowVisible(view->LogList()));
  headless::Click(window, 10 + 10, 39 + 10);
  EXPECT_TRUE(gui::IsWindowVisible(view->ListView()));
}

TEST_F(InfoViewTest, LogLinesFromManyThreadsArriveWholeAndInOrder) {
  WriteSwitch("1");
  ASSERT_TRUE(CreateInfoViewIfEnabled());
  auto view = CurrentInfoView();
  constexpr int kThreads = 4, kLines = 200;
  std::vector<std::thread> writers;
  for (int t = 0; t < kThreads; ++t) {
    writers.emplace_back([t] {
      for (int i = 0; i < kLines; ++i)
        AppendLogLineToInfoView(("writer " + std::to_string(t) + " line " + std::to_string(i) + "\n").c_str());
    });
  }
  for (auto& writer : writers) writer.join();
  headless::RunQueuedTasks();
  const int count = gui::ListBoxGetCount(view->LogList());
  ASSERT_EQ(count, kThreads * kLines);
  std::vector<int> next(kThreads, 0);
  for (int i = 0; i < count; ++i) {
    int t = -1, line = -1;
    ASSERT_EQ(std::swscanf(gui::ListBoxGetText(view->LogList(), i).c_str(), L"writer %d line %d", &t, &line), 2);
    EXPECT_EQ(line, next[t]++);
  }
  EXPECT_EQ(gui::ListBoxGetText(view->LogList(), 0).back(), L'0');  // the line feed is not shown
}

TEST_F(InfoViewTest, OnlyTheValueOneOpensIt) {
  for (const char* value : {"0", "2"}) {
    WriteSwitch(value);
    EXPECT_FALSE(CreateInfoViewIfEnabled()) << value;
    EXPECT_FALSE(CurrentInfoView());
    UpdateInfoView(Segments(3));
    AppendLogLineToInfoView("ignored");
    headless::RunQueuedTasks();
    EXPECT_TRUE(headless::Windows().empty()) << value;
  }
}

}  // namespace
}  // namespace uitest
