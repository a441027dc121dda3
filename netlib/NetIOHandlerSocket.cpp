#include "netlib/NetIOHandlerSocket.h"

#include <algorithm>

#include "netlib/NetAntiFreezeBase.h"
#include "netlib/NetException.h"
#include "netlib/NetGlobal.h"
#include "netlib/NetResourceStrings.h"

namespace ws = WinSock2;

IMPLEMENT_CLASSINFO(TNetIOHandlerSocket, TNetIOHandler)
IMPLEMENT_CLASSINFO(TNetConnectThread, TThread)

namespace {
constexpr int TcpNoDelay = 1;      // option of level IPPROTO_TCP
constexpr int ConnectSliceMs = 125;
constexpr int AntiFreezeConnectMs = 120000;
constexpr int wsaEBadF = 10009;
}  // namespace

void TNetConnectThread::Execute() {
  try {
    if (FBinding.Connect(ws::afInet) == ws::SocketError) {
      const int code = Stack().LastSocketError();
      if (code != wsaEBadF && code != ws::wsaENotSock) {
        LastSocketError = code;
        ErrorMessage = Stack().ErrorText(code);
      }
    }
  } catch (const Exception& e) {
    ErrorMessage = e.Message;
  }
  Done = true;
}

TNetIOHandlerSocket::TNetIOHandlerSocket(TComponent* AOwner) : TNetIOHandler(AOwner) {}

TNetIOHandlerSocket::~TNetIOHandlerSocket() {
  try {
    CloseHandler();
  } catch (...) {
    // the socket is gone either way
  }
  SetSocksInfo(nullptr);
}

TNetSocksInfo* TNetIOHandlerSocket::SocksInfo() {
  if (!FSocksInfo) {
    FOwnSocksInfo = std::make_unique<TNetSocksInfo>(nullptr);
    FSocksInfo = FOwnSocksInfo.get();
    FSocksInfo->IOHandler = this;
  }
  return FSocksInfo;
}

void TNetIOHandlerSocket::SetSocksInfo(TNetSocksInfo* Value) {
  if (Value == FSocksInfo) return;
  if (FSocksInfo && FSocksInfo->IOHandler == this) FSocksInfo->IOHandler = nullptr;
  if (FSocksInfo && FSocksInfo != FOwnSocksInfo.get()) FSocksInfo->RemoveFreeNotification(this);
  FOwnSocksInfo.reset();
  FSocksInfo = Value;
  if (FSocksInfo) {
    FSocksInfo->FreeNotification(this);
    FSocksInfo->IOHandler = this;
  }
}

void TNetIOHandlerSocket::Notification(TComponent* AComponent, TOperation Operation) {
  TNetIOHandler::Notification(AComponent, Operation);
  if (Operation == TOperation::opRemove && AComponent == FSocksInfo && FSocksInfo != FOwnSocksInfo.get())
    FSocksInfo = nullptr;
}

void TNetIOHandlerSocket::OpenHandler() {
  TNetIOHandler::OpenHandler();
  if (!FBinding) FBinding = std::make_unique<TNetSocketHandle>();
}

void TNetIOHandlerSocket::CloseHandler() {
  if (FBinding) FBinding->CloseSocket(true);
  TNetIOHandler::CloseHandler();
}

bool TNetIOHandlerSocket::Connected() { return IsOpen() && FBinding && FBinding->HandleAllocated(); }

void TNetIOHandlerSocket::CheckOpen() const {
  if (!FBinding || !FBinding->HandleAllocated()) throw ENetClosedSocket(RSDisconnected);
}

