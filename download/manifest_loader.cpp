// Manifest loading: from text, from a file, or from a URL fetched into "<target>.cfg".
#include <cstdio>
#include <cstring>

#include <curl/curl.h>

#include "base/install_log.h"
#include "download/curl_global.h"
#include "download/downloader_core.h"
#include "download/engine_thread.h"
#include "download/manifest_parse.h"
#include "download/md5_digest.h"
#include "download/mirror_probe.h"
#include "platform/clock.h"
#include "platform/output_file.h"
#include "platform/path.h"
#include "platform/text.h"
#include "support/xml_limits.h"

using base::WriteLog;

namespace download {

namespace {

constexpr int kManifestAttempts = 3;
constexpr const char kManifestUserAgent[] = "Lavf/55.13.102";

// A path cut to fit its buffer would name another file: such paths are refused.
bool FitsPathBuffer(const std::string& path, const char* operation) {
  if (path.size() < static_cast<std::size_t>(kMaxPath)) return true;
  WriteLog("%s : path longer than %d characters refused.\n", operation, kMaxPath - 1);
  return false;
}

}  // namespace

HRESULT DownloaderCore::DownloadByConfigData(const char* text, size_t length, const std::string& targetPath) {
  if (!FitsPathBuffer(targetPath, "Download_DownloadByConfigData")) return E_INVALIDARG;
  CopyToFixedBuffer(m_szTargetPath, sizeof(m_szTargetPath), targetPath);
  // The thread parses its own copy: the caller's text need not outlive this call.
  std::string manifest = text ? std::string(text) : std::string();
  const bool hasText = text != nullptr;
  m_bRunning = true;
  auto self = shared_from_this();
  const std::uint32_t thread = StartEngineThread([self, manifest = std::move(manifest), hasText, length] {
    const HRESULT hr = self->LoadConfigData(hasText ? manifest.c_str() : nullptr, length);
    if (hr == S_OK) {
      WriteLog("Download_Thread_Download_Cfg : succeed.\n");
    } else {
      WriteLog("Download_Thread_Download_Cfg : failed.\n");
      WriteLog("Download_Thread_Download_Cfg : error.\n");
    }
  });
  if (thread == 0) {
    ClearRunning();
    return E_FAIL;
  }
  return S_OK;
}

HRESULT DownloaderCore::LoadConfigData(const char* text, size_t length) {
  std::shared_ptr<support::IXMLParse> xml;
  HRESULT hr;
  if (FAILED(support::CreateXMLParse(xml)) || !xml) {
    hr = LoadConfig(nullptr, m_szTargetPath);
  } else if (!xml->ReadFromMemory(text, length)) {
    WriteLog("Download_LoadConfig : manifest text does not parse.\n");
    m_nErrorCode = ConfigLoadError;
    hr = E_INVALIDARG;
  } else {
    hr = LoadConfig(xml, m_szTargetPath);
  }
  if (FAILED(hr)) FinishFailedLoad();
  return hr;
}

HRESULT DownloaderCore::LoadConfigFile(const std::wstring& configPath, const std::string& targetPath) {
  std::shared_ptr<support::IXMLParse> xml;
  if (FAILED(support::CreateXMLParse(xml)) || !xml) return LoadConfig(nullptr, targetPath);
  if (!xml->ReadFromFile(configPath)) {
    WriteLog("Download_LoadConfig : manifest file (%s) does not parse.\n", platform::WideToNarrow(configPath).c_str());
    m_nErrorCode = ConfigLoadError;
    return E_INVALIDARG;
  }
  return LoadConfig(xml, targetPath);
}

HRESULT DownloaderCore::LoadConfig(const std::shared_ptr<support::IXMLParse>& xml, const std::string& targetPath) {
  ManifestParse parse = xml ? ParseManifest(*xml, targetPath) : ManifestParse{ConfigLoadError, E_INVALIDARG, {}};
  if (!parse.Loaded()) {
    WriteLog("Download_LoadConfig : %s.\n", GetDownloadErrorName(parse.error));
    if (parse.NeedsUpdate()) m_nStatus = kDownloadStatusNeedUpdate;
    m_nErrorCode = parse.error;
    return parse.result;
  }
  const DownloadConfig& config = parse.config;
  if (IsAlreadyDownloaded(config)) {
    // The error code comes before the event: a caller that sees the engine stop
    // right after it must read the final code.
    m_nStatus = kDownloadStatusFinished;
    m_nErrorCode = NoNeedDownload;
    Emit(base::kDownloadEventFinished, 0, 1);
    ClearRunning();
    return S_OK;
  }
  return BeginDownload(config);
}

bool DownloaderCore::IsAlreadyDownloaded(const DownloadConfig& config) const {
  // Only a file the download itself could have written counts, not a link to one.
  if (!platform::IsPlainFile(config.szFilePath)) return false;
  unsigned char digest[kMd5Size];
  if (!Md5File(config.szFilePath, digest)) return false;
  return DigestToHex(digest) == config.strFileHash;
}

void DownloaderCore::FinishFailedLoad() {
  ClearRunning();
  if (m_nStatus != kDownloadStatusNeedUpdate) m_nStatus = kDownloadStatusFailed;
  Emit(base::kDownloadEventFailed, 0, 0);
}

HRESULT DownloaderCore::DownloadByConfigUrl(const std::string& url, const std::string& targetPath) {
  // The ".cfg" path must fit as well.
  if (!FitsPathBuffer(targetPath + ".cfg", "Download_DownloadByConfigUrl")) return E_INVALIDARG;
  if (url.size() >= sizeof(m_szCfgUrl)) {
    WriteLog("Download_DownloadByConfigUrl : URL longer than %d characters refused.\n",
             static_cast<int>(sizeof(m_szCfgUrl)) - 1);
    return E_INVALIDARG;
  }
  DownloadItem item;
  CopyToFixedBuffer(m_szCfgUrl, sizeof(m_szCfgUrl), url);
  item.pszUrl = m_szCfgUrl;
  item.nEnd = GetDownloadFileLenth(url, Proxy(), CaFile());
  item.dwLastTick = item.dwStartTick = platform::GetTickCount();

  const std::string cfgPath = targetPath + ".cfg";
  std::FILE* cfgFile = platform::CreateOutputFile(cfgPath);
  if (!cfgFile) {
    WriteLog("Download_DownloadByConfigUrl : cannot open (%s).\n", cfgPath.c_str());
    return E_INVALIDARG;
  }
  CopyToFixedBuffer(m_szCfgPath, sizeof(m_szCfgPath), cfgPath);
  CopyToFixedBuffer(m_szTargetPath, sizeof(m_szTargetPath), targetPath);
  m_pCfgFile = cfgFile;

  const int itemId = m_table.Insert(item);
  m_nManifestItemId = itemId;
  m_table.Update(itemId, [this](DownloadItem& entry) {
    if (!OpenManifestTransfer(entry)) entry.nStatus = E_Status_Fail;
  });
  m_bRunning = true;
  auto self = shared_from_this();
  const std::uint32_t thread = StartEngineThread([self] { self->RunManifestThread(); });
  m_table.SetThread(itemId, thread);
  WriteLog("Download_BeginDownload : Download link id(%d) thread(%d).\n", itemId, static_cast<int>(thread));
  if (thread == 0) {
    ClearRunning();
    return E_FAIL;
  }
  return S_OK;
}

// Under the segment table's lock. A fresh handle for the next attempt, writing into m_pCfgFile.
bool DownloaderCore::OpenManifestTransfer(DownloadItem& item) {
  CURL* handle = NewCurlHandle();
  if (!handle) return false;
  item.hCurl = handle;
  item.pFile = m_pCfgFile;
  item.pOwner = this;
  item.nResult = 0;
  SetTransferOptions(handle, item.pszUrl, &DownloaderCore::ManifestWriter, &item, kManifestUserAgent, CaFile());
  ApplyProxy(handle, Proxy());
  return true;
}

size_t DownloaderCore::ManifestWriter(char* data, size_t size, size_t count, void* user) {
  auto* item = static_cast<DownloadItem*>(user);
  if (!item || !item->pFile || !item->pOwner) return 0;
  auto* owner = static_cast<DownloaderCore*>(item->pOwner);
  if (owner->m_bStopped) return 0;
  // An endless body must not grow the ".cfg" file without bound.
  const std::size_t bytes = size * count;
  if (bytes > support::kMaxXmlDocumentSize - owner->m_nCfgBytes) {
    owner->m_bCfgTooLarge = true;
    return 0;
  }
  owner->m_nCfgBytes += bytes;
  return std::fwrite(data, size, count, item->pFile);
}

namespace {
// A manifest that arrived but did not load (an error page, a cut-off file) may load
// on the next attempt; a refused version or a failed start of the transfer will not.
bool IsRetriableLoadFailure(int errorCode) {
  return errorCode == NoError || (errorCode >= ConfigLoadError && errorCode <= ConfigLoadHashError);
}
}  // namespace

void DownloaderCore::RunManifestThread() {
  for (int attempt = 1; attempt <= kManifestAttempts; ++attempt) {
    const int itemId = m_nManifestItemId;
    CURL* handle = m_table.Update(itemId, [this, attempt](DownloadItem& item) {
      // Each retry starts over: a new handle and an emptied ".cfg" file.
      if (attempt > 1) {
        m_pCfgFile = platform::CreateOutputFile(m_szCfgPath);
        if (m_pCfgFile) OpenManifestTransfer(item);
      }
      item.nStatus = E_Status_Runing;
      return static_cast<CURL*>(item.hCurl);
    });
    m_nCfgBytes = 0;
    m_bCfgTooLarge = false;
    const CURLcode result = handle ? curl_easy_perform(handle) : CURLE_FAILED_INIT;
    m_table.Update(itemId, [result](DownloadItem& item) {
      item.nResult = result;
      item.dwEndTick = platform::GetTickCount();
      if (item.nStatus == E_Status_Runing) item.nStatus = result == CURLE_OK ? E_Status_Succeed : E_Status_Fail;
      item.hCurl = nullptr;
    });
    if (handle) curl_easy_cleanup(handle);

    if (m_bCfgTooLarge) {
      WriteLog("Download_Thread_Download_Cfg : manifest larger than %d bytes refused.\n",
               static_cast<int>(support::kMaxXmlDocumentSize));
      if (m_pCfgFile) std::fclose(m_pCfgFile);
      m_pCfgFile = nullptr;
      m_table.Update(itemId, [](DownloadItem& item) { item.pFile = nullptr; });
      m_nErrorCode = ConfigLoadError;
      FinishFailedLoad();
      return;
    }
    m_nErrorCode = NoError;
    const HRESULT hr = OnConfigFileDownloaded(m_table.Address(itemId));
    if (hr == S_OK) {
      WriteLog("Download_Thread_Download_Cfg : succeed.\n");
      return;
    }
    WriteLog("Download_Thread_Download_Cfg : failed.\n");
    if (m_bStopped) return;
    if (!IsRetriableLoadFailure(m_nErrorCode)) {
      FinishFailedLoad();
      return;
    }
  }
  m_nErrorCode = ConfigDownloadError;
  WriteLog("Download_Thread_Download_Cfg : error.\n");
  FinishFailedLoad();
}

// Loads the ".cfg" file an attempt fetched. A failure is the manifest thread's to end:
// it may try again.
HRESULT DownloaderCore::OnConfigFileDownloaded(const DownloadItem* item) {
  if (!item || !m_pCfgFile) return E_POINTER;
  std::fclose(m_pCfgFile);
  m_pCfgFile = nullptr;
  if (m_nManifestItemId >= 0) m_table.Update(m_nManifestItemId, [](DownloadItem& entry) { entry.pFile = nullptr; });
  if (!platform::PathFileExists(std::string(m_szCfgPath))) return E_FAIL;
  return LoadConfigFile(platform::NarrowToWide(m_szCfgPath), m_szTargetPath);
}

}  // namespace download
