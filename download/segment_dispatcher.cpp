#include "download/segment_dispatcher.h"

#include <chrono>

#include "base/install_log.h"
#include "platform/clock.h"

namespace download {

namespace {
constexpr std::uint32_t kDispatchIntervalMs = 2000;
constexpr std::uint32_t kRestartDelayMs = 20;
}  // namespace

void SegmentDispatcher::Configure(std::size_t mirrorCount, int threadCount, const char* cdnUrl) {
  mirrorCount_ = mirrorCount;
  threadCount_ = threadCount;
  cdnUrl_ = cdnUrl;
}

bool SegmentDispatcher::WaitForNextPass() {
  using Clock = std::chrono::steady_clock;
  const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kDispatchIntervalMs);
  base::MutexLock lock(wakeMutex_);
  while (running_ && !passRequested_) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) break;
    wake_.WaitFor(wakeMutex_, left);
  }
  passRequested_ = false;
  return running_;
}

void SegmentDispatcher::RequestPass() {
  base::MutexLock lock(wakeMutex_);
  passRequested_ = true;
  wake_.NotifyAll();
}

void SegmentDispatcher::Wake() {
  base::MutexLock lock(wakeMutex_);
  wake_.NotifyAll();
}

// One pass over the items that exist when it starts (items it makes wait for the next).
bool SegmentDispatcher::RunPass() {
  DispatchContext context;
  context.mirrorCount = mirrorCount_;
  context.threadCount = threadCount_;
  context.cdnUrl = cdnUrl_;
  std::size_t passSize = 0;
  context.tricklingIds = table_.Inspect([&](const DownloadItemMap& items) {
    passSize = items.size();
    return trickles_.Update(items, platform::GetTickCount());
  });
  for (int id = 0; id < static_cast<int>(passSize) && running_; ++id) {
    const auto handover = table_.Dispatch(id, [&](const DownloadItemMap& items, const DownloadItem& item) {
      context.now = platform::GetTickCount();
      context.wornUrls = strikes_.Worn();
      return DecideForItem(items, item, context);
    });
    if (!handover) continue;
    const DispatchDecision& decision = handover->decision;
    if (decision.action == DispatchAction::Resume || decision.action == DispatchAction::MoveStalled) {
      strikes_.Record(handover->item);
    }
    if (decision.url) host_.UsingUrl(decision.url);
    if (decision.action == DispatchAction::GiveUp) {
      base::WriteLog("Download_Dispatch : download error, ID(%d).\n", id);
      running_ = false;
      Wake();
      return false;
    }
    if (handover->newId < 0) continue;
    host_.Pause(SchedulePoint::Split);
    if (decision.action != DispatchAction::Split) platform::SleepMs(kRestartDelayMs);
    host_.StartSegment(handover->newId);
  }
  return true;
}

void SegmentDispatcher::Run() {
  base::WriteLog("Download_Dispatch Begining.\n");  // misspelt on purpose: log readers search for it
  while (running_) {
    if (!WaitForNextPass()) break;
    host_.Pause(SchedulePoint::DispatchPass);
    if (!RunPass()) break;
    host_.PassDone();
  }
  base::WriteLog("Download_Dispatch Endding.\n");  // misspelt on purpose: log readers search for it
  host_.Ended();
}

}  // namespace download
