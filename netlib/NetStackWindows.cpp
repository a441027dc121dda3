#include "netlib/NetStackWindows.h"

#include <algorithm>

#include "classlib/UnitInit.h"
#include "netlib/NetException.h"
#include "netlib/NetIcmpPacket.h"
#include "netlib/NetResourceStrings.h"

namespace ws = WinSock2;

bool WinsockStarted = false;

IMPLEMENT_CLASSINFO(TNetStackWindows, TNetStack)
IMPLEMENT_CLASSINFO(TNetSocketListWindows, TNetSocketList)

namespace {
TUnitCounter UnitCounter;

ws::TSockAddr* AsSockAddr(ws::TSockAddrIn* A) { return reinterpret_cast<ws::TSockAddr*>(A); }
constexpr int SockAddrSize = sizeof(ws::TSockAddrIn);   // 16
}  // namespace

std::unique_ptr<TNetStack> NewNetStackWindows() { return std::make_unique<TNetStackWindows>(); }

TNetStackWindows::TNetStackWindows() {
  if (WinsockStarted) return;
  ws::TWSAData data{};
  if (ws::WSAStartup(0x0202, &data) != 0) throw ENetStackInitializationFailed(RSStackInitializationFailed);
  WinsockStarted = true;
}

const char* TNetStackWindows::OwnErrorText(int Code) {
  return Code == ws::wsaHostNotFound ? RSStackHOST_NOT_FOUND : nullptr;
}

ws::TSockAddrIn TNetStackWindows::MakeAddress(int Family, const std::string& IP, int Port) {
  ws::TSockAddrIn a{};
  a.Family = static_cast<int16_t>(Family);
  a.Port = ws::htons(static_cast<unsigned short>(Port));
  if (!IP.empty()) {
    const TNetAddressBytes b = TextToAddress(IP);
    std::copy(b.begin(), b.end(), a.Addr.Bytes);
  }
  return a;
}

void TNetStackWindows::ReadAddress(const ws::TSockAddrIn& A, std::string& IP, int& Port) {
  IP = DottedAddress(A.Addr.Bytes);
  Port = ws::ntohs(A.Port);
}

void TNetStackWindows::RefreshLocalAddressList() {
  if (!FLocalAddresses) FLocalAddresses = std::make_unique<TStringList>();
  FLocalAddresses->Clear();
  ws::THostEnt* h = ws::gethostbyname(LocalHostName().c_str());
  if (!h) RaiseStackError(LastSocketError());
  if (h->Length != 4 || !h->AddrList) return;
  for (char** p = h->AddrList; *p; ++p)
    FLocalAddresses->Add(DottedAddress(reinterpret_cast<const uint8_t*>(*p)));
}

TNetSocket TNetStackWindows::SocketAccept(TNetSocket Socket, std::string& IP, int& Port) {
  ws::TSockAddrIn a{};
  int len = SockAddrSize;
  TNetSocket s = ws::accept(Socket, AsSockAddr(&a), &len);
  if (s != ws::InvalidSocket) ReadAddress(a, IP, Port);
  return s;
}

int TNetStackWindows::SocketBind(TNetSocket Socket, int Family, const std::string& IP, int Port) {
  ws::TSockAddrIn a = MakeAddress(Family, IP, Port);
  return ws::bind(Socket, AsSockAddr(&a), SockAddrSize);
}

int TNetStackWindows::SocketClose(TNetSocket Socket) { return ws::closesocket(Socket); }

int TNetStackWindows::SocketConnect(TNetSocket Socket, int Family, const std::string& IP, int Port) {
  ws::TSockAddrIn a = MakeAddress(Family, IP, Port);
  return ws::connect(Socket, AsSockAddr(&a), SockAddrSize);
}

std::string TNetStackWindows::HostNameToAddressText(const std::string& Name) {
  ws::THostEnt* h = ws::gethostbyname(Name.c_str());
  if (!h) RaiseStackError(LastSocketError());
  if (h->Length != 4 || !h->AddrList || !h->AddrList[0]) RaiseStackError(ws::wsaHostNotFound);
  return DottedAddress(reinterpret_cast<const uint8_t*>(h->AddrList[0]));
}

