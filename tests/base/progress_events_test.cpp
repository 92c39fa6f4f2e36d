#include "base/progress_events.h"

#include <gtest/gtest.h>

#include <vector>

using namespace base;

namespace {

// Every number a sender sends comes back as its kind; the other senders' numbers and
// numbers nobody sends come back as nothing, so that no receiver acts on them.
TEST(ProgressEventsTest, EachSenderDecodesItsOwnNumbersOnly) {
  for (const DownloadEvent kind :
       {kDownloadEventProgress, kDownloadEventFailed, kDownloadEventFinished, kDownloadEventSegmentEnded}) {
    EXPECT_EQ(DecodeEvent<DownloadEvent>(kind), kind);
  }
  for (const InstallEvent kind : {kInstallEventUnpackStart, kInstallEventUnpackDone, kInstallEventUnpackFailed,
                                  kInstallEventPermille, kInstallEventExtractPercent, kInstallEventExtractError}) {
    EXPECT_EQ(DecodeEvent<InstallEvent>(kind), kind);
  }
  for (const UninstallEvent kind :
       {kUninstallEventStart, kUninstallEventDone, kUninstallEventFailed, kUninstallEventProgress}) {
    EXPECT_EQ(DecodeEvent<UninstallEvent>(kind), kind);
  }
  for (const int foreign : {-1, 0, 1, 2, 6, 8, 100, 101}) {
    EXPECT_FALSE(DecodeEvent<DownloadEvent>(foreign)) << foreign;
  }
  for (const int foreign : {-1, 4, 5, 7, 99, 102}) {
    EXPECT_FALSE(DecodeEvent<InstallEvent>(foreign)) << foreign;
    EXPECT_FALSE(DecodeEvent<UninstallEvent>(foreign)) << foreign;
  }
  EXPECT_FALSE(DecodeEvent<UninstallEvent>(kInstallEventExtractPercent));
}

TEST(ProgressEventsTest, DecodingReceiverPassesKnownEventsWhole) {
  struct Received {
    InstallEvent event;
    unsigned code;
    long value;
  };
  std::vector<Received> received;
  const ProgressCallback callback = ReceiveDecoded<InstallEvent>([&](InstallEvent event, unsigned code, long value) {
    received.push_back({event, code, value});
    return 7;
  });

  EXPECT_EQ(callback(kInstallEventExtractPercent, 42u, -3L), 7);
  EXPECT_EQ(callback(kInstallEventUnpackFailed, 0xFFFFFFFFu, 1L << 40), 7);
  // Ignored, and answered as every receiver answers.
  EXPECT_EQ(callback(kDownloadEventSegmentEnded, 1u, 2L), 1);

  ASSERT_EQ(received.size(), 2u);
  EXPECT_EQ(received[0].event, kInstallEventExtractPercent);
  EXPECT_EQ(received[0].code, 42u);
  EXPECT_EQ(received[0].value, -3L);
  EXPECT_EQ(received[1].event, kInstallEventUnpackFailed);
  EXPECT_EQ(received[1].code, 0xFFFFFFFFu);
  EXPECT_EQ(received[1].value, 1L << 40);
}

}  // namespace
