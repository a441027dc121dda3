// The raw-socket component as a client; it publishes ReceiveTimeout.
#pragma once
#include "netlib/NetRawBase.h"

class TNetRawClient : public TNetRawBase {
  DECLARE_CLASSINFO(TNetRawClient)
public:
  explicit TNetRawClient(TComponent* AOwner) : TNetRawBase(AOwner) {}
};
