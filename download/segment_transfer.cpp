// Output preparation, segment threads, the chunk writer and the completion check.
#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <curl/curl.h>

#include "base/install_log.h"
#include "download/curl_global.h"
#include "download/downloader_core.h"
#include "download/engine_thread.h"
#include "download/md5_digest.h"
#include "download/mirror_probe.h"
#include "download/resume_scan.h"
#include "download/transfer_plan.h"
#include "external/vendor_config.h"
#include "platform/clock.h"
#include "platform/memory_prefault.h"
#include "platform/output_file.h"
#include "platform/positional_write.h"

namespace {

constexpr const char kSegmentUserAgent[] = "Downloader";

using AutoMutex = std::lock_guard<std::recursive_mutex>;
using TableLock = std::lock_guard<std::mutex>;

std::recursive_mutex& DownloadFileLock() {
  // The lock the design calls "Download_File": one per process.
  static std::recursive_mutex lock;
  return lock;
}

void FreeImage(unsigned char* image) { std::free(image); }

// Log lines show handles as numbers.
int HandleValue(const void* handle) {
  return static_cast<int>(reinterpret_cast<std::uintptr_t>(handle) & 0x7FFFFFFF);
}

}  // namespace

DownloaderCore::DownloaderCore() : m_lock(DownloadFileLock()) {}

DownloaderCore::~DownloaderCore() {
  // Only the last owner gets here: no thread can still be writing.
  if (m_pCfgFile) std::fclose(m_pCfgFile);
  for (auto& [id, item] : m_mapItems) {
    if (item.hCurl) curl_easy_cleanup(static_cast<CURL*>(item.hCurl));
  }
}

HRESULT DownloaderCore::SetCallback(ProgressCallback callback) {
  if (!callback) return E_POINTER;
  AutoMutex lock(m_lock);
  m_callback = std::move(callback);
  return S_OK;
}

void DownloaderCore::SetProxy(const std::string& proxy) {
  std::lock_guard<std::mutex> guard(m_proxyMutex);
  m_strProxy = proxy;
}

std::string DownloaderCore::Proxy() {
  std::lock_guard<std::mutex> guard(m_proxyMutex);
  return m_strProxy;
}

void DownloaderCore::SetCaFile(const std::string& caFile) {
  std::lock_guard<std::mutex> guard(m_proxyMutex);
  m_strCaFile = caFile;
}

std::string DownloaderCore::CaFile() {
  std::lock_guard<std::mutex> guard(m_proxyMutex);
  return m_strCaFile;
}

void DownloaderCore::SetPingFunction(PingFunction ping) { m_ping = std::move(ping); }

void DownloaderCore::Emit(int event, unsigned code, long value) {
  AutoMutex lock(m_lock);
  if (m_bStopped || !m_callback) return;
  try {
    m_callback(event, code, value);
  } catch (...) {
    // A throwing receiver must not take an engine thread down with it.
  }
}

void DownloaderCore::ClearRunning() {
  m_bRunning = false;
  std::lock_guard<std::mutex> guard(m_wakeMutex);
  m_wake.notify_all();
}

HRESULT DownloaderCore::GetDownloadInfo(DownloadInfo& out) {
  out.nThreadCount = m_nThreadCount;
  out.nFileSize = m_nFileSize;
  out.nDownloaded = m_nDownloaded;
  TableLock table(m_tableMutex);
  out.mapItems = m_mapItems;
  return S_OK;
}

HRESULT DownloaderCore::StopDownload() {
  ClearRunning();
  AutoMutex lock(m_lock);
  m_bStopped = true;
  CloseFile();
  m_nFileSize = 0;
  m_nDownloaded = 0;
  return S_OK;
}

