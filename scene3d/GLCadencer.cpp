#include "scene3d/GLCadencer.h"

#include <algorithm>
#include <exception>
#include <memory>

#include "classlib/Forms.h"
#include "classlib/Messages.h"
#include "classlib/SysUtils.h"
#include "classlib/UnitInit.h"
#include "scene3d/GLCrossPlatform.h"

namespace {
const char* const UnitName = "scene3d\\GLCadencer";
TUnitCounter UnitCounter;
UINT vWMTickCadencer = 0;
int64_t vCounterFrequency = 0;
// Cadencers ticked as soon as possible; an entry left is null until packed.
std::vector<TGLCadencer*> vASAPCadencerList;
bool vHandlingTick = false;
}  // namespace

// The hidden window that ticks the ASAP cadencers: it posts itself
// "TickGLCadencer" after every round. When the queue is so busy that the
// tick arrives in the very millisecond it was posted 5001 times in a row, a
// 1 ms timer takes over for one round, so that other messages get through.
class TASAPHandler {
public:
  TASAPHandler() : FWindow(AllocateHWnd([this](TMessage& M) { WndProc(M); })) {
    PostMessageA(FWindow.Handle(), vWMTickCadencer, 0, 0);
  }
  TASAPHandler(const TASAPHandler&) = delete;
  TASAPHandler& operator=(const TASAPHandler&) = delete;

private:
  void WndProc(TMessage& M);
  THiddenWindow FWindow;
  int FTooFastCounter = 0;
  bool FTimerStarted = false;
};

namespace {
std::unique_ptr<TASAPHandler> vHandler;
// A handler left with nothing to tick; freed later, never from inside its
// own window procedure.
std::unique_ptr<TASAPHandler> vRetiredHandler;

void RetireHandler() {
  if (vHandler) vRetiredHandler = std::move(vHandler);
}
}  // namespace

void TASAPHandler::WndProc(TMessage& M) {
  M.Result = 0;
  if (vHandler.get() != this) return;   // retired: a tick still queued is dropped
  if (M.Msg == WM_TIMER) {
    KillTimer(FWindow.Handle(), 1);
    FTimerStarted = false;
    FTooFastCounter = 0;
  } else if (GetMessageTime() == static_cast<LONG>(GetTickCount())) {
    if (++FTooFastCounter >= 5001) {
      if (!FTimerStarted) FTimerStarted = SetTimer(FWindow.Handle(), 1, 1, nullptr) != 0;
      FTooFastCounter = 0;
    }
  } else {
    FTooFastCounter = 0;
  }
  if (FTimerStarted || vHandlingTick) return;
  if (M.Msg != vWMTickCadencer && M.Msg != WM_TIMER) {
    M.Result = DefaultHandler(FWindow.Handle(), M);
    return;
  }
  // A failing cadencer does not stop the others: the round ends, the next
  // one is posted, then the first failure goes on to the window procedure.
  vHandlingTick = true;
  std::exception_ptr failure;
  for (size_t i = vASAPCadencerList.size(); i-- > 0;) {
    TGLCadencer* c = i < vASAPCadencerList.size() ? vASAPCadencerList[i] : nullptr;
    if (!c || c->Mode() != TGLCadencerMode::cmASAP || !c->Enabled() || c->FProgressing != 0) continue;
    try {
      if (Application && Application->Terminated()) c->SetEnabled(false);
      else c->Progress();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
  }
  vHandlingTick = false;
  vASAPCadencerList.erase(std::remove(vASAPCadencerList.begin(), vASAPCadencerList.end(), nullptr),
                          vASAPCadencerList.end());
  if (!vASAPCadencerList.empty()) PostMessageA(FWindow.Handle(), vWMTickCadencer, 0, 0);
  else RetireHandler();
  if (failure) std::rethrow_exception(failure);
}

IMPLEMENT_CLASSINFO(TGLCadencer, TComponent)

TGLCadencer::TGLCadencer(TComponent* AOwner) : TComponent(AOwner) {
  FDownTime = RawReferenceTime();
  FOriginTime = FDownTime;
}

TGLCadencer::~TGLCadencer() {
  *FAlive = false;
  if (FProgressing != 0) {
    // Freed from inside its own progress (a handler): reported, never
    // thrown out of a destructor; Progress touches it no more.
    try {
      Assert(false, "", UnitName, 412);
    } catch (...) {
      HandleCallbackException(this);
    }
  }
  Unsubscribe(FMode);
  if (FScene) FScene->RemoveFreeNotification(this);
  for (TGLCadenceAbleComponent* c : FSubscribedCadenceableComponents) c->RemoveFreeNotification(this);
  FSubscribedCadenceableComponents.clear();
}

void TGLCadencer::Loaded() {
  TComponent::Loaded();
  RenewSubscription();
}

double TGLCadencer::RawReferenceTime() const {
  switch (FTimeReference) {
    case TGLCadencerTimeReference::cmRTC:
      return Now() * 3600.0 * 24.0;
    case TGLCadencerTimeReference::cmPerformanceCounter: {
      if (vCounterFrequency <= 0) return 0.0;
      int64_t counter = 0;
      QueryPerformanceCounter(counter);
      return static_cast<double>(counter) / static_cast<double>(vCounterFrequency);
    }
    case TGLCadencerTimeReference::cmExternal:
      return FExternalTime;
    default:
      Assert(false, "", UnitName, 665);
      return 0.0;
  }
}

double TGLCadencer::GetCurrentTime() {
  FCurrentTime = (RawReferenceTime() - FOriginTime) * FTimeMultiplier;
  return FCurrentTime;
}

void TGLCadencer::SetCurrentTime(double Value) {
  FCurrentTime = Value;
  FExternalTime = Value;
}

void TGLCadencer::SetTimeReference(TGLCadencerTimeReference Value) {
  if (Value == FTimeReference) return;
  // The origin and the time of disabling move to the new clock, so that
  // the cadencer's time goes on where it was.
  const double before = RawReferenceTime();
  FTimeReference = Value;
  const double shift = RawReferenceTime() - before;
  FOriginTime += shift;
  FDownTime += shift;
}

void TGLCadencer::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  if (!ComponentState.Contains(TComponentStateItem::csDesigning)) {
    if (FEnabled) FOriginTime += RawReferenceTime() - FDownTime;
    else FDownTime = RawReferenceTime();
  }
  RenewSubscription();
}

