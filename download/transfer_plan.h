// The engine's decisions that need no network: how a file is cut into segments,
// when a running segment is split, how many bytes of a chunk a segment takes,
// which blocks a verification compares, and which URL delivers fastest.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "download/downloader.h"

namespace download {

inline constexpr std::uint32_t kHashBlockSize = 1048576;
inline constexpr std::uint32_t kMinSplitRemainder = 512000;
inline constexpr int kDefaultThreadsPerUrl = 2;
inline constexpr int kCdnAloneThreadsPerUrl = 5;
inline constexpr std::uint32_t kStallTimeoutMs = 6000;

// Segments per mirror: `configured` when it lies in 1..10, else 2.
int EffectiveThreadsPerUrl(int configured);

struct SegmentRange {
  std::uint32_t nStart = 0;
  std::uint32_t nEnd = 0;       // inclusive
  std::size_t mirrorIndex = 0;  // mirrors take turns in rank order
};

// Cuts `fileSize` bytes into mirrorCount x perUrl ranges of equal length, the last one
// taking the remainder. A file with fewer bytes than that gets one segment per byte,
// so no range is ever empty or inverted; a file of 0 bytes gets none.
std::vector<SegmentRange> PlanSegments(std::uint32_t fileSize, std::size_t mirrorCount, int perUrl);

// Bytes of an n-byte chunk that a segment at `current` ending at `end` takes.
std::uint32_t ChunkBytesToTake(std::uint32_t current, std::uint32_t end, std::size_t n);

// Speeds are measured over windows of at least this length: a single chunk says more
// about how the socket was read than about the mirror.
inline constexpr std::uint32_t kSpeedWindowMs = 500;

// Accounts a chunk of `bytes` received at `now`: sets dwLastTick and, once a window is
// complete (or while the item has no speed yet), nSpeed.
void RecordChunk(DownloadItem& item, std::uint32_t bytes, std::uint32_t now);

// Where a split cuts a running segment's remainder: the bytes its owner keeps, the
// rest moving to a new segment; none when the remainder is below 512000 bytes. Cut in
// proportion to the owner's and the taker's measured speeds, so that both end together
// (a slow owner left with half of the last remainder would end the whole download
// late); in halves while either speed is unmeasured.
std::optional<std::uint32_t> SplitShare(std::uint32_t remainder, int ownerSpeed = 0, int takerSpeed = 0);

// The speed a new connection to `url` may expect: that of its fastest item that ran or
// runs; 0 when none was measured.
int MeasuredUrlSpeed(const DownloadItemMap& items, const char* url);

struct BlockCheck {
  std::uint32_t offset = 0;
  std::uint32_t length = 0;
  std::size_t digestIndex = 0;  // index into the block digest list
};

// The blocks a verification compares, in order: full 1 MiB blocks while the digest
// list lasts, then the last (possibly short) block when a digest is left for it.
// Blocks beyond the digest list are not compared.
std::vector<BlockCheck> PlanBlockChecks(std::uint32_t fileSize, std::size_t digestCount);

// The bytes after the last block that has a digest, when there are any: the only part
// of the file that a whole-file mismatch with every block matching can be blamed on.
std::optional<BlockCheck> UndigestedTail(std::uint32_t fileSize, std::size_t digestCount);

// How bytes that no block digest covers are fetched again after a whole-file mismatch:
// cut like a first download of those bytes over `mirrorCount` mirrors, `perUrl` each,
// rather than as one segment that no dispatcher split could spread.
std::vector<SegmentRange> PlanRefetch(const BlockCheck& tail, std::size_t mirrorCount, int perUrl);

// URL of the fastest item that is running, stopped by the dispatcher or succeeded, with
// a speed above 0 and a URL other than `exclude` (null excludes nothing); the lower id
// wins a tie. Null when none qualifies.
const char* ChooseBestUrl(const DownloadItemMap& items, const char* exclude);

// The first item in id order covering [first, last]; null when none does.
const DownloadItem* FindRepairTemplate(const DownloadItemMap& items, std::uint32_t first, std::uint32_t last);

// The running item with the largest remainder (first in id order on ties); null when
// nothing runs. Repairs are left out: a split would send part of a bad block back to
// whichever mirror is fastest, often the one that spoiled it.
const DownloadItem* FindLargestRunning(const DownloadItemMap& items);

// What a finished segment's free connection takes over: part of the largest running
// remainder, when fewer than `threadCount` items run and that remainder is large enough.
struct SplitPlan {
  int itemId = -1;          // the running item that gives up the far part of its range
  std::uint32_t share = 0;  // bytes it keeps, cut in halves; the new segment starts at its nCurrent + share
};
std::optional<SplitPlan> PlanSplit(const DownloadItemMap& items, int threadCount);

// Mirror candidates that passed the echo and length probes, turned into the ranked
// list that segments use.
enum class CdnUse { NotNeeded, Alone, Missing, Added, NotAvailable };
struct RankedMirrors {
  std::vector<UrlCfg> mirrors;
  CdnUse cdn = CdnUse::NotNeeded;
};
// Sorts by echo time (stable), keeps those with spare capacity, brings in the CDN entry
// (null: none) when two or fewer remain, and keeps at most five.
RankedMirrors RankMirrors(std::vector<UrlCfg> candidates, const UrlCfg* cdnEntry);
inline constexpr std::size_t kMaxRankedMirrors = 5;

}  // namespace download
