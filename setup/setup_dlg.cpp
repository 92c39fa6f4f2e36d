#include "setup/setup_dlg.h"

#include "platform/gui/draw.h"
#include "platform/gui/window.h"
#include "setup/setup_entry.h"
#include "ui/ui_font.h"

namespace gui = platform::gui;

namespace {

constexpr COLORREF kPage = 0xFFFFFF;
constexpr COLORREF kTitleBand = 0xB5474A;
constexpr COLORREF kBottomBand = 0xFDFBF7;
constexpr int kTitleBandHeight = 36;
constexpr int kBottomBandTop = 338;
constexpr int kBitmapIds[7] = {140, 142, 143, 144, 146, 147, 139};

}  // namespace

SetupDlg& TheSetupDlg() {
  // Lives for the whole process; painter threads of later stages may outlive main.
  static SetupDlg* dialog = new SetupDlg();
  return *dialog;
}

SetupDlg::SetupDlg() {
  scaleToDesignSize = 1;
  designWidth = 622;
  designHeight = 405;
  closeFlags = 0;  // Enter and Escape do not close it
}

SetupDlg::~SetupDlg() {
  delete closeButton_;
  delete minimizeButton_;
  delete logo_;
  delete title_;
  gui::DeleteFont(titleFont_);
  for (HBITMAP bitmap : bitmaps_) gui::DeleteBitmap(bitmap);
}

INT_PTR SetupDlg::StaticDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  SetupDlg& dialog = TheSetupDlg();
  dialog.shadow.Create(hwnd);
  return dialog.DialogProc(hwnd, msg, wParam, lParam);
}

int SetupDlg::OnInitDialog(HWND window) {
  CommonDlg::OnInitDialog(window);
  gui::SetWindowTextA(window, "Corvex Installer");
  gui::SetWindowIcon(window, resource_ids::kProgramIcon);
  for (int i = 0; i < 7; ++i) bitmaps_[i] = gui::LoadBitmapW(nullptr, kBitmapIds[i]);

  titleFont_ = CreateDialogFont(window, 14);
  logo_ = new StaticCtrl(window, 13, 10, 105, 25);
  logo_->SetUseBitmap(1);
  logo_->SetStateBitmaps(bitmaps_[6], nullptr, nullptr, nullptr);
  title_ = new StaticCtrl(window, 110, 0, 500, kTitleBandHeight);
  title_->SetFont(titleFont_);
  title_->SetTextColor(0xFFFFFF);
  title_->SetTextFormat(DT_VCENTER | DT_SINGLELINE);
  title_->SetCaption(L"Installer");

  closeButton_ = new ButtonCtrlEx(window, 600, 0, 617, 21);
  closeButton_->SetID(kCloseId);
  closeButton_->SetUseBitmap(1);
  closeButton_->SetStateBitmaps(bitmaps_[0], bitmaps_[1], bitmaps_[2], nullptr);
  minimizeButton_ = new ButtonCtrlEx(window, 580, 0, 597, 21);
  minimizeButton_->SetID(kMinimizeId);
  minimizeButton_->SetUseBitmap(1);
  minimizeButton_->SetStateBitmaps(bitmaps_[3], bitmaps_[4], bitmaps_[5], nullptr);

  controls.AddToPaintList(logo_);
  controls.AddToPaintList(title_);
  controls.AddToPaintList(minimizeButton_);
  controls.AddToPaintList(closeButton_);
  controls.AddToMouseList(minimizeButton_);
  controls.AddToMouseList(closeButton_);
  return 1;
}

void SetupDlg::OnCreate() {
  if (hwnd) shadow.Create(hwnd);
}

int SetupDlg::PreHandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE:
      return OnClose();
    case WM_ERASEBKGND:
      return 1;
    default:
      return CommonDlg::PreHandleMessage(msg, wParam, lParam);
  }
}

int SetupDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case kCloseId:
      gui::SendMessageW(hwnd, WM_CLOSE, 0, 0);
      return 1;
    case kMinimizeId:
      gui::ShowWindow(hwnd, SW_MINIMIZE);
      return 1;
    default:
      return CommonDlg::OnCommand(wParam, lParam);
  }
}

void SetupDlg::OnPaint() {
  if (!hwnd) return;
  RECT client{};
  if (!gui::GetClientRect(hwnd, &client)) return;
  gui::MemoryCanvas canvas(client.right, client.bottom);
  HDC dc = canvas.dc();
  FillSolidRect(dc, &client, kPage);
  const RECT band{0, 0, client.right, kTitleBandHeight};
  FillSolidRect(dc, &band, kTitleBand);
  const RECT bottom{0, kBottomBandTop, client.right, client.bottom};
  FillSolidRect(dc, &bottom, kBottomBand);
  controls.PaintAll(dc);
  gui::PresentFrame(hwnd, 0, 0, client.right, client.bottom, dc, 0, 0);
}

int SetupDlg::OnClose() {
  gui::ShowWindow(hwnd, SW_HIDE);
  gui::EndDialog(hwnd, 0);
  return 0;
}

void InitializeDialogSupport() { CWndShadow::Initialize(nullptr); }

void RunSetupDialog() {
  const SetupDlg& dialog = TheSetupDlg();
  gui::RegisterDialogTemplate(resource_ids::kSetupDialogTemplate, dialog.designWidth, dialog.designHeight);
  gui::DialogBoxParamW(nullptr, resource_ids::kSetupDialogTemplate, nullptr, &SetupDlg::StaticDialogProc, 0);
}
