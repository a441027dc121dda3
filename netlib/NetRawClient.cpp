#include "netlib/NetRawClient.h"

IMPLEMENT_CLASSINFO(TNetRawClient, TNetRawBase)
