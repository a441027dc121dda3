// Fake IP Helper and Tool Help exports presenting a chosen machine: TCP and
// UDP rows in any of the three API families and a process list. Header only,
// so that benchmarks can use it too. The IP Helper unit must have started
// (uIPHelperAPI_Initialize) before a family is presented.
#pragma once
#include <windows.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "monitor/uIPHelperAPI.h"
#include "viewer/uToolHelpAPI.h"

struct TFakeTcpRow {
  DWORD State, LocalAddr, LocalPort, RemoteAddr, RemotePort, Pid;
};
struct TFakeUdpRow {
  DWORD LocalAddr, LocalPort, Pid;
};
// The row handed to SetTcpEntry: state, local address and port, remote
// address and port.
using TFakeTcpEntry = std::array<DWORD, 5>;
struct TFakeProcess {
  DWORD Pid;
  std::string ExeFile;
};

struct TFakeNetwork {
  std::vector<TFakeTcpRow> Tcp;
  std::vector<TFakeUdpRow> Udp;
  std::vector<TFakeProcess> Processes;
  bool SnapshotFails = false;
  int TcpReads = 0, UdpReads = 0;   // successful table reads
  int Snapshots = 0;
  std::vector<HANDLE> SnapshotHandles;   // every handle a snapshot gave out
  std::map<HANDLE, size_t> Cursor;
  std::vector<TFakeTcpEntry> TcpEntriesSet;   // every row handed to SetTcpEntry
};

inline TFakeNetwork& FakeNet() {
  static TFakeNetwork n;
  return n;
}

// Network order as the rows carry it.
constexpr DWORD Addr(int a, int b, int c, int d) {
  return DWORD(a) | DWORD(b) << 8 | DWORD(c) << 16 | DWORD(d) << 24;
}
constexpr DWORD Port(int p) { return DWORD((p >> 8) & 0xFF) | DWORD(p & 0xFF) << 8; }

