#include <gtest/gtest.h>

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
