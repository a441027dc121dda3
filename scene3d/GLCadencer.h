// The cadencer: measures time and, each time it is ticked, advances a scene,
// its subscribers and its OnProgress event by the elapsed time (in one step
// or in fixed steps). It is ticked by hand, as often as possible through a
// hidden window posting itself "TickGLCadencer", or on application idle.
#pragma once
#include <memory>
#include <vector>

#include "scene3d/Scene3D.h"

enum class TGLCadencerMode : uint8_t { cmManual, cmASAP, cmApplicationIdle };
enum class TGLCadencerTimeReference : uint8_t { cmRTC, cmPerformanceCounter, cmExternal };

class TGLCadencer : public TComponent {
  DECLARE_CLASSINFO(TGLCadencer)
public:
  explicit TGLCadencer(TComponent* AOwner);
  // Freed inside its own progress (from a handler), it reports the failed
  // assertion through the application's exception handler.
  ~TGLCadencer() override;
  void Loaded() override;

  TScene3D* Scene() const { return FScene; }
  void SetScene(TScene3D* Value);
  double TimeMultiplier() const { return FTimeMultiplier; }
  void SetTimeMultiplier(double Value);   // 0 stops; a later value resumes without a jump
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);   // a re-enabled cadencer goes on where it stopped
  TGLCadencerMode Mode() const { return FMode; }
  void SetMode(TGLCadencerMode Value);
  TGLCadencerTimeReference TimeReference() const { return FTimeReference; }
  // The cadencer's time goes on from where it was on the new clock.
  void SetTimeReference(TGLCadencerTimeReference Value);
  int SleepLength = -1;   // milliseconds slept before each tick; -1: none
  double MaxDeltaTime = 0.0, MinDeltaTime = 0.0, FixedDeltaTime = 0.0;
  TGLProgressEvent OnProgress;

  // The last computed cadencer time. With cmExternal, SetCurrentTime gives
  // the reference time the cadencer reads.
  double CurrentTime() const { return FCurrentTime; }
  void SetCurrentTime(double Value);
  double GetCurrentTime();   // (reference - origin) x TimeMultiplier, stored in CurrentTime
  void Progress();
  bool IsBusy() const { return FProgressing != 0; }
  void Subscribe(TGLCadenceAbleComponent* aComponent);
  void UnSubscribe(TGLCadenceAbleComponent* aComponent);

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  friend class TASAPHandler;
  double RawReferenceTime() const;
  void RenewSubscription();
  void Unsubscribe(TGLCadencerMode OldMode);
  std::vector<TGLCadenceAbleComponent*> FSubscribedCadenceableComponents;   // not owned
  TScene3D* FScene = nullptr;                                              // not owned
  double FTimeMultiplier = 1.0;
  double FLastTime = 0.0, FDownTime = 0.0, FLastMultiplier = 1.0;
  bool FEnabled = true;
  TGLCadencerMode FMode = TGLCadencerMode::cmASAP;
  TGLCadencerTimeReference FTimeReference = TGLCadencerTimeReference::cmPerformanceCounter;
  double FCurrentTime = 0.0;
  double FExternalTime = 0.0;   // the reference of cmExternal, as the application set it
  double FOriginTime = 0.0;
  int FProgressing = 0;   // > 0 inside Progress, < 0 while the scene progresses
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);   // false once freed
};

// The registered message the ASAP window posts itself.
UINT TickGLCadencerMessage();

void GLCadencer_Initialize();   // registers the message and reads the counter frequency
void GLCadencer_Finalize();
