// What the setup dialog shows in each install state. The painter thread calls
// OnPaint every 10 ms while installing (50 ms otherwise); so does WM_PAINT on the UI
// thread. Each call paints a whole frame into its own buffer and presents it.
#include <cstdio>

#include "base/texts/ui_texts.h"
#include "platform/gui/draw.h"
#include "platform/gui/window.h"
#include "setup/setup_dlg.h"

namespace gui = platform::gui;

namespace {

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kOptionsBackground = 0xFFFEFC;
constexpr COLORREF kBand = 0xFDFBF7;
constexpr COLORREF kProgressText = 0xE58C19;
constexpr COLORREF kAdviceText = 0x373737;
constexpr COLORREF kPercentText = 0xBF5300;
constexpr int kBandTop = 338;
constexpr int kBandBottom = 405;
constexpr int kPictureX = 184;
constexpr int kPictureY = 50;
constexpr int kPictureSize = 255;

void DrawText(HDC dc, HFONT font, COLORREF color, const std::wstring& text, RECT rect, UINT format) {
  gui::SelectObject(dc, font);
  gui::SetTextColor(dc, color);
  gui::SetBkMode(dc, TRANSPARENT);
  gui::DrawTextW(dc, text.c_str(), -1, &rect, format);
}

constexpr UINT kCentred = DT_CENTER | DT_VCENTER | DT_SINGLELINE;

}  // namespace

void SetupDlg::OnPaint() {
  if (!hwnd) return;
  RECT client{};
  if (!gui::GetClientRect(hwnd, &client) || client.right <= 0 || client.bottom <= 0) return;
  gui::MemoryCanvas canvas(client.right, client.bottom);
  HDC dc = canvas.dc();
  const InstallState state = eInstall.load();
  if (state != kInstallReady && countdownText_) countdownText_->SetVisible(false);
  switch (state) {
    case kInstallReady:
      PaintPage(dc, client);
      break;
    case kInstallOnInstall:
      if (downloadFinished) {
        PaintInstalling(dc, client);
      } else {
        PaintDownload(dc, client);
      }
      break;
    case kInstallAfterInstall:
      PaintFinished(dc, client);
      break;
    case kInstallRetry:
      PaintDownload(dc, client);
      break;
  }
  const RECT folderBox = options_.FolderBoxRect();
  const bool keepFolderBox = state == kInstallReady && options_.IsOpen();
  gui::PresentFrame(hwnd, 0, 0, client.right, client.bottom, dc, 0, 0, keepFolderBox ? &folderBox : nullptr);
}

void SetupDlg::PaintPage(HDC dc, const RECT& client) {
  FillSolidRect(dc, &client, kWhite);
  if (options_.IsOpen() && client.bottom > kBandBottom) {
    const RECT below{0, kBandBottom, client.right, client.bottom};
    FillSolidRect(dc, &below, kOptionsBackground);
  }
  const RECT band{0, kBandTop, client.right, kBandBottom};
  FillSolidRect(dc, &band, kBand);
  controls.PaintAll(dc);
}

void SetupDlg::PaintDownload(HDC dc, const RECT& client) {
  FillSolidRect(dc, &client, kWhite);
  const int width = client.right, height = client.bottom;
  if (eInstall == kInstallRetry) {
    // The failed look: the faded picture, the advice, and only the two buttons.
    gui::DrawBitmapPart(dc, kPictureX, kPictureY, kPictureSize, kPictureSize, fadedBitmap_, 0, 0);
    const RECT band{0, kBandTop, width, kBandBottom};
    FillSolidRect(dc, &band, kBand);
    DrawText(dc, countdownFont_, kAdviceText, GetText(41), RECT{50, 130, 572, 210},
             DT_CENTER | DT_VCENTER | DT_WORDBREAK);
    if (installButton_) installButton_->Draw(dc);
    if (closeButton_) closeButton_->Draw(dc);
    return;
  }
  gui::DrawBitmapPart(dc, kPictureX, kPictureY, kPictureSize, kPictureSize, pictureBitmap_, 0, 0);
  DownloadInfo info;
  GetDownloadInfo(info);
  const RECT row{0, height - 47, width, height - 27};
  if (info.nDownloaded > 0 && info.nDownloaded < info.nFileSize) {
    wchar_t percent[16];
    std::swprintf(percent, 16, L"%.0f%%", info.nDownloaded * 100.0 / info.nFileSize);
    DrawText(dc, progressFont_, kProgressText, percent, RECT{width - 120, row.top, width - 20, row.bottom},
             DT_RIGHT | DT_VCENTER | DT_SINGLELINE);
    DrawText(dc, progressFont_, kProgressText, GetText(43), RECT{width / 2 - 50, row.top, width / 2 + 50, row.bottom},
             kCentred);
  } else {
    DrawText(dc, progressFont_, kProgressText, GetText(info.nFileSize ? 44 : 45),
             RECT{40, row.top, width - 40, row.bottom}, kCentred);
  }
  controls.PaintAll(dc);
}

void SetupDlg::PaintInstalling(HDC dc, const RECT& client) {
  FillSolidRect(dc, &client, kWhite);
  gui::DrawBitmapPart(dc, kPictureX, kPictureY, kPictureSize, kPictureSize, pictureBitmap_, 0, 0);
  if (paintMode == 1) {
    const int width = client.right, height = client.bottom;
    wchar_t percent[16];
    std::swprintf(percent, 16, L"%d%%", installPermille.load() / 10);
    DrawText(dc, percentFont_, kPercentText, percent, RECT{width / 2 - 50, height - 80, width / 2 + 50, height - 20},
             kCentred);
  }
  controls.PaintAll(dc);
}

void SetupDlg::PaintFinished(HDC dc, const RECT& client) {
  FillSolidRect(dc, &client, kWhite);
  gui::DrawBitmapPart(dc, 0, 0, client.right, client.bottom, artworkBitmap_, 0, 0);
  const RECT band{0, kBandTop, client.right, kBandBottom};
  FillSolidRect(dc, &band, kBand);
  controls.PaintAll(dc);
}
