// Base classes of the text coders.
#pragma once
#include "netlib/NetBaseComponent.h"

class TNetEncoder : public TNetBaseComponent {
  DECLARE_CLASSINFO(TNetEncoder)
public:
  explicit TNetEncoder(TComponent* AOwner) : TNetBaseComponent(AOwner) {}
};

class TNetDecoder : public TNetBaseComponent {
  DECLARE_CLASSINFO(TNetDecoder)
public:
  explicit TNetDecoder(TComponent* AOwner) : TNetBaseComponent(AOwner) {}
};
