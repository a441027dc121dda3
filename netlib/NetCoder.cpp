#include "netlib/NetCoder.h"

IMPLEMENT_CLASSINFO(TNetEncoder, TNetBaseComponent)
IMPLEMENT_CLASSINFO(TNetDecoder, TNetBaseComponent)
