#include "netlib/NetSocketHandle.h"

#include <vector>

#include "netlib/NetAntiFreezeBase.h"
#include "netlib/NetException.h"
#include "netlib/NetResourceStrings.h"

IMPLEMENT_CLASSINFO(TNetSocketHandle, TCollectionItem)
IMPLEMENT_CLASSINFO(TNetSocketHandles, TOwnedCollection)

TNetSocketHandles::TNetSocketHandles(TPersistent* AOwner)
    : TOwnedCollection(AOwner, CollectionItemClassOf<TNetSocketHandle>()) {}

TNetSocketHandle::TNetSocketHandle(TCollection* ACollection) : TCollectionItem(ACollection) {
  ClearState(true);
  if (auto* handles = dynamic_cast<TNetSocketHandles*>(ACollection)) Port = handles->DefaultPort;
}

TNetSocketHandle::~TNetSocketHandle() {
  try {
    CloseSocket(true);
  } catch (...) {
    // at teardown the stack or the library may be gone; the handle is lost either way
  }
}

void TNetSocketHandle::Assign(TPersistent* Source) {
  if (auto* h = dynamic_cast<TNetSocketHandle*>(Source)) {
    IP = h->IP;
    Port = h->Port;
    PeerIP = h->PeerIP;
    PeerPort = h->PeerPort;
    return;
  }
  TCollectionItem::Assign(Source);
}

void TNetSocketHandle::OpenSocket(int Type, int Protocol) {
  CloseSocket(true);
  if (FHandleAllocated) ClearState(true);
  FHandle = Stack().NewSocket(Type, Protocol);
  FHandleAllocated = true;
}

void TNetSocketHandle::CloseSocket(bool ResetLocal) {
  if (!FHandleAllocated) return;
  FHandleAllocated = false;
  const TNetSocket h = FHandle;
  ClearState(ResetLocal);
  if (GlobalStack) {
    GlobalStack->SocketShutdown(h, WinSock2::sdSend);
    GlobalStack->SocketClose(h);
  }
}

void TNetSocketHandle::ClearState(bool ResetLocal) {
  FHandleAllocated = false;
  FHandle = WinSock2::InvalidSocket;
  PeerIP.clear();
  PeerPort = 0;
  if (ResetLocal) {
    IP.clear();
    Port = 0;
  }
}

bool TNetSocketHandle::TryBind() {
  TNetStack& s = Stack();
  if (s.CheckSocketResult(s.SocketBind(FHandle, WinSock2::afInet, IP, Port), {WinSock2::wsaEAddrInUse}))
    return false;
  UpdateBindingLocal();
  return true;
}

void TNetSocketHandle::Bind() {
  if (Port != 0 || ClientPortMin == 0 || ClientPortMax == 0) {
    if (!TryBind()) throw ENetCouldNotBindSocket(RSCouldNotBindSocket);
    return;
  }
  if (ClientPortMin > ClientPortMax)
    throw ENetInvalidPortRange(Format(RSInvalidPortRange, ClientPortMin, ClientPortMax));
  for (int p = ClientPortMax; p >= ClientPortMin; --p) {
    Port = p;
    if (TryBind()) return;
  }
  Port = 0;
  throw ENetCanNotBindPortInRange(Format(RSCanNotBindPortInRange, ClientPortMin, ClientPortMax));
}

int TNetSocketHandle::Connect(int Family) {
  const int r = Stack().SocketConnect(FHandle, Family, PeerIP, PeerPort);
  if (r != WinSock2::SocketError) {
    UpdateBindingLocal();
    UpdateBindingPeer();
  }
  return r;
}

bool TNetSocketHandle::Accept(TNetSocket Listening) {
  CloseSocket(true);
  ClearState(true);
  TNetStack& s = Stack();
  const TNetSocket h = s.SocketAccept(Listening, PeerIP, PeerPort);
  if (s.CheckSocketResult(h == WinSock2::InvalidSocket ? WinSock2::SocketError : 0,
                          {WinSock2::wsaEIntr, WinSock2::wsaENotSock}))
    return false;
  FHandle = h;
  FHandleAllocated = true;
  UpdateBindingLocal();
  UpdateBindingPeer();
  return true;
}

int TNetSocketHandle::Send(const void* Buffer, int Length, int Flags) {
  return Stack().SocketSend(FHandle, Buffer, Length, Flags);
}

int TNetSocketHandle::Recv(void* Buffer, int Length, int Flags) {
  return Stack().SocketRecv(FHandle, Buffer, Length, Flags);
}

int TNetSocketHandle::RecvFrom(void* Buffer, int Length, int Flags, std::string& AIP, int& APort) {
  return Stack().SocketRecvFrom(FHandle, Buffer, Length, Flags, AIP, APort);
}

void TNetSocketHandle::SendTo(const std::string& AIP, int APort, const void* Buffer, int Size) {
  TNetStack& s = Stack();
  const int n = s.SocketSendTo(FHandle, Buffer, Size, 0, AIP, APort);
  if (n == WinSock2::SocketError) {
    const int code = s.LastSocketError();
    s.LastErrorCode = code;
    if (code == WinSock2::wsaEMsgSize) throw ENetPackageSizeTooBig(RSPackageSizeTooBig);
    s.RaiseStackError(code);
  }
  if (n != Size) throw ENetNotAllBytesSent(RSNotAllBytesSent);
}

void TNetSocketHandle::SetSockOpt(int Level, int Option, const void* Value, int Length) {
  TNetStack& s = Stack();
  s.CheckSocketResult(s.SocketSetOption(FHandle, Level, Option, Value, Length));
}

void TNetSocketHandle::AssignPeer(const std::string& AIP, int APort) {
  PeerIP = AIP;
  PeerPort = APort;
}

bool TNetSocketHandle::SelectReadable(int TimeoutMs) {
  if (!FHandleAllocated) throw ENetConnClosedGracefully(RSConnectionClosedGracefully);
  std::vector<TNetSocket> ready{FHandle};
  TNetStack& s = Stack();
  const int n = s.SocketSelect(&ready, nullptr, TimeoutMs);
  s.CheckSocketResult(n);
  TNetAntiFreezeBase::DoProcess(n != 1);
  return n == 1;
}

bool TNetSocketHandle::WaitReadable(int TimeoutMs) {
  if (!TNetAntiFreezeBase::ShouldUse()) return SelectReadable(TimeoutMs);
  const int slice = AntiFreezeInstance->IdleTimeOut;
  if (TimeoutMs < 0) {
    while (!SelectReadable(slice)) {
    }
    return true;
  }
  if (TimeoutMs > slice) return SelectReadable(TimeoutMs - slice) || SelectReadable(slice);
  return SelectReadable(TimeoutMs);
}

void TNetSocketHandle::UpdateBindingLocal() { Stack().LocalAddressOf(FHandle, IP, Port); }

void TNetSocketHandle::UpdateBindingPeer() { Stack().PeerAddressOf(FHandle, PeerIP, PeerPort); }
