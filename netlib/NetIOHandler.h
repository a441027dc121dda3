// The transport under a TCP connection: open, connect, wait, receive, send.
#pragma once
#include <string>

#include "netlib/NetComponent.h"

class TNetIOHandler : public TNetComponent {
  DECLARE_CLASSINFO(TNetIOHandler)
public:
  explicit TNetIOHandler(TComponent* AOwner) : TNetComponent(AOwner) {}
  ~TNetIOHandler() override { FActive = false; }   // subclasses close their transport

  virtual void AcceptFinished() {}
  virtual void CloseHandler() { FActive = false; }
  // Time-out in ms: 0 and -1 a plain blocking connect, -2 no limit.
  virtual void ConnectTo(const std::string& AHost, int APort, const std::string& ABoundIP, int ABoundPort,
                         int ABoundPortMin, int ABoundPortMax, int ATimeout) {
    (void)AHost, (void)APort, (void)ABoundIP, (void)ABoundPort, (void)ABoundPortMin, (void)ABoundPortMax,
        (void)ATimeout;
  }
  virtual bool IsOpen() { return FActive; }
  virtual void OpenHandler() { FActive = true; }
  // Whether the transport still has a peer.
  virtual bool Connected() { return FActive; }
  // Whether data can be read within ATimeout ms (-2: no limit).
  virtual bool WaitReadable(int ATimeout) = 0;
  // Bytes read, 0 when the peer closed, -1 on a socket error.
  virtual int ReceiveBytes(void* ABuffer, int ASize) = 0;
  // Bytes sent, -1 on a socket error.
  virtual int SendBlock(const void* ABuffer, int ASize) = 0;
  // The Winsock code of the last failed receive or send.
  virtual int LastError() { return 0; }

private:
  bool FActive = false;
};