namespace fakenet {
inline std::vector<DWORD> TcpWords(bool Pids) {
  std::vector<DWORD> w{static_cast<DWORD>(FakeNet().Tcp.size())};
  for (const TFakeTcpRow& r : FakeNet().Tcp) {
    w.insert(w.end(), {r.State, r.LocalAddr, r.LocalPort, r.RemoteAddr, r.RemotePort});
    if (Pids) w.push_back(r.Pid);
  }
  return w;
}
inline std::vector<DWORD> UdpWords(bool Pids) {
  std::vector<DWORD> w{static_cast<DWORD>(FakeNet().Udp.size())};
  for (const TFakeUdpRow& r : FakeNet().Udp) {
    w.insert(w.end(), {r.LocalAddr, r.LocalPort});
    if (Pids) w.push_back(r.Pid);
  }
  return w;
}
// The size protocol of the sized families.
inline DWORD Answer(const std::vector<DWORD>& W, PVOID Buffer, PDWORD Size, int& Reads) {
  const DWORD need = static_cast<DWORD>(W.size() * sizeof(DWORD));
  if (!Buffer || *Size < need) {
    *Size = need;
    return ERROR_INSUFFICIENT_BUFFER;
  }
  std::memcpy(Buffer, W.data(), need);
  ++Reads;
  return NO_ERROR;
}
inline DWORD HeapAnswer(const std::vector<DWORD>& W, PVOID* Table, HANDLE Heap, int& Reads) {
  void* p = HeapAlloc(Heap, 0, W.size() * sizeof(DWORD));
  std::memcpy(p, W.data(), W.size() * sizeof(DWORD));
  *Table = p;
  ++Reads;
  return NO_ERROR;
}
inline DWORD WINAPI ExtendedTcp(PVOID B, PDWORD S, BOOL, ULONG, int, ULONG) {
  return Answer(TcpWords(true), B, S, FakeNet().TcpReads);
}
inline DWORD WINAPI ExtendedUdp(PVOID B, PDWORD S, BOOL, ULONG, int, ULONG) {
  return Answer(UdpWords(true), B, S, FakeNet().UdpReads);
}
inline DWORD WINAPI OwnerPidTcp(PVOID* T, BOOL, HANDLE H, DWORD, DWORD) {
  return HeapAnswer(TcpWords(true), T, H, FakeNet().TcpReads);
}
inline DWORD WINAPI OwnerPidUdp(PVOID* T, BOOL, HANDLE H, DWORD, DWORD) {
  return HeapAnswer(UdpWords(true), T, H, FakeNet().UdpReads);
}
inline DWORD WINAPI PlainTcp(PVOID B, PDWORD S, BOOL) {
  return Answer(TcpWords(false), B, S, FakeNet().TcpReads);
}
inline DWORD WINAPI PlainUdp(PVOID B, PDWORD S, BOOL) {
  return Answer(UdpWords(false), B, S, FakeNet().UdpReads);
}

inline HANDLE WINAPI Snapshot(DWORD Flags, DWORD Pid) {
  TFakeNetwork& n = FakeNet();
  ++n.Snapshots;
  if (n.SnapshotFails || Flags != ToolHelpSnapProcess || Pid != 0) return INVALID_HANDLE_VALUE;
  HANDLE h = CreateEventA(nullptr, FALSE, FALSE, nullptr);   // a real handle to be closed
  n.SnapshotHandles.push_back(h);
  n.Cursor[h] = 0;
  return h;
}
inline BOOL Next(HANDLE H, TProcessEntry32* E) {
  TFakeNetwork& n = FakeNet();
  if (E->dwSize != sizeof(TProcessEntry32)) return FALSE;
  size_t& i = n.Cursor[H];
  if (i >= n.Processes.size()) return FALSE;
  const TFakeProcess& p = n.Processes[i++];
  E->th32ProcessID = p.Pid;
  std::memset(E->szExeFile, 0, sizeof E->szExeFile);
  std::memcpy(E->szExeFile, p.ExeFile.data(), std::min<size_t>(p.ExeFile.size(), MAX_PATH - 1));
  return TRUE;
}
inline BOOL WINAPI ProcessFirst(HANDLE H, TProcessEntry32* E) {
  FakeNet().Cursor[H] = 0;
  return Next(H, E);
}
inline BOOL WINAPI ProcessNext(HANDLE H, TProcessEntry32* E) { return Next(H, E); }
inline DWORD WINAPI RecordTcpEntry(PVOID Row) {
  TFakeTcpEntry e;
  std::memcpy(e.data(), Row, sizeof e);
  FakeNet().TcpEntriesSet.push_back(e);
  return NO_ERROR;
}
}  // namespace fakenet

// Binds the fakes of one family (the others unbound) and recomputes the flags.
inline void PresentFamily(TIpHelperFamily Family) {
  GetExtendedTcpTable = nullptr;
  GetExtendedUdpTable = nullptr;
  AllocateAndGetTcpExTableFromStack = nullptr;
  AllocateAndGetUdpExTableFromStack = nullptr;
  GetTcpTable = fakenet::PlainTcp;   // every family needs the plain TCP read bound
  GetUdpTable = fakenet::PlainUdp;
  if (Family == TIpHelperFamily::ifExtended) {
    GetExtendedTcpTable = fakenet::ExtendedTcp;
    GetExtendedUdpTable = fakenet::ExtendedUdp;
  } else if (Family == TIpHelperFamily::ifOwnerPid) {
    AllocateAndGetTcpExTableFromStack = fakenet::OwnerPidTcp;
    AllocateAndGetUdpExTableFromStack = fakenet::OwnerPidUdp;
  }
  ComputeIpHelperFlags();
  OwnerInfoMissing = false;
}

inline void PresentFakeToolHelp() {
  CreateToolhelp32Snapshot = fakenet::Snapshot;
  Process32First = fakenet::ProcessFirst;
  Process32Next = fakenet::ProcessNext;
}

// Back to the real exports.
inline void RestoreRealApis() {
  LoadIpHelperApi();
  OwnerInfoMissing = false;
  CreateToolhelp32Snapshot = nullptr;
  Process32First = nullptr;
  Process32Next = nullptr;
}
