// Base of the server-side I/O handlers. No server component exists, so
// it does nothing of its own.
#pragma once
#include "netlib/NetComponent.h"
#include "netlib/NetStack.h"

class TNetIOHandler;

class TNetServerIOHandler : public TNetComponent {
  DECLARE_CLASSINFO(TNetServerIOHandler)
public:
  explicit TNetServerIOHandler(TComponent* AOwner) : TNetComponent(AOwner) {}
  virtual void Init() {}
  // A handler for a connection accepted on the listening socket; none here.
  virtual TNetIOHandler* Accept(TNetSocket ASocket) {
    (void)ASocket;
    return nullptr;
  }
};
