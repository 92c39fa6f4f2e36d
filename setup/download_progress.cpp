#include "setup/download_progress.h"

#include <algorithm>

namespace setup {

namespace {
constexpr std::uint32_t kShownSpeedPeriodMs = 1000;
}  // namespace

ProgressRow ChooseProgressRow(std::uint32_t downloaded, std::uint32_t size) {
  if (downloaded > 0 && downloaded < size) return ProgressRow::Downloading;
  return size != 0 ? ProgressRow::CheckingData : ProgressRow::GatheringInformation;
}

double DownloadPercentage(std::uint32_t downloaded, std::uint32_t size) {
  if (size == 0) return 0.0;
  return std::clamp(downloaded * 100.0 / size, 0.0, 100.0);
}

std::uint32_t AverageSpeed(std::uint32_t downloaded, std::uint32_t now, std::uint32_t startTick) {
  const std::uint32_t elapsedMs = now - startTick;
  if (elapsedMs == 0) return 0;
  return static_cast<std::uint32_t>(downloaded / (elapsedMs / 1000.0));
}

int SumRunningSpeeds(const download::DownloadItemMap& items) {
  long long sum = 0;
  for (const auto& [id, item] : items) {
    if (item.nStatus == download::E_Status_Runing && item.nSpeed > 0) sum += item.nSpeed;
  }
  return static_cast<int>(std::min<long long>(sum, 0x7FFFFFFF));
}

std::uint32_t ShownSpeed::Update(std::uint32_t downloaded, std::uint32_t now) {
  // A restarted download counts from zero again: start a fresh measurement.
  if (!started_ || downloaded < lastDownloaded_) {
    started_ = true;
    speed_ = 0;
    lastDownloaded_ = downloaded;
    lastTick_ = now;
    return speed_;
  }
  const std::uint32_t elapsedMs = now - lastTick_;
  if (elapsedMs == 0 || (elapsedMs <= kShownSpeedPeriodMs && speed_ != 0)) return speed_;
  speed_ = static_cast<std::uint32_t>((downloaded - lastDownloaded_) / (elapsedMs / 1000.0));
  lastDownloaded_ = downloaded;
  lastTick_ = now;
  return speed_;
}

}  // namespace setup
