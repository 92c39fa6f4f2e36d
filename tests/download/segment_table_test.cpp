// The segment table's changes of an item, each in one hold of its lock: what a chunk
// may claim, what status an ended transfer leaves, and how a hand-over or a split
// divides a range so that every byte keeps one owner.
#include <gtest/gtest.h>

#include "download/segment_table.h"

using namespace download;

namespace {

DownloadItem Range(std::uint32_t start, std::uint32_t end, const char* url = "http://127.0.0.70/a") {
  DownloadItem item;
  item.pszUrl = url;
  item.nStart = item.nCurrent = start;
  item.nEnd = end;
  return item;
}

// No transfer handles: the cases never reach a network.
SegmentTable EmptyTable(int& setups) {
  return SegmentTable([&setups](DownloadItem&) { ++setups; });
}

TEST(SegmentTable, SegmentsEnterWithIdsInOrderAndTheirTransferSetUp) {
  int setups = 0;
  SegmentTable table([&setups](DownloadItem&) { ++setups; });
  DownloadItem stale = Range(0, 99);
  stale.nStatus = E_Status_Fail;
  stale.nSpeed = 5;
  EXPECT_EQ(table.InsertSegment(stale), 0);
  EXPECT_EQ(table.Insert(Range(100, 199)), 1);
  EXPECT_EQ(setups, 1) << "a plain item is not set up for a transfer";
  const DownloadItemMap items = table.Snapshot();
  EXPECT_EQ(items.at(0).nStatus, E_Status_Runing);
  EXPECT_EQ(items.at(0).nSpeed, 0);
  EXPECT_EQ(items.at(1).nId, 1);
  EXPECT_TRUE(table.PrepareStart(1, nullptr, nullptr));
  EXPECT_EQ(setups, 2) << "an item without a handle gets one before it starts";
  EXPECT_FALSE(table.PrepareStart(7, nullptr, nullptr));
  EXPECT_FALSE(table.CheckOut(7).has_value());
}

TEST(SegmentTable, ChunkClaims) {
  int setups = 0;
  SegmentTable table([&setups](DownloadItem&) { ++setups; });
  const int id = table.InsertSegment(Range(1000, 1999));
  const SegmentTable::ChunkClaim first = table.Claim(id, 500, 1, 5000);
  EXPECT_TRUE(first.refused) << "no answer seen, so none that fits the range";
  EXPECT_EQ(table.Snapshot().at(id).nCurrent, 1000u) << "a refused chunk claims nothing";

  const int later = table.InsertSegment(Range(2000, 2999));
  table.Update(later, [](DownloadItem& item) { item.nCurrent = 2100; });
  const SegmentTable::ChunkClaim claim = table.Claim(later, 4096, 1, 5000);
  EXPECT_FALSE(claim.refused);
  EXPECT_EQ(claim.offset, 2100u);
  EXPECT_EQ(claim.bytes, 900u) << "no byte past the segment's end";
  EXPECT_FALSE(claim.passedEnd);
  EXPECT_EQ(table.Snapshot().at(later).nCurrent, 3000u);

  const int handedOver = table.InsertSegment(Range(3000, 3999));
  table.Update(handedOver, [](DownloadItem& item) {
    item.nCurrent = 3500;
    item.nStatus = E_Status_StopByDispatch;
  });
  EXPECT_EQ(table.Claim(handedOver, 100, 1, 5000).bytes, 0u) << "its successor owns the rest";
  EXPECT_EQ(table.Snapshot().at(handedOver).nCurrent, 3500u);

  EXPECT_TRUE(table.Claim(42, 100, 1, 5000).passedEnd) << "an unknown item stops its transfer";
}

TEST(SegmentTable, EndedTransfersAndWhatIsPending) {
  int setups = 0;
  SegmentTable table = EmptyTable(setups);
  const int whole = table.InsertSegment(Range(0, 99));
  const int lowered = table.InsertSegment(Range(100, 199));
  const int cut = table.InsertSegment(Range(200, 299));
  table.Update(whole, [](DownloadItem& item) { item.nCurrent = 100; });
  table.Update(lowered, [](DownloadItem& item) { item.nCurrent = 200; });
  table.Update(cut, [](DownloadItem& item) { item.nCurrent = 250; });
  table.Update(cut, [](DownloadItem& item) { item.hCurl = &item; });  // a transfer still on
  EXPECT_EQ(table.FirstPending(), cut);

  EXPECT_EQ(table.Complete(whole, 0, 5), E_Status_Succeed);
  EXPECT_EQ(table.Complete(lowered, 23, 5), E_Status_StopByDispatch) << "stopped by the writer with nothing left";
  EXPECT_EQ(table.Complete(cut, 0, 5), E_Status_Fail) << "a short body, even a clean one, leaves bytes to fetch";
  EXPECT_EQ(table.Snapshot().at(cut).hCurl, nullptr);
  EXPECT_EQ(table.Snapshot().at(cut).dwEndTick, 5u);
  EXPECT_EQ(table.FirstPending(), cut) << "a failure with a remainder waits for the dispatcher";

  table.Update(cut, [](DownloadItem& item) { item.nStatus = E_Status_Replaced; });
  EXPECT_EQ(table.FirstPending(), -1);
}

TEST(SegmentTable, HandOversAndSplitsKeepOneOwnerPerByte) {
  int setups = 0;
  SegmentTable table = EmptyTable(setups);
  const char* other = "http://127.0.0.70/b";
  const int failed = table.InsertSegment(Range(0, 999));
  const int stalled = table.InsertSegment(Range(1000, 1999));
  const int running = table.InsertSegment(Range(2000, 2999));
  table.Update(failed, [](DownloadItem& item) {
    item.nCurrent = 300;
    item.nStatus = E_Status_Fail;
  });
  table.Update(stalled, [](DownloadItem& item) { item.nCurrent = 1400; });
  table.Update(running, [](DownloadItem& item) { item.nCurrent = 2200; });

  auto decide = [](DispatchAction action, const char* url, int splitId = -1, std::uint32_t splitStart = 0) {
    return [=](const DownloadItemMap&, const DownloadItem&) {
      DispatchDecision decision;
      decision.action = action;
      decision.url = url;
      decision.splitItemId = splitId;
      decision.splitStart = splitStart;
      return decision;
    };
  };
  const auto resumed = table.Dispatch(failed, decide(DispatchAction::Resume, other));
  ASSERT_TRUE(resumed && resumed->newId >= 0);
  const auto moved = table.Dispatch(stalled, decide(DispatchAction::MoveStalled, other));
  ASSERT_TRUE(moved && moved->newId >= 0);
  EXPECT_EQ(moved->item.nEnd, 1400u) << "the stalled segment stops where it is";
  const auto split = table.Dispatch(resumed->newId, decide(DispatchAction::Split, other, running, 2600));
  ASSERT_TRUE(split && split->newId >= 0);
  EXPECT_FALSE(table.Dispatch(99, decide(DispatchAction::None, nullptr)).has_value());

  const DownloadItemMap items = table.Snapshot();
  EXPECT_EQ(items.at(failed).nStatus, E_Status_Replaced);
  const DownloadItem& successor = items.at(resumed->newId);
  EXPECT_EQ(successor.nStart, 300u);
  EXPECT_EQ(successor.nEnd, 999u);
  EXPECT_STREQ(successor.pszUrl, other);
  EXPECT_EQ(successor.nStatus, E_Status_Runing);
  EXPECT_EQ(items.at(stalled).nStatus, E_Status_StopByDispatch);
  EXPECT_EQ(items.at(moved->newId).nStart, 1400u);
  EXPECT_EQ(items.at(moved->newId).nEnd, 1999u);
  EXPECT_EQ(items.at(running).nEnd, 2599u);
  EXPECT_EQ(items.at(split->newId).nStart, 2600u);
  EXPECT_EQ(items.at(split->newId).nEnd, 2999u);
  EXPECT_EQ(setups, 6) << "every segment a hand-over or split made has its transfer set up";
}

}  // namespace
