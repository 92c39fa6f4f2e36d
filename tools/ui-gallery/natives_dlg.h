// A painted dialog hosting the toolkit's own pieces: an edit box, a list view, a
// list box, the folder picker and the plain message box.
#pragma once

#include <memory>
#include <vector>

#include "tools/ui-gallery/gallery_frame_dlg.h"
#include "ui/button_color_ctrl_ex.h"
#include "ui/common_dlg.h"
#include "ui/control_lists.h"

class NativesDlg : public GalleryFrameDlg {
 public:
  static constexpr int kTemplate = 902;

  NativesDlg();
  ~NativesDlg() override;
  int OnInitDialog(HWND hwnd) override;
  int PreHandleMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;
  int OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnPaint() override;

  static void Run();

 private:
  static INT_PTR StaticDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);

  HFONT font_ = nullptr;
  std::vector<std::unique_ptr<ui::ButtonColorCtrlEx>> buttons_;
  HWND edit_ = nullptr;
  HWND listView_ = nullptr;
  HWND listBox_ = nullptr;
  RECT editRect_{};
};
