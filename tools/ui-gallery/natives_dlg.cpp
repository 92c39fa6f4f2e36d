#include "tools/ui-gallery/natives_dlg.h"

#include <cstdio>

#include "platform/gui/draw.h"
#include "platform/gui/native_controls.h"
#include "platform/gui/window.h"
#include "platform/text.h"
#include "ui/ui_font.h"

using namespace ui;

namespace gui = platform::gui;

namespace {

enum : int { kIdFolder = 3001, kIdPlainBox = 3002, kIdClose = 3003 };
NativesDlg* g_natives = nullptr;

}  // namespace

NativesDlg::NativesDlg() {
  scaleToDesignSize = 1;
  designWidth = 520;
  designHeight = 360;
  closeFlags = kCloseOnCancel;
}

NativesDlg::~NativesDlg() { gui::DeleteFont(font_); }

INT_PTR NativesDlg::StaticDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  return g_natives ? g_natives->DialogProc(hwnd, msg, wParam, lParam) : 0;
}

void NativesDlg::Run() {
  gui::RegisterDialogTemplate(kTemplate, 520, 360);
  NativesDlg dialog;
  g_natives = &dialog;
  gui::DialogBoxParamW(nullptr, kTemplate, nullptr, &NativesDlg::StaticDialogProc, 0);
  g_natives = nullptr;
}

int NativesDlg::OnInitDialog(HWND window) {
  CommonDlg::OnInitDialog(window);
  gui::SetWindowTextW(window, L"UI gallery: native pieces");
  font_ = CreateDialogFont(window, 14);

  editRect_ = RECT{20, 50, 380, 78};
  edit_ = gui::CreateEditBox(window, editRect_, 100);
  gui::SetWindowTextW(edit_, L"/opt/Corvex11");

  listView_ = gui::CreateListView(window, RECT{20, 90, 330, 290}, 101);
  gui::ListViewInsertColumn(listView_, 0, L"Mirror", 150);
  gui::ListViewInsertColumn(listView_, 1, L"Speed", 80);
  gui::ListViewInsertColumn(listView_, 2, L"Blocks", 70);
  const wchar_t* rows[][3] = {{L"127.0.0.11:8600", L"12.4MB/s", L"31"},
                              {L"127.0.0.12:8600", L"9.80MB/s", L"24"},
                              {L"127.0.0.13:8600", L"0Byte/s", L"0"}};
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 3; ++c) gui::ListViewSetItemText(listView_, r, c, rows[r][c]);
  }

  listBox_ = gui::CreateListBox(window, RECT{340, 90, 500, 290}, 102);
  for (const wchar_t* line : {L"Download_Init", L"Segment 0 ended", L"Block 12 repaired"}) {
    gui::ListBoxAddString(listBox_, line);
  }

  auto add = [&](int left, int right, int id, const wchar_t* caption) {
    auto button = std::make_unique<ButtonColorCtrlEx>(window, left, 312, right, 342);
    button->SetID(id);
    button->SetFont(font_);
    button->SetCaption(caption);
    button->SetStateTextColors(0xA74747, 0xFFFFFF, 0xFFFFFF, 0xD7D7D7);
    button->SetFrameColors(0xA74747, 0xA74747, 0xA74747, 0xD7D7D7);
    button->SetFillColors(0xFFE9E9, 0xA74747, 0x8A3A3A, 0xF2F2F2);
    button->SetFrameWidth(2);
    controls.AddToPaintList(button.get());
    controls.AddToMouseList(button.get());
    buttons_.push_back(std::move(button));
  };
  add(20, 140, kIdFolder, L"Folder...");
  add(150, 270, kIdPlainBox, L"Plain box");
  add(400, 500, kIdClose, L"Close");
  return 1;
}

int NativesDlg::PreHandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND: return 1;
    default: return CommonDlg::PreHandleMessage(msg, wParam, lParam);
  }
}

int NativesDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case kIdFolder: {
      std::wstring path = gui::GetWindowTextW(edit_);
      if (gui::BrowseForFolder(hwnd, L"Install folder", path)) gui::SetWindowTextW(edit_, path);
      return 1;
    }
    case kIdPlainBox:
      std::printf("MessageBoxW %d\n", gui::MessageBoxW(hwnd, L"The folder is " + gui::GetWindowTextW(edit_), L"Corvex",
                                                       MB_OKCANCEL | MB_ICONINFORMATION));
      std::fflush(stdout);
      return 1;
    case kIdClose: gui::EndDialog(hwnd, 0); return 1;
    default: return CommonDlg::OnCommand(wParam, lParam);
  }
}

void NativesDlg::OnPaint() { PaintFrame(controls, &editRect_); }
