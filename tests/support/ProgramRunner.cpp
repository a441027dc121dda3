#include "ProgramRunner.h"

#include "GuiTest.h"
#include "TestPaths.h"
#include "classlib/SysUtils.h"

bool WaitFor(const std::function<bool()>& Done, DWORD TimeoutMs) { return PumpUntil(Done, TimeoutMs); }

namespace {
std::string ThisProgram() {
  char path[MAX_PATH];
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  return path;
}
}  // namespace

std::string BuiltProgram(const std::string& Name) { return ExtractFilePath(ThisProgram()) + "..\\" + Name; }

bool PlaceBuiltProgram(const std::string& Name, const std::string& Folder, const std::string& As) {
  return CopyFileA(BuiltProgram(Name).c_str(), (Folder + "\\" + (As.empty() ? Name : As)).c_str(), FALSE) != 0;
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

bool TProcess::Ended(DWORD Ms) {
  return Started && WaitFor([&] { return WaitForSingleObject(Info.hProcess, 0) == WAIT_OBJECT_0; }, Ms);
}

DWORD TProcess::ExitCode() {
  DWORD c = 0;
  GetExitCodeProcess(Info.hProcess, &c);
  return c;
}

std::string TextOf(HWND W) {
  char t[512] = {};
  DWORD_PTR r = 0;
  if (!SendMessageTimeoutA(W, WM_GETTEXT, sizeof t, reinterpret_cast<LPARAM>(t), SMTO_ABORTIFHUNG, 2000, &r))
    GetWindowTextA(W, t, sizeof t);
  return t;
}

namespace {
std::string ClassOf(HWND W) {
  char cls[64] = {};
  GetClassNameA(W, cls, sizeof cls);
  return cls;
}

DWORD ProcessOf(HWND W) {
  DWORD pid = 0;
  GetWindowThreadProcessId(W, &pid);
  return pid;
}

// Every top-level window, then (when Children) every control below each,
// until Visit says it found what it looks for.
void EachWindow(const std::function<bool(HWND W, bool TopLevel)>& Visit, bool Children) {
  struct TWalk {
    const std::function<bool(HWND, bool)>& Visit;
    bool Children, Found;
  } walk{Visit, Children, false};
  EnumWindows(
      [](HWND W, LPARAM P) WINAPI -> BOOL {
        auto* walk = reinterpret_cast<TWalk*>(P);
        if ((walk->Found = walk->Visit(W, true))) return FALSE;
        if (walk->Children)
          EnumChildWindows(
              W,
              [](HWND C, LPARAM P) WINAPI -> BOOL {
                auto* walk = reinterpret_cast<TWalk*>(P);
                return (walk->Found = walk->Visit(C, false)) ? FALSE : TRUE;
              },
              P);
        return walk->Found ? FALSE : TRUE;
      },
      reinterpret_cast<LPARAM>(&walk));
}
}  // namespace

HWND WindowOf(DWORD Pid, const char* ClassName, DWORD TimeoutMs, const char* Caption) {
  HWND found = nullptr;
  auto look = [&] {
    EachWindow(
        [&](HWND W, bool) {
          if (ProcessOf(W) != Pid || !IsWindowVisible(W) || ClassOf(W) != ClassName) return false;
          if (Caption && TextOf(W) != Caption) return false;
          found = W;
          return true;
        },
        false);
    return found != nullptr;
  };
  WaitFor(look, TimeoutMs);
  return found;
}

HWND WindowWithText(DWORD Pid, const std::string& Text) {
  HWND found = nullptr;
  EachWindow(
      [&](HWND W, bool TopLevel) {
        if (TopLevel && ProcessOf(W) != Pid) return false;
        if (!IsWindowVisible(W) || TextOf(W) != Text) return false;
        if (TopLevel) {   // the application's own window is visible but has no area
          RECT r{};
          GetClientRect(W, &r);
          if (r.right <= 0 || r.bottom <= 0) return false;
        }
        found = W;
        return true;
      },
      true);
  // (a top-level window of another process was skipped, its controls too)
  return found && ProcessOf(found) == Pid ? found : nullptr;
}

HWND WaitForText(DWORD Pid, const std::string& Text, DWORD TimeoutMs) {
  HWND w = nullptr;
  WaitFor([&] { return (w = WindowWithText(Pid, Text)) != nullptr; }, TimeoutMs);
  return w;
}

HWND Descendant(HWND Parent, const char* ClassName, const std::string& Text) {
  struct TFind {
    const char* Class;
    const std::string& Text;
    HWND Found;
  } f{ClassName, Text, nullptr};
  EnumChildWindows(
      Parent,
      [](HWND W, LPARAM P) WINAPI -> BOOL {
        auto* f = reinterpret_cast<TFind*>(P);
        if ((!f->Class || SameText(ClassOf(W), f->Class)) && IsWindowVisible(W) && TextOf(W) == f->Text) {
          f->Found = W;
          return FALSE;
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&f));
  return f.Found;
}

std::string TextOfChild(HWND Parent, const char* ClassName) {
  std::string r;
  for (HWND c = GetWindow(Parent, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
    const std::string text = TextOf(c);
    if (SameText(ClassOf(c), ClassName) && !text.empty()) r = text;
  }
  return r;
}

bool Hidden(HWND W, DWORD TimeoutMs) { return WaitFor([&] { return !IsWindowVisible(W); }, TimeoutMs); }

POINT Centre(HWND W) {
  RECT r{};
  GetWindowRect(W, &r);
  return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

bool ClickWindow(HWND W) {
  // the last click's time: one within the double-click time is first let pass
  static DWORD last = GetTickCount() - GetDoubleClickTime() - 1;
  const DWORD gap = GetDoubleClickTime() + 50;
  WaitFor([&] { return GetTickCount() - last > gap; }, gap + 1000);
  const POINT c = Centre(W);
  // the click goes where no other window covers it
  MoveMouseTo(c.x, c.y);
  const bool uncovered =
      WaitFor([&] { return GetAncestor(WindowFromPoint(c), GA_ROOT) == GetAncestor(W, GA_ROOT); });
  ClickAt(c.x, c.y);
  last = GetTickCount();
  return uncovered;
}

LRESULT CheckState(HWND Box) {
  DWORD_PTR r = 0;
  SendMessageTimeoutA(Box, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &r);
  return static_cast<LRESULT>(r);
}

TFileWatch::TFileWatch(std::string AFile) : File(std::move(AFile)) { Changed(); }

bool TFileWatch::Changed() {
  WIN32_FILE_ATTRIBUTE_DATA a;
  if (!GetFileAttributesExA(File.c_str(), GetFileExInfoStandard, &a)) return false;
  if (CompareFileTime(&a.ftLastWriteTime, &Last) == 0) return false;
  Last = a.ftLastWriteTime;
  return true;
}

bool TFileWatch::WaitForWrites(int Count, DWORD TimeoutMs) {
  int seen = 0;
  return WaitFor([&] { return (seen += Changed()) >= Count; }, TimeoutMs);
}

bool WaitForFile(const std::string& File, DWORD TimeoutMs) {
  return WaitFor([&] { return FileExists(File); }, TimeoutMs);
}

bool StandIn(const char* Name, const char* Record) {
  const std::string self = ThisProgram();
  if (!SameText(ExtractFileName(self), Name)) return false;
  const std::string list = ExtractFilePath(self) + Record;
  std::string text;
  try {
    text = ReadTextFile(list);
  } catch (...) {
  }
  WriteTextFile(list, text + GetCommandLineA() + "\n");
  ExitProcess(0);
}

bool PlaceStandIn(const std::string& Folder, const char* Name) {
  return CopyFileA(ThisProgram().c_str(), (Folder + "\\" + Name).c_str(), FALSE) != 0;
}

std::string StandInRecord(const std::string& Folder, const char* Record) {
  const std::string f = Folder + "\\" + Record;
  return FileExists(f) ? ReadTextFile(f) : std::string();
}
