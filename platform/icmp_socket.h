// ICMP echo transport for IPv4: a raw socket where the process may open one, else the
// unprivileged ICMP datagram socket ("ping socket"). Name resolution and the dotted
// address parser live here too, since both need the socket headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace platform {

enum class IcmpSocketKind {
  Raw,       // sees every ICMP datagram of the host, IP header included
  Datagram,  // sees only replies to its own identifier, without the IP header
};

enum class IcmpWaitResult { Readable, TimedOut, Failed };

// One received ICMP datagram. For a raw socket `bytes` starts with the IPv4 header;
// for a datagram socket it starts with the ICMP header and `ttl` comes from the
// socket's control data.
struct IcmpDatagram {
  std::vector<std::uint8_t> bytes;
  bool hasIpHeader = false;
  std::uint8_t ttl = 0;
};

// Owned and used by one thread at a time.
class IcmpSocket {
 public:
  virtual ~IcmpSocket() = default;
  virtual IcmpSocketKind Kind() const = 0;
  // The identifier replies will carry. A datagram socket's identifier is chosen by
  // the kernel (we ask for the one we want; it may give another when that is taken),
  // and the kernel rewrites the field and the checksum of what we send.
  virtual std::uint16_t Identifier() const = 0;
  // `address` in network byte order, as ParseDottedIpv4 returns it.
  virtual bool SendTo(std::uint32_t address, const std::uint8_t* data, std::size_t size) = 0;
  virtual IcmpWaitResult WaitReadable(std::uint32_t timeoutMs) = 0;
  // Reads one datagram of at most `maxBytes` bytes; false on a receive error.
  virtual bool Receive(IcmpDatagram& out, std::size_t maxBytes) = 0;
};

// Opens a raw ICMP socket, or a datagram ICMP socket bound to `wantedIdentifier` when
// raw sockets are not permitted. Null on failure, with the errno value in `error`.
std::unique_ptr<IcmpSocket> OpenIcmpSocket(std::uint16_t wantedIdentifier, int& error);
// The datagram socket alone (net.ipv4.ping_group_range must admit the process's group).
std::unique_ptr<IcmpSocket> OpenIcmpDatagramSocket(std::uint16_t wantedIdentifier, int& error);

// inet_addr: dotted IPv4 text to an address in network byte order; false for text
// that is not a dotted address.
bool ParseDottedIpv4(const std::string& text, std::uint32_t& address);
// The first IPv4 address of `name` as dotted text; empty when the lookup fails.
std::string ResolveFirstIpv4(const std::string& name);

// The low 16 bits of the process id: the identifier an echo request carries.
std::uint16_t IcmpIdentifierOfProcess();

}  // namespace platform
