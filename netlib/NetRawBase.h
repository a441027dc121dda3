// A component over one raw IPv4 socket with a settable time-to-live.
#pragma once
#include <memory>
#include <string>

#include "netlib/NetComponent.h"
#include "netlib/NetGlobal.h"
#include "netlib/NetSocketHandle.h"

class TNetRawBase : public TNetComponent {
  DECLARE_CLASSINFO(TNetRawBase)
public:
  explicit TNetRawBase(TComponent* AOwner);
  ~TNetRawBase() override;

  std::string Host;          // destination name or address text
  int Port = 0;              // destination port given to the send call
  // Milliseconds; -1 means the component's default, -2 no limit.
  int ReceiveTimeout = 0;
  int Protocol = 255;        // IP protocol of the raw socket

  // Size of a scratch stream the component owns (the echo path has no use for it).
  int BufferSize() const { return FBufferSize; }
  void SetBufferSize(int Value);
  int TTL() const { return FTTL; }
  // Stores and applies the value, opening the raw socket when none is open
  // (ENetInvalidSocket without the right to open raw sockets).
  void SetTTL(int Value);

  TNetSocketHandle& Binding() { return *FBinding; }
  // The open raw socket (opened when needed) with the current TTL applied.
  TNetSocket RawSocket();
  void Send(const std::string& AHost, int APort, const void* Buffer, int Size);
  // Bytes read (-1 on a socket error), or 0 when nothing arrived within
  // TimeoutMs (-1: ReceiveTimeout; -2: no limit).
  int ReceiveInto(void* Buffer, int Size, int TimeoutMs = NetTimeoutDefault);

protected:
  // A time-out as a wait: -2 stays (no limit), other negatives become
  // ReceiveTimeout, and a negative ReceiveTimeout other than -2 becomes
  // DefaultReceiveTimeout.
  int EffectiveTimeout(int TimeoutMs) const;
  int DefaultReceiveTimeout = 0;

private:
  std::unique_ptr<TNetSocketHandle> FBinding;
  std::unique_ptr<TMemoryStream> FBuffer;
  int FBufferSize = 0;
  int FTTL = 128;
};
