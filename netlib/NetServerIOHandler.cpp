#include "netlib/NetServerIOHandler.h"

IMPLEMENT_CLASSINFO(TNetServerIOHandler, TNetComponent)
