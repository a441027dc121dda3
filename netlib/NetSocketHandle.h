// One socket with its local and peer address. Raw clients and TCP I/O
// handlers own one each; every call goes through GlobalStack.
#pragma once
#include <string>

#include "classlib/Collections.h"
#include "netlib/NetStack.h"

class TNetSocketHandle : public TCollectionItem {
  DECLARE_CLASSINFO(TNetSocketHandle)
public:
  // Inside a TNetSocketHandles collection Port starts at its DefaultPort.
  explicit TNetSocketHandle(TCollection* ACollection = nullptr);
  ~TNetSocketHandle() override;   // closes the socket; never throws

  std::string IP;          // local address
  int Port = 0;            // local port
  std::string PeerIP;
  int PeerPort = 0;
  int ClientPortMin = 0;   // a local port range for Bind when Port is 0
  int ClientPortMax = 0;

  TNetSocket Handle() const { return FHandle; }
  bool HandleAllocated() const { return FHandleAllocated; }

  void Assign(TPersistent* Source) override;   // addresses and ports of another handle
  // Closes any old socket, then creates one (ENetInvalidSocket).
  void OpenSocket(int Type, int Protocol);
  // Shuts sending down and closes, once; the results are ignored.
  virtual void CloseSocket(bool ResetLocal = true);
  void ClearState(bool ResetLocal);
  // One attempt at IP:Port, or (Port 0 and a range) every port of the range
  // from the top down.
  void Bind();
  virtual int Connect(int Family = WinSock2::afInet);
  bool Accept(TNetSocket Listening);   // false when interrupted or not a socket
  int Send(const void* Buffer, int Length, int Flags = 0);
  int Recv(void* Buffer, int Length, int Flags = 0);
  virtual int RecvFrom(void* Buffer, int Length, int Flags, std::string& AIP, int& APort);
  // ENetPackageSizeTooBig, ENetSocketError or ENetNotAllBytesSent.
  void SendTo(const std::string& AIP, int APort, const void* Buffer, int Size);
  void SetSockOpt(int Level, int Option, const void* Value, int Length);   // ENetSocketError
  void AssignPeer(const std::string& AIP, int APort);
  // Whether data waits within TimeoutMs (negative: no limit). A socket error
  // raises ENetSocketError; a closed handle ENetConnClosedGracefully.
  bool WaitReadable(int TimeoutMs);
  void UpdateBindingLocal();
  void UpdateBindingPeer();

private:
  bool TryBind();
  bool SelectReadable(int TimeoutMs);
  TNetSocket FHandle = WinSock2::InvalidSocket;
  bool FHandleAllocated = false;
};

// Socket handles of one owner, with the port new ones start at.
class TNetSocketHandles : public TOwnedCollection {
  DECLARE_CLASSINFO(TNetSocketHandles)
public:
  explicit TNetSocketHandles(TPersistent* AOwner);
  TNetSocketHandle* Add() { return static_cast<TNetSocketHandle*>(TOwnedCollection::Add()); }
  int DefaultPort = 0;
};
