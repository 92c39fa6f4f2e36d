#include "download/downloader_curl.h"

#include <new>

namespace download {

DownloaderCurl::DownloaderCurl() : m_core(std::make_shared<DownloaderCore>()) {}

DownloaderCurl::~DownloaderCurl() { m_core->StopDownload(); }

HRESULT DownloaderCurl::DownloadByConfigData(const char* text, size_t length, const std::string& targetPath) {
  return m_core->DownloadByConfigData(text, length, targetPath);
}
HRESULT DownloaderCurl::DownloadByConfigUrl(const std::string& url, const std::string& targetPath) {
  return m_core->DownloadByConfigUrl(url, targetPath);
}
HRESULT DownloaderCurl::LoadConfigFile(const std::wstring& configPath, const std::string& targetPath) {
  return m_core->LoadConfigFile(configPath, targetPath);
}
HRESULT DownloaderCurl::BeginDownload(const DownloadConfig& config) { return m_core->BeginDownload(config); }
HRESULT DownloaderCurl::StopDownload() { return m_core->StopDownload(); }
bool DownloaderCurl::IsDownloading() { return m_core->IsDownloading(); }
HRESULT DownloaderCurl::SetCallback(base::ProgressCallback callback) {
  return m_core->SetCallback(std::move(callback));
}
HRESULT DownloaderCurl::GetDownloadInfo(DownloadInfo& out) { return m_core->GetDownloadInfo(out); }
int DownloaderCurl::GetStatus() { return m_core->GetStatus(); }
void DownloaderCurl::SetProxy(const std::string& proxy) { m_core->SetProxy(proxy); }
void DownloaderCurl::SetCaFile(const std::string& caFile) { m_core->SetCaFile(caFile); }
bool DownloaderCurl::IsUsingCdn() { return m_core->IsUsingCdn(); }
int DownloaderCurl::GetErrorCode() { return m_core->GetErrorCode(); }
std::string DownloaderCurl::GetErrorString() { return GetDownloadErrorName(m_core->GetErrorCode()); }

HRESULT DownloaderCurl::OnConfigFileDownloaded(DownloadItem* item) { return m_core->OnConfigFileDownloaded(item); }
HRESULT DownloaderCurl::LoadConfigData(const char* text, size_t length) { return m_core->LoadConfigData(text, length); }
HRESULT DownloaderCurl::LoadConfig(std::shared_ptr<support::IXMLParse> xml, const std::string& targetPath) {
  return m_core->LoadConfig(xml, targetPath);
}
HRESULT DownloaderCurl::CheckDownload(DownloadConfig& config) { return m_core->CheckDownload(config); }
HRESULT DownloaderCurl::InitDownload() { return m_core->InitDownload(); }
int DownloaderCurl::BeginDownloadItem(DownloadItem* item) { return item ? m_core->BeginDownloadItem(item->nId) : 0; }
void DownloaderCurl::SetPingFunction(PingFunction ping) { m_core->SetPingFunction(std::move(ping)); }
void DownloaderCurl::SetScheduleHook(ScheduleHook hook) { m_core->SetScheduleHook(std::move(hook)); }

bool CreateDownloader(IDownloader** out) {
  if (!out) return false;
  try {
    *out = new DownloaderCurl();
  } catch (...) {
    *out = nullptr;
  }
  return *out != nullptr;
}

}  // namespace download
