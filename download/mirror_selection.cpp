// Probing the manifest's mirrors before the transfer, and the fastest URL during it.
#include "base/install_log.h"
#include "download/downloader_core.h"
#include "download/icmp_pinger.h"
#include "download/mirror_probe.h"
#include "download/transfer_plan.h"

using base::WriteLog;

namespace download {

namespace {
const char* TrueFalse(bool value) { return value ? "true" : "false"; }
}  // namespace

HRESULT DownloaderCore::CheckDownload(DownloadConfig& config) {
  m_vecUrlCfg.clear();
  m_bUsingCdn = false;
  std::vector<UrlCfg> candidates;
  const UrlCfg* cdnEntry = nullptr;
  const std::uint32_t fileSize = static_cast<std::uint32_t>(config.nFileSize);
  const std::string proxy = Proxy();
  const std::string caFile = CaFile();

  for (int index = 0; index < kMaxUrlCfg; ++index) {
    UrlCfg& entry = config.arrUrlCfg[index];
    if (!entry.bValid) continue;
    const bool isCdn = IsCdnUrl(entry.szUrl);
    if (isCdn && !cdnEntry) {
      entry.bValid = GetDownloadFileLenth(entry.szUrl, proxy, caFile) == fileSize ? 1 : 0;
      if (entry.bValid) cdnEntry = &entry;
      continue;
    }
    const bool answered = m_ping ? m_ping(entry.szUrl, entry.nPingTime) : PingUrl(entry.szUrl, entry.nPingTime);
    WriteLog("Download_CheckPing: ID(%d), Invalid(%s), time(%d).\n", index, TrueFalse(answered),
             static_cast<int>(entry.nPingTime));
    if (!answered) {
      entry.bValid = 0;
      continue;
    }
    entry.bValid = GetDownloadFileLenth(entry.szUrl, proxy, caFile) == fileSize ? 1 : 0;
    if (entry.bValid && !isCdn) {
      entry.bNetworkNotFull = GetNetworkNotFull(entry.szUrl, caFile) ? 1 : 0;
      candidates.push_back(entry);
    }
    WriteLog("Download_CheckDownload: ID(%d), FileSizeConsistent(%s) NetworkNotFull(%s).\n", index,
             TrueFalse(entry.bValid), TrueFalse(entry.bNetworkNotFull));
  }

  RankedMirrors ranked = RankMirrors(std::move(candidates), cdnEntry);
  switch (ranked.cdn) {
    case CdnUse::Alone:
    case CdnUse::Missing:
      WriteLog("Download_CheckDownload: Warring, m_vecUrlCfg.size() <= 0.\n");
      WriteLog("Download_CheckDownload: Using Ama now.\n");
      if (ranked.cdn == CdnUse::Alone) {
        m_nThreadPerUrl = kCdnAloneThreadsPerUrl;
      } else {
        WriteLog("Download_CheckDownload: ERROR : con't find Ama now.\n");
      }
      break;
    case CdnUse::Added:
    case CdnUse::NotAvailable:
      WriteLog("Download_CheckDownload: Warring, m_vecUrlCfg.size() <= 2.\n");
      WriteLog("Download_CheckDownload: Add Ama now.\n");
      break;
    case CdnUse::NotNeeded: break;
  }
  m_vecUrlCfg = std::move(ranked.mirrors);
  if (cdnEntry) m_cdnUrlCfg = *cdnEntry;
  return m_vecUrlCfg.empty() ? E_FAIL : S_OK;
}

const char* DownloaderCore::GetBestURL(const char* exclude) {
  const char* url = m_table.Inspect([&](const DownloadItemMap& items) { return ChooseBestUrl(items, exclude); });
  if (url && IsCdnUrl(url)) m_bUsingCdn = true;
  return url;
}

}  // namespace download
