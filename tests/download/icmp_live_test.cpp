// Echoes to loopback hosts through the real socket of the process.
#include <gtest/gtest.h>

#include "download/icmp_pinger.h"

using namespace download;

// Runs first in its own binary: the first echo of a process carries sequence 1.
TEST(LiveEcho, SequenceStartsAtOneAndCountsAcrossHosts) {
  ASSERT_EQ(PeekNextEchoSequence(), 1);
  IcmpPinger pinger;
  ASSERT_TRUE(pinger.IsReady());
  EchoReply first;
  ASSERT_TRUE(pinger.Ping("127.0.0.11", &first, 2000));
  EXPECT_EQ(first.nSequence, 1);
  EchoReply second;
  ASSERT_TRUE(pinger.Ping("127.0.0.12", &second, 2000));
  EXPECT_EQ(second.nSequence, 2);
  // A new pinger shares the process-wide counter.
  IcmpPinger another;
  EchoReply third;
  ASSERT_TRUE(another.Ping("127.0.0.13", &third, 2000));
  EXPECT_EQ(third.nSequence, 3);
}

TEST(LiveEcho, EveryMirrorAddressAnswersWithTheEchoedData) {
  IcmpPinger pinger;
  ASSERT_TRUE(pinger.IsReady());
  for (int host = 11; host <= 17; ++host) {
    const std::string address = "127.0.0." + std::to_string(host);
    EchoReply reply;
    ASSERT_TRUE(pinger.Ping(address.c_str(), &reply, 2000)) << address;
    EXPECT_EQ(reply.nDataBytes, 32) << address;
    EXPECT_GT(reply.nTtl, 0) << address;
    EXPECT_LT(reply.nRoundTripMs, 2000u) << address;
  }
}

TEST(LiveEcho, DatagramSocketWhereTheSystemAdmitsIt) {
  int error = 0;
  auto socket = platform::OpenIcmpDatagramSocket(platform::IcmpIdentifierOfProcess(), error);
  if (!socket) GTEST_SKIP() << "ICMP datagram sockets not admitted here (errno " << error << ")";
  IcmpPinger pinger(std::move(socket));
  EchoReply reply;
  ASSERT_TRUE(pinger.Ping("127.0.0.14", &reply, 2000));
  EXPECT_EQ(reply.nDataBytes, 32);
}

TEST(LivePingUrl, PortIsStrippedAndNamesAreResolved) {
  std::uint32_t time = 12345;
  ASSERT_TRUE(PingUrl("http://127.0.0.15:8700/download/corvex11mini_11092_847cd882.exe", time));
  EXPECT_LT(time, 2000u);
  time = 12345;
  ASSERT_TRUE(PingUrl("http://127.0.0.16/download/a.exe", time));
  EXPECT_LT(time, 2000u);
  time = 12345;
  // A name is not a dotted address: the second attempt, through the lookup, answers.
  ASSERT_TRUE(PingUrl("http://localhost:8700/download/a.exe", time));
  EXPECT_LT(time, 2000u);
  EXPECT_EQ(ResolveHost("localhost"), "127.0.0.1");
  EXPECT_EQ(ResolveHost("127.0.0.12"), "127.0.0.12");
  EXPECT_EQ(ResolveHost(""), "");
}
