#include "setup/diagnostics_view.h"

#include <algorithm>
#include <cstdio>

#include "base/debug_switches.h"
#include "platform/clock.h"
#include "platform/gui/draw.h"
#include "platform/gui/native_controls.h"
#include "platform/gui/window.h"
#include "platform/text.h"
#include "setup/download_progress.h"
#include "setup/format_size.h"
#include "ui/ui_font.h"

namespace setup {

namespace gui = platform::gui;

namespace {

// Template 189 is 803 × 410 dialog units of an 8-point dialog font: 1.5 and 1.625
// pixels a unit at 96 DPI.
constexpr int DluX(int units) { return units * 3 / 2; }
constexpr int DluY(int units) { return units * 13 / 8; }
constexpr int kDesignWidth = DluX(803);
constexpr int kDesignHeight = DluY(410);

constexpr COLORREF kFaceColour = 0xF0F0F0;
constexpr COLORREF kGroupFrame = 0xDCDCDC;
constexpr COLORREF kText = 0x000000;
constexpr COLORREF kButtonFrame = 0xADADAD;
constexpr COLORREF kButtonFill = 0xE1E1E1;
constexpr COLORREF kButtonHover = 0xFBF1E5;
constexpr COLORREF kButtonHoverFrame = 0xD77800;
constexpr int kFontPixels = 11;

struct Column {
  const wchar_t* title;
  int width;
};
constexpr Column kColumns[8] = {{L"Num", 100}, {L"Start", 100}, {L"End", 100},    {L"Current", 100},
                                {L"Rate", 50}, {L"Speed", 100}, {L"Status", 150}, {L"Url", 450}};

std::wstring Wide(const std::string& text) { return platform::NarrowToWide(text); }

std::wstring RateText(const download::DownloadItem& item) {
  const std::uint32_t written = item.nCurrent > item.nStart ? item.nCurrent - item.nStart : 0;
  float rate = 0.0f;
  if (item.nEnd > item.nStart) {
    rate = static_cast<float>(written) * 100.0f / static_cast<float>(item.nEnd - item.nStart);
  } else if (item.nEnd == item.nStart) {
    rate = written > 0 ? 100.0f : 0.0f;  // a one-byte segment is done or not
  }
  wchar_t text[32];
  std::swprintf(text, 32, L"%.2f", static_cast<double>(std::clamp(rate, 0.0f, 100.0f)));
  return text;
}

// UI thread only: the instance the dialog procedure serves.
InfoViewDlg* g_uiInstance = nullptr;

std::mutex g_viewMutex;
std::shared_ptr<InfoViewDlg> g_view;  // under g_viewMutex

INT_PTR InfoViewDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return g_uiInstance ? g_uiInstance->DialogProc(hwnd, msg, wParam, lParam) : 0;
}

}  // namespace

std::wstring ItemStatusName(int status) {
  switch (status) {
    case download::E_Status_Runing: return L"E_Status_Runing";
    case download::E_Status_StopByDispatch: return L"E_Status_StopByDispatch";
    case download::E_Status_Fail: return L"E_Status_Fail";
    case download::E_Status_Succeed: return L"E_Status_Succeed";
    case download::E_Status_Replaced: return L"E_Status_Replaced";
    default: return L"Unknown(" + std::to_wstring(status) + L")";
  }
}

std::array<std::wstring, 8> InfoViewRow(const download::DownloadItem& item) {
  const std::uint32_t written = item.nCurrent > item.nStart ? item.nCurrent - item.nStart : 0;
  return {std::to_wstring(item.nId),
          Wide(FormatSize(item.nStart)),
          Wide(FormatSize(item.nEnd)),
          Wide(FormatSize(written)),
          RateText(item),
          Wide(FormatSpeed(static_cast<std::uint32_t>(std::max(item.nSpeed, 0)))),
          ItemStatusName(item.nStatus),
          item.pszUrl ? Wide(item.pszUrl) : std::wstring()};
}

