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

// The calls handed over. Threads hold it while they hand a call over, so it
// lives on past the unit's shutdown until the last of them lets go; once
// closed it takes no more calls.
struct TSyncState {
  TCriticalSection Lock;
  std::deque<std::shared_ptr<TSyncRequest>> Pending;
  bool Closed = false;
  THandle Event{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
  HWND Window = nullptr;   // SyncWindow's handle, posted to from any thread
};
SRWLOCK SyncGuard = SRWLOCK_INIT;   // guards the pointer only
std::shared_ptr<TSyncState> Sync;   // written on the main thread only
THiddenWindow SyncWindow;           // main thread only

constexpr UINT WM_SYNC = WM_USER + 0x100;

std::shared_ptr<TSyncState> CurrentSync() {
  AcquireSRWLockShared(&SyncGuard);
  std::shared_ptr<TSyncState> s = Sync;
  ReleaseSRWLockShared(&SyncGuard);
  return s;
}

[[noreturn]] void NotInitialized() { throw EInvalidOperation("Threads unit is not initialized"); }

void Enqueue(TSyncState& S, const std::shared_ptr<TSyncRequest>& R) {
  HWND window;
  {
    TLockGuard g(S.Lock);
    if (S.Closed) NotInitialized();
    S.Pending.push_back(R);
    window = S.Window;
  }
  SetEvent(S.Event.Get());
  if (window) PostMessageA(window, WM_SYNC, 0, 0);
}

// On the main thread.
void RunRequest(const std::shared_ptr<TSyncRequest>& R) {
  if (R->Done) {
    try {
      R->Method();
    } catch (...) {
      R->Error = std::current_exception();
    }
    SetEvent(R->Done);
  } else {
    try {
      R->Method();
    } catch (...) {
      HandleCallbackException(nullptr);
    }
  }
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
  auto s = std::make_shared<TSyncState>();
  SyncWindow = AllocateHWnd([](TMessage& M) {
    if (M.Msg == WM_SYNC) CheckSynchronize();
    else M.Result = DefWindowProcA(SyncWindow.Handle(), M.Msg, M.WParam, M.LParam);
  });
  s->Window = SyncWindow.Handle();
  AcquireSRWLockExclusive(&SyncGuard);
  Sync = std::move(s);
  ReleaseSRWLockExclusive(&SyncGuard);
}

void Threads_Finalize() {
  if (!Counter.Leave()) return;
  CheckSynchronize();
  AcquireSRWLockExclusive(&SyncGuard);
  std::shared_ptr<TSyncState> s = std::move(Sync);
  ReleaseSRWLockExclusive(&SyncGuard);
  // what was handed over meanwhile still runs: a Synchronize caller waits for it
  std::deque<std::shared_ptr<TSyncRequest>> last;
  {
    TLockGuard g(s->Lock);
    s->Closed = true;
    s->Window = nullptr;
    last.swap(s->Pending);
  }
  for (auto& r : last) RunRequest(r);
  SyncWindow.Reset();
}

bool CheckSynchronize() {
  if (!InMainThread() || !Sync) return false;
  std::shared_ptr<TSyncState> s = Sync;   // a call may shut the unit down
  bool ran = false;
  for (;;) {
    std::shared_ptr<TSyncRequest> r;
    {
      TLockGuard g(s->Lock);
      if (s->Pending.empty()) break;
      r = s->Pending.front();
      s->Pending.pop_front();
    }
    ran = true;
    RunRequest(r);
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

namespace {
// The OnTerminate calls running on this thread, innermost first: a thread
// freed from its own OnTerminate must not wait for itself.
struct TTerminateFrame {
  TThread* Thread;
  TTerminateFrame* Outer;
};
thread_local TTerminateFrame* TerminateFrames = nullptr;
}  // namespace

TThread::~TThread() {
  // A finished thread may still be handing its OnTerminate to the main
  // thread, which reads this object: wait for that too.
  if (FThreadID == GetCurrentThreadId()) return;
  for (TTerminateFrame* f = TerminateFrames; f; f = f->Outer)
    if (f->Thread == this) return;
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
  // after this the thread no longer reads the object, which OnTerminate may free
  Synchronize([this] {
    if (!OnTerminate) return;
    TTerminateFrame frame{this, TerminateFrames};
    TerminateFrames = &frame;
    try {
      OnTerminate(this);
    } catch (...) {
      HandleCallbackException(this);
    }
    TerminateFrames = frame.Outer;
  });
}

void TThread::Resume() {
  DWORD prev = ResumeThread(FHandle.Get());
  if (prev == 1) FSuspended = false;
}

void TThread::Suspend() {
  FSuspended = true;
  SuspendThread(FHandle.Get());
  // the system suspends on its own time; reading the context waits for it
  CONTEXT c{};
  c.ContextFlags = CONTEXT_CONTROL;
  GetThreadContext(FHandle.Get(), &c);
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
  if (std::shared_ptr<TSyncState> s = InMainThread() ? Sync : nullptr) {
    HANDLE hs[2] = {h, s->Event.Get()};
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
  std::shared_ptr<TSyncState> s = InMainThread() ? nullptr : CurrentSync();
  if (!s) {
    Method();
    return;
  }
  auto r = std::make_shared<TSyncRequest>();
  r->Method = Method;
  THandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
  r->Done = done.Get();
  Enqueue(*s, r);
  WaitForSingleObject(done.Get(), INFINITE);
  if (r->Error) std::rethrow_exception(r->Error);
}

void TThread::Queue(TThread*, TThreadMethod Method) {
  std::shared_ptr<TSyncState> s = InMainThread() ? nullptr : CurrentSync();
  if (!s) {
    Method();
    return;
  }
  auto r = std::make_shared<TSyncRequest>();
  r->Method = std::move(Method);
  Enqueue(*s, r);
}
