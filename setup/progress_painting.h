// What the setup dialog draws in each of its states: the ready page, the download
// (working and failed looks), the installation frames and the finished artwork.
// Every painting fills a canvas of the dialog's client size; the dialog presents it.
//
// Threads: Load on the UI thread before any painter runs; the paintings on the
// painter thread or the UI thread, one at a time (the dialog serialises them).
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "download/downloader.h"
#include "platform/gui/gui_types.h"
#include "setup/download_progress.h"
#include "setup/frame_producer.h"
#include "ui/bm_data.h"

namespace ui {
class CommonCtrl;
class ControlLists;
}  // namespace ui

namespace setup {

class RingPicture;

enum class Painting { Page, Download, Frame, Finished };

// By the dialog's `eInstall`: 0 ready, 1 working, 2 finished, 3 retry.
Painting ChoosePainting(int eInstall, bool downloadFinished);

class ProgressPainter {
 public:
  static constexpr int kPictureX = ProgressFrames::kPictureX;
  static constexpr int kPictureY = ProgressFrames::kPictureY;
  static constexpr int kBandTop = 338;
  static constexpr int kBandBottom = 405;

  ProgressPainter();
  ~ProgressPainter();
  ProgressPainter(const ProgressPainter&) = delete;
  ProgressPainter& operator=(const ProgressPainter&) = delete;

  // Loads the pictures and makes the fonts; false when a picture is missing.
  bool Load(HWND dialog);

  void PaintPage(HDC dc, bool optionsOpen, ui::ControlLists& controls);
  // The failed look: the faded picture, the advice and the given controls.
  // `adviceTextId` is the UI text that says what failed; 0 for the network advice.
  void PaintDownloadFailed(HDC dc, int adviceTextId, const std::vector<ui::CommonCtrl*>& controls);
  // The working look for the engine's snapshot `info` at tick `now`; the download
  // started at `startTick`. Returns what the statistics reporter gets.
  ProgressSnapshot PaintDownloadWorking(HDC dc, int downloadPercent, const download::DownloadInfo& info,
                                        std::uint32_t now, std::uint32_t startTick, bool usingCdn);
  // The producer's next frame with the percentage and the controls; false (nothing
  // drawn) while no frame is ready.
  bool PaintFrame(HDC dc, int paintMode, int installPermille, ui::ControlLists& controls);
  void PaintFinished(HDC dc, ui::ControlLists& controls);

  // Starts the frame producer once; later calls return the running one.
  std::shared_ptr<FrameProducer> StartFrameProducer(int width, int height, FrameProducerInputs inputs);
  std::shared_ptr<FrameProducer> Producer() const;

  const ui::BMData& PlainPicture() const { return plain_; }
  const ui::BMData& Artwork() const { return artwork_; }
  const ui::BMData& FinishedPicture() const { return finished_; }

 private:
  void FillBand(HDC dc);
  void DrawRowText(HDC dc, const wchar_t* text, RECT rect, UINT format);

  ui::BMData plain_;             // 132
  ui::BMData finished_;          // 133
  ui::BMData ringed_;            // 183
  ui::BMData faded_;             // 182
  ui::BMData small_;             // 184, loaded for completeness, never drawn
  ui::BMData artwork_;           // 185
  HFONT textFont_ = nullptr;     // 14 pixels, "ArialMT"
  HFONT percentFont_ = nullptr;  // 22 points, the dialog face
  HFONT adviceFont_ = nullptr;   // the system-language size, the dialog face
  std::unique_ptr<RingPicture> ring_;
  ShownSpeed shownSpeed_;
  mutable std::mutex producerMutex_;  // the UI thread starts it while a painter may read it
  std::shared_ptr<FrameProducer> producer_;
};

}  // namespace setup
