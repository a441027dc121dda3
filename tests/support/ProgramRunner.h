// The harness of the tests that drive the built vantrel.exe and
// vantrelwiz.exe from outside: starting them as a user does, finding their
// windows by class or text, waiting on what can be seen (a window, a value,
// a file, a frame) under one time-out policy, and test programs standing in
// for the programs they start.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

// The one time-out policy: a wait for something a step of the program
// brings about (a window shown, a file written, a frame drawn) gives it
// this long; a loaded machine must not fail a test. Waits for a whole piece
// of work (a download, a scan) pass their own, longer time.
constexpr DWORD StepTimeoutMs = 30000;

// Polls Done (serving this thread's messages between polls) until it is true
// or the time is up; false then.
bool WaitFor(const std::function<bool()>& Done, DWORD TimeoutMs = StepTimeoutMs);

// The built program Name (e.g. "vantrel.exe") beside the test programs' folder.
std::string BuiltProgram(const std::string& Name);
// Copies the built program Name into Folder; false when it could not.
bool PlaceBuiltProgram(const std::string& Name, const std::string& Folder, const std::string& As = "");

// A program started in a folder (inheriting this test's Wine prefix and
// environment); ended by force if it still runs at the end.
class TProcess {
public:
  TProcess(const std::string& Exe, const std::string& Folder, const std::string& Parameters = "");
  ~TProcess();
  TProcess(const TProcess&) = delete;
  TProcess& operator=(const TProcess&) = delete;
  bool Ended(DWORD Ms = StepTimeoutMs);   // serves this thread's messages while it waits
  DWORD ExitCode();
  DWORD Id() const { return Info.dwProcessId; }
  bool Started = false;
  PROCESS_INFORMATION Info{};
};

// The text of a window, of this process or another (edits are asked).
std::string TextOf(HWND W);
// The first visible top-level window of a process with that class (and,
// when given, that caption), waiting up to TimeoutMs.
HWND WindowOf(DWORD Pid, const char* ClassName, DWORD TimeoutMs = StepTimeoutMs, const char* Caption = nullptr);
// A visible window of the process with this text: a top-level one with an
// area, or a control of one.
HWND WindowWithText(DWORD Pid, const std::string& Text);
// The same, waited for.
HWND WaitForText(DWORD Pid, const std::string& Text, DWORD TimeoutMs = StepTimeoutMs);
// A visible control anywhere below Parent with this text and, when given,
// this class.
HWND Descendant(HWND Parent, const char* ClassName, const std::string& Text);
// The text of the last child of that class that has one.
std::string TextOfChild(HWND Parent, const char* ClassName);
// Waits until the window is gone or hidden.
bool Hidden(HWND W, DWORD TimeoutMs = StepTimeoutMs);
// The middle of a window on the screen.
POINT Centre(HWND W);
// A click on the middle of a window, once no other window covers that
// point (false when one still did); a click that follows another within the
// double-click time waits, so that it is not taken as a double click.
bool ClickWindow(HWND W);
// The check state of a check box of any process (BST_...).
LRESULT CheckState(HWND Box);

// Watches a file's last write time: Changed() once it was written since the
// last call (or since the watch began).
class TFileWatch {
public:
  explicit TFileWatch(std::string AFile);
  bool Changed();
  // Waits for Count more writes.
  bool WaitForWrites(int Count = 1, DWORD TimeoutMs = StepTimeoutMs);

private:
  std::string File;
  FILETIME Last{};
};
// Waits until the file exists.
bool WaitForFile(const std::string& File, DWORD TimeoutMs = StepTimeoutMs);

// A test program stands in for another program (the browser the shell
// starts, the wizard, the main program): a copy of it placed under that
// program's name, when started, appends its command line and a line break
// to the file Record beside itself and ends at once, before any test runs.
// Each test program that stands in calls StandIn at namespace scope:
//   [[maybe_unused]] const bool Browser = StandIn("urlrecorder.exe", "opened-urls.txt");
bool StandIn(const char* Name, const char* Record);
// Places a copy of this test program in Folder under Name.
bool PlaceStandIn(const std::string& Folder, const char* Name);
// The Record of the stand-ins started from Folder so far ("" when none was).
std::string StandInRecord(const std::string& Folder, const char* Record);
