// Timers.
#pragma once
#include <windows.h>

#include "classlib/Classes.h"
#include "classlib/Messages.h"

// A timer on a hidden window of its own: OnTimer runs on the thread that
// created it, from whatever message loop is running.
CLASSLIB_EXCEPTION(EOutOfResources, EOutOfMemory);

class TTimer : public TComponent {
  DECLARE_CLASSINFO(TTimer)
public:
  explicit TTimer(TComponent* AOwner);
  ~TTimer() override;
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  UINT Interval() const { return FInterval; }
  void SetInterval(UINT Value);
  TNotifyEvent OnTimer;

protected:
  virtual void Timer();

private:
  void UpdateTimer();
  bool FEnabled = true;
  UINT FInterval = 1000;
  THiddenWindow FWindow;
};
