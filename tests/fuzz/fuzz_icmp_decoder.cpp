// The ICMP reply decoder on hostile datagrams. Input: identifier and
// sequence (little-endian), the destination address, then the datagram.
// Reading outside the datagram is caught by AddressSanitizer; a match must
// be consistent with the bytes it came from.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "netlib/NetIcmpPacket.h"

namespace {
void Check(bool Condition) {
  if (!Condition) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size < 8) return 0;
  TIcmpExpectation e;
  e.Identifier = static_cast<uint16_t>(Data[0] | Data[1] << 8);
  e.Sequence = static_cast<uint16_t>(Data[2] | Data[3] << 8);
  std::memcpy(e.Destination.data(), Data + 4, 4);
  const std::vector<uint8_t> datagram(Data + 8, Data + Size);   // exactly sized on the heap
  const TIcmpDecoded d = DecodeIcmpDatagram(datagram.data(), datagram.size(), e);
  if (d.Verdict != TIcmpVerdict::ivMatch) {
    Check(d.Payload.empty());
    return 0;
  }
  const size_t ip = (datagram[0] & 0x0F) * 4u;
  Check(ip >= 20 && ip + 8 <= datagram.size());
  Check(d.Status.BytesReceived == static_cast<int32_t>(datagram.size()));
  Check(d.Status.SequenceId == e.Sequence);
  Check(d.Status.FromAddress == DottedAddress(datagram.data() + 12));
  Check(d.Status.MessageType == datagram[ip]);
  switch (d.Status.Kind) {
    case TReplyKind::rkEcho:
      Check(d.Status.MessageType == 0 || d.Status.MessageType == 8);
      Check(d.Payload.size() == (datagram.size() > ip + 20 ? datagram.size() - ip - 20 : 0));
      if (d.Status.MessageType == 8) Check(std::memcmp(datagram.data() + 12, e.Destination.data(), 4) == 0);
      break;
    case TReplyKind::rkUnreachable:
    case TReplyKind::rkTtlExceeded:
      Check(d.Payload.empty());
      Check(d.Status.MessageType == (d.Status.Kind == TReplyKind::rkUnreachable ? 3 : 11));
      break;
    default:
      std::abort();
  }
  // A request built from the input round-trips through the checksum.
  uint8_t request[IcmpEchoRequestSize];
  BuildEchoRequest(request, e.Identifier, e.Sequence, 0, d.Payload);
  Check(InternetChecksum(request, sizeof request) == 0);
  return 0;
}
