#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include "GuiTest.h"
#include "classlib/Forms.h"
#include "viewer/components/WorkerThread.h"

namespace {
class WorkerThreadTest : public testing::Test {
protected:
  void SetUp() override { Forms_Initialize(); }
  void TearDown() override { Forms_Finalize(); }
  DWORD Gui = GetCurrentThreadId();
};
}  // namespace

TEST_F(WorkerThreadTest, StartExecuteTerminateInOrderOnTheirThreads) {
  auto* w = new TWorkerThread(Application);
  std::vector<std::string> log;
  int payload = 7;
  std::atomic<DWORD> execOn{0};
  w->OnStart = [&](TObject* S, TWorkerExecuteThread* T, void*& Data) {
    log.push_back(std::string("start") + (GetCurrentThreadId() == Gui ? "@gui" : "@worker"));
    EXPECT_EQ(S, w);
    EXPECT_EQ(T, w->Thread());
    EXPECT_EQ(Data, &payload);
  };
  w->OnExecute = [&](TObject*, TWorkerExecuteThread* T, void*& Data) {
    execOn = GetCurrentThreadId();
    *static_cast<int*>(Data) = 8;
    T->Percent = 100;
  };
  w->OnTerminate = [&](TObject*, TWorkerExecuteThread* T, void*& Data) {
    log.push_back(std::string("terminate") + (GetCurrentThreadId() == Gui ? "@gui" : "@worker"));
    EXPECT_EQ(T->Percent, 100);
    EXPECT_EQ(Data, &payload);
    EXPECT_FALSE(w->Running());
  };
  w->Start(&payload);
  w->Start(&payload);   // ignored while a thread exists
  EXPECT_TRUE(w->Running());
  ASSERT_TRUE(PumpUntil([&] { return log.size() == 2; }));
  EXPECT_EQ(log, (std::vector<std::string>{"start@gui", "terminate@gui"}));
  EXPECT_NE(execOn.load(), 0u);
  EXPECT_NE(execOn.load(), Gui);
  EXPECT_EQ(payload, 8);
  EXPECT_FALSE(w->Running());
  EXPECT_FALSE(w->Stopped());
  // it can run again
  w->Start(&payload);
  ASSERT_TRUE(PumpUntil([&] { return log.size() == 4; }));
}

TEST_F(WorkerThreadTest, UpdatesDeliverPercentOnTheGuiThreadWhileRunning) {
  auto* w = new TWorkerThread(Application);
  w->SetRefreshInterval(10);
  w->SetUpdateEnabled(true);
  std::vector<int> seen;
  bool allOnGui = true;
  std::atomic<int> lastSeen{0};
  std::atomic<bool> release{false};
  w->OnExecute = [&](TObject*, TWorkerExecuteThread* T, void*&) {
    // each value stays until a tick has shown it, however late the ticks come
    for (int p = 10; p <= 50; p += 10) {
      T->Percent = p;
      while (lastSeen < p && !T->Terminated()) Sleep(2);
    }
    while (!release && !T->Terminated()) Sleep(2);
  };
  w->OnUpdate = [&](TObject*, TWorkerExecuteThread*, void*&, int32_t Percent) {
    allOnGui = allOnGui && GetCurrentThreadId() == Gui;
    seen.push_back(Percent);
    lastSeen = Percent;
  };
  bool ended = false;
  w->OnTerminate = [&](TObject*, TWorkerExecuteThread*, void*&) { ended = true; };
  w->Start();
  ASSERT_TRUE(PumpUntil([&] { return lastSeen == 50; }, 20000));
  release = true;
  ASSERT_TRUE(PumpUntil([&] { return ended; }));
  size_t n = seen.size();
  PumpFor(60);   // the timer runs on, but a tick without thread does nothing
  EXPECT_EQ(seen.size(), n);
  EXPECT_TRUE(allOnGui);
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
  for (int p = 10; p <= 50; p += 10) EXPECT_GE(std::count(seen.begin(), seen.end(), p), 1) << p;
}

