// The dispatcher thread over a real segment table, with the engine played by a host
// whose transfers fail at once: what it starts, on which URL, and when it gives up.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <future>
#include <string>
#include <vector>

#include "download/segment_dispatcher.h"

using namespace download;

namespace {

constexpr char kMirrorA[] = "http://127.0.0.70/a";
constexpr char kMirrorB[] = "http://127.0.0.71/b";

class FailingHost : public SegmentDispatcher::Host {
 public:
  explicit FailingHost(SegmentTable& table) : table_(table) {}

  void StartSegment(int id) override {
    started.push_back(id);
    // The transfer fails before it delivered a byte, and the next pass looks at once.
    table_.Update(id, [](DownloadItem& item) { item.nStatus = E_Status_Fail; });
    dispatcher->RequestPass();
  }
  void UsingUrl(const char* url) override { urls.push_back(url); }
  void Pause(SchedulePoint) override {}
  void PassDone() override { ++passes; }
  void Ended() override { ended = true; }

  SegmentDispatcher* dispatcher = nullptr;
  std::vector<int> started;
  std::vector<std::string> urls;
  int passes = 0;
  bool ended = false;

 private:
  SegmentTable& table_;
};

DownloadItem Failed(const char* url, std::uint32_t start, std::uint32_t end) {
  DownloadItem item;
  item.pszUrl = url;
  item.nStart = item.nCurrent = start;
  item.nEnd = end;
  return item;
}

// Runs the dispatcher until it ends; false when it did not within `limit`.
bool RunToEnd(SegmentDispatcher& dispatcher, std::atomic<bool>& running, std::chrono::seconds limit) {
  dispatcher.RequestPass();
  auto done = std::async(std::launch::async, [&] { dispatcher.Run(); });
  if (done.wait_for(limit) == std::future_status::ready) return true;
  running = false;
  dispatcher.Wake();
  done.wait();
  return false;
}

TEST(SegmentDispatcher, MirrorThatKeepsFailingIsWornOutAndTheDownloadGivenUp) {
  SegmentTable table([](DownloadItem&) {});
  std::atomic<bool> running{true};
  FailingHost host(table);
  SegmentDispatcher dispatcher(table, running, host);
  host.dispatcher = &dispatcher;
  dispatcher.Configure(1, 2, nullptr);
  const int first = table.InsertSegment(Failed(kMirrorA, 0, 999));
  table.Update(first, [](DownloadItem& item) { item.nStatus = E_Status_Fail; });

  ASSERT_TRUE(RunToEnd(dispatcher, running, std::chrono::seconds(30))) << "the dispatcher never gave up";
  EXPECT_FALSE(running);
  EXPECT_TRUE(host.ended);
  ASSERT_EQ(host.started.size(), static_cast<std::size_t>(kMaxMirrorStrikes))
      << "its only mirror gets one attempt per strike, then none";
  const DownloadItemMap items = table.Snapshot();
  for (int id : host.started) {
    EXPECT_STREQ(items.at(id).pszUrl, kMirrorA);
    EXPECT_EQ(items.at(id).nStart, 0u);
    EXPECT_EQ(items.at(id).nEnd, 999u);
  }
  EXPECT_EQ(items.at(first).nStatus, E_Status_Replaced);
  EXPECT_EQ(host.urls, std::vector<std::string>(kMaxMirrorStrikes, kMirrorA));
}

TEST(SegmentDispatcher, FailedSegmentGoesToTheFastestOtherMirror) {
  SegmentTable table([](DownloadItem&) {});
  std::atomic<bool> running{true};
  FailingHost host(table);
  SegmentDispatcher dispatcher(table, running, host);
  host.dispatcher = &dispatcher;
  dispatcher.Configure(2, 2, nullptr);
  const int failed = table.InsertSegment(Failed(kMirrorA, 0, 999));
  const int done = table.InsertSegment(Failed(kMirrorB, 1000, 1999));
  table.Update(failed, [](DownloadItem& item) {
    item.nStatus = E_Status_Fail;
    item.nCurrent = 400;
  });
  table.Update(done, [](DownloadItem& item) {
    item.nStatus = E_Status_Succeed;
    item.nCurrent = 2000;
    item.nSpeed = 5000;
  });

  // Its successor fails too, and with no other mirror delivering the download ends.
  ASSERT_TRUE(RunToEnd(dispatcher, running, std::chrono::seconds(30)));
  ASSERT_FALSE(host.started.empty());
  const DownloadItemMap items = table.Snapshot();
  const DownloadItem& successor = items.at(host.started.front());
  EXPECT_STREQ(successor.pszUrl, kMirrorB) << "the mirror that delivered fastest takes over";
  EXPECT_EQ(successor.nStart, 400u) << "from where the failed segment stopped";
  EXPECT_EQ(successor.nEnd, 999u);
  EXPECT_EQ(host.urls.front(), kMirrorB);
  EXPECT_TRUE(host.ended);
}

}  // namespace
