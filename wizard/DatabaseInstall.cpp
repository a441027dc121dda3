#include "wizard/DatabaseInstall.h"

#include <windows.h>

#include <vector>

#include "classlib/SysUtils.h"

// geoip.dat first: the file the main program keeps open, so that an
// installation it blocks stops before anything has moved.
const char* const DatabaseFiles[3] = {"geoip.dat", "cities.dat", "r.dat"};
const char* const DataFolder = "data";
const char* const StagingFolder = "data.new";
const char* const ReadyFolder = "data.ready";
const char* const BackupFolder = "data.old";

namespace {

std::string In(const char* Folder, const std::string& Name) { return std::string(Folder) + "\\" + Name; }

bool Exists(const std::string& Name) { return GetFileAttributesA(Name.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool Move(const std::string& From, const std::string& To, bool Replace = false) {
  return MoveFileExA(From.c_str(), To.c_str(), MOVEFILE_WRITE_THROUGH | (Replace ? MOVEFILE_REPLACE_EXISTING : 0)) != 0;
}

bool MakeFolder(const char* Folder) { return DirectoryExists(Folder) || CreateDirectoryA(Folder, nullptr); }

std::vector<std::string> Entries(const std::string& Dir) {
  std::vector<std::string> out;
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((Dir + "\\*").c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return out;
  do {
    const std::string n = fd.cFileName;
    if (n != "." && n != "..") out.push_back(n);
  } while (FindNextFileA(h, &fd));
  FindClose(h);
  return out;
}

// What the backup folder holds besides backups (an earlier wizard moved the
// whole folder there) goes home unless data\ has its own; then the folder goes.
void RetireBackups() {
  for (const std::string& e : Entries(BackupFolder))
    if (!Exists(In(DataFolder, e))) Move(In(BackupFolder, e), In(DataFolder, e));
  RemoveFolder(BackupFolder);
}

// The backups take the place of what data\ holds. False (nothing deleted)
// when one cannot be put back.
bool GoBack() {
  if (!MakeFolder(DataFolder)) return false;
  for (const char* f : DatabaseFiles)
    if (Exists(In(BackupFolder, f)) && !Move(In(BackupFolder, f), In(DataFolder, f), true)) return false;
  RetireBackups();
  return true;
}

// Moves the installed files aside and the new ones of the ready folder in;
// only then are the backups deleted. False when a file cannot move: what has
// moved stays moved, and the next try goes on from there.
bool GoForward() {
  if (!MakeFolder(DataFolder)) return false;
  for (const char* f : DatabaseFiles) {
    if (!Exists(In(ReadyFolder, f)) || !Exists(In(DataFolder, f)) || Exists(In(BackupFolder, f))) continue;
    if (!MakeFolder(BackupFolder) || !Move(In(DataFolder, f), In(BackupFolder, f))) return false;
  }
  for (const char* f : DatabaseFiles)
    if (Exists(In(ReadyFolder, f)) && !Move(In(ReadyFolder, f), In(DataFolder, f), true)) return false;
  if (!WholeDatabase(DataFolder)) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return false;
  }
  for (const char* f : DatabaseFiles) {
    SetFileAttributesA(In(BackupFolder, f).c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(In(BackupFolder, f).c_str());
  }
  RetireBackups();
  RemoveFolder(ReadyFolder);
  return true;
}

// An installation a crash left: forward when the new database is whole, back otherwise.
bool SettlePending() {
  if (DirectoryExists(ReadyFolder)) return GoForward();
  if (DirectoryExists(BackupFolder)) return GoBack();
  return true;
}

}  // namespace

bool WholeDatabase(const std::string& Folder) {
  for (const char* f : DatabaseFiles) {
    const DWORD a = GetFileAttributesA((Folder + "\\" + f).c_str());
    if (a == INVALID_FILE_ATTRIBUTES || (a & FILE_ATTRIBUTE_DIRECTORY)) return false;
  }
  return true;
}

bool DatabaseInUse() {
  for (const char* f : DatabaseFiles) {
    HANDLE h = CreateFileA(In(DataFolder, f).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    else if (GetLastError() == ERROR_SHARING_VIOLATION) return true;
  }
  return false;
}

TInstallResult InstallDatabase(std::string& Error) {
  if (!SettlePending() || DatabaseInUse()) return TInstallResult::irInUse;
  if (!Move(StagingFolder, ReadyFolder)) {
    Error = "the new database cannot be installed: " + SysErrorMessage(GetLastError());
    RemoveFolder(StagingFolder);
    return TInstallResult::irFailed;
  }
  if (GoForward()) return TInstallResult::irInstalled;
  const DWORD e = GetLastError();
  // Back to the state before: the new files return to the staging folder,
  // which is renamed first so that a crash now goes back too.
  const bool renamed = Move(ReadyFolder, StagingFolder);
  const char* fresh = renamed ? StagingFolder : ReadyFolder;
  bool restored = true;
  for (const char* f : DatabaseFiles) {
    if (!Exists(In(fresh, f)) && Exists(In(DataFolder, f))) Move(In(DataFolder, f), In(fresh, f));
    if (Exists(In(BackupFolder, f)) && !Move(In(BackupFolder, f), In(DataFolder, f), true)) restored = false;
  }
  if (restored) RetireBackups();   // else the next start puts them back
  if (renamed && (e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION) && WholeDatabase(StagingFolder))
    return TInstallResult::irInUse;   // opened just now by the main program
  RemoveFolder(fresh);
  Error = "the new database cannot be installed: " + SysErrorMessage(e);
  return TInstallResult::irFailed;
}

bool RecoverDatabase() {
  const bool settled = SettlePending();
  RemoveFolder(StagingFolder);
  return settled;
}

void RemoveFolder(const std::string& Dir) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA((Dir + "\\*").c_str(), &fd);
  if (h != INVALID_HANDLE_VALUE) {
    do {
      const std::string n = fd.cFileName;
      if (n == "." || n == "..") continue;
      const std::string full = Dir + "\\" + n;
      const bool folder = fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY;
      if (fd.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
        // The link itself; its target is not ours.
        if (folder) RemoveDirectoryA(full.c_str());
        else DeleteFileA(full.c_str());
      } else if (folder) {
        RemoveFolder(full);
      } else {
        SetFileAttributesA(full.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(full.c_str());
      }
    } while (FindNextFileA(h, &fd));
    FindClose(h);
  }
  RemoveDirectoryA(Dir.c_str());
}
