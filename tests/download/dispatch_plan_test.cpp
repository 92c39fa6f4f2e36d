#include "download/dispatch_plan.h"

#include <gtest/gtest.h>

#include "download/repair_ledger.h"
#include "download/transfer_plan.h"

using namespace download;

namespace {

const char* const kA = "http://a/download/f";
const char* const kB = "http://b/download/f";
const char* const kCdn = "http://cdn/download/f";
void* const kBusy = reinterpret_cast<void*>(1);

DownloadItem Item(int id, const char* url, int status, std::uint32_t start, std::uint32_t end, int speed = 100) {
  DownloadItem item;
  item.nId = id;
  item.pszUrl = url;
  item.nStatus = status;
  item.nStart = item.nCurrent = start;
  item.nEnd = end;
  item.nSpeed = speed;
  if (status == E_Status_Runing) item.hCurl = kBusy;
  return item;
}

DispatchContext Context(std::size_t mirrors, const char* cdn = nullptr) {
  DispatchContext context;
  context.mirrorCount = mirrors;
  context.threadCount = 4;
  context.cdnUrl = cdn;
  context.now = 100000;
  return context;
}

TEST(ReplacementUrl, FastestOtherThenOwnWithOneMirrorThenCdn) {
  const std::set<std::string> none;
  struct Case {
    const char* best;
    std::size_t mirrors;
    const char* cdn;
    std::set<std::string> worn;
    const char* expected;
  } cases[] = {
      {kB, 2, kCdn, none, kB},
      {nullptr, 1, nullptr, none, kA},
      {nullptr, 2, kCdn, none, kCdn},
      {nullptr, 2, kA, none, nullptr},  // the CDN is the failing URL itself
      {nullptr, 2, nullptr, none, nullptr},
      {kB, 2, kCdn, {kB}, kCdn},  // worn mirrors get no more work
      {nullptr, 1, nullptr, {kA}, nullptr},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ChooseReplacementUrl(c.best, kA, c.mirrors, c.cdn, c.worn), c.expected)
        << (c.best ? c.best : "no best") << " mirrors " << c.mirrors;
  }
}

TEST(DispatchDecision, FailedItemsResumeOrCompleteOrWaitOrGiveUp) {
  DownloadItemMap items;
  items[0] = Item(0, kA, E_Status_Fail, 0, 999);
  items[1] = Item(1, kB, E_Status_Succeed, 1000, 1999);
  items[1].nCurrent = 2000;
  EXPECT_EQ(DecideForItem(items, items[0], Context(2)).action, DispatchAction::Resume);
  EXPECT_EQ(DecideForItem(items, items[0], Context(2)).url, kB);

  items[0].nCurrent = 1000;
  EXPECT_EQ(DecideForItem(items, items[0], Context(2)).action, DispatchAction::MarkComplete);

  items[0].nCurrent = 10;
  items[1].nSpeed = 0;  // nobody has shown a speed
  EXPECT_EQ(DecideForItem(items, items[0], Context(2)).action, DispatchAction::GiveUp);
  EXPECT_EQ(DecideForItem(items, items[0], Context(2, kCdn)).url, kCdn);
  EXPECT_EQ(DecideForItem(items, items[0], Context(1)).url, kA) << "one mirror: the same URL again";

  items[2] = Item(2, kB, E_Status_Runing, 2000, 2999, 0);
  EXPECT_EQ(DecideForItem(items, items[0], Context(2)).action, DispatchAction::Wait) << "another mirror still delivers";
}

TEST(DispatchDecision, StalledAndTricklingItemsMoveWithoutTheCdn) {
  DownloadItemMap items;
  items[0] = Item(0, kA, E_Status_Runing, 0, 999);
  items[1] = Item(1, kB, E_Status_Succeed, 1000, 1999);
  DispatchContext context = Context(2, kCdn);
  items[0].dwLastTick = context.now - kStallTimeoutMs + 1;
  EXPECT_EQ(DecideForItem(items, items[0], context).action, DispatchAction::None);
  context.tricklingIds = {0};
  EXPECT_EQ(DecideForItem(items, items[0], context).action, DispatchAction::MoveStalled);
  context.tricklingIds.clear();
  items[0].dwLastTick = context.now - kStallTimeoutMs;
  EXPECT_EQ(DecideForItem(items, items[0], context).url, kB);
  items[1].nSpeed = 0;
  EXPECT_EQ(DecideForItem(items, items[0], context).action, DispatchAction::GiveUp);
}

