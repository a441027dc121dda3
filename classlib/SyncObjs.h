// Synchronisation objects.
#pragma once
#include <windows.h>

// A re-entrant lock over a Win32 critical section.
class TCriticalSection {
public:
  TCriticalSection() { InitializeCriticalSection(&FSection); }
  ~TCriticalSection() { DeleteCriticalSection(&FSection); }
  TCriticalSection(const TCriticalSection&) = delete;
  TCriticalSection& operator=(const TCriticalSection&) = delete;
  void Acquire() { EnterCriticalSection(&FSection); }
  void Release() { LeaveCriticalSection(&FSection); }
  void Enter() { Acquire(); }
  void Leave() { Release(); }

private:
  CRITICAL_SECTION FSection;
};

// Holds a lock for a scope.
class TLockGuard {
public:
  explicit TLockGuard(TCriticalSection& Lock) : FLock(Lock) { FLock.Acquire(); }
  ~TLockGuard() { FLock.Release(); }
  TLockGuard(const TLockGuard&) = delete;
  TLockGuard& operator=(const TLockGuard&) = delete;

private:
  TCriticalSection& FLock;
};

// Readers share, a writer excludes (over a slim reader/writer lock; not
// re-entrant: a thread holding it must not ask for it again).
class TMultiReadExclusiveWriteSynchronizer {
public:
  TMultiReadExclusiveWriteSynchronizer() { InitializeSRWLock(&FLock); }
  TMultiReadExclusiveWriteSynchronizer(const TMultiReadExclusiveWriteSynchronizer&) = delete;
  TMultiReadExclusiveWriteSynchronizer& operator=(const TMultiReadExclusiveWriteSynchronizer&) = delete;
  void BeginRead() { AcquireSRWLockShared(&FLock); }
  void EndRead() { ReleaseSRWLockShared(&FLock); }
  void BeginWrite() { AcquireSRWLockExclusive(&FLock); }
  void EndWrite() { ReleaseSRWLockExclusive(&FLock); }

private:
  SRWLOCK FLock;
};
