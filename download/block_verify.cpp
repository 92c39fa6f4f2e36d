// Verification of the memory image against the manifest digests, and block repair.
#include "base/install_log.h"
#include "download/downloader_core.h"
#include "download/md5_digest.h"
#include "download/transfer_plan.h"
#include "platform/clock.h"

// Under m_lock.
int DownloaderCore::CheckHash() {
  if (!m_pBuffer) return 0;
  const std::uint32_t size = m_nFileSize;
  const unsigned char* image = m_pBuffer.get();
  // Segments digested each block as they completed it. When every block matched, the
  // answer below is 1 whatever the whole-image digest says, so it is not computed.
  if (m_blocks.AllMatched()) return 1;
  if (Md5Hex(image, size) == m_config.strFileHash) return 1;

  int result = 1;
  const std::vector<BlockCheck> plan = PlanBlockChecks(size, m_config.vecBlockHash.size());
  for (std::size_t k = 0; k < plan.size(); ++k) {
    const BlockCheck& block = plan[k];
    if (k < m_blocks.BlockCount() && m_blocks.Matched(k)) continue;
    if (Md5Hex(image + block.offset, block.length) != m_config.vecBlockHash[block.digestIndex]) {
      RepairData(block.offset, block.offset + block.length - 1);
      result = 0;
    }
  }
  return result;
}

HRESULT DownloaderCore::RepairData(std::uint32_t first, std::uint32_t last) {
  int newId;
  {
    std::lock_guard<std::mutex> table(m_tableMutex);
    const DownloadItem* pattern = FindRepairTemplate(m_mapItems, first, last);
    const char* url = GetBestURLLocked(pattern ? pattern->pszUrl : nullptr);
    if (!url) {
      newId = -1;
    } else {
      DownloadItem item;
      if (pattern) {
        item = *pattern;
      } else if (auto it = m_mapItems.find(0); it != m_mapItems.end()) {
        item = it->second;
      }
      item.pszUrl = url;
      item.nStart = item.nCurrent = first;
      item.nEnd = last;
      item.nSpeed = 0;
      item.dwLastTick = item.dwStartTick = platform::GetTickCount();
      item.dwEndTick = 0;
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
