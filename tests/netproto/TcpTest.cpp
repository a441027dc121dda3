// The TCP client against loopback servers of the test's own: lines and
// their limits, numbered replies, the graceful close, time-outs, intercept
// order, files and counted streams.
#include <gtest/gtest.h>

#include <chrono>

#include "TestServer.h"
#include "TestPaths.h"
#include "netlib/NetException.h"
#include "netlib/NetTCPClient.h"

namespace {

class TcpTest : public testing::Test {
protected:
  void SetUp() override { NetTCPConnection_Initialize(); }
  void TearDown() override { NetTCPConnection_Finalize(); }
};

std::unique_ptr<TNetTCPClient> ClientFor(const TTestServer& Server) {
  auto c = std::make_unique<TNetTCPClient>(nullptr);
  c->Host = "127.0.0.1";
  c->Port = Server.Port();
  return c;
}

TEST_F(TcpTest, LinesTerminatorsAndTheLineLimit) {
  TTestServer server([](TTestPeer& P, int) {
    P.Send("one\r\ntwo\nthree|four\r\n");
    P.Send(std::string(40, 'x') + "\r\n" + std::string(25, 'y') + "\r\n");
    P.Send(std::string(30, 'z'));   // no line end follows until the close
    P.ReadLine();
  });
  auto c = ClientFor(server);
  c->OpenConnection();
  EXPECT_EQ("one", c->ReadLine());
  EXPECT_EQ("two", c->ReadLine());
  EXPECT_EQ("three", c->ReadLine("|"));
  EXPECT_EQ("four", c->ReadLine());
  c->MaxLineLength = 30;
  EXPECT_THROW(c->ReadLine(), ENetReadLnMaxLineLengthExceeded);
  c->MaxLineAction = TNetMaxLineAction::maSplit;
  EXPECT_EQ(std::string(30, 'x'), c->ReadLine());
  EXPECT_TRUE(c->ReadLnSplit());
  EXPECT_EQ(std::string(10, 'x'), c->ReadLine());
  EXPECT_FALSE(c->ReadLnSplit());
  EXPECT_EQ(std::string(25, 'y'), c->ReadLine());
  // A peer that never ends its line cannot grow the buffer past the limit.
  c->MaxLineAction = TNetMaxLineAction::maException;
  c->MaxLineLength = 20;
  EXPECT_THROW(c->ReadLine(), ENetReadLnMaxLineLengthExceeded);
  c->WriteLine("done");
  c->CloseConnection();
  EXPECT_TRUE(server.Errors().empty());
}

// A search that stopped at the end of the buffer resumes there only for
// the same terminator over the same bytes.
TEST_F(TcpTest, ReadLineSearchesAnewAfterAnotherTerminatorOrRead) {
  TTestServer server([](TTestPeer& P, int) {
    P.Send("one|two");
    P.ReadLine();
    P.Send("\nxyz\n");
    P.ReadAll();
  });
  auto c = ClientFor(server);
  c->OpenConnection();
  EXPECT_EQ("", c->ReadLine("\n", 300));
  EXPECT_TRUE(c->ReadLnTimedOut());
  EXPECT_EQ("one", c->ReadLine("|", 3000));
  EXPECT_EQ("", c->ReadLine("\n", 100));   // "two" waits
  EXPECT_EQ("t", c->ReceiveString(1));
  c->WriteLine("go");
  c->FillInputBuffer();
  EXPECT_EQ("wo", c->ReadLine("\n", 3000));
  EXPECT_FALSE(c->ReadLnTimedOut());
  c->CloseConnection();
}

// Disconnecting drops what a write buffer holds; writing with no
// connection under it is refused.
TEST_F(TcpTest, AWriteBufferDoesNotOutliveItsConnection) {
  std::string received;
  std::mutex lock;
  TTestServer server([&](TTestPeer& P, int) {
    const std::string all = P.ReadAll();
    std::lock_guard<std::mutex> g(lock);
    received += all;
  });
  auto c = ClientFor(server);
  c->OpenConnection();
  c->OpenWriteBuffer();
  c->WriteText("dropped");
  c->CloseConnection();
  EXPECT_NO_THROW(c->CloseWriteBuffer());

  c->OpenConnection();
  c->OpenWriteBuffer();
  c->WriteText("kept");
  c->SetIOHandler(nullptr);   // the handler it made goes
  try {
    c->CloseWriteBuffer();
    ADD_FAILURE() << "flushed without a connection";
  } catch (const ENetNotConnected& e) {
    EXPECT_EQ("Not Connected", e.Message);
  }
  while (server.Accepted() < 2) Sleep(20);
  Sleep(200);
  std::lock_guard<std::mutex> g(lock);
  EXPECT_EQ("", received);
}

TEST_F(TcpTest, NumberedRepliesSingleMultiLineAndMalformed) {
  TTestServer server([](TTestPeer& P, int) {
    P.Send("\r\n220 ready\r\n");
    EXPECT_EQ("HELP", P.ReadLine());
    P.Send("214-first\r\n214-second\r\n   indented\r\n214x not the end\r\n214 last\r\n");
    EXPECT_EQ("QUIT", P.ReadLine());
    P.Send("550 no such thing\r\n");
    P.Send("35\r\n");
    P.ReadLine();
  });
  auto c = ClientFor(server);
  c->OpenConnection();
  EXPECT_EQ(220, c->ReadReply({220}));
  EXPECT_EQ("220 ready", c->LastCmdResult.DisplayText());
  EXPECT_EQ(214, c->SendCommand("HELP"));
  const TStrings& t = c->LastCmdResult.Text;
  ASSERT_EQ(5, t.Count());
  EXPECT_EQ("first", t[0]);
  EXPECT_EQ("second", t[1]);
  EXPECT_EQ("indented", t[2]);
  EXPECT_EQ(" not the end", t[3]);   // same code, no blank after it: not the last line
  EXPECT_EQ("last", t[4]);
  EXPECT_EQ("214", c->LastCmdResult.TextCode());
  try {
    c->SendCommand("QUIT", {221});
    ADD_FAILURE() << "a refused code was accepted";
  } catch (const ENetProtocolReplyError& e) {
    EXPECT_EQ(550, e.ReplyErrorCode);
    EXPECT_EQ("no such thing\r\n", e.Message);
  }
  // A line too short to hold a code is a protocol error.
  EXPECT_THROW(c->ReadReply(), ENetProtocolReplyError);
  c->WriteLine("bye");
  c->CloseConnection();

  TNetRFCReply r;
  r.SetNumericCode(331);
  EXPECT_EQ("331", r.TextCode());
  r.SetTextCode("abc");
  EXPECT_EQ(0, r.NumericCode());
}

TEST_F(TcpTest, GracefulCloseKeepsBufferedDataThenRaises) {
  TTestServer server([](TTestPeer& P, int) {
    P.Send("last words\r\ntail");
    P.Close();
  });
  auto c = ClientFor(server);
  int disconnected = 0;
  c->OnDisconnected = [&](TObject*) { ++disconnected; };
  c->OpenConnection();
  EXPECT_EQ("last words", c->ReadLine());
  EXPECT_THROW(c->ReadLine(), ENetConnClosedGracefully);   // "tail" has no end
  EXPECT_TRUE(c->ClosedGracefully());
  EXPECT_EQ(1, disconnected);
  EXPECT_EQ("tail", c->ReceiveString(4));
  EXPECT_THROW(c->ReceiveString(1), ENetConnClosedGracefully);
  EXPECT_FALSE(c->IsOpen());
  EXPECT_THROW(c->WriteText("x"), ENetConnClosedGracefully);
}

TEST_F(TcpTest, ReadTimeOutRaisesOrGivesAnEmptyLine) {
  TTestServer server([](TTestPeer& P, int) { P.ReadAll(); });
  auto c = ClientFor(server);
  c->OpenConnection();
  c->ReadTimeout = 200;
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_THROW(c->ReadLine(), ENetReadTimeout);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_GE(ms, 150);
  EXPECT_EQ("", c->ReadLine("", 100));
  EXPECT_TRUE(c->ReadLnTimedOut());
  EXPECT_EQ(-1, c->FillInputBuffer(true, 50, false));
  c->CloseConnection();
}

TEST_F(TcpTest, ConnectTimesOutOnAListenerWithAFullBacklog) {
  TTestServer server(nullptr, 1, false);   // listens, never accepts
  std::vector<SOCKET> fillers;
  for (int i = 0; i < 8; ++i) {
    SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
    u_long nb = 1;
    ioctlsocket(s, FIONBIO, &nb);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = inet_addr("127.0.0.1");
    a.sin_port = htons(server.Port());
    connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a);
    fillers.push_back(s);
  }
  Sleep(200);
  auto c = ClientFor(server);
  const auto t0 = std::chrono::steady_clock::now();
  EXPECT_THROW(c->OpenConnection(600), ENetConnectTimeout);
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0).count();
  EXPECT_GE(ms, 550);
  EXPECT_LT(ms, 5000);
  EXPECT_EQ(nullptr, c->IOHandler());   // the handler it made is gone again
  for (SOCKET s : fillers) closesocket(s);

  // A refused connect through the same thread reports the socket error.
  u_short closedPort;
  { TTestServer gone(nullptr, 1, false); closedPort = gone.Port(); }
  c->Port = closedPort;
  try {
    c->OpenConnection(2000);
    ADD_FAILURE() << "connected to a closed port";
  } catch (const ENetSocketError& e) {
    EXPECT_EQ(10061, e.LastError);
  }
}

