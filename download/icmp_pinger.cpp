#include "download/icmp_pinger.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>

#include "external/vendor_services.h"
#include "platform/clock.h"

namespace download {

namespace {

// Process-wide and touched only by the configuration thread in the product; atomic
// so that tests pinging from several threads stay well defined.
std::atomic<std::uint16_t> g_echoSequence{0};

struct MillisecondsOrigin {
  std::uint64_t wallMs;
  std::uint32_t tick;
};

std::uint64_t WallClockMs() {
  using namespace std::chrono;
  return static_cast<std::uint64_t>(duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count());
}

void StoreLittleEndian16(std::uint8_t* at, std::uint16_t value) {
  at[0] = static_cast<std::uint8_t>(value & 0xFF);
  at[1] = static_cast<std::uint8_t>(value >> 8);
}

void StoreLittleEndian32(std::uint8_t* at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint16_t LoadLittleEndian16(const std::uint8_t* at) { return static_cast<std::uint16_t>(at[0] | (at[1] << 8)); }

std::uint32_t LoadLittleEndian32(const std::uint8_t* at) {
  return static_cast<std::uint32_t>(at[0]) | (static_cast<std::uint32_t>(at[1]) << 8) |
         (static_cast<std::uint32_t>(at[2]) << 16) | (static_cast<std::uint32_t>(at[3]) << 24);
}

constexpr std::size_t kIcmpHeaderAndTime = 12;  // type, code, checksum, id, sequence, time

}  // namespace

std::uint16_t IcmpChecksum(const std::uint8_t* data, std::size_t size) {
  std::uint32_t sum = 0;
  std::size_t i = 0;
  for (; i + 1 < size; i += 2) sum += LoadLittleEndian16(data + i);
  if (i < size) sum += data[i];
  sum = (sum >> 16) + (sum & 0xFFFF);
  sum += sum >> 16;
  return static_cast<std::uint16_t>(~sum & 0xFFFF);
}

void BuildEchoRequest(std::uint8_t (&packet)[kEchoRequestSize], std::uint16_t identifier, std::uint16_t sequence,
                      std::uint32_t sendTime) {
  std::memset(packet, 0, sizeof packet);
  packet[0] = kIcmpEchoRequest;
  packet[1] = 0;
  StoreLittleEndian16(packet + 4, identifier);
  StoreLittleEndian16(packet + 6, sequence);
  StoreLittleEndian32(packet + 8, sendTime);
  StoreLittleEndian16(packet + 2, IcmpChecksum(packet, sizeof packet));
}

std::uint32_t GetMilliseconds() {
  // Function-local static: initialised once even when two threads race for it.
  static const MillisecondsOrigin origin{WallClockMs(), platform::GetTickCount()};
  return static_cast<std::uint32_t>(WallClockMs() - origin.wallMs + origin.tick);
}

std::uint16_t PeekNextEchoSequence() { return static_cast<std::uint16_t>(g_echoSequence.load() + 1); }

IcmpPinger::IcmpPinger() {
  int error = 0;
  m_nIdentifier = platform::IcmpIdentifierOfProcess();
  m_socket = platform::OpenIcmpSocket(m_nIdentifier, error);
  if (!m_socket) {
    std::fprintf(stderr, "WSASocket() failed: %d\n", error);
    return;
  }
  m_nIdentifier = m_socket->Identifier();
  m_bReady = true;
}

IcmpPinger::IcmpPinger(std::unique_ptr<platform::IcmpSocket> socket) : m_socket(std::move(socket)) {
  if (m_socket) {
    m_nIdentifier = m_socket->Identifier();
    m_bReady = true;
  }
}

IcmpPinger::~IcmpPinger() = default;

bool IcmpPinger::Ping(const char* dottedAddress, EchoReply* reply, std::uint32_t timeoutMs) {
  if (dottedAddress == nullptr) return false;
  std::uint32_t address = 0;
  if (!platform::ParseDottedIpv4(dottedAddress, address)) return false;
  return Echo(address, reply, timeoutMs);
}

bool IcmpPinger::Echo(std::uint32_t address, EchoReply* reply, std::uint32_t timeoutMs) {
  if (!m_bReady) return false;
  const std::uint16_t sequence = static_cast<std::uint16_t>(g_echoSequence.fetch_add(1) + 1);
  const std::uint32_t sendTime = GetMilliseconds();
  BuildEchoRequest(m_packet, m_nIdentifier, sequence, sendTime);
  if (!m_socket->SendTo(address, m_packet, sizeof m_packet)) return false;
  if (reply == nullptr) return true;

  platform::IcmpDatagram datagram;
  for (;;) {
    const platform::IcmpWaitResult waited = m_socket->WaitReadable(kEchoWaitSliceMs);
    if (waited == platform::IcmpWaitResult::Readable) {
      const std::uint32_t receiveTime = GetMilliseconds();
      if (m_socket->Receive(datagram, kEchoReceiveLimit) && AcceptReply(datagram, sequence, receiveTime, reply)) {
        return true;
      }
    } else if (waited == platform::IcmpWaitResult::Failed) {
      platform::SleepMs(kEchoWaitSliceMs);  // keep the slice, do not spin
    }
    if (GetMilliseconds() - sendTime >= timeoutMs) return false;
  }
}

bool IcmpPinger::AcceptReply(const platform::IcmpDatagram& datagram, std::uint16_t sequence, std::uint32_t receiveTime,
                             EchoReply* reply) const {
  const std::vector<std::uint8_t>& bytes = datagram.bytes;
  std::size_t ipHeaderLength = 0;
  std::uint8_t ttl = datagram.ttl;
  if (datagram.hasIpHeader) {
    if (bytes.empty()) return false;
    ipHeaderLength = static_cast<std::size_t>(bytes[0] & 0x0F) * 4;
    if (bytes.size() < 9) return false;
    ttl = bytes[8];
  }
  // A truncated or foreign datagram is simply not our reply.
  if (bytes.size() < ipHeaderLength + kIcmpHeaderAndTime) return false;
  const std::uint8_t* icmp = bytes.data() + ipHeaderLength;
  if (icmp[0] != kIcmpEchoReply) return false;
  if (LoadLittleEndian16(icmp + 4) != m_nIdentifier) return false;
  if (LoadLittleEndian16(icmp + 6) != sequence) return false;

  reply->nSequence = sequence;
  reply->nRoundTripMs = receiveTime - LoadLittleEndian32(icmp + 8);
  reply->nDataBytes = static_cast<int>(bytes.size() - ipHeaderLength - kIcmpHeaderAndTime);
  reply->nTtl = ttl;
  return true;
}

bool MirrorHostPart(const std::string& url, std::string& host) {
  const char* schemeText = vendor::kSecureUrlScheme;
  std::size_t scheme = url.find(schemeText);
  if (scheme == std::string::npos) scheme = url.find(schemeText = vendor::kUrlScheme);
  if (scheme == std::string::npos) return false;
  const std::size_t hostStart = scheme + std::strlen(schemeText);
  const std::size_t path = url.find(vendor::kDownloadPath, hostStart);
  if (path == std::string::npos) return false;
  host = url.substr(hostStart, path - hostStart);
  return true;
}

namespace {

// The address to ping: the host part up to any ":port" (or a path the host part may
// carry), since neither belongs to the address.
std::string PingTargetOf(const std::string& hostPart) { return hostPart.substr(0, hostPart.find_first_of(":/")); }

}  // namespace

bool PingUrl(const std::string& url, std::uint32_t& pingTime) {
  std::string hostPart;
  if (!MirrorHostPart(url, hostPart)) return false;
  const std::string host = PingTargetOf(hostPart);

  IcmpPinger pinger;
  EchoReply reply;
  if (pinger.Ping(host.c_str(), &reply, vendor::kEchoTimeoutMs)) {
    pingTime = reply.nRoundTripMs;
    return true;
  }
  const std::string resolved = ResolveHost(host);
  if (!resolved.empty() && pinger.Ping(resolved.c_str(), &reply, vendor::kEchoTimeoutMs)) {
    pingTime = reply.nRoundTripMs;
    return true;
  }
  return false;
}

std::string ResolveHost(const std::string& name) { return platform::ResolveFirstIpv4(name); }

}  // namespace download
