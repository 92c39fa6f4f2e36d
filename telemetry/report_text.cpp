#include "telemetry/report_text.h"

#include <cstdio>

#include "platform/clock.h"

namespace telemetry {

std::string FormatSizeText(int bytes) {
  char text[32];
  if (bytes > 1048576) {
    std::snprintf(text, sizeof text, "%.2fMB", bytes / 1048576.0);
  } else if (bytes > 1024) {
    std::snprintf(text, sizeof text, "%.2fKB", bytes / 1024.0);
  } else {
    std::snprintf(text, sizeof text, "%dByte", bytes);
  }
  return text;
}

std::string FormatDuration(int seconds) {
  if (seconds < 0) return std::string();
  char text[32];
  std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600, (seconds % 3600) / 60, seconds % 60);
  return text;
}

std::string FormatLocalTime(const std::tm& moment) {
  char text[64];
  std::snprintf(text, sizeof text, "%d-%02d-%02d %02d:%02d:%02d", moment.tm_year + 1900, moment.tm_mon + 1,
                moment.tm_mday, moment.tm_hour, moment.tm_min, moment.tm_sec);
  return text;
}

std::string FormatLocalTime() { return FormatLocalTime(platform::GetLocalTime()); }

std::string FormatDateStamp(const std::tm& moment) {
  char text[32];
  std::snprintf(text, sizeof text, "%d%02d%02d", moment.tm_year + 1900, moment.tm_mon + 1, moment.tm_mday);
  return text;
}

}  // namespace telemetry
