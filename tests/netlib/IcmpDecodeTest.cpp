// The echo request on the wire and the decoder of what a raw ICMP socket
// delivers, on crafted datagrams: every reply type, truncation at every
// length, quoted headers with options, other programs' traffic.
#include <gtest/gtest.h>

#include <cstring>

#include "NetTestKit.h"
#include "netlib/NetIcmpPacket.h"

namespace {

const TIPv4Bytes Us{192, 168, 1, 10};
const TIPv4Bytes Target{93, 184, 216, 34};
const TIPv4Bytes Router{10, 9, 8, 7};
const TIcmpExpectation Ours{0x4321, 3489, Target};

TIcmpDecoded Decode(const TBytes& D, size_t Length) {
  TBytes exact(D.begin(), D.begin() + static_cast<long>(Length));   // nothing readable past Length
  return DecodeIcmpDatagram(exact.data(), exact.size(), Ours);
}
TIcmpDecoded Decode(const TBytes& D) { return Decode(D, D.size()); }

TBytes OurRequest(uint8_t HeaderWords = 5) {
  return EchoDatagram(8, Ours.Identifier, Ours.Sequence, Us, Target, 3, "", HeaderWords);
}

TEST(IcmpPacketTest, EchoRequestLayout) {
  uint8_t p[IcmpEchoRequestSize];
  BuildEchoRequest(p, 0xBEEF, 3489, 0x01020304, "ping");
  EXPECT_EQ(8, p[0]);
  EXPECT_EQ(0, p[1]);
  EXPECT_EQ(0, InternetChecksum(p, sizeof p)) << "a valid checksum sums to zero";
  const uint8_t head[] = {0xEF, 0xBE, 0xA1, 0x0D, 0x04, 0x03, 0x02, 0x01};   // little-endian
  EXPECT_EQ(0, std::memcmp(p + 4, head, sizeof head));
  for (int i = 12; i < 20; ++i) EXPECT_EQ(0, p[i]);
  EXPECT_EQ("pingEEEEEEEEEEEEEEEEEEEEEEEEEEEE", std::string(reinterpret_cast<char*>(p + 20), 32));

  BuildEchoRequest(p, 1, 2, 3, std::string(40, 'x'));
  EXPECT_EQ(std::string(32, 'x'), std::string(reinterpret_cast<char*>(p + 20), 32)) << "cut at 32";
  EXPECT_EQ(0, InternetChecksum(p, sizeof p));
  const uint8_t odd[] = {0x01, 0x02, 0x03};   // words 0x0201 + 0x0003
  EXPECT_EQ(static_cast<uint16_t>(~0x0204), InternetChecksum(odd, 3));
}

TEST(IcmpPacketTest, EchoReplyOfOurRequest) {
  const TIcmpDecoded d = Decode(EchoDatagram(0, Ours.Identifier, Ours.Sequence, Target, Us, 57, "hello"));
  ASSERT_EQ(TIcmpVerdict::ivMatch, d.Verdict);
  EXPECT_EQ(TReplyKind::rkEcho, d.Status.Kind);
  EXPECT_EQ("93.184.216.34", d.Status.FromAddress);
  EXPECT_EQ(0, d.Status.MessageType);
  EXPECT_EQ(3489, d.Status.SequenceId);
  EXPECT_EQ(57, d.Status.TimeToLive);
  EXPECT_EQ(72, d.Status.BytesReceived);
  EXPECT_EQ("hello" + std::string(27, 'E'), d.Payload) << "payload ends with the datagram";
}

TEST(IcmpPacketTest, OwnRequestCopyOnlyFromTheDestination) {
  // Echoing this machine: the raw socket sees our request, source = destination.
  const TIcmpExpectation self{Ours.Identifier, Ours.Sequence, {127, 0, 0, 1}};
  TBytes copy = EchoDatagram(8, self.Identifier, self.Sequence, {127, 0, 0, 1}, {127, 0, 0, 1}, 5);
  TIcmpDecoded d = DecodeIcmpDatagram(copy.data(), copy.size(), self);
  ASSERT_EQ(TIcmpVerdict::ivMatch, d.Verdict);
  EXPECT_EQ(TReplyKind::rkEcho, d.Status.Kind);
  EXPECT_EQ(8, d.Status.MessageType);
  EXPECT_EQ(5, d.Status.TimeToLive);
  // The same request going out to a remote target, or another host's
  // request that happens to carry our numbers, is not an answer.
  EXPECT_EQ(TIcmpVerdict::ivForeign, Decode(OurRequest()).Verdict);
  EXPECT_EQ(TIcmpVerdict::ivForeign,
            Decode(EchoDatagram(8, Ours.Identifier, Ours.Sequence, Router, Us)).Verdict);
}

TEST(IcmpPacketTest, ErrorsQuotingOurRequest) {
  for (uint8_t outer : {5, 6}) {
    for (uint8_t quoted : {5, 7}) {   // quoted headers with options
      SCOPED_TRACE("outer " + std::to_string(outer) + ", quoted " + std::to_string(quoted));
      TIcmpDecoded d = Decode(ErrorDatagram(11, Router, Us, 250, OurRequest(quoted), outer));
      ASSERT_EQ(TIcmpVerdict::ivMatch, d.Verdict);
      EXPECT_EQ(TReplyKind::rkTtlExceeded, d.Status.Kind);
      EXPECT_EQ("10.9.8.7", d.Status.FromAddress);
      EXPECT_EQ(250, d.Status.TimeToLive);
      EXPECT_EQ(11, d.Status.MessageType);
      EXPECT_EQ(3489, d.Status.SequenceId);
      EXPECT_TRUE(d.Payload.empty());
      d = Decode(ErrorDatagram(3, Target, Us, 60, OurRequest(quoted), outer, true));
      ASSERT_EQ(TIcmpVerdict::ivMatch, d.Verdict);
      EXPECT_EQ(TReplyKind::rkUnreachable, d.Status.Kind);
      EXPECT_EQ(3, d.Status.MessageType);
    }
  }
}

TEST(IcmpPacketTest, OtherProgramsTrafficIsForeign) {
  const uint16_t id = Ours.Identifier, seq = Ours.Sequence;
  EXPECT_EQ(TIcmpVerdict::ivForeign, Decode(EchoDatagram(0, id + 1, seq, Target, Us)).Verdict);
  EXPECT_EQ(TIcmpVerdict::ivForeign, Decode(EchoDatagram(0, id, seq + 1, Target, Us)).Verdict);
  const TBytes otherId = EchoDatagram(8, id ^ 0x0100, seq, Us, Target);
  EXPECT_EQ(TIcmpVerdict::ivForeign, Decode(ErrorDatagram(11, Router, Us, 9, otherId)).Verdict);
  EXPECT_EQ(TIcmpVerdict::ivForeign, Decode(ErrorDatagram(3, Router, Us, 9, EchoDatagram(8, id, 1, Us, Target))).Verdict);
  // A UDP traceroute's probe quoted: its ports may equal our numbers.
  TBytes udp(8, 0);
  std::memcpy(udp.data() + 4, &id, 2);
  std::memcpy(udp.data() + 6, &seq, 2);
  EXPECT_EQ(TIcmpVerdict::ivForeign, Decode(ErrorDatagram(11, Router, Us, 9, IPDatagram(5, 1, 17, Us, Target, udp))).Verdict);
  // A quoted echo reply is nobody's probe.
  EXPECT_EQ(TIcmpVerdict::ivForeign, Decode(ErrorDatagram(3, Router, Us, 9, EchoDatagram(0, id, seq, Us, Target))).Verdict);
  EXPECT_EQ(TIcmpVerdict::ivUnknownType, Decode(EchoDatagram(5, id, seq, Router, Us)).Verdict);
  EXPECT_EQ(TIcmpVerdict::ivUnknownType, Decode(EchoDatagram(13, id, seq, Router, Us)).Verdict);
}

TEST(IcmpPacketTest, HeaderLengthsBelowFiveWordsAreRunts) {
  TBytes reply = EchoDatagram(0, Ours.Identifier, Ours.Sequence, Target, Us);
  for (uint8_t words : {0, 1, 4}) {
    reply[0] = static_cast<uint8_t>(0x40 | words);
    EXPECT_EQ(TIcmpVerdict::ivRunt, Decode(reply).Verdict) << int(words);
  }
  TBytes error = ErrorDatagram(11, Router, Us, 9, OurRequest());
  error[20 + 8] = 0x44;   // quoted header claims 4 words
  EXPECT_EQ(TIcmpVerdict::ivRunt, Decode(error).Verdict);
  error[20 + 8] = 0x65;   // not IPv4
  EXPECT_EQ(TIcmpVerdict::ivRunt, Decode(error).Verdict);
  EXPECT_EQ(TIcmpVerdict::ivRunt, DecodeIcmpDatagram(nullptr, 100, Ours).Verdict);
}

// Each datagram cut at every length: below the bytes its own headers need it
// is a runt, from there on ours, with the payload ending where the data does.
TEST(IcmpPacketTest, TruncatedAtEveryLength) {
  const TIcmpExpectation self{Ours.Identifier, Ours.Sequence, {127, 0, 0, 1}};
  struct TSample {
    const char* Name;
    TBytes Data;
    size_t Needed;   // header, ICMP header and (errors) quoted header plus 8
    TIcmpExpectation Expect;
  } samples[] = {
      {"echo reply", EchoDatagram(0, Ours.Identifier, Ours.Sequence, Target, Us), 28, Ours},
      {"echo reply with options", EchoDatagram(0, Ours.Identifier, Ours.Sequence, Target, Us, 64, "x", 15), 68, Ours},
      {"own request", EchoDatagram(8, self.Identifier, self.Sequence, {127, 0, 0, 1}, {127, 0, 0, 1}), 28, self},
      {"ttl exceeded", ErrorDatagram(11, Router, Us, 9, OurRequest()), 20 + 8 + 20 + 8, Ours},
      {"ttl exceeded, quoted options", ErrorDatagram(11, Router, Us, 9, OurRequest(9), 6, true), 24 + 8 + 36 + 8, Ours},
      {"unreachable", ErrorDatagram(3, Router, Us, 9, OurRequest(), 5, true), 56, Ours},
  };
  for (const TSample& s : samples) {
    SCOPED_TRACE(s.Name);
    const size_t ip = (s.Data[0] & 0x0F) * 4u;
    for (size_t n = 0; n <= s.Data.size(); ++n) {
      TBytes exact(s.Data.begin(), s.Data.begin() + static_cast<long>(n));
      const TIcmpDecoded d = DecodeIcmpDatagram(exact.data(), n, s.Expect);
      if (n < s.Needed) {
        ASSERT_EQ(TIcmpVerdict::ivRunt, d.Verdict) << "length " << n;
        continue;
      }
      ASSERT_EQ(TIcmpVerdict::ivMatch, d.Verdict) << "length " << n;
      EXPECT_EQ(static_cast<int32_t>(n), d.Status.BytesReceived);
      if (d.Status.Kind == TReplyKind::rkEcho) {
        EXPECT_EQ(n > ip + 20 ? n - ip - 20 : 0, d.Payload.size()) << "length " << n;
      }
    }
  }
}

}  // namespace
