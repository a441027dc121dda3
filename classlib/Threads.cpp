#include "classlib/Threads.h"

#include <deque>
#include <memory>

#include "classlib/Messages.h"
#include "classlib/SyncObjs.h"
#include "classlib/UnitInit.h"

DWORD MainThreadID = 0;

namespace {
TUnitCounter Counter;

struct TSyncRequest {
  TThreadMethod Method;
  HANDLE Done = nullptr;              // null for queued calls
  std::exception_ptr Error;
};

// Lives from start-up to shutdown of the unit; the lock outlives it.
struct TSyncState {
  TCriticalSection Lock;
  std::deque<std::shared_ptr<TSyncRequest>> Pending;
  THandle Event{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
  THiddenWindow Window;
};
std::unique_ptr<TSyncState> Sync;

constexpr UINT WM_SYNC = WM_USER + 0x100;

void WakeMainThread() {
  SetEvent(Sync->Event.Get());
  if (Sync->Window.Handle()) PostMessageA(Sync->Window.Handle(), WM_SYNC, 0, 0);
}

void Enqueue(const std::shared_ptr<TSyncRequest>& R) {
  if (!Sync) throw EInvalidOperation("Threads unit is not initialized");
  {
    TLockGuard g(Sync->Lock);
    Sync->Pending.push_back(R);
  }
  WakeMainThread();
}

const int PriorityValues[] = {THREAD_PRIORITY_IDLE, THREAD_PRIORITY_LOWEST, THREAD_PRIORITY_BELOW_NORMAL,
                              THREAD_PRIORITY_NORMAL, THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                              THREAD_PRIORITY_TIME_CRITICAL};
}  // namespace

bool InMainThread() { return GetCurrentThreadId() == MainThreadID; }

HANDLE SyncEvent() { return Sync ? Sync->Event.Get() : nullptr; }

void Threads_Initialize() {
  if (!Counter.Enter()) return;
  MainThreadID = GetCurrentThreadId();
  Sync = std::make_unique<TSyncState>();
  Sync->Window = AllocateHWnd([](TMessage& M) {
    if (M.Msg == WM_SYNC) CheckSynchronize();
    else M.Result = DefWindowProcA(Sync->Window.Handle(), M.Msg, M.WParam, M.LParam);
  });
}

void Threads_Finalize() {
  if (!Counter.Leave()) return;
  CheckSynchronize();
  Sync.reset();
}

bool CheckSynchronize() {
  if (!Sync || !InMainThread()) return false;
  bool ran = false;
  for (;;) {
    std::shared_ptr<TSyncRequest> r;
    {
      TLockGuard g(Sync->Lock);
      if (Sync->Pending.empty()) break;
      r = Sync->Pending.front();
      Sync->Pending.pop_front();
    }
    ran = true;
    if (r->Done) {
      try {
        r->Method();
      } catch (...) {
        r->Error = std::current_exception();
      }
      SetEvent(r->Done);
    } else {
      try {
        r->Method();
      } catch (...) {
        HandleCallbackException(nullptr);
      }
    }
  }
  return ran;
}

// ---- TThread -------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TThread, TObject)

TThread::TThread() {
  HANDLE h = CreateThread(nullptr, 0, ThreadProc, this, CREATE_SUSPENDED, &FThreadID);
  if (!h) throw EOSError("Thread creation error: " + SysErrorMessage(GetLastError()));
  FHandle.Reset(h);
}

TThread::~TThread() {
  // A finished thread may still be handing its OnTerminate to the main
  // thread, which reads this object: wait for that too.
  if (FThreadID == GetCurrentThreadId() || FInOnTerminate) return;
  if (!FFinished) {
    Terminate();
    if (FSuspended) {
      // never started: let it run to its end, which skips Execute
      while (ResumeThread(FHandle.Get()) > 1) {}
      FSuspended = false;
    }
  }
  WaitFor();
}

DWORD WINAPI TThread::ThreadProc(LPVOID Param) {
  auto* t = static_cast<TThread*>(Param);
  if (!t->FTerminated) {
    try {
      t->Execute();
    } catch (...) {
      t->FFatalException = std::current_exception();
    }
  }
  bool freeIt = t->FreeOnTerminate;
  DWORD result = static_cast<DWORD>(t->ReturnValue);
  t->FFinished = true;
  try {
    t->DoTerminate();
  } catch (...) {
  }
  if (freeIt) delete t;
  return result;
}

void TThread::DoTerminate() {
  Synchronize([this] {
    FInOnTerminate = true;   // after this the thread no longer reads the object
    if (!OnTerminate) return;
    try {
      OnTerminate(this);
    } catch (...) {
      HandleCallbackException(this);
    }
  });
}

void TThread::Resume() {
  DWORD prev = ResumeThread(FHandle.Get());
  if (prev == 1) FSuspended = false;
}

void TThread::Suspend() {
  FSuspended = true;
  SuspendThread(FHandle.Get());
}

TThreadPriority TThread::Priority() const {
  int p = GetThreadPriority(FHandle.Get());
  for (int i = 0; i < 7; ++i)
    if (PriorityValues[i] == p) return static_cast<TThreadPriority>(i);
  return TThreadPriority::tpNormal;
}

void TThread::SetPriority(TThreadPriority Value) {
  SetThreadPriority(FHandle.Get(), PriorityValues[static_cast<int>(Value)]);
}

int TThread::WaitFor() {
  HANDLE h = FHandle.Get();
  if (InMainThread() && Sync) {
    HANDLE hs[2] = {h, Sync->Event.Get()};
    for (;;) {
      // first what was handed over already: its signal may have gone to
      // another wait
      CheckSynchronize();
      DWORD r = MsgWaitForMultipleObjects(2, hs, FALSE, INFINITE, QS_SENDMESSAGE);
      if (r == WAIT_OBJECT_0) break;
      if (r != WAIT_OBJECT_0 + 1) {
        MSG m;
        PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);   // delivers sent messages
      }
    }
  } else {
    WaitForSingleObject(h, INFINITE);
  }
  DWORD code = 0;
  GetExitCodeThread(h, &code);
  return static_cast<int>(code);
}

void TThread::Synchronize(TThread*, const TThreadMethod& Method) {
  if (InMainThread() || !Sync) {
    Method();
    return;
  }
  auto r = std::make_shared<TSyncRequest>();
  r->Method = Method;
  THandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  r->Done = done.Get();
  Enqueue(r);
  WaitForSingleObject(done.Get(), INFINITE);
  if (r->Error) std::rethrow_exception(r->Error);
}

void TThread::Queue(TThread*, TThreadMethod Method) {
  if (InMainThread() || !Sync) {
    Method();
    return;
  }
  auto r = std::make_shared<TSyncRequest>();
  r->Method = std::move(Method);
  Enqueue(r);
}
