// The hook through which blocking waits may yield to the GUI. At most one
// anti-freeze component exists; a subclass supplies YieldToApplication.
// Without one (the running program makes none) waits block their thread.
#pragma once
#include "netlib/NetBaseComponent.h"

class TNetAntiFreezeBase : public TNetBaseComponent {
  DECLARE_CLASSINFO(TNetAntiFreezeBase)
public:
  explicit TNetAntiFreezeBase(TComponent* AOwner);   // ENetException when one exists
  ~TNetAntiFreezeBase() override;

  bool Active = true;
  bool ApplicationHasPriority = true;
  int IdleTimeOut = 250;
  bool OnlyWhenIdle = true;

  virtual void YieldToApplication() = 0;

  // Usable: it exists, is Active, and the caller runs on the main thread.
  static bool ShouldUse();
  // Yields when usable and (the wait was idle, or not OnlyWhenIdle, or Force).
  static void DoProcess(bool Idle = true, bool Force = false);
};

extern TNetAntiFreezeBase* AntiFreezeInstance;   // not owned
