// What the dispatcher decides for each item of a pass, as functions of the item table
// alone; the dispatcher carries the decisions out.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "download/downloader.h"

namespace download {

// Below this average over a whole window a transfer counts as stuck, however steadily
// it trickles: 256 B/s still lets a link of a few KB/s, shared by ten segments, pass.
inline constexpr std::uint32_t kTrickleWindowMs = 20000;
inline constexpr std::uint32_t kMinAverageBytesPerSecond = 256;

// A transfer that fails having delivered less than this counts against its mirror;
// after kMaxMirrorStrikes such failures the mirror is no longer given work.
inline constexpr std::uint32_t kUsefulTransferBytes = 65536;
inline constexpr int kMaxMirrorStrikes = 3;

enum class DispatchAction {
  None,
  MarkComplete,  // a failed item with nothing left: status 1
  Resume,        // a failed item: its remainder goes to a new segment on `url`
  MoveStalled,   // a stalled or trickling item: the same, and it stops at its next chunk
  Split,         // part of `splitItemId`'s remainder goes to a new segment on `url`
  Wait,          // no URL now, but another mirror still delivers: decide again next pass
  GiveUp,        // no URL and nothing else running: the download fails
};

struct DispatchDecision {
  DispatchAction action = DispatchAction::None;
  const char* url = nullptr;
  int splitItemId = -1;
  std::uint32_t splitStart = 0;  // the new segment's first byte; the split item ends before it
};

struct DispatchContext {
  std::size_t mirrorCount = 0;
  int threadCount = 0;
  const char* cdnUrl = nullptr;  // null: no CDN entry
  std::uint32_t now = 0;
  std::set<std::string> wornUrls;  // mirrors that used up their strikes
  std::set<int> tricklingIds;      // running items below the minimum average speed
};

// Who takes over from an item on `ownUrl` when `best` (the fastest other URL, may be
// null) is not available: with at most one mirror the own URL, else the CDN when
// `cdnUrl` is given and differs. Worn URLs are never chosen. Null: nobody.
const char* ChooseReplacementUrl(const char* best, const char* ownUrl, std::size_t mirrorCount, const char* cdnUrl,
                                 const std::set<std::string>& worn);

// The fastest URL as ChooseBestUrl finds it, passing over worn URLs.
const char* ChooseBestUsableUrl(const DownloadItemMap& items, const char* exclude, const std::set<std::string>& worn);

// A running item with a transfer on a URL other than `url`.
bool OtherUrlStillRuns(const DownloadItemMap& items, const char* url);

DispatchDecision DecideForItem(const DownloadItemMap& items, const DownloadItem& item, const DispatchContext& context);

// Watches the average speed of running items over whole windows, pass by pass.
// Owned by the dispatcher thread.
class TrickleWatch {
 public:
  // Ids of running items whose last complete window averaged below the minimum.
  std::set<int> Update(const DownloadItemMap& items, std::uint32_t now);

 private:
  struct Sample {
    std::uint32_t tick = 0;
    std::uint32_t current = 0;
  };
  std::map<int, Sample> samples_;
};

// Failures that delivered next to nothing, per mirror. Owned by the dispatcher thread.
class MirrorStrikes {
 public:
  // Counts the failure of `item` when it delivered less than kUsefulTransferBytes.
  void Record(const DownloadItem& item);
  const std::set<std::string>& Worn() const { return worn_; }

 private:
  std::map<std::string, int> strikes_;
  std::set<std::string> worn_;
};

}  // namespace download