void TGLCadencer::SetTimeMultiplier(double Value) {
  if (Value == FTimeMultiplier) return;
  if (Value == 0.0) {
    FLastMultiplier = FTimeMultiplier;
    SetEnabled(false);
  } else {
    double old = FTimeMultiplier;
    if (FTimeMultiplier == 0.0) {
      SetEnabled(true);
      old = FLastMultiplier;
    }
    const double now = RawReferenceTime();
    FOriginTime = now - (now - FOriginTime) * old / Value;
  }
  FTimeMultiplier = Value;
}

void TGLCadencer::SetMode(TGLCadencerMode Value) {
  if (Value == FMode) return;
  if (FMode != TGLCadencerMode::cmManual) Unsubscribe(FMode);
  FMode = Value;
  RenewSubscription();
}

void TGLCadencer::SetScene(TScene3D* Value) {
  if (Value == FScene) return;
  if (FScene) FScene->RemoveFreeNotification(this);
  FScene = Value;
  if (FScene) FScene->FreeNotification(this);
  RenewSubscription();
}

void TGLCadencer::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == TOperation::opRemove) {
    if (AComponent == FScene) {
      FScene = nullptr;
      RenewSubscription();
    }
    auto& list = FSubscribedCadenceableComponents;
    list.erase(std::remove(list.begin(), list.end(), AComponent), list.end());
  }
  TComponent::Notification(AComponent, Operation);
}

void TGLCadencer::Subscribe(TGLCadenceAbleComponent* aComponent) {
  auto& list = FSubscribedCadenceableComponents;
  if (std::find(list.begin(), list.end(), aComponent) != list.end()) return;
  list.push_back(aComponent);
  aComponent->FreeNotification(this);
}

void TGLCadencer::UnSubscribe(TGLCadenceAbleComponent* aComponent) {
  auto& list = FSubscribedCadenceableComponents;
  auto it = std::find(list.begin(), list.end(), aComponent);
  if (it == list.end()) return;
  list.erase(it);
  aComponent->RemoveFreeNotification(this);
}

