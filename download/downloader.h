// The download engine's interface: fetch the setup package described by a manifest
// from several mirrors at once, verify it and report through one ProgressCallback.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <map>
#include <string>

#include "base/progress_events.h"
#include "download/download_config.h"
#include "platform/win_types.h"

namespace download {

// Engine status (GetStatus).
enum DownloadStatus : int {
  kDownloadStatusInitial = 0,
  kDownloadStatusNeedUpdate = 3,
  kDownloadStatusFailed = 4,
  kDownloadStatusFinished = 5,
};

enum ItemStatus : int {
  E_Status_Runing = 0,  // misspelt on purpose: the name callers and tools know
  E_Status_StopByDispatch = 1,
  E_Status_Fail = 2,
  E_Status_Succeed = 3,
  E_Status_Replaced = 4,
};

// One segment (or the manifest download): an inclusive byte range on one URL.
struct DownloadItem {
  int nId = 0;
  std::uint32_t nStart = 0;      // first byte requested from the server
  std::uint32_t nCurrent = 0;    // next byte to write
  std::uint32_t nEnd = 0;        // last byte, inclusive
  const char* pszUrl = nullptr;  // points into storage the engine keeps for its lifetime
  void* hCurl = nullptr;         // transfer handle, set while a transfer is set up or runs
  int nResult = 0;               // transfer result of the last run (0 = success)
  std::FILE* pFile = nullptr;
  void* pOwner = nullptr;
  std::uint32_t hThread = 0;  // serial number of the segment's thread
  std::uint32_t dwLastTick = 0;
  std::uint32_t dwStartTick = 0;
  std::uint32_t dwEndTick = 0;
  int nSpeed = 0;  // bytes per second over the last measuring window
  int nStatus = E_Status_Runing;
  std::uint32_t nWindowBytes = 0;  // bytes received since dwWindowTick
  std::uint32_t dwWindowTick = 0;  // start of the current measuring window
  bool bRepair = false;            // fetches a bad block again; never split
};

using DownloadItemMap = std::map<int, DownloadItem>;

// The item a kDownloadEventSegmentEnded event's value points at; null when the engine
// no longer knew the segment. Valid only while the callback runs.
inline const DownloadItem* SegmentEndedItem(long value) {
  return reinterpret_cast<const DownloadItem*>(static_cast<std::uintptr_t>(value));
}

struct DownloadInfo {
  int nThreadCount = 0;
  std::uint32_t nFileSize = 0;
  std::uint32_t nDownloaded = 0;
  DownloadItemMap mapItems;
};

class IDownloader {
 public:
  virtual ~IDownloader() = default;

  virtual HRESULT DownloadByConfigData(const char* text, size_t length, const std::string& targetPath) = 0;
  virtual HRESULT DownloadByConfigUrl(const std::string& url, const std::string& targetPath) = 0;
  virtual HRESULT LoadConfigFile(const std::wstring& configPath, const std::string& targetPath) = 0;
  virtual HRESULT BeginDownload(const DownloadConfig& config) = 0;
  virtual HRESULT StopDownload() = 0;
  virtual bool IsDownloading() = 0;
  virtual HRESULT SetCallback(base::ProgressCallback callback) = 0;
  virtual HRESULT GetDownloadInfo(DownloadInfo& out) = 0;
  virtual int GetStatus() = 0;
  virtual void SetProxy(const std::string& proxy) = 0;
  virtual bool IsUsingCdn() = 0;
  virtual int GetErrorCode() = 0;
  virtual std::string GetErrorString() = 0;
};

// Makes a fresh engine; the caller deletes it through the interface.
bool CreateDownloader(IDownloader** out);

// Waits, at most `limit`, until every thread of every engine has ended; true when
// they all did. For programs that exit right after a download: a thread still inside
// the TLS library when the process goes leaves its state behind.
bool WaitForDownloadThreads(std::chrono::milliseconds limit);

}  // namespace download
