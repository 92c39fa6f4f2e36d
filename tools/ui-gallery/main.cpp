// ui-gallery: the skinned message boxes and controls in real windows.
//   ui-gallery            the controls dialog (its buttons open the boxes)
//   ui-gallery --message  the one-button box, then exit
//   ui-gallery --ask      the two-button box, then exit
//   ui-gallery --natives  a painted dialog with the toolkit's edit box, lists and dialogs
// The result of every box is printed ("ShowMessage 1628", "AskQuestion 1629").
#include <cstdio>
#include <cstring>

#include "base/texts/ui_texts.h"
#include "external/vendor_config.h"
#include "tools/ui-gallery/gallery_dlg.h"
#include "tools/ui-gallery/natives_dlg.h"
#include "ui/skin_message_box.h"
#include "ui/wnd_shadow.h"

using namespace base;
using namespace ui;

int main(int argc, char** argv) {
  SetLanguage(L"Corvex", 0, HostNameOf(GetVendorConfig().webSite));
  CWndShadow::Initialize(nullptr);
  const char* mode = argc > 1 ? argv[1] : "";
  if (std::strcmp(mode, "--message") == 0) {
    std::printf("ShowMessage %d\n", ShowMessage(nullptr, L"Corvex", GetText(29), GetText(11)));
  } else if (std::strcmp(mode, "--ask") == 0) {
    std::printf("AskQuestion %d\n", AskQuestion(nullptr, L"Corvex", GetText(10), GetText(19), GetText(20)));
  } else if (std::strcmp(mode, "--natives") == 0) {
    NativesDlg::Run();
  } else if (mode[0] == '\0') {
    GalleryDlg::Run();
  } else {
    std::fprintf(stderr, "usage: ui-gallery [--message | --ask | --natives]\n");
    return 2;
  }
  return 0;
}
