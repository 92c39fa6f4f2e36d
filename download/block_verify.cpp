// Verification of the memory image against the manifest digests, and block repair.
#include "base/install_log.h"
#include "download/downloader_core.h"
#include "download/md5_digest.h"
#include "download/mirror_probe.h"
#include "download/transfer_plan.h"
#include "platform/clock.h"

// Under m_lock. Only the whole-file digest verifies a file: blocks say what to fetch
// again, never that the file is right.
ImageCheck DownloaderCore::CheckHash() {
  if (!m_pBuffer) return ImageCheck::Unrepairable;
  if (m_config.strFileHash.empty()) {
    WriteLog("Download_CheckHash : the manifest has no whole-file digest, the file cannot be verified.\n");
    return ImageCheck::Unrepairable;
  }
  const std::uint32_t size = m_nFileSize;
  const unsigned char* image = m_pBuffer.get();
  const std::string wholeDigest = m_prefixDigest ? m_prefixDigest->Finish() : Md5Hex(image, size);
  if (wholeDigest == m_config.strFileHash) return ImageCheck::Verified;

  std::vector<BlockCheck> bad;
  const std::vector<BlockCheck> plan = PlanBlockChecks(size, m_config.vecBlockHash.size());
  for (std::size_t k = 0; k < plan.size(); ++k) {
    const BlockCheck& block = plan[k];
    // Blocks that matched in an earlier round and were not written since.
    if (k < m_blocks.BlockCount() && m_blocks.Matched(k)) continue;
    const bool matched = Md5Hex(image + block.offset, block.length) == m_config.vecBlockHash[block.digestIndex];
    if (k < m_blocks.BlockCount()) m_blocks.StoreResult(k, matched);
    if (!matched) bad.push_back(block);
  }
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
               block.offset + block.length - 1, block.offset / kHashBlockSize,
               m_repairs.Tried(block.offset).c_str());
      return ImageCheck::Unrepairable;
    }
  }
  return ImageCheck::Repairing;
}

// Under m_lock. Nothing says which mirror spoilt these bytes. The first refetch goes
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
      WriteLog("Download_CheckHash : bytes %u-%u did not verify from any mirror, tried %s.\n", range.nStart,
               range.nEnd, m_repairs.Tried(range.nStart).c_str());
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

// Under m_lock.
HRESULT DownloaderCore::RepairData(std::uint32_t first, std::uint32_t last, const char* preferred) {
  int newId = -1;
  {
    std::lock_guard<std::mutex> table(m_tableMutex);
    const DownloadItem* pattern = FindRepairTemplate(m_mapItems, first, last);
    const char* delivered = pattern ? pattern->pszUrl : nullptr;
    // The fastest other mirror first; when none has shown a speed, any mirror with
    // attempts left for this block.
    const char* url = preferred ? m_repairs.Choose(first, preferred, nullptr, RepairMirrors())
                                : m_repairs.Choose(first, GetBestURLLocked(delivered), delivered, RepairMirrors());
    if (url) {
      DownloadItem item;
      if (pattern) {
        item = *pattern;
      } else if (auto it = m_mapItems.find(0); it != m_mapItems.end()) {
        item = it->second;
      }
      item.pszUrl = url;
      item.bRepair = true;
      item.nStart = item.nCurrent = first;
      item.nEnd = last;
      item.nSpeed = 0;
      item.dwLastTick = item.dwStartTick = platform::GetTickCount();
      item.dwEndTick = 0;
      m_repairs.Record(first, url);
      if (IsCdnUrl(url)) m_bUsingCdn = true;
      newId = InsertSegmentLocked(item);
    }
  }
  if (newId < 0) {
    WriteLog("Download_RepairData : GetBestURL error, start(%d), end(%d).\n", static_cast<int>(first),
             static_cast<int>(last));
    return E_INVALIDARG;
  }
  WriteLog("Download_RepairData : GetBestURL Info, start(%d), end(%d), ID(%d).\n", static_cast<int>(first),
           static_cast<int>(last), newId);
  BeginDownloadItem(newId);
  return S_OK;
}