TEST_F(TcpTest, InterceptsSeeSendsOutermostFirstAndReceivesInnermostFirst) {
  TTestServer server([](TTestPeer& P, int) {
    P.Send(P.ReadLine() + "|reply\n");
    P.ReadAll();
  });
  std::string order;
  auto appendTo = [&](const std::string& Mark) {
    return [&order, Mark](TNetConnectionIntercept*, TStream& S) {
      order += Mark;
      TMemoryStream& m = dynamic_cast<TMemoryStream&>(S);
      std::string data(m.Data().begin(), m.Data().end());
      data.insert(data.find_last_not_of("\r\n") + 1, Mark);
      m.Clear();
      m.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
      m.SetPosition(0);
    };
  };
  TNetConnectionIntercept outer(nullptr), inner(nullptr);
  outer.SetIntercept(&inner);
  outer.OnSend = appendTo("<outer>");
  inner.OnSend = appendTo("<inner>");
  outer.OnReceive = appendTo("[outer]");
  inner.OnReceive = appendTo("[inner]");
  outer.OnConnect = [&](TNetConnectionIntercept*) { order += "+outer"; };
  inner.OnConnect = [&](TNetConnectionIntercept*) { order += "+inner"; };
  outer.OnDisconnect = [&](TNetConnectionIntercept*) { order += "-outer"; };
  inner.OnDisconnect = [&](TNetConnectionIntercept*) { order += "-inner"; };
  auto c = ClientFor(server);
  c->SetIntercept(&outer);
  c->OpenConnection();
  c->WriteLine("ping");
  EXPECT_EQ("ping<outer><inner>|reply[inner][outer]", c->ReadLine());
  c->CloseConnection();
  EXPECT_EQ("+outer+inner<outer><inner>[inner][outer]-inner-outer", order);
}

