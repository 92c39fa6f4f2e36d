// The echo request on the wire and the matching of what comes back, driven through a
// scripted socket so that replies no live host would send can be tried.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <thread>

#include "download/icmp_pinger.h"

using namespace download;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Ipv4Header(std::uint8_t ttl, std::size_t headerLength = 20) {
  Bytes header(headerLength, 0);
  header[0] = static_cast<std::uint8_t>(0x40 | (headerLength / 4));
  header[8] = ttl;
  header[9] = 1;  // ICMP
  return header;
}

Bytes Concat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Answers every request with what `respond` makes of it; waits really pass time so
// that the pinger's timeout can run out.
class ScriptedSocket : public platform::IcmpSocket {
 public:
  using Responder = std::function<std::vector<platform::IcmpDatagram>(const Bytes& request)>;

  ScriptedSocket(platform::IcmpSocketKind kind, std::uint16_t identifier, Responder respond, std::vector<Bytes>* sent)
      : kind_(kind), identifier_(identifier), respond_(std::move(respond)), sent_(sent) {}

  platform::IcmpSocketKind Kind() const override { return kind_; }
  std::uint16_t Identifier() const override { return identifier_; }

  bool SendTo(std::uint32_t, const std::uint8_t* data, std::size_t size) override {
    Bytes request(data, data + size);
    if (sent_ != nullptr) sent_->push_back(request);
    for (auto& d : respond_(request)) pending_.push_back(std::move(d));
    return true;
  }

  platform::IcmpWaitResult WaitReadable(std::uint32_t timeoutMs) override {
    if (!pending_.empty()) return platform::IcmpWaitResult::Readable;
    std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
    return platform::IcmpWaitResult::TimedOut;
  }

  bool Receive(platform::IcmpDatagram& out, std::size_t maxBytes) override {
    out = std::move(pending_.front());
    pending_.pop_front();
    if (out.bytes.size() > maxBytes) out.bytes.resize(maxBytes);
    return true;
  }

 private:
  platform::IcmpSocketKind kind_;
  std::uint16_t identifier_;
  Responder respond_;
  std::vector<Bytes>* sent_;
  std::deque<platform::IcmpDatagram> pending_;
};

// The request turned into a reply of `type`, as a host would send it back.
Bytes AsIcmpOfType(Bytes request, std::uint8_t type) {
  request[0] = type;
  return request;
}

platform::IcmpDatagram RawDatagram(const Bytes& icmp, std::uint8_t ttl = 64) {
  return {Concat(Ipv4Header(ttl), icmp), true, 0};
}

constexpr std::uint16_t kTestIdentifier = 0x4A3B;

IcmpPinger MakePinger(ScriptedSocket::Responder respond, std::vector<Bytes>* sent = nullptr,
                      platform::IcmpSocketKind kind = platform::IcmpSocketKind::Raw) {
  return IcmpPinger(std::make_unique<ScriptedSocket>(kind, kTestIdentifier, std::move(respond), sent));
}

}  // namespace

TEST(IcmpChecksum, KnownVectors) {
  // The RFC 1071 example words, read little-endian: the result is the byte-swapped 0x220D.
  const std::uint8_t rfcExample[] = {0x00, 0x01, 0xF2, 0x03, 0xF4, 0xF5, 0xF6, 0xF7};
  EXPECT_EQ(IcmpChecksum(rfcExample, sizeof rfcExample), 0x0D22);
  // A trailing odd byte is added as is (as the low byte).
  const std::uint8_t odd[] = {0x01, 0x02, 0x03};
  EXPECT_EQ(IcmpChecksum(odd, sizeof odd), static_cast<std::uint16_t>(~0x0204));
  // A carry out of the first fold is folded again.
  const std::uint8_t carry[] = {0xFF, 0xFF, 0x01, 0x00};
  EXPECT_EQ(IcmpChecksum(carry, sizeof carry), 0xFFFE);
  const std::uint8_t zeros[4] = {};
  EXPECT_EQ(IcmpChecksum(zeros, sizeof zeros), 0xFFFF);
  EXPECT_EQ(IcmpChecksum(nullptr, 0), 0xFFFF);
}

TEST(EchoRequest, LayoutIsLittleEndianWithValidChecksum) {
  std::uint8_t packet[kEchoRequestSize];
  std::memset(packet, 0xEE, sizeof packet);
  BuildEchoRequest(packet, 0x1234, 0x0102, 0xA1B2C3D4u);
  EXPECT_EQ(packet[0], 8);
  EXPECT_EQ(packet[1], 0);
  EXPECT_EQ(packet[4], 0x34);
  EXPECT_EQ(packet[5], 0x12);
  EXPECT_EQ(packet[6], 0x02);
  EXPECT_EQ(packet[7], 0x01);
  EXPECT_EQ(packet[8], 0xD4);
  EXPECT_EQ(packet[9], 0xC3);
  EXPECT_EQ(packet[10], 0xB2);
  EXPECT_EQ(packet[11], 0xA1);
  for (std::size_t i = 12; i < kEchoRequestSize; ++i) ASSERT_EQ(packet[i], 0) << "byte " << i;
  // The stored checksum makes the whole packet sum to 0xFFFF, as a receiver checks it.
  EXPECT_EQ(IcmpChecksum(packet, sizeof packet), 0);
  std::uint8_t unsummed[kEchoRequestSize];
  std::memcpy(unsummed, packet, sizeof packet);
  unsummed[2] = unsummed[3] = 0;
  EXPECT_EQ(packet[2] | (packet[3] << 8), IcmpChecksum(unsummed, sizeof unsummed));
}

