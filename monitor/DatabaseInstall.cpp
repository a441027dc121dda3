#include "monitor/DatabaseInstall.h"

#include <vector>

#include "classlib/SysUtils.h"

// geoip.dat first: the file the main program keeps open, so that an
// installation it blocks stops before anything has moved.
const char* const DatabaseFiles[3] = {"geoip.dat", "cities.dat", "r.dat"};
const char* const DataFolder = "data";
const char* const StagingFolder = "data.new";
const char* const ReadyFolder = "data.ready";
const char* const BackupFolder = "data.old";
const char* const TrashFolder = "data.del";

bool TInstallFiles::Move(const std::string& From, const std::string& To, bool Replace) {
  return MoveFileExA(From.c_str(), To.c_str(), MOVEFILE_WRITE_THROUGH | (Replace ? MOVEFILE_REPLACE_EXISTING : 0)) != 0;
}

bool TInstallFiles::Delete(const std::string& Name) {
  SetFileAttributesA(Name.c_str(), FILE_ATTRIBUTE_NORMAL);
  return DeleteFileA(Name.c_str()) != 0;
}

bool TInstallFiles::MakeFolder(const std::string& Name) { return CreateDirectoryA(Name.c_str(), nullptr) != 0; }

bool TInstallFiles::RemoveEmptyFolder(const std::string& Name) { return RemoveDirectoryA(Name.c_str()) != 0; }

bool TInstallFiles::Flush(const std::string& Name) {
  HANDLE h = CreateFileA(Name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  const bool done = FlushFileBuffers(h) != 0;
  const DWORD e = GetLastError();
  CloseHandle(h);
  SetLastError(e);
  return done;
}

namespace {

TInstallFiles SystemFiles;
TInstallFiles* Files = &SystemFiles;

// Why the last file operation failed, and its system error.
std::string Cause;
DWORD CauseCode = 0;

std::string In(const std::string& Folder, const std::string& Name) { return Folder + "\\" + Name; }

// As the folder listing gives them: there a link shows as one (under Wine too).
DWORD Attributes(const std::string& Name) {
  WIN32_FIND_DATAA fd;
  HANDLE h = FindFirstFileA(Name.c_str(), &fd);
  if (h == INVALID_HANDLE_VALUE) return GetFileAttributesA(Name.c_str());
  FindClose(h);
  return fd.dwFileAttributes;
}
bool Exists(const std::string& Name) { return Attributes(Name) != INVALID_FILE_ATTRIBUTES; }
bool IsLink(const std::string& Name) {
  const DWORD a = Attributes(Name);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_REPARSE_POINT);
}
bool IsRealFolder(const std::string& Name) {
  const DWORD a = Attributes(Name);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT);
}

bool Failed(const std::string& What) {
  CauseCode = GetLastError();
  Cause = What + ": " + SysErrorMessage(CauseCode);
  return false;
}

bool Move(const std::string& From, const std::string& To, bool Replace = false) {
  return Files->Move(From, To, Replace) || Failed(From + " cannot be moved to " + To);
}

bool Delete(const std::string& Name) { return Files->Delete(Name) || Failed(Name + " cannot be deleted"); }

bool MakeFolder(const std::string& Name) {
  return DirectoryExists(Name) || Files->MakeFolder(Name) || Failed(Name + " cannot be made");
}

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

// Renamed out of the journal's sight, then deleted: a delete cut short
// leaves only data.del, which goes at the next start.
bool Trash(const std::string& Folder) {
  if (!Exists(Folder)) return true;
  if (IsLink(Folder)) {
    RemoveFolder(Folder);
    return !Exists(Folder) || Failed(Folder + " is a link that cannot be removed");
  }
  RemoveFolder(TrashFolder);
  if (Exists(TrashFolder)) return Failed(std::string(TrashFolder) + " cannot be deleted");
  if (!Move(Folder, TrashFolder)) return false;
  RemoveFolder(TrashFolder);
  return true;
}

