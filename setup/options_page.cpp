#include "setup/options_page.h"

#include <algorithm>

#include "base/texts/ui_texts.h"
#include "platform/gui/draw.h"
#include "platform/gui/native_controls.h"
#include "platform/gui/window.h"
#include "setup/install_options.h"
#include "ui/ui_font.h"

using base::GetLayoutWidth;
using base::GetText;
using ui::ButtonCtrlEx;

namespace setup {

namespace gui = platform::gui;

namespace {

constexpr COLORREF kLinkColor = 0xE58C19;
constexpr COLORREF kLabelColor = 0x373737;
constexpr int kBoxSize = 14;
constexpr int kLabelX = 20;
constexpr int kArrowWidth = 13;
constexpr int kArrowHeight = 7;
constexpr int kDialogWidth = 622;
// Air a text keeps to each edge of its rectangle; between a label and its link it
// makes the gap.
constexpr int kTextPadding = 4;

void LoadBitmaps(HBITMAP* out, std::initializer_list<int> ids) {
  for (int id : ids) *out++ = gui::LoadBitmapW(nullptr, id);
}

void SetLabelColors(ButtonCtrlEx* control, COLORREF color) {
  control->SetStateTextColors(color, color, color, 0xD7D7D7);
}

// The language's layout width, or more where its text would not fit in it.
int WidthFor(HFONT font, int layoutWidth, int textId, int textLeft) {
  return std::max(layoutWidth, textLeft + ui::MeasureTextWidth(font, GetText(textId)) + 2 * kTextPadding);
}

}  // namespace

OptionsPage::~OptionsPage() {
  for (HFONT font : {labelFont_, linkFont_}) gui::DeleteFont(font);
  for (HBITMAP bitmap : arrowBitmaps_) gui::DeleteBitmap(bitmap);
  for (HBITMAP bitmap : boxBitmaps_) gui::DeleteBitmap(bitmap);
  for (HBITMAP bitmap : browseBitmaps_) gui::DeleteBitmap(bitmap);
}

std::unique_ptr<ui::CheckButtonCtrlEx> OptionsPage::MakeCheckBox(int id, int left, int top, int right, int bottom,
                                                                 int textId, bool ticked) {
  auto box = std::make_unique<ui::CheckButtonCtrlEx>(dialog_, left, top, right, bottom);
  box->SetID(id);
  box->SetUseBitmap(1);
  box->SetStateBitmaps(boxBitmaps_[0], boxBitmaps_[1], boxBitmaps_[1], boxBitmaps_[0]);
  box->SetCheckedBitmaps(boxBitmaps_[2], boxBitmaps_[3], boxBitmaps_[3], boxBitmaps_[2]);
  box->SetBoxRect(0, 3, kBoxSize, kBoxSize);
  box->SetLabelRect(kLabelX, 0, right - left - kLabelX, bottom - top);
  box->SetFont(labelFont_);
  box->SetTextFormat(DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  SetLabelColors(box.get(), kLabelColor);
  box->SetCaption(GetText(textId));
  box->SetCheck(ticked ? 1 : 0);
  box->SetVisible(false);
  return box;
}

std::unique_ptr<ui::HyLinkCtrlEx> OptionsPage::MakeLink(int id, int left, int top, int right, int bottom, int textId) {
  auto link = std::make_unique<ui::HyLinkCtrlEx>(dialog_, left, top, right, bottom);
  link->SetID(id);
  link->SetFont(labelFont_);
  link->SetHoverFont(linkFont_);
  link->SetTextFormat(DT_LEFT | DT_VCENTER | DT_SINGLELINE);
  SetLabelColors(link.get(), kLinkColor);
  link->SetCaption(GetText(textId));
  link->SetVisible(false);
  return link;
}

int OptionsPage::LinkRight(int left, int layoutWidth, int textId) const {
  // A link may grow up to the dialog's edge, never past it.
  return std::min(left + WidthFor(labelFont_, layoutWidth, textId, 0), std::max(left + layoutWidth, kDialogWidth));
}

void OptionsPage::Create(HWND dialog, ui::ControlLists& lists, DWORD installOptions, const std::wstring& installPath) {
  dialog_ = dialog;
  labelFont_ = ui::CreateDialogFont(dialog, 14);
  linkFont_ = ui::CreateDialogFont(dialog, 14, true);
  LoadBitmaps(arrowBitmaps_, {165, 166, 167, 168});
  LoadBitmaps(boxBitmaps_, {157, 158, 159, 160});
  LoadBitmaps(browseBitmaps_, {169, 170, 171});

  // "Custom" with its arrow at the right end: the arrow points down while closed.
  constexpr int kCustomLeft = 474, kCustomTop = 359, kCustomRight = 609, kCustomBottom = 385;
  const int customWidth = kCustomRight - kCustomLeft, customHeight = kCustomBottom - kCustomTop;
  custom_ = std::make_unique<ui::CheckButtonCtrlEx>(dialog, kCustomLeft, kCustomTop, kCustomRight, kCustomBottom);
  custom_->SetID(kCustomId);
  custom_->SetUseBitmap(1);
  custom_->SetStateBitmaps(arrowBitmaps_[0], arrowBitmaps_[1], arrowBitmaps_[1], arrowBitmaps_[0]);
  custom_->SetCheckedBitmaps(arrowBitmaps_[2], arrowBitmaps_[3], arrowBitmaps_[3], arrowBitmaps_[2]);
  custom_->SetBoxRect(customWidth - kArrowWidth, (customHeight - kArrowHeight) / 2, kArrowWidth, kArrowHeight);
  custom_->SetLabelRect(0, 0, customWidth - kArrowWidth - 6, customHeight);
  custom_->SetFont(labelFont_);
  custom_->SetTextFormat(DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
  custom_->SetStateTextColors(0x7F7F7F, 0xA74747, 0xA74747, 0xD7D7D7);
  custom_->SetCaption(GetText(1));

  const int licenceRight = 44 + WidthFor(labelFont_, GetLayoutWidth(0), 2, kLabelX);
  licenceBox_ = MakeCheckBox(kLicenceBoxId, 44, 425, licenceRight, 445, 2, true);
  licenceLink_ = MakeLink(kLicenceLinkId, licenceRight, 425, LinkRight(licenceRight, GetLayoutWidth(1), 3), 445, 3);

  const RECT folderRect{44, 460, 549, 486};
  folderBox_ = gui::CreateEditBox(dialog, folderRect, 0);
  if (folderBox_) {
    gui::SetWindowTextW(folderBox_, installPath);
    gui::EnableWindow(folderBox_, 0);
    gui::ShowWindow(folderBox_, SW_HIDE);
  }
  browse_ = std::make_unique<ButtonCtrlEx>(dialog, 549, 460, 578, 486);
  browse_->SetID(kBrowseId);
  browse_->SetUseBitmap(1);
  browse_->SetStateBitmaps(browseBitmaps_[0], browseBitmaps_[1], browseBitmaps_[2], browseBitmaps_[0]);
  browse_->SetVisible(false);

  desktopBox_ = MakeCheckBox(kDesktopId, 44, 501, 411, 521, 4, WantsDesktopShortcuts(installOptions));
  const int programmeRight = 44 + WidthFor(labelFont_, GetLayoutWidth(2), 7, kLabelX);
  programmeBox_ = MakeCheckBox(kProgrammeId, 44, 536, programmeRight, 556, 7, WantsJoinProgramme(installOptions));
  programmeLink_ =
      MakeLink(kProgrammeLinkId, programmeRight, 536, LinkRight(programmeRight, GetLayoutWidth(3), 8), 556, 8);

  for (ButtonCtrlEx* control :
       std::initializer_list<ButtonCtrlEx*>{custom_.get(), licenceBox_.get(), licenceLink_.get(), browse_.get(),
                                            desktopBox_.get(), programmeBox_.get(), programmeLink_.get()}) {
    lists.AddToPaintList(control);
    lists.AddToMouseList(control);
  }
}

void OptionsPage::SetPageVisible(bool open) {
  open_ = open;
  if (folderBox_) {
    gui::EnableWindow(folderBox_, open ? 1 : 0);
    gui::ShowWindow(folderBox_, open ? SW_SHOW : SW_HIDE);
  }
  for (ui::CommonCtrl* control :
       std::initializer_list<ui::CommonCtrl*>{licenceBox_.get(), licenceLink_.get(), browse_.get(), desktopBox_.get(),
                                              programmeBox_.get(), programmeLink_.get()}) {
    if (control) control->SetVisible(open);
  }
}

void OptionsPage::SetToggleVisible(bool visible) {
  if (custom_) custom_->SetVisible(visible);
}

namespace {
bool Toggle(ui::CheckButtonCtrl* box) {
  if (!box) return false;
  box->SetCheck(box->GetCheck() ? 0 : 1);
  return box->GetCheck() != 0;
}
}  // namespace

bool OptionsPage::ToggleCustom() { return Toggle(custom_.get()); }
bool OptionsPage::ToggleLicence() { return Toggle(licenceBox_.get()); }
bool OptionsPage::ToggleDesktop() { return Toggle(desktopBox_.get()); }
bool OptionsPage::ToggleProgramme() { return Toggle(programmeBox_.get()); }

bool OptionsPage::DesktopTicked() { return desktopBox_ && desktopBox_->GetCheck(); }
bool OptionsPage::ProgrammeTicked() { return programmeBox_ && programmeBox_->GetCheck(); }
bool OptionsPage::LicenceTicked() { return licenceBox_ && licenceBox_->GetCheck(); }

std::wstring OptionsPage::FolderText() {
  if (!folderBox_) return {};
  std::wstring text = gui::GetWindowTextW(folderBox_);
  if (text.size() > 520) text.resize(520);
  return text;
}

void OptionsPage::SetFolderText(const std::wstring& path) {
  if (folderBox_) gui::SetWindowTextW(folderBox_, path);
}

RECT OptionsPage::FolderBoxRect() const { return RECT{44, 460, 549, 486}; }

}  // namespace setup
