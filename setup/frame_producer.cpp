#include "setup/frame_producer.h"

#include <chrono>
#include <cstring>
#include <thread>

#include "platform/clock.h"

namespace setup {

namespace {
// How often a waiting producer looks at the stop flag.
constexpr auto kStopCheckInterval = std::chrono::milliseconds(20);
}  // namespace

FrameProducer::FrameProducer(std::unique_ptr<ProgressFrames> frames, FrameProducerInputs inputs)
    : frames_(std::move(frames)), inputs_(std::move(inputs)) {
  for (auto& buffer : buffers_) buffer.assign(frames_->PixelCount(), 0xFFFFFF);
}

void FrameProducer::Start() {
  if (running_.exchange(true)) return;
  std::thread([self = shared_from_this()] { self->Run(); }).detach();
}

void FrameProducer::Run() {
  while (ProduceOne()) {
  }
  running_.store(false);
}

bool FrameProducer::ProduceOne() {
  if (!WaitForFreeBuffer()) return false;
  std::uint32_t* out = buffers_[fillIndex_].data();
  const int mode = inputs_.paintMode ? inputs_.paintMode() : 0;
  bool idle = false;
  switch (static_cast<PaintMode>(mode)) {
    case PaintMode::RippleWithPercentage:
    case PaintMode::Ripple:
      frames_->RenderRipple(out, platform::GetTickCount(), inputs_.installPermille ? inputs_.installPermille() : 0);
      break;
    case PaintMode::Finished: frames_->RenderFinished(out); break;
    default:
      if (inputs_.onIdleFrame) inputs_.onIdleFrame();
      frames_->RenderIdle(out);
      idle = true;
      break;
  }
  ready_[fillIndex_].store(true, std::memory_order_release);
  fillIndex_ ^= 1;
  if (idle) PauseUnlessStopping(kIdlePauseMs);
  return !Stopping();
}

bool FrameProducer::WaitForFreeBuffer() {
  std::unique_lock<std::mutex> lock(wakeMutex_);
  while (ready_[fillIndex_].load(std::memory_order_acquire)) {
    if (Stopping()) return false;
    bufferFreed_.wait_for(lock, kStopCheckInterval);
  }
  return !Stopping();
}

void FrameProducer::PauseUnlessStopping(std::uint32_t ms) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (!Stopping() && std::chrono::steady_clock::now() < until)
    std::this_thread::sleep_for(
        std::min<std::chrono::steady_clock::duration>(kStopCheckInterval, until - std::chrono::steady_clock::now()));
}

bool FrameProducer::CopyReadyFrame(std::uint32_t* out) {
  {
    // The painter thread and the UI thread's own repaints both come here.
    std::lock_guard<std::mutex> lock(wakeMutex_);
    if (!ready_[showIndex_].load(std::memory_order_acquire)) return false;
    std::memcpy(out, buffers_[showIndex_].data(), buffers_[showIndex_].size() * sizeof(std::uint32_t));
    ready_[showIndex_].store(false, std::memory_order_release);
    showIndex_ ^= 1;
  }
  bufferFreed_.notify_one();
  return true;
}

}  // namespace setup
