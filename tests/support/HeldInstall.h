// An update of the database run by the test process as the wizard runs
// one, held or cut short before a new file moves into data\: what a start
// of a program makes of the installation there is what the test looks at.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <utility>

#include "monitor/DatabaseInstall.h"

// The system's file operations, but for the move into At: OnStop runs
// first (it looks, or throws as a crash).
class TStopAtMove : public TInstallFiles {
 public:
  std::string At;
  std::function<void()> OnStop;
  bool Move(const std::string& From, const std::string& To, bool Replace) override {
    if (To == At && OnStop) std::exchange(OnStop, nullptr)();
    return TInstallFiles::Move(From, To, Replace);
  }
};

// Installs the database files of Source (a folder, from the current one)
// into Folder\data through Files.
// The unpacked folder's name, empty when none was made; a throw of OnStop
// ends the installation where it stood.
inline std::string InstallThrough(const std::string& Folder, const std::string& Source, TStopAtMove& Files,
                                  TInstallResult& Result, std::string& Error) {
  char home[MAX_PATH];
  GetCurrentDirectoryA(MAX_PATH, home);
  const std::string source = Source.find(':') == std::string::npos ? std::string(home) + "\\" + Source : Source;
  SetCurrentDirectoryA(Folder.c_str());
  const std::string staging = BeginInstall(Error);
  if (!staging.empty()) {
    for (const char* f : DatabaseFiles)
      CopyFileA((source + "\\" + f).c_str(), (Folder + "\\" + staging + "\\" + f).c_str(), FALSE);
    SetInstallFiles(&Files);
    try {
      Result = InstallDatabase(Error);
    } catch (...) {
      Error = "cut short";
    }
    SetInstallFiles(nullptr);
  }
  SetCurrentDirectoryA(home);
  return staging;
}
