// The producer and a painter sharing the two frame buffers across threads.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "setup/frame_producer.h"
#include "tests/ui/ui_test_support.h"
#include "ui/bm_data.h"

using namespace ui;
using namespace setup;

namespace uitest {
namespace {

class FrameProducerTest : public HeadlessTest {
 protected:
  void SetUp() override {
    HeadlessTest::SetUp();
    ASSERT_TRUE(plain.Load(132) && artwork.Load(185) && finished.Load(133));
  }
  std::shared_ptr<FrameProducer> Make() {
    FrameProducerInputs inputs;
    inputs.paintMode = [this] { return paintMode.load(); };
    inputs.installPermille = [this] { return permille.load(); };
    inputs.onIdleFrame = [this] {
      idleFrames.fetch_add(1);
      permille.store(0);
    };
    inputs.stopping = [this] { return stop.load(); };
    return std::make_shared<FrameProducer>(std::make_unique<ProgressFrames>(622, 405, plain, artwork, finished),
                                           std::move(inputs));
  }
  // Waits for the thread to end; a producer that keeps running fails.
  static bool Ends(const FrameProducer& producer) {
    for (int i = 0; i < 500 && producer.Running(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return !producer.Running();
  }
  BMData plain, artwork, finished;
  std::atomic<int> paintMode{1};
  std::atomic<int> permille{0};
  std::atomic<int> idleFrames{0};
  std::atomic<bool> stop{false};
};

TEST_F(FrameProducerTest, PainterReceivesWholeFramesWhileTheSequenceMovesOn) {
  auto producer = Make();
  producer->Start();
  producer->Start();  // a second start keeps the one thread
  std::vector<std::uint32_t> frame(622 * 405);
  int taken = 0;
  for (int i = 0; i < 400 && taken < 40; ++i) {
    if (producer->CopyReadyFrame(frame.data())) {
      ++taken;
      // Finished frames are one colour at the corner; ripple frames white there.
      const std::uint32_t corner = frame[0];
      EXPECT_TRUE(corner == 0xFFFFFFu || corner == gui::ColorToPixel(0x42237E)) << std::hex << corner;
      permille.store(std::min(1000, permille.load() + 25));
      if (taken == 30) paintMode.store(3);
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  }
  EXPECT_EQ(taken, 40);
  EXPECT_EQ(frame[0], gui::ColorToPixel(0x42237E));
  stop.store(true);
  EXPECT_TRUE(Ends(*producer));
}

TEST_F(FrameProducerTest, StopsWhileBothBuffersWaitForAPainterThatNeverComes) {
  auto producer = Make();
  producer->Start();
  std::this_thread::sleep_for(std::chrono::milliseconds(200));  // both buffers fill, then it waits
  stop.store(true);
  EXPECT_TRUE(Ends(*producer));
  std::vector<std::uint32_t> frame(622 * 405);
  int ready = 0;
  while (ready < 5 && producer->CopyReadyFrame(frame.data())) ++ready;
  EXPECT_GE(ready, 1);
  EXPECT_LE(ready, 2);  // at most one frame ahead of the one shown
}

TEST_F(FrameProducerTest, IdleModeResetsTheDialogAndEndsItsPauseOnStop) {
  paintMode.store(0);
  permille.store(700);
  auto producer = Make();
  producer->Start();
  std::vector<std::uint32_t> frame(622 * 405);
  for (int i = 0; i < 500 && !producer->CopyReadyFrame(frame.data()); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  EXPECT_GE(idleFrames.load(), 1);
  EXPECT_EQ(permille.load(), 0);
  stop.store(true);  // in the middle of the 300 ms pause
  EXPECT_TRUE(Ends(*producer));
}

}  // namespace
}  // namespace uitest