TEST(DispatchDecision, SplitLeavesNoByteToTwoOwners) {
  DownloadItemMap items;
  items[0] = Item(0, kA, E_Status_Succeed, 0, 99);
  items[0].nCurrent = 100;
  items[1] = Item(1, kB, E_Status_Runing, 100, 1000100);
  const DispatchDecision decision = DecideForItem(items, items[0], Context(2));
  ASSERT_EQ(decision.action, DispatchAction::Split);
  EXPECT_EQ(decision.splitItemId, 1);
  EXPECT_EQ(decision.splitStart, 500100u) << "the new segment starts 500000 bytes further on";
  EXPECT_EQ(decision.url, kA) << "the fastest other mirror";

  // A slow owner keeps only what it can fetch while the fastest mirror takes the rest.
  items[0].nSpeed = 600;
  const DispatchDecision byRates = DecideForItem(items, items[0], Context(2));
  ASSERT_EQ(byRates.action, DispatchAction::Split);
  EXPECT_EQ(byRates.splitStart, 100u + 1000000u / 7) << "100 bytes/s against 600";
  items[0].nSpeed = 100;

  // One mirror: the split continues on the URL every segment shares.
  items[0].pszUrl = kB;
  EXPECT_EQ(DecideForItem(items, items[0], Context(1)).url, kB);
  // No other mirror delivers: the segment keeps its range, the download goes on.
  items[0].nSpeed = 0;
  EXPECT_EQ(DecideForItem(items, items[0], Context(2)).action, DispatchAction::None);
}

TEST(TrickleWatch, AverageBelowTheMinimumOverAWholeWindow) {
  TrickleWatch watch;
  DownloadItemMap items;
  items[0] = Item(0, kA, E_Status_Runing, 0, 1000000);
  items[1] = Item(1, kB, E_Status_Runing, 0, 1000000);
  EXPECT_TRUE(watch.Update(items, 1000).empty());
  items[0].nCurrent = kMinAverageBytesPerSecond * kTrickleWindowMs / 1000 - 1;
  items[1].nCurrent = kMinAverageBytesPerSecond * kTrickleWindowMs / 1000;
  EXPECT_TRUE(watch.Update(items, 1000 + kTrickleWindowMs - 1).empty()) << "the window is not over";
  EXPECT_EQ(watch.Update(items, 1000 + kTrickleWindowMs), std::set<int>{0});
}

TEST(MirrorStrikes, FailuresThatDeliveredLittleWearAMirrorOut) {
  MirrorStrikes strikes;
  DownloadItem useful = Item(0, kA, E_Status_Fail, 0, 999999);
  useful.nCurrent = kUsefulTransferBytes;
  DownloadItem idle = Item(1, kA, E_Status_Fail, 0, 999999);
  for (int i = 0; i < kMaxMirrorStrikes + 2; ++i) strikes.Record(useful);
  EXPECT_TRUE(strikes.Worn().empty());
  for (int i = 0; i < kMaxMirrorStrikes - 1; ++i) strikes.Record(idle);
  EXPECT_TRUE(strikes.Worn().empty());
  strikes.Record(idle);
  EXPECT_EQ(strikes.Worn(), std::set<std::string>{kA});
}

TEST(RepairLedger, EachMirrorGetsItsAttemptsThenNone) {
  RepairLedger ledger;
  const std::vector<const char*> mirrors = {kA, kB};
  std::vector<std::string> chosen;
  while (const char* url = ledger.Choose(0, kB, kA, mirrors)) {
    chosen.push_back(url);
    ledger.Record(0, url);
    ASSERT_LE(chosen.size(), 10u);
  }
  const std::vector<std::string> expected = {kB, kB, kA, kA};
  EXPECT_EQ(chosen, expected) << "the preferred mirror, then the one that delivered the block last";
  EXPECT_EQ(ledger.Choose(1048576, kB, kA, mirrors), kB) << "blocks are counted apart";
  EXPECT_EQ(ledger.Choose(0, nullptr, nullptr, {}), nullptr);
  EXPECT_EQ(ledger.Tried(0), std::string(kA) + " (2), " + kB + " (2)");
}

}  // namespace
