#include "viewer/uToolHelpAPI.h"

#include "classlib/WinHandles.h"

static_assert(sizeof(TProcessEntry32) == (sizeof(void*) == 8 ? 304 : 296),
              "layout of PROCESSENTRY32");

TCreateToolhelp32Snapshot CreateToolhelp32Snapshot = nullptr;
TProcess32First Process32First = nullptr;
TProcess32Next Process32Next = nullptr;

bool LoadToolHelpApi() {
  HMODULE k = GetModuleHandleA("kernel32.dll");
  if (!CreateToolhelp32Snapshot)
    CreateToolhelp32Snapshot = GetProc<TCreateToolhelp32Snapshot>(k, "CreateToolhelp32Snapshot");
  if (!Process32First) Process32First = GetProc<TProcess32First>(k, "Process32First");
  if (!Process32Next) Process32Next = GetProc<TProcess32Next>(k, "Process32Next");
  return CreateToolhelp32Snapshot && Process32First && Process32Next;
}

std::string ProcessNameOfPid(DWORD Pid) { return TProcessSnapshot().NameOf(Pid); }

void TProcessSnapshot::Clear() {
  FTaken = FFailed = false;
  FNames.clear();
}

std::string TProcessSnapshot::NameOf(DWORD Pid) {
  if (!FTaken) {
    FTaken = true;
    FFailed = true;
    if (!(CreateToolhelp32Snapshot && Process32First && Process32Next) && !LoadToolHelpApi())
      return "?";
    TFileHandle snapshot(CreateToolhelp32Snapshot(ToolHelpSnapProcess, 0));
    if (!snapshot.Valid() || snapshot.Get() == nullptr) {
      snapshot.Release();   // a null handle is no handle
      return "?";
    }
    FFailed = false;
    TProcessEntry32 entry{};
    entry.dwSize = sizeof(entry);
    for (BOOL more = Process32First(snapshot.Get(), &entry); more;
         more = Process32Next(snapshot.Get(), &entry)) {
      entry.szExeFile[MAX_PATH - 1] = '\0';
      FNames.emplace(entry.th32ProcessID, entry.szExeFile);   // the first entry of an ID wins
    }
  }
  if (FFailed) return "?";
  const auto it = FNames.find(Pid);
  return it != FNames.end() ? it->second : "?";
}
