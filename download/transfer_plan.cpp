#include "download/transfer_plan.h"

#include <algorithm>
#include <cstring>

namespace download {

int EffectiveThreadsPerUrl(int configured) {
  return configured >= 1 && configured <= 10 ? configured : kDefaultThreadsPerUrl;
}

std::vector<SegmentRange> PlanSegments(std::uint32_t fileSize, std::size_t mirrorCount, int perUrl) {
  std::vector<SegmentRange> plan;
  if (fileSize == 0 || mirrorCount == 0) return plan;
  std::uint64_t count = static_cast<std::uint64_t>(mirrorCount) * EffectiveThreadsPerUrl(perUrl);
  count = std::min<std::uint64_t>(count, fileSize);
  const std::uint32_t length = fileSize / static_cast<std::uint32_t>(count);
  plan.reserve(count);
  for (std::uint32_t i = 0; i < count; ++i) {
    SegmentRange range;
    range.nStart = i * length;
    range.nEnd = (i + 1 == count) ? fileSize - 1 : i * length + length - 1;
    range.mirrorIndex = i % mirrorCount;
    plan.push_back(range);
  }
  return plan;
}

std::uint32_t ChunkBytesToTake(std::uint32_t current, std::uint32_t end, std::size_t n) {
  if (current > end) return 0;
  const std::uint64_t room = static_cast<std::uint64_t>(end) - current + 1;
  return static_cast<std::uint32_t>(std::min<std::uint64_t>(room, n));
}

void RecordChunk(DownloadItem& item, std::uint32_t bytes, std::uint32_t now) {
  item.dwLastTick = now;
  item.nWindowBytes += bytes;
  const std::uint32_t elapsed = now - item.dwWindowTick;
  if (elapsed == 0 || (elapsed < kSpeedWindowMs && item.nSpeed > 0)) return;
  const std::uint64_t speed = static_cast<std::uint64_t>(item.nWindowBytes) * 1000 / elapsed;
  item.nSpeed = static_cast<int>(std::min<std::uint64_t>(speed, 0x7FFFFFFF));
  if (elapsed >= kSpeedWindowMs) {
    item.nWindowBytes = 0;
    item.dwWindowTick = now;
  }
}

std::optional<std::uint32_t> SplitShare(std::uint32_t remainder, int ownerSpeed, int takerSpeed) {
  if (remainder < kMinSplitRemainder) return std::nullopt;
  if (ownerSpeed <= 0 || takerSpeed <= 0) return remainder / 2;
  const std::uint64_t kept = static_cast<std::uint64_t>(remainder) * static_cast<std::uint64_t>(ownerSpeed) /
                             (static_cast<std::uint64_t>(ownerSpeed) + static_cast<std::uint64_t>(takerSpeed));
  // Both keep at least a byte: the owner's transfer goes on, the new one has a range.
  return static_cast<std::uint32_t>(std::clamp<std::uint64_t>(kept, 1, remainder - 1));
}

std::vector<BlockCheck> PlanBlockChecks(std::uint32_t fileSize, std::size_t digestCount) {
  std::vector<BlockCheck> plan;
  std::uint64_t offset = 0;
  std::size_t k = 0;
  for (; k < digestCount; ++k) {
    if (offset + kHashBlockSize >= fileSize) break;
    plan.push_back({static_cast<std::uint32_t>(offset), kHashBlockSize, k});
    offset += kHashBlockSize;
  }
  if (k < digestCount && offset < fileSize) {
    plan.push_back({static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(fileSize - offset), k});
  }
  return plan;
}

std::optional<BlockCheck> UndigestedTail(std::uint32_t fileSize, std::size_t digestCount) {
  const std::vector<BlockCheck> checked = PlanBlockChecks(fileSize, digestCount);
  const std::uint32_t start = checked.empty() ? 0 : checked.back().offset + checked.back().length;
  if (start >= fileSize) return std::nullopt;
  return BlockCheck{start, fileSize - start, digestCount};
}

std::vector<SegmentRange> PlanRefetch(const BlockCheck& tail, std::size_t mirrorCount, int perUrl) {
  std::vector<SegmentRange> plan = PlanSegments(tail.length, mirrorCount, perUrl);
  for (SegmentRange& range : plan) {
    range.nStart += tail.offset;
    range.nEnd += tail.offset;
  }
  return plan;
}

namespace {
bool QualifiesForBest(const DownloadItem& item) {
  return item.nStatus == E_Status_Runing || item.nStatus == E_Status_StopByDispatch || item.nStatus == E_Status_Succeed;
}
bool SameUrl(const char* a, const char* b) { return a && b && std::strcmp(a, b) == 0; }
}  // namespace

const char* ChooseBestUrl(const DownloadItemMap& items, const char* exclude) {
  const DownloadItem* best = nullptr;
  for (const auto& [id, item] : items) {
    if (!QualifiesForBest(item) || !item.pszUrl || item.nSpeed <= 0) continue;
    if (exclude && SameUrl(item.pszUrl, exclude)) continue;
    if (!best || item.nSpeed > best->nSpeed) best = &item;
  }
  return best ? best->pszUrl : nullptr;
}

int MeasuredUrlSpeed(const DownloadItemMap& items, const char* url) {
  int speed = 0;
  for (const auto& [id, item] : items) {
    if (QualifiesForBest(item) && SameUrl(item.pszUrl, url)) speed = std::max(speed, item.nSpeed);
  }
  return speed;
}

const DownloadItem* FindRepairTemplate(const DownloadItemMap& items, std::uint32_t first, std::uint32_t last) {
  for (const auto& [id, item] : items) {
    if (item.nStart <= first && item.nEnd >= last) return &item;
  }
  return nullptr;
}

const DownloadItem* FindLargestRunning(const DownloadItemMap& items) {
  const DownloadItem* largest = nullptr;
  std::uint32_t largestRemainder = 0;
  for (const auto& [id, item] : items) {
    if (item.nStatus != E_Status_Runing || item.bRepair) continue;
    const std::uint32_t remainder = item.nEnd >= item.nCurrent ? item.nEnd - item.nCurrent : 0;
    if (!largest || remainder > largestRemainder) {
      largest = &item;
      largestRemainder = remainder;
    }
  }
  return largest;
}

std::optional<SplitPlan> PlanSplit(const DownloadItemMap& items, int threadCount) {
  int running = 0;
  for (const auto& [id, item] : items) running += item.nStatus == E_Status_Runing ? 1 : 0;
  if (running >= threadCount) return std::nullopt;
  const DownloadItem* largest = FindLargestRunning(items);
  // A running item past its end (its transfer has not returned yet) has nothing to give.
  if (!largest || largest->nCurrent > largest->nEnd) return std::nullopt;
  const auto share = SplitShare(largest->nEnd - largest->nCurrent);
  if (!share) return std::nullopt;
  return SplitPlan{largest->nId, *share};
}

RankedMirrors RankMirrors(std::vector<UrlCfg> candidates, const UrlCfg* cdnEntry) {
  std::stable_sort(candidates.begin(), candidates.end(),
                   [](const UrlCfg& a, const UrlCfg& b) { return a.nPingTime < b.nPingTime; });
  RankedMirrors ranked;
  for (const UrlCfg& candidate : candidates) {
    if (candidate.bNetworkNotFull) ranked.mirrors.push_back(candidate);
  }
  if (ranked.mirrors.empty()) {
    ranked.cdn = cdnEntry ? CdnUse::Alone : CdnUse::Missing;
    if (cdnEntry) ranked.mirrors.push_back(*cdnEntry);
  } else if (ranked.mirrors.size() <= 2) {
    ranked.cdn = cdnEntry ? CdnUse::Added : CdnUse::NotAvailable;
    if (cdnEntry) ranked.mirrors.push_back(*cdnEntry);
  }
  if (ranked.mirrors.size() > kMaxRankedMirrors) ranked.mirrors.resize(kMaxRankedMirrors);
  return ranked;
}

}  // namespace download
