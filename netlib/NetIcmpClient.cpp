#include "netlib/NetIcmpClient.h"

#include <algorithm>

IMPLEMENT_CLASSINFO(TNetIcmpClient, TNetRawClient)

TNetIcmpClient::TNetIcmpClient(TComponent* AOwner) : TNetRawClient(AOwner) {
  Protocol = WinSock2::ipprotoIcmp;
  ReceiveTimeout = 5000;
  DefaultReceiveTimeout = 5000;
}

void TNetIcmpClient::SendEcho(const std::string& Payload, uint16_t Sequence) {
  if (Sequence != 0) FSequence = Sequence;
  const uint16_t identifier = static_cast<uint16_t>(ProcessIdentifier());
  BuildEchoRequest(FSendBuffer.data(), identifier, FSequence, TickCount(), Payload);
  FPacketSize = IcmpEchoRequestSize;
  const uint32_t start = TickCount();
  const std::string address = Stack().HostToAddressText(Host);
  const TIcmpExpectation expected{identifier, FSequence, Stack().TextToAddress(address)};
  Send(address, Port, FSendBuffer.data(), static_cast<int>(FPacketSize));
  std::string payload;
  TReplyStatus status = WaitForReply(expected, payload);
  status.RoundTripMs = TicksBetween(start, TickCount());
  FReplyStatus = status;
  FEchoPayload = std::move(payload);
  Binding().CloseSocket();
  if (OnReply) OnReply(this, FReplyStatus);
  ++FSequence;
}

TReplyStatus TNetIcmpClient::WaitForReply(const TIcmpExpectation& Expected, std::string& Payload) {
  FReceiveBuffer.fill(0);
  const int limit = EffectiveTimeout(ReceiveTimeout);   // -2: no limit
  const uint32_t start = TickCount();
  TReplyStatus timedOut;
  timedOut.SequenceId = FSequence;
  auto elapsed = [start] { return static_cast<int64_t>(TicksBetween(start, TickCount())); };
  for (;;) {
    const int wait = limit < 0 ? NetTimeoutInfinite : static_cast<int>(std::max<int64_t>(0, limit - elapsed()));
    int n = ReceiveInto(FReceiveBuffer.data(), static_cast<int>(FReceiveBuffer.size()), wait);
    if (Stack().CheckSocketResult(n, {WinSock2::wsaEMsgSize})) n = static_cast<int>(FReceiveBuffer.size());
    if (n == 0) return timedOut;
    TIcmpDecoded d = DecodeIcmpDatagram(FReceiveBuffer.data(), static_cast<size_t>(n), Expected);
    if (d.Verdict == TIcmpVerdict::ivMatch) {
      Payload = std::move(d.Payload);
      return d.Status;
    }
    if (limit >= 0 && elapsed() >= limit) return timedOut;
  }
}

namespace {
class TIcmpEchoProbe final : public TNetEchoProbe {
public:
  TIcmpEchoProbe() : FClient(std::make_unique<TNetIcmpClient>(nullptr)) {}
  void SetHost(const std::string& AHost) override { FClient->Host = AHost; }
  void SetReceiveTimeout(int Ms) override { FClient->ReceiveTimeout = Ms; }
  void SetTTL(int Value) override { FClient->SetTTL(Value); }
  void SendEcho(const std::string& Payload, uint16_t Sequence) override { FClient->SendEcho(Payload, Sequence); }
  const TReplyStatus& ReplyStatus() const override { return FClient->ReplyStatus(); }

private:
  std::unique_ptr<TNetIcmpClient> FClient;
};
}  // namespace

std::unique_ptr<TNetEchoProbe> NewIcmpEchoProbe() { return std::make_unique<TIcmpEchoProbe>(); }