TEST_F(WorkerThreadTest, StopAsksTheHandlerToEnd) {
  auto* w = new TWorkerThread(Application);
  std::atomic<bool> started{false};
  w->OnExecute = [&](TObject*, TWorkerExecuteThread* T, void*&) {
    started = true;
    while (!T->Terminated()) Sleep(5);
  };
  bool ended = false;
  w->OnTerminate = [&](TObject*, TWorkerExecuteThread*, void*&) { ended = true; };
  w->Start();
  ASSERT_TRUE(PumpUntil([&] { return started.load(); }));
  w->Suspend();
  w->Stop();   // resumes a suspended thread before asking it to end
  ASSERT_TRUE(PumpUntil([&] { return ended; }));
  EXPECT_TRUE(w->Stopped());
}

TEST_F(WorkerThreadTest, StopAndFreeingResumeAThreadSuspendedTwice) {
  auto* w = new TWorkerThread(Application);
  std::atomic<bool> started{false};
  std::atomic<int> finished{0};
  w->OnExecute = [&](TObject*, TWorkerExecuteThread* T, void*&) {
    started = true;
    while (!T->Terminated()) Sleep(2);
    ++finished;
  };
  bool ended = false;
  w->OnTerminate = [&](TObject*, TWorkerExecuteThread*, void*&) { ended = true; };
  w->Start();
  ASSERT_TRUE(PumpUntil([&] { return started.load(); }));
  w->Suspend();
  w->Suspend();
  w->Stop();
  ASSERT_TRUE(PumpUntil([&] { return ended; }));
  EXPECT_EQ(finished, 1);

  started = false;
  w->Start();
  ASSERT_TRUE(PumpUntil([&] { return started.load(); }));
  w->Suspend();
  w->Suspend();
  delete w;   // returns once the thread has ended
  EXPECT_EQ(finished, 2);
}

TEST_F(WorkerThreadTest, ExceptionInExecuteReachesTheApplicationAndTheProcessLives) {
  auto* w = new TWorkerThread(Application);
  std::vector<std::string> log;
  Application->OnException = [&](TObject* S, Exception& E) {
    log.push_back("exception " + E.ClassName() + " " + E.Message + (S == w ? " from component" : ""));
    EXPECT_EQ(GetCurrentThreadId(), Gui);
  };
  w->OnExecute = [&](TObject*, TWorkerExecuteThread*, void*&) { throw EInvalidOperation("Host unreachable"); };
  w->OnTerminate = [&](TObject*, TWorkerExecuteThread*, void*&) { log.push_back("terminate"); };
  w->Start();
  ASSERT_TRUE(PumpUntil([&] { return log.size() == 2; }));
  EXPECT_EQ(log, (std::vector<std::string>{"terminate", "exception EInvalidOperation Host unreachable from component"}));
  EXPECT_FALSE(w->Running());
  // a plain std::exception the same way
  w->OnExecute = [&](TObject*, TWorkerExecuteThread*, void*&) { throw std::runtime_error("boom"); };
  w->Start();
  ASSERT_TRUE(PumpUntil([&] { return log.size() == 4; }));
  EXPECT_EQ(log[3], "exception Exception boom from component");
}

TEST_F(WorkerThreadTest, FreeingWhileRunningWaitsAndFiresNoTerminate) {
  auto* w = new TWorkerThread(Application);
  std::atomic<bool> inside{false}, finished{false};
  std::atomic<int> writes{0};
  bool terminated = false;
  int* buffer = new int[16]();   // freed only after the component
  std::unique_ptr<int[]> own(buffer);
  w->OnExecute = [&, buffer](TObject*, TWorkerExecuteThread* T, void*&) {
    inside = true;
    while (!T->Terminated()) {
      buffer[writes++ % 16] = 1;
      Sleep(2);
    }
    Sleep(150);   // still busy after the request to end
    buffer[0] = 2;
    finished = true;
  };
  w->OnTerminate = [&](TObject*, TWorkerExecuteThread*, void*&) { terminated = true; };
  w->SetUpdateEnabled(true);
  w->Start();
  ASSERT_TRUE(PumpUntil([&] { return inside.load() && writes > 3; }));
  delete w;
  EXPECT_TRUE(finished.load());   // the handler had ended before the component went
  EXPECT_FALSE(terminated);
  PumpFor(50);
  EXPECT_FALSE(terminated);
  EXPECT_EQ(buffer[0], 2);
}

