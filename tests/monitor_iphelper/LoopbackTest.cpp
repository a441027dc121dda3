// The real IP Helper library: a listening socket and a connection on
// 127.0.0.1 appear in the TCP table with their ports and state names.
#include <winsock.h>

#include <gtest/gtest.h>

#include "monitor/uConnectionTables.h"
#include "monitor/uIPHelperAPI.h"

namespace {

class TSocket {
public:
  explicit TSocket(SOCKET S) : S(S) {}
  ~TSocket() { if (S != INVALID_SOCKET) closesocket(S); }
  TSocket(const TSocket&) = delete;
  TSocket& operator=(const TSocket&) = delete;
  SOCKET S;
};

sockaddr_in Loopback(u_short Port) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = inet_addr("127.0.0.1");
  a.sin_port = htons(Port);
  return a;
}

u_short LocalPort(SOCKET S) {
  sockaddr_in a{};
  int len = sizeof a;
  getsockname(S, reinterpret_cast<sockaddr*>(&a), &len);
  return ntohs(a.sin_port);
}

u_short RowPort(DWORD Field) { return ntohs(static_cast<u_short>(Field & 0xFFFF)); }

TEST(LiveTables, ListeningSocketAndConnectionOnLoopbackAreFound) {
  WSADATA wsa;
  ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &wsa), 0);
  uIPHelperAPI_Initialize();
  ASSERT_TRUE(IpHelperAvailable);
  {
    TSocket server(socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in a = Loopback(0);
    ASSERT_EQ(bind(server.S, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(listen(server.S, 1), 0);
    const u_short listenPort = LocalPort(server.S);
    TSocket client(socket(AF_INET, SOCK_STREAM, 0));
    a = Loopback(listenPort);
    ASSERT_EQ(connect(client.S, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    TSocket accepted(accept(server.S, nullptr, nullptr));
    ASSERT_NE(accepted.S, INVALID_SOCKET);
    const u_short clientPort = LocalPort(client.S);
    TSocket udp(socket(AF_INET, SOCK_DGRAM, 0));
    a = Loopback(0);
    ASSERT_EQ(bind(udp.S, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    const u_short udpPort = LocalPort(udp.S);

    TConnectionTables t;
    t.TcpTableValid = true;
    t.ReadTCPTable();
    t.UdpTableValid = true;
    t.ReadUDPTable();
    ASSERT_TRUE(t.TcpTableRead());
    ASSERT_TRUE(t.UdpTableRead());
    EXPECT_EQ(t.TcpTableBuffer.Family(), IpHelperFamily());

    const DWORD loopback = inet_addr("127.0.0.1");
    int listening = 0, established = 0;
    for (DWORD i = 0; i < t.TcpRowCount(); ++i) {
      TTcpTableRow r = t.TcpRow(i);
      if (RowPort(r.LocalPort) == listenPort && TcpStateName(r.State) == "Listen") {
        EXPECT_EQ(r.LocalAddr, loopback);
        EXPECT_EQ(r.RemoteAddr, 0u);
        ++listening;
      }
      if (RowPort(r.LocalPort) == clientPort && RowPort(r.RemotePort) == listenPort) {
        EXPECT_EQ(TcpStateName(r.State), "Established");
        EXPECT_EQ(r.State, 5u);
        EXPECT_EQ(r.LocalAddr, loopback);
        EXPECT_EQ(r.RemoteAddr, loopback);
        ++established;
      }
    }
    EXPECT_EQ(listening, 1);
    EXPECT_EQ(established, 1);

    int bound = 0;
    for (DWORD i = 0; i < t.UdpRowCount(); ++i) {
      TUdpTableRow r = t.UdpRow(i);
      if (RowPort(r.LocalPort) == udpPort && r.LocalAddr == loopback) ++bound;
    }
    EXPECT_EQ(bound, 1);
    t.ReleaseTCPTable();
    t.ReleaseUDPTable();
  }
  WSACleanup();
}

}  // namespace
