// Real sockets on 127.0.0.1 for tests that read the live connection tables.
#pragma once
#include <winsock.h>

class TTestSocket {
public:
  explicit TTestSocket(SOCKET AS = INVALID_SOCKET) : S(AS) {}
  ~TTestSocket() {
    if (S != INVALID_SOCKET) closesocket(S);
  }
  TTestSocket(const TTestSocket&) = delete;
  TTestSocket& operator=(const TTestSocket&) = delete;
  SOCKET S;
};

sockaddr_in LoopbackAddress(u_short Port, const char* Address = "127.0.0.1");
u_short LocalPort(SOCKET S);   // host order

// A TCP socket listening on Address (of 127.0.0.0/8) at a port the system
// picks, which *Port receives; INVALID_SOCKET when any step failed.
// Winsock must be started.
SOCKET ListenOnLoopback(int Backlog, u_short* Port = nullptr, const char* Address = "127.0.0.1");

// A listening socket, a client connected to it and the accepted end, with
// data passed both ways (Wine names a socket's owner only once the process
// has used its descriptor). Winsock must be started.
struct TLoopbackConnection {
  const char* ListenAddress = "127.0.0.1";   // any address of 127.0.0.0/8
  TTestSocket Server, Client, Accepted;
  u_short ListenPort = 0, ClientPort = 0;
  bool Open();   // false when any step failed
};
