// The plain socket transport: connects with or without a time-out, through
// a SOCKS 4, 4A or 5 proxy when asked, and moves bytes with recv/send.
#pragma once
#include <memory>
#include <string>

#include "classlib/Threads.h"
#include "netlib/NetIOHandler.h"
#include "netlib/NetSocketHandle.h"
#include "netlib/NetSocks.h"

class TNetIOHandlerSocket : public TNetIOHandler {
  DECLARE_CLASSINFO(TNetIOHandlerSocket)
public:
  explicit TNetIOHandlerSocket(TComponent* AOwner);
  ~TNetIOHandlerSocket() override;

  bool UseNagle = true;

  // Made by OpenHandler; null before.
  TNetSocketHandle* Binding() const { return FBinding.get(); }
  // Made (without owner, freed with the handler) when none was given.
  TNetSocksInfo* SocksInfo();
  // Refers to Value from now on (forgotten when it is freed).
  void SetSocksInfo(TNetSocksInfo* Value);

  void CloseHandler() override;
  void ConnectTo(const std::string& AHost, int APort, const std::string& ABoundIP, int ABoundPort, int ABoundPortMin,
                 int ABoundPortMax, int ATimeout) override;
  void OpenHandler() override;
  bool Connected() override;
  bool WaitReadable(int ATimeout) override;
  // Both raise ENetClosedSocket without an open socket.
  int ReceiveBytes(void* ABuffer, int ASize) override;
  int SendBlock(const void* ABuffer, int ASize) override;
  int LastError() override { return FLastError; }

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  // The socket's handle for a subclass that runs its own protocol on it.
  void CheckOpen() const;
  int FLastError = 0;

private:
  void ConnectWithTimeout(int ATimeout);
  std::unique_ptr<TNetSocketHandle> FBinding;
  std::unique_ptr<TNetSocksInfo> FOwnSocksInfo;
  TNetSocksInfo* FSocksInfo = nullptr;
};

// Runs a blocking connect so that the caller can give up on it. Failures
// 10009 and 10038 (the socket was closed under it) are not failures.
class TNetConnectThread : public TThread {
  DECLARE_CLASSINFO(TNetConnectThread)
public:
  explicit TNetConnectThread(TNetSocketHandle& ABinding) : FBinding(ABinding) {}
  std::string ErrorMessage;
  int LastSocketError = 0;
  std::atomic<bool> Done{false};

protected:
  void Execute() override;

private:
  TNetSocketHandle& FBinding;
};
