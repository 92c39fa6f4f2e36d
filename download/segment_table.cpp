#include "download/segment_table.h"

#include <curl/curl.h>

#include "download/transfer_plan.h"
#include "platform/clock.h"

using base::MutexLock;

namespace download {

namespace {

// A range request must be answered with its range (206); only a segment from byte 0,
// or one sent without a range, may take a whole-file answer (200). Anything else, an
// error page or a body from the wrong offset, is refused before a byte of it lands.
bool AnswersRange(const DownloadItem& item, std::uint32_t fileSize) {
  long code = 0;
  if (!item.hCurl || curl_easy_getinfo(static_cast<CURL*>(item.hCurl), CURLINFO_RESPONSE_CODE, &code) != CURLE_OK) {
    return false;
  }
  if (code == 206) return true;
  return code == 200 && (item.nStart == 0 || item.nEnd > fileSize);
}

// A fresh segment continuing `from` on `url`.
DownloadItem ContinuationOf(const DownloadItem& from, const char* url, std::uint32_t start) {
  DownloadItem next = from;
  next.pszUrl = url;
  next.hCurl = nullptr;
  next.nStart = next.nCurrent = start;
  next.nSpeed = 0;
  next.dwLastTick = next.dwStartTick = platform::GetTickCount();
  next.dwEndTick = 0;
  return next;
}

}  // namespace

SegmentTable::~SegmentTable() {
  MutexLock lock(mutex_);
  for (auto& [id, item] : items_) {
    if (item.hCurl) curl_easy_cleanup(static_cast<CURL*>(item.hCurl));
  }
}

DownloadItemMap SegmentTable::Snapshot() const {
  MutexLock lock(mutex_);
  return items_;
}

void SegmentTable::Clear() {
  MutexLock lock(mutex_);
  items_.clear();
}

int SegmentTable::Insert(DownloadItem item) {
  MutexLock lock(mutex_);
  return InsertLocked(item);
}

int SegmentTable::InsertLocked(DownloadItem item) {
  const int id = static_cast<int>(items_.size());
  item.nId = id;
  items_[id] = item;
  return id;
}

int SegmentTable::InsertSegment(DownloadItem item) {
  MutexLock lock(mutex_);
  return InsertSegmentLocked(item);
}

int SegmentTable::InsertSegmentLocked(DownloadItem item) {
  item.hCurl = nullptr;
  item.nResult = 0;
  item.nStatus = E_Status_Runing;
  item.nSpeed = 0;
  item.nWindowBytes = 0;
  item.dwWindowTick = item.dwStartTick;
  const int id = InsertLocked(item);
  setup_(items_[id]);
  return id;
}

bool SegmentTable::PrepareStart(int id, std::FILE* file, void* owner) {
  MutexLock lock(mutex_);
  auto it = items_.find(id);
  if (it == items_.end()) return false;
  DownloadItem& item = it->second;
  if (!item.hCurl) setup_(item);
  item.nResult = 0;
  item.pFile = file;
  item.pOwner = owner;
  return true;
}

void SegmentTable::StartFailed(int id) {
  MutexLock lock(mutex_);
  DownloadItem& item = items_[id];
  if (item.hCurl) curl_easy_cleanup(static_cast<CURL*>(item.hCurl));
  item.hCurl = nullptr;
  item.nStatus = E_Status_Fail;
}

void SegmentTable::SetThread(int id, std::uint32_t thread) {
  MutexLock lock(mutex_);
  items_[id].hThread = thread;
}

std::optional<void*> SegmentTable::CheckOut(int id) {
  MutexLock lock(mutex_);
  auto it = items_.find(id);
  if (it == items_.end()) return std::nullopt;
  if (it->second.hCurl) it->second.nStatus = E_Status_Runing;
  return it->second.hCurl;
}

int SegmentTable::Complete(int id, int result, std::uint32_t now) {
  MutexLock lock(mutex_);
  DownloadItem& item = items_[id];
  item.nResult = result;
  item.dwEndTick = now;
  const bool complete = item.nCurrent > item.nEnd;
  if (item.nStatus == E_Status_Runing) {
    if (complete) {
      // Done, whether the transfer returned cleanly or was stopped by the writer at
      // an end the dispatcher lowered: either way nothing is left to fetch.
      item.nStatus = result == CURLE_OK ? E_Status_Succeed : E_Status_StopByDispatch;
    } else {
      // A body shorter than the range, even one the server calls complete, leaves
      // the rest to fetch.
      item.nStatus = E_Status_Fail;
    }
  }
  item.hCurl = nullptr;
  return item.nStatus;
}

SegmentTable::ChunkClaim SegmentTable::Claim(int id, std::size_t n, std::uint32_t now, std::uint32_t fileSize) {
  MutexLock lock(mutex_);
  ChunkClaim claim;
  auto it = items_.find(id);
  if (it == items_.end()) {
    claim.passedEnd = true;
    return claim;
  }
  DownloadItem& item = it->second;
  claim.offset = item.nCurrent;
  // A segment the dispatcher has handed over takes nothing more: its successor starts
  // at this offset, and no byte may have two writers at once.
  claim.bytes = item.nStatus == E_Status_StopByDispatch ? 0 : ChunkBytesToTake(item.nCurrent, item.nEnd, n);
  if (claim.offset == item.nStart && claim.bytes > 0 && !AnswersRange(item, fileSize)) {
    claim.refused = true;
    claim.bytes = 0;
    return claim;
  }
  item.nCurrent += claim.bytes;
  RecordChunk(item, claim.bytes, now);
  claim.passedEnd = static_cast<std::uint64_t>(item.nCurrent) > static_cast<std::uint64_t>(item.nEnd) + 1;
  return claim;
}

int SegmentTable::FirstPending() const {
  MutexLock lock(mutex_);
  for (const auto& [id, item] : items_) {
    if (item.hCurl || (item.nStatus == E_Status_Fail && item.nCurrent <= item.nEnd)) return id;
  }
  return -1;
}

const DownloadItem* SegmentTable::Address(int id) const {
  MutexLock lock(mutex_);
  auto it = items_.find(id);
  return it == items_.end() ? nullptr : &it->second;
}

std::optional<SegmentTable::Handover> SegmentTable::Dispatch(int id, const Decide& decide) {
  MutexLock lock(mutex_);
  auto it = items_.find(id);
  if (it == items_.end()) return std::nullopt;
  Handover handover;
  handover.decision = decide(items_, it->second);
  handover.newId = ApplyLocked(it->second, handover.decision);
  handover.item = it->second;
  return handover;
}

// Returns the id of the segment to start, or -1.
int SegmentTable::ApplyLocked(DownloadItem& item, const DispatchDecision& decision) {
  switch (decision.action) {
    case DispatchAction::MarkComplete: item.nStatus = E_Status_StopByDispatch; return -1;
    case DispatchAction::Resume:
      item.nStatus = E_Status_Replaced;
      return InsertSegmentLocked(ContinuationOf(item, decision.url, item.nCurrent));
    case DispatchAction::MoveStalled: {
      const DownloadItem copy = ContinuationOf(item, decision.url, item.nCurrent);
      item.nEnd = item.nCurrent;
      item.nStatus = E_Status_StopByDispatch;
      return InsertSegmentLocked(copy);
    }
    case DispatchAction::Split: {
      DownloadItem& split = items_.at(decision.splitItemId);
      const DownloadItem copy = ContinuationOf(split, decision.url, decision.splitStart);
      // The two ranges meet without overlap: each byte has one owner.
      split.nEnd = decision.splitStart - 1;
      return InsertSegmentLocked(copy);
    }
    case DispatchAction::None:
    case DispatchAction::Wait:
    case DispatchAction::GiveUp: return -1;
  }
  return -1;
}

}  // namespace download
