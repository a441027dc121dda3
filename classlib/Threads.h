// Threads of the class library and calls handed to the main (GUI) thread.
#pragma once
#include <windows.h>

#include <atomic>
#include <exception>
#include <functional>

#include "classlib/Classes.h"

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };
using TThreadMethod = std::function<void()>;

// A thread is created suspended; Resume (or Start) runs Execute. After
// Execute, OnTerminate runs on the main thread; a FreeOnTerminate thread then
// frees itself on its own thread. What Execute throws is kept in
// FatalException and ends the thread, never the process.
class TThread : public TObject {
  DECLARE_CLASSINFO(TThread)
public:
  TThread();
  // Waits until the thread has ended, its OnTerminate included (a thread
  // still running is asked to terminate first); freeing it from its own
  // OnTerminate does not wait.
  ~TThread() override;

  void Start() { Resume(); }
  void Resume();
  void Suspend();
  void Terminate() { FTerminated = true; }
  int WaitFor();   // on the main thread it serves synchronized calls meanwhile
  bool Terminated() const { return FTerminated; }
  bool Finished() const { return FFinished; }
  bool Suspended() const { return FSuspended; }
  TThreadPriority Priority() const;
  void SetPriority(TThreadPriority Value);
  HANDLE Handle() const { return FHandle.Get(); }
  DWORD ThreadID() const { return FThreadID; }
  std::exception_ptr FatalException() const { return FFatalException; }

  bool FreeOnTerminate = false;
  int ReturnValue = 0;
  TNotifyEvent OnTerminate;   // read and called on the main thread

  // Runs Method on the main thread and waits for it; an exception it throws
  // is raised again in the calling thread. On the main thread it runs at once.
  static void Synchronize(TThread* Thread, const TThreadMethod& Method);
  // Hands Method to the main thread without waiting.
  static void Queue(TThread* Thread, TThreadMethod Method);

protected:
  virtual void Execute() = 0;
  void Synchronize(const TThreadMethod& Method) { Synchronize(this, Method); }
  virtual void DoTerminate();

private:
  static DWORD WINAPI ThreadProc(LPVOID Param);
  THandle FHandle;
  DWORD FThreadID = 0;
  std::atomic<bool> FTerminated{false};
  std::atomic<bool> FFinished{false};
  std::atomic<bool> FSuspended{true};
  std::exception_ptr FFatalException;
};

// Main-thread side: runs the calls handed over so far; true when any ran.
// Every message loop serves them (the unit's utility window is woken by a
// posted message), nested loops of menus and dialogs included.
bool CheckSynchronize();
// Signalled whenever a call is handed over; for waits on the main thread.
HANDLE SyncEvent();
extern DWORD MainThreadID;
bool InMainThread();

// Start-up records the calling thread as the main thread. Shutdown runs
// the calls handed over until then; a call handed over while it shuts down
// raises EInvalidOperation in its thread. Without the unit started,
// Synchronize and Queue run the method at once in the calling thread.
void Threads_Initialize();
void Threads_Finalize();