std::string TNetStackWindows::LocalHostName() {
  char buf[250] = {};
  ws::gethostname(buf, sizeof buf - 1);
  return buf;
}

std::string TNetStackWindows::AddressTextToHostName(const std::string& IP) {
  const unsigned long addr = ws::inet_addr(IP.c_str());
  uint32_t bytes = static_cast<uint32_t>(addr);
  ws::THostEnt* h = ws::gethostbyaddr(reinterpret_cast<const char*>(&bytes), 4, ws::afInet);
  if (!h) RaiseStackError(LastSocketError());
  return h->Name ? h->Name : "";
}

int TNetStackWindows::ServiceNameToPort(const std::string& Name) {
  if (ws::TServEnt* s = ws::getservbyname(Name.c_str(), nullptr))
    return ws::ntohs(static_cast<unsigned short>(s->Port));
  int port = 0;
  if (TryStrToInt(Name, port)) return port;
  throw ENetInvalidServiceName(Format(RSInvalidServiceName, Name.c_str()));
}

std::unique_ptr<TStringList> TNetStackWindows::PortToServiceNames(int Port) {
  auto list = std::make_unique<TStringList>();
  ws::TServEnt* s = ws::getservbyport(ws::htons(static_cast<unsigned short>(Port)), nullptr);
  if (s) {
    if (s->Name) list->Add(s->Name);
    for (char** a = s->Aliases; a && *a; ++a) list->Add(*a);
  }
  return list;
}

uint16_t TNetStackWindows::HostToNet16(uint16_t Value) { return ws::htons(Value); }
uint16_t TNetStackWindows::NetToHost16(uint16_t Value) { return ws::ntohs(Value); }
uint32_t TNetStackWindows::HostToNet32(uint32_t Value) { return static_cast<uint32_t>(ws::htonl(Value)); }
uint32_t TNetStackWindows::NetToHost32(uint32_t Value) { return static_cast<uint32_t>(ws::ntohl(Value)); }

int TNetStackWindows::SocketListen(TNetSocket Socket, int Backlog) { return ws::listen(Socket, Backlog); }

int TNetStackWindows::SocketRecv(TNetSocket Socket, void* Buffer, int Length, int Flags) {
  return ws::recv(Socket, static_cast<char*>(Buffer), Length, Flags);
}

int TNetStackWindows::SocketRecvFrom(TNetSocket Socket, void* Buffer, int Length, int Flags, std::string& IP,
                                     int& Port) {
  ws::TSockAddrIn a{};
  int len = SockAddrSize;
  int n = ws::recvfrom(Socket, static_cast<char*>(Buffer), Length, Flags, AsSockAddr(&a), &len);
  if (n != ws::SocketError) ReadAddress(a, IP, Port);
  return n;
}

int TNetStackWindows::SocketSelect(std::vector<TNetSocket>* ReadList, std::vector<TNetSocket>* WriteList,
                                   int TimeoutMs, std::vector<TNetSocket>* ErrorList) {
  ws::TFDSet sets[3];
  std::vector<TNetSocket>* lists[3] = {ReadList, WriteList, ErrorList};
  ws::TFDSet* given[3] = {};
  for (int i = 0; i < 3; ++i) {
    if (!lists[i]) continue;
    if (lists[i]->size() > static_cast<size_t>(ws::setSize))
      throw ENetStackSetSizeExceeded(RSStackSetSizeExceeded);
    sets[i].Count = static_cast<unsigned>(lists[i]->size());
    std::copy(lists[i]->begin(), lists[i]->end(), sets[i].Sockets);
    given[i] = &sets[i];
  }
  ws::TTimeVal tv{};
  const ws::TTimeVal* limit = nullptr;   // negative: no limit
  if (TimeoutMs >= 0) {
    tv.Sec = TimeoutMs / 1000;
    tv.USec = TimeoutMs % 1000 * 1000;
    limit = &tv;
  }
  const int r = ws::select(0, given[0], given[1], given[2], limit);
  for (int i = 0; i < 3; ++i) {
    if (!lists[i]) continue;
    lists[i]->clear();
    if (r != ws::SocketError) lists[i]->assign(sets[i].Sockets, sets[i].Sockets + std::min(sets[i].Count, 64u));
  }
  return r;
}

