// The state and work of one download. DownloaderCurl owns it through a shared pointer
// and every engine thread holds another, so no thread ever outlives what it touches.
// Its parts: the segment table (the items, under their own lock), the image store
// (memory image, output file, block records), the dispatcher thread, and the manifest
// parse; this class is the steps of a download between them.
//
// Locks: `m_lock` (the engine lock "Download_File") serialises the image store, the
// counters, the callback and the completion check; a chunk's copy into the image and
// its file write happen outside it, in the segment's own range. The segment table's
// lock is held only inside its own calls. Order: m_lock, then the table's lock or the
// whole-file digest's locks.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/thread_annotations.h"
#include "download/download_config.h"
#include "download/downloader.h"
#include "download/image_store.h"
#include "download/repair_ledger.h"
#include "download/resume_scan.h"
#include "download/schedule_hook.h"
#include "download/segment_dispatcher.h"
#include "download/segment_table.h"
#include "support/xml_parse.h"

namespace download {

// Echo probe of one mirror URL: true with the round trip in ms when it answered.
using PingFunction = std::function<bool(const std::string& url, std::uint32_t& echoMs)>;

inline constexpr int kManifestUrlBufferSize = 520;

// What a verification of the memory image found.
enum class ImageCheck {
  Verified,      // the whole-file digest matches
  Repairing,     // bad blocks are being fetched again
  Unrepairable,  // a bad block has had its attempts on every mirror, or cannot be located
};

class DownloaderCore : public std::enable_shared_from_this<DownloaderCore>, private SegmentDispatcher::Host {
 public:
  DownloaderCore();
  ~DownloaderCore();
  DownloaderCore(const DownloaderCore&) = delete;
  DownloaderCore& operator=(const DownloaderCore&) = delete;

  // Caller's operations.
  HRESULT DownloadByConfigData(const char* text, size_t length, const std::string& targetPath);
  HRESULT DownloadByConfigUrl(const std::string& url, const std::string& targetPath);
  HRESULT LoadConfigFile(const std::wstring& configPath, const std::string& targetPath);
  HRESULT BeginDownload(const DownloadConfig& config);
  HRESULT StopDownload();
  bool IsDownloading() const { return m_bRunning.load(); }
  HRESULT SetCallback(base::ProgressCallback callback);
  HRESULT GetDownloadInfo(DownloadInfo& out);
  int GetStatus() const { return m_nStatus.load(); }
  void SetProxy(const std::string& proxy);
  // A CA file trusted instead of the system store (tests and tools only).
  void SetCaFile(const std::string& caFile);
  bool IsUsingCdn() const { return m_bUsingCdn.load(); }
  int GetErrorCode() const { return m_nErrorCode.load(); }

  // Steps of a download, each on the thread the design gives it.
  HRESULT OnConfigFileDownloaded(const DownloadItem* item);
  HRESULT LoadConfigData(const char* text, size_t length);
  HRESULT LoadConfig(const std::shared_ptr<support::IXMLParse>& xml, const std::string& targetPath);
  HRESULT CheckDownload(DownloadConfig& config);
  HRESULT InitDownload();
  int BeginDownloadItem(int itemId) EXCLUDES(m_lock);
  const char* GetBestURL(const char* exclude);
  ImageCheck CheckHash() REQUIRES(m_lock);
  // `preferred` (may be null): the URL to try first instead of the fastest other one.
  HRESULT RepairData(std::uint32_t first, std::uint32_t last, const char* preferred = nullptr) REQUIRES(m_lock);

  // The echo probe used by CheckDownload (tests and tools replace it).
  void SetPingFunction(PingFunction ping);
  // Set before the download starts; tests only.
  void SetScheduleHook(ScheduleHook hook) { m_scheduleHook = std::move(hook); }

 private:
  using ImageBuffer = ImageStore::Image;

  // Manifest load and its shared failure end.
  void FinishFailedLoad() EXCLUDES(m_lock);
  bool IsAlreadyDownloaded(const DownloadConfig& config) const;
  void ResumeFromTarget(const std::shared_ptr<std::FILE>& file, const ImageBuffer& image, std::uint32_t size)
      EXCLUDES(m_lock);
  void RunManifestThread();
  bool OpenManifestTransfer(DownloadItem& item);

