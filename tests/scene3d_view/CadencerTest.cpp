// The cadencer on a clock the test sets, on application idle, and ticking
// as soon as possible under a message loop.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <vector>

#include "ViewScene.h"
#include "scene3d/GLCadencer.h"

namespace {
class Cadencer : public testing::Test {
protected:
  void SetUp() override {
    Scene = std::make_unique<TScene3D>(nullptr);
    Object = Scene->Objects()->AddNewChild<TGLBaseSceneObject>();
    Object->OnProgress = [this](TObject*, double Delta, double NewTime) { Steps.push_back({Delta, NewTime}); };
  }
  // A cadencer ticked by hand on the test's clock, at time 0. Switching to
  // that clock carries over the few microseconds the counter ran since the
  // cadencer was made, so times compare within Clock.
  std::unique_ptr<TGLCadencer> Manual() {
    auto c = std::make_unique<TGLCadencer>(nullptr);
    c->SetMode(TGLCadencerMode::cmManual);
    c->SetTimeReference(TGLCadencerTimeReference::cmExternal);
    c->SetCurrentTime(0);
    c->SetScene(Scene.get());
    return c;
  }
  void At(TGLCadencer& C, double Time) {
    C.SetCurrentTime(Time);
    C.Progress();
  }
  double Total() const {
    double t = 0;
    for (const auto& s : Steps) t += s.Delta;
    return t;
  }
  struct TStep {
    double Delta, NewTime;
  };
  static constexpr double Clock = 1e-4;
  TViewUnits Units;
  std::unique_ptr<TScene3D> Scene;
  TGLBaseSceneObject* Object = nullptr;
  std::vector<TStep> Steps;
};
}  // namespace

TEST_F(Cadencer, FixedStepsCarryTheRemainderOver) {
  auto c = Manual();
  c->FixedDeltaTime = 0.1;
  std::vector<double> events;
  c->OnProgress = [&](TObject* Sender, double Delta, double NewTime) {
    EXPECT_EQ(Sender, c.get());
    EXPECT_NEAR(Delta, 0.1, 1e-12);
    events.push_back(NewTime);
  };
  At(*c, 0.35);
  ASSERT_EQ(Steps.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(Steps[i].Delta, 0.1, 1e-12);
    EXPECT_NEAR(Steps[i].NewTime, 0.1 * (i + 1), Clock);
  }
  EXPECT_EQ(events.size(), 3u);
  At(*c, 0.38);   // 0.08 since the last step: below the fixed step, it accumulates
  EXPECT_EQ(Steps.size(), 3u);
  At(*c, 0.41);   // 0.11: one more step, 0.01 carried
  ASSERT_EQ(Steps.size(), 4u);
  EXPECT_NEAR(Steps.back().NewTime, 0.4, Clock);
  EXPECT_NEAR(c->CurrentTime(), 0.41, Clock);
}

TEST_F(Cadencer, MaximumDeltaSkipsTheRestOfAPause) {
  auto c = Manual();
  c->MaxDeltaTime = 0.5;
  At(*c, 0.2);
  At(*c, 3.2);   // a 3 s pause
  ASSERT_EQ(Steps.size(), 2u);
  EXPECT_NEAR(Steps[1].Delta, 0.5, 1e-12);
  EXPECT_NEAR(Steps[1].NewTime, 0.7, Clock);
  At(*c, 3.3);   // the clock skipped the rest: 0.1 later is 0.1 of scene time
  EXPECT_NEAR(Steps.back().Delta, 0.1, Clock);
  EXPECT_NEAR(Total(), 0.8, Clock);
  c->MinDeltaTime = 0.05;
  At(*c, 3.32);
  EXPECT_EQ(Steps.size(), 3u) << "below the minimum step nothing happens";
}

TEST_F(Cadencer, MultiplierZeroStopsAndTwoResumesAtDoubleSpeedWithoutAJump) {
  auto c = Manual();
  At(*c, 1.0);
  ASSERT_NEAR(Total(), 1.0, Clock);
  c->SetTimeMultiplier(0);
  EXPECT_FALSE(c->Enabled());
  At(*c, 4.0);
  EXPECT_NEAR(Total(), 1.0, Clock) << "stopped";
  c->SetTimeMultiplier(2);
  EXPECT_TRUE(c->Enabled());
  At(*c, 4.0);
  EXPECT_NEAR(Total(), 1.0, Clock) << "no jump on resuming";
  At(*c, 4.25);
  EXPECT_NEAR(Total(), 1.5, Clock) << "double speed";
  c->Progress();   // the same reference time: nothing more, however often
  c->Progress();
  EXPECT_NEAR(Total(), 1.5, Clock);
  EXPECT_NEAR(c->CurrentTime(), 1.5, Clock);

  // Disabled for 10 s and enabled again: the time goes on where it stopped.
  c->SetEnabled(false);
  c->SetCurrentTime(14.25);
  c->SetEnabled(true);
  At(*c, 14.5);
  EXPECT_NEAR(Total(), 2.0, Clock);
}