TEST_F(WorkerThreadTest, FreeingTheOwnerWhileRunningIsSafe) {
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* w = new TWorkerThread(owner.get());
  std::atomic<bool> inside{false}, finished{false};
  bool terminated = false;
  w->OnExecute = [&](TObject*, TWorkerExecuteThread* T, void*&) {
    inside = true;
    while (!T->Terminated()) Sleep(2);
    Sleep(50);
    finished = true;
  };
  w->OnTerminate = [&](TObject*, TWorkerExecuteThread*, void*&) { terminated = true; };
  w->Start();
  ASSERT_TRUE(PumpUntil([&] { return inside.load(); }));
  owner.reset();
  EXPECT_TRUE(finished.load());
  PumpFor(30);
  EXPECT_FALSE(terminated);
}

TEST_F(WorkerThreadTest, GroupStartsAndEndsOnceForItsMembers) {
  auto* g = new TWorkerThreadGroup(Application);
  auto* a = new TWorkerThread(Application);
  auto* b = new TWorkerThread(Application);
  a->SetThreadGroup(g);
  b->SetThreadGroup(g);
  EXPECT_EQ(g->MemberCount(), 2);
  std::vector<std::string> log;
  std::atomic<bool> release{false};
  auto body = [&](TObject*, TWorkerExecuteThread*, void*&) {
    while (!release) Sleep(2);
  };
  a->OnExecute = body;
  b->OnExecute = body;
  g->OnStart = [&](TObject* S, TWorkerExecuteThread*, void*&) { log.push_back(S == g ? "group start" : "?"); };
  g->OnTerminate = [&](TObject*, TWorkerExecuteThread*, void*&) { log.push_back("group terminate"); };
  g->OnThreadStart = [&](TObject*, TWorkerExecuteThread*, void*&) { log.push_back("thread start"); };
  g->OnThreadTerminate = [&](TObject*, TWorkerExecuteThread*, void*&) { log.push_back("thread terminate"); };
  int ended = 0;
  a->OnTerminate = [&](TObject*, TWorkerExecuteThread*, void*&) { ++ended; };
  b->OnTerminate = [&](TObject*, TWorkerExecuteThread*, void*&) { ++ended; };
  g->Start();
  EXPECT_EQ(g->RunningCount(), 2);
  EXPECT_TRUE(g->Running());
  release = true;
  ASSERT_TRUE(PumpUntil([&] { return ended == 2; }));
  EXPECT_EQ(g->RunningCount(), 0);
  EXPECT_EQ(log, (std::vector<std::string>{"thread start", "group start", "thread start", "thread terminate",
                                           "thread terminate", "group terminate"}));
}

TEST_F(WorkerThreadTest, GroupUpdateFollowsTheRunningMemberOfHighestPriority) {
  auto* g = new TWorkerThreadGroup(Application);
  auto* low = new TWorkerThread(Application);
  auto* high = new TWorkerThread(Application);
  low->UpdatePriority = 1;
  high->UpdatePriority = 2;
  for (TWorkerThread* w : {low, high}) {
    w->SetThreadGroup(g);
    w->SetRefreshInterval(10);
    w->SetUpdateEnabled(true);
  }
  std::atomic<bool> releaseHigh{false}, releaseLow{false};
  high->OnExecute = [&](TObject*, TWorkerExecuteThread* T, void*&) {
    T->Percent = 22;
    while (!releaseHigh) Sleep(2);
  };
  low->OnExecute = [&](TObject*, TWorkerExecuteThread* T, void*&) {
    T->Percent = 11;
    while (!releaseLow) Sleep(2);
  };
  std::vector<int> groupUpdates, threadUpdates;
  g->OnUpdate = [&](TObject*, TWorkerExecuteThread*, void*&, int32_t P) { groupUpdates.push_back(P); };
  g->OnThreadUpdate = [&](TObject*, TWorkerExecuteThread*, void*&, int32_t P) { threadUpdates.push_back(P); };
  g->Start();
  // the high member leads while it runs: wait until both have ticked
  ASSERT_TRUE(PumpUntil([&] {
    return std::count(threadUpdates.begin(), threadUpdates.end(), 11) > 0 &&
           std::count(groupUpdates.begin(), groupUpdates.end(), 22) > 0;
  }));
  EXPECT_EQ(std::count(groupUpdates.begin(), groupUpdates.end(), 11), 0);
  releaseHigh = true;
  ASSERT_TRUE(PumpUntil([&] { return !high->Running(); }));
  groupUpdates.clear();
  // now the low one leads
  ASSERT_TRUE(PumpUntil([&] { return std::count(groupUpdates.begin(), groupUpdates.end(), 11) > 0; }));
  EXPECT_EQ(std::count(groupUpdates.begin(), groupUpdates.end(), 22), 0);
  releaseLow = true;
  ASSERT_TRUE(PumpUntil([&] { return !g->Running(); }));
}

