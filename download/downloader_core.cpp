// The engine's settings, its reports to the caller, and the dispatcher's calls back.
#include "download/downloader_core.h"

#include "base/install_log.h"
#include "download/mirror_probe.h"

using base::MutexLock;
using base::RecursiveMutexLock;

namespace download {

namespace {

base::RecursiveMutex& DownloadFileLock() {
  // The lock the design calls "Download_File": one per process.
  static base::RecursiveMutex lock;
  return lock;
}

}  // namespace

DownloaderCore::DownloaderCore()
    : m_lock(DownloadFileLock()), m_table([this](DownloadItem& item) { SetSegmentOptions(item); }) {}

DownloaderCore::~DownloaderCore() {
  // Only the last owner gets here: no thread can still be writing.
  if (m_pCfgFile) std::fclose(m_pCfgFile);
}

HRESULT DownloaderCore::SetCallback(base::ProgressCallback callback) {
  if (!callback) return E_POINTER;
  RecursiveMutexLock lock(m_lock);
  m_callback = std::move(callback);
  return S_OK;
}

void DownloaderCore::SetProxy(const std::string& proxy) {
  MutexLock lock(m_settingsMutex);
  m_strProxy = proxy;
}

std::string DownloaderCore::Proxy() {
  MutexLock lock(m_settingsMutex);
  return m_strProxy;
}

void DownloaderCore::SetCaFile(const std::string& caFile) {
  MutexLock lock(m_settingsMutex);
  m_strCaFile = caFile;
}

std::string DownloaderCore::CaFile() {
  MutexLock lock(m_settingsMutex);
  return m_strCaFile;
}

void DownloaderCore::SetPingFunction(PingFunction ping) { m_ping = std::move(ping); }

void DownloaderCore::Emit(int event, unsigned code, long value) {
  RecursiveMutexLock lock(m_lock);
  EmitLocked(event, code, value);
}

void DownloaderCore::EmitLocked(int event, unsigned code, long value) {
  if (m_bStopped || !m_callback) return;
  try {
    m_callback(event, code, value);
  } catch (...) {
    // A throwing receiver must not take an engine thread down with it.
  }
}

void DownloaderCore::ClearRunning() {
  m_bRunning = false;
  m_dispatcher.Wake();
}

HRESULT DownloaderCore::GetDownloadInfo(DownloadInfo& out) {
  out.nThreadCount = m_nThreadCount;
  out.nFileSize = m_nFileSize;
  out.nDownloaded = m_nDownloaded;
  out.mapItems = m_table.Snapshot();
  return S_OK;
}

HRESULT DownloaderCore::StopDownload() {
  ClearRunning();
  RecursiveMutexLock lock(m_lock);
  m_bStopped = true;
  CloseFileLocked();
  m_nFileSize = 0;
  m_nDownloaded = 0;
  return S_OK;
}

void DownloaderCore::CloseFileLocked() {
  base::WriteLog("Download_CloseFile.\n");
  m_image.Close();
}

void DownloaderCore::UsingUrl(const char* url) {
  if (IsCdnUrl(url)) m_bUsingCdn = true;
}

void DownloaderCore::PassDone() {
  if (m_scheduleHook) {
    const std::uint32_t fileSize = m_nFileSize;
    m_table.Inspect([&](const DownloadItemMap& items) {
      m_scheduleHook(SchedulePoint::DispatchPass, &items, fileSize, &m_keptRanges);
    });
  }
  CheckCompletion();
}

void DownloaderCore::Ended() {
  RecursiveMutexLock lock(m_lock);
  if (m_nStatus == kDownloadStatusFinished || m_nStatus == kDownloadStatusFailed || !m_image.IsOpen()) return;
  // The loop only ends unfinished when it gave up on a segment that still had bytes
  // to fetch: the image is then not the file, whatever its blocks say.
  base::WriteLog("Download_Dispatch : CheckHash download failed.\n");
  EndFailedLocked();
}

}  // namespace download