TEST_F(Cadencer, IdleModeTicksOnlyWithASceneAndWhileEnabled) {
  auto c = std::make_unique<TGLCadencer>(nullptr);
  c->SetMode(TGLCadencerMode::cmApplicationIdle);
  EXPECT_FALSE(Application->OnIdle) << "no scene: not subscribed";
  c->SetScene(Scene.get());
  ASSERT_TRUE(Application->OnIdle);
  bool done = true;
  c->SleepLength = 20;
  Application->OnIdle(Application, done);
  Application->OnIdle(Application, done);
  EXPECT_FALSE(done) << "idle events keep coming";
  EXPECT_FALSE(Steps.empty());
  EXPECT_GT(Steps.back().NewTime, 0.015);
  c->SetEnabled(false);
  EXPECT_FALSE(Application->OnIdle);
  c->SetEnabled(true);
  EXPECT_TRUE(Application->OnIdle);
  Scene.reset();   // freeing the scene leaves the cadencer without one
  EXPECT_EQ(c->Scene(), nullptr);
  EXPECT_FALSE(Application->OnIdle);
}

TEST_F(Cadencer, AsSoonAsPossibleAdvancesARealSceneUnderAMessageLoop) {
  EXPECT_EQ(TickGLCadencerMessage(), RegisterWindowMessageA("TickGLCadencer"));
  TBaseScene s(120, 120);
  TTestBall* ball = s.AddBall(0x00FF00);
  ball->OnProgress = [](TObject* Sender, double Delta, double) {
    auto* b = static_cast<TGLBaseSceneObject*>(Sender);
    b->SetTurnAngle(b->TurnAngle() + static_cast<float>(Delta) * 90.0f);
  };
  auto c = std::make_unique<TGLCadencer>(nullptr);
  EXPECT_EQ(c->Mode(), TGLCadencerMode::cmASAP);
  int ticks = 0;
  c->OnProgress = [&](TObject*, double, double) { ++ticks; };
  c->SetScene(s.Scene.get());
  const int frames = s.Buffer()->FrameCount();
  // The program's own loop: one message at a time (the cadencer's window
  // always has a tick waiting, so a loop that empties the queue never ends).
  const auto loop = [](const std::function<bool()>& Done, DWORD Ms) {
    const DWORD start = GetTickCount();
    while (!Done() && GetTickCount() - start < Ms) Application->HandleMessage();
    return Done();
  };
  ASSERT_TRUE(loop(
      [&] { return ball->TurnAngle() > 20.0f && s.Buffer()->FrameCount() > frames + 3 && ticks > 3; }, 10000))
      << "turned " << ball->TurnAngle() << " in " << ticks << " ticks";
  c->SetEnabled(false);
  PumpFor(50);   // the tick left in the queue is dropped
  const int stopped = ticks;
  const float angle = ball->TurnAngle();
  PumpFor(200);
  EXPECT_EQ(ticks, stopped);
  EXPECT_EQ(ball->TurnAngle(), angle);
}

// A cadencer freed by its own handler reports the broken assertion through
// the application's exception handler; nothing touches it afterwards.
TEST_F(Cadencer, FreedInsideItsOwnProgressItReportsAndStops) {
  std::string reported;
  Application->OnException = [&](TObject*, Exception& E) { reported = E.Message; };
  TGLCadencer* c = Manual().release();
  c->OnProgress = [&c](TObject*, double, double) {
    delete c;
    c = nullptr;
  };
  At(*c, 0.5);
  Application->OnException = nullptr;
  EXPECT_EQ(c, nullptr);
  EXPECT_NE(reported.find("scene3d\\GLCadencer, line 412"), std::string::npos) << reported;
  EXPECT_EQ(Steps.size(), 1u);
}

// A handler that raises once: the exception reaches the application, and
// every as-soon-as-possible cadencer goes on ticking, as does a new one.
TEST_F(Cadencer, AnExceptionInOneTickStopsNoCadencer) {
  std::vector<std::string> reported;
  Application->OnException = [&](TObject*, Exception& E) { reported.push_back(E.Message); };
  int first = 0, second = 0, third = 0;
  auto a = std::make_unique<TGLCadencer>(nullptr);
  a->OnProgress = [&](TObject*, double, double) {
    if (++first == 2) throw Exception("handler failed");
  };
  auto b = std::make_unique<TGLCadencer>(nullptr);
  b->OnProgress = [&](TObject*, double, double) { ++second; };
  a->SetScene(Scene.get());
  b->SetScene(Scene.get());
  // One message at a time, waiting when there is none (a stopped cadencer
  // posts no more ticks).
  auto loop = [](const std::function<bool()>& Done) {
    const DWORD start = GetTickCount();
    while (!Done() && GetTickCount() - start < 10000) {
      MSG m;
      if (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&m);
      else MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return Done();
  };
  ASSERT_TRUE(loop([&] { return first > 5 && second > 5; })) << first << " " << second;
  EXPECT_EQ(reported, std::vector<std::string>{"handler failed"});
  auto c = std::make_unique<TGLCadencer>(nullptr);
  c->OnProgress = [&](TObject*, double, double) { ++third; };
  c->SetScene(Scene.get());
  const int before = first;
  EXPECT_TRUE(loop([&] { return third > 3 && first > before + 3; })) << third;
  Application->OnException = nullptr;
  a.reset();
  b.reset();
  c.reset();
  PumpFor(20);
}