// A wrapper that counts the calls and goes on into the system's TransmitFile.
TTransmitFileProc RealTransmitFile = nullptr;
int TransmitCalls = 0;
BOOL WINAPI CountingTransmitFile(uintptr_t S, HANDLE F, DWORD N, DWORD P, void* O, void* B, DWORD Fl) {
  ++TransmitCalls;
  return RealTransmitFile(S, F, N, P, O, B, Fl);
}

TEST_F(TcpTest, SendFileThroughTransmitFileOrAsAStream) {
  std::string content;
  for (int i = 0; i < 70000; ++i) content += static_cast<char>('a' + i % 26);
  WriteTextFile("payload.bin", content);
  std::vector<std::string> received;
  std::mutex lock;
  TTestServer server([&](TTestPeer& P, int) {
    std::string all = P.ReadAll();
    std::lock_guard<std::mutex> g(lock);
    received.push_back(all);
  });
  RealTransmitFile = TransmitFileProc();
  ASSERT_NE(nullptr, RealTransmitFile) << "MSWSOCK.DLL has no TransmitFile";
  SetTransmitFileProc(CountingTransmitFile);
  for (int pass = 0; pass < 3; ++pass) {
    auto c = ClientFor(server);
    TNetConnectionIntercept watch(nullptr);
    if (pass == 1) SetTransmitFileProc(nullptr);   // no system call: sent as a stream
    if (pass == 2) c->SetIntercept(&watch);        // an intercept must see the bytes
    c->OpenConnection();
    EXPECT_EQ(70000, c->SendFile("payload.bin"));
    c->CloseConnection();
  }
  EXPECT_EQ(1, TransmitCalls);
  Sleep(200);
  auto c = ClientFor(server);
  EXPECT_THROW(c->SendFile("missing.bin"), ENetFileNotFound);
  while (server.Accepted() < 3 || received.size() < 3) Sleep(20);
  std::lock_guard<std::mutex> g(lock);
  for (const std::string& r : received) EXPECT_EQ(content, r);
}

TEST_F(TcpTest, CountedStreamsGrowAsDataArrives) {
  TTestServer server([](TTestPeer& P, int Index) {
    if (Index == 0) P.Send(std::string("\x00\x00\x00\x05", 4) + "hello");
    if (Index == 1) P.Send(std::string("\x7f\xff\xff\xff", 4) + "short");   // claims 2 GiB
    if (Index == 2) P.Send(std::string("\xff\xff\xff\xfe", 4));               // a negative count
    P.Close();
  });
  for (int i = 0; i < 3; ++i) {
    auto c = ClientFor(server);
    c->OpenConnection();
    TMemoryStream m;
    if (i == 0) {
      c->ReceiveStream(m);
      EXPECT_EQ("hello", std::string(m.Data().begin(), m.Data().end()));
    } else if (i == 1) {
      EXPECT_THROW(c->ReceiveStream(m), ENetException);
      EXPECT_EQ(5, m.Size());   // what arrived, nothing reserved for the claim
    } else {
      EXPECT_THROW(c->ReceiveStream(m), ENetTCPConnectionError);
    }
  }
}

TEST_F(TcpTest, ConnectingTwiceAndStatusTexts) {
  TTestServer server([](TTestPeer& P, int) { P.ReadAll(); });
  auto c = ClientFor(server);
  c->Host = "LOCALHOST";
  std::vector<std::string> statuses;
  c->OnStatus = [&](TObject*, TNetStatus, const std::string& Text) { statuses.push_back(Text); };
  c->OpenConnection();
  EXPECT_THROW(c->OpenConnection(), ENetAlreadyConnected);
  c->CloseConnection();
  const std::vector<std::string> expected{"Resolving hostname LOCALHOST.", "Connecting to 127.0.0.1.", "Connected.",
                                          "Disconnecting.", "Disconnected."};
  EXPECT_EQ(expected, statuses);
}

}  // namespace
