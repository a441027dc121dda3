#include "viewer/components/WorkerThread.h"

#include <algorithm>


namespace {
template <typename T>
void EraseAll(std::vector<T*>& V, const T* X) {
  V.erase(std::remove(V.begin(), V.end(), X), V.end());
}

// Suspend calls nest: resumes until the thread runs again.
void ResumeFully(TThread* Thread) {
  for (int i = 0; i < MAXIMUM_SUSPEND_COUNT && Thread->Suspended(); ++i) Thread->Resume();
}

// Hands what a handler threw to the application's handler.
template <typename F>
void Guarded(TObject* Sender, F&& Call) {
  try {
    Call();
  } catch (...) {
    HandleCallbackException(Sender);
  }
}
}  // namespace

// ---- TWorkerThreadBase -------------------------------------------------------------

IMPLEMENT_CLASSINFO(TWorkerThreadBase, TComponent)

TWorkerThreadBase::TWorkerThreadBase(TComponent* AOwner) : TComponent(AOwner) {}

TWorkerThreadBase::~TWorkerThreadBase() {
  *FAlive = false;
  ReleaseHandlerLocks();
}

TWorkerThreadBase::THandlerLock::THandlerLock(TWorkerThreadBase* Component)
    : FComponent(Component), FAlive(Component->FAlive) {
  Component->FLock.Acquire();
  ++Component->FHandlerLocks;
}

TWorkerThreadBase::THandlerLock::~THandlerLock() {
  if (!*FAlive || FComponent->FHandlerLocks == 0) return;   // let go already
  --FComponent->FHandlerLocks;
  FComponent->FLock.Release();
}

void TWorkerThreadBase::ReleaseHandlerLocks() {
  for (; FHandlerLocks > 0; --FHandlerLocks) FLock.Release();
}

void TWorkerThreadBase::SetThreadGroup(TWorkerThreadGroup* Value) {
  if (Value == FThreadGroup) return;
  if (FThreadGroup) RemoveFromGroup(FThreadGroup);
  FThreadGroup = nullptr;
  if (Value && AddToGroup(Value)) FThreadGroup = Value;
}

bool TWorkerThreadBase::Contains(const TWorkerThreadGroup* Group) const {
  return static_cast<const TWorkerThreadBase*>(Group) == this;
}

// ---- TWorkerExecuteThread ------------------------------------------------------------

IMPLEMENT_CLASSINFO(TWorkerExecuteThread, TThread)

TWorkerExecuteThread::TWorkerExecuteThread(TWorkerThread* AOwner, void* AData) : Data(AData), FOwner(AOwner) {
  FreeOnTerminate = true;
  SetPriority(AOwner->Priority());
  OnTerminate = [AOwner](TObject* Sender) { AOwner->ThreadTerminated(Sender); };
}

void TWorkerExecuteThread::Execute() { FOwner->ThreadBody(this); }

// ---- TWorkerThread ---------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TWorkerThread, TWorkerThreadBase)

TWorkerThread::TWorkerThread(TComponent* AOwner) : TWorkerThreadBase(AOwner) {
  FUpdateTimer = new TTimer(this);
  FUpdateTimer->SetEnabled(false);
  FUpdateTimer->SetInterval(100);
  FUpdateTimer->OnTimer = [this](TObject* Sender) { UpdateTick(Sender); };
}

TWorkerThread::~TWorkerThread() {
  StopAndWait();
  SetThreadGroup(nullptr);
}

void TWorkerThread::Destroying() {
  TWorkerThreadBase::Destroying();
  StopAndWait();
}

void TWorkerThread::StopAndWait() {
  ReleaseHandlerLocks();   // freed from a handler: the thread may wait for the lock
  FUpdateTimer->SetEnabled(false);
  TWorkerExecuteThread* t = FThread;
  if (!t) return;
  // The thread ends on its own; its terminate step (on this thread)
  // forgets it and tells the group, with no OnTerminate. Until then the
  // thread may still run the handlers here. Posted messages wait: they
  // would reach an owner that is being freed.
  t->OnTerminate = [this](TObject* Sender) { ThreadTerminatedOnDestroy(Sender); };
  ResumeFully(t);
  t->Terminate();
  while (FThread) {
    CheckSynchronize();
    if (!FThread) break;
    HANDLE ev = SyncEvent();
    DWORD n = ev ? 1 : 0;
    if (MsgWaitForMultipleObjects(n, ev ? &ev : nullptr, FALSE, 50, QS_SENDMESSAGE) == WAIT_OBJECT_0 + n) {
      MSG m;
      PeekMessageA(&m, nullptr, 0, 0, PM_NOREMOVE);   // delivers messages sent from other threads
    }
  }
}

