// Starting the built programs as a user does and finding their windows from
// outside, for the tests that drive the real vantrel.exe and vantrelwiz.exe.
#pragma once
#include <windows.h>

#include <string>

// The built program Name (e.g. "vantrel.exe") beside the test programs' folder.
std::string BuiltProgram(const std::string& Name);

// A program started in a folder; ended by force if it still runs at the end.
class TProcess {
public:
  TProcess(const std::string& Exe, const std::string& Folder, const std::string& Parameters = "");
  ~TProcess();
  TProcess(const TProcess&) = delete;
  TProcess& operator=(const TProcess&) = delete;
  bool Ended(DWORD Ms);
  DWORD ExitCode();
  DWORD Id() const { return Info.dwProcessId; }
  bool Started = false;
  PROCESS_INFORMATION Info{};
};

// The first visible top-level window of a process with that class (and,
// when given, that caption), waiting up to TimeoutMs.
HWND WindowOf(DWORD Pid, const char* ClassName, DWORD TimeoutMs, const char* Caption = nullptr);
// The text of the last child of that class that has one.
std::string TextOfChild(HWND Parent, const char* ClassName);
