// Tool Help process snapshots, bound by name from kernel32 on first use.
// Tests may set the pointers to fakes before the first use.
#pragma once
#include <windows.h>

#include <string>

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
