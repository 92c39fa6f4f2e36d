#include "tools/ui-gallery/gallery_dlg.h"

#include <cstdio>

#include "base/resource_ids.h"
#include "base/texts/ui_texts.h"
#include "platform/gui/draw.h"
#include "platform/gui/window.h"
#include "ui/skin_message_box.h"
#include "ui/ui_font.h"

using namespace base;
using namespace ui;

namespace gui = platform::gui;

namespace {

enum : int {
  kIdClose = resource_ids::kCloseCommand,
  kIdShowMessage = 2001,
  kIdAskQuestion = 2002,
  kIdCheck = 2003,
  kIdCheckEx = 2004,
  kIdLink = 2005,
  kIdColor = 2006,
};
constexpr UINT_PTR kProgressTimer = 7;

GalleryDlg* g_gallery = nullptr;

}  // namespace

GalleryDlg::GalleryDlg() {
  scaleToDesignSize = 1;
  designWidth = 520;
  designHeight = 360;
  closeFlags = kCloseOnCancel;
}

GalleryDlg::~GalleryDlg() {
  controls_.clear();
  gui::DeleteFont(font_);
  gui::DeleteFont(underlined_);
  for (HBITMAP b : ownedBitmaps_) gui::DeleteBitmap(b);
}

INT_PTR GalleryDlg::StaticDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  if (!g_gallery) return 0;
  g_gallery->shadow.Create(hwnd);
  return g_gallery->DialogProc(hwnd, msg, wParam, lParam);
}

void GalleryDlg::Run() {
  gui::RegisterDialogTemplate(kTemplate, 520, 360);
  GalleryDlg dialog;
  g_gallery = &dialog;
  gui::DialogBoxParamW(nullptr, kTemplate, nullptr, &GalleryDlg::StaticDialogProc, 0);
  g_gallery = nullptr;
}

HBITMAP GalleryDlg::Picture(int id) {
  HBITMAP b = gui::LoadBitmapW(nullptr, id);
  if (b) ownedBitmaps_.push_back(b);
  return b;
}

HBITMAP GalleryDlg::MakeBox(bool checked, COLORREF frame) {
  auto* b = new gui::Bitmap(16, 16);
  gui::Canvas canvas(b->Pixels(), 16, 16, 16);
  const RECT all{0, 0, 16, 16}, border{1, 1, 15, 15}, inner{2, 2, 14, 14}, mark{5, 5, 11, 11};
  gui::FillRectColor(&canvas, &all, 0xFFFFFF);
  gui::FillRectColor(&canvas, &border, frame);
  gui::FillRectColor(&canvas, &inner, 0xFFFFFF);
  if (checked) gui::FillRectColor(&canvas, &mark, frame);
  ownedBitmaps_.push_back(b);
  return b;
}