std::vector<std::vector<std::wstring>> InfoViewRows(const download::DownloadInfo& info) {
  std::vector<std::vector<std::wstring>> rows;
  rows.reserve(info.mapItems.size() + 1);
  for (const auto& [id, item] : info.mapItems) {
    const auto row = InfoViewRow(item);
    rows.emplace_back(row.begin(), row.end());
  }
  rows.push_back({L"Total Speed:", Wide(FormatSize(static_cast<std::uint32_t>(SumRunningSpeeds(info.mapItems))))});
  return rows;
}

InfoViewDlg::InfoViewDlg() { closeFlags = 0; }  // Enter and Escape leave it open

InfoViewDlg::~InfoViewDlg() { gui::DeleteFont(font_); }

int InfoViewDlg::OnInitDialog(HWND window) {
  ui::CommonDlg::OnInitDialog(window);
  gui::SetWindowTextW(window, L"Info View");
  font_ = ui::CreateDialogFont(window, kFontPixels, false, L"MS Shell Dlg");
  auto scaled = [this](int left, int top, int width, int height) {
    return RECT{ScaleByDpi(left), ScaleByDpi(top), ScaleByDpi(left + width), ScaleByDpi(top + height)};
  };
  listView_ = gui::CreateListView(window, scaled(DluX(7), DluY(45), DluX(789), DluY(358)), kListViewId);
  logList_ = gui::CreateListBox(window, scaled(DluX(7), DluY(43), DluX(789), DluY(360)), kLogListId);
  for (int i = 0; i < 8; ++i) gui::ListViewInsertColumn(listView_, i, kColumns[i].title, kColumns[i].width);
  gui::ListViewDeleteAllItems(listView_);

  auto makeButton = [&](int id, int left, const wchar_t* caption) {
    const RECT r = scaled(DluX(left), DluY(24), DluX(50), DluY(14));
    auto button = std::make_unique<ui::ButtonColorCtrlEx>(window, r.left, r.top, r.right, r.bottom);
    button->SetID(id);
    button->SetCaption(caption);
    button->SetFont(font_);
    button->SetTextFormat(DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    button->SetStateTextColors(kText, kText, kText, 0x6D6D6D);
    button->SetFrameColors(kButtonFrame, kButtonHoverFrame, kButtonHoverFrame, kButtonFrame);
    button->SetFillColors(kButtonFill, kButtonHover, 0xF7E4CC, kButtonFill);
    button->SetFrameWidth(1);
    controls.AddToPaintList(button.get());
    controls.AddToMouseList(button.get());
    return button;
  };
  infoButton_ = makeButton(kInfoButtonId, 7, L"Info");
  logButton_ = makeButton(kLogButtonId, 66, L"Log");
  ShowPage(true);
  return 1;
}

void InfoViewDlg::ShowPage(bool segments) {
  gui::ShowWindow(listView_, segments ? SW_SHOW : SW_HIDE);
  gui::ShowWindow(logList_, segments ? SW_HIDE : SW_SHOW);
}

int InfoViewDlg::PreHandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND: return 1;
    default: return ui::CommonDlg::PreHandleMessage(msg, wParam, lParam);
  }
}

int InfoViewDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case kInfoButtonId: ShowPage(true); return 1;
    case kLogButtonId: ShowPage(false); return 1;
    default: return ui::CommonDlg::OnCommand(wParam, lParam);
  }
}

