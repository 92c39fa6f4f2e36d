// Output preparation, segment threads, the chunk writer and the completion check.
#include <algorithm>
#include <cerrno>
#include <cstring>

#include <curl/curl.h>

#include "base/install_log.h"
#include "download/curl_global.h"
#include "download/downloader_core.h"
#include "download/engine_thread.h"
#include "download/mirror_probe.h"
#include "download/resume_scan.h"
#include "download/transfer_plan.h"
#include "platform/clock.h"
#include "platform/positional_write.h"

using base::RecursiveMutexLock;
using base::WriteLog;

namespace download {

namespace {

constexpr const char kSegmentUserAgent[] = "Downloader";

// Log lines show handles as numbers.
int HandleValue(const void* handle) { return static_cast<int>(reinterpret_cast<std::uintptr_t>(handle) & 0x7FFFFFFF); }

}  // namespace

HRESULT DownloaderCore::BeginDownload(const DownloadConfig& config) {
  m_config = config;
  m_nFileSize = static_cast<std::uint32_t>(std::max(config.nFileSize, 0));
  if (CheckDownload(m_config) != S_OK) {
    WriteLog("Error : BeginDownload (CheckDownload(siItem) != S_OK).\n");
    m_nErrorCode = DownloadCheckUrlError;
    return E_FAIL;
  }
  bool targetKept = false;
  std::shared_ptr<std::FILE> target;
  ImageBuffer image;
  {
    RecursiveMutexLock lock(m_lock);
    if (m_bStopped) return E_ABORT;
    CloseFileLocked();
    m_nFileSize = 0;
    m_nDownloaded = 0;

    if (config.nFileSize <= 0) {
      m_nErrorCode = DownloadMallocError;
      return E_POINTER;
    }
    const std::uint32_t size = static_cast<std::uint32_t>(config.nFileSize);
    m_nFileSize = size;
    if (!m_image.Allocate(size, m_config.vecBlockHash.size())) {
      WriteLog("Download_BeginDownload : cannot allocate %u bytes.\n", size);
      m_nErrorCode = DownloadMallocError;
      return E_POINTER;
    }
    if (!m_image.OpenTarget(m_config.szFilePath, targetKept)) {
      // Nothing could be kept of the transfer: stop here instead of fetching in vain.
      WriteLog("Download_BeginDownload : cannot open output file (%s): %s.\n", m_config.szFilePath,
               std::strerror(errno));
      CloseFileLocked();
      m_nErrorCode = DownloadExeError;
      return E_FAIL;
    }
    WriteLog("Download_BeginDownload : OpenFile(%d), FileSize(%d), Mutex(%d), File(%s).\n",
             HandleValue(m_image.FileHandle()), static_cast<int>(size), HandleValue(&m_lock), m_config.szFilePath);
    target = m_image.SharedFile();
    image = m_image.SharedImage();
  }
  // Digesting a whole file takes a moment: not under the lock that StopDownload waits for.
  if (targetKept) ResumeFromTarget(target, image, static_cast<std::uint32_t>(config.nFileSize));
  return InitDownload();
}

// The target has the package's length but not its digest: what an interrupted or
// damaged download left. Its blocks that verify stay; only the others are fetched.
void DownloaderCore::ResumeFromTarget(const std::shared_ptr<std::FILE>& file, const ImageBuffer& image,
                                      std::uint32_t size) {
  ResumeScan scan = ReadForResume(file.get(), image.get(), size, m_config.vecBlockHash);
  RecursiveMutexLock lock(m_lock);
  if (!m_image.Holds(image)) return;  // stopped meanwhile
  if (!scan.Resumes()) {
    // The whole file is fetched into an image that starts out empty, as always.
    std::memset(image.get(), 0, size);
    return;
  }
  m_image.KeepVerified(scan.keptBlocks);
  m_keptRanges = std::move(scan.kept);
  m_resumeRanges = std::move(scan.missing);
  m_nKeptBytes = scan.keptBytes;
  const std::size_t blocks = (static_cast<std::size_t>(size) + kHashBlockSize - 1) / kHashBlockSize;
  WriteLog("Download_BeginDownload : resume, %d of %d blocks kept.\n", static_cast<int>(scan.keptBlocks.size()),
           static_cast<int>(blocks));
}

HRESULT DownloaderCore::InitDownload() {
  if (m_vecUrlCfg.empty()) {
    m_nErrorCode = DownloadUrlCountError;
    return E_INVALIDARG;
  }
  const int perUrl = EffectiveThreadsPerUrl(m_nThreadPerUrl);
  std::vector<SegmentRange> plan;
  if (m_resumeRanges.empty()) {
    plan = PlanSegments(m_nFileSize, m_vecUrlCfg.size(), perUrl);
    m_nThreadCount = static_cast<int>(plan.size());
  } else {
    plan = PlanResumeSegments(m_resumeRanges, m_vecUrlCfg.size(), perUrl);
    // Fewer, shorter ranges may start fewer segments; splits make up the rest.
    m_nThreadCount = static_cast<int>(m_vecUrlCfg.size()) * perUrl;
  }
  {
    RecursiveMutexLock lock(m_lock);
    if (m_bStopped) return E_ABORT;
    // Bytes kept from an earlier download count as written: the file holds them.
    m_nDownloaded = m_nKeptBytes;
    m_table.Clear();
    m_bRunning = true;
    const std::uint32_t now = platform::GetTickCount();
    for (const SegmentRange& range : plan) {
      DownloadItem item;
      item.pszUrl = m_vecUrlCfg[range.mirrorIndex].szUrl;
      item.nStart = item.nCurrent = range.nStart;
      item.nEnd = range.nEnd;
      item.dwLastTick = item.dwStartTick = now;
      m_table.InsertSegment(item);
    }
  }
  for (std::size_t i = 0; i < plan.size(); ++i) BeginDownloadItem(static_cast<int>(i));

  m_dispatcher.Configure(m_vecUrlCfg.size(), m_nThreadCount, m_cdnUrlCfg.bValid ? m_cdnUrlCfg.szUrl : nullptr);
  auto self = shared_from_this();
  const std::uint32_t dispatcher = StartEngineThread([self] { self->m_dispatcher.Run(); });
  WriteLog("Download_InitDownload : start download dispatch, thread(%d).\n", static_cast<int>(dispatcher));
  return S_OK;
}

// Runs under the segment table's lock.
void DownloaderCore::SetSegmentOptions(DownloadItem& item) {
  if (!item.hCurl) item.hCurl = NewCurlHandle();
  CURL* handle = static_cast<CURL*>(item.hCurl);
  if (!handle) return;
  item.pOwner = this;
  SetTransferOptions(handle, item.pszUrl, &DownloaderCore::SegmentWriter, &item, kSegmentUserAgent, CaFile());
  if (item.nEnd <= m_nFileSize) {
    char range[48];
    std::snprintf(range, sizeof(range), "%d-%d", static_cast<int>(item.nStart), static_cast<int>(item.nEnd));
    curl_easy_setopt(handle, CURLOPT_RANGE, range);
  }
  ApplyProxy(handle, Proxy());
}

int DownloaderCore::BeginDownloadItem(int itemId) {
  RecursiveMutexLock lock(m_lock);
  return BeginDownloadItemLocked(itemId);
}

int DownloaderCore::BeginDownloadItemLocked(int itemId) {
  if (!m_table.PrepareStart(itemId, m_image.FileHandle(), this)) return 0;
  auto self = shared_from_this();
  const std::uint32_t thread = StartEngineThread([self, itemId] { self->RunSegment(itemId); });
  if (thread == 0) {
    m_table.StartFailed(itemId);
  } else {
    m_table.SetThread(itemId, thread);
  }
  WriteLog("Download_BeginDownloadItem : id(%d) thread(%d).\n", itemId, static_cast<int>(thread));
  return 0;
}

void DownloaderCore::RunSegment(int itemId) {
  Pause(SchedulePoint::SegmentStart);
  const std::optional<void*> checkedOut = m_table.CheckOut(itemId);
  if (!checkedOut) {
    WriteLog("Download_Internal Error : pItem == NULL.\n");
    return;
  }
  CURL* handle = static_cast<CURL*>(*checkedOut);
  if (!handle) {
    WriteLog("Download_Internal Error : pItem curl == NULL.\n");
    return;
  }
  const CURLcode result = curl_easy_perform(handle);
  const int status = m_table.Complete(itemId, result, platform::GetTickCount());
  curl_easy_cleanup(handle);
  Pause(SchedulePoint::SegmentEnd);
  CheckFinish(itemId);
  // A free connection is put to use at once; failures wait for the regular pass, when
  // the other segments have shown how fast their mirrors are.
  if (status == E_Status_Succeed || status == E_Status_StopByDispatch) m_dispatcher.RequestPass();
  if (result != CURLE_OK && status != E_Status_StopByDispatch) {
    WriteLog("Download_Internal ERROR ID(%d), Result(%d).\n", itemId, static_cast<int>(result));
  } else {
    WriteLog("Download_Internal Finish (%d).\n", itemId);
  }
}

size_t DownloaderCore::SegmentWriter(char* data, size_t size, size_t count, void* user) {
  auto* item = static_cast<DownloadItem*>(user);
  if (!item || !item->pOwner) return 0;
  // The id is fixed when the item enters the table; every other field is the table's.
  return static_cast<DownloaderCore*>(item->pOwner)->WriteChunk(item->nId, data, size * count);
}

size_t DownloaderCore::WriteChunk(int itemId, const char* data, size_t n) {
  Pause(SchedulePoint::ChunkWrite);
  const SegmentTable::ChunkClaim claim = m_table.Claim(itemId, n, platform::GetTickCount(), m_nFileSize);
  if (claim.refused) {
    WriteLog("Download_WriteData : ID(%d) answered with the wrong body, refused.\n", itemId);
    return 0;
  }
  const std::uint32_t offset = claim.offset;
  ImageStore::ChunkCopy copy;
  if (claim.bytes > 0) {
    RecursiveMutexLock lock(m_lock);
    if (m_bRunning) copy = m_image.PrepareChunk(data, claim.bytes, offset);
  }
  // Disjoint ranges of the image and the file are written in parallel, outside the
  // engine lock.
  for (const BlockTracker::Piece& piece : copy.pieces) {
    std::memcpy(copy.image.get() + piece.offset, data + (piece.offset - offset), piece.length);
  }
  const size_t written = copy.file ? platform::WriteAt(copy.file.get(), data, copy.bytes, offset) : 0;
  copy.file.reset();
  if (copy.bytes > 0 && written < copy.bytes) {
    // Retrying cannot help a full disk or a lost file: the download ends now.
    WriteLog("Download_WriteData : cannot write the output file (%s).\n", m_config.szFilePath);
    EndFailed();
    return 0;
  }
  if (copy.bytes > 0) {
    RecursiveMutexLock lock(m_lock);
    FinishChunkLocked(copy);
  }
  return claim.passedEnd ? 0 : written;
}

// Once the writer has copied its pieces: records them and reports the progress.
void DownloaderCore::FinishChunkLocked(const ImageStore::ChunkCopy& copy) {
  if (!m_image.FinishChunk(copy)) return;  // the download was stopped meanwhile
  const std::uint32_t size = m_nFileSize;
  m_nDownloaded = std::min<std::uint64_t>(static_cast<std::uint64_t>(m_nDownloaded) + copy.bytes, size);
  EmitLocked(base::kDownloadEventProgress, m_nDownloaded, static_cast<long>(size));
}

void DownloaderCore::CheckFinish(int itemId) {
  WriteLog("Download_CheckFinish.\n");
  RecursiveMutexLock lock(m_lock);
  const DownloadItem* address = m_table.Address(itemId);
  EmitLocked(base::kDownloadEventSegmentEnded, static_cast<unsigned>(itemId),
             static_cast<long>(reinterpret_cast<std::uintptr_t>(address)));
  const int waitingFor = m_table.FirstPending();
  if (waitingFor >= 0) {
    WriteLog("Download_CheckFinish : continue. now wait (%d).\n", waitingFor);
    return;
  }
  CompleteIfIdleLocked();
}

// The dispatcher's check after each pass: when the last transfers ended without
// starting anything new (no URL for a repair, a failure handed over to nobody),
// nothing else would ever look again.
void DownloaderCore::CheckCompletion() {
  RecursiveMutexLock lock(m_lock);
  if (m_table.FirstPending() < 0) CompleteIfIdleLocked();
}

void DownloaderCore::CompleteIfIdleLocked() {
  if (!m_image.IsOpen() || !m_bRunning) return;
  switch (CheckHash()) {
    case ImageCheck::Verified:
      WriteLog("Download_CheckFinish : Finish download.\n");
      CloseFileLocked();
      m_nStatus = kDownloadStatusFinished;
      ClearRunning();
      EmitLocked(base::kDownloadEventFinished, m_nDownloaded, static_cast<long>(m_nFileSize));
      break;
    case ImageCheck::Repairing: break;
    case ImageCheck::Unrepairable: EndFailedLocked(); break;
  }
}

void DownloaderCore::EndFailed() {
  RecursiveMutexLock lock(m_lock);
  EndFailedLocked();
}

// The one failed end of a running transfer: error 14, status 4, event 4, once.
void DownloaderCore::EndFailedLocked() {
  if (m_nStatus == kDownloadStatusFinished || m_nStatus == kDownloadStatusFailed) return;
  m_nErrorCode = DownloadExeError;
  m_nStatus = kDownloadStatusFailed;
  ClearRunning();
  EmitLocked(base::kDownloadEventFailed, m_nDownloaded, static_cast<long>(m_nFileSize));
}

}  // namespace download
