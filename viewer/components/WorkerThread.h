// A non-visual component that runs one handler on a worker thread and
// reports start, progress and end on the GUI thread; groups of them report
// start and end for the group as a whole.
#pragma once
#include <windows.h>

#include <atomic>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/ExtCtrls.h"
#include "classlib/SyncObjs.h"
#include "classlib/Threads.h"

class TWorkerExecuteThread;
class TWorkerThread;
class TWorkerThreadGroup;

using TWorkerThreadDataNotifyEvent = std::function<void(TObject* Sender, TWorkerExecuteThread* Thread, void*& Data)>;
using TWorkerThreadUpdateNotifyEvent =
    std::function<void(TObject* Sender, TWorkerExecuteThread* Thread, void*& Data, int32_t Percent)>;

class TWorkerThreadBase : public TComponent {
  DECLARE_CLASSINFO(TWorkerThreadBase)
public:
  explicit TWorkerThreadBase(TComponent* AOwner);
  // Also from inside one of its own handlers: the lock that handler holds
  // is let go first.
  ~TWorkerThreadBase() override;

  TWorkerThreadUpdateNotifyEvent OnUpdate;
  TWorkerThreadDataNotifyEvent OnStart;
  TWorkerThreadDataNotifyEvent OnTerminate;
  int32_t UpdatePriority = 0;

  TWorkerThreadGroup* ThreadGroup() const { return FThreadGroup; }
  void SetThreadGroup(TWorkerThreadGroup* Value);

  virtual bool Running() = 0;
  virtual void NotifyGroupStart(TWorkerThreadGroup* Group) = 0;
  virtual void NotifyGroupTerminate(TWorkerThreadGroup* Group) = 0;
  virtual bool AddToGroup(TWorkerThreadGroup* Group) = 0;
  virtual void RemoveFromGroup(TWorkerThreadGroup* Group) = 0;
  virtual void Start() = 0;
  virtual void Start(void* Data) = 0;
  virtual void Stop() = 0;
  virtual void Suspend() = 0;
  virtual void Resume() = 0;

  // The component's lock: OnStart, OnUpdate and OnTerminate run inside it;
  // an OnExecute handler takes it around what the GUI thread may read.
  void Lock() { FLock.Acquire(); }
  void Unlock() { FLock.Release(); }
  TCriticalSection& LockObject() { return FLock; }

  // True when Group is this component or one of the groups below it.
  virtual bool Contains(const TWorkerThreadGroup* Group) const;

protected:
  friend class TWorkerThreadGroup;
  // A handler may free the component: what calls it holds this and stops
  // when the component is gone.
  std::shared_ptr<bool> Alive() const { return FAlive; }
  // The lock around a handler the GUI thread runs; let go by the
  // component's destruction when the handler frees it.
  class THandlerLock {
  public:
    explicit THandlerLock(TWorkerThreadBase* Component);
    ~THandlerLock();
    THandlerLock(const THandlerLock&) = delete;
    THandlerLock& operator=(const THandlerLock&) = delete;

  private:
    TWorkerThreadBase* FComponent;
    std::shared_ptr<bool> FAlive;
  };
  void ReleaseHandlerLocks();
  TWorkerThreadGroup* FThreadGroup = nullptr;
  TCriticalSection FLock;
  int FHandlerLocks = 0;   // the lock taken around a running handler, by this (GUI) thread

private:
  std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

// The thread of a TWorkerThread: created suspended, frees itself at its end.
class TWorkerExecuteThread : public TThread {
  DECLARE_CLASSINFO(TWorkerExecuteThread)
public:
  TWorkerExecuteThread(TWorkerThread* AOwner, void* AData);
  TWorkerThread* Owner() const { return FOwner; }
  void* Data;
  std::atomic<int32_t> Percent{0};   // the OnExecute handler may set it
  using TThread::Terminated;

protected:
  void Execute() override;

private:
  friend class TWorkerThread;
  TWorkerThread* FOwner;
  std::exception_ptr FExecuteError;   // what OnExecute threw
};

class TWorkerThread : public TWorkerThreadBase {
  DECLARE_CLASSINFO(TWorkerThread)
public:
  explicit TWorkerThread(TComponent* AOwner);
  ~TWorkerThread() override;

  TWorkerThreadDataNotifyEvent OnExecute;   // runs on the worker, without the lock

