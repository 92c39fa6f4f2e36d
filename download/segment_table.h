// The items of a download (its segments, and the manifest transfer) and the lock over
// them. Every change of an item happens here, in one hold of the lock: a segment is
// checked out to its thread, claims the bytes of each chunk before copying them, is
// completed when its transfer ends, and is moved or split by the dispatcher. No log
// line, callback or transfer runs under the lock, so a snapshot never waits long.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <optional>

#include "base/thread_annotations.h"
#include "download/dispatch_plan.h"
#include "download/downloader.h"

namespace download {

class SegmentTable {
 public:
  // Sets up the transfer of a segment: runs under the lock, when the segment enters the
  // table and when one without a handle is about to start.
  using TransferSetup = std::function<void(DownloadItem& item)>;

  explicit SegmentTable(TransferSetup setup) : setup_(std::move(setup)) {}
  // Only the last owner of the engine gets here: no transfer still runs.
  ~SegmentTable();
  SegmentTable(const SegmentTable&) = delete;
  SegmentTable& operator=(const SegmentTable&) = delete;

  DownloadItemMap Snapshot() const EXCLUDES(mutex_);
  void Clear() EXCLUDES(mutex_);

  // Adds `item` under the next id, as it is; returns the id.
  int Insert(DownloadItem item) EXCLUDES(mutex_);
  // Adds a segment that has yet to run, with its transfer set up; returns its id. The
  // handle is made as it enters, so that a completion check never mistakes a segment
  // about to start for the end of all transfers.
  int InsertSegment(DownloadItem item) EXCLUDES(mutex_);

  // Before segment `id`'s thread starts: a transfer set up, writing to `file`. False
  // when there is no such item.
  bool PrepareStart(int id, std::FILE* file, void* owner) EXCLUDES(mutex_);
  // No thread could run it: the segment counts as failed, so that the dispatcher moves it.
  void StartFailed(int id) EXCLUDES(mutex_);
  void SetThread(int id, std::uint32_t thread) EXCLUDES(mutex_);

  // The transfer handle of segment `id`, which now counts as running (null when it has
  // none); nullopt when there is no such item.
  std::optional<void*> CheckOut(int id) EXCLUDES(mutex_);
  // Segment `id`'s transfer ended with `result`: its status follows from what it
  // fetched, and it lets go of the handle, which the caller releases. Returns the status.
  int Complete(int id, int result, std::uint32_t now) EXCLUDES(mutex_);

  struct ChunkClaim {
    bool refused = false;      // the answer is not the one the segment asked for
    std::uint32_t offset = 0;  // file offset of the chunk's first byte
    std::uint32_t bytes = 0;   // bytes of the chunk that are the segment's to write
    bool passedEnd = false;    // the chunk ran past the segment's end: stop its transfer
  };
  // Claims the bytes of an n-byte chunk that segment `id` takes, before they are
  // copied, so that a split or a move during the copy starts after them.
  ChunkClaim Claim(int id, std::size_t n, std::uint32_t now, std::uint32_t fileSize) EXCLUDES(mutex_);

  // The id of the first item whose transfer has not ended for good (a handle, or a
  // failure the dispatcher has still to hand over); -1 when none.
  int FirstPending() const EXCLUDES(mutex_);
  // Where item `id` lives for as long as the table does; null when there is none.
  const DownloadItem* Address(int id) const EXCLUDES(mutex_);

  struct Handover {
    DispatchDecision decision;
    DownloadItem item;  // the item decided for, as the decision left it
    int newId = -1;     // the segment that takes over, still to start; -1 when none
  };
  using Decide = std::function<DispatchDecision(const DownloadItemMap& items, const DownloadItem& item)>;
  // Decides for item `id` and carries the decision out in one hold of the lock, so that
  // no chunk lands between the two. Nullopt when there is no such item.
  std::optional<Handover> Dispatch(int id, const Decide& decide) EXCLUDES(mutex_);

  // Runs `look` on the items under the lock; what it returns is returned.
  template <typename Look>
  auto Inspect(Look&& look) const EXCLUDES(mutex_) {
    base::MutexLock lock(mutex_);
    return look(static_cast<const DownloadItemMap&>(items_));
  }
  // Runs `change` on item `id` (made when missing) under the lock.
  template <typename Change>
  auto Update(int id, Change&& change) EXCLUDES(mutex_) {
    base::MutexLock lock(mutex_);
    return change(items_[id]);
  }

 private:
  int InsertLocked(DownloadItem item) REQUIRES(mutex_);
  int InsertSegmentLocked(DownloadItem item) REQUIRES(mutex_);
  int ApplyLocked(DownloadItem& item, const DispatchDecision& decision) REQUIRES(mutex_);

  const TransferSetup setup_;
  mutable base::Mutex mutex_;
  DownloadItemMap items_ GUARDED_BY(mutex_);
};

}  // namespace download
