#include "ProgramRunner.h"

#include "classlib/SysUtils.h"

std::string BuiltProgram(const std::string& Name) {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return ExtractFilePath(path) + "..\\" + Name;
}

TProcess::TProcess(const std::string& Exe, const std::string& Folder, const std::string& Parameters) {
  STARTUPINFOA si{};
  si.cb = sizeof si;
  std::string cmd = "\"" + Exe + "\"" + (Parameters.empty() ? "" : " " + Parameters);
  Started = CreateProcessA(Exe.c_str(), cmd.data(), nullptr, nullptr, FALSE, 0, nullptr, Folder.c_str(), &si, &Info);
}

TProcess::~TProcess() {
  if (!Started) return;
  if (WaitForSingleObject(Info.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(Info.hProcess, 99);
  CloseHandle(Info.hProcess);
  CloseHandle(Info.hThread);
}

bool TProcess::Ended(DWORD Ms) { return WaitForSingleObject(Info.hProcess, Ms) == WAIT_OBJECT_0; }

DWORD TProcess::ExitCode() {
  DWORD c = 0;
  GetExitCodeProcess(Info.hProcess, &c);
  return c;
}

HWND WindowOf(DWORD Pid, const char* ClassName, DWORD TimeoutMs, const char* Caption) {
  struct TSearch {
    DWORD Pid;
    const char *Class, *Caption;
    HWND Found;
  } s{Pid, ClassName, Caption, nullptr};
  const DWORD start = GetTickCount();
  for (;;) {
    EnumWindows(
        [](HWND w, LPARAM p) WINAPI -> BOOL {
          auto* s = reinterpret_cast<TSearch*>(p);
          DWORD pid = 0;
          GetWindowThreadProcessId(w, &pid);
          char cls[64], text[256];
          GetClassNameA(w, cls, sizeof cls);
          GetWindowTextA(w, text, sizeof text);
          if (pid == s->Pid && IsWindowVisible(w) && std::string(cls) == s->Class &&
              (!s->Caption || std::string(text) == s->Caption)) {
            s->Found = w;
            return FALSE;
          }
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&s));
    if (s.Found || GetTickCount() - start >= TimeoutMs) return s.Found;
    Sleep(100);
  }
}

std::string TextOfChild(HWND Parent, const char* ClassName) {
  std::string r;
  for (HWND c = GetWindow(Parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    char cls[64], text[256];
    GetClassNameA(c, cls, sizeof cls);
    GetWindowTextA(c, text, sizeof text);
    if (SameText(cls, ClassName) && text[0]) r = text;
  }
  return r;
}
