// A dialog with one control of each windowless kind; its buttons open the two
// message boxes.
#pragma once

#include <memory>
#include <vector>

#include "tools/ui-gallery/gallery_frame_dlg.h"
#include "ui/button_color_ctrl_ex.h"
#include "ui/button_ctrl_ex.h"
#include "ui/check_button_ctrl.h"
#include "ui/check_button_ctrl_ex.h"
#include "ui/common_dlg.h"
#include "ui/control_lists.h"
#include "ui/hy_link_ctrl_ex.h"
#include "ui/process_ctrl.h"
#include "ui/static_ctrl.h"
#include "ui/wnd_shadow.h"

class GalleryDlg : public GalleryFrameDlg {
 public:
  static constexpr int kTemplate = 901;

  GalleryDlg();
  ~GalleryDlg() override;

  int OnInitDialog(HWND hwnd) override;
  int PreHandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  int OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;

  static INT_PTR StaticDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
  // Runs the dialog; returns when it is closed.
  static void Run();

  ui::CWndShadow shadow;  // shown when the screen has a compositing manager

 private:
  HBITMAP Picture(int id);
  HBITMAP MakeBox(bool checked, COLORREF frame);

  HFONT font_ = nullptr;
  HFONT underlined_ = nullptr;
  std::vector<HBITMAP> ownedBitmaps_;
  std::vector<std::unique_ptr<ui::CommonCtrl>> controls_;
  ui::ProcessCtrl* progress_ = nullptr;
  ui::CheckButtonCtrl* check_ = nullptr;
  ui::CheckButtonCtrlEx* checkEx_ = nullptr;
  int progressValue_ = 0;
};
