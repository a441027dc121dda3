#include "LoopbackSockets.h"

sockaddr_in LoopbackAddress(u_short Port, const char* Address) {
  sockaddr_in a{};
  a.sin_family = AF_INET;
  a.sin_addr.s_addr = inet_addr(Address);
  a.sin_port = htons(Port);
  return a;
}

u_short LocalPort(SOCKET S) {
  sockaddr_in a{};
  int len = sizeof a;
  getsockname(S, reinterpret_cast<sockaddr*>(&a), &len);
  return ntohs(a.sin_port);
}

SOCKET ListenOnLoopback(int Backlog, u_short* Port, const char* Address) {
  SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  if (s == INVALID_SOCKET) return s;
  sockaddr_in a = LoopbackAddress(0, Address);
  if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 || listen(s, Backlog) != 0) {
    closesocket(s);
    return INVALID_SOCKET;
  }
  if (Port) *Port = LocalPort(s);
  return s;
}

bool TLoopbackConnection::Open() {
  Server.S = ListenOnLoopback(1, &ListenPort, ListenAddress);
  if (Server.S == INVALID_SOCKET) return false;
  Client.S = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in a = LoopbackAddress(ListenPort, ListenAddress);
  if (connect(Client.S, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0) return false;
  Accepted.S = accept(Server.S, nullptr, nullptr);
  if (Accepted.S == INVALID_SOCKET) return false;
  ClientPort = LocalPort(Client.S);
  char buf[2];
  return send(Client.S, "hi", 2, 0) == 2 && recv(Accepted.S, buf, 2, 0) == 2 &&
         send(Accepted.S, "ok", 2, 0) == 2 && recv(Client.S, buf, 2, 0) == 2;
}
