// The real IP Helper library: a listening socket and a connection on
// 127.0.0.1 appear in the TCP table with their ports and state names.
#include <winsock.h>

#include <gtest/gtest.h>

#include "LoopbackSockets.h"
#include "monitor/uConnectionTables.h"
#include "monitor/uIPHelperAPI.h"

namespace {

u_short RowPort(DWORD Field) { return ntohs(static_cast<u_short>(Field & 0xFFFF)); }

TEST(LiveTables, ListeningSocketAndConnectionOnLoopbackAreFound) {
  WSADATA wsa;
  ASSERT_EQ(WSAStartup(MAKEWORD(1, 1), &wsa), 0);
  uIPHelperAPI_Initialize();
  ASSERT_TRUE(IpHelperAvailable);
  {
    TLoopbackConnection c;
    ASSERT_TRUE(c.Open());
    const u_short listenPort = c.ListenPort, clientPort = c.ClientPort;
    TTestSocket udp(socket(AF_INET, SOCK_DGRAM, 0));
    sockaddr_in a = LoopbackAddress(0);
    ASSERT_EQ(bind(udp.S, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    const u_short udpPort = LocalPort(udp.S);

    // A table that keeps growing while it is read (other test programs open
    // connections meanwhile) is left unread: read again.
    TConnectionTables t;
    for (int i = 0; i < 20 && !(t.TcpTableRead() && t.UdpTableRead()); ++i) {
      t.TcpTableValid = true;
      t.ReadTCPTable();
      t.UdpTableValid = true;
      t.ReadUDPTable();
    }
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
