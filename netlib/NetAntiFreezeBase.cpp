#include "netlib/NetAntiFreezeBase.h"

#include "netlib/NetException.h"
#include "netlib/NetGlobal.h"
#include "netlib/NetResourceStrings.h"

TNetAntiFreezeBase* AntiFreezeInstance = nullptr;

IMPLEMENT_CLASSINFO(TNetAntiFreezeBase, TNetBaseComponent)

TNetAntiFreezeBase::TNetAntiFreezeBase(TComponent* AOwner) : TNetBaseComponent(AOwner) {
  if (AntiFreezeInstance) throw ENetException(RSOnlyOneAntiFreeze);
  AntiFreezeInstance = this;
}

TNetAntiFreezeBase::~TNetAntiFreezeBase() {
  if (AntiFreezeInstance == this) AntiFreezeInstance = nullptr;
}

bool TNetAntiFreezeBase::ShouldUse() {
  return AntiFreezeInstance && AntiFreezeInstance->Active && OnMainThread();
}

void TNetAntiFreezeBase::DoProcess(bool Idle, bool Force) {
  if (ShouldUse() && (Idle || !AntiFreezeInstance->OnlyWhenIdle || Force))
    AntiFreezeInstance->YieldToApplication();
}
