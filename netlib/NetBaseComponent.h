// The common root of the protocol components.
#pragma once
#include "classlib/Classes.h"

class TNetBaseComponent : public TComponent {
  DECLARE_CLASSINFO(TNetBaseComponent)
public:
  explicit TNetBaseComponent(TComponent* AOwner) : TComponent(AOwner) {}
};