void TWorkerThread::SetPriority(TThreadPriority Value) {
  FPriority = Value;
  if (TWorkerExecuteThread* t = FThread) t->SetPriority(Value);
}

void TWorkerThread::SetUpdateEnabled(bool Value) {
  if (Value == FUpdateEnabled) return;
  FUpdateEnabled = Value;
  FUpdateTimer->SetEnabled(Value);
}

void TWorkerThread::Start(void* Data) {
  if (FThread || ComponentState.Contains(TComponentStateItem::csDestroying)) return;
  auto* t = new TWorkerExecuteThread(this, Data);   // frees itself when it ends
  FThread = t;
  FStopped = false;
  try {
    NotifyGroupStart(FThreadGroup);
    if (OnStart) {
      TLockGuard g(FLock);
      OnStart(this, t, t->Data);
    }
  } catch (...) {
    // the thread still runs to its end (without OnExecute), so the
    // component goes back to idle through its terminate step
    t->Terminate();
    t->Resume();
    throw;
  }
  t->Resume();
  if (FUpdateEnabled) FUpdateTimer->SetEnabled(true);
}

void TWorkerThread::Stop() {
  if (TWorkerExecuteThread* t = FThread) {
    ResumeFully(t);
    t->Terminate();
  }
}

void TWorkerThread::Suspend() {
  if (TWorkerExecuteThread* t = FThread) {
    t->Suspend();
    // past its execute the thread must reach its terminate step and its end
    if (t->Finished()) ResumeFully(t);
  }
}

void TWorkerThread::Resume() {
  if (TWorkerExecuteThread* t = FThread) t->Resume();
}

void TWorkerThread::ThreadBody(TWorkerExecuteThread* Thread) {
  // An exception must not end the process: it ends the thread and is
  // reported on the GUI thread after the terminate event.
  try {
    if (OnExecute) OnExecute(this, Thread, Thread->Data);
  } catch (...) {
    Thread->FExecuteError = std::current_exception();
  }
  FStopped = Thread->Terminated();
}

void TWorkerThread::ThreadTerminated(TObject* Sender) {
  auto* t = static_cast<TWorkerExecuteThread*>(Sender);
  ResumeFully(t);   // suspended once its execute had returned: it still has to end
  std::shared_ptr<bool> alive = Alive();
  std::exception_ptr error = t->FExecuteError;
  // a handler below may free this component: nothing of it is touched after
  auto report = [&] {
    if (error) Guarded(*alive ? this : nullptr, [&] { std::rethrow_exception(error); });
  };
  FUpdateTimer->SetEnabled(false);
  FThread = nullptr;
  FEnding = t;
  Guarded(this, [&] { NotifyGroupTerminate(FThreadGroup); });
  if (!*alive) return report();
  try {
    if (OnTerminate) {
      THandlerLock g(this);
      OnTerminate(this, t, t->Data);
    }
  } catch (...) {
    HandleCallbackException(*alive ? this : nullptr);
  }
  if (!*alive) return report();
  FEnding = nullptr;
  if (FUpdateEnabled) FUpdateTimer->SetEnabled(true);
  report();
}

void TWorkerThread::ThreadTerminatedOnDestroy(TObject* Sender) {
  auto* t = static_cast<TWorkerExecuteThread*>(Sender);
  ResumeFully(t);
  FThread = nullptr;
  // the group counted this thread's start, so it hears of its end
  FEnding = t;
  Guarded(this, [&] { NotifyGroupTerminate(FThreadGroup); });
  FEnding = nullptr;
  if (std::exception_ptr e = t->FExecuteError) Guarded(nullptr, [&] { std::rethrow_exception(e); });
}

