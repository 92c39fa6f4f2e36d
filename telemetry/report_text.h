// Texts the reports carry besides the raw numbers.
#pragma once

#include <ctime>
#include <string>

namespace telemetry {

// 512 -> "512Byte", 1025 -> "1.00KB", 2621440 -> "2.50MB"; no per-second suffix.
std::string FormatSizeText(int bytes);
// 75 -> "00:01:15"; hours are not limited to two digits; empty for a negative value.
std::string FormatDuration(int seconds);
// "2020-06-16 09:05:03" of the given moment, and of now in local time.
std::string FormatLocalTime(const std::tm& moment);
std::string FormatLocalTime();
// "20200616": the crash report's version text of the given day.
std::string FormatDateStamp(const std::tm& moment);

}  // namespace telemetry