TEST_F(WorkerThreadTest, GroupsNestAndRefuseCycles) {
  auto* top = new TWorkerThreadGroup(Application);
  auto* sub = new TWorkerThreadGroup(Application);
  auto* w = new TWorkerThread(Application);
  sub->SetThreadGroup(top);
  w->SetThreadGroup(sub);
  EXPECT_EQ(sub->ThreadGroup(), top);
  top->SetThreadGroup(sub);   // a group under itself: refused
  EXPECT_EQ(top->ThreadGroup(), nullptr);
  top->SetThreadGroup(top);
  EXPECT_EQ(top->ThreadGroup(), nullptr);
  // the top group sees the thread below its subgroup
  ASSERT_EQ(top->AllThreads().size(), 1u);
  int topStarts = 0, topEnds = 0;
  top->OnStart = [&](TObject*, TWorkerExecuteThread*, void*&) { ++topStarts; };
  top->OnTerminate = [&](TObject*, TWorkerExecuteThread*, void*&) { ++topEnds; };
  w->OnExecute = [](TObject*, TWorkerExecuteThread*, void*&) { Sleep(20); };
  top->Start();
  ASSERT_TRUE(PumpUntil([&] { return topEnds == 1; }));
  EXPECT_EQ(topStarts, 1);
  // a member freed first leaves every list; freeing the groups then
  // touches nothing that is gone
  delete w;
  EXPECT_TRUE(top->AllThreads().empty());
  EXPECT_EQ(sub->MemberCount(), 0);
  delete top;
  EXPECT_EQ(sub->ThreadGroup(), nullptr);
  auto* w2 = new TWorkerThread(Application);
  w2->SetThreadGroup(sub);
  delete sub;
  EXPECT_EQ(w2->ThreadGroup(), nullptr);
}

TEST_F(WorkerThreadTest, AMemberFreedWhileRunningEndsItsPartInTheGroup) {
  auto* g = new TWorkerThreadGroup(Application);
  auto* a = new TWorkerThread(Application);
  auto* b = new TWorkerThread(Application);
  a->SetThreadGroup(g);
  b->SetThreadGroup(g);
  std::atomic<bool> releaseB{false};
  a->OnExecute = [](TObject*, TWorkerExecuteThread* T, void*&) {
    while (!T->Terminated()) Sleep(2);
  };
  b->OnExecute = [&](TObject*, TWorkerExecuteThread*, void*&) {
    while (!releaseB) Sleep(2);
  };
  std::vector<std::string> log;
  g->OnTerminate = [&](TObject*, TWorkerExecuteThread*, void*&) { log.push_back("group terminate"); };
  g->OnThreadTerminate = [&](TObject*, TWorkerExecuteThread* T, void*&) {
    log.push_back(T ? "thread terminate" : "thread terminate without thread");
  };
  bool aTerminated = false;
  a->OnTerminate = [&](TObject*, TWorkerExecuteThread*, void*&) { aTerminated = true; };
  g->Start();
  ASSERT_EQ(g->RunningCount(), 2);
  delete a;   // no OnTerminate of its own, but the group counts it out
  EXPECT_FALSE(aTerminated);
  EXPECT_EQ(g->RunningCount(), 1);
  EXPECT_EQ(g->MemberCount(), 1);
  EXPECT_EQ(log, std::vector<std::string>{"thread terminate"});
  releaseB = true;
  ASSERT_TRUE(PumpUntil([&] { return !g->Running(); }));
  EXPECT_EQ(log, (std::vector<std::string>{"thread terminate", "thread terminate", "group terminate"}));
}

