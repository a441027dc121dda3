#include "netlib/NetTCPClient.h"

#include "netlib/NetException.h"
#include "netlib/NetIOHandlerSocket.h"
#include "netlib/NetResourceStrings.h"

IMPLEMENT_CLASSINFO(TNetTCPClient, TNetTCPConnection)

void TNetTCPClient::FireConnected() {
  if (OnConnected) OnConnected(this);
}

void TNetTCPClient::OpenConnection(int ATimeout) {
  if (IOHandler() && IOHandler()->Connected()) throw ENetAlreadyConnected(RSAlreadyConnected);
  if (!IOHandler()) {
    auto h = std::make_unique<TNetIOHandlerSocket>(nullptr);
    h->OnStatus = OnStatus;
    AdoptIOHandler(std::move(h));
  }
  try {
    IOHandler()->OpenHandler();
    ClearInputState();
    IOHandler()->ConnectTo(Host, Port, BoundIP, BoundPort, BoundPortMin, BoundPortMax, ATimeout);
  } catch (...) {
    CloseTransport();
    FreeOwnIOHandler();
    throw;
  }
  if (Intercept()) Intercept()->AttachTo(this);
  FireStatus(TNetStatus::nsConnected, {Host});
  FireConnected();
}

std::string TNetTCPClient::FetchAll() {
  OpenConnection();
  std::string all;
  try {
    ReadUntilClosed();
    all = InputBuffer().Extract(InputBuffer().Available());
  } catch (...) {
    CloseConnection();
    throw;
  }
  CloseConnection();
  return all;
}
