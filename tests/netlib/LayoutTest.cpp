// Our own Winsock declarations against the platform's: every structure the
// system fills must have its layout, on both targets. (Only this file sees
// the platform headers; the components never include them.)
#include <winsock2.h>
#include <ws2tcpip.h>

#include <cstddef>

#undef WSADuplicateSocket
#undef WSAEnumProtocols
#undef WSASocket
#undef WSAAddressToString
#undef WSAStringToAddress
#undef WSALookupServiceBegin
#undef WSALookupServiceNext
#undef WSAInstallServiceClass
#undef WSAGetServiceClassInfo
#undef WSAEnumNameSpaceProviders
#undef WSAGetServiceClassNameByClassId
#undef WSASetService

#include <gtest/gtest.h>

#include "netlib/NetWinSock2.h"

namespace ws = WinSock2;

#define SAME_FIELD(Ours, OurField, Theirs, TheirField)                              \
  static_assert(offsetof(ws::Ours, OurField) == offsetof(Theirs, TheirField) &&     \
                sizeof(ws::Ours::OurField) == sizeof(Theirs::TheirField),           \
                #Ours "::" #OurField)
#define SAME_SIZE(Ours, Theirs) static_assert(sizeof(ws::Ours) == sizeof(Theirs), #Ours)

SAME_SIZE(TWSAData, WSADATA);
SAME_FIELD(TWSAData, Version, WSADATA, wVersion);
SAME_FIELD(TWSAData, MaxSockets, WSADATA, iMaxSockets);
SAME_FIELD(TWSAData, VendorInfo, WSADATA, lpVendorInfo);
SAME_FIELD(TWSAData, Description, WSADATA, szDescription);
SAME_FIELD(TWSAData, SystemStatus, WSADATA, szSystemStatus);
SAME_SIZE(THostEnt, hostent);
SAME_FIELD(THostEnt, AddrType, hostent, h_addrtype);
SAME_FIELD(THostEnt, Length, hostent, h_length);
SAME_FIELD(THostEnt, AddrList, hostent, h_addr_list);
SAME_SIZE(TServEnt, servent);
SAME_FIELD(TServEnt, Port, servent, s_port);
SAME_FIELD(TServEnt, Proto, servent, s_proto);
SAME_SIZE(TProtoEnt, protoent);
SAME_FIELD(TProtoEnt, Proto, protoent, p_proto);
SAME_SIZE(TFDSet, fd_set);
SAME_FIELD(TFDSet, Sockets, fd_set, fd_array);
SAME_SIZE(TTimeVal, timeval);
SAME_SIZE(TSockAddrIn, sockaddr_in);
SAME_FIELD(TSockAddrIn, Port, sockaddr_in, sin_port);
SAME_FIELD(TSockAddrIn, Addr, sockaddr_in, sin_addr);
SAME_SIZE(TSocket, SOCKET);

TEST(WinSock2LayoutTest, ConstantsOfWinsock2) {
  EXPECT_EQ(IP_TTL, ws::ipTtl);
  EXPECT_EQ(FD_SETSIZE, ws::setSize);
  EXPECT_EQ(INVALID_SOCKET, ws::InvalidSocket);
  EXPECT_EQ(SOCK_RAW, ws::sockRaw);
  EXPECT_EQ(IPPROTO_ICMP, ws::ipprotoIcmp);
  EXPECT_EQ(WSANOTINITIALISED, ws::wsaNotInitialised);
  EXPECT_EQ(WSAHOST_NOT_FOUND, ws::wsaHostNotFound);
}
