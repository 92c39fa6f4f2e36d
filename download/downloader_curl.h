// The libcurl download engine. The object the caller holds is a handle: the download's
// state lives in a DownloaderCore that the engine threads share, so deleting the
// engine while transfers still wind down is safe.
#pragma once

#include <memory>

#include "download/downloader.h"
#include "download/downloader_core.h"

namespace download {

class DownloaderCurl : public IDownloader {
 public:
  DownloaderCurl();
  ~DownloaderCurl() override;

  HRESULT DownloadByConfigData(const char* text, size_t length, const std::string& targetPath) override;
  HRESULT DownloadByConfigUrl(const std::string& url, const std::string& targetPath) override;
  HRESULT LoadConfigFile(const std::wstring& configPath, const std::string& targetPath) override;
  HRESULT BeginDownload(const DownloadConfig& config) override;
  HRESULT StopDownload() override;
  bool IsDownloading() override;
  HRESULT SetCallback(base::ProgressCallback callback) override;
  HRESULT GetDownloadInfo(DownloadInfo& out) override;
  int GetStatus() override;
  void SetProxy(const std::string& proxy) override;
  bool IsUsingCdn() override;
  int GetErrorCode() override;
  std::string GetErrorString() override;

  virtual HRESULT OnConfigFileDownloaded(DownloadItem* item);
  virtual HRESULT LoadConfigData(const char* text, size_t length);
  virtual HRESULT LoadConfig(std::shared_ptr<support::IXMLParse> xml, const std::string& targetPath);
  virtual HRESULT CheckDownload(DownloadConfig& config);
  virtual HRESULT InitDownload();
  virtual int BeginDownloadItem(DownloadItem* item);

  // Replaces the ICMP echo probe of mirror selection (tests, and tools run where
  // ICMP is not permitted).
  void SetPingFunction(PingFunction ping);
  // Called at the engine's scheduling points; set before the download starts (tests).
  void SetScheduleHook(ScheduleHook hook);
  // Trusts this CA file instead of the system's store (tests, and tools pointed at
  // mirrors with a private CA). The installer never calls it.
  void SetCaFile(const std::string& caFile);
  // Expires once the engine and every thread of the download have let go of the state.
  std::weak_ptr<const void> StateLifetime() const { return m_core; }

 private:
  std::shared_ptr<DownloaderCore> m_core;
};

}  // namespace download