  TWorkerExecuteThread* Thread() const { return FThread; }
  TWorkerExecuteThread* EndingThread() const { return FEnding; }   // during the terminate step
  TThreadPriority Priority() const { return FPriority; }
  void SetPriority(TThreadPriority Value);
  UINT RefreshInterval() const { return FUpdateTimer->Interval(); }
  void SetRefreshInterval(UINT Value) { FUpdateTimer->SetInterval(Value); }
  bool UpdateEnabled() const { return FUpdateEnabled; }
  void SetUpdateEnabled(bool Value);
  bool Stopped() const { return FStopped; }   // the thread was asked to terminate before it ended
  TObject* SynchroMethods() const { return nullptr; }

  bool Running() override { return FThread != nullptr; }
  void NotifyGroupStart(TWorkerThreadGroup* Group) override;
  void NotifyGroupTerminate(TWorkerThreadGroup* Group) override;
  bool AddToGroup(TWorkerThreadGroup* Group) override;
  void RemoveFromGroup(TWorkerThreadGroup* Group) override;
  void Start() override { Start(nullptr); }
  void Start(void* Data) override;
  void Stop() override;
  void Suspend() override;
  void Resume() override;

protected:
  virtual void UpdateTick(TObject* Sender);
  virtual void ThreadBody(TWorkerExecuteThread* Thread);
  virtual void ThreadTerminated(TObject* Sender);
  virtual void ThreadTerminatedOnDestroy(TObject* Sender);
  // Asks the thread to end and waits for its terminate step, serving only
  // synchronized calls and sent messages meanwhile (no timer of the
  // component's owner fires); from its owner's BeforeDestruction, so the
  // thread is gone while the owner is whole.
  void Destroying() override;

private:
  void StopAndWait();
  friend class TWorkerExecuteThread;
  TTimer* FUpdateTimer;   // owned as a component
  std::atomic<TWorkerExecuteThread*> FThread{nullptr};
  TWorkerExecuteThread* FEnding = nullptr;
  TThreadPriority FPriority = TThreadPriority::tpNormal;
  bool FUpdateEnabled = false;
  std::atomic<bool> FStopped{false};
};

class TWorkerThreadGroup : public TWorkerThreadBase {
  DECLARE_CLASSINFO(TWorkerThreadGroup)
public:
  explicit TWorkerThreadGroup(TComponent* AOwner);
  ~TWorkerThreadGroup() override;

  TWorkerThreadUpdateNotifyEvent OnThreadUpdate;
  TWorkerThreadDataNotifyEvent OnThreadStart;
  TWorkerThreadDataNotifyEvent OnThreadTerminate;

  int MemberCount() const { return static_cast<int>(FMembers.size()); }
  TWorkerThreadBase* Members(int Index) const { return FMembers.at(static_cast<size_t>(Index)); }
  const std::vector<TWorkerThread*>& AllThreads() const { return FAllThreads; }
  int32_t RunningCount();
  std::vector<TWorkerThread*> RunningThreads();   // the thread components below with a thread

  bool Running() override { return RunningCount() > 0; }
  void NotifyGroupStart(TWorkerThreadGroup* Group) override;
  void NotifyGroupTerminate(TWorkerThreadGroup* Group) override;
  bool AddToGroup(TWorkerThreadGroup* Group) override;
  void RemoveFromGroup(TWorkerThreadGroup* Group) override;
  void Start() override { Start(nullptr); }
  void Start(void* Data) override;
  void Stop() override;
  void Suspend() override;
  void Resume() override;
  bool Contains(const TWorkerThreadGroup* Group) const override;

  // Called by members (and subgroups) on the GUI thread.
  void ThreadStart(TWorkerThreadBase* Member, TWorkerExecuteThread* Thread, void*& Data);
  void ThreadTerminate(TWorkerThreadBase* Member, TWorkerExecuteThread* Thread, void*& Data);
  void GroupUpdate(TWorkerThreadBase* Member, TWorkerExecuteThread* Thread, int32_t Percent,
                   int32_t MemberUpdatePriority, void*& Data);

private:
  friend class TWorkerThread;
  void AddThreads(const std::vector<TWorkerThread*>& Threads);      // here and in every group above
  void RemoveThreads(const std::vector<TWorkerThread*>& Threads);
  std::vector<TWorkerThreadBase*> FMembers;
  std::vector<TWorkerThread*> FAllThreads;
  int32_t FRunningCount = 0;
};
