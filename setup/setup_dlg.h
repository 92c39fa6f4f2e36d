// The setup dialog: the installer's only window, a borderless painted dialog of
// 622 × 405 design pixels with a drop shadow. One object per process.
#pragma once

#include "base/resource_ids.h"
#include "platform/gui/gui_types.h"
#include "ui/button_ctrl_ex.h"
#include "ui/common_dlg.h"
#include "ui/control_lists.h"
#include "ui/static_ctrl.h"
#include "ui/wnd_shadow.h"

class SetupDlg : public CommonDlg {
 public:
  static constexpr int kCloseId = resource_ids::kCloseCommand;
  static constexpr int kMinimizeId = resource_ids::kMinimizeCommand;

  SetupDlg();
  ~SetupDlg() override;

  int OnInitDialog(HWND hwnd) override;
  int PreHandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  int OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;
  void OnCreate() override;
  virtual int OnClose();

  // The static dialog procedure handed to the dialog run.
  static INT_PTR StaticDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  CWndShadow shadow;

 private:
  HFONT titleFont_ = nullptr;
  HBITMAP bitmaps_[7] = {};  // close 140/142/143, minimise 144/146/147, logo 139
  ButtonCtrlEx* closeButton_ = nullptr;
  ButtonCtrlEx* minimizeButton_ = nullptr;
  StaticCtrl* logo_ = nullptr;
  StaticCtrl* title_ = nullptr;
};

SetupDlg& TheSetupDlg();