int TNetStackWindows::SocketSend(TNetSocket Socket, const void* Buffer, int Length, int Flags) {
  return ws::send(Socket, static_cast<const char*>(Buffer), Length, Flags);
}

int TNetStackWindows::SocketSendTo(TNetSocket Socket, const void* Buffer, int Length, int Flags,
                                   const std::string& IP, int Port) {
  ws::TSockAddrIn a{};
  a.Family = ws::afInet;
  const TNetAddressBytes b = TextToAddress(IP);
  std::copy(b.begin(), b.end(), a.Addr.Bytes);
  a.Port = ws::htons(static_cast<unsigned short>(Port));
  return ws::sendto(Socket, static_cast<const char*>(Buffer), Length, Flags, AsSockAddr(&a), SockAddrSize);
}

int TNetStackWindows::SocketSetOption(TNetSocket Socket, int Level, int Option, const void* Value, int Length) {
  return ws::setsockopt(Socket, Level, Option, static_cast<const char*>(Value), Length);
}

TNetSocket TNetStackWindows::SocketCreate(int Family, int Type, int Protocol) {
  return ws::socket(Family, Type, Protocol);
}

int TNetStackWindows::SocketShutdown(TNetSocket Socket, int How) { return ws::shutdown(Socket, How); }

int TNetStackWindows::SocketSetBlocking(TNetSocket Socket, bool Blocking) {
  unsigned long nonBlocking = Blocking ? 0 : 1;
  return ws::ioctlsocket(Socket, ws::fionbio, &nonBlocking);
}

int TNetStackWindows::LastSocketError() { return ws::WSAGetLastError(); }

void TNetStackWindows::PeerAddressOf(TNetSocket Socket, std::string& IP, int& Port) {
  ws::TSockAddrIn a{};
  int len = SockAddrSize;
  if (ws::getpeername(Socket, AsSockAddr(&a), &len) == ws::SocketError) RaiseStackError(LastSocketError());
  ReadAddress(a, IP, Port);
}

void TNetStackWindows::LocalAddressOf(TNetSocket Socket, std::string& IP, int& Port) {
  ws::TSockAddrIn a{};
  int len = SockAddrSize;
  if (ws::getsockname(Socket, AsSockAddr(&a), &len) == ws::SocketError) RaiseStackError(LastSocketError());
  ReadAddress(a, IP, Port);
}

int TNetStackWindows::SocketGetOption(TNetSocket Socket, int Level, int Option, void* Value, int& Length) {
  return ws::getsockopt(Socket, Level, Option, static_cast<char*>(Value), &Length);
}

void TNetSocketListWindows::Add(TNetSocket Handle) {
  if (FSet.Count >= static_cast<unsigned>(ws::setSize)) throw ENetStackSetSizeExceeded(RSStackSetSizeExceeded);
  FSet.Sockets[FSet.Count++] = Handle;
}

void TNetSocketListWindows::Remove(TNetSocket Handle) {
  for (unsigned i = 0; i < FSet.Count; ++i)
    if (FSet.Sockets[i] == Handle) {
      FSet.Sockets[i] = FSet.Sockets[--FSet.Count];
      return;
    }
}

TNetSocket TNetSocketListWindows::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw ENetStackSetSizeExceeded(RSStackSetSizeExceeded);
  return FSet.Sockets[Index];
}

void NetStackWindows_Initialize() {
  if (!UnitCounter.Enter()) return;
  NetWinSock2_Initialize();
  SocketListClass = [] { return std::unique_ptr<TNetSocketList>(std::make_unique<TNetSocketListWindows>()); };
}

void NetStackWindows_Finalize() {
  if (!UnitCounter.Leave()) return;
  SocketListClass = nullptr;
  if (WinsockStarted) {
    WinsockStarted = false;
    try {
      ws::WSACleanup();
    } catch (const Exception&) {
      // the library is already gone: nothing to clean up
    }
  }
  NetWinSock2_Finalize();
}
