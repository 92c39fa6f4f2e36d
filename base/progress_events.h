// The events a ProgressCallback carries, by sender, with the numbers they have on it.
// The numbers are what travels (the install helper passes them through its socket as
// they are); a receiver decodes them once, with DecodeEvent or ReceiveDecoded, and from
// there on switches on the names.
#pragma once

#include <optional>
#include <utility>

#include "base/progress_callback.h"

namespace base {

// The download engine's, to the download receiver.
enum DownloadEvent : int {
  kDownloadEventProgress = 3,      // (bytes written, file size)
  kDownloadEventFailed = 4,        // (0, 0) before the transfer, else (bytes written, file size)
  kDownloadEventFinished = 5,      // (bytes written, file size); (0, 1) when already present
  kDownloadEventSegmentEnded = 7,  // (segment id, address of its DownloadItem: see SegmentEndedItem)
};

// The package reader's own and, passed on, the extractor's, to the install receiver.
enum InstallEvent : int {
  kInstallEventUnpackStart = 0,       // (0, 0)
  kInstallEventUnpackDone = 1,        // (0, 0)
  kInstallEventUnpackFailed = 2,      // (UnpackFailure, 0)
  kInstallEventPermille = 3,          // (permille, 0): the receiver takes it, no sender of ours makes it
  kInstallEventExtractPercent = 100,  // (percent, 0)
  kInstallEventExtractError = 101,    // (the extractor's error code, 0); the unpack goes on
};

// The code of kInstallEventUnpackFailed.
enum UnpackFailure : unsigned {
  kUnpackFailurePackage = 2,  // the package is unusable, memory ran out, or the extraction failed
  kUnpackFailureFolder = 3,   // the install folder is missing
};

// The uninstall work's, to the uninstall page, as (event, value, 0).
enum UninstallEvent : int {
  kUninstallEventStart = 0,
  kUninstallEventDone = 1,
  kUninstallEventFailed = 2,    // value: the UninstallOutcome
  kUninstallEventProgress = 3,  // value: percent
};

// The kind a number names, or nothing when the sender never sends that number.
template <typename Kind>
std::optional<Kind> DecodeEvent(int wire);

template <>
std::optional<DownloadEvent> DecodeEvent<DownloadEvent>(int wire);
template <>
std::optional<InstallEvent> DecodeEvent<InstallEvent>(int wire);
template <>
std::optional<UninstallEvent> DecodeEvent<UninstallEvent>(int wire);

// A callback that hands each event of one sender, decoded, to `receive(kind, code,
// value)`. A number the sender does not send is ignored and answered with 1, as every
// receiver answers.
template <typename Kind, typename Receive>
ProgressCallback ReceiveDecoded(Receive receive) {
  return [receive = std::move(receive)](int event, unsigned code, long value) {
    const std::optional<Kind> kind = DecodeEvent<Kind>(event);
    return kind ? receive(*kind, code, value) : 1;
  };
}

}  // namespace base
