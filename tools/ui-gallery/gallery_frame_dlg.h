// The frame the gallery's dialogs share: white page, blue title band, pale button band.
#pragma once

#include "ui/common_dlg.h"
#include "ui/control_lists.h"

class GalleryFrameDlg : public ui::CommonDlg {
 protected:
  // Paints the frame and `lists`, then presents it, leaving out `nativeChild` if given.
  void PaintFrame(ui::ControlLists& lists, const RECT* nativeChild = nullptr);
};