TEST_F(WorkerThreadTest, AFailingStartLeavesNoThreadBehind) {
  auto* g = new TWorkerThreadGroup(Application);
  auto* w = new TWorkerThread(Application);
  w->SetThreadGroup(g);
  std::atomic<int> executed{0};
  w->OnExecute = [&](TObject*, TWorkerExecuteThread*, void*&) { ++executed; };
  int ended = 0;
  w->OnTerminate = [&](TObject*, TWorkerExecuteThread*, void*&) { ++ended; };
  g->OnThreadStart = [](TObject*, TWorkerExecuteThread*, void*&) { throw EInvalidOperation("group refuses"); };
  EXPECT_THROW(w->Start(), EInvalidOperation);
  ASSERT_TRUE(PumpUntil([&] { return !w->Running(); }));
  EXPECT_EQ(ended, 1);
  EXPECT_EQ(executed, 0);
  EXPECT_EQ(g->RunningCount(), 0);
  // and the same for OnStart
  g->OnThreadStart = nullptr;
  w->OnStart = [](TObject*, TWorkerExecuteThread*, void*&) { throw EInvalidOperation("no start"); };
  EXPECT_THROW(w->Start(), EInvalidOperation);
  ASSERT_TRUE(PumpUntil([&] { return !w->Running(); }));
  EXPECT_EQ(ended, 2);
  EXPECT_EQ(executed, 0);
  EXPECT_EQ(g->RunningCount(), 0);
}

TEST_F(WorkerThreadTest, ARunningSubgroupJoinsAndLeavesWithAllItsThreads) {
  auto* top = new TWorkerThreadGroup(Application);
  auto* sub = new TWorkerThreadGroup(Application);
  auto* a = new TWorkerThread(Application);
  auto* b = new TWorkerThread(Application);
  a->SetThreadGroup(sub);
  b->SetThreadGroup(sub);
  std::atomic<bool> releaseA{false}, releaseB{false};
  a->OnExecute = [&](TObject*, TWorkerExecuteThread*, void*&) {
    while (!releaseA) Sleep(2);
  };
  b->OnExecute = [&](TObject*, TWorkerExecuteThread*, void*&) {
    while (!releaseB) Sleep(2);
  };
  int topStarts = 0, topEnds = 0;
  top->OnStart = [&](TObject*, TWorkerExecuteThread*, void*&) { ++topStarts; };
  top->OnTerminate = [&](TObject*, TWorkerExecuteThread*, void*&) { ++topEnds; };
  sub->Start();
  ASSERT_EQ(sub->RunningCount(), 2);
  sub->SetThreadGroup(top);   // joins while both run
  EXPECT_EQ(top->RunningCount(), 2);
  EXPECT_EQ(topStarts, 1);
  releaseA = true;
  ASSERT_TRUE(PumpUntil([&] { return !a->Running(); }));
  EXPECT_EQ(top->RunningCount(), 1);
  EXPECT_EQ(topEnds, 0) << "b still runs";
  sub->SetThreadGroup(nullptr);   // leaves while b runs
  EXPECT_EQ(top->RunningCount(), 0);
  EXPECT_EQ(topEnds, 1);
  releaseB = true;
  ASSERT_TRUE(PumpUntil([&] { return !sub->Running(); }));
  EXPECT_EQ(topEnds, 1);
}

namespace {
HANDLE DuplicateOf(TThread* T) {
  HANDLE d = nullptr;
  DuplicateHandle(GetCurrentProcess(), T->Handle(), GetCurrentProcess(), &d, SYNCHRONIZE, FALSE, 0);
  return d;
}
}  // namespace