TEST(EchoMatching, OwnRequestAndOtherPingsAreSkippedUntilTheReply) {
  std::vector<Bytes> sent;
  IcmpPinger pinger = MakePinger(
      [](const Bytes& request) {
        Bytes otherIdentifier = AsIcmpOfType(request, kIcmpEchoReply);
        otherIdentifier[4] ^= 0xFF;
        Bytes otherSequence = AsIcmpOfType(request, kIcmpEchoReply);
        otherSequence[6] ^= 0x01;
        return std::vector<platform::IcmpDatagram>{
            RawDatagram(request),  // loopback shows the request itself first
            RawDatagram(otherIdentifier), RawDatagram(otherSequence),
            RawDatagram(Bytes(request.begin(), request.begin() + 6)),  // truncated
            RawDatagram(AsIcmpOfType(request, kIcmpEchoReply), 57)};
      },
      &sent);
  ASSERT_TRUE(pinger.IsReady());
  EchoReply reply;
  ASSERT_TRUE(pinger.Ping("127.0.0.11", &reply, 1000));
  ASSERT_EQ(sent.size(), 1u);
  EXPECT_EQ(sent[0].size(), kEchoRequestSize);
  EXPECT_EQ(sent[0][4] | (sent[0][5] << 8), kTestIdentifier);
  EXPECT_EQ(reply.nSequence, sent[0][6] | (sent[0][7] << 8));
  EXPECT_EQ(reply.nTtl, 57);
  EXPECT_EQ(reply.nDataBytes, 32);
  EXPECT_LT(reply.nRoundTripMs, 1000u);
}

TEST(EchoMatching, UnreachableWithMatchingFieldsIsIgnoredAndTimesOut) {
  IcmpPinger pinger = MakePinger(
      [](const Bytes& request) { return std::vector<platform::IcmpDatagram>{RawDatagram(AsIcmpOfType(request, 3))}; });
  EchoReply reply;
  EXPECT_FALSE(pinger.Ping("127.0.0.11", &reply, 300));
}

TEST(EchoMatching, IpHeaderWithOptionsIsSkippedByItsLength) {
  IcmpPinger pinger = MakePinger([](const Bytes& request) {
    return std::vector<platform::IcmpDatagram>{
        {Concat(Ipv4Header(33, 24), AsIcmpOfType(request, kIcmpEchoReply)), true, 0}};
  });
  EchoReply reply;
  ASSERT_TRUE(pinger.Ping("127.0.0.11", &reply, 1000));
  EXPECT_EQ(reply.nTtl, 33);
  EXPECT_EQ(reply.nDataBytes, 32);
}

TEST(EchoMatching, DatagramSocketRepliesCarryNoIpHeader) {
  IcmpPinger pinger = MakePinger(
      [](const Bytes& request) {
        return std::vector<platform::IcmpDatagram>{{AsIcmpOfType(request, kIcmpEchoReply), false, 61}};
      },
      nullptr, platform::IcmpSocketKind::Datagram);
  EchoReply reply;
  ASSERT_TRUE(pinger.Ping("127.0.0.11", &reply, 1000));
  EXPECT_EQ(reply.nTtl, 61);
  EXPECT_EQ(reply.nDataBytes, 32);
}

TEST(EchoMatching, RejectedArgumentsSendNothing) {
  std::vector<Bytes> sent;
  IcmpPinger pinger = MakePinger([](const Bytes&) { return std::vector<platform::IcmpDatagram>{}; }, &sent);
  EchoReply reply;
  EXPECT_FALSE(pinger.Ping(nullptr, &reply, 100));
  EXPECT_FALSE(pinger.Ping("mirror.example", &reply, 100));
  EXPECT_FALSE(pinger.Ping("127.0.0.11:8600", &reply, 100));
  EXPECT_TRUE(sent.empty());
  // Without a reply record the echo is done once the request is out.
  EXPECT_TRUE(pinger.Ping("127.0.0.11", nullptr, 100));
  EXPECT_EQ(sent.size(), 1u);

  IcmpPinger notReady{nullptr};
  EXPECT_FALSE(notReady.IsReady());
  EXPECT_FALSE(notReady.Ping("127.0.0.11", &reply, 100));
}

TEST(MirrorUrl, HostPartLiesBetweenSchemeAndDownloadPath) {
  std::string host;
  ASSERT_TRUE(MirrorHostPart("http://127.0.0.11:8600/download/corvex11mini_11092_847cd882.exe", host));
  EXPECT_EQ(host, "127.0.0.11:8600");
  ASSERT_TRUE(MirrorHostPart("http://127.0.0.17:8600/cdn.corvex.example/download/a.exe", host));
  EXPECT_EQ(host, "127.0.0.17:8600/cdn.corvex.example");
  EXPECT_FALSE(MirrorHostPart("http://127.0.0.11:8600/files/a.exe", host));
  EXPECT_FALSE(MirrorHostPart("/download/http://127.0.0.11/", host));
  EXPECT_FALSE(MirrorHostPart("ftp://127.0.0.11/download/a.exe", host));
  std::uint32_t time = 77;
  EXPECT_FALSE(PingUrl("http://127.0.0.11:8600/files/a.exe", time));
  EXPECT_EQ(time, 77u);
}
