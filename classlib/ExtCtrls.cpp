#include "classlib/ExtCtrls.h"

IMPLEMENT_CLASSINFO(TTimer, TComponent)

TTimer::TTimer(TComponent* AOwner) : TComponent(AOwner) {
  FWindow = AllocateHWnd([this](TMessage& M) {
    if (M.Msg == WM_TIMER) {
      try {
        Timer();
      } catch (...) {
        HandleCallbackException(this);
      }
    } else {
      M.Result = DefaultHandler(FWindow.Handle(), M);
    }
  });
  UpdateTimer();
}

TTimer::~TTimer() {
  FEnabled = false;
  UpdateTimer();
}

void TTimer::UpdateTimer() {
  KillTimer(FWindow.Handle(), 1);
  if (FInterval != 0 && FEnabled && !SetTimer(FWindow.Handle(), 1, FInterval, nullptr))
    throw EOutOfResources("Not enough timers available");
}

void TTimer::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  UpdateTimer();
}

void TTimer::SetInterval(UINT Value) {
  if (Value == FInterval) return;
  FInterval = Value;
  UpdateTimer();
}

void TTimer::Timer() {
  if (FEnabled && OnTimer) OnTimer(this);
}