// Moves everything of From into To, folder into folder; a file To has too is
// kept beside it as "<name>.old" (".old2"...). False when something cannot
// move: what did not move stays in From.
bool MoveHome(const std::string& From, const std::string& To) {
  if (!MakeFolder(To)) return false;
  for (const std::string& e : Entries(From)) {
    const std::string src = In(From, e), dst = In(To, e);
    if (IsLink(src)) continue;   // not ours: never moved (a move may take its target along)
    if (!Exists(dst)) {
      if (!Move(src, dst)) return false;
    } else if (IsRealFolder(src) && IsRealFolder(dst)) {
      if (!MoveHome(src, dst)) return false;
    } else {
      std::string kept = dst + ".old";
      for (int n = 2; Exists(kept); ++n) kept = dst + ".old" + std::to_string(n);
      if (!Move(src, kept)) return false;
    }
  }
  return true;
}

// The backups are given up (data\ holds a whole database), and the rest of
// the backup folder goes home.
bool RetireBackups() {
  if (!Exists(BackupFolder)) return true;
  for (const char* f : DatabaseFiles)
    if (Exists(In(BackupFolder, f)) && !Delete(In(BackupFolder, f))) return false;
  return MoveHome(BackupFolder, DataFolder) && Trash(BackupFolder);
}

// Undoes an installation (StagingFolder and BackupFolder both there): each
// new file in data\ goes back to the staging folder before its backup takes
// its place again. False when something cannot move: the undo is pending.
bool GoBack(bool KeepStaging) {
  if (!MakeFolder(DataFolder)) return false;
  for (const char* f : DatabaseFiles)
    if (!Exists(In(StagingFolder, f)) && Exists(In(DataFolder, f)) &&
        !Move(In(DataFolder, f), In(StagingFolder, f)))
      return false;
  for (const char* f : DatabaseFiles)
    if (Exists(In(BackupFolder, f)) && !Move(In(BackupFolder, f), In(DataFolder, f), true)) return false;
  return RetireBackups() && (KeepStaging || Trash(StagingFolder));
}

// The ready folder can go forward: it is whole, or moving has begun (the
// backup folder is there) and each new file is in it or already in data\.
bool ForwardPossible() {
  if (!DirectoryExists(BackupFolder)) return WholeDatabase(ReadyFolder);
  for (const char* f : DatabaseFiles)
    if (!Exists(In(ReadyFolder, f)) && !Exists(In(DataFolder, f))) return false;
  return true;
}

// Moves the installed files aside and the new ones of the ready folder in.
// False when a file cannot move: what has moved stays moved.
bool MoveIn() {
  if (!MakeFolder(DataFolder) || !MakeFolder(BackupFolder)) return false;
  for (const char* f : DatabaseFiles)
    if (Exists(In(ReadyFolder, f)) && Exists(In(DataFolder, f)) && !Exists(In(BackupFolder, f)) &&
        !Move(In(DataFolder, f), In(BackupFolder, f)))
      return false;
  for (const char* f : DatabaseFiles)
    if (Exists(In(ReadyFolder, f)) && !Move(In(ReadyFolder, f), In(DataFolder, f), true)) return false;
  return true;
}

// The new database is in place: backups and ready folder go.
bool Finish() { return RetireBackups() && Trash(ReadyFolder); }

// An installation a crash left, taken up as the folders say.
bool SettlePending() {
  // A journal folder that is a link is not ours: the link goes, its target stays.
  for (const char* d : {StagingFolder, ReadyFolder, BackupFolder})
    if (IsLink(d)) {
      RemoveFolder(d);
      if (Exists(d)) return Failed(std::string(d) + " is a link that cannot be removed");
    }
  if (DirectoryExists(ReadyFolder)) {
    if (ForwardPossible()) return MoveIn() && Finish();
    if (!DirectoryExists(BackupFolder)) return Trash(ReadyFolder);   // nothing moved yet, or all done
    return Trash(StagingFolder) && Move(ReadyFolder, StagingFolder) && GoBack(false);
  }
  if (!DirectoryExists(BackupFolder)) return true;
  if (DirectoryExists(StagingFolder)) return GoBack(false);
  // Left by an earlier wizard: its backup goes back only when it is whole
  // and data\ has no whole database.
  if (!WholeDatabase(DataFolder) && WholeDatabase(BackupFolder)) return MakeFolder(StagingFolder) && GoBack(false);
  return RetireBackups();
}

}  // namespace