void TNetIOHandlerSocket::ConnectTo(const std::string& AHost, int APort, const std::string& ABoundIP, int ABoundPort,
                                    int ABoundPortMin, int ABoundPortMax, int ATimeout) {
  if (!FBinding) OpenHandler();
  const uint32_t start = TickCount();
  const TSocksVersion socks = FSocksInfo ? FSocksInfo->Version : TSocksVersion::svNoSocks;
  const std::string host = socks != TSocksVersion::svNoSocks ? FSocksInfo->Host : AHost;
  const int port = socks != TSocksVersion::svNoSocks ? FSocksInfo->Port : APort;
  if (socks != TSocksVersion::svNoSocks) FSocksInfo->CheckFieldLengths(AHost);

  TNetSocketHandle& b = *FBinding;
  b.OpenSocket(ws::sockStream, 0);
  b.IP = ABoundIP;
  b.Port = ABoundPort;
  b.ClientPortMin = ABoundPortMin;
  b.ClientPortMax = ABoundPortMax;
  b.Bind();
  if (!IsIPText(host)) FireStatus(TNetStatus::nsResolving, {host});
  b.AssignPeer(Stack().HostToAddressText(host), port);
  const int32_t noDelay = UseNagle ? 0 : 1;
  b.SetSockOpt(ws::ipprotoTcp, TcpNoDelay, &noDelay, sizeof noDelay);
  FireStatus(TNetStatus::nsConnecting, {b.PeerIP});

  if (ATimeout != 0 && ATimeout != NetTimeoutDefault) ConnectWithTimeout(ATimeout);
  else if (TNetAntiFreezeBase::ShouldUse()) ConnectWithTimeout(AntiFreezeConnectMs);
  else Stack().CheckSocketResult(b.Connect(ws::afInet));

  // A proxy's handshake gets what the time-out leaves.
  int handshake = NetTimeoutInfinite;
  if (ATimeout > 0) handshake = std::max(1, ATimeout - static_cast<int>(TicksBetween(start, TickCount())));
  switch (socks) {
    case TSocksVersion::svSocks4:
    case TSocksVersion::svSocks4A: FSocksInfo->MakeSocks4Connection(b, AHost, APort, handshake); break;
    case TSocksVersion::svSocks5: FSocksInfo->MakeSocks5Connection(b, AHost, APort, handshake); break;
    case TSocksVersion::svNoSocks: break;
  }
}

void TNetIOHandlerSocket::ConnectWithTimeout(int ATimeout) {
  TNetConnectThread thread(*FBinding);
  thread.Start();
  int slice = ConnectSliceMs;
  if (TNetAntiFreezeBase::ShouldUse()) slice = SmallerOf(slice, AntiFreezeInstance->IdleTimeOut);
  const uint32_t start = TickCount();
  while (!thread.Done) {
    if (ATimeout != NetTimeoutInfinite && TicksBetween(start, TickCount()) >= static_cast<uint32_t>(ATimeout)) break;
    SleepMs(static_cast<DWORD>(slice));
    TNetAntiFreezeBase::DoProcess(false);
  }
  if (!thread.Done) {
    thread.Terminate();
    // Closing the socket aborts the connect; the binding's fields stay the
    // thread's until it has ended, then they are cleared.
    Stack().SocketClose(FBinding->Handle());
    thread.WaitFor();
    FBinding->ClearState(true);
    CloseHandler();
    throw ENetConnectTimeout(RSConnectTimeout);
  }
  thread.WaitFor();
  if (thread.LastSocketError != 0) throw ENetSocketError(thread.LastSocketError, thread.ErrorMessage);
  if (!thread.ErrorMessage.empty()) throw ENetConnectException(thread.ErrorMessage);
}

bool TNetIOHandlerSocket::WaitReadable(int ATimeout) {
  CheckOpen();
  return FBinding->WaitReadable(ATimeout);
}

int TNetIOHandlerSocket::ReceiveBytes(void* ABuffer, int ASize) {
  CheckOpen();
  const int n = FBinding->Recv(ABuffer, ASize, 0);
  if (n == ws::SocketError) FLastError = Stack().LastSocketError();
  return n;
}

int TNetIOHandlerSocket::SendBlock(const void* ABuffer, int ASize) {
  CheckOpen();
  const int n = FBinding->Send(ABuffer, ASize, 0);
  if (n == ws::SocketError) FLastError = Stack().LastSocketError();
  return n;
}
