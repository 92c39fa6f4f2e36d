#include "download/dispatch_plan.h"

#include <cstring>

#include "download/transfer_plan.h"

namespace download {

namespace {

bool IsWorn(const char* url, const std::set<std::string>& worn) { return url && worn.count(url) > 0; }

bool HasRemainder(const DownloadItem& item) { return item.nCurrent <= item.nEnd; }

// No URL for an item: wait while another mirror still delivers, since it may yet
// prove fast enough to take over; a download that still progresses never fails.
DispatchDecision NoUrl(const DownloadItemMap& items, const DownloadItem& item) {
  DispatchDecision decision;
  decision.action = OtherUrlStillRuns(items, item.pszUrl) ? DispatchAction::Wait : DispatchAction::GiveUp;
  return decision;
}

DispatchDecision HandOver(DispatchAction action, const char* url) {
  DispatchDecision decision;
  decision.action = action;
  decision.url = url;
  return decision;
}

}  // namespace

const char* ChooseReplacementUrl(const char* best, const char* ownUrl, std::size_t mirrorCount, const char* cdnUrl,
                                 const std::set<std::string>& worn) {
  if (best && !IsWorn(best, worn)) return best;
  if (mirrorCount <= 1) return IsWorn(ownUrl, worn) ? nullptr : ownUrl;
  if (cdnUrl && !IsWorn(cdnUrl, worn) && !(ownUrl && std::strcmp(cdnUrl, ownUrl) == 0)) return cdnUrl;
  return nullptr;
}

const char* ChooseBestUsableUrl(const DownloadItemMap& items, const char* exclude, const std::set<std::string>& worn) {
  if (worn.empty()) return ChooseBestUrl(items, exclude);
  DownloadItemMap usable;
  for (const auto& [id, item] : items) {
    if (!IsWorn(item.pszUrl, worn)) usable.emplace(id, item);
  }
  return ChooseBestUrl(usable, exclude);
}

bool OtherUrlStillRuns(const DownloadItemMap& items, const char* url) {
  for (const auto& [id, item] : items) {
    if (item.nStatus == E_Status_Runing && item.hCurl && item.pszUrl && url && std::strcmp(item.pszUrl, url) != 0) {
      return true;
    }
  }
  return false;
}

DispatchDecision DecideForItem(const DownloadItemMap& items, const DownloadItem& item, const DispatchContext& context) {
  const auto& worn = context.wornUrls;
  if (item.nStatus == E_Status_Fail) {
    if (!HasRemainder(item)) return HandOver(DispatchAction::MarkComplete, nullptr);
    const char* best = ChooseBestUsableUrl(items, item.pszUrl, worn);
    const char* url = ChooseReplacementUrl(best, item.pszUrl, context.mirrorCount, context.cdnUrl, worn);
    return url ? HandOver(DispatchAction::Resume, url) : NoUrl(items, item);
  }
  if (item.nStatus == E_Status_Runing && item.hCurl && HasRemainder(item)) {
    const bool stalled = context.now - item.dwLastTick >= kStallTimeoutMs;
    if (!stalled && context.tricklingIds.count(item.nId) == 0) return {};
    // Moving a stalled segment never falls back to the CDN.
    const char* best = ChooseBestUsableUrl(items, item.pszUrl, worn);
    const char* url = ChooseReplacementUrl(best, item.pszUrl, context.mirrorCount, nullptr, worn);
    return url ? HandOver(DispatchAction::MoveStalled, url) : NoUrl(items, item);
  }
  if (item.nStatus == E_Status_Succeed) {
    const auto plan = PlanSplit(items, context.threadCount);
    if (!plan) return {};
    const DownloadItem& split = items.at(plan->itemId);
    const char* best = ChooseBestUsableUrl(items, split.pszUrl, worn);
    // With one mirror every segment shares its URL, so the visited item's URL is the
    // split item's too.
    const char* url = ChooseReplacementUrl(best, item.pszUrl, context.mirrorCount, nullptr, worn);
    // With no other mirror delivering, the segment simply keeps its range: a split is
    // an optimisation, never a reason to fail.
    if (!url) return {};
    DispatchDecision decision = HandOver(DispatchAction::Split, url);
    decision.splitItemId = plan->itemId;
    const auto kept = SplitShare(split.nEnd - split.nCurrent, split.nSpeed, MeasuredUrlSpeed(items, url));
    decision.splitStart = split.nCurrent + kept.value_or(plan->share);
    return decision;
  }
  return {};
}

std::set<int> TrickleWatch::Update(const DownloadItemMap& items, std::uint32_t now) {
  std::set<int> trickling;
  for (const auto& [id, item] : items) {
    if (item.nStatus != E_Status_Runing || !item.hCurl) {
      samples_.erase(id);
      continue;
    }
    auto [it, fresh] = samples_.try_emplace(id, Sample{now, item.nCurrent});
    if (fresh) continue;
    const std::uint32_t elapsed = now - it->second.tick;
    if (elapsed < kTrickleWindowMs) continue;
    const std::uint64_t bytes = item.nCurrent - it->second.current;
    if (bytes * 1000 < static_cast<std::uint64_t>(kMinAverageBytesPerSecond) * elapsed) trickling.insert(id);
    it->second = Sample{now, item.nCurrent};
  }
  return trickling;
}

void MirrorStrikes::Record(const DownloadItem& item) {
  if (!item.pszUrl || item.nCurrent - item.nStart >= kUsefulTransferBytes) return;
  if (++strikes_[item.pszUrl] >= kMaxMirrorStrikes) worn_.insert(item.pszUrl);
}

}  // namespace download