  // Segments.
  static size_t SegmentWriter(char* data, size_t size, size_t count, void* user);
  static size_t ManifestWriter(char* data, size_t size, size_t count, void* user);
  size_t WriteChunk(int itemId, const char* data, size_t n) EXCLUDES(m_lock);
  void FinishChunkLocked(const ImageStore::ChunkCopy& copy) REQUIRES(m_lock);
  int BeginDownloadItemLocked(int itemId) REQUIRES(m_lock);
  void RunSegment(int itemId);
  void CheckFinish(int itemId) EXCLUDES(m_lock);
  // Once no transfer is pending: verifies, repairs, or ends the download.
  void CompleteIfIdleLocked() REQUIRES(m_lock);
  void CheckCompletion() EXCLUDES(m_lock);
  void EndFailed() EXCLUDES(m_lock);
  void EndFailedLocked() REQUIRES(m_lock);
  std::vector<const char*> RepairMirrors() const;
  ImageCheck RefetchUndigested(const BlockCheck& tail) REQUIRES(m_lock);
  void SetSegmentOptions(DownloadItem& item);
  void CloseFileLocked() REQUIRES(m_lock);

  // What the dispatcher thread calls back.
  void StartSegment(int id) override { BeginDownloadItem(id); }
  void UsingUrl(const char* url) override;
  void Pause(SchedulePoint point) override {
    if (m_scheduleHook) m_scheduleHook(point, nullptr, 0, nullptr);
  }
  void PassDone() override;
  void Ended() override EXCLUDES(m_lock);

  std::string Proxy() EXCLUDES(m_settingsMutex);
  std::string CaFile() EXCLUDES(m_settingsMutex);
  void Emit(int event, unsigned code, long value) EXCLUDES(m_lock);
  void EmitLocked(int event, unsigned code, long value) REQUIRES(m_lock);
  void ClearRunning();

  base::RecursiveMutex& m_lock;
  base::Mutex m_settingsMutex;

  base::ProgressCallback m_callback GUARDED_BY(m_lock);
  std::atomic<bool> m_bStopped{false};  // set under m_lock: StopDownload ran, no event may follow

  DownloadConfig m_config;          // set by BeginDownload before any segment
  std::vector<UrlCfg> m_vecUrlCfg;  // fixed once CheckDownload ran
  UrlCfg m_cdnUrlCfg;
  std::atomic<int> m_nThreadPerUrl{0};
  std::string m_strProxy GUARDED_BY(m_settingsMutex);
  std::string m_strCaFile GUARDED_BY(m_settingsMutex);
  PingFunction m_ping;
  ScheduleHook m_scheduleHook;
  RepairLedger m_repairs GUARDED_BY(m_lock);
  ImageStore m_image GUARDED_BY(m_lock);

  // What an earlier download left that verifies, and what is still to fetch; both
  // empty when the whole file is fetched. Set before the first segment starts.
  std::vector<ByteRange> m_keptRanges;
  std::vector<ByteRange> m_resumeRanges;
  std::uint32_t m_nKeptBytes = 0;
  std::atomic<std::uint32_t> m_nFileSize{0};
  std::atomic<std::uint32_t> m_nDownloaded{0};
  std::atomic<int> m_nThreadCount{0};
  std::atomic<bool> m_bRunning{false};
  std::atomic<int> m_nStatus{kDownloadStatusInitial};
  std::atomic<bool> m_bUsingCdn{false};
  std::atomic<int> m_nErrorCode{NoError};

  SegmentTable m_table;
  SegmentDispatcher m_dispatcher{m_table, m_bRunning, *this};

  // Manifest download (DownloadByConfigUrl); the target path serves both entry points.
  int m_nManifestItemId = -1;
  std::FILE* m_pCfgFile = nullptr;  // owned by the manifest thread once it runs
  std::size_t m_nCfgBytes = 0;      // manifest thread: bytes of this attempt so far
  bool m_bCfgTooLarge = false;      // manifest thread: this attempt passed the size limit
  char m_szCfgUrl[kManifestUrlBufferSize] = {};
  char m_szCfgPath[kMaxPath] = {};
  char m_szTargetPath[kMaxPath] = {};
};

}  // namespace download
