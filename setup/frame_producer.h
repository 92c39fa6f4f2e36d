// The frame producer: a thread that renders the installation animation into two
// frame buffers while the painter shows them. Each buffer has a ready flag; the
// producer fills the free one and waits while both are taken, so at most one frame
// is computed ahead.
//
// Threads: the producer's own thread renders; the painter calls CopyReadyFrame. The
// thread holds the object, so the dialog may drop it at any time.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

#include "setup/progress_frames.h"

namespace setup {

// Picture of the progress area the install sequence asks for.
enum class PaintMode : int {
  Idle = 0,
  RippleWithPercentage = 1,
  Ripple = 2,
  Finished = 3,
};

// What the producer reads of the dialog. Each callable is called on the producer's
// thread and must be safe there.
struct FrameProducerInputs {
  std::function<int()> paintMode;
  std::function<int()> installPermille;
  // The idle frame's duty towards the dialog: its working look, percentage back to 0.
  std::function<void()> onIdleFrame;
  // The dialog is closing: the thread ends.
  std::function<bool()> stopping;
};

class FrameProducer : public std::enable_shared_from_this<FrameProducer> {
 public:
  static constexpr std::uint32_t kIdlePauseMs = 300;

  FrameProducer(std::unique_ptr<ProgressFrames> frames, FrameProducerInputs inputs);

  // Starts the thread unless it runs already. Make the object with make_shared.
  void Start();
  bool Running() const { return running_.load(); }

  // One round of the thread: waits for the free buffer, renders the frame that the
  // paint mode asks for into it and hands it to the painter. False when stopping.
  bool ProduceOne();

  // Painter side: copies the frame due to be shown into `out` (the frame's pixel
  // count) when it is ready, frees its buffer and moves to the other; false when
  // no frame is ready.
  bool CopyReadyFrame(std::uint32_t* out);

  int Width() const { return frames_->Width(); }
  int Height() const { return frames_->Height(); }

 private:
  void Run();
  bool Stopping() const { return inputs_.stopping && inputs_.stopping(); }
  bool WaitForFreeBuffer();
  void PauseUnlessStopping(std::uint32_t ms);

  std::unique_ptr<ProgressFrames> frames_;  // producer's thread only
  FrameProducerInputs inputs_;
  std::vector<std::uint32_t> buffers_[2];
  std::atomic<bool> ready_[2] = {false, false};
  int fillIndex_ = 0;  // producer's thread only
  std::mutex wakeMutex_;
  int showIndex_ = 0;  // under wakeMutex_
  std::condition_variable bufferFreed_;
  std::atomic<bool> running_{false};
};

}  // namespace setup