void TWorkerThread::UpdateTick(TObject*) {
  TWorkerExecuteThread* t = FThread;
  if (!t) return;
  std::shared_ptr<bool> alive = Alive();   // a handler may free this component
  int32_t percent = t->Percent;
  if (FThreadGroup) FThreadGroup->GroupUpdate(this, t, percent, UpdatePriority, t->Data);
  if (!*alive || !OnUpdate) return;
  THandlerLock g(this);
  OnUpdate(this, t, t->Data, percent);
}

void TWorkerThread::NotifyGroupStart(TWorkerThreadGroup* Group) {
  TWorkerExecuteThread* t = FThread;
  if (t && Group) Group->ThreadStart(this, t, t->Data);
}

void TWorkerThread::NotifyGroupTerminate(TWorkerThreadGroup* Group) {
  if (FThread || !Group) return;
  void* data = FEnding ? FEnding->Data : nullptr;
  Group->ThreadTerminate(this, FEnding, data);
}

bool TWorkerThread::AddToGroup(TWorkerThreadGroup* Group) {
  if (Contains(Group)) return false;
  if (TWorkerExecuteThread* t = FThread) Group->ThreadStart(this, t, t->Data);
  {
    TLockGuard g(Group->FLock);
    Group->FMembers.push_back(this);
  }
  Group->AddThreads({this});
  return true;
}

void TWorkerThread::RemoveFromGroup(TWorkerThreadGroup* Group) {
  if (TWorkerExecuteThread* t = FThread) Group->ThreadTerminate(this, t, t->Data);
  {
    TLockGuard g(Group->FLock);
    EraseAll<TWorkerThreadBase>(Group->FMembers, this);
  }
  Group->RemoveThreads({this});
}

// ---- TWorkerThreadGroup -------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TWorkerThreadGroup, TWorkerThreadBase)

TWorkerThreadGroup::TWorkerThreadGroup(TComponent* AOwner) : TWorkerThreadBase(AOwner) {}

TWorkerThreadGroup::~TWorkerThreadGroup() {
  SetThreadGroup(nullptr);   // first, so the groups above drop this group's threads
  // Every thread below leaves its group. The subgroups let go of this group
  // first, so the end of a run is told up to them only; a thread of a
  // subgroup leaves it the usual way, so the subgroup no longer lists it.
  for (TWorkerThreadBase* m : FMembers)
    if (dynamic_cast<TWorkerThreadGroup*>(m)) m->FThreadGroup = nullptr;
  for (TWorkerThread* t : std::vector<TWorkerThread*>(FAllThreads)) {
    if (t->FThreadGroup == this) t->FThreadGroup = nullptr;
    else t->SetThreadGroup(nullptr);
  }
  for (TWorkerThreadBase* m : FMembers) m->FThreadGroup = nullptr;
  FAllThreads.clear();
  FMembers.clear();
}

std::vector<TWorkerThread*> TWorkerThreadGroup::RunningThreads() {
  std::vector<TWorkerThread*> r;
  TLockGuard g(FLock);
  for (TWorkerThread* t : FAllThreads)
    if (t->Running()) r.push_back(t);
  return r;
}

int32_t TWorkerThreadGroup::RunningCount() {
  TLockGuard g(FLock);
  return FRunningCount;
}

bool TWorkerThreadGroup::Contains(const TWorkerThreadGroup* Group) const {
  if (Group == this) return true;
  return std::any_of(FMembers.begin(), FMembers.end(), [Group](TWorkerThreadBase* m) { return m->Contains(Group); });
}

void TWorkerThreadGroup::AddThreads(const std::vector<TWorkerThread*>& Threads) {
  for (TWorkerThreadGroup* g = this; g; g = g->FThreadGroup) {
    TLockGuard lock(g->FLock);
    for (TWorkerThread* t : Threads)
      if (std::find(g->FAllThreads.begin(), g->FAllThreads.end(), t) == g->FAllThreads.end())
        g->FAllThreads.push_back(t);
  }
}

