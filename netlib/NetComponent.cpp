#include "netlib/NetComponent.h"

#include <memory>

#include "classlib/SyncObjs.h"
#include "classlib/UnitInit.h"
#include "netlib/NetGlobal.h"
#include "netlib/NetResourceStrings.h"
#include "netlib/NetStack.h"

IMPLEMENT_CLASSINFO(TNetComponent, TNetBaseComponent)

namespace {
TUnitCounter UnitCounter;
int ComponentCount = 0;
std::unique_ptr<TCriticalSection> ComponentLock;

TCriticalSection& Lock() {
  if (!ComponentLock) throw EInvalidOperation("Unit NetComponent is not started");
  return *ComponentLock;
}

const char* StatusText(TNetStatus S) {
  switch (S) {
    case TNetStatus::nsResolving: return RSStatusResolving;
    case TNetStatus::nsConnecting: return RSStatusConnecting;
    case TNetStatus::nsConnected: return RSStatusConnected;
    case TNetStatus::nsDisconnecting: return RSStatusDisconnecting;
    case TNetStatus::nsDisconnected: return RSStatusDisconnected;
    default: return RSStatusText;
  }
}

// Each %s takes the next argument (empty when they run out); %% is a %.
std::string FormatStatus(const char* Pattern, const std::vector<std::string>& Args) {
  std::string r;
  size_t next = 0;
  for (const char* p = Pattern; *p; ++p) {
    if (p[0] == '%' && p[1] == 's') {
      if (next < Args.size()) r += Args[next];
      ++next;
      ++p;
    } else if (p[0] == '%' && p[1] == '%') {
      r += '%';
      ++p;
    } else {
      r += *p;
    }
  }
  return r;
}
}  // namespace

TNetComponent::TNetComponent(TComponent* AOwner) : TNetBaseComponent(AOwner) {
  TLockGuard guard(Lock());
  if (++::ComponentCount == 1) {
    try {
      if (!StackClass) throw EInvalidOperation("Unit NetGlobal is not started");
      GlobalStack = StackClass();
    } catch (...) {
      --::ComponentCount;
      throw;
    }
  }
}

TNetComponent::~TNetComponent() {
  DestroyComponents();
  if (!ComponentLock) return;
  TLockGuard guard(*ComponentLock);
  if (::ComponentCount > 0 && --::ComponentCount == 0) GlobalStack.reset();
}

void TNetComponent::FireStatus(TNetStatus AStatus, const std::vector<std::string>& Args) {
  if (OnStatus) OnStatus(this, AStatus, FormatStatus(StatusText(AStatus), Args));
}

void TNetComponent::WorkStart(TWorkMode AWorkMode, int ASize) {
  TWorkInfo& w = FWorkInfos[static_cast<size_t>(AWorkMode)];
  if (++w.Level == 1) {
    w.Max = ASize;
    w.Current = 0;
    if (OnWorkBegin) OnWorkBegin(this, AWorkMode, ASize);
  }
}

void TNetComponent::WorkProgress(TWorkMode AWorkMode, int ACount) {
  TWorkInfo& w = FWorkInfos[static_cast<size_t>(AWorkMode)];
  if (w.Level <= 0) return;
  w.Current += ACount;
  if (OnWork) OnWork(this, AWorkMode, w.Current);
}

void TNetComponent::WorkFinish(TWorkMode AWorkMode) {
  TWorkInfo& w = FWorkInfos[static_cast<size_t>(AWorkMode)];
  if (w.Level <= 0) return;
  if (w.Level == 1 && OnWorkEnd) OnWorkEnd(this, AWorkMode);
  --w.Level;
}

int NetComponentCount() {
  TLockGuard guard(Lock());
  return ComponentCount;
}

void NetComponent_Initialize() {
  if (!UnitCounter.Enter()) return;
  NetGlobal_Initialize();
  ComponentLock = std::make_unique<TCriticalSection>();
}

void NetComponent_Finalize() {
  if (!UnitCounter.Leave()) return;
  {
    TLockGuard guard(*ComponentLock);
    GlobalStack.reset();
    ComponentCount = 0;
  }
  ComponentLock.reset();
  NetGlobal_Finalize();
}
