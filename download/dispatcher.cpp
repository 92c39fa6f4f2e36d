// The dispatcher: every two seconds it moves failed and stalled segments to another
// mirror and splits the largest remainder when a segment has finished early. What to
// do with each item is decided in dispatch_plan; this file carries it out.
#include <chrono>
#include <cstring>

#include "base/install_log.h"
#include "download/dispatch_plan.h"
#include "download/downloader_core.h"
#include "download/mirror_probe.h"
#include "download/transfer_plan.h"
#include "platform/clock.h"

namespace {

constexpr std::uint32_t kDispatchIntervalMs = 2000;
constexpr std::uint32_t kRestartDelayMs = 20;

using TableLock = std::lock_guard<std::mutex>;

// A fresh segment continuing `from` on `url`.
DownloadItem ContinuationOf(const DownloadItem& from, const char* url, std::uint32_t start) {
  DownloadItem next = from;
  next.pszUrl = url;
  next.hCurl = nullptr;
  next.nStart = next.nCurrent = start;
  next.nSpeed = 0;
  next.dwLastTick = next.dwStartTick = platform::GetTickCount();
  next.dwEndTick = 0;
  return next;
}

}  // namespace

// A pass runs two seconds after the previous one, or as soon as a segment has ended:
// its remainder or its free connection is then put to use at once.
bool DownloaderCore::WaitForNextPass() {
  std::unique_lock<std::mutex> guard(m_wakeMutex);
  m_wake.wait_for(guard, std::chrono::milliseconds(kDispatchIntervalMs),
                  [this] { return !m_bRunning || m_bPassRequested; });
  m_bPassRequested = false;
  return m_bRunning;
}

void DownloaderCore::RequestPass() {
  std::lock_guard<std::mutex> guard(m_wakeMutex);
  m_bPassRequested = true;
  m_wake.notify_all();
}

// Under m_tableMutex. Carries out a decision on the table; returns the id of the
// segment to start, or -1.
int DownloaderCore::ApplyDecisionLocked(DownloadItem& item, const DispatchDecision& decision) {
  if (decision.url && IsCdnUrl(decision.url)) m_bUsingCdn = true;
  switch (decision.action) {
    case DispatchAction::MarkComplete:
      item.nStatus = E_Status_StopByDispatch;
      return -1;
    case DispatchAction::Resume:
      m_strikes.Record(item);
      item.nStatus = E_Status_Replaced;
      return InsertSegmentLocked(ContinuationOf(item, decision.url, item.nCurrent));
    case DispatchAction::MoveStalled: {
      m_strikes.Record(item);
      const DownloadItem copy = ContinuationOf(item, decision.url, item.nCurrent);
      item.nEnd = item.nCurrent;
      item.nStatus = E_Status_StopByDispatch;
      return InsertSegmentLocked(copy);
    }
    case DispatchAction::Split: {
      DownloadItem& split = m_mapItems.at(decision.splitItemId);
      const DownloadItem copy = ContinuationOf(split, decision.url, decision.splitStart);
      // The two ranges meet without overlap: each byte has one owner.
      split.nEnd = decision.splitStart - 1;
      return InsertSegmentLocked(copy);
    }
    case DispatchAction::None:
    case DispatchAction::Wait:
    case DispatchAction::GiveUp:
      return -1;
  }
  return -1;
}

// One pass over the items that exist when it starts (items it makes wait for the
// next). False when it gave up on the download.
bool DownloaderCore::RunDispatchPass() {
  DispatchContext context;
  context.mirrorCount = m_vecUrlCfg.size();
  context.threadCount = m_nThreadCount;
  context.cdnUrl = m_cdnUrlCfg.bValid ? m_cdnUrlCfg.szUrl : nullptr;
  std::size_t passSize;
  {
    TableLock table(m_tableMutex);
    passSize = m_mapItems.size();
    context.tricklingIds = m_trickles.Update(m_mapItems, platform::GetTickCount());
  }
  for (int id = 0; id < static_cast<int>(passSize) && m_bRunning; ++id) {
    DispatchDecision decision;
    int newId = -1;
    {
      TableLock table(m_tableMutex);
      auto it = m_mapItems.find(id);
      if (it == m_mapItems.end()) continue;
      context.now = platform::GetTickCount();
      context.wornUrls = m_strikes.Worn();
      decision = DecideForItem(m_mapItems, it->second, context);
      newId = ApplyDecisionLocked(it->second, decision);
    }
    if (decision.action == DispatchAction::GiveUp) {
      WriteLog("Download_Dispatch : download error, ID(%d).\n", id);
      ClearRunning();
      return false;
    }
    if (newId < 0) continue;
    Pause(SchedulePoint::Split);
    if (decision.action != DispatchAction::Split) platform::SleepMs(kRestartDelayMs);
    BeginDownloadItem(newId);
  }
  return true;
}

void DownloaderCore::Dispatch() {
  WriteLog("Download_Dispatch Begining.\n");  // misspelt on purpose: log readers search for it
  while (m_bRunning) {
    if (!WaitForNextPass()) break;
    Pause(SchedulePoint::DispatchPass);
    if (!RunDispatchPass()) break;
    if (m_scheduleHook) {
      TableLock table(m_tableMutex);
      m_scheduleHook(SchedulePoint::DispatchPass, &m_mapItems, m_nFileSize, &m_keptRanges);
    }
    // Nothing may leave the engine waiting with no transfer that could end it.
    CheckCompletion();
  }
  WriteLog("Download_Dispatch Endding.\n");  // misspelt on purpose: log readers search for it

  std::lock_guard<std::recursive_mutex> lock(m_lock);
  if (m_nStatus == kDownloadStatusFinished || m_nStatus == kDownloadStatusFailed || !m_pBuffer) return;
  // The loop only ends unfinished when it gave up on a segment that still had bytes
  // to fetch: the image is then not the file, whatever its blocks say.
  WriteLog("Download_Dispatch : CheckHash download failed.\n");
  EndFailed();
}