void InfoViewDlg::OnPaint() {
  RECT client{};
  if (!hwnd || !gui::GetClientRect(hwnd, &client)) return;
  gui::MemoryCanvas canvas(client.right, client.bottom);
  HDC dc = canvas.dc();
  FillSolidRect(dc, &client, kFaceColour);
  // The group box "Info :": a one-pixel frame with its title on the top edge.
  const RECT group{ScaleByDpi(DluX(7)), ScaleByDpi(DluY(7)), ScaleByDpi(DluX(7 + 789)), ScaleByDpi(DluY(7 + 396))};
  const RECT edges[4] = {{group.left, group.top + 6, group.right, group.top + 7},
                         {group.left, group.bottom - 1, group.right, group.bottom},
                         {group.left, group.top + 6, group.left + 1, group.bottom},
                         {group.right - 1, group.top + 6, group.right, group.bottom}};
  for (const RECT& edge : edges) FillSolidRect(dc, &edge, kGroupFrame);
  RECT title{group.left + 8, group.top, group.left + 60, group.top + 14};
  gui::SelectObject(dc, font_);
  gui::SetTextColor(dc, kText);
  gui::SetBkMode(dc, TRANSPARENT);
  RECT measured = title;
  gui::DrawTextW(dc, L"Info :", -1, &measured, DT_LEFT | DT_SINGLELINE | DT_CALCRECT);
  const RECT gap{title.left - 2, group.top + 6, measured.right + 2, group.top + 7};
  FillSolidRect(dc, &gap, kFaceColour);
  gui::DrawTextW(dc, L"Info :", -1, &title, DT_LEFT | DT_TOP | DT_SINGLELINE);
  controls.PaintAll(dc);
  gui::PresentFrame(hwnd, 0, 0, client.right, client.bottom, dc, 0, 0);
}

void InfoViewDlg::Update(const download::DownloadInfo& info, std::uint32_t now) {
  std::uint32_t last = lastUpdate_.load();
  if (now - last < kUpdatePeriodMs) return;
  if (!lastUpdate_.compare_exchange_strong(last, now)) return;  // another caller refreshes
  auto rows = InfoViewRows(info);
  gui::PostToUi([self = shared_from_this(), rows = std::move(rows)]() mutable {
    gui::ListViewSetRows(self->listView_, std::move(rows));
  });
}

void InfoViewDlg::AppendLogLine(const char* text) {
  if (!text) return;
  std::wstring line = platform::NarrowToWide(text);
  while (!line.empty() && (line.back() == L'\n' || line.back() == L'\r')) line.pop_back();
  {
    std::lock_guard<std::mutex> lock(pendingMutex_);
    pendingLines_.push_back(std::move(line));
    if (drainPosted_) return;
    drainPosted_ = true;
  }
  gui::PostToUi([self = shared_from_this()] { self->DrainLogLines(); });
}

void InfoViewDlg::DrainLogLines() {
  std::vector<std::wstring> lines;
  {
    std::lock_guard<std::mutex> lock(pendingMutex_);
    lines.swap(pendingLines_);
    drainPosted_ = false;
  }
  gui::ListBoxAddStrings(logList_, lines);
}

bool CreateInfoViewIfEnabled() {
  if (!base::IsInfoViewEnabled()) return false;
  if (CurrentInfoView()) return true;
  gui::RegisterDialogTemplate(InfoViewDlg::kTemplate, kDesignWidth, kDesignHeight);
  auto view = std::make_shared<InfoViewDlg>();
  g_uiInstance = view.get();
  HWND window = gui::CreateDialogParamW(nullptr, InfoViewDlg::kTemplate, nullptr, &InfoViewDialogProc, 0);
  if (!window) {
    g_uiInstance = nullptr;
    return false;
  }
  std::lock_guard<std::mutex> lock(g_viewMutex);
  g_view = std::move(view);
  return true;
}

std::shared_ptr<InfoViewDlg> CurrentInfoView() {
  std::lock_guard<std::mutex> lock(g_viewMutex);
  return g_view;
}

void UpdateInfoView(const download::DownloadInfo& info) {
  if (auto view = CurrentInfoView()) view->Update(info, platform::GetTickCount());
}

int AppendLogLineToInfoView(const char* text) {
  if (auto view = CurrentInfoView()) view->AppendLogLine(text);
  return 1;
}

void ResetInfoViewForTests() {
  std::shared_ptr<InfoViewDlg> view;
  {
    std::lock_guard<std::mutex> lock(g_viewMutex);
    view.swap(g_view);
  }
  if (view && view->hwnd && gui::IsWindow(view->hwnd)) gui::DestroyWindow(view->hwnd);
  g_uiInstance = nullptr;
}

}  // namespace setup
