// What one content response of a scripted mirror puts on the wire: the package bytes
// of the requested range, altered, paced, stalled or cut off as the script says.
#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <vector>

#include "tools/devserver/package_image.h"
#include "tools/devserver/scenario.h"

namespace devserver {

// Writes bytes to the client; false when the client has gone.
using WireWriter = std::function<bool(const char* data, std::size_t size)>;

// One per response, used by the server thread that writes that response.
class ResponseFaults {
 public:
  // `faultsActive` is false for the requests past the script's fault_requests.
  ResponseFaults(const MirrorScript& script, bool faultsActive, const PackageImage& image,
                 const std::atomic<bool>& stopping);

  // Sends the next piece of the content range that starts at `offset` and has
  // `length` bytes left; returns the bytes sent, 0 to drop the connection.
  std::size_t SendPiece(std::uint64_t offset, std::uint64_t length, const WireWriter& write);
  // Content bytes handed to the client so far.
  std::uint64_t Sent() const { return sent_; }

 private:
  std::uint64_t PieceLimit(std::uint64_t length) const;
  bool Alters(std::uint64_t offset, std::size_t size) const;
  // The bytes of [offset, offset + size) as this mirror serves them.
  const char* PieceBytes(std::uint64_t offset, std::size_t size);
  void Pace(std::size_t pieceSize);
  void Stall();

  const MirrorScript& script_;
  const bool faultsActive_;
  const PackageImage& image_;
  const std::atomic<bool>& stopping_;
  std::uint64_t sent_ = 0;
  bool stalled_ = false;
  std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
  std::vector<char> altered_;
};

}  // namespace devserver
