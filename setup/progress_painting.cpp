#include "setup/progress_painting.h"

#include <algorithm>
#include <cstdio>

#include "base/texts/ui_texts.h"
#include "platform/gui/draw.h"
#include "platform/text.h"
#include "setup/format_size.h"
#include "setup/ring_picture.h"
#include "ui/common_ctrl.h"
#include "ui/control_lists.h"
#include "ui/ui_font.h"

using base::GetText;

namespace setup {

namespace gui = platform::gui;

namespace {

constexpr int kInstallReady = 0;
constexpr int kInstallWorking = 1;
constexpr int kInstallFinished = 2;

constexpr COLORREF kWhite = 0xFFFFFF;
constexpr COLORREF kOptionsPage = 0xFFFEFC;
constexpr COLORREF kBand = 0xFDFBF7;
constexpr COLORREF kAdviceColour = 0x373737;
constexpr COLORREF kRowColour = 0xE58C19;
constexpr COLORREF kPercentColour = 0xBF5300;
constexpr int kTextFontPixels = 14;
constexpr int kPercentFontPoints = 22;

constexpr int kTextDownloadFailed = 41;
constexpr int kTextDownloading = 43;
constexpr int kTextChecking = 44;
constexpr int kTextGathering = 45;

RECT Client(HDC dc) { return RECT{0, 0, dc->Width(), dc->Height()}; }

std::wstring Widen(const char* text) { return platform::NarrowToWide(text); }

}  // namespace

Painting ChoosePainting(int eInstall, bool downloadFinished) {
  switch (eInstall) {
    case kInstallReady: return Painting::Page;
    case kInstallWorking: return downloadFinished ? Painting::Frame : Painting::Download;
    case kInstallFinished: return Painting::Finished;
    default: return Painting::Download;  // the retry state shows the failed look
  }
}

ProgressPainter::ProgressPainter() = default;

ProgressPainter::~ProgressPainter() {
  gui::DeleteFont(textFont_);
  gui::DeleteFont(percentFont_);
  gui::DeleteFont(adviceFont_);
}

bool ProgressPainter::Load(HWND dialog) {
  bool loaded = plain_.Load(132) && finished_.Load(133) && ringed_.Load(183) && faded_.Load(182);
  loaded = small_.Load(184) && artwork_.Load(185) && loaded;
  if (!textFont_) textFont_ = ui::CreateDialogFont(dialog, kTextFontPixels, false, L"ArialMT");
  if (!percentFont_) percentFont_ = ui::CreateDialogFont(dialog, gui::MulDiv(kPercentFontPoints, 96, 72));
  // The advice is a sentence or two in the dialog face, whose Japanese glyphs run large.
  if (!adviceFont_) adviceFont_ = ui::CreateSystemLanguageFont(dialog);
  ring_ = std::make_unique<RingPicture>(plain_, ringed_);
  return loaded && ring_->Usable();
}

void ProgressPainter::FillBand(HDC dc) {
  const RECT band{0, kBandTop, dc->Width(), kBandBottom};
  gui::FillRectColor(dc, &band, kBand);
}

void ProgressPainter::DrawRowText(HDC dc, const wchar_t* text, RECT rect, UINT format) {
  gui::SetBkMode(dc, TRANSPARENT);
  gui::SetTextColor(dc, kRowColour);
  gui::SelectObject(dc, textFont_);
  gui::DrawTextW(dc, text, -1, &rect, format | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
}

void ProgressPainter::PaintPage(HDC dc, bool optionsOpen, ui::ControlLists& controls) {
  RECT client = Client(dc);
  gui::FillRectColor(dc, &client, kWhite);
  if (optionsOpen) {
    const RECT below{0, kBandBottom, client.right, client.bottom};
    gui::FillRectColor(dc, &below, kOptionsPage);
  }
  FillBand(dc);
  controls.PaintAll(dc);
}

void ProgressPainter::PaintDownloadFailed(HDC dc, int adviceTextId, const std::vector<ui::CommonCtrl*>& controls) {
  RECT client = Client(dc);
  gui::FillRectColor(dc, &client, kWhite);
  gui::DrawBitmapPart(dc, kPictureX, kPictureY, faded_.width, faded_.height, faded_.hBitmap, 0, 0);
  FillBand(dc);
  RECT advice{50, 130, 572, 210};
  gui::SetBkMode(dc, TRANSPARENT);
  gui::SetTextColor(dc, kAdviceColour);
  gui::SelectObject(dc, adviceFont_);
  gui::DrawTextW(dc, GetText(adviceTextId != 0 ? adviceTextId : kTextDownloadFailed), -1, &advice,
                 DT_CENTER | DT_VCENTER | DT_WORDBREAK | DT_NOPREFIX);
  for (ui::CommonCtrl* control : controls) {
    if (control && control->IsVisible()) control->Draw(dc);
  }
}

ProgressSnapshot ProgressPainter::PaintDownloadWorking(HDC dc, int downloadPercent, const download::DownloadInfo& info,
                                                       std::uint32_t now, std::uint32_t startTick, bool usingCdn) {
  const RECT client = Client(dc);
  gui::FillRectColor(dc, &client, kWhite);
  if (ring_) ring_->Draw(dc, kPictureX, kPictureY, downloadPercent);

  ProgressSnapshot snapshot;
  snapshot.speedSum = SumRunningSpeeds(info.mapItems);
  snapshot.averageSpeed = AverageSpeed(info.nDownloaded, now, startTick);
  snapshot.usingCdn = usingCdn;
  const std::uint32_t speed = shownSpeed_.Update(info.nDownloaded, now);

  const int width = client.right;
  const int top = client.bottom - 47;
  const int bottom = client.bottom - 27;
  switch (ChooseProgressRow(info.nDownloaded, info.nFileSize)) {
    case ProgressRow::Downloading: {
      const double percent = DownloadPercentage(info.nDownloaded, info.nFileSize);
      char text[32];
      std::snprintf(text, sizeof text, "%.0f%s", percent, "%");
      snapshot.percent = static_cast<int>(percent);
      DrawRowText(dc, Widen(FormatSpeed(speed).c_str()).c_str(), RECT{20, top, 120, bottom}, DT_LEFT);
      DrawRowText(dc, Widen(text).c_str(), RECT{width - 120, top, width - 20, bottom}, DT_RIGHT);
      // Centred as in 100 pixels, but with the whole room between the speed and the
      // percentage, which a translated word needs.
      DrawRowText(dc, GetText(kTextDownloading), RECT{130, top, width - 130, bottom}, DT_CENTER);
      break;
    }
    case ProgressRow::CheckingData:
      DrawRowText(dc, GetText(kTextChecking), RECT{40, top, width - 40, bottom}, DT_CENTER);
      break;
    case ProgressRow::GatheringInformation:
      DrawRowText(dc, GetText(kTextGathering), RECT{40, top, width - 40, bottom}, DT_CENTER);
      break;
  }
  return snapshot;
}

bool ProgressPainter::PaintFrame(HDC dc, int paintMode, int installPermille, ui::ControlLists& controls) {
  const std::shared_ptr<FrameProducer> producer = Producer();
  if (!producer || producer->Width() != dc->Width() || producer->Height() != dc->Height() ||
      dc->Stride() != dc->Width())
    return false;
  if (!producer->CopyReadyFrame(dc->Pixels())) return false;
  if (paintMode == static_cast<int>(PaintMode::RippleWithPercentage)) {
    wchar_t text[16];
    std::swprintf(text, 16, L"%d%%", std::clamp(installPermille, 0, 1000) / 10);
    RECT rect{dc->Width() / 2 - 50, dc->Height() - 80, dc->Width() / 2 + 50, dc->Height() - 20};
    gui::SetBkMode(dc, TRANSPARENT);
    gui::SetTextColor(dc, kPercentColour);
    gui::SelectObject(dc, percentFont_);
    gui::DrawTextW(dc, text, -1, &rect, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  controls.PaintAll(dc);
  return true;
}

void ProgressPainter::PaintFinished(HDC dc, ui::ControlLists& controls) {
  const RECT client = Client(dc);
  gui::FillRectColor(dc, &client, kWhite);
  gui::DrawBitmapPart(dc, 0, 0, artwork_.width, artwork_.height, artwork_.hBitmap, 0, 0);
  FillBand(dc);
  controls.PaintAll(dc);
}

std::shared_ptr<FrameProducer> ProgressPainter::Producer() const {
  std::lock_guard<std::mutex> lock(producerMutex_);
  return producer_;
}

std::shared_ptr<FrameProducer> ProgressPainter::StartFrameProducer(int width, int height, FrameProducerInputs inputs) {
  std::lock_guard<std::mutex> lock(producerMutex_);
  if (!producer_) {
    producer_ = std::make_shared<FrameProducer>(
        std::make_unique<ProgressFrames>(width, height, plain_, artwork_, finished_), std::move(inputs));
  }
  producer_->Start();
  return producer_;
}

}  // namespace setup