void TWorkerThreadGroup::RemoveThreads(const std::vector<TWorkerThread*>& Threads) {
  for (TWorkerThreadGroup* g = this; g; g = g->FThreadGroup) {
    TLockGuard lock(g->FLock);
    for (TWorkerThread* t : Threads) EraseAll(g->FAllThreads, t);
  }
}

void TWorkerThreadGroup::ThreadStart(TWorkerThreadBase*, TWorkerExecuteThread* Thread, void*& Data) {
  int32_t previous;
  {
    TLockGuard g(FLock);
    previous = FRunningCount++;
    if (OnThreadStart) OnThreadStart(this, Thread, Data);
  }
  if (FThreadGroup) FThreadGroup->ThreadStart(this, Thread, Data);
  if (previous == 0 && OnStart) OnStart(this, Thread, Data);
}

void TWorkerThreadGroup::ThreadTerminate(TWorkerThreadBase*, TWorkerExecuteThread* Thread, void*& Data) {
  int32_t now;
  {
    TLockGuard g(FLock);
    if (FRunningCount > 0) --FRunningCount;
    now = FRunningCount;
  }
  if (OnThreadTerminate) OnThreadTerminate(this, Thread, Data);
  if (FThreadGroup) FThreadGroup->ThreadTerminate(this, Thread, Data);
  if (now == 0 && OnTerminate) OnTerminate(this, Thread, Data);
}

void TWorkerThreadGroup::GroupUpdate(TWorkerThreadBase*, TWorkerExecuteThread* Thread, int32_t Percent,
                                     int32_t MemberUpdatePriority, void*& Data) {
  if (OnThreadUpdate) OnThreadUpdate(this, Thread, Data, Percent);
  if (!OnUpdate) return;
  bool outranked = std::any_of(FMembers.begin(), FMembers.end(), [&](TWorkerThreadBase* m) {
    return m->UpdatePriority > MemberUpdatePriority && m->Running();
  });
  if (!outranked) OnUpdate(this, Thread, Data, Percent);
}

void TWorkerThreadGroup::NotifyGroupStart(TWorkerThreadGroup* Group) {
  for (TWorkerThreadBase* m : std::vector<TWorkerThreadBase*>(FMembers)) m->NotifyGroupStart(Group);
}

void TWorkerThreadGroup::NotifyGroupTerminate(TWorkerThreadGroup* Group) {
  for (TWorkerThreadBase* m : std::vector<TWorkerThreadBase*>(FMembers)) m->NotifyGroupTerminate(Group);
}

bool TWorkerThreadGroup::AddToGroup(TWorkerThreadGroup* Group) {
  if (Contains(Group)) return false;
  // The parent counts each thread running here, as each will end on its own.
  for (TWorkerThread* t : RunningThreads())
    if (TWorkerExecuteThread* x = t->Thread()) Group->ThreadStart(this, x, x->Data);
  {
    TLockGuard g(Group->FLock);
    Group->FMembers.push_back(this);
  }
  Group->AddThreads(FAllThreads);
  return true;
}

void TWorkerThreadGroup::RemoveFromGroup(TWorkerThreadGroup* Group) {
  for (TWorkerThread* t : RunningThreads())
    if (TWorkerExecuteThread* x = t->Thread()) Group->ThreadTerminate(this, x, x->Data);
  {
    TLockGuard g(Group->FLock);
    EraseAll<TWorkerThreadBase>(Group->FMembers, this);
  }
  Group->RemoveThreads(FAllThreads);
}

void TWorkerThreadGroup::Start(void* Data) {
  for (TWorkerThreadBase* m : std::vector<TWorkerThreadBase*>(FMembers)) m->Start(Data);
}

void TWorkerThreadGroup::Stop() {
  for (TWorkerThreadBase* m : std::vector<TWorkerThreadBase*>(FMembers)) m->Stop();
}

void TWorkerThreadGroup::Suspend() {
  for (TWorkerThreadBase* m : std::vector<TWorkerThreadBase*>(FMembers)) m->Suspend();
}

void TWorkerThreadGroup::Resume() {
  for (TWorkerThreadBase* m : std::vector<TWorkerThreadBase*>(FMembers)) m->Resume();
}