void DownloaderCore::CloseFile() {
  AutoMutex lock(m_lock);
  WriteLog("Download_CloseFile.\n");
  m_pFile.reset();
  m_pBuffer.reset();
  m_prefixDigest.reset();
}

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
    AutoMutex lock(m_lock);
    if (m_bStopped) return E_ABORT;
    CloseFile();
    m_nFileSize = 0;
    m_nDownloaded = 0;

    if (config.nFileSize <= 0) {
      m_nErrorCode = DownloadMallocError;
      return E_POINTER;
    }
    const std::uint32_t size = static_cast<std::uint32_t>(config.nFileSize);
    m_nFileSize = size;
    if (auto* image = static_cast<unsigned char*>(std::calloc(size, 1))) m_pBuffer.reset(image, &FreeImage);
    if (!m_pBuffer) {
      WriteLog("Download_BeginDownload : cannot allocate %u bytes.\n", size);
      m_nErrorCode = DownloadMallocError;
      return E_POINTER;
    }
    m_blocks.Reset(size, m_config.vecBlockHash.size());
    m_prefixDigest = std::make_shared<PrefixDigest>(m_pBuffer, size, m_blocks.BlockEnds());
    // Page faults of a fresh image cost the segments more than mapping it in at once,
    // which a helper thread does while the transfers start.
    StartEngineThread([image = m_pBuffer, size] { platform::PrefaultForWriting(image.get(), size); });
    if (std::FILE* file = platform::OpenDownloadTarget(m_config.szFilePath, size, targetKept)) {
      m_pFile.reset(file, &std::fclose);
    }
    if (!m_pFile) {
      // Nothing could be kept of the transfer: stop here instead of fetching in vain.
      WriteLog("Download_BeginDownload : cannot open output file (%s): %s.\n", m_config.szFilePath,
               std::strerror(errno));
      CloseFile();
      m_nErrorCode = DownloadExeError;
      return E_FAIL;
    }
    WriteLog("Download_BeginDownload : OpenFile(%d), FileSize(%d), Mutex(%d), File(%s).\n", HandleValue(m_pFile.get()),
             static_cast<int>(size), HandleValue(&m_lock), m_config.szFilePath);
    target = m_pFile;
    image = m_pBuffer;
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
  AutoMutex lock(m_lock);
  if (m_pBuffer != image) return;  // stopped meanwhile
  if (!scan.Resumes()) {
    // The whole file is fetched into an image that starts out empty, as always.
    std::memset(image.get(), 0, size);
    return;
  }
  for (std::size_t block : scan.keptBlocks) {
    m_blocks.MarkVerified(block);
    m_prefixDigest->BlockComplete(block);
  }
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
    AutoMutex lock(m_lock);
    if (m_bStopped) return E_ABORT;
    // Bytes kept from an earlier download count as written: the file holds them.
    m_nDownloaded = m_nKeptBytes;
    TableLock table(m_tableMutex);
    m_mapItems.clear();
    m_bRunning = true;
    const std::uint32_t now = platform::GetTickCount();
    for (const SegmentRange& range : plan) {
      DownloadItem item;
      item.pszUrl = m_vecUrlCfg[range.mirrorIndex].szUrl;
      item.nStart = item.nCurrent = range.nStart;
      item.nEnd = range.nEnd;
      item.dwLastTick = item.dwStartTick = now;
      InsertSegmentLocked(item);
    }
  }
  for (std::size_t i = 0; i < plan.size(); ++i) BeginDownloadItem(static_cast<int>(i));

  auto self = shared_from_this();
  const std::uint32_t dispatcher = StartEngineThread([self] { self->Dispatch(); });
  WriteLog("Download_InitDownload : start download dispatch, thread(%d).\n", static_cast<int>(dispatcher));
  return S_OK;
}

int DownloaderCore::InsertItemLocked(DownloadItem item) {
  const int id = static_cast<int>(m_mapItems.size());
  item.nId = id;
  m_mapItems[id] = item;
  return id;
}

// The handle is made when the item enters the table, so that a completion check
// never mistakes a segment about to start for the end of all transfers.
int DownloaderCore::InsertSegmentLocked(DownloadItem item) {
  item.hCurl = nullptr;
  item.nResult = 0;
  item.nStatus = E_Status_Runing;
  item.nSpeed = 0;
  item.nWindowBytes = 0;
  item.dwWindowTick = item.dwStartTick;
  const int id = InsertItemLocked(item);
  SetSegmentOptions(m_mapItems[id]);
  return id;
}

// Under m_tableMutex.
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
  AutoMutex lock(m_lock);
  {
    TableLock table(m_tableMutex);
    auto it = m_mapItems.find(itemId);
    if (it == m_mapItems.end()) return 0;
    DownloadItem& item = it->second;
    if (!item.hCurl) SetSegmentOptions(item);
    item.nResult = 0;
    item.pFile = m_pFile.get();
    item.pOwner = this;
  }
  auto self = shared_from_this();
  const std::uint32_t thread = StartEngineThread([self, itemId] { self->RunSegment(itemId); });
  if (thread == 0) {
    // No thread: the segment counts as failed so that the dispatcher moves it.
    TableLock table(m_tableMutex);
    DownloadItem& item = m_mapItems[itemId];
    if (item.hCurl) curl_easy_cleanup(static_cast<CURL*>(item.hCurl));
    item.hCurl = nullptr;
    item.nStatus = E_Status_Fail;
  } else {
    TableLock table(m_tableMutex);
    m_mapItems[itemId].hThread = thread;
  }
  WriteLog("Download_BeginDownloadItem : id(%d) thread(%d).\n", itemId, static_cast<int>(thread));
  return 0;
}

