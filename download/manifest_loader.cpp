// Manifest loading: from text, from a file, or from a URL fetched into "<target>.cfg".
#include <cctype>
#include <cstdio>
#include <cstring>

#include <curl/curl.h>

#include "base/install_log.h"
#include "base/log_text.h"
#include "download/curl_global.h"
#include "download/downloader_core.h"
#include "download/engine_thread.h"
#include "download/md5_digest.h"
#include "download/mirror_probe.h"
#include "platform/clock.h"
#include "platform/output_file.h"
#include "platform/path.h"
#include "platform/text.h"
#include "support/xml_limits.h"

namespace {

constexpr int kManifestAttempts = 3;
constexpr int kMaxManifestVersion = 1;
constexpr const char kManifestUserAgent[] = "Lavf/55.13.102";

void CopyText(char* buffer, std::size_t bufferSize, const std::string& text) {
  std::memset(buffer, 0, bufferSize);
  std::strncpy(buffer, text.c_str(), bufferSize - 1);
}

std::string ItemKey(const char* list, int index) {
  char key[64];
  std::snprintf(key, sizeof(key), "download.%s.item_%d.value", list, index);
  return key;
}

// A path cut to fit its buffer would name another file: such paths are refused.
bool FitsPathBuffer(const std::string& path, const char* operation) {
  if (path.size() < static_cast<std::size_t>(kMaxPath)) return true;
  WriteLog("%s : path longer than %d characters refused.\n", operation, kMaxPath - 1);
  return false;
}

// 32 hex digits in either case; other text could never match a digest of ours.
bool IsHexDigest(const std::string& text) {
  if (text.size() != kMd5TextLength) return false;
  for (const char c : text) {
    if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
  }
  return true;
}

std::string UpperCase(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

}  // namespace

HRESULT DownloaderCore::DownloadByConfigData(const char* text, size_t length, const std::string& targetPath) {
  if (!FitsPathBuffer(targetPath, "Download_DownloadByConfigData")) return E_INVALIDARG;
  CopyText(m_szTargetPath, sizeof(m_szTargetPath), targetPath);
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
  std::shared_ptr<IXMLParse> xml;
  HRESULT hr;
  if (FAILED(CreateXMLParse(xml)) || !xml) {
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
  std::shared_ptr<IXMLParse> xml;
  if (FAILED(CreateXMLParse(xml)) || !xml) return LoadConfig(nullptr, targetPath);
  if (!xml->ReadFromFile(configPath)) {
    WriteLog("Download_LoadConfig : manifest file (%s) does not parse.\n",
             platform::WideToNarrow(configPath).c_str());
    m_nErrorCode = ConfigLoadError;
    return E_INVALIDARG;
  }
  return LoadConfig(xml, targetPath);
}

HRESULT DownloaderCore::LoadConfig(const std::shared_ptr<IXMLParse>& xml, const std::string& targetPath) {
  auto refuse = [this](DownloadError code, HRESULT hr) {
    WriteLog("Download_LoadConfig : %s.\n", GetDownloadErrorName(code));
    m_nErrorCode = code;
    return hr;
  };
  if (!xml) return refuse(ConfigLoadError, E_INVALIDARG);

  if (!FitsPathBuffer(targetPath, "Download_LoadConfig")) return refuse(ConfigLoadError, E_INVALIDARG);
  DownloadConfig config;
  CopyText(config.szFilePath, sizeof(config.szFilePath), targetPath);

  int version = 0;
  if (!xml->GetAttrInt("download.version", version)) {
    m_nStatus = kDownloadStatusNeedUpdate;
    return refuse(ConfigLoadVersionError, E_ABORT);
  }
  if (version > kMaxManifestVersion) {
    m_nStatus = kDownloadStatusNeedUpdate;
    return refuse(NeedUpdateDownload, E_ABORT);
  }
  int size = 0;
  // A size of 0 or below describes no file that could be fetched or verified.
  if (!xml->GetAttrInt("download.size", size) || size <= 0) return refuse(ConfigLoadFileSizeError, E_ABORT);
  config.nFileSize = size;

  int urlCount = 0;
  if (!xml->GetAttrInt("download.url.size", urlCount)) return refuse(ConfigLoadUrlSizeError, E_ABORT);
  for (int n = 0; n < urlCount && n < kMaxUrlCfg; ++n) {
    std::string url;
    if (!xml->GetAttrString(ItemKey("url", n), url)) return refuse(ConfigLoadUrlError, E_ABORT);
    // A cut URL would fetch something else.
    if (url.size() >= sizeof(config.arrUrlCfg[n].szUrl)) {
      WriteLog("Download_LoadConfig : URL %d longer than %d characters refused.\n", n,
               static_cast<int>(sizeof(config.arrUrlCfg[n].szUrl)) - 1);
      return refuse(ConfigLoadError, E_ABORT);
    }
    CopyText(config.arrUrlCfg[n].szUrl, sizeof(config.arrUrlCfg[n].szUrl), url);
    config.arrUrlCfg[n].bValid = 1;
  }

  int hashCount = 0;
  if (!xml->GetAttrInt("download.hash.size", hashCount)) return refuse(ConfigLoadHashSizeError, E_ABORT);
  // Only the whole-file digest verifies a download: without it every byte would be
  // fetched for a file that can never be accepted.
  if (hashCount < 1) {
    WriteLog("Download_LoadConfig : the manifest has no whole-file digest.\n");
    return refuse(ConfigLoadHashError, E_ABORT);
  }
  for (int k = 0; k < hashCount; ++k) {
    std::string digest;
    if (!xml->GetAttrString(ItemKey("hash", k), digest)) return refuse(ConfigLoadHashError, E_ABORT);
    if (!IsHexDigest(digest)) {
      WriteLog("Download_LoadConfig : digest %d (%s) is not 32 hex digits.\n", k, PrintableLogText(digest, 40).c_str());
      return refuse(ConfigLoadHashError, E_ABORT);
    }
    // Digests compare as upper-case text everywhere.
    digest = UpperCase(std::move(digest));
    if (k == 0) {
      config.strFileHash = std::move(digest);
    } else {
      config.vecBlockHash.push_back(std::move(digest));
    }
  }

  if (IsAlreadyDownloaded(config)) {
    // The error code comes before the event: a caller that sees the engine stop
    // right after it must read the final code.
    m_nStatus = kDownloadStatusFinished;
    m_nErrorCode = NoNeedDownload;
    Emit(kDownloadEventFinished, 0, 1);
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
  Emit(kDownloadEventFailed, 0, 0);
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
  CopyText(m_szCfgUrl, sizeof(m_szCfgUrl), url);
  item.pszUrl = m_szCfgUrl;
  item.nEnd = GetDownloadFileLenth(url, Proxy(), CaFile());
  item.dwLastTick = item.dwStartTick = platform::GetTickCount();

  const std::string cfgPath = targetPath + ".cfg";
  std::FILE* cfgFile = platform::CreateOutputFile(cfgPath);
  if (!cfgFile) {
    WriteLog("Download_DownloadByConfigUrl : cannot open (%s).\n", cfgPath.c_str());
    return E_INVALIDARG;
  }
  CopyText(m_szCfgPath, sizeof(m_szCfgPath), cfgPath);
  CopyText(m_szTargetPath, sizeof(m_szTargetPath), targetPath);
  m_pCfgFile = cfgFile;

  int itemId;
  {
    std::lock_guard<std::mutex> table(m_tableMutex);
    itemId = InsertItemLocked(item);
    m_nManifestItemId = itemId;
    if (!OpenManifestTransfer(m_mapItems[itemId])) {
      m_mapItems[itemId].nStatus = E_Status_Fail;
    }
  }
  m_bRunning = true;
  auto self = shared_from_this();
  const std::uint32_t thread = StartEngineThread([self] { self->RunManifestThread(); });
  {
    std::lock_guard<std::mutex> table(m_tableMutex);
    m_mapItems[itemId].hThread = thread;
  }
  WriteLog("Download_BeginDownload : Download link id(%d) thread(%d).\n", itemId, static_cast<int>(thread));
  if (thread == 0) {
    ClearRunning();
    return E_FAIL;
  }
  return S_OK;
}

// Under m_tableMutex. A fresh handle for the next attempt, writing into m_pCfgFile.
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
  if (bytes > kMaxXmlDocumentSize - owner->m_nCfgBytes) {
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
    CURL* handle = nullptr;
    DownloadItem* item = nullptr;
    {
      std::lock_guard<std::mutex> table(m_tableMutex);
      item = &m_mapItems[m_nManifestItemId];
      // Each retry starts over: a new handle and an emptied ".cfg" file.
      if (attempt > 1) {
        m_pCfgFile = platform::CreateOutputFile(m_szCfgPath);
        if (m_pCfgFile) OpenManifestTransfer(*item);
      }
      item->nStatus = E_Status_Runing;
      handle = static_cast<CURL*>(item->hCurl);
    }
    m_nCfgBytes = 0;
    m_bCfgTooLarge = false;
    const CURLcode result = handle ? curl_easy_perform(handle) : CURLE_FAILED_INIT;
    {
      std::lock_guard<std::mutex> table(m_tableMutex);
      item->nResult = result;
      item->dwEndTick = platform::GetTickCount();
      if (item->nStatus == E_Status_Runing) item->nStatus = result == CURLE_OK ? E_Status_Succeed : E_Status_Fail;
      item->hCurl = nullptr;
    }
    if (handle) curl_easy_cleanup(handle);

    if (m_bCfgTooLarge) {
      WriteLog("Download_Thread_Download_Cfg : manifest larger than %d bytes refused.\n",
               static_cast<int>(kMaxXmlDocumentSize));
      if (m_pCfgFile) std::fclose(m_pCfgFile);
      m_pCfgFile = nullptr;
      {
        std::lock_guard<std::mutex> table(m_tableMutex);
        item->pFile = nullptr;
      }
      m_nErrorCode = ConfigLoadError;
      FinishFailedLoad();
      return;
    }
    m_nErrorCode = NoError;
    const HRESULT hr = OnConfigFileDownloaded(item);
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
  {
    std::lock_guard<std::mutex> table(m_tableMutex);
    if (m_nManifestItemId >= 0) m_mapItems[m_nManifestItemId].pFile = nullptr;
  }
  if (!platform::PathFileExists(std::string(m_szCfgPath))) return E_FAIL;
  return LoadConfigFile(platform::NarrowToWide(m_szCfgPath), m_szTargetPath);
}