// Suspended after its execute returned, while its terminate step waits for
// the GUI thread: the thread must still end.
TEST_F(WorkerThreadTest, AThreadSuspendedAsItsExecuteReturnsStillEnds) {
  auto* w = new TWorkerThread(Application);
  THandle thread;
  w->OnStart = [&](TObject*, TWorkerExecuteThread* T, void*&) { thread.Reset(DuplicateOf(T)); };
  w->OnExecute = [](TObject*, TWorkerExecuteThread*, void*&) {};
  bool ended = false;
  w->OnTerminate = [&](TObject*, TWorkerExecuteThread*, void*&) { ended = true; };
  w->Start();
  TWorkerExecuteThread* t = w->Thread();
  while (!t->Finished()) Sleep(1);   // no message served: the terminate step waits
  w->Suspend();
  ASSERT_TRUE(PumpUntil([&] { return ended; }));
  EXPECT_EQ(WaitForSingleObject(thread.Get(), 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_FALSE(w->Running());
}

TEST_F(WorkerThreadTest, FreedInItsOwnOnTerminateTouchesNothingAfterwards) {
  auto* w = new TWorkerThread(Application);
  w->SetRefreshInterval(5);
  w->SetUpdateEnabled(true);   // its timer is started again after OnTerminate
  auto* g = new TWorkerThreadGroup(Application);
  w->SetThreadGroup(g);
  THandle thread;
  w->OnStart = [&](TObject*, TWorkerExecuteThread* T, void*&) { thread.Reset(DuplicateOf(T)); };
  w->OnExecute = [](TObject*, TWorkerExecuteThread*, void*&) { throw EConvertError("reported after"); };
  std::vector<std::string> errors;
  Application->OnException = [&](TObject* Sender, Exception& E) {
    errors.push_back(E.Message + (Sender ? " from a component" : ""));
  };
  bool freed = false;
  w->OnTerminate = [&freed](TObject* Sender, TWorkerExecuteThread*, void*&) {
    freed = true;
    delete static_cast<TWorkerThread*>(Sender);
  };
  w->Start();
  ASSERT_TRUE(PumpUntil([&] { return freed; }));
  PumpFor(50);
  EXPECT_EQ(WaitForSingleObject(thread.Get(), 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  EXPECT_EQ(errors, std::vector<std::string>{"reported after"});
  EXPECT_EQ(g->MemberCount(), 0);
  EXPECT_EQ(g->RunningCount(), 0);
}

TEST_F(WorkerThreadTest, FreedInItsOwnOnUpdateWhileTheThreadTakesTheLock) {
  auto* w = new TWorkerThread(Application);
  w->SetRefreshInterval(10);
  w->SetUpdateEnabled(true);
  THandle thread;
  w->OnStart = [&](TObject*, TWorkerExecuteThread* T, void*&) { thread.Reset(DuplicateOf(T)); };
  std::atomic<int> steps{0};
  w->OnExecute = [&steps](TObject* Sender, TWorkerExecuteThread* T, void*&) {
    auto* self = static_cast<TWorkerThread*>(Sender);
    for (bool stop = false; !stop;) {
      Sleep(1);
      self->Lock();   // what the GUI thread may read, under the lock; its end too
      stop = T->Terminated();
      ++steps;
      self->Unlock();
    }
  };
  bool freed = false;
  w->OnUpdate = [&](TObject* Sender, TWorkerExecuteThread*, void*&, int32_t) {
    if (steps < 5) return;
    freed = true;
    delete static_cast<TWorkerThread*>(Sender);   // waits for the thread, which needs the lock
  };
  w->Start();
  ASSERT_TRUE(PumpUntil([&] { return freed; }));
  EXPECT_EQ(WaitForSingleObject(thread.Get(), 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  PumpFor(50);
}

namespace {
// A form whose own members a timer reads; its worker takes a while to end.
struct TBusyForm : TForm {
  explicit TBusyForm(TComponent* Owner) : TForm(Owner) {
    Ticker = new TTimer(this);   // made before the worker: freed after it
    Ticker->SetInterval(1);
    Ticker->OnTimer = [this](TObject*) {
      if (*Gone) ++*TicksAfterMembersWent;
      else Readings += static_cast<int>(Places.size());
    };
    Worker = new TWorkerThread(this);
    Worker->OnExecute = [](TObject*, TWorkerExecuteThread* T, void*&) {
      while (!T->Terminated()) Sleep(1);
      Sleep(150);   // slow to end: the form's destruction waits meanwhile
    };
  }
  ~TBusyForm() override {
    *WorkerRanIntoMembersGone = Worker->Running();
    *Gone = true;
  }
  std::vector<std::string> Places{"Vienna", "Graz"};
  int Readings = 0;
  TTimer* Ticker;
  TWorkerThread* Worker;
  std::shared_ptr<bool> Gone = std::make_shared<bool>(false);
  std::shared_ptr<int> TicksAfterMembersWent = std::make_shared<int>(0);
  std::shared_ptr<bool> WorkerRanIntoMembersGone = std::make_shared<bool>(false);
};
}  // namespace

TEST_F(WorkerThreadTest, AFormFreedWithItsWorkerRunningStopsItWhileWhole) {
  for (bool release : {true, false}) {
    auto* f = new TBusyForm(Application);
    auto gone = f->Gone;
    auto late = f->TicksAfterMembersWent;
    auto running = f->WorkerRanIntoMembersGone;
    f->Worker->Start();
    ASSERT_TRUE(PumpUntil([&] { return f->Readings > 4; }));
    if (release) {
      f->Release();   // as closing with caFree does
      ASSERT_TRUE(PumpUntil([&] { return *gone; }));
      EXPECT_FALSE(*running) << "the worker stopped before the form's members went";
    } else {
      delete f;   // the members go first; the worker's wait fires no timer into them
    }
    EXPECT_EQ(*late, 0);
  }
}

TEST_F(WorkerThreadTest, AFreedGroupLetsGoOfEveryThreadBelowIt) {
  auto* top = new TWorkerThreadGroup(Application);
  auto* sub = new TWorkerThreadGroup(Application);
  auto* a = new TWorkerThread(Application);
  auto* b = new TWorkerThread(Application);
  sub->SetThreadGroup(top);
  a->SetThreadGroup(sub);
  b->SetThreadGroup(top);
  std::atomic<bool> release{false};
  a->OnExecute = [&](TObject*, TWorkerExecuteThread*, void*&) {
    while (!release) Sleep(2);
  };
  int subEnds = 0;
  sub->OnTerminate = [&](TObject*, TWorkerExecuteThread*, void*&) { ++subEnds; };
  a->Start();
  ASSERT_EQ(top->RunningCount(), 1);
  delete top;
  EXPECT_EQ(a->ThreadGroup(), nullptr);
  EXPECT_EQ(b->ThreadGroup(), nullptr);
  EXPECT_EQ(sub->ThreadGroup(), nullptr);
  EXPECT_EQ(sub->MemberCount(), 0);
  EXPECT_TRUE(sub->AllThreads().empty());
  EXPECT_EQ(sub->RunningCount(), 0);
  EXPECT_EQ(subEnds, 1);
  release = true;
  ASSERT_TRUE(PumpUntil([&] { return !a->Running(); }));
  EXPECT_EQ(subEnds, 1);   // a no longer tells the subgroup
  delete a;                // nothing keeps it any more
  sub->Start();            // an empty group starts nothing
  EXPECT_FALSE(sub->Running());
}

TEST_F(WorkerThreadTest, ARunningSubgroupJoiningNamesEachOfItsThreads) {
  auto* top = new TWorkerThreadGroup(Application);
  auto* sub = new TWorkerThreadGroup(Application);
  auto* a = new TWorkerThread(Application);
  a->SetThreadGroup(sub);
  std::atomic<bool> release{false};
  a->OnExecute = [&](TObject*, TWorkerExecuteThread*, void*&) {
    while (!release) Sleep(2);
  };
  int payload = 3;
  std::vector<std::pair<TWorkerExecuteThread*, void*>> seen;
  top->OnThreadStart = [&](TObject*, TWorkerExecuteThread* T, void*& Data) { seen.emplace_back(T, Data); };
  top->OnStart = [&](TObject*, TWorkerExecuteThread* T, void*& Data) { seen.emplace_back(T, Data); };
  top->OnThreadTerminate = [&](TObject*, TWorkerExecuteThread* T, void*& Data) { seen.emplace_back(T, Data); };
  a->Start(&payload);
  sub->SetThreadGroup(top);
  sub->SetThreadGroup(nullptr);
  ASSERT_EQ(seen.size(), 3u);
  for (auto& s : seen) {
    EXPECT_EQ(s.first, a->Thread());
    EXPECT_EQ(s.second, &payload);
  }
  release = true;
  ASSERT_TRUE(PumpUntil([&] { return !a->Running(); }));
}