void DownloaderCore::RunSegment(int itemId) {
  Pause(SchedulePoint::SegmentStart);
  CURL* handle = nullptr;
  {
    TableLock table(m_tableMutex);
    auto it = m_mapItems.find(itemId);
    if (it != m_mapItems.end()) {
      handle = static_cast<CURL*>(it->second.hCurl);
      if (handle) it->second.nStatus = E_Status_Runing;
    }
    if (it == m_mapItems.end()) itemId = -1;
  }
  if (itemId < 0) {
    WriteLog("Download_Internal Error : pItem == NULL.\n");
    return;
  }
  if (!handle) {
    WriteLog("Download_Internal Error : pItem curl == NULL.\n");
    return;
  }
  const CURLcode result = curl_easy_perform(handle);
  int status;
  {
    TableLock table(m_tableMutex);
    DownloadItem& item = m_mapItems[itemId];
    item.nResult = result;
    item.dwEndTick = platform::GetTickCount();
    const bool complete = item.nCurrent > item.nEnd;
    if (item.nStatus == E_Status_Runing) {
      if (complete) {
        // Done, whether the transfer returned cleanly or was stopped by the writer at
        // an end the dispatcher lowered: either way nothing is left to fetch.
        item.nStatus = result == CURLE_OK ? E_Status_Succeed : E_Status_StopByDispatch;
      } else {
        // A body shorter than the range, even one the server calls complete, leaves
        // the rest to fetch.
        item.nStatus = E_Status_Fail;
      }
    }
    item.hCurl = nullptr;
    status = item.nStatus;
  }
  curl_easy_cleanup(handle);
  Pause(SchedulePoint::SegmentEnd);
  CheckFinish(itemId);
  // A free connection is put to use at once; failures wait for the regular pass, when
  // the other segments have shown how fast their mirrors are.
  if (status == E_Status_Succeed || status == E_Status_StopByDispatch) RequestPass();
  if (result != CURLE_OK && status != E_Status_StopByDispatch) {
    WriteLog("Download_Internal ERROR ID(%d), Result(%d).\n", itemId, static_cast<int>(result));
  } else {
    WriteLog("Download_Internal Finish (%d).\n", itemId);
  }
}

// A range request must be answered with its range (206); only a segment from byte 0,
// or one sent without a range, may take a whole-file answer (200). Anything else, an
// error page or a body from the wrong offset, is refused before a byte of it lands.
bool DownloaderCore::AcceptsBody(const DownloadItem& item) const {
  long code = 0;
  if (!item.hCurl || curl_easy_getinfo(static_cast<CURL*>(item.hCurl), CURLINFO_RESPONSE_CODE, &code) != CURLE_OK) {
    return false;
  }
  if (code == 206) return true;
  return code == 200 && (item.nStart == 0 || item.nEnd > m_nFileSize);
}

size_t DownloaderCore::SegmentWriter(char* data, size_t size, size_t count, void* user) {
  auto* item = static_cast<DownloadItem*>(user);
  if (!item || !item->pOwner) return 0;
  return static_cast<DownloaderCore*>(item->pOwner)->WriteChunk(item, data, size * count);
}

size_t DownloaderCore::WriteChunk(DownloadItem* item, const char* data, size_t n) {
  Pause(SchedulePoint::ChunkWrite);
  std::uint32_t take;
  std::uint32_t offset;
  bool passedEnd;
  {
    TableLock table(m_tableMutex);
    offset = item->nCurrent;
    // A segment the dispatcher has handed over takes nothing more: its successor
    // starts at this offset, and no byte may have two writers at once.
    take = item->nStatus == E_Status_StopByDispatch ? 0 : ChunkBytesToTake(item->nCurrent, item->nEnd, n);
    if (offset == item->nStart && take > 0 && !AcceptsBody(*item)) {
      WriteLog("Download_WriteData : ID(%d) answered with the wrong body, refused.\n", item->nId);
      return 0;
    }
    // Claimed before the copy, so that a split or a move during it starts after it.
    item->nCurrent += take;
    RecordChunk(*item, take, platform::GetTickCount());
    passedEnd = static_cast<std::uint64_t>(item->nCurrent) > static_cast<std::uint64_t>(item->nEnd) + 1;
  }
  ChunkCopy copy;
  if (take > 0) {
    AutoMutex lock(m_lock);
    copy = PrepareChunkCopyLocked(data, take, offset);
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
    AutoMutex lock(m_lock);
    FinishChunkCopyLocked(copy);
  }
  return passedEnd ? 0 : written;
}

