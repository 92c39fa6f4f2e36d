// The arithmetic behind the download row: which texts it shows, the shown and the
// average speed, the percentage, and the snapshot the statistics reporter gets.
#pragma once

#include <cstdint>

#include "download/downloader.h"

namespace setup {

// What the text row under the picture says.
enum class ProgressRow {
  GatheringInformation,  // the engine does not know the size yet
  CheckingData,          // size known, nothing written yet, or everything written and being verified
  Downloading,           // speed, "Downloading..." and the percentage
};

ProgressRow ChooseProgressRow(std::uint32_t downloaded, std::uint32_t size);

// downloaded × 100 / size, held to 0 … 100; 0 while the size is unknown.
double DownloadPercentage(std::uint32_t downloaded, std::uint32_t size);

// Bytes per second since `startTick`; 0 before any time has passed.
std::uint32_t AverageSpeed(std::uint32_t downloaded, std::uint32_t now, std::uint32_t startTick);

// Sum of nSpeed over the segments still running.
int SumRunningSpeeds(const download::DownloadItemMap& items);

// The speed the row shows: measured over at least a second, so the figure stays
// readable. Refreshed when more than 1,000 ms passed since its last refresh or while
// it is 0. One painter thread owns it.
class ShownSpeed {
 public:
  std::uint32_t Update(std::uint32_t downloaded, std::uint32_t now);
  std::uint32_t Value() const { return speed_; }

 private:
  bool started_ = false;
  std::uint32_t speed_ = 0;
  std::uint32_t lastDownloaded_ = 0;
  std::uint32_t lastTick_ = 0;
};

// What a download painting hands to the statistics reporter.
struct ProgressSnapshot {
  int percent = 0;  // whole percentage shown, 0 when none is shown
  int speedSum = 0;
  std::uint32_t averageSpeed = 0;
  bool usingCdn = false;
};

}  // namespace setup
