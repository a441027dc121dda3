// Tool Help process snapshots, bound by name from kernel32 on first use.
// Tests may set the pointers to fakes before the first use.
#pragma once
#include <windows.h>

#include <string>
#include <unordered_map>

// The ANSI process entry of a snapshot (PROCESSENTRY32).
struct TProcessEntry32 {
  DWORD dwSize;
  DWORD cntUsage;
  DWORD th32ProcessID;
  ULONG_PTR th32DefaultHeapID;
  DWORD th32ModuleID;
  DWORD cntThreads;
  DWORD th32ParentProcessID;
  LONG pcPriClassBase;
  DWORD dwFlags;
  CHAR szExeFile[MAX_PATH];
};

constexpr DWORD ToolHelpSnapProcess = 0x00000002;   // TH32CS_SNAPPROCESS

using TCreateToolhelp32Snapshot = HANDLE(WINAPI*)(DWORD dwFlags, DWORD th32ProcessID);
using TProcess32First = BOOL(WINAPI*)(HANDLE hSnapshot, TProcessEntry32* lppe);
using TProcess32Next = BOOL(WINAPI*)(HANDLE hSnapshot, TProcessEntry32* lppe);

extern TCreateToolhelp32Snapshot CreateToolhelp32Snapshot;
extern TProcess32First Process32First;
extern TProcess32Next Process32Next;

// Binds the pointers still unbound; true when all three are bound.
bool LoadToolHelpApi();

// The executable file name of process Pid from a fresh snapshot of all
// processes; "?" when the snapshot fails or no process has that ID.
std::string ProcessNameOfPid(DWORD Pid);

// The process names of one snapshot of all processes, taken when first
// asked: a poll names all its rows from one snapshot. NameOf answers as
// ProcessNameOfPid would have at the moment of the snapshot (the first
// process listed with that ID).
class TProcessSnapshot {
public:
  std::string NameOf(DWORD Pid);
  void Clear();   // the next NameOf takes a new snapshot

private:
  bool FTaken = false;
  bool FFailed = false;
  std::unordered_map<DWORD, std::string> FNames;
};
