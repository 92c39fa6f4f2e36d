#include "fetch_progress.h"

#include <cinttypes>
#include <cmath>

using namespace download;

namespace {

const char* StatusName(int status) {
  switch (status) {
    case E_Status_Runing: return "running";
    case E_Status_StopByDispatch: return "stopped";
    case E_Status_Fail: return "failed";
    case E_Status_Succeed: return "done";
    case E_Status_Replaced: return "replaced";
    default: return "?";
  }
}

std::string Mebibytes(std::uint32_t bytes) {
  char text[32];
  std::snprintf(text, sizeof(text), "%.1f MiB", bytes / 1048576.0);
  return text;
}

double Percent(const ProgressSample& sample) {
  return sample.fileSize ? 100.0 * sample.downloaded / sample.fileSize : 0.0;
}

}  // namespace

ProgressSample SampleOf(const DownloadInfo& info, double bytesPerSecond) {
  ProgressSample sample;
  sample.downloaded = info.nDownloaded;
  sample.fileSize = info.nFileSize;
  sample.bytesPerSecond = bytesPerSecond;
  sample.segments = info.nThreadCount;
  for (const auto& [id, item] : info.mapItems) sample.runningSegments += item.nStatus == E_Status_Runing ? 1 : 0;
  return sample;
}

std::string FormatRate(double bytesPerSecond) {
  char text[32];
  if (bytesPerSecond >= 1048576.0) {
    std::snprintf(text, sizeof(text), "%.1f MiB/s", bytesPerSecond / 1048576.0);
  } else if (bytesPerSecond >= 1024.0) {
    std::snprintf(text, sizeof(text), "%.0f KiB/s", bytesPerSecond / 1024.0);
  } else {
    std::snprintf(text, sizeof(text), "%.0f B/s", bytesPerSecond);
  }
  return text;
}

std::string FormatEta(const ProgressSample& sample) {
  if (sample.bytesPerSecond < 1.0 || sample.fileSize == 0 || sample.downloaded > sample.fileSize) return "--:--";
  const double seconds = (sample.fileSize - sample.downloaded) / sample.bytesPerSecond;
  if (seconds > 359999) return "--:--";
  const long total = std::lround(seconds);
  char text[32];
  if (total >= 3600) {
    std::snprintf(text, sizeof(text), "%ld:%02ld:%02ld", total / 3600, total / 60 % 60, total % 60);
  } else {
    std::snprintf(text, sizeof(text), "%ld:%02ld", total / 60, total % 60);
  }
  return text;
}

std::string FormatBar(const ProgressSample& sample, int width) {
  const double percent = Percent(sample);
  const int filled = static_cast<int>(percent / 100.0 * width);
  std::string bar = "[";
  for (int i = 0; i < width; ++i) bar += i < filled ? '#' : '.';
  char tail[128];
  std::snprintf(tail, sizeof(tail), "] %5.1f%% %s  seg %d/%d  eta %s", percent,
                FormatRate(sample.bytesPerSecond).c_str(), sample.runningSegments, sample.segments,
                FormatEta(sample).c_str());
  return bar + tail;
}

std::string FormatLine(const ProgressSample& sample) {
  char text[192];
  std::snprintf(text, sizeof(text), "%.1f%% %s of %s %s segments %d/%d eta %s", Percent(sample),
                Mebibytes(sample.downloaded).c_str(), Mebibytes(sample.fileSize).c_str(),
                FormatRate(sample.bytesPerSecond).c_str(), sample.runningSegments, sample.segments,
                FormatEta(sample).c_str());
  return text;
}

void PrintSegmentTable(std::FILE* out, const DownloadInfo& info) {
  std::uint32_t origin = 0;
  bool first = true;
  for (const auto& [id, item] : info.mapItems) {
    if (first || static_cast<std::int32_t>(item.dwStartTick - origin) < 0) origin = item.dwStartTick;
    first = false;
  }
  std::fprintf(out, "%4s %10s %10s %10s %-8s %6s %8s %8s %10s  %s\n", "id", "start", "end", "next", "status", "result",
               "from ms", "to ms", "speed", "url");
  for (const auto& [id, item] : info.mapItems) {
    const long began = static_cast<long>(item.dwStartTick - origin);
    const long ended = item.dwEndTick ? static_cast<long>(item.dwEndTick - origin) : -1;
    std::fprintf(out, "%4d %10" PRIu32 " %10" PRIu32 " %10" PRIu32 " %-8s %6d %8ld %8ld %10s  %s\n", id, item.nStart,
                 item.nEnd, item.nCurrent, StatusName(item.nStatus), item.nResult, began, ended,
                 FormatRate(item.nSpeed).c_str(), item.pszUrl ? item.pszUrl : "");
  }
}
