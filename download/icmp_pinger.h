// The mirror echo probe: one ICMP echo request to a mirror's host and the wait for
// its reply. Mirror selection ranks mirrors by the round-trip time it measures.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/icmp_socket.h"

namespace download {

inline constexpr std::size_t kEchoRequestSize = 44;
inline constexpr std::size_t kEchoReceiveLimit = 256;
inline constexpr std::uint32_t kEchoWaitSliceMs = 100;
inline constexpr std::uint8_t kIcmpEchoRequest = 8;
inline constexpr std::uint8_t kIcmpEchoReply = 0;

struct EchoReply {
  std::uint16_t nSequence = 0;
  std::uint32_t nRoundTripMs = 0;  // receive time minus the send time echoed back
  int nDataBytes = 0;              // received length minus IP header minus 12
  std::uint8_t nTtl = 0;
};

// Internet checksum (RFC 1071) over `size` bytes taken as little-endian 16-bit
// words, a trailing odd byte added as is, folded twice and complemented.
std::uint16_t IcmpChecksum(const std::uint8_t* data, std::size_t size);

// Fills the 44-byte echo request: type 8, code 0, checksum, identifier, sequence and
// send time in little-endian order, 32 zero bytes after them.
void BuildEchoRequest(std::uint8_t (&packet)[kEchoRequestSize], std::uint16_t identifier, std::uint16_t sequence,
                      std::uint32_t sendTime);

// Process-wide millisecond clock: wall-clock milliseconds since its first call, plus
// the tick count at that first call; truncated to 32 bits.
std::uint32_t GetMilliseconds();

// The sequence number the next echo of this process will carry (the counter starts
// at 0 and is incremented before each request, so the first echo carries 1).
std::uint16_t PeekNextEchoSequence();

// Owned by the thread that made it (the engine's configuration thread).
class IcmpPinger {
 public:
  // Opens the ICMP socket for this process's identifier; not ready when that fails.
  IcmpPinger();
  // Takes an already opened socket (null: not ready).
  explicit IcmpPinger(std::unique_ptr<platform::IcmpSocket> socket);
  virtual ~IcmpPinger();
  IcmpPinger(const IcmpPinger&) = delete;
  IcmpPinger& operator=(const IcmpPinger&) = delete;

  bool IsReady() const { return m_bReady; }
  std::uint16_t Identifier() const { return m_nIdentifier; }

  // One echo to a dotted IPv4 address. False for a null or non-dotted text, a send
  // error, or no matching reply within `timeoutMs`. With `reply` null it returns
  // true as soon as the request is sent.
  bool Ping(const char* dottedAddress, EchoReply* reply, std::uint32_t timeoutMs);

 private:
  bool Echo(std::uint32_t address, EchoReply* reply, std::uint32_t timeoutMs);
  bool AcceptReply(const platform::IcmpDatagram& datagram, std::uint16_t sequence, std::uint32_t receiveTime,
                   EchoReply* reply) const;

  std::unique_ptr<platform::IcmpSocket> m_socket;
  std::uint16_t m_nIdentifier = 0;
  std::uint8_t m_packet[kEchoRequestSize] = {};
  bool m_bReady = false;
};

// Host part of a mirror URL: the text between the first "https://" (or, without one,
// the first "http://") and the first "/download/" after it; false when the URL has no
// such part.
bool MirrorHostPart(const std::string& url, std::string& host);

// Pings a mirror's host (its host part without any ":port"): first as a dotted
// address, then through a name lookup, 2000 ms each. On success stores the
// round-trip time in `pingTime`.
bool PingUrl(const std::string& url, std::uint32_t& pingTime);

// The first IPv4 address of `name` as dotted text; empty when the lookup fails.
std::string ResolveHost(const std::string& name);

}  // namespace download
