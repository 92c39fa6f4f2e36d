// The dispatcher thread: every two seconds, or as soon as a segment has ended, a pass
// moves failed and stalled segments to another mirror and splits the largest
// remainder for a free connection. What to do with each item is decided in
// dispatch_plan; the segment table carries it out; the engine starts what it made.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "base/thread_annotations.h"
#include "download/dispatch_plan.h"
#include "download/schedule_hook.h"
#include "download/segment_table.h"

namespace download {

class SegmentDispatcher {
 public:
  // What the dispatcher needs of the engine it runs for.
  class Host {
   public:
    virtual ~Host() = default;
    // A segment the pass made, to start on a thread of its own.
    virtual void StartSegment(int id) = 0;
    // A segment is to fetch from `url` now.
    virtual void UsingUrl(const char* url) = 0;
    // A scheduling point, for tests that vary the order of the threads.
    virtual void Pause(SchedulePoint point) = 0;
    // After each pass: nothing may leave the engine waiting with no transfer that
    // could end it.
    virtual void PassDone() = 0;
    // The loop ended, the download finished or not.
    virtual void Ended() = 0;
  };

  // `running` is the engine's: the dispatcher ends when it is cleared, and clears it
  // when it gives up.
  SegmentDispatcher(SegmentTable& table, std::atomic<bool>& running, Host& host)
      : table_(table), running_(running), host_(host) {}

  // Fixed before the dispatcher runs: the mirrors ranked, the segments wanted, and the
  // CDN URL (null: none).
  void Configure(std::size_t mirrorCount, int threadCount, const char* cdnUrl);

  // The thread's body.
  void Run();
  // A segment ended: its remainder or its free connection is put to use at once.
  void RequestPass() EXCLUDES(wakeMutex_);
  // The engine stopped running: a waiting pass ends at once.
  void Wake() EXCLUDES(wakeMutex_);

 private:
  bool WaitForNextPass() EXCLUDES(wakeMutex_);
  // False when it gave up on the download.
  bool RunPass();

  SegmentTable& table_;
  std::atomic<bool>& running_;
  Host& host_;
  std::size_t mirrorCount_ = 0;
  int threadCount_ = 0;
  const char* cdnUrl_ = nullptr;

  // The dispatcher thread's own.
  TrickleWatch trickles_;
  MirrorStrikes strikes_;

  base::Mutex wakeMutex_;
  base::ConditionVariable wake_;
  bool passRequested_ GUARDED_BY(wakeMutex_) = false;  // a segment ended since the last pass
};

}  // namespace download
