// Sees or rewrites every block a connection sends or receives. Intercepts
// chain: received data passes the innermost intercept first, sent data the
// outermost.
#pragma once
#include <functional>

#include "netlib/NetBaseComponent.h"

class TNetConnectionIntercept;
using TNetInterceptNotifyEvent = std::function<void(TNetConnectionIntercept* ASender)>;
using TNetInterceptStreamEvent = std::function<void(TNetConnectionIntercept* ASender, TStream& AStream)>;

class TNetConnectionIntercept : public TNetBaseComponent {
  DECLARE_CLASSINFO(TNetConnectionIntercept)
public:
  explicit TNetConnectionIntercept(TComponent* AOwner);
  ~TNetConnectionIntercept() override;

  bool IsClient = true;
  TNetInterceptNotifyEvent OnConnect;
  TNetInterceptNotifyEvent OnDisconnect;
  TNetInterceptStreamEvent OnReceive;
  TNetInterceptStreamEvent OnSend;

  // The chained intercept (not owned; forgotten when it is freed).
  TNetConnectionIntercept* Intercept() const { return FIntercept; }
  void SetIntercept(TNetConnectionIntercept* Value);
  TComponent* Connection() const { return FConnection; }

  virtual void NestedConnect(TComponent* AConnection);
  virtual void NestedDisconnect();
  virtual void NestedReceive(TStream& AStream);
  virtual void NestedSend(TStream& AStream);
  // Stores the connection, fires OnConnect, then connects the chain.
  virtual void AttachTo(TComponent* AConnection);
  // Disconnects the chain, fires OnDisconnect, forgets the connection.
  virtual void Detach();
  // The chain first, then OnReceive (the stream rewound after it).
  virtual void FilterIncoming(TStream& AStream);
  // OnSend first (the stream rewound after it), then the chain.
  virtual void FilterOutgoing(TStream& AStream);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  TNetConnectionIntercept* FIntercept = nullptr;
  TComponent* FConnection = nullptr;
};
