// ICMP echo client: sends one echo request with the current TTL and
// classifies the answer (echo, time-out, unreachable, TTL exceeded).
//
// Seam for the traceroute: TNetEchoProbe is all a trace needs of a client.
// NewIcmpEchoProbe gives one over a real TNetIcmpClient; a test gives the
// trace a scripted fake instead. Replies themselves are decoded by the pure
// DecodeIcmpDatagram (NetIcmpPacket.h).
#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "netlib/NetIcmpPacket.h"
#include "netlib/NetRawClient.h"

using TOnReplyEvent = std::function<void(TComponent* ASender, const TReplyStatus& AReplyStatus)>;

class TNetIcmpClient : public TNetRawClient {
  DECLARE_CLASSINFO(TNetIcmpClient)
public:
  explicit TNetIcmpClient(TComponent* AOwner);   // Protocol 1, ReceiveTimeout 5000

  TOnReplyEvent OnReply;

  // One exchange: a non-zero Sequence becomes the client's sequence number;
  // the request goes to Host; the answer (or the time-out) lands in
  // ReplyStatus; the socket is closed; OnReply runs; the sequence number
  // advances. Datagrams that are not the answer (other programs' ICMP, runts,
  // unknown types, our own request seen from another address) are skipped
  // while the time-out, counted from the start of the wait, runs.
  // On an exception ReplyStatus and the sequence number stay as they were
  // and the socket stays open.
  void SendEcho(const std::string& Payload = "", uint16_t Sequence = 0);
  const TReplyStatus& ReplyStatus() const { return FReplyStatus; }
  // Of an echo reply: its bytes from ICMP offset 20 to the end of the datagram.
  const std::string& EchoPayload() const { return FEchoPayload; }
  uint16_t SequenceNumber() const { return FSequence; }   // of the next request
  uint32_t PacketSize() const { return FPacketSize; }

private:
  TReplyStatus WaitForReply(const TIcmpExpectation& Expected, std::string& Payload);
  std::array<uint8_t, 1024> FReceiveBuffer{};
  std::array<uint8_t, 1024> FSendBuffer{};
  uint16_t FSequence = 3489;
  uint32_t FPacketSize = 0;
  TReplyStatus FReplyStatus;
  std::string FEchoPayload;
};

// What a traceroute does with an echo client, one probe at a time.
class TNetEchoProbe {
public:
  virtual ~TNetEchoProbe() = default;
  virtual void SetHost(const std::string& AHost) = 0;
  virtual void SetReceiveTimeout(int Ms) = 0;
  virtual void SetTTL(int Value) = 0;   // may raise ENetInvalidSocket
  virtual void SendEcho(const std::string& Payload = "", uint16_t Sequence = 0) = 0;
  virtual const TReplyStatus& ReplyStatus() const = 0;
};

// A probe over a new TNetIcmpClient without owner (the client lives as long
// as the probe; making it starts the socket stack when no component runs).
std::unique_ptr<TNetEchoProbe> NewIcmpEchoProbe();
