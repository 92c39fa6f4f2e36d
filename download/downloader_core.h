// The state and work of one download. DownloaderCurl owns it through a shared pointer
// and every engine thread holds another, so no thread ever outlives what it touches.
//
// Locks: `m_lock` (the engine lock "Download_File") serialises the block records, the
// counters, the callback and the completion check; a chunk's copy into the image and
// its file write happen outside it, in the segment's own range. `m_tableMutex` guards
// the item table and is held only for short copies and updates: no log line, callback
// or transfer runs under it, so GetDownloadInfo never waits behind a log listener.
// Order: m_lock, then m_tableMutex or the whole-file digest's locks.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "download/download_config.h"
#include "download/downloader.h"
#include "download/block_tracker.h"
#include "download/dispatch_plan.h"
#include "download/prefix_digest.h"
#include "download/repair_ledger.h"
#include "download/resume_scan.h"
#include "support/xml_parse.h"

// Echo probe of one mirror URL: true with the round trip in ms when it answered.
using PingFunction = std::function<bool(const std::string& url, std::uint32_t& echoMs)>;

inline constexpr int kManifestUrlBufferSize = 520;

// Where the engine's threads hand over to each other; tests hook in here to vary the
// scheduling. After each dispatch pass the hook also sees the item table (under its
// lock), the file size and the ranges kept from an earlier download; at every other
// point they are null, 0 and null.
enum class SchedulePoint { SegmentStart, ChunkWrite, SegmentEnd, Split, DispatchPass };
using ScheduleHook = std::function<void(SchedulePoint, const DownloadItemMap*, std::uint32_t fileSize,
                                        const std::vector<ByteRange>* kept)>;

// What a verification of the memory image found.
enum class ImageCheck {
  Verified,      // the whole-file digest matches
  Repairing,     // bad blocks are being fetched again
  Unrepairable,  // a bad block has had its attempts on every mirror, or cannot be located
};

class DownloaderCore : public std::enable_shared_from_this<DownloaderCore> {
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
  HRESULT SetCallback(ProgressCallback callback);
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
  HRESULT LoadConfig(const std::shared_ptr<IXMLParse>& xml, const std::string& targetPath);
  HRESULT CheckDownload(DownloadConfig& config);
  HRESULT InitDownload();
  int BeginDownloadItem(int itemId);
  const char* GetBestURL(const char* exclude);
  ImageCheck CheckHash();
  // `preferred` (may be null): the URL to try first instead of the fastest other one.
  HRESULT RepairData(std::uint32_t first, std::uint32_t last, const char* preferred = nullptr);

  // The echo probe used by CheckDownload (tests and tools replace it).
  void SetPingFunction(PingFunction ping);
  // Set before the download starts; tests only.
  void SetScheduleHook(ScheduleHook hook) { m_scheduleHook = std::move(hook); }

 private:
  // The memory image, shared like the file with writers that copy into it after
  // leaving the engine lock.
  using ImageBuffer = std::shared_ptr<unsigned char>;

  // A chunk taken into the image, for the part of its work done outside the engine lock.
  struct ChunkCopy {
    ImageBuffer image;
    std::shared_ptr<std::FILE> file;
    std::vector<BlockTracker::Piece> pieces;  // left for the writer to copy
    std::uint32_t bytes = 0;                  // taken at the chunk's offset
  };

  // Manifest load and its shared failure end.
  void FinishFailedLoad();
  bool IsAlreadyDownloaded(const DownloadConfig& config) const;
  void ResumeFromTarget(const std::shared_ptr<std::FILE>& file, const ImageBuffer& image, std::uint32_t size);
  void RunManifestThread();
  bool OpenManifestTransfer(DownloadItem& item);

  // Segments.
  static size_t SegmentWriter(char* data, size_t size, size_t count, void* user);
  static size_t ManifestWriter(char* data, size_t size, size_t count, void* user);
  size_t WriteChunk(DownloadItem* item, const char* data, size_t n);
  ChunkCopy PrepareChunkCopyLocked(const char* data, std::uint32_t n, std::uint32_t offset);
  void FinishChunkCopyLocked(const ChunkCopy& copy);
  void RunSegment(int itemId);
  bool AcceptsBody(const DownloadItem& item) const;
  void CheckFinish(int itemId);
  // Under m_lock: the id of the first item whose transfer has not ended for good (a
  // handle, or a failure the dispatcher has still to hand over); -1 when none.
  int FirstPendingItemLocked();
  // Under m_lock, once no transfer is pending: verifies, repairs, or ends the download.
  void CompleteIfIdleLocked();
  void CheckCompletion();
  void EndFailed();
  std::vector<const char*> RepairMirrors() const;
  ImageCheck RefetchUndigested(const BlockCheck& tail);
  void SetSegmentOptions(DownloadItem& item);
  int InsertItemLocked(DownloadItem item);
  int InsertSegmentLocked(DownloadItem item);
  void CloseFile();

  // Dispatcher.
  void Dispatch();
  bool RunDispatchPass();
  int ApplyDecisionLocked(DownloadItem& item, const DispatchDecision& decision);
  bool WaitForNextPass();
  void RequestPass();
  const char* GetBestURLLocked(const char* exclude);
  std::string Proxy();
  std::string CaFile();

  void Pause(SchedulePoint point) {
    if (m_scheduleHook) m_scheduleHook(point, nullptr, 0, nullptr);
  }
  void Emit(int event, unsigned code, long value);
  void ClearRunning();

  std::recursive_mutex& m_lock;
  std::mutex m_tableMutex;
  std::mutex m_wakeMutex;
  std::condition_variable m_wake;
  bool m_bPassRequested = false;  // under m_wakeMutex: a segment ended since the last pass
  std::mutex m_proxyMutex;

  ProgressCallback m_callback;  // under m_lock
  std::atomic<bool> m_bStopped{false};  // set under m_lock: StopDownload ran, no event may follow
  DownloadItemMap m_mapItems;   // under m_tableMutex

  DownloadConfig m_config;                    // set by BeginDownload before any segment
  std::vector<UrlCfg> m_vecUrlCfg;            // fixed once CheckDownload ran
  UrlCfg m_cdnUrlCfg;
  std::atomic<int> m_nThreadPerUrl{0};
  std::string m_strProxy;                     // under m_proxyMutex
  std::string m_strCaFile;                    // under m_proxyMutex
  PingFunction m_ping;
  ScheduleHook m_scheduleHook;
  TrickleWatch m_trickles;   // dispatcher thread, under m_tableMutex
  MirrorStrikes m_strikes;   // dispatcher thread, under m_tableMutex
  RepairLedger m_repairs;    // under m_lock

  // The output file, shared with writers that are between their image copy and their
  // file write; it closes when the last of them lets go. The pointer is under m_lock.
  std::shared_ptr<std::FILE> m_pFile;
  ImageBuffer m_pBuffer;                      // under m_lock
  BlockTracker m_blocks;                      // under m_lock
  std::shared_ptr<PrefixDigest> m_prefixDigest;  // under m_lock; made with the image
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

  // Manifest download (DownloadByConfigUrl); the target path serves both entry points.
  int m_nManifestItemId = -1;
  std::FILE* m_pCfgFile = nullptr;  // owned by the manifest thread once it runs
  std::size_t m_nCfgBytes = 0;      // manifest thread: bytes of this attempt so far
  bool m_bCfgTooLarge = false;      // manifest thread: this attempt passed the size limit
  char m_szCfgUrl[kManifestUrlBufferSize] = {};
  char m_szCfgPath[kMaxPath] = {};
  char m_szTargetPath[kMaxPath] = {};
};
