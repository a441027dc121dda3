// The socket stack over Winsock 2 as bound by unit NetWinSock2.
#pragma once
#include "netlib/NetStack.h"

// Set once Winsock was started (version 2.2); it is started at most once per
// process, however often the stack object is made again. Shutdown of the
// unit calls WSACleanup when it is set.
extern bool WinsockStarted;

class TNetStackWindows : public TNetStack {
  DECLARE_CLASSINFO(TNetStackWindows)
public:
  TNetStackWindows();   // ENetStackInitializationFailed, ENetWS2StubError

  void RefreshLocalAddressList() override;
  TNetSocket SocketAccept(TNetSocket Socket, std::string& IP, int& Port) override;
  int SocketBind(TNetSocket Socket, int Family, const std::string& IP, int Port) override;
  int SocketClose(TNetSocket Socket) override;
  int SocketConnect(TNetSocket Socket, int Family, const std::string& IP, int Port) override;
  std::string HostNameToAddressText(const std::string& Name) override;
  std::string LocalHostName() override;
  std::string AddressTextToHostName(const std::string& IP) override;
  int ServiceNameToPort(const std::string& Name) override;
  std::unique_ptr<TStringList> PortToServiceNames(int Port) override;
  uint16_t HostToNet16(uint16_t Value) override;
  int SocketListen(TNetSocket Socket, int Backlog) override;
  uint16_t NetToHost16(uint16_t Value) override;
  uint32_t HostToNet32(uint32_t Value) override;
  uint32_t NetToHost32(uint32_t Value) override;
  int SocketRecv(TNetSocket Socket, void* Buffer, int Length, int Flags) override;
  int SocketRecvFrom(TNetSocket Socket, void* Buffer, int Length, int Flags, std::string& IP,
                     int& Port) override;
  int SocketSelect(std::vector<TNetSocket>* ReadList, std::vector<TNetSocket>* WriteList, int TimeoutMs,
                   std::vector<TNetSocket>* ErrorList = nullptr) override;
  int SocketSend(TNetSocket Socket, const void* Buffer, int Length, int Flags) override;
  int SocketSendTo(TNetSocket Socket, const void* Buffer, int Length, int Flags, const std::string& IP,
                   int Port) override;
  int SocketSetOption(TNetSocket Socket, int Level, int Option, const void* Value, int Length) override;
  TNetSocket SocketCreate(int Family, int Type, int Protocol) override;
  int SocketShutdown(TNetSocket Socket, int How) override;
  int SocketSetBlocking(TNetSocket Socket, bool Blocking) override;
  int LastSocketError() override;
  void PeerAddressOf(TNetSocket Socket, std::string& IP, int& Port) override;
  void LocalAddressOf(TNetSocket Socket, std::string& IP, int& Port) override;
  int SocketGetOption(TNetSocket Socket, int Level, int Option, void* Value, int& Length) override;

protected:
  const char* OwnErrorText(int Code) override;

private:
  WinSock2::TSockAddrIn MakeAddress(int Family, const std::string& IP, int Port);
  void ReadAddress(const WinSock2::TSockAddrIn& A, std::string& IP, int& Port);
};

// The handle set of select: a count and 64 slots.
class TNetSocketListWindows : public TNetSocketList {
  DECLARE_CLASSINFO(TNetSocketListWindows)
public:
  void Add(TNetSocket Handle) override;
  void Remove(TNetSocket Handle) override;
  int Count() const override { return static_cast<int>(FSet.Count); }
  TNetSocket Items(int Index) const override;
  void Clear() override { FSet.Count = 0; }

private:
  WinSock2::TFDSet FSet{};
};

std::unique_ptr<TNetStack> NewNetStackWindows();

void NetStackWindows_Initialize();
void NetStackWindows_Finalize();
