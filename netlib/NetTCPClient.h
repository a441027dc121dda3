// A TCP connection that connects itself to Host:Port.
#pragma once
#include <string>

#include "netlib/NetTCPConnection.h"

class TNetTCPClient : public TNetTCPConnection {
  DECLARE_CLASSINFO(TNetTCPClient)
public:
  explicit TNetTCPClient(TComponent* AOwner) : TNetTCPConnection(AOwner) {}

  std::string BoundIP;
  int BoundPort = 0;
  int BoundPortMin = 0;
  int BoundPortMax = 0;
  std::string Host;
  int Port = 0;
  TNotifyEvent OnConnected;

  virtual void AssignHost(const std::string& AHost) { Host = AHost; }
  virtual void AssignPort(int APort) { Port = APort; }
  virtual void FireConnected();
  // Time-out in ms: 0 and -1 a plain blocking connect, -2 no limit.
  // ENetAlreadyConnected when connected; without an I/O handler a socket
  // handler is made (freed on disconnect).
  virtual void OpenConnection(int ATimeout = NetTimeoutDefault);
  // Connects, reads until the peer closes, disconnects; returns all it read.
  virtual std::string FetchAll();
};
