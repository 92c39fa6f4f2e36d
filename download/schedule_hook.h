// Where the engine's threads hand over to each other; tests hook in here to vary the
// scheduling. After each dispatch pass the hook also sees the item table (under its
// lock), the file size and the ranges kept from an earlier download; at every other
// point they are null, 0 and null.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "download/downloader.h"
#include "download/resume_scan.h"

namespace download {

enum class SchedulePoint { SegmentStart, ChunkWrite, SegmentEnd, Split, DispatchPass };
using ScheduleHook = std::function<void(SchedulePoint, const DownloadItemMap*, std::uint32_t fileSize,
                                        const std::vector<ByteRange>* kept)>;

}  // namespace download