void TGLCadencer::RenewSubscription() {
  if (ComponentState.Contains(TComponentStateItem::csLoading)) return;
  const bool wanted = (FMode == TGLCadencerMode::cmASAP || FMode == TGLCadencerMode::cmApplicationIdle) &&
                      !ComponentState.Contains(TComponentStateItem::csDesigning) && FScene && FEnabled;
  if (!wanted) {
    Unsubscribe(FMode);
    return;
  }
  if (FMode == TGLCadencerMode::cmASAP) {
    if (std::find(vASAPCadencerList.begin(), vASAPCadencerList.end(), this) == vASAPCadencerList.end())
      vASAPCadencerList.push_back(this);
    if (!vHandler) {
      vRetiredHandler.reset();
      vHandler = std::make_unique<TASAPHandler>();
    }
  } else if (Application) {
    Application->OnIdle = [this](TObject*, bool& Done) {
      Progress();
      Done = false;
    };
  }
}

void TGLCadencer::Unsubscribe(TGLCadencerMode OldMode) {
  if (OldMode == TGLCadencerMode::cmASAP) {
    for (TGLCadencer*& c : vASAPCadencerList)
      if (c == this) c = nullptr;
    // Outside a tick the list is packed here; an empty list lets the handler go.
    if (!vHandlingTick) {
      vASAPCadencerList.erase(std::remove(vASAPCadencerList.begin(), vASAPCadencerList.end(), nullptr),
                              vASAPCadencerList.end());
      if (vASAPCadencerList.empty()) RetireHandler();
    }
  } else if (OldMode == TGLCadencerMode::cmApplicationIdle && Application) {
    Application->OnIdle = nullptr;
  }
}

void TGLCadencer::Progress() {
  if (FProgressing < 0) return;
  if (FEnabled) {
    if (SleepLength >= 0) Sleep(static_cast<DWORD>(SleepLength));
    if (FMode == TGLCadencerMode::cmASAP) {
      if (Application) Application->ProcessMessages();
      if (std::find(vASAPCadencerList.begin(), vASAPCadencerList.end(), this) == vASAPCadencerList.end()) return;
    }
  }
  const std::shared_ptr<bool> alive = FAlive;   // a handler may free the cadencer
  ++FProgressing;
  try {
    if (FEnabled) {
      double newTime = GetCurrentTime();
      double deltaTime = newTime - FLastTime;
      if (deltaTime >= MinDeltaTime && deltaTime >= FixedDeltaTime) {
        if (MaxDeltaTime > 0.0 && deltaTime > MaxDeltaTime) {
          FOriginTime += (deltaTime - MaxDeltaTime) / FTimeMultiplier;
          deltaTime = MaxDeltaTime;
          newTime = FLastTime + deltaTime;
        }
        double totalDelta = deltaTime;
        const double step = FixedDeltaTime > 0.0 ? FixedDeltaTime : deltaTime;
        const bool designing = ComponentState.Contains(TComponentStateItem::csDesigning);
        while (step <= totalDelta) {
          FLastTime += step;
          if (FScene && step != 0.0) {
            FProgressing = -FProgressing;
            try {
              FScene->Progress(step, FLastTime);
            } catch (...) {
              if (*alive) FProgressing = -FProgressing;
              throw;
            }
            if (!*alive) return;
            FProgressing = -FProgressing;
          }
          const TProgressTimes times{step, FLastTime};
          for (TGLCadenceAbleComponent* c : std::vector<TGLCadenceAbleComponent*>(FSubscribedCadenceableComponents)) {
            c->DoProgress(times);
            if (!*alive) return;
          }
          if (OnProgress && !designing) {
            TGLProgressEvent handler = OnProgress;
            handler(this, step, newTime);
            if (!*alive) return;
          }
          if (step <= 0.0) break;
          totalDelta -= step;
        }
      }
    }
  } catch (...) {
    if (*alive) --FProgressing;
    throw;
  }
  --FProgressing;
}

UINT TickGLCadencerMessage() { return vWMTickCadencer; }

void GLCadencer_Initialize() {
  if (!UnitCounter.Enter()) return;
  vWMTickCadencer = RegisterWindowMessageA("TickGLCadencer");
  if (!QueryPerformanceFrequency(vCounterFrequency)) vCounterFrequency = 0;
}

void GLCadencer_Finalize() {
  if (!UnitCounter.Leave()) return;
  vHandler.reset();
  vRetiredHandler.reset();
  vASAPCadencerList.clear();
}
