#include "netlib/NetIcmpPacket.h"

#include <cstring>

namespace {
constexpr size_t IcmpHeaderSize = 8;
constexpr size_t IcmpEchoPayloadOffset = 20;
constexpr size_t MinIPHeaderWords = 5;

uint16_t Read16LE(const uint8_t* P) { return static_cast<uint16_t>(P[0] | P[1] << 8); }

void Write16LE(uint8_t* P, uint16_t V) {
  P[0] = static_cast<uint8_t>(V);
  P[1] = static_cast<uint8_t>(V >> 8);
}

// Header length in bytes of the IPv4 header at P, 0 when it is not one.
size_t IPHeaderSize(const uint8_t* P) {
  const size_t words = P[0] & 0x0F;
  return (P[0] >> 4) == 4 && words >= MinIPHeaderWords ? words * 4 : 0;
}
}  // namespace

std::string DottedAddress(const uint8_t* Bytes) {
  return std::to_string(Bytes[0]) + "." + std::to_string(Bytes[1]) + "." + std::to_string(Bytes[2]) +
         "." + std::to_string(Bytes[3]);
}

uint16_t InternetChecksum(const uint8_t* Data, size_t Size) {
  uint32_t sum = 0;
  size_t i = 0;
  for (; i + 1 < Size; i += 2) {
    uint16_t word;
    std::memcpy(&word, Data + i, 2);
    sum += word;
  }
  if (i < Size) sum += Data[i];
  sum = (sum >> 16) + (sum & 0xFFFF);
  sum += sum >> 16;
  return static_cast<uint16_t>(~sum);
}

void BuildEchoRequest(uint8_t* Packet, uint16_t Identifier, uint16_t Sequence, uint32_t TimeStamp,
                      const std::string& Payload) {
  std::memset(Packet, 0, IcmpEchoRequestSize);
  Packet[0] = IcmpEchoRequest;
  Write16LE(Packet + 4, Identifier);
  Write16LE(Packet + 6, Sequence);
  for (int i = 0; i < 4; ++i) Packet[8 + i] = static_cast<uint8_t>(TimeStamp >> (8 * i));
  for (size_t i = 0; i < IcmpEchoPayloadSize; ++i)
    Packet[IcmpEchoPayloadOffset + i] = static_cast<uint8_t>(i < Payload.size() ? Payload[i] : 'E');
  const uint16_t sum = InternetChecksum(Packet, IcmpEchoRequestSize);
  std::memcpy(Packet + 2, &sum, 2);
}

TIcmpDecoded DecodeIcmpDatagram(const uint8_t* Data, size_t Length, const TIcmpExpectation& Expected) {
  TIcmpDecoded r;
  if (!Data || Length < MinIPHeaderWords * 4) return r;
  const size_t ip = IPHeaderSize(Data);
  if (ip == 0 || ip + IcmpHeaderSize > Length) return r;
  const uint8_t* icmp = Data + ip;
  const uint8_t type = icmp[0];
  uint16_t identifier, sequence;
  TReplyKind kind;
  switch (type) {
    case IcmpEchoReply:
    case IcmpEchoRequest:
      identifier = Read16LE(icmp + 4);
      sequence = Read16LE(icmp + 6);
      kind = TReplyKind::rkEcho;
      if (type == IcmpEchoRequest && std::memcmp(Data + 12, Expected.Destination.data(), 4) != 0) {
        r.Verdict = TIcmpVerdict::ivForeign;
        return r;
      }
      break;
    case IcmpUnreachable:
    case IcmpTimeExceeded: {
      const size_t quoted = ip + IcmpHeaderSize;
      if (quoted + MinIPHeaderWords * 4 > Length) return r;
      const size_t qip = IPHeaderSize(Data + quoted);
      if (qip == 0 || quoted + qip + IcmpHeaderSize > Length) return r;
      const uint8_t* qicmp = Data + quoted + qip;
      if (Data[quoted + 9] != 1 || qicmp[0] != IcmpEchoRequest) {
        r.Verdict = TIcmpVerdict::ivForeign;
        return r;
      }
      identifier = Read16LE(qicmp + 4);
      sequence = Read16LE(qicmp + 6);
      kind = type == IcmpUnreachable ? TReplyKind::rkUnreachable : TReplyKind::rkTtlExceeded;
      break;
    }
    default:
      r.Verdict = TIcmpVerdict::ivUnknownType;
      return r;
  }
  if (identifier != Expected.Identifier || sequence != Expected.Sequence) {
    r.Verdict = TIcmpVerdict::ivForeign;
    return r;
  }
  r.Verdict = TIcmpVerdict::ivMatch;
  r.Status.BytesReceived = static_cast<int32_t>(Length);
  r.Status.FromAddress = DottedAddress(Data + 12);
  r.Status.MessageType = type;
  r.Status.SequenceId = sequence;
  r.Status.TimeToLive = Data[8];
  r.Status.Kind = kind;
  if (kind == TReplyKind::rkEcho && ip + IcmpEchoPayloadOffset < Length)
    r.Payload.assign(reinterpret_cast<const char*>(icmp + IcmpEchoPayloadOffset),
                     Length - ip - IcmpEchoPayloadOffset);
  return r;
}
