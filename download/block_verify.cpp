// Verification of the memory image against the manifest digests, and block repair.
#include <optional>

#include "base/install_log.h"
#include "download/downloader_core.h"
#include "download/mirror_probe.h"
#include "download/transfer_plan.h"
#include "platform/clock.h"

using base::WriteLog;

namespace download {

// Only the whole-file digest verifies a file: blocks say what to fetch again, never
// that the file is right.
ImageCheck DownloaderCore::CheckHash() {
  if (!m_image.IsOpen()) return ImageCheck::Unrepairable;
  if (m_config.strFileHash.empty()) {
    WriteLog("Download_CheckHash : the manifest has no whole-file digest, the file cannot be verified.\n");
    return ImageCheck::Unrepairable;
  }
  const std::uint32_t size = m_nFileSize;
  const ImageStore::Verdict verdict = m_image.Verify(m_config.strFileHash, m_config.vecBlockHash);
  if (verdict.verified) return ImageCheck::Verified;
  const std::vector<BlockCheck>& bad = verdict.bad;
  if (bad.empty()) {
    const auto tail = UndigestedTail(size, m_config.vecBlockHash.size());
    if (!tail) {
      WriteLog("Download_CheckHash : every block matches its digest but the whole file does not.\n");
      return ImageCheck::Unrepairable;
    }
    return RefetchUndigested(*tail);
  }
  for (const BlockCheck& block : bad) {
    if (RepairData(block.offset, block.offset + block.length - 1) != S_OK) {
      WriteLog("Download_CheckHash : bytes %u-%u (block %u) did not verify from any mirror, tried %s.\n", block.offset,
               block.offset + block.length - 1, block.offset / kHashBlockSize, m_repairs.Tried(block.offset).c_str());
      return ImageCheck::Unrepairable;
    }
  }
  return ImageCheck::Repairing;
}

// Nothing says which mirror spoilt these bytes. The first refetch goes
// round the mirrors like a first download, each share to the mirror after the one that
// had it; from the second on, every share of a round comes from one mirror in turn, so
// that a mirror that always spoils the same bytes cannot keep one share bad each round.
ImageCheck DownloaderCore::RefetchUndigested(const BlockCheck& tail) {
  if (m_vecUrlCfg.empty()) return ImageCheck::Unrepairable;
  const std::size_t mirrors = m_vecUrlCfg.size();
  const std::vector<SegmentRange> plan = PlanRefetch(tail, mirrors, m_nThreadPerUrl);
  if (plan.empty()) return ImageCheck::Unrepairable;
  const auto round = static_cast<std::size_t>(m_repairs.Attempts(plan.front().nStart));
  for (const SegmentRange& range : plan) {
    const std::size_t turn = round == 0 ? range.mirrorIndex + 1 : round;
    if (RepairData(range.nStart, range.nEnd, m_vecUrlCfg[turn % mirrors].szUrl) != S_OK) {
      WriteLog("Download_CheckHash : bytes %u-%u did not verify from any mirror, tried %s.\n", range.nStart, range.nEnd,
               m_repairs.Tried(range.nStart).c_str());
      return ImageCheck::Unrepairable;
    }
  }
  return ImageCheck::Repairing;
}

// Every URL a repair may fall back to, in rank order, the CDN last.
std::vector<const char*> DownloaderCore::RepairMirrors() const {
  std::vector<const char*> urls;
  for (const UrlCfg& mirror : m_vecUrlCfg) urls.push_back(mirror.szUrl);
  if (m_cdnUrlCfg.bValid) urls.push_back(m_cdnUrlCfg.szUrl);
  return urls;
}

HRESULT DownloaderCore::RepairData(std::uint32_t first, std::uint32_t last, const char* preferred) {
  struct Source {
    std::optional<DownloadItem> pattern;  // the item a repair segment is made from
    const char* delivered = nullptr;      // the URL that delivered these bytes
    const char* best = nullptr;           // the fastest other URL
  };
  const Source source = m_table.Inspect([&](const DownloadItemMap& items) {
    Source found;
    if (const DownloadItem* covering = FindRepairTemplate(items, first, last)) {
      found.pattern = *covering;
      found.delivered = covering->pszUrl;
    } else if (auto it = items.find(0); it != items.end()) {
      found.pattern = it->second;
    }
    if (!preferred) found.best = ChooseBestUrl(items, found.delivered);
    return found;
  });
  if (source.best && IsCdnUrl(source.best)) m_bUsingCdn = true;
  // The fastest other mirror first; when none has shown a speed, any mirror with
  // attempts left for this block.
  const char* url = preferred ? m_repairs.Choose(first, preferred, nullptr, RepairMirrors())
                              : m_repairs.Choose(first, source.best, source.delivered, RepairMirrors());
  int newId = -1;
  if (url) {
    DownloadItem item = source.pattern.value_or(DownloadItem());
    item.pszUrl = url;
    item.bRepair = true;
    item.nStart = item.nCurrent = first;
    item.nEnd = last;
    item.nSpeed = 0;
    item.dwLastTick = item.dwStartTick = platform::GetTickCount();
    item.dwEndTick = 0;
    m_repairs.Record(first, url);
    if (IsCdnUrl(url)) m_bUsingCdn = true;
    newId = m_table.InsertSegment(item);
  }
  if (newId < 0) {
    WriteLog("Download_RepairData : GetBestURL error, start(%d), end(%d).\n", static_cast<int>(first),
             static_cast<int>(last));
    return E_INVALIDARG;
  }
  WriteLog("Download_RepairData : GetBestURL Info, start(%d), end(%d), ID(%d).\n", static_cast<int>(first),
           static_cast<int>(last), newId);
  BeginDownloadItemLocked(newId);
  return S_OK;
}

}  // namespace download