// Under m_lock. Takes up to `n` bytes at `offset` into the image: bytes of blocks
// still filling are left to the caller to copy once the lock is gone (their range is
// this segment's alone); bytes that change a complete block (a repair) are copied here.
DownloaderCore::ChunkCopy DownloaderCore::PrepareChunkCopyLocked(const char* data, std::uint32_t n,
                                                                 std::uint32_t offset) {
  ChunkCopy copy;
  if (!m_bRunning || !m_pBuffer) return copy;
  const std::uint32_t size = m_nFileSize;
  if (offset >= size) return copy;
  n = std::min(n, size - offset);
  unsigned char* bytes = m_pBuffer.get();
  for (const BlockTracker::Piece& piece : m_blocks.Pieces(offset, n)) {
    const char* source = data + (piece.offset - offset);
    if (piece.block == BlockTracker::kNoBlock || m_blocks.StateOf(piece.block) == BlockTracker::State::Filling) {
      copy.pieces.push_back(piece);
    } else if (std::memcmp(bytes + piece.offset, source, piece.length) != 0) {
      const auto rewriting = m_prefixDigest->Rewrite(piece.block);
      std::memcpy(bytes + piece.offset, source, piece.length);
      m_blocks.MarkStale(piece.block);
    }
  }
  copy.bytes = n;
  copy.image = m_pBuffer;
  copy.file = m_pFile;
  return copy;
}

// Under m_lock, once the caller has copied its pieces: records them, hands completed
// blocks to the whole-file digest, and reports the progress.
void DownloaderCore::FinishChunkCopyLocked(const ChunkCopy& copy) {
  if (m_pBuffer != copy.image) return;  // the download was stopped meanwhile
  for (const BlockTracker::Piece& piece : copy.pieces) {
    if (piece.block != BlockTracker::kNoBlock && m_blocks.MarkWritten(piece)) m_prefixDigest->BlockComplete(piece.block);
  }
  const std::uint32_t size = m_nFileSize;
  m_nDownloaded = std::min<std::uint64_t>(static_cast<std::uint64_t>(m_nDownloaded) + copy.bytes, size);
  Emit(kDownloadEventProgress, m_nDownloaded, static_cast<long>(size));
}

void DownloaderCore::CheckFinish(int itemId) {
  WriteLog("Download_CheckFinish.\n");
  AutoMutex lock(m_lock);
  const DownloadItem* address = nullptr;
  {
    TableLock table(m_tableMutex);
    auto it = m_mapItems.find(itemId);
    if (it != m_mapItems.end()) address = &it->second;
  }
  Emit(kDownloadEventSegmentEnded, static_cast<unsigned>(itemId),
       static_cast<long>(reinterpret_cast<std::uintptr_t>(address)));
  const int waitingFor = FirstPendingItemLocked();
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
  AutoMutex lock(m_lock);
  if (FirstPendingItemLocked() < 0) CompleteIfIdleLocked();
}

int DownloaderCore::FirstPendingItemLocked() {
  TableLock table(m_tableMutex);
  for (const auto& [id, item] : m_mapItems) {
    if (item.hCurl || (item.nStatus == E_Status_Fail && item.nCurrent <= item.nEnd)) return id;
  }
  return -1;
}

void DownloaderCore::CompleteIfIdleLocked() {
  if (!m_pBuffer || !m_bRunning) return;
  switch (CheckHash()) {
    case ImageCheck::Verified:
      WriteLog("Download_CheckFinish : Finish download.\n");
      CloseFile();
      m_nStatus = kDownloadStatusFinished;
      ClearRunning();
      Emit(kDownloadEventFinished, m_nDownloaded, static_cast<long>(m_nFileSize));
      break;
    case ImageCheck::Repairing:
      break;
    case ImageCheck::Unrepairable:
      EndFailed();
      break;
  }
}

// The one failed end of a running transfer: error 14, status 4, event 4, once.
void DownloaderCore::EndFailed() {
  AutoMutex lock(m_lock);
  if (m_nStatus == kDownloadStatusFinished || m_nStatus == kDownloadStatusFailed) return;
  m_nErrorCode = DownloadExeError;
  m_nStatus = kDownloadStatusFailed;
  ClearRunning();
  Emit(kDownloadEventFailed, m_nDownloaded, static_cast<long>(m_nFileSize));
}
