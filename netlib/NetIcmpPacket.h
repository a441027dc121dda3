// ICMP echo on the wire: the request the echo client sends, and the pure
// decoder that classifies what a raw ICMP socket hands back. Nothing here
// touches the system, so the decoder is fuzzed natively and a traceroute
// test can feed it crafted datagrams.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

enum class TReplyKind : uint8_t { rkEcho, rkError, rkTimeOut, rkUnreachable, rkTtlExceeded };

// The answer to one echo request (see TNetIcmpClient::SendEcho).
struct TReplyStatus {
  int32_t BytesReceived = 0;          // whole datagram, IP header included; 0 on a time-out
  std::string FromAddress = "0.0.0.0";
  uint8_t MessageType = 0;            // ICMP type of the reply
  uint16_t SequenceId = 0;            // for errors: from the quoted request
  uint32_t RoundTripMs = 0;
  uint8_t TimeToLive = 0;             // of the received datagram
  TReplyKind Kind = TReplyKind::rkTimeOut;
};

using TIPv4Bytes = std::array<uint8_t, 4>;   // network order

// Dotted decimal text of four address bytes.
std::string DottedAddress(const uint8_t* Bytes);

constexpr size_t IcmpEchoRequestSize = 52;
constexpr size_t IcmpEchoPayloadSize = 32;
constexpr uint8_t IcmpEchoReply = 0;
constexpr uint8_t IcmpUnreachable = 3;
constexpr uint8_t IcmpEchoRequest = 8;
constexpr uint8_t IcmpTimeExceeded = 11;

// RFC 1071 checksum of Size bytes, words read in machine order; the result
// is stored in machine order too.
uint16_t InternetChecksum(const uint8_t* Data, size_t Size);

// Fills the 52-byte echo request: type 8, code 0, identifier and sequence
// little-endian, the time stamp, 8 reserved zero bytes, then the payload's
// first 32 characters padded with "E"; the checksum last.
void BuildEchoRequest(uint8_t* Packet, uint16_t Identifier, uint16_t Sequence, uint32_t TimeStamp,
                      const std::string& Payload);

// What makes a datagram the answer to our request.
struct TIcmpExpectation {
  uint16_t Identifier = 0;
  uint16_t Sequence = 0;
  TIPv4Bytes Destination{};   // where the request went
};

enum class TIcmpVerdict {
  ivMatch,         // the answer: Status and Payload are filled
  ivRunt,          // shorter than its headers claim, or a header length below 5
  ivUnknownType,   // an ICMP type other than 0, 3, 8 and 11
  ivForeign        // well formed, but another request's (or another host's copy)
};

struct TIcmpDecoded {
  TIcmpVerdict Verdict = TIcmpVerdict::ivRunt;
  TReplyStatus Status;    // BytesReceived, FromAddress, MessageType, SequenceId, TimeToLive, Kind
  std::string Payload;    // echo: the bytes from ICMP offset 20 to the end of the datagram
};

// Classifies one IPv4 datagram of Length bytes as a raw ICMP socket
// delivers it. Every offset is checked against Length; the header lengths
// (outer and quoted) must be at least 5 words.
// - Echo reply (0): ours when identifier and sequence are ours.
// - Echo request (8): only the copy of our own request, seen when the
//   destination is this machine: identifier and sequence ours and the
//   source the destination; taken as an echo.
// - Unreachable (3), time exceeded (11): ours when the quoted datagram is an
//   ICMP echo request (protocol 1, type 8) with our identifier and sequence.
TIcmpDecoded DecodeIcmpDatagram(const uint8_t* Data, size_t Length, const TIcmpExpectation& Expected);
