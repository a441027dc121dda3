#include "netlib/NetRawBase.h"

#include <cstdint>

IMPLEMENT_CLASSINFO(TNetRawBase, TNetComponent)

TNetRawBase::TNetRawBase(TComponent* AOwner)
    : TNetComponent(AOwner), FBinding(std::make_unique<TNetSocketHandle>()) {
  SetBufferSize(8192);
}

TNetRawBase::~TNetRawBase() {
  FBinding.reset();
  FBuffer.reset();
}

void TNetRawBase::SetBufferSize(int Value) {
  if (!FBuffer) FBuffer = std::make_unique<TMemoryStream>();
  FBuffer->SetSize(Value > 0 ? Value : 0);
  FBufferSize = Value;
}

void TNetRawBase::SetTTL(int Value) {
  FTTL = Value;
  RawSocket();
}

TNetSocket TNetRawBase::RawSocket() {
  if (!FBinding->HandleAllocated()) FBinding->OpenSocket(WinSock2::sockRaw, Protocol);
  const int32_t ttl = FTTL;
  FBinding->SetSockOpt(WinSock2::ipprotoIp, WinSock2::ipTtl, &ttl, sizeof ttl);
  return FBinding->Handle();
}

void TNetRawBase::Send(const std::string& AHost, int APort, const void* Buffer, int Size) {
  const std::string address = Stack().HostToAddressText(AHost);
  RawSocket();
  FBinding->SendTo(address, APort, Buffer, Size);
}

int TNetRawBase::EffectiveTimeout(int TimeoutMs) const {
  if (TimeoutMs >= 0 || TimeoutMs == NetTimeoutInfinite) return TimeoutMs;
  if (ReceiveTimeout >= 0 || ReceiveTimeout == NetTimeoutInfinite) return ReceiveTimeout;
  return DefaultReceiveTimeout;
}

int TNetRawBase::ReceiveInto(void* Buffer, int Size, int TimeoutMs) {
  if (Size < 1 || !Buffer) return 0;
  const int wait = EffectiveTimeout(TimeoutMs);
  RawSocket();
  if (FBinding->WaitReadable(wait)) return FBinding->Recv(Buffer, Size, 0);
  return 0;
}
