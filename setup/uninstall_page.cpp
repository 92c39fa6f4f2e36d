#include "setup/uninstall_page.h"

#include <algorithm>
#include <initializer_list>
#include <thread>

#include "base/install_log.h"
#include "base/texts/ui_texts.h"
#include "platform/clock.h"
#include "platform/gui/draw.h"
#include "platform/gui/window.h"
#include "setup/privileged_uninstall.h"
#include "setup/uninstall_messages.h"
#include "ui/skin_message_box.h"
#include "ui/ui_font.h"

using base::GetText;
using ui::ButtonCtrlEx;

namespace setup {

namespace gui = platform::gui;

namespace {

constexpr int kPictureId = 154;
constexpr int kBoxBitmapIds[4] = {157, 158, 159, 160};  // unticked, unticked hover, ticked, ticked hover
constexpr int kDoneWaitMs = 200;

constexpr RECT kHeadingRect{10, 232, 612, 272};
constexpr RECT kPictureRect{231, 62, 391, 222};
constexpr int kCentreX = 311;
constexpr int kKeepBoxTop = 292, kKeepBoxBottom = 312, kKeepLabelX = 20;
constexpr int kButtonTop = 354, kButtonBottom = 394, kButtonMinWidth = 120, kButtonGap = 20;
// Air a text keeps to each edge of its rectangle (a framed button's frame lies in it).
constexpr int kTextPadding = 6;
// Where the status line sits while the work runs.
constexpr RECT kStatusRect{10, 348, 612, 378};
constexpr RECT kProgressRect{60, 382, 562, 390};
// A refusal takes the keep box's place too: it may name a long folder and wrap.
constexpr RECT kRefusedStatusRect{20, 284, 602, 348};

// At least `minWidth`, or as wide as the widest of the texts needs.
int WidthFor(HFONT font, int minWidth, std::initializer_list<int> textIds, int textLeft = 0) {
  int width = minWidth;
  for (int id : textIds) width = std::max(width, textLeft + ui::MeasureTextWidth(font, GetText(id)) + 2 * kTextPadding);
  return width;
}

RECT CentredAt(int centreX, int width, int top, int bottom) {
  return RECT{centreX - width / 2, top, centreX - width / 2 + width, bottom};
}

template <typename Ctrl>
std::unique_ptr<Ctrl> MakeAt(HWND dialog, const RECT& r) {
  return std::make_unique<Ctrl>(dialog, r.left, r.top, r.right, r.bottom);
}

// The install button's look: a framed text button that fills on hover.
void StyleAsMainButton(ui::ButtonColorCtrlEx& button, HFONT font) {
  button.SetFont(font);
  button.SetStateTextColors(0xA74747, 0xFFFFFF, 0xFFFFFF, 0xD7D7D7);
  button.SetFrameColors(0xA74747, 0xA74747, 0xA74747, 0xD77DD7);
  button.SetFillColors(0xFFE9E9, 0xA74747, 0xA74747, 0xD700D7);
  button.SetFrameWidth(2);
}

}  // namespace

UninstallPage::~UninstallPage() {
  gui::DeleteFont(headingFont_);
  gui::DeleteFont(textFont_);
  for (HBITMAP bitmap : bitmaps_) gui::DeleteBitmap(bitmap);
}

void UninstallPage::Build(HWND dialog, ui::ControlLists& lists, const install::UninstallTarget& target) {
  dialog_ = dialog;
  target_ = target;
  headingFont_ = ui::CreateDialogFont(dialog, 20);
  textFont_ = ui::CreateDialogFont(dialog, 14);
  bitmaps_[0] = gui::LoadBitmapW(nullptr, kPictureId);
  for (int i = 0; i < 4; ++i) bitmaps_[i + 1] = gui::LoadBitmapW(nullptr, kBoxBitmapIds[i]);

  heading_ = MakeAt<ui::StaticCtrl>(dialog, kHeadingRect);
  heading_->SetFont(headingFont_);
  heading_->SetTextColor(0x373737);
  heading_->SetTextFormat(DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  heading_->SetCaption(GetText(47));

  picture_ = MakeAt<ui::StaticCtrl>(dialog, kPictureRect);
  picture_->SetUseBitmap(1);
  picture_->SetStateBitmaps(bitmaps_[0], nullptr, nullptr, nullptr);

  status_ = MakeAt<ui::StaticCtrl>(dialog, kStatusRect);
  status_->SetFont(textFont_);
  status_->SetTextColor(0x373737);
  status_->SetTextFormat(DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  status_->SetVisible(false);

  // Sized by the language's texts, so that no translation is clipped; the box and
  // its label are centred as one.
  const RECT keepBoxRect = CentredAt(kCentreX, WidthFor(textFont_, 0, {24}, kKeepLabelX), kKeepBoxTop, kKeepBoxBottom);
  const int buttonWidth = WidthFor(headingFont_, kButtonMinWidth, {23, 12});
  const RECT uninstallRect{kCentreX - kButtonGap / 2 - buttonWidth, kButtonTop, kCentreX - kButtonGap / 2,
                           kButtonBottom};
  const RECT lastButtonRect{kCentreX + kButtonGap / 2, kButtonTop, kCentreX + kButtonGap / 2 + buttonWidth,
                            kButtonBottom};
  finishRect_ = CentredAt(kCentreX, WidthFor(headingFont_, kButtonMinWidth, {27, 12}), kButtonTop, kButtonBottom);

  keepBox_ = MakeAt<ui::CheckButtonCtrlEx>(dialog, keepBoxRect);
  keepBox_->SetID(kKeepConfigurationsId);
  keepBox_->SetUseBitmap(1);
  keepBox_->SetFont(textFont_);
  keepBox_->SetStateTextColors(0x373737, 0x373737, 0x373737, 0xD7D7D7);
  keepBox_->SetStateBitmaps(bitmaps_[1], bitmaps_[2], bitmaps_[2], bitmaps_[1]);
  keepBox_->SetCheckedBitmaps(bitmaps_[3], bitmaps_[4], bitmaps_[4], bitmaps_[3]);
  keepBox_->SetBoxRect(0, 3, 14, 14);
  keepBox_->SetLabelRect(kKeepLabelX, 0, keepBoxRect.right - keepBoxRect.left - kKeepLabelX,
                         keepBoxRect.bottom - keepBoxRect.top);
  keepBox_->SetTextFormat(DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  keepBox_->SetCaption(GetText(24));
  keepBox_->SetCheck(1);

  uninstallButton_ = MakeAt<ui::ButtonColorCtrlEx>(dialog, uninstallRect);
  uninstallButton_->SetID(kUninstallId);
  StyleAsMainButton(*uninstallButton_, headingFont_);
  uninstallButton_->SetCaption(GetText(23));

  lastButton_ = MakeAt<ui::ButtonColorCtrlEx>(dialog, lastButtonRect);
  lastButton_->SetID(kCancelId);
  StyleAsMainButton(*lastButton_, headingFont_);
  lastButton_->SetCaption(GetText(12));

  progress_ = MakeAt<ui::ProcessCtrl>(dialog, kProgressRect);
  progress_->SetRange(0, 100);
  progress_->SetBarColors(0xA74747, 0xEDE4E4);
  progress_->SetVisible(false);

  // Say at once when there is nothing this page may remove, rather than after a click.
  const install::FolderVerdict verdict =
      install::CheckInstallFolderForUninstall(target.installFolder, target.productKeyName, target.is64Bit);
  if (verdict != install::FolderVerdict::kMayDelete) {
    install::UninstallRequest request;
    request.installFolder = target.installFolder;
    status_->SetCaption(UninstallFailureMessage(request, {install::UninstallOutcome::kRefused, verdict}).c_str());
    status_->SetRect(&kRefusedStatusRect);
    status_->SetTextFormat(DT_CENTER | DT_WORDBREAK | DT_EDITCONTROL);
    status_->SetVisible(true);
    keepBox_->SetVisible(false);
    uninstallButton_->SetEnabled(false);
  }

  lists.AddToPaintList(heading_.get());
  lists.AddToPaintList(picture_.get());
  lists.AddToPaintList(status_.get());
  lists.AddToPaintList(progress_.get());
  for (ButtonCtrlEx* control :
       {static_cast<ButtonCtrlEx*>(keepBox_.get()), static_cast<ButtonCtrlEx*>(uninstallButton_.get()),
        static_cast<ButtonCtrlEx*>(lastButton_.get())}) {
    lists.AddToPaintList(control);
    lists.AddToMouseList(control);
  }
}

bool UninstallPage::OnCommand(int id) {
  switch (id) {
    case kKeepConfigurationsId:
      keepBox_->SetCheck(!keepBox_->GetCheck());
      Redraw();
      return true;
    case kUninstallId: StartUninstall(); return true;
    default: return false;
  }
}

std::wstring UninstallPage::HeadingText() { return heading_ ? heading_->GetCaption() : std::wstring(); }
int UninstallPage::LastButtonId() { return lastButton_ ? lastButton_->GetID() : 0; }
std::wstring UninstallPage::LastButtonText() { return lastButton_ ? lastButton_->GetCaption() : std::wstring(); }

bool UninstallPage::KeepsConfigurations() { return keepBox_ && keepBox_->GetCheck() != 0; }

void UninstallPage::StartUninstall() {
  if (!heading_ || !uninstallButton_->IsEnabled() || started_.exchange(true)) return;
  request_.installFolder = target_.installFolder;
  request_.productKeyName = target_.productKeyName;
  request_.is64Bit = target_.is64Bit;
  request_.keepConfigurations = KeepsConfigurations();
  base::WriteLog("StartUninstall : folder (%s) from %s, keep configurations %s.", request_.installFolder.c_str(),
                 target_.source, request_.keepConfigurations ? "true" : "false");

  keepBox_->SetVisible(false);
  uninstallButton_->SetVisible(false);
  lastButton_->SetVisible(false);
  status_->SetRect(&kStatusRect);
  status_->SetCaption(GetText(25));
  status_->SetVisible(true);
  progress_->SetPosition(0);
  progress_->SetVisible(true);
  Redraw();
  // The page lives as long as the process-wide dialog, which outlives every thread.
  std::thread([this, request = request_] { RunWork(request); }).detach();
}

void UninstallPage::RunWork(install::UninstallRequest request) {
  const install::UninstallResult result = UninstallThroughHelper(
      request,
      base::ReceiveDecoded<base::UninstallEvent>([this](base::UninstallEvent event, unsigned value, long extra) {
        return OnUninstallEvent(event, value, extra);
      }));
  outcome_ = result.outcome;
  if (result.outcome != install::UninstallOutcome::kRemoved) {
    const std::wstring message = L"UnInstall Failed!\n" + UninstallFailureMessage(request, result);
    gui::SendToUi([this, message] { ui::ShowMessage(dialog_, L"ERROR", message.c_str(), GetText(11)); });
    // What is left can still be closed; the work did not finish the product's removal.
    lastButton_->SetRect(&finishRect_);
    lastButton_->SetVisible(true);
    Redraw();
  }
  finished_ = true;
}

int UninstallPage::OnUninstallEvent(base::UninstallEvent event, unsigned value, long /*extra*/) {
  switch (event) {
    case base::kUninstallEventStart:
      progress_->SetPosition(0);
      heading_->SetCaption(GetText(25));
      break;
    case base::kUninstallEventProgress:
      if (value <= 100) progress_->SetPosition(static_cast<int>(value));
      break;
    case base::kUninstallEventDone:
      progress_->SetPosition(100);
      platform::SleepMs(kDoneWaitMs);
      progress_->SetVisible(false);
      status_->SetVisible(false);
      lastButton_->SetID(kFinishId);
      lastButton_->SetCaption(GetText(27));
      lastButton_->SetRect(&finishRect_);
      lastButton_->SetVisible(true);
      heading_->SetCaption(GetText(26));
      break;
    case base::kUninstallEventFailed:
      progress_->SetVisible(false);
      status_->SetVisible(false);
      break;
  }
  Redraw();
  return 1;
}

void UninstallPage::Redraw() {
  if (dialog_) gui::InvalidateRect(dialog_, nullptr, 0);
}

}  // namespace setup
