// "Info View": a developer window that lists the running download's segments with
// their ranges, progress, speeds and mirrors, and on a second page the install log
// as it is written. It exists only when VexDebugConfig.ini has show_info_view = 1.
//
// Threads: creation and the window's messages on the UI thread. Updates (from the
// painter) and log lines (from any thread) are formatted on the caller's thread and
// handed to the UI thread, so no caller waits for the window.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "base/resource_ids.h"
#include "download/downloader.h"
#include "ui/button_color_ctrl_ex.h"
#include "ui/common_dlg.h"
#include "ui/control_lists.h"

namespace setup {

// The text of an item's status.
std::wstring ItemStatusName(int status);
// One row of the segment list: Num, Start, End, Current, Rate, Speed, Status, Url.
std::array<std::wstring, 8> InfoViewRow(const download::DownloadItem& item);
// Every segment in id order, then the "Total Speed:" row.
std::vector<std::vector<std::wstring>> InfoViewRows(const download::DownloadInfo& info);

class InfoViewDlg : public ui::CommonDlg, public std::enable_shared_from_this<InfoViewDlg> {
 public:
  static constexpr int kTemplate = base::resource_ids::kInfoViewTemplate;
  static constexpr int kListViewId = 1001;
  static constexpr int kLogListId = 1005;
  static constexpr int kInfoButtonId = 1006;
  static constexpr int kLogButtonId = 1007;
  static constexpr std::uint32_t kUpdatePeriodMs = 1000;

  InfoViewDlg();
  ~InfoViewDlg() override;

  int OnInitDialog(HWND hwnd) override;
  int PreHandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  int OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;

  // Any thread. Refreshes the segment list unless the last refresh is younger than
  // a second at tick `now`.
  void Update(const download::DownloadInfo& info, std::uint32_t now);
  // Any thread. Queues a log line for the log page.
  void AppendLogLine(const char* text);

  HWND ListView() const { return listView_; }
  HWND LogList() const { return logList_; }

 private:
  void ShowPage(bool segments);
  void DrainLogLines();

  HWND listView_ = nullptr;  // UI thread
  HWND logList_ = nullptr;   // UI thread
  std::atomic<std::uint32_t> lastUpdate_{0};
  std::unique_ptr<ui::ButtonColorCtrlEx> infoButton_;
  std::unique_ptr<ui::ButtonColorCtrlEx> logButton_;
  HFONT font_ = nullptr;

  std::mutex pendingMutex_;
  std::vector<std::wstring> pendingLines_;  // under pendingMutex_
  bool drainPosted_ = false;                // under pendingMutex_
};

// Start-up, UI thread: creates and shows the view when the debug INI enables it.
bool CreateInfoViewIfEnabled();
// The view, or null while none exists. Any thread.
std::shared_ptr<InfoViewDlg> CurrentInfoView();
// Any thread; nothing happens while no view exists.
void UpdateInfoView(const download::DownloadInfo& info);
// The install log's line listener; any thread.
int AppendLogLineToInfoView(const char* text);
// Tests: destroys the view's window and forgets the view (UI thread).
void ResetInfoViewForTests();

}  // namespace setup