int GalleryDlg::OnInitDialog(HWND window) {
  CommonDlg::OnInitDialog(window);
  gui::SetWindowTextW(window, L"UI gallery");
  font_ = CreateDialogFont(window, 14);
  underlined_ = CreateDialogFont(window, 14, true);

  auto add = [this](CommonCtrl* c, bool mouse) {
    controls_.emplace_back(c);
    controls.AddToPaintList(c);
    if (mouse) controls.AddToMouseList(static_cast<ButtonCtrlEx*>(c));
    c->SetFont(font_);
  };

  auto* title = new StaticCtrl(window, 10, 5, 320, 30);
  title->SetTextColor(0xFFFFFF);
  title->SetTextFormat(DT_VCENTER | DT_SINGLELINE);
  title->SetCaption(L"Windowless controls");
  add(title, false);

  auto* close = new ButtonCtrlEx(window, 501, 0, 518, 21);
  close->SetID(kIdClose);
  close->SetUseBitmap(1);
  close->SetStateBitmaps(Picture(179), Picture(178), Picture(180), nullptr);
  add(close, true);

  auto* label = new StaticCtrl(window, 20, 48, 500, 98);
  label->SetTextColor(0x373737);
  label->SetTextFormat(DT_WORDBREAK | DT_EDITCONTROL);
  label->SetCaption(
      L"A label wraps its words and, as a wrapped text, sits in the middle of its rectangle. "
      L"中文文本也会自动换行。");
  add(label, false);

  auto* button = new ButtonCtrlEx(window, 20, 110, 120, 142);
  button->SetID(kIdShowMessage);
  button->SetUseBitmap(1);
  button->SetStateBitmaps(Picture(176), Picture(174), Picture(177), nullptr);
  button->SetStateTextColors(0xFFFFFF, 0xFFFFFF, 0xFFFFFF, 0xFFFFFF);
  button->SetCaption(GetText(11));
  add(button, true);

  auto* color = new ButtonColorCtrlEx(window, 140, 110, 260, 142);
  color->SetID(kIdAskQuestion);
  color->SetStateTextColors(0xA74747, 0xFFFFFF, 0xFFFFFF, 0xD7D7D7);
  color->SetFrameColors(0xA74747, 0xA74747, 0xA74747, 0xD7D7D7);
  color->SetFillColors(0xFFE9E9, 0xA74747, 0x8A3A3A, 0xF2F2F2);
  color->SetFrameWidth(2);
  color->SetCaption(L"Ask");
  add(color, true);

  auto* disabled = new ButtonColorCtrlEx(window, 280, 110, 400, 142);
  disabled->SetID(kIdColor);
  disabled->SetStateTextColors(0xA74747, 0xFFFFFF, 0xFFFFFF, 0xB0B0B0);
  disabled->SetFrameColors(0xA74747, 0xA74747, 0xA74747, 0xD7D7D7);
  disabled->SetFillColors(0xFFE9E9, 0xA74747, 0x8A3A3A, 0xF2F2F2);
  disabled->SetFrameWidth(2);
  disabled->SetCaption(L"Disabled");
  disabled->SetEnabled(false);
  add(disabled, true);

  check_ = new CheckButtonCtrl(window, 20, 160, 36, 176);
  check_->SetID(kIdCheck);
  check_->SetUseBitmap(1);
  HBITMAP off = MakeBox(false, 0x999999), offHover = MakeBox(false, 0xB5474A);
  HBITMAP on = MakeBox(true, 0xB5474A);
  check_->SetStateBitmaps(off, offHover, offHover, off);
  check_->SetCheckedBitmaps(on, on, on, on);
  add(check_, true);

  checkEx_ = new CheckButtonCtrlEx(window, 60, 156, 300, 180);
  checkEx_->SetID(kIdCheckEx);
  checkEx_->SetUseBitmap(1);
  checkEx_->SetStateBitmaps(off, offHover, offHover, off);
  checkEx_->SetCheckedBitmaps(on, on, on, on);
  checkEx_->SetBoxRect(0, 4, 16, 16);
  checkEx_->SetLabelRect(24, 0, 200, 24);
  checkEx_->SetTextFormat(DT_VCENTER | DT_SINGLELINE);
  checkEx_->SetStateTextColors(0x373737, 0x373737, 0x111111, 0x999999);
  checkEx_->SetCaption(L"A check box with its own label");
  checkEx_->SetCheck(1);
  add(checkEx_, true);

  auto* link = new HyLinkCtrlEx(window, 20, 196, 200, 220);
  link->SetID(kIdLink);
  link->SetTextFormat(DT_VCENTER | DT_SINGLELINE);
  link->SetStateTextColors(0xBF5300, 0x9300DF, 0xBF5300, 0xD7D7D7);
  link->SetCaption(L"A hyperlink");
  add(link, true);
  link->SetHoverFont(underlined_);

  progress_ = new ProcessCtrl(window, 20, 240, 500, 252);
  progress_->SetBorder(1, 0xD7D7D7);
  progress_->SetBarColors(0xB5474A, 0xF2F2F2);
  progress_->SetPosition(50);
  add(progress_, false);

  gui::SetTimer(window, kProgressTimer, 100);
  return 1;
}

int GalleryDlg::PreHandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_ERASEBKGND: return 1;
    case WM_TIMER:
      progressValue_ = (progressValue_ + 2) % 102;
      progress_->SetPosition(progressValue_);
      gui::InvalidateRect(hwnd, nullptr, 0);
      return 1;
    default: return CommonDlg::PreHandleMessage(msg, wParam, lParam);
  }
}

int GalleryDlg::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (LOWORD(wParam)) {
    case kIdClose: gui::EndDialog(hwnd, 0); return 1;
    case kIdShowMessage:
      std::printf("ShowMessage %d\n", ShowMessage(hwnd, L"Corvex", GetText(29), GetText(11)));
      std::fflush(stdout);
      return 1;
    case kIdAskQuestion:
      std::printf("AskQuestion %d\n", AskQuestion(hwnd, L"Corvex", GetText(10), GetText(19), GetText(20)));
      std::fflush(stdout);
      return 1;
    case kIdCheck: check_->SetCheck(!check_->GetCheck()); return 1;
    case kIdCheckEx: checkEx_->SetCheck(!checkEx_->GetCheck()); return 1;
    case kIdLink: return 1;
    default: return CommonDlg::OnCommand(wParam, lParam);
  }
}

void GalleryDlg::OnPaint() { PaintFrame(controls); }
