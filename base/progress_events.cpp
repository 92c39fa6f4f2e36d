#include "base/progress_events.h"

namespace base {

// Each switch names every kind without a default, so that a kind added to its enum
// and not here is a compile error rather than an event dropped on the floor.

template <>
std::optional<DownloadEvent> DecodeEvent<DownloadEvent>(int wire) {
  const auto kind = static_cast<DownloadEvent>(wire);
  switch (kind) {
    case kDownloadEventProgress:
    case kDownloadEventFailed:
    case kDownloadEventFinished:
    case kDownloadEventSegmentEnded: return kind;
  }
  return std::nullopt;
}

template <>
std::optional<InstallEvent> DecodeEvent<InstallEvent>(int wire) {
  const auto kind = static_cast<InstallEvent>(wire);
  switch (kind) {
    case kInstallEventUnpackStart:
    case kInstallEventUnpackDone:
    case kInstallEventUnpackFailed:
    case kInstallEventPermille:
    case kInstallEventExtractPercent:
    case kInstallEventExtractError: return kind;
  }
  return std::nullopt;
}

template <>
std::optional<UninstallEvent> DecodeEvent<UninstallEvent>(int wire) {
  const auto kind = static_cast<UninstallEvent>(wire);
  switch (kind) {
    case kUninstallEventStart:
    case kUninstallEventDone:
    case kUninstallEventFailed:
    case kUninstallEventProgress: return kind;
  }
  return std::nullopt;
}

}  // namespace base
