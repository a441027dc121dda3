#include "netlib/NetWinSock2.h"

#include <atomic>

#include "classlib/UnitInit.h"
#include "netlib/NetException.h"
#include "netlib/NetResourceStrings.h"

namespace WinSock2 {

const char* LibraryName = "WS2_32.DLL";
std::array<uint8_t, 16> in6addr_any{};
std::array<uint8_t, 16> in6addr_loopback{};

namespace {
std::atomic<HMODULE> Module{nullptr};

template <typename F>
F As(FARPROC P) {
  return reinterpret_cast<F>(reinterpret_cast<void*>(P));
}

// Stub of each entry: binds the cell, then calls on with the same arguments.
#define NET_WINSOCK2_STUB(Cell, Export, R, Params, Args) \
  R WINAPI Stub_##Cell Params { return As<T_##Cell>(BindEntry(entry_##Cell)) Args; }
NET_WINSOCK2_TABLE(NET_WINSOCK2_STUB)
#undef NET_WINSOCK2_STUB
}  // namespace

#define NET_WINSOCK2_CELL(Cell, Export, R, Params, Args) T_##Cell Cell = Stub_##Cell;
NET_WINSOCK2_TABLE(NET_WINSOCK2_CELL)
#undef NET_WINSOCK2_CELL

namespace {
struct TEntry {
  const char* Export;
  void (*Store)(FARPROC Proc);
  void (*Reset)();
  bool (*Bound)();
};

#define NET_WINSOCK2_ENTRY(Cell, Export, R, Params, Args)    \
  {Export, [](FARPROC P) { Cell = As<T_##Cell>(P); },        \
   [] { Cell = Stub_##Cell; }, [] { return Cell != Stub_##Cell; }},
const TEntry Entries[EntryCount] = {NET_WINSOCK2_TABLE(NET_WINSOCK2_ENTRY)};
#undef NET_WINSOCK2_ENTRY

TUnitCounter UnitCounter;
}  // namespace

int WSAStartup(uint16_t VersionRequested, TWSAData* Data) {
  if (Module.load()) return 0;
  HMODULE m = LoadLibraryA(LibraryName);
  if (!m) {
    const DWORD code = GetLastError();
    throw ENetWS2StubError(code, Format(RSWS2LoadError, LibraryName));
  }
  HMODULE none = nullptr;
  if (!Module.compare_exchange_strong(none, m)) {   // another thread was first
    FreeLibrary(m);
    return 0;
  }
  using TStartup = int(WINAPI*)(uint16_t, TWSAData*);
  auto startup = As<TStartup>(GetProcAddress(m, "WSAStartup"));
  if (!startup) {
    const DWORD code = GetLastError();
    throw ENetWS2StubError(code, Format(RSWS2CallError, "WSAStartup"));
  }
  return startup(VersionRequested, Data);
}

FARPROC BindEntry(int Index) {
  const TEntry& e = Entries[Index];
  HMODULE m = Module.load();
  if (!m) throw ENetWS2StubError(wsaNotInitialised, Format(RSWS2CallError, e.Export));
  FARPROC p = GetProcAddress(m, e.Export);
  if (!p) {
    const DWORD code = GetLastError();
    throw ENetWS2StubError(code, Format(RSWS2CallError, e.Export));
  }
  e.Store(p);
  return p;
}

const char* EntryName(int Index) { return Entries[Index].Export; }
bool EntryBound(int Index) { return Entries[Index].Bound(); }
bool Loaded() { return Module.load() != nullptr; }

void ResetCells() {
  for (const TEntry& e : Entries) e.Reset();
}

void Unload() {
  HMODULE m = Module.exchange(nullptr);
  if (m) {
    FreeLibrary(m);
    ResetCells();
  }
}

}  // namespace WinSock2

void NetWinSock2_Initialize() {
  if (!WinSock2::UnitCounter.Enter()) return;
  WinSock2::in6addr_any.fill(0);
  WinSock2::in6addr_loopback.fill(0);
  WinSock2::in6addr_loopback[15] = 1;
  WinSock2::ResetCells();
}

void NetWinSock2_Finalize() {
  if (!WinSock2::UnitCounter.Leave()) return;
  WinSock2::Unload();
}
