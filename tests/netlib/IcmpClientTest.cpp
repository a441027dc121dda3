// The echo client over scripted Winsock cells (what was sent, what arrives
// when, and what the waits were), its teardown, and live echoes to
// 127.0.0.1 as root.
#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>

#include "NetTestKit.h"
#include "netlib/NetException.h"
#include "netlib/NetGlobal.h"
#include "netlib/NetIcmpClient.h"

namespace ws = WinSock2;

namespace {

const TIPv4Bytes Me{127, 0, 0, 1};
const TIPv4Bytes Target{10, 20, 30, 40};
const TIPv4Bytes Router{10, 9, 8, 7};

// A scripted network behind the socket cells.
struct TArrival {
  int DelayMs;
  std::function<TBytes(const TBytes& Request)> Make;   // from the last request sent
  int Error = 0;                                       // recv fails with it (data still copied)
};
struct TScript {
  std::vector<TBytes> Sent;
  std::vector<std::string> SentTo;
  std::vector<int> TTLs;
  std::deque<TArrival> Arrivals;
  std::vector<long> Waits;   // select time-outs, -1 for none
  int Opened = 0, Closed = 0, Shutdowns = 0;
  int SocketError = 0, SendError = 0, LastError = 0;
  TBytes Pending;
  int PendingError = 0;
} Net;

ws::TSocket WINAPI FakeSocket(int, int Type, int Protocol) {
  EXPECT_EQ(ws::sockRaw, Type);
  EXPECT_EQ(ws::ipprotoIcmp, Protocol);
  if (Net.SocketError) {
    Net.LastError = Net.SocketError;
    return ws::InvalidSocket;
  }
  return static_cast<ws::TSocket>(100 + ++Net.Opened);
}
int WINAPI FakeSetSockOpt(ws::TSocket, int Level, int Option, const char* Value, int Length) {
  if (Level == ws::ipprotoIp && Option == ws::ipTtl && Length == 4) {
    int32_t ttl;
    std::memcpy(&ttl, Value, 4);
    Net.TTLs.push_back(ttl);
  }
  return 0;
}
int WINAPI FakeSendTo(ws::TSocket, const char* Buffer, int Length, int, const ws::TSockAddr* To, int) {
  if (Net.SendError) {
    Net.LastError = Net.SendError;
    return -1;
  }
  Net.Sent.emplace_back(Buffer, Buffer + Length);
  Net.SentTo.push_back(DottedAddress(reinterpret_cast<const ws::TSockAddrIn*>(To)->Addr.Bytes));
  return Length;
}
int WINAPI FakeSelect(int, ws::TFDSet* Read, ws::TFDSet*, ws::TFDSet*, const ws::TTimeVal* T) {
  const long ms = T ? T->Sec * 1000 + T->USec / 1000 : -1;
  Net.Waits.push_back(ms);
  if (Net.Arrivals.empty() || (ms >= 0 && Net.Arrivals.front().DelayMs > ms)) {
    if (ms < 0) ADD_FAILURE() << "an endless wait with nothing to come";
    Sleep(static_cast<DWORD>(ms < 0 ? 0 : ms));
    Read->Count = 0;
    return 0;
  }
  TArrival a = Net.Arrivals.front();
  Net.Arrivals.pop_front();
  Sleep(static_cast<DWORD>(a.DelayMs));
  Net.Pending = a.Make(IPDatagram(5, 5, 1, Me, Target, Net.Sent.back()));
  Net.PendingError = a.Error;
  return 1;
}
int WINAPI FakeRecv(ws::TSocket, char* Buffer, int Length, int) {
  const int n = std::min<int>(Length, static_cast<int>(Net.Pending.size()));
  std::memcpy(Buffer, Net.Pending.data(), static_cast<size_t>(n));
  if (Net.PendingError) {
    Net.LastError = Net.PendingError;
    return -1;
  }
  return n;
}
int WINAPI FakeShutdown(ws::TSocket, int) { return ++Net.Shutdowns, 0; }
int WINAPI FakeCloseSocket(ws::TSocket) { return ++Net.Closed, 0; }
int WINAPI FakeLastError() { return Net.LastError; }

// Answers to the request (the quoted datagram, as it left us).
TBytes ReplyTo(const TBytes& Quoted) {
  const uint8_t* icmp = Quoted.data() + 20;
  uint16_t id, seq;
  std::memcpy(&id, icmp + 4, 2);
  std::memcpy(&seq, icmp + 6, 2);
  return EchoDatagram(0, id, seq, Target, Me, 61, "pong");
}
TBytes OtherProgramsReply(const TBytes& Quoted) {
  TBytes r = ReplyTo(Quoted);
  r[24] ^= 0xFF;   // another identifier
  return r;
}
TBytes Runt(const TBytes&) { return TBytes(10, 0x45); }
TBytes Redirect(const TBytes& Quoted) { return ErrorDatagram(5, Router, Me, 64, Quoted); }
TBytes TtlExceeded(const TBytes& Quoted) { return ErrorDatagram(11, Router, Me, 250, Quoted); }
TBytes Oversized(const TBytes&) { return TBytes(2000, 0x45); }

// The fakes in the cells, for as long as it lives.
struct TFakeCells {
  TCellSwap<ws::T_socket> Socket{ws::socket, FakeSocket};
  TCellSwap<ws::T_setsockopt> SetSockOpt{ws::setsockopt, FakeSetSockOpt};
  TCellSwap<ws::T_sendto> SendTo{ws::sendto, FakeSendTo};
  TCellSwap<ws::T_select> Select{ws::select, FakeSelect};
  TCellSwap<ws::T_recv> Recv{ws::recv, FakeRecv};
  TCellSwap<ws::T_shutdown> Shutdown{ws::shutdown, FakeShutdown};
  TCellSwap<ws::T_closesocket> CloseSocket{ws::closesocket, FakeCloseSocket};
  TCellSwap<ws::T_WSAGetLastError> LastError{ws::WSAGetLastError, FakeLastError};
};

class IcmpClientTest : public TNetUnitsTest {
protected:
  void SetUp() override {
    TNetUnitsTest::SetUp();
    Net = TScript();
    Fakes = std::make_unique<TFakeCells>();
    Client = std::make_unique<TNetIcmpClient>(nullptr);
    Client->Host = "10.20.30.40";
  }
  void TearDown() override {
    Client.reset();
    Fakes.reset();
    TNetUnitsTest::TearDown();
  }
  std::unique_ptr<TFakeCells> Fakes;
  std::unique_ptr<TNetIcmpClient> Client;
};

TEST_F(IcmpClientTest, RequestsAndSequenceNumbers) {
  std::vector<uint16_t> heard;
  Client->OnReply = [&](TComponent* Sender, const TReplyStatus& R) {
    EXPECT_EQ(Client.get(), Sender);
    heard.push_back(R.SequenceId);
  };
  for (int i = 0; i < 4; ++i) Net.Arrivals.push_back({2, ReplyTo});
  Client->SetTTL(5);
  EXPECT_EQ(1, Net.Opened) << "setting the TTL opens the raw socket";
  Client->SendEcho("abc");
  Client->SendEcho();
  Client->SendEcho("", 7);
  Client->SendEcho();
  EXPECT_EQ((std::vector<uint16_t>{3489, 3490, 7, 8}), heard);
  EXPECT_EQ(9, Client->SequenceNumber());
  EXPECT_EQ(52u, Client->PacketSize());
  ASSERT_EQ(4u, Net.Sent.size());
  const TBytes& first = Net.Sent[0];
  ASSERT_EQ(52u, first.size());
  EXPECT_EQ(8, first[0]);
  EXPECT_EQ(0, InternetChecksum(first.data(), first.size()));
  EXPECT_EQ(ProcessIdentifier() & 0xFFFF, uint32_t(first[4] | first[5] << 8));
  EXPECT_EQ(3489, first[6] | first[7] << 8);
  EXPECT_EQ("abcEEEEEEEEEEEEEEEEEEEEEEEEEEEEE", std::string(first.begin() + 20, first.end()));
  EXPECT_EQ(7, Net.Sent[2][6] | Net.Sent[2][7] << 8);
  EXPECT_EQ("10.20.30.40", Net.SentTo[0]);
  for (int ttl : Net.TTLs) EXPECT_EQ(5, ttl);
  EXPECT_EQ(4, Net.Closed) << "every echo ends with the socket closed";
  EXPECT_EQ(Net.Opened, Net.Closed);
  const TReplyStatus& r = Client->ReplyStatus();
  EXPECT_EQ(TReplyKind::rkEcho, r.Kind);
  EXPECT_EQ("10.20.30.40", r.FromAddress);
  EXPECT_EQ(61, r.TimeToLive);
  EXPECT_EQ(72, r.BytesReceived);
  EXPECT_EQ("pong" + std::string(28, 'E'), Client->EchoPayload());
}

// Other programs' ICMP, runts, unknown types and an oversized datagram are
// skipped; the wait left is the time-out less the time since the wait began.
TEST_F(IcmpClientTest, ForeignDatagramsAreSkippedWithinOneTimeout) {
  Client->ReceiveTimeout = 1000;
  for (auto make : {OtherProgramsReply, Runt, Redirect, Oversized})
    Net.Arrivals.push_back({150, make, make == Oversized ? ws::wsaEMsgSize : 0});
  Client->SendEcho();
  const TReplyStatus& r = Client->ReplyStatus();
  EXPECT_EQ(TReplyKind::rkTimeOut, r.Kind);
  EXPECT_EQ("0.0.0.0", r.FromAddress);
  EXPECT_EQ(0, r.BytesReceived);
  EXPECT_EQ(0, r.MessageType);
  EXPECT_EQ(0, r.TimeToLive);
  EXPECT_EQ(3489, r.SequenceId);
  EXPECT_GE(r.RoundTripMs, 990u);
  EXPECT_LT(r.RoundTripMs, 1500u);
  ASSERT_EQ(5u, Net.Waits.size()) << "all four foreign datagrams were waited past";
  for (size_t i = 0; i < Net.Waits.size(); ++i) {
    EXPECT_LE(Net.Waits[i], 1000 - 150 * long(i) + 2) << i;
    EXPECT_GE(Net.Waits[i], 1000 - 150 * long(i) - 120) << i;
  }
  EXPECT_EQ(3490, Client->SequenceNumber());
}

// -1 is the client's default (5000 ms), -2 no limit; no other negative
// reaches select as a negative time.
TEST_F(IcmpClientTest, NegativeTimeoutsAsMeant) {
  for (int t : {-1, -2, -7}) {
    Net.Waits.clear();
    Net.Arrivals.push_back({1, ReplyTo});
    Client->ReceiveTimeout = t;
    Client->SendEcho();
    EXPECT_EQ(TReplyKind::rkEcho, Client->ReplyStatus().Kind);
    ASSERT_EQ(1u, Net.Waits.size());
    if (t == -2) {
      EXPECT_EQ(-1, Net.Waits[0]) << "no limit";
    } else {
      EXPECT_GE(Net.Waits[0], 4990) << t;
      EXPECT_LE(Net.Waits[0], 5000) << t;
    }
  }
}

TEST_F(IcmpClientTest, RouterReplyAndLateAnswer) {
  Net.Arrivals.push_back({5, OtherProgramsReply});
  Net.Arrivals.push_back({5, TtlExceeded});
  Client->SetTTL(3);
  Client->SendEcho();
  TReplyStatus r = Client->ReplyStatus();
  EXPECT_EQ(TReplyKind::rkTtlExceeded, r.Kind);
  EXPECT_EQ("10.9.8.7", r.FromAddress);
  EXPECT_EQ(250, r.TimeToLive);
  EXPECT_EQ(11, r.MessageType);
  EXPECT_EQ(3489, r.SequenceId);
  EXPECT_TRUE(Client->EchoPayload().empty());
}

TEST_F(IcmpClientTest, FailuresKeepStatusSequenceAndSocket) {
  Net.Arrivals.push_back({1, ReplyTo});
  Client->SendEcho();
  const TReplyStatus before = Client->ReplyStatus();
  Client->SetTTL(9);
  Net.SendError = 10065;
  try {
    Client->SendEcho();
    ADD_FAILURE();
  } catch (const ENetSocketError& e) {
    EXPECT_EQ(10065, e.LastError);
    EXPECT_EQ("Socket Error # 10065\r\nNo route to host.", e.Message);
  }
  EXPECT_EQ(before.SequenceId, Client->ReplyStatus().SequenceId);
  EXPECT_EQ(before.RoundTripMs, Client->ReplyStatus().RoundTripMs);
  EXPECT_EQ(3490, Client->SequenceNumber());
  EXPECT_TRUE(Client->Binding().HandleAllocated()) << "the next probe reuses it";
  const int opened = Net.Opened;
  Net.SendError = 0;
  Net.Arrivals.push_back({1, ReplyTo});
  Client->SendEcho();
  EXPECT_EQ(opened, Net.Opened);
  EXPECT_EQ(3490, Client->ReplyStatus().SequenceId);
}

TEST_F(IcmpClientTest, RefusedRawSocketShowsAtTheTtl) {
  Net.SocketError = ws::wsaEAccess;
  try {
    Client->SetTTL(1);
    ADD_FAILURE();
  } catch (const ENetInvalidSocket& e) {
    EXPECT_EQ("Cannot allocate socket.", e.Message);
  }
  EXPECT_THROW(Client->SendEcho(), ENetInvalidSocket);
}

// The library goes while a socket is open: closing it on destruction meets
// the stubs, which raise; the destructor keeps that in.
TEST_F(IcmpClientTest, LibraryGoneBeforeTheClient) {
  Client->SetTTL(2);
  ws::Unload();
  EXPECT_NO_THROW(Client.reset());
  EXPECT_EQ(0, NetComponentCount());
}

// Units shut down while a client lives: the stack goes before the library,
// and the client freed later touches neither.
TEST_F(IcmpClientTest, UnitsShutDownBeforeTheClient) {
  Client->SetTTL(2);
  const int closed = Net.Closed;
  NetComponent_Finalize();
  EXPECT_EQ(nullptr, GlobalStack.get());
  EXPECT_FALSE(ws::Loaded());
  EXPECT_NO_THROW(Client.reset());
  EXPECT_EQ(closed, Net.Closed);
  NetComponent_Initialize();
}

TEST_F(IcmpClientTest, OwnerFreesItsClientsBeforeTheStack) {
  auto owner = std::make_unique<TNetComponent>(nullptr);
  auto* child = new TNetIcmpClient(owner.get());
  child->SetTTL(4);
  Client.reset();
  const int closed = Net.Closed;
  owner.reset();
  EXPECT_EQ(closed + 1, Net.Closed) << "the child's socket was closed through the stack";
  EXPECT_EQ(nullptr, GlobalStack.get());
}

class IcmpLiveTest : public TNetUnitsTest {};

TEST_F(IcmpLiveTest, TenEchoesToLoopbackWithTtl5) {
  if (!RunningAsRoot()) GTEST_SKIP() << "skipped: not root, and raw ICMP sockets need root (CI runs as root)";
  TNetIcmpClient c(nullptr);
  c.Host = "127.0.0.1";
  c.ReceiveTimeout = 2000;
  std::string times;
  for (int i = 0; i < 10; ++i) {
    c.SetTTL(5);
    c.SendEcho("vantrel");
    const TReplyStatus& r = c.ReplyStatus();
    ASSERT_EQ(TReplyKind::rkEcho, r.Kind) << "echo " << i;
    EXPECT_EQ("127.0.0.1", r.FromAddress);
    EXPECT_EQ(3489 + i, r.SequenceId);
    EXPECT_EQ(72, r.BytesReceived);
    EXPECT_TRUE(r.MessageType == 0 || r.MessageType == 8) << int(r.MessageType);
    if (r.MessageType == 8) {
      EXPECT_EQ(5, r.TimeToLive) << "our own request, sent with TTL 5";
    }
    EXPECT_EQ("vantrel" + std::string(25, 'E'), c.EchoPayload());
    EXPECT_LT(r.RoundTripMs, 2000u);
    times += " " + std::to_string(r.RoundTripMs) + "(" + std::to_string(r.MessageType) + ")";
  }
  std::printf("round trips in ms (type):%s\n", times.c_str());
  c.Host = "localhost";
  c.SendEcho();
  EXPECT_EQ(TReplyKind::rkEcho, c.ReplyStatus().Kind);
}

}  // namespace
