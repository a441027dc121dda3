#include "netlib/NetBaseComponent.h"

IMPLEMENT_CLASSINFO(TNetBaseComponent, TComponent)
