#include "ui/skin_message_box.h"

#include <chrono>

#include "platform/clock.h"
#include "platform/gui/draw.h"
#include "platform/gui/window.h"
#include "ui/ui_font.h"

namespace ui {

namespace gui = platform::gui;

namespace {

constexpr int kFirstBitmap = 174;
constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kTitleBand = 0xB5474A;
constexpr COLORREF kButtonBand = 0xFDFBF7;
constexpr COLORREF kMessageColor = 0x373737;
constexpr int kTitleBandHeight = 36;
constexpr int kButtonBandHeight = 54;

// The box being shown; the static dialog procedure reaches it here.
std::atomic<SkinMessageBox*> g_currentBox{nullptr};

int RunBox(SkinMessageBox& box, HWND parent) {
  SkinMessageBox* previous = g_currentBox.exchange(&box);
  gui::RegisterDialogTemplate(base::resource_ids::kMessageBoxTemplate, box.designWidth, box.designHeight);
  gui::DialogBoxParamW(nullptr, base::resource_ids::kMessageBoxTemplate, parent, &SkinMessageBox::StaticDialogProc, 0);
  const int result = box.result;
  // A box opened over another one hands the pointer back when it ends.
  g_currentBox = previous;
  return result;
}

}  // namespace

SkinMessageBox::SkinMessageBox(ButtonMode mode) : buttonMode(mode) {
  scaleToDesignSize = 1;
  designWidth = 420;
  designHeight = 210;
  closeFlags = kCloseOnCancel | kCloseOnOk;
}

SkinMessageBox::~SkinMessageBox() {
  // However the dialog ended, the repaint thread is gone before the controls are.
  closing = true;
  if (repaintThread.joinable()) repaintThread.join();
  gui::DeleteFont(font_);
  for (HBITMAP bitmap : bitmaps_) gui::DeleteBitmap(bitmap);
}

INT_PTR SkinMessageBox::StaticDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
  SkinMessageBox* box = g_currentBox.load();
  return box ? box->DialogProc(hwnd, msg, wParam, lParam) : 0;
}

int SkinMessageBox::OnInitDialog(HWND window) {
  CommonDlg::OnInitDialog(window);
  gui::SetWindowTextW(window, titleText);
  font_ = CreateDialogFont(window, 14);
  for (int i = 0; i < 7; ++i) bitmaps_[i] = gui::LoadBitmapW(nullptr, kFirstBitmap + i);
  auto bitmap = [this](int id) { return bitmaps_[id - kFirstBitmap]; };

  titleLabel = std::make_unique<StaticCtrl>(window, 10, 5, 320, 30);
  titleLabel->SetTextColor(kWhite);
  titleLabel->SetTextFormat(DT_VCENTER | DT_SINGLELINE);
  titleLabel->SetFont(font_);
  titleLabel->SetCaption(titleText.c_str());

  closeButton = std::make_unique<ButtonCtrlEx>(window, 401, 0, 418, 21);
  closeButton->SetUseBitmap(1);
  closeButton->SetID(kMsgBoxCloseId);
  closeButton->SetStateTextColors(kWhite, kWhite, kWhite, kWhite);
  closeButton->SetStateBitmaps(bitmap(179), bitmap(178), bitmap(180), nullptr);

  iconLabel = std::make_unique<StaticCtrl>(window, 32, 90, 62, 120);
  iconLabel->SetUseBitmap(1);
  iconLabel->SetStateBitmaps(bitmap(175), nullptr, nullptr, nullptr);

  messageLabel = std::make_unique<StaticCtrl>(window, 72, 36, 388, 156);
  messageLabel->SetTextColor(kMessageColor);
  messageLabel->SetTextFormat(DT_WORDBREAK | DT_EDITCONTROL);
  messageLabel->SetFont(font_);
  messageLabel->SetCaption(messageText.c_str());

  auto makeButton = [&](int left, int right, int id, const std::wstring& caption) {
    auto button = std::make_unique<ButtonCtrlEx>(window, left, 167, right, 199);
    button->SetUseBitmap(1);
    button->SetID(id);
    button->SetStateTextColors(kWhite, kWhite, kWhite, kWhite);
    button->SetStateBitmaps(bitmap(176), bitmap(174), bitmap(177), nullptr);
    button->SetFont(font_);
    button->SetCaption(caption.c_str());
    return button;
  };
  okButton = makeButton(200, 300, kMsgBoxOkId, okText);
  cancelButton = makeButton(310, 410, kMsgBoxCancelId, cancelText);
  cancelButton->SetVisible(false);

  controls.AddToMouseList(closeButton.get());
  controls.AddToMouseList(okButton.get());
  controls.AddToMouseList(cancelButton.get());
  for (CommonCtrl* c : std::initializer_list<CommonCtrl*>{titleLabel.get(), iconLabel.get(), messageLabel.get(),
                                                          closeButton.get(), okButton.get(), cancelButton.get()}) {
    controls.AddToPaintList(c);
  }

  if (buttonMode == kTwoButtons) {
    const RECT ok{200, 167, 300, 199}, cancel{310, 167, 410, 199};
    okButton->SetRect(&ok);
    cancelButton->SetRect(&cancel);
    okButton->SetVisible(true);
    cancelButton->SetVisible(true);
  } else {
    const RECT ok{160, 167, 260, 199};
    okButton->SetRect(&ok);
    okButton->SetVisible(true);
    cancelButton->SetVisible(false);
  }

  {
    std::lock_guard<std::mutex> lock(repaintMutex_);
    repaintRunning_ = true;
  }
  repaintThread = std::thread(&SkinMessageBox::RepaintLoop, this);
  return 1;
}