void SetInstallFiles(TInstallFiles* F) { Files = F ? F : &SystemFiles; }

TInstallLock::TInstallLock() : FMutex(CreateMutexA(nullptr, FALSE, "VantrelDatabaseInstall")) {
  if (FMutex) {
    const DWORD w = WaitForSingleObject(FMutex.Get(), 0);
    FOwned = w == WAIT_OBJECT_0 || w == WAIT_ABANDONED;
  }
}

TInstallLock::~TInstallLock() {
  if (FOwned) ReleaseMutex(FMutex.Get());
}

bool WholeDatabase(const std::string& Folder) {
  for (const char* f : DatabaseFiles) {
    const DWORD a = Attributes(In(Folder, f));
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
  const std::string failed = "the new database cannot be installed: ";
  if (!SettlePending()) {
    Error = "an earlier installation cannot be finished: " + Cause;
    return TInstallResult::irFailed;
  }
  if (DatabaseInUse()) return TInstallResult::irInUse;
  // On disk before the old database is given up.
  for (const char* f : DatabaseFiles)
    if (!Files->Flush(In(StagingFolder, f))) {
      Failed(In(StagingFolder, f) + " cannot be written");
      Error = failed + Cause;
      Trash(StagingFolder);
      return TInstallResult::irFailed;
    }
  if (!Move(StagingFolder, ReadyFolder)) {
    Error = failed + Cause;
    Trash(StagingFolder);
    return TInstallResult::irFailed;
  }
  if (MoveIn()) {
    Finish();   // what is left over goes at the next start
    return TInstallResult::irInstalled;
  }
  const std::string why = Cause;
  const DWORD e = CauseCode;
  // Back to the state before, the ready folder renamed first so that a
  // crash now goes back too.
  if (!Move(ReadyFolder, StagingFolder)) {
    Error = failed + why + "; it is finished at the next start (" + Cause + ")";
    return TInstallResult::irFailed;
  }
  if (!GoBack(true)) {
    Error = failed + why + "; it is undone at the next start (" + Cause + ")";
    return TInstallResult::irFailed;
  }
  if ((e == ERROR_SHARING_VIOLATION || e == ERROR_LOCK_VIOLATION) && WholeDatabase(StagingFolder))
    return TInstallResult::irInUse;   // opened just now by the main program
  Trash(StagingFolder);
  Error = failed + why;
  return TInstallResult::irFailed;
}

bool RecoverDatabase(std::string& Error) {
  RemoveFolder(TrashFolder);
  if (!SettlePending() || !Trash(StagingFolder)) {
    Error = Cause;
    return false;
  }
  return true;
}

bool RecoverDatabase() {
  std::string e;
  return RecoverDatabase(e);
}

void RemoveFolder(const std::string& Dir) {
  const DWORD a = Attributes(Dir);
  if (a == INVALID_FILE_ATTRIBUTES) return;
  if (a & FILE_ATTRIBUTE_REPARSE_POINT) {
    // The link itself; its target is not ours.
    if (a & FILE_ATTRIBUTE_DIRECTORY) Files->RemoveEmptyFolder(Dir);
    else Files->Delete(Dir);
    return;
  }
  if (!(a & FILE_ATTRIBUTE_DIRECTORY)) {
    Files->Delete(Dir);
    return;
  }
  for (const std::string& e : Entries(Dir)) RemoveFolder(In(Dir, e));
  Files->RemoveEmptyFolder(Dir);
}
