// Progress display of corvex-fetch: a bar redrawn in place on a terminal, one plain
// line per second otherwise, and the segment table.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>

#include "download/downloader.h"

struct ProgressSample {
  std::uint32_t downloaded = 0;
  std::uint32_t fileSize = 0;
  double bytesPerSecond = 0;
  int runningSegments = 0;
  int segments = 0;  // the parallel segments the engine aims at
};

ProgressSample SampleOf(const download::DownloadInfo& info, double bytesPerSecond);
// "1.5 MiB/s", "730 KiB/s", "12 B/s"
std::string FormatRate(double bytesPerSecond);
// "1:05:09", "4:07", "--:--" when unknown
std::string FormatEta(const ProgressSample& sample);
// The terminal bar without its leading '\r'.
std::string FormatBar(const ProgressSample& sample, int width = 30);
// "42.0% 55.1 MiB of 130.3 MiB 12.4 MiB/s segments 8/10 eta 0:06"
std::string FormatLine(const ProgressSample& sample);
void PrintSegmentTable(std::FILE* out, const download::DownloadInfo& info);
