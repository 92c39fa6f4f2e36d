// The options page behind the setup dialog's "Custom" toggle: licence acceptance and
// its link, the install folder (a native edit box over the painted page) with a
// browse button, and the desktop-shortcut and improvement-programme options.
// Created once with the dialog; open or closed afterwards. UI thread, except the
// tick queries, which the install worker may read.
#pragma once

#include <atomic>
#include <memory>

#include <string>

#include "platform/win_types.h"

#include "platform/gui/gui_types.h"
#include "ui/button_ctrl_ex.h"
#include "ui/check_button_ctrl_ex.h"
#include "ui/control_lists.h"
#include "ui/hy_link_ctrl_ex.h"

namespace setup {

class OptionsPage {
 public:
  static constexpr int kCustomId = 1615;
  static constexpr int kLicenceBoxId = 1616;
  static constexpr int kLicenceLinkId = 1617;
  static constexpr int kBrowseId = 1619;
  static constexpr int kDesktopId = 1620;
  static constexpr int kProgrammeId = 1622;
  static constexpr int kProgrammeLinkId = 1623;
  static constexpr int kClosedHeight = 405;
  static constexpr int kOpenHeight = 580;

  OptionsPage() = default;
  ~OptionsPage();
  OptionsPage(const OptionsPage&) = delete;
  OptionsPage& operator=(const OptionsPage&) = delete;

  // Builds every control; the boxes start ticked by the bits of `installOptions`.
  // The Custom toggle goes to the lists always; the page's own controls follow it.
  void Create(HWND dialog, ui::ControlLists& lists, DWORD installOptions, const std::wstring& installPath);
  bool Exists() const { return custom_ != nullptr; }

  // Shows or hides the page's controls (not the toggle); the folder box is enabled
  // only while shown.
  void SetPageVisible(bool open);
  void SetToggleVisible(bool visible);
  bool IsOpen() const { return open_; }

  // Each toggles its box and answers the new state.
  bool ToggleCustom();
  bool ToggleLicence();
  bool ToggleDesktop();
  bool ToggleProgramme();

  bool DesktopTicked();
  bool ProgrammeTicked();
  bool LicenceTicked();
  std::wstring FolderText();
  void SetFolderText(const std::wstring& path);
  // The native box, left out of painted copies while the page is open.
  HWND FolderBox() const { return folderBox_; }
  RECT FolderBoxRect() const;

 private:
  std::unique_ptr<ui::CheckButtonCtrlEx> MakeCheckBox(int id, int left, int top, int right, int bottom, int textId,
                                                      bool ticked);
  std::unique_ptr<ui::HyLinkCtrlEx> MakeLink(int id, int left, int top, int right, int bottom, int textId);
  int LinkRight(int left, int layoutWidth, int textId) const;

  HWND dialog_ = nullptr;
  std::atomic<bool> open_{false};  // read by the painter thread
  HFONT labelFont_ = nullptr;
  HFONT linkFont_ = nullptr;
  HBITMAP arrowBitmaps_[4] = {};   // 165, 166 unticked; 167, 168 ticked
  HBITMAP boxBitmaps_[4] = {};     // 157, 158 unticked; 159, 160 ticked
  HBITMAP browseBitmaps_[3] = {};  // 169, 170, 171
  std::unique_ptr<ui::CheckButtonCtrlEx> custom_;
  std::unique_ptr<ui::CheckButtonCtrlEx> licenceBox_;
  std::unique_ptr<ui::HyLinkCtrlEx> licenceLink_;
  HWND folderBox_ = nullptr;
  std::unique_ptr<ui::ButtonCtrlEx> browse_;
  std::unique_ptr<ui::CheckButtonCtrlEx> desktopBox_;
  std::unique_ptr<ui::CheckButtonCtrlEx> programmeBox_;
  std::unique_ptr<ui::HyLinkCtrlEx> programmeLink_;
};

}  // namespace setup
