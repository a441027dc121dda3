#include "netlib/NetIOHandler.h"

IMPLEMENT_CLASSINFO(TNetIOHandler, TNetComponent)