void SkinMessageBox::RepaintLoop() {
  while (g_currentBox.load() != nullptr && !closing) {
    OnPaint();
    platform::SleepMs(30);
  }
  std::lock_guard<std::mutex> lock(repaintMutex_);
  repaintRunning_ = false;
  repaintEnded_.notify_all();
}

void SkinMessageBox::StopRepainting(int timeoutMs) {
  closing = true;
  std::unique_lock<std::mutex> lock(repaintMutex_);
  repaintEnded_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return !repaintRunning_; });
}

int SkinMessageBox::PreHandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
  switch (msg) {
    case WM_CLOSE: return OnClose();
    case WM_ERASEBKGND: return 1;
    default: return CommonDlg::PreHandleMessage(msg, wParam, lParam);
  }
}

int SkinMessageBox::OnCommand(WPARAM wParam, LPARAM lParam) {
  const int command = LOWORD(wParam);
  switch (command) {
    case kMsgBoxNoChoice:
    case kMsgBoxOkId:
    case kMsgBoxCancelId:
      result = command;
      gui::SendMessageW(hwnd, WM_CLOSE, 0, 0);
      return 1;
    case kMsgBoxCloseId:
    case kMsgBoxCloseAltId: gui::SendMessageW(hwnd, WM_CLOSE, 0, 0); return 1;
    default: return CommonDlg::OnCommand(wParam, lParam);
  }
}

void SkinMessageBox::OnPaint() {
  if (!hwnd) return;
  RECT client{};
  if (!gui::GetClientRect(hwnd, &client)) return;
  gui::MemoryCanvas canvas(designWidth, client.bottom);
  HDC dc = canvas.dc();
  PaintBands(dc, client, {kWhite, kTitleBand, kTitleBandHeight, kButtonBand, kButtonBandHeight});
  controls.PaintAll(dc);
  gui::PresentFrame(hwnd, 0, 0, designWidth, designHeight, dc, 0, 0);
}

int SkinMessageBox::OnClose() {
  StopRepainting(1000);
  return 0;
}

int ShowMessage(HWND parent, const wchar_t* title, const wchar_t* message, const wchar_t* okText) {
  SkinMessageBox box(SkinMessageBox::kOneButton);
  box.titleText = title ? title : L"";
  box.messageText = message ? message : L"";
  box.okText = okText ? okText : L"";
  RunBox(box, parent);
  return kMsgBoxNoChoice;
}

int AskQuestion(HWND parent, const wchar_t* title, const wchar_t* message, const wchar_t* okText,
                const wchar_t* cancelText) {
  SkinMessageBox box(SkinMessageBox::kTwoButtons);
  box.titleText = title ? title : L"";
  box.messageText = message ? message : L"";
  box.okText = okText ? okText : L"";
  box.cancelText = cancelText ? cancelText : L"";
  const int result = RunBox(box, parent);
  if (box.dismissed) return kMsgBoxNoChoice;
  return result == kMsgBoxOkId ? kMsgBoxOkId : kMsgBoxCancelId;
}

bool DismissOpenQuestion() {
  SkinMessageBox* box = g_currentBox.load();
  if (box == nullptr || box->buttonMode != SkinMessageBox::kTwoButtons || !box->hwnd) return false;
  box->dismissed = true;
  gui::SendMessageW(box->hwnd, WM_CLOSE, 0, 0);
  return true;
}

}  // namespace ui
