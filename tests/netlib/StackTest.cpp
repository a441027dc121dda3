// The socket stack: address texts, resolution of localhost and literals,
// error texts, select sets and time-outs, socket handles on UDP loopback,
// and the stack's life with the components.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "NetTestKit.h"
#include "netlib/NetException.h"
#include "netlib/NetGlobal.h"
#include "netlib/NetIOHandlerSocket.h"
#include "netlib/NetSocketHandle.h"
#include "netlib/NetStack.h"
#include "netlib/NetStackWindows.h"

namespace ws = WinSock2;

namespace {

class StackTest : public TNetUnitsTest {
protected:
  void SetUp() override {
    TNetUnitsTest::SetUp();
    Component = std::make_unique<TNetComponent>(nullptr);
  }
  void TearDown() override {
    Component.reset();
    TNetUnitsTest::TearDown();
  }
  std::unique_ptr<TNetComponent> Component;
};

struct TParseCase {
  const char* Text;
  bool Valid;
  TNetAddressBytes Bytes;
  IPTextKind Kind;
  IPAddressClass Class;
};

TEST(ParseIPTextTest, FormsAndStrictDecimal) {
  using K = IPTextKind;
  using C = IPAddressClass;
  const TParseCase cases[] = {
      {"10.1", true, {10, 0, 0, 1}, K::ikDotted, C::acA},
      {"172.16.5", true, {172, 16, 0, 5}, K::ikDotted, C::acB},
      {"3232235777", true, {192, 168, 1, 1}, K::ikNumeric, C::acUnknown},
      {"4294967295", true, {255, 255, 255, 255}, K::ikNumeric, C::acUnknown},
      {"0", true, {0, 0, 0, 0}, K::ikNumeric, C::acUnknown},
      {"1.16777215", true, {1, 255, 255, 255}, K::ikDotted, C::acA},
      {"1.2.65535", true, {1, 2, 255, 255}, K::ikDotted, C::acB},
      {"127.0.0.1", true, {127, 0, 0, 1}, K::ikDotted, C::acA},
      {"128.0.0.1", true, {128, 0, 0, 1}, K::ikDotted, C::acB},
      {"223.1.2.3", true, {223, 1, 2, 3}, K::ikDotted, C::acC},
      {"224.0.0.1", true, {224, 0, 0, 1}, K::ikDotted, C::acD},
      {"240.0.0.1", true, {240, 0, 0, 1}, K::ikDotted, C::acE},
      {"010.001.000.001", true, {10, 1, 0, 1}, K::ikDotted, C::acA},
      {"256.1.1.1", false, {}, K::ikInvalid, C::acUnknown},
      {"1.2.3.4.5", false, {}, K::ikInvalid, C::acUnknown},
      {"", false, {}, K::ikInvalid, C::acUnknown},
      {"4294967296", false, {}, K::ikInvalid, C::acUnknown},
      {"99999999999999999999999", false, {}, K::ikInvalid, C::acUnknown},
      {"1.16777216", false, {}, K::ikInvalid, C::acUnknown},
      {"1.2.65536", false, {}, K::ikInvalid, C::acUnknown},
      {" 1.2.3.4", false, {}, K::ikInvalid, C::acUnknown},
      {"1.2.3.4 ", false, {}, K::ikInvalid, C::acUnknown},
      {"+1.2.3.4", false, {}, K::ikInvalid, C::acUnknown},
      {"-1", false, {}, K::ikInvalid, C::acUnknown},
      {"0x7f.0.0.1", false, {}, K::ikInvalid, C::acUnknown},
      {"$7F000001", false, {}, K::ikInvalid, C::acUnknown},
      {"1..2", false, {}, K::ikInvalid, C::acUnknown},
      {"1.2.3.", false, {}, K::ikInvalid, C::acUnknown},
      {".1.2.3", false, {}, K::ikInvalid, C::acUnknown},
      {"localhost", false, {}, K::ikInvalid, C::acUnknown},
  };
  for (const TParseCase& c : cases) {
    SCOPED_TRACE(c.Text);
    TNetAddressBytes b{9, 9, 9, 9};
    IPTextKind k = IPTextKind::ikInvalid;
    IPAddressClass cls = IPAddressClass::acE;
    ASSERT_EQ(c.Valid, ParseIPText(c.Text, &b, &k, &cls));
    if (!c.Valid) {
      EXPECT_EQ((TNetAddressBytes{9, 9, 9, 9}), b) << "no output written";
      continue;
    }
    EXPECT_EQ(c.Bytes, b);
    EXPECT_EQ(c.Kind, k);
    EXPECT_EQ(c.Class, cls);
  }
}

// Fakes of the system calls, named for what they answer.
ws::THostEnt* WINAPI NoHost(const char*) { return nullptr; }
ws::THostEnt* WINAPI LookupNotExpected(const char* Name) {
  ADD_FAILURE() << "looked up " << Name;
  return nullptr;
}
int WINAPI HostNotFound() { return ws::wsaHostNotFound; }
int WINAPI AddressInUse() { return ws::wsaEAddrInUse; }
int WINAPI TestHostName(char* Name, int Length) {
  lstrcpynA(Name, "testhost", Length);
  return 0;
}
ws::THostEnt* WINAPI TestHostAddresses(const char* Name) {
  static char a1[4] = {10, 0, 0, 7}, a2[4] = {char(192), char(168), 5, 1};
  static char* list[] = {a1, a2, nullptr};
  static char name[] = "testhost";
  static ws::THostEnt h{name, nullptr, 2, 4, list};
  return std::string(Name) == "testhost" ? &h : nullptr;
}

std::vector<long> SelectTimeouts;   // -1: no limit
int SelectCalls = 0;
int WINAPI RecordingSelect(int, ws::TFDSet* R, ws::TFDSet*, ws::TFDSet*, const ws::TTimeVal* T) {
  ++SelectCalls;
  SelectTimeouts.push_back(T ? T->Sec * 1000 + T->USec / 1000 : -1);
  EXPECT_TRUE(!T || (T->Sec >= 0 && T->USec >= 0 && T->USec < 1000000));
  if (R) R->Count = 0;   // nothing ready
  return 0;
}

ws::T_shutdown RealShutdown = nullptr;
int Shutdowns = 0;
int WINAPI CountingShutdown(ws::TSocket S, int How) {
  ++Shutdowns;
  return RealShutdown(S, How);
}

TEST_F(StackTest, LocalhostAndLiteralsNeedNoLookup) {
  TNetStack& s = Stack();
  {
    TCellSwap<ws::T_gethostbyname> noLookup(ws::gethostbyname, LookupNotExpected);
    for (const char* name : {"localhost", "LocalHost", "LOCALHOST"}) EXPECT_EQ("127.0.0.1", s.HostToAddressText(name));
    EXPECT_EQ("3232235777", s.HostToAddressText("3232235777"));
    EXPECT_EQ("10.1", s.HostToAddressText("10.1"));
  }
  EXPECT_EQ((TNetAddressBytes{192, 168, 1, 1}), s.TextToAddress("3232235777"));
  EXPECT_EQ(0x0100007Fu, s.TextToNetAddress("127.0.0.1"));
  EXPECT_EQ("127.0.0.1", s.HostNameToAddressText("localhost")) << "looked up in the hosts file";
  EXPECT_EQ("1.2.3.4", s.AddressToText({1, 2, 3, 4}));
  try {
    s.TextToAddress("256.1.1.1");
    ADD_FAILURE();
  } catch (const ENetInvalidIPAddress& e) {
    EXPECT_EQ("256.1.1.1 is not a valid IP address.", e.Message);
  }
}

TEST_F(StackTest, FailedLookupRaisesHostNotFound) {
  TCellSwap<ws::T_gethostbyname> fake(ws::gethostbyname, NoHost);
  TCellSwap<ws::T_WSAGetLastError> code(ws::WSAGetLastError, HostNotFound);
  try {
    Stack().HostToAddressText("no.such.host");
    ADD_FAILURE();
  } catch (const ENetSocketError& e) {
    EXPECT_EQ(11001, e.LastError);
    EXPECT_EQ("Socket Error # 11001\r\nHost not found.", e.Message);
  }
  EXPECT_EQ("Socket Error # 12345\r\n", Stack().ErrorText(12345));
  EXPECT_EQ("Socket Error # 10013\r\nAccess denied.", Stack().ErrorText(10013));
}

TEST_F(StackTest, LocalAddressesAreEveryAddressOfTheHostName) {
  TCellSwap<ws::T_gethostname> name(ws::gethostname, TestHostName);
  TCellSwap<ws::T_gethostbyname> addresses(ws::gethostbyname, TestHostAddresses);
  EXPECT_EQ("testhost", Stack().LocalHostName());
  EXPECT_EQ("10.0.0.7\r\n192.168.5.1\r\n", Stack().LocalAddressList()->Text());
  EXPECT_EQ("10.0.0.7", Stack().FirstLocalAddress());
}

TEST_F(StackTest, CheckSocketResultAndServices) {
  TNetStack& s = Stack();
  {
    TCellSwap<ws::T_WSAGetLastError> code(ws::WSAGetLastError, AddressInUse);
    EXPECT_FALSE(s.CheckSocketResult(5));
    EXPECT_TRUE(s.CheckSocketResult(-1, {10004, ws::wsaEAddrInUse}));
    EXPECT_EQ(ws::wsaEAddrInUse, s.LastErrorCode);
    EXPECT_THROW(s.CheckSocketResult(-1), ENetSocketError);
  }
  EXPECT_EQ(5000, s.ServiceNameToPort("5000"));
  try {
    s.ServiceNameToPort("no-such-service");
    ADD_FAILURE();
  } catch (const ENetInvalidServiceName& e) {
    EXPECT_EQ("no-such-service is not a valid service.", e.Message);
  }
  EXPECT_EQ(0x3412, s.HostToNet16(0x1234));
  EXPECT_EQ(0x78563412u, s.NetToHost32(0x12345678));
}

TEST_F(StackTest, SelectSetsAndTimeouts) {
  TCellSwap<ws::T_select> fake(ws::select, RecordingSelect);
  SelectTimeouts.clear();
  std::vector<TNetSocket> read(64, 5);
  EXPECT_EQ(0, Stack().SocketSelect(&read, nullptr, 1500));
  EXPECT_TRUE(read.empty()) << "refilled with the ready handles";
  read.assign(65, 5);
  try {
    Stack().SocketSelect(&read, nullptr, 0);
    ADD_FAILURE();
  } catch (const ENetStackSetSizeExceeded& e) {
    EXPECT_EQ("Set Size Exceeded.", e.Message);
  }
  std::vector<TNetSocket> one{5};
  for (int t : {-2, -1, -7, 0, 999}) Stack().SocketSelect(&one, nullptr, t);
  EXPECT_EQ((std::vector<long>{1500, -1, -1, -1, 0, 999}), SelectTimeouts) << "negative: no limit";

  auto list = TNetSocketList::CreateSocketList();
  for (int i = 1; i <= 64; ++i) list->Add(static_cast<TNetSocket>(i));
  EXPECT_THROW(list->Add(65), ENetStackSetSizeExceeded);
  list->Remove(2);
  list->Remove(999);
  EXPECT_EQ(63, list->Count());
  EXPECT_EQ(64u, list->Items(1)) << "the last handle takes the freed slot";
  EXPECT_THROW(list->Items(63), ENetStackSetSizeExceeded);
  EXPECT_THROW(list->Items(-1), ENetStackSetSizeExceeded);
}

TEST_F(StackTest, SocketHandlesOnUdpLoopback) {
  TNetSocketHandle a, b;
  for (TNetSocketHandle* h : {&a, &b}) {
    h->OpenSocket(ws::sockDgram, ws::ipprotoUdp);
    h->IP = "127.0.0.1";
    h->Bind();
    EXPECT_NE(0, h->Port);
  }
  EXPECT_FALSE(a.WaitReadable(0));
  b.SendTo("127.0.0.1", a.Port, "ping", 4);
  ASSERT_TRUE(a.WaitReadable(2000));
  char buf[16];
  std::string ip;
  int port = 0;
  EXPECT_EQ(4, a.RecvFrom(buf, sizeof buf, 0, ip, port));
  EXPECT_EQ("ping", std::string(buf, 4));
  EXPECT_EQ("127.0.0.1", ip);
  EXPECT_EQ(b.Port, port);

  // The port range is tried from the top down; a taken port is no binding.
  TNetSocketHandle c;
  c.OpenSocket(ws::sockDgram, ws::ipprotoUdp);
  c.IP = "127.0.0.1";
  c.ClientPortMin = c.ClientPortMax = a.Port;
  try {
    c.Bind();
    ADD_FAILURE();
  } catch (const ENetCanNotBindPortInRange& e) {
    EXPECT_EQ(Format("Can not bind in port range (%d - %d)", a.Port, a.Port), e.Message);
  }
  c.ClientPortMin = 5000;
  c.ClientPortMax = 4000;
  try {
    c.Bind();
    ADD_FAILURE();
  } catch (const ENetInvalidPortRange& e) {
    EXPECT_EQ("Invalid Port Range (5000 - 4000)", e.Message);
  }
  c.Port = a.Port;
  EXPECT_THROW(c.Bind(), ENetCouldNotBindSocket);

  // Closing twice shuts the socket down once.
  ws::BindEntry(ws::entry_shutdown);
  RealShutdown = ws::shutdown;
  TCellSwap<ws::T_shutdown> counting(ws::shutdown, CountingShutdown);
  Shutdowns = 0;
  a.CloseSocket();
  a.CloseSocket();
  EXPECT_EQ(1, Shutdowns);
  EXPECT_FALSE(a.HandleAllocated());
  EXPECT_THROW(a.WaitReadable(0), ENetConnClosedGracefully);
}

// A connect that completes just as the caller gives up: it returns once
// the socket is closed under it, and the addresses are read after that.
HANDLE SocketClosed = nullptr;
ws::T_closesocket RealCloseSocket = nullptr;
int WINAPI SignallingCloseSocket(ws::TSocket S) {
  SetEvent(SocketClosed);
  return RealCloseSocket(S);
}
int WINAPI LateConnect(ws::TSocket, const ws::TSockAddr*, int) {
  return WaitForSingleObject(SocketClosed, 10000) == WAIT_OBJECT_0 ? 0 : ws::SocketError;
}
int WINAPI LoopbackName(ws::TSocket, ws::TSockAddr* A, int* L) {
  ws::TSockAddrIn a{2, 0x0912, {{127, 0, 0, 1}}, {}};
  std::memcpy(A, &a, sizeof a);
  *L = sizeof a;
  return 0;
}

TEST_F(StackTest, AConnectEndingAsItTimesOutLeavesTheBindingCleared) {
  SocketClosed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  ws::BindEntry(ws::entry_closesocket);
  RealCloseSocket = ws::closesocket;
  TCellSwap<ws::T_closesocket> closing(ws::closesocket, SignallingCloseSocket);
  TCellSwap<ws::T_connect> connecting(ws::connect, LateConnect);
  TCellSwap<ws::T_getsockname> local(ws::getsockname, LoopbackName);
  TCellSwap<ws::T_getpeername> peer(ws::getpeername, LoopbackName);
  TNetIOHandlerSocket h(nullptr);
  h.OpenHandler();
  EXPECT_THROW(h.ConnectTo("127.0.0.1", 9, "", 0, 0, 0, 300), ENetConnectTimeout);
  // The connect thread has written its addresses before they were cleared.
  EXPECT_EQ("", h.Binding()->IP);
  EXPECT_EQ(0, h.Binding()->Port);
  EXPECT_EQ("", h.Binding()->PeerIP);
  EXPECT_EQ(0, h.Binding()->PeerPort);
  EXPECT_FALSE(h.Binding()->HandleAllocated());
  CloseHandle(SocketClosed);
}

int StacksMade = 0;
std::unique_ptr<TNetStack> CountedStack() {
  ++StacksMade;
  return NewNetStackWindows();
}

class StackLifeTest : public TNetUnitsTest {};

TEST_F(StackLifeTest, OneStackWhileAnyComponentLivesWinsockStartedOnce) {
  const TNetStackClass real = StackClass;
  StackClass = CountedStack;
  StacksMade = 0;
  auto a = std::make_unique<TNetComponent>(nullptr);
  auto b = std::make_unique<TNetComponent>(nullptr);
  EXPECT_EQ(1, StacksMade);
  a.reset();
  EXPECT_NE(nullptr, GlobalStack.get());
  b.reset();
  EXPECT_EQ(nullptr, GlobalStack.get());
  {
    TNetComponent again(nullptr);
    EXPECT_EQ(2, StacksMade);
    // Started once: a single cleanup stops Winsock.
    EXPECT_EQ(0, ws::WSACleanup());
    EXPECT_EQ(ws::InvalidSocket, ws::socket(2, 2, 17));
    EXPECT_EQ(ws::wsaNotInitialised, ws::WSAGetLastError());
  }
  StackClass = real;
}

}  // namespace
