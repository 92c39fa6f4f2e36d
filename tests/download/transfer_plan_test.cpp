#include "download/transfer_plan.h"

#include <cstring>

#include <gtest/gtest.h>

using namespace download;

namespace {

TEST(SegmentPlan, ThousandBytesOverTwoMirrorsTakeTurns) {
  const auto plan = PlanSegments(1000, 2, 0);
  ASSERT_EQ(plan.size(), 4u);
  const std::uint32_t starts[] = {0, 250, 500, 750};
  for (std::size_t i = 0; i < plan.size(); ++i) {
    EXPECT_EQ(plan[i].nStart, starts[i]);
    EXPECT_EQ(plan[i].nEnd, starts[i] + 249);
    EXPECT_EQ(plan[i].mirrorIndex, i % 2);
  }
}

TEST(SegmentPlan, LastSegmentTakesRemainderAndSmallFilesGetFewerSegments) {
  const auto plan = PlanSegments(1003, 2, 2);
  ASSERT_EQ(plan.size(), 4u);
  EXPECT_EQ(plan[2].nEnd, 749u);
  EXPECT_EQ(plan[3].nStart, 750u);
  EXPECT_EQ(plan[3].nEnd, 1002u);

  const auto tiny = PlanSegments(3, 5, 2);
  ASSERT_EQ(tiny.size(), 3u);
  for (std::uint32_t i = 0; i < 3; ++i) {
    EXPECT_EQ(tiny[i].nStart, i);
    EXPECT_EQ(tiny[i].nEnd, i);
  }
  EXPECT_TRUE(PlanSegments(0, 2, 2).empty());
  EXPECT_TRUE(PlanSegments(100, 0, 2).empty());

  EXPECT_EQ(PlanSegments(1000, 1, 5).size(), 5u);
  EXPECT_EQ(PlanSegments(1000, 1, 11).size(), 2u) << "out-of-range segments per mirror mean 2";
  EXPECT_EQ(PlanSegments(1000, 5, -1).size(), 10u);
}

TEST(ChunkRule, OverlongChunkIsCutAtSegmentEnd) {
  EXPECT_EQ(ChunkBytesToTake(0, 249, 16384), 250u);
  EXPECT_EQ(ChunkBytesToTake(200, 249, 16384), 50u);
  EXPECT_EQ(ChunkBytesToTake(0, 249, 100), 100u);
  EXPECT_EQ(ChunkBytesToTake(250, 249, 100), 0u) << "a finished segment takes nothing";
  EXPECT_EQ(ChunkBytesToTake(900, 249, 100), 0u) << "an end lowered below the position takes nothing";
  EXPECT_EQ(ChunkBytesToTake(0xFFFFFFF0u, 0xFFFFFFFFu, 100), 16u);
}

TEST(SplitRule, HalvesRemaindersFrom512000Bytes) {
  EXPECT_EQ(SplitShare(1000000), std::optional<std::uint32_t>(500000));
  EXPECT_EQ(SplitShare(512000), std::optional<std::uint32_t>(256000));
  EXPECT_EQ(SplitShare(511999), std::nullopt);
  EXPECT_EQ(SplitShare(0), std::nullopt);
  // By measured speeds, so that owner and taker end together; halves while unmeasured.
  EXPECT_EQ(SplitShare(700000, 1, 6), std::optional<std::uint32_t>(100000)) << "a slow owner keeps a seventh";
  EXPECT_EQ(SplitShare(700000, 6, 1), std::optional<std::uint32_t>(600000));
  EXPECT_EQ(SplitShare(700000, 0, 6), std::optional<std::uint32_t>(350000));
  EXPECT_EQ(SplitShare(700000, 6, 0), std::optional<std::uint32_t>(350000));
  EXPECT_EQ(SplitShare(511999, 1, 6), std::nullopt);
  EXPECT_EQ(SplitShare(4294967295u, 1, 2147483647), std::optional<std::uint32_t>(1))
      << "no overflow, owner keeps a byte";
  EXPECT_EQ(SplitShare(4294967295u, 2147483647, 1), std::optional<std::uint32_t>(4294967293u))
      << "the taker gets a range";
}

TEST(SpeedMeter, FirstEstimateThenHalfSecondWindows) {
  DownloadItem item;
  item.dwStartTick = item.dwWindowTick = item.dwLastTick = 1000;
  RecordChunk(item, 16384, 1000);
  EXPECT_EQ(item.nSpeed, 0) << "no time has passed yet";
  RecordChunk(item, 16384, 1010);
  EXPECT_EQ(item.nSpeed, 32768 * 100) << "a first estimate from the start";
  RecordChunk(item, 16384, 1011);
  EXPECT_EQ(item.nSpeed, 32768 * 100) << "a burst inside the window changes nothing";
  EXPECT_EQ(item.dwLastTick, 1011u);
  RecordChunk(item, 1000, 1500);
  EXPECT_EQ(item.nSpeed, 50152 * 1000 / 500);
  RecordChunk(item, 500000, 1502);
  EXPECT_EQ(item.nSpeed, 50152 * 1000 / 500) << "the next window has only just begun";
  RecordChunk(item, 0, 2002);
  EXPECT_EQ(item.nSpeed, 500000 * 1000 / 502);

  DownloadItem wrapped;
  wrapped.dwWindowTick = 0xFFFFFF00u;
  RecordChunk(wrapped, 1000, 0x100);
  EXPECT_EQ(wrapped.nSpeed, 1000 * 1000 / 0x200) << "the tick count may wrap";
}

TEST(BlockPlan, TwoMebibytesWithTwoDigests) {
  const auto plan = PlanBlockChecks(2 * kHashBlockSize, 2);
  ASSERT_EQ(plan.size(), 2u);
  EXPECT_EQ(plan[0].offset, 0u);
  EXPECT_EQ(plan[0].length, kHashBlockSize);
  EXPECT_EQ(plan[0].digestIndex, 0u);
  EXPECT_EQ(plan[1].offset, kHashBlockSize);
  EXPECT_EQ(plan[1].length, kHashBlockSize);
  EXPECT_EQ(plan[1].digestIndex, 1u);
}

TEST(BlockPlan, LastShortBlockOfTheShippedPackage) {
  const std::uint32_t size = 136629912;
  const auto plan = PlanBlockChecks(size, 131);
  ASSERT_EQ(plan.size(), 131u);
  EXPECT_EQ(plan.back().offset, 136314880u);
  EXPECT_EQ(plan.back().offset + plan.back().length - 1, 136629911u);
  EXPECT_EQ(plan.back().digestIndex, 130u);
}

TEST(BlockPlan, DigestListShorterOrLongerThanTheBlocks) {
  EXPECT_TRUE(PlanBlockChecks(5 * kHashBlockSize, 0).empty());
  const auto shorter = PlanBlockChecks(5 * kHashBlockSize, 2);
  ASSERT_EQ(shorter.size(), 2u) << "blocks beyond the list are not compared";
  EXPECT_EQ(shorter[1].offset, kHashBlockSize);
  EXPECT_EQ(shorter[1].length, kHashBlockSize);
  const auto longer = PlanBlockChecks(kHashBlockSize + 10, 7);
  ASSERT_EQ(longer.size(), 2u);
  EXPECT_EQ(longer[1].length, 10u);
  const auto single = PlanBlockChecks(kHashBlockSize, 1);
  ASSERT_EQ(single.size(), 1u);
  EXPECT_EQ(single[0].length, kHashBlockSize);
}

// The bytes no digest covers are cut like a first download of them, at their offset.
TEST(BlockPlan, RefetchOfUndigestedBytesIsSpreadOverTheMirrors) {
  const auto tail = UndigestedTail(3 * kHashBlockSize + 7, 2);
  ASSERT_TRUE(tail);
  const auto plan = PlanRefetch(*tail, 3, 2);
  ASSERT_EQ(plan.size(), 6u);
  EXPECT_EQ(plan.front().nStart, 2 * kHashBlockSize);
  EXPECT_EQ(plan.back().nEnd, 3 * kHashBlockSize + 6);
  for (std::size_t i = 0; i < plan.size(); ++i) {
    EXPECT_EQ(plan[i].mirrorIndex, i % 3);
    if (i > 0) {
      EXPECT_EQ(plan[i].nStart, plan[i - 1].nEnd + 1) << "ranges meet without gap or overlap";
    }
  }
  EXPECT_TRUE(PlanRefetch(*tail, 0, 2).empty());
}

UrlCfg Mirror(const char* url, std::uint32_t echo, bool notFull = true) {
  UrlCfg cfg;
  std::strcpy(cfg.szUrl, url);
  cfg.bValid = 1;
  cfg.nPingTime = echo;
  cfg.bNetworkNotFull = notFull ? 1 : 0;
  return cfg;
}

std::vector<std::string> Urls(const RankedMirrors& ranked) {
  std::vector<std::string> urls;
  for (const auto& m : ranked.mirrors) urls.push_back(m.szUrl);
  return urls;
}

TEST(MirrorRanking, EchoTimesOrderAndCutToFive) {
  const std::vector<UrlCfg> six = {Mirror("m1", 40), Mirror("m2", 10), Mirror("m3", 30),
                                   Mirror("m4", 10), Mirror("m5", 50), Mirror("m6", 20)};
  const UrlCfg cdn = Mirror("cdn", 0);
  const auto ranked = RankMirrors(six, &cdn);
  EXPECT_EQ(Urls(ranked), (std::vector<std::string>{"m2", "m4", "m6", "m3", "m1"}));
  EXPECT_EQ(ranked.cdn, CdnUse::NotNeeded);
}

TEST(MirrorRanking, CdnJoinsTwoOrFewerAndServesAlone) {
  const UrlCfg cdn = Mirror("cdn", 0);
  auto ranked = RankMirrors({Mirror("m1", 5), Mirror("m2", 3, false), Mirror("m3", 1)}, &cdn);
  EXPECT_EQ(Urls(ranked), (std::vector<std::string>{"m3", "m1", "cdn"}));
  EXPECT_EQ(ranked.cdn, CdnUse::Added);

  ranked = RankMirrors({Mirror("m1", 5, false)}, &cdn);
  EXPECT_EQ(Urls(ranked), (std::vector<std::string>{"cdn"}));
  EXPECT_EQ(ranked.cdn, CdnUse::Alone);

  ranked = RankMirrors({}, nullptr);
  EXPECT_TRUE(ranked.mirrors.empty());
  EXPECT_EQ(ranked.cdn, CdnUse::Missing);

  ranked = RankMirrors({Mirror("m1", 5)}, nullptr);
  EXPECT_EQ(Urls(ranked), (std::vector<std::string>{"m1"}));
  EXPECT_EQ(ranked.cdn, CdnUse::NotAvailable);
}

DownloadItem Item(int id, const char* url, int speed, int status, std::uint32_t start = 0, std::uint32_t end = 0) {
  DownloadItem item;
  item.nId = id;
  item.pszUrl = url;
  item.nSpeed = speed;
  item.nStatus = status;
  item.nStart = item.nCurrent = start;
  item.nEnd = end;
  return item;
}

TEST(BestUrl, FastestQualifyingItemLowerIdOnTies) {
  const char* a = "http://a/download/f";
  const char* b = "http://b/download/f";
  DownloadItemMap items;
  items[0] = Item(0, a, 500, E_Status_Runing);
  items[1] = Item(1, b, 500, E_Status_Succeed);
  EXPECT_EQ(ChooseBestUrl(items, nullptr), a);
  EXPECT_EQ(ChooseBestUrl(items, a), b);

  items[2] = Item(2, b, 9000, E_Status_Fail);
  items[3] = Item(3, b, 9000, E_Status_Replaced);
  EXPECT_EQ(ChooseBestUrl(items, nullptr), a) << "failed and replaced items do not count";

  DownloadItemMap idle;
  idle[0] = Item(0, a, 0, E_Status_Runing);
  idle[1] = Item(1, b, 0, E_Status_StopByDispatch);
  EXPECT_EQ(ChooseBestUrl(idle, nullptr), nullptr);

  std::string copyOfA = a;
  EXPECT_EQ(ChooseBestUrl(items, copyOfA.c_str()), b) << "exclusion compares the text";
}

TEST(RepairTemplate, FirstCoveringItemOrNone) {
  DownloadItemMap items;
  items[0] = Item(0, "a", 0, E_Status_Succeed, 0, 499);
  items[1] = Item(1, "b", 0, E_Status_Succeed, 500, 2000);
  items[2] = Item(2, "c", 0, E_Status_Succeed, 0, 2000);
  EXPECT_EQ(FindRepairTemplate(items, 600, 900)->nId, 1);
  EXPECT_EQ(FindRepairTemplate(items, 400, 900)->nId, 2);
  EXPECT_EQ(FindRepairTemplate(items, 400, 3000), nullptr);
}

TEST(SplitTarget, LargestRemainingRunningItem) {
  DownloadItemMap items;
  items[0] = Item(0, "a", 0, E_Status_Succeed, 0, 5000000);
  items[1] = Item(1, "b", 0, E_Status_Runing, 100, 1000100);
  items[2] = Item(2, "c", 0, E_Status_Runing, 0, 1000000);
  items[3] = Item(3, "d", 0, E_Status_Runing, 0, 10);
  EXPECT_EQ(FindLargestRunning(items)->nId, 1);
  items[1].bRepair = true;
  EXPECT_EQ(FindLargestRunning(items)->nId, 2) << "a repair keeps its mirror";
  items.erase(1);
  items.erase(2);
  items.erase(3);
  EXPECT_EQ(FindLargestRunning(items), nullptr);
}

TEST(SplitTarget, HalfOfTheLargestRemainderWhileConnectionsAreFree) {
  DownloadItemMap items;
  items[0] = Item(0, "a", 0, E_Status_Succeed, 0, 99);
  items[1] = Item(1, "b", 0, E_Status_Runing, 0, 1000000);
  items[2] = Item(2, "c", 0, E_Status_Runing, 0, 511999);
  auto plan = PlanSplit(items, 4);
  ASSERT_TRUE(plan);
  EXPECT_EQ(plan->itemId, 1);
  EXPECT_EQ(plan->share, 500000u) << "the new segment starts 500000 bytes further on";
  EXPECT_FALSE(PlanSplit(items, 2)) << "every connection is busy";

  items.erase(1);
  EXPECT_FALSE(PlanSplit(items, 4)) << "511999 bytes are not split";

  items[2].nCurrent = items[2].nEnd + 1;  // done, its transfer not yet returned
  items[2].nEnd = 200;
  items[2].nCurrent = 201;
  EXPECT_FALSE(PlanSplit(items, 4));
}

}  // namespace
