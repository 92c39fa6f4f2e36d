// The dispatcher: every two seconds it moves failed and stalled segments to another
// mirror and splits the largest remainder when a segment has finished early.
#include <chrono>
#include <cstring>

#include "base/install_log.h"
#include "download/downloader_core.h"
#include "download/transfer_plan.h"
#include "platform/clock.h"

namespace {

constexpr std::uint32_t kDispatchIntervalMs = 2000;
constexpr std::uint32_t kRestartDelayMs = 20;

using TableLock = std::lock_guard<std::mutex>;

// What a pass decided for one item; carried out after the table lock is released.
struct DispatchStep {
  enum class Kind { Nothing, Start, GiveUp } kind = Kind::Nothing;
  int newId = -1;
  bool delayStart = false;
};

// While a segment on another URL still runs, a mirror may yet prove fast enough to
// take over: giving up waits until none is left.
bool OtherUrlStillRuns(const DownloadItemMap& items, const DownloadItem& stuck) {
  for (const auto& [id, item] : items) {
    if (item.nStatus == E_Status_Runing && item.hCurl && item.pszUrl && stuck.pszUrl &&
        std::strcmp(item.pszUrl, stuck.pszUrl) != 0) {
      return true;
    }
  }
  return false;
}

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

void DownloaderCore::Dispatch() {
  WriteLog("Download_Dispatch Begining.\n");
  const std::size_t mirrorCount = m_vecUrlCfg.size();
  while (m_bRunning) {
    if (!WaitForNextPass()) break;
    std::size_t passSize;
    {
      TableLock table(m_tableMutex);
      passSize = m_mapItems.size();
    }
    bool gaveUp = false;
    for (int id = 0; id < static_cast<int>(passSize) && m_bRunning && !gaveUp; ++id) {
      DispatchStep step;
      {
        TableLock table(m_tableMutex);
        auto it = m_mapItems.find(id);
        if (it == m_mapItems.end()) continue;
        DownloadItem& item = it->second;
        const std::uint32_t now = platform::GetTickCount();

        if (item.nStatus == E_Status_Fail) {
          if (item.nCurrent > item.nEnd) {
            item.nStatus = E_Status_StopByDispatch;
          } else {
            const char* url = GetBestURLLocked(item.pszUrl);
            if (!url && mirrorCount <= 1) url = item.pszUrl;
            if (!url && m_cdnUrlCfg.bValid && std::strcmp(m_cdnUrlCfg.szUrl, item.pszUrl) != 0) url = m_cdnUrlCfg.szUrl;
            if (!url) {
              if (!OtherUrlStillRuns(m_mapItems, item)) step.kind = DispatchStep::Kind::GiveUp;
            } else {
              item.nStatus = E_Status_Replaced;
              step.newId = InsertSegmentLocked(ContinuationOf(item, url, item.nCurrent));
              step.kind = DispatchStep::Kind::Start;
              step.delayStart = true;
            }
          }
        } else if (item.nStatus == E_Status_Runing && item.hCurl && now - item.dwLastTick >= kStallTimeoutMs &&
                   item.nCurrent <= item.nEnd) {
          const char* url = GetBestURLLocked(item.pszUrl);
          if (!url && mirrorCount <= 1) url = item.pszUrl;
          if (!url) {
            if (!OtherUrlStillRuns(m_mapItems, item)) step.kind = DispatchStep::Kind::GiveUp;
          } else {
            const DownloadItem copy = ContinuationOf(item, url, item.nCurrent);
            item.nEnd = item.nCurrent;
            item.nStatus = E_Status_StopByDispatch;
            step.newId = InsertSegmentLocked(copy);
            step.kind = DispatchStep::Kind::Start;
            step.delayStart = true;
          }
        } else if (item.nStatus == E_Status_Succeed) {
          if (const auto plan = PlanSplit(m_mapItems, m_nThreadCount)) {
            DownloadItem& split = m_mapItems[plan->itemId];
            const char* url = GetBestURLLocked(split.pszUrl);
            if (!url && mirrorCount <= 1) url = item.pszUrl;
            // With no other mirror delivering, the segment simply keeps its range.
            if (url) {
              const DownloadItem copy = ContinuationOf(split, url, split.nCurrent + plan->share);
              split.nEnd -= plan->share;
              step.newId = InsertSegmentLocked(copy);
              step.kind = DispatchStep::Kind::Start;
            }
          }
        }
      }
      if (step.kind == DispatchStep::Kind::GiveUp) {
        WriteLog("Download_Dispatch : download error, ID(%d).\n", id);
        ClearRunning();
        gaveUp = true;
      } else if (step.kind == DispatchStep::Kind::Start) {
        if (step.delayStart) platform::SleepMs(kRestartDelayMs);
        BeginDownloadItem(step.newId);
      }
    }
    if (gaveUp) break;
  }
  WriteLog("Download_Dispatch Endding.\n");

  std::lock_guard<std::recursive_mutex> lock(m_lock);
  if (m_nStatus == kDownloadStatusFinished || !m_pBuffer) return;
  // The loop only ends unfinished when it gave up on a segment that still had bytes
  // to fetch: even an image the digest list lets through is then not the file.
  if (CheckHash()) WriteLog("Download_Dispatch : gave up before the file was complete.\n");
  m_nErrorCode = DownloadExeError;
  WriteLog("Download_Dispatch : CheckHash download failed.\n");
  m_nStatus = kDownloadStatusFailed;
  ClearRunning();
  Emit(kDownloadEventFailed, m_nDownloaded, static_cast<long>(m_nFileSize));
}
