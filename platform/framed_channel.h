// Messages over a local stream socket: each one a kind and a payload, and at most one
// open file descriptor travelling with it. The install helper and the dialog talk
// over one of these.
//
// Threads: Send from any thread (sends are serialised); Receive from one thread.
#pragma once

#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

namespace platform {

struct Frame {
  std::uint16_t kind = 0;
  std::string payload;
  int descriptor = -1;  // received with the frame; the receiver owns it
};

class FramedChannel {
 public:
  // Frames larger than this are refused on both ends: a peer that sends one is broken.
  static constexpr std::uint32_t kMaxPayload = 1U << 20;

  // Takes ownership of `socket` (both directions on the one descriptor) ...
  explicit FramedChannel(int socket) : readSocket_(socket), writeSocket_(socket), ownsBoth_(true) {}
  // ... or of two, as a child's stdin and stdout are.
  FramedChannel(int readSocket, int writeSocket) : readSocket_(readSocket), writeSocket_(writeSocket) {}
  ~FramedChannel();
  FramedChannel(const FramedChannel&) = delete;
  FramedChannel& operator=(const FramedChannel&) = delete;

  // False once the peer is gone or the frame is too large. `descriptor` is duplicated
  // by the kernel for the peer; ours stays open.
  bool Send(std::uint16_t kind, const std::string& payload, int descriptor = -1);
  // The next frame; empty when the peer closed the channel or broke the framing.
  std::optional<Frame> Receive();
  // Ends both directions: a Receive blocked in another thread returns empty.
  void Shutdown();

 private:
  bool ReadExactly(char* out, std::size_t size, int* descriptor);

  int readSocket_;
  int writeSocket_;
  bool ownsBoth_ = false;
  std::mutex sendMutex_;
};

// A connected pair of stream sockets (close-on-exec); false on failure.
bool MakeSocketPair(int& first, int& second);

}  // namespace platform
