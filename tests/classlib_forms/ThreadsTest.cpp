#include <gtest/gtest.h>

#include <atomic>
#include <vector>

#include "GuiTest.h"
#include "classlib/Forms.h"
#include "classlib/Threads.h"

namespace {
class ThreadsTest : public testing::Test {
protected:
  void SetUp() override { Forms_Initialize(); }
  void TearDown() override { Forms_Finalize(); }
};

struct TQuick : TThread {
  void Execute() override {}
};

HANDLE Duplicate(HANDLE H) {
  HANDLE d = nullptr;
  DuplicateHandle(GetCurrentProcess(), H, GetCurrentProcess(), &d, SYNCHRONIZE, FALSE, 0);
  return d;
}
}  // namespace

// Execute has returned (Finished), but the thread still hands its
// OnTerminate to the main thread, which reads the object: freeing it must
// wait for that step and for the thread's end.
TEST_F(ThreadsTest, FreeingAFinishedThreadWaitsForItsTerminateStep) {
  auto* t = new TQuick;
  int terminated = 0;
  t->OnTerminate = [&](TObject*) { ++terminated; };
  THandle h(Duplicate(t->Handle()));
  ASSERT_TRUE(h.Valid());
  t->Start();
  while (!t->Finished()) Sleep(1);   // no synchronized call is served here
  delete t;
  EXPECT_EQ(terminated, 1);
  EXPECT_EQ(WaitForSingleObject(h.Get(), 0), static_cast<DWORD>(WAIT_OBJECT_0));
}

TEST_F(ThreadsTest, FreeingAThreadFromItsOwnOnTerminateReturns) {
  auto* t = new TQuick;
  bool freed = false;
  THandle h(Duplicate(t->Handle()));
  t->OnTerminate = [&freed](TObject* Sender) {
    freed = true;   // before the delete: the handler's captures go with the object
    delete static_cast<TQuick*>(Sender);
  };
  t->Start();
  ASSERT_TRUE(PumpUntil([&] { return freed; }));
  EXPECT_EQ(WaitForSingleObject(h.Get(), 5000), static_cast<DWORD>(WAIT_OBJECT_0));
}

// After the terminate step has run, freeing the thread still waits for the
// thread's end: here its end is slow (a thread-local object goes last).
TEST_F(ThreadsTest, FreeingAThreadAfterItsTerminateStepWaitsForItsEnd) {
  static std::atomic<bool> gone{false};
  struct TSlowEnd {
    ~TSlowEnd() {
      Sleep(300);
      gone = true;
    }
  };
  struct TSlow : TThread {
    void Execute() override {
      thread_local TSlowEnd last;
      (void)last;
    }
  };
  gone = false;
  auto* t = new TSlow;
  bool terminated = false;
  t->OnTerminate = [&](TObject*) { terminated = true; };
  t->Start();
  ASSERT_TRUE(PumpUntil([&] { return terminated; }));
  EXPECT_FALSE(gone);
  delete t;
  EXPECT_TRUE(gone);
}

// Any wait on the main thread may take the signal of a call handed over
// (PumpUntil does); WaitFor must still serve that call.
TEST_F(ThreadsTest, WaitForServesACallWhoseSignalWasTaken) {
  struct TCaller : TThread {
    bool Served = false;
    void Execute() override {
      Synchronize([this] { Served = true; });
    }
  };
  TCaller t;
  t.Start();
  ASSERT_EQ(WaitForSingleObject(SyncEvent(), 5000), static_cast<DWORD>(WAIT_OBJECT_0));
  // without the call served the wait would never end: a watchdog signals
  // again after a while, and says so
  std::atomic<bool> done{false}, rescued{false};
  struct TWatchdog : TThread {
    std::atomic<bool>* Done = nullptr;
    std::atomic<bool>* Rescued = nullptr;
    void Execute() override {
      for (int i = 0; i < 500 && !*Done; ++i) Sleep(10);
      if (!*Done) {
        *Rescued = true;
        SetEvent(SyncEvent());
      }
    }
  } watchdog;
  watchdog.Done = &done;
  watchdog.Rescued = &rescued;
  watchdog.Start();
  t.WaitFor();
  done = true;
  watchdog.WaitFor();
  EXPECT_TRUE(t.Served);
  EXPECT_FALSE(rescued.load());
}

namespace {
// Hands calls over in a loop until told to stop.
DWORD WINAPI HandOverCalls(LPVOID Param) {
  auto* stop = static_cast<std::atomic<bool>*>(Param);
  while (!*stop) {
    try {
      TThread::Queue(nullptr, [] {});
    } catch (const EInvalidOperation&) {   // the unit was shut down meanwhile
    }
  }
  return 0;
}
}  // namespace

// Other threads may be handing calls over just as the unit shuts down
// (a thread ending as the program ends): nothing they touch may go.
TEST(ThreadsShutdown, CallsHandedOverWhileTheUnitStartsAndStops) {
  std::atomic<bool> stop{false};
  std::vector<THandle> threads;
  for (int i = 0; i < 6; ++i) threads.emplace_back(CreateThread(nullptr, 0, HandOverCalls, &stop, 0, nullptr));
  for (int round = 0; round < 300; ++round) {
    Threads_Initialize();
    CheckSynchronize();
    Threads_Finalize();
  }
  stop = true;
  for (auto& t : threads) EXPECT_EQ(WaitForSingleObject(t.Get(), 10000), static_cast<DWORD>(WAIT_OBJECT_0));
}
