// The test program's heap: freed blocks are filled with 0xDD and kept back
// for a while before they really go, so code that reads an object after
// freeing it reads garbage (and its pointers fault) instead of what was there.
#include <windows.h>
#include <malloc.h>

#include <cstdlib>
#include <cstring>
#include <new>

namespace {
SRWLOCK Guard = SRWLOCK_INIT;
constexpr size_t Kept = 512;
void* Quarantine[Kept];
size_t Next = 0;

void* Allocate(size_t Size) {
  void* p = std::malloc(Size ? Size : 1);
  if (!p) throw std::bad_alloc();
  return p;
}

void Release(void* P) {
  if (!P) return;
  std::memset(P, 0xDD, _msize(P));
  AcquireSRWLockExclusive(&Guard);
  void* old = Quarantine[Next];
  Quarantine[Next] = P;
  Next = (Next + 1) % Kept;
  ReleaseSRWLockExclusive(&Guard);
  std::free(old);
}
}  // namespace

void* operator new(size_t Size) { return Allocate(Size); }
void* operator new[](size_t Size) { return Allocate(Size); }
void operator delete(void* P) noexcept { Release(P); }
void operator delete[](void* P) noexcept { Release(P); }
void operator delete(void* P, size_t) noexcept { Release(P); }
void operator delete[](void* P, size_t) noexcept { Release(P); }
