#include "monitor/DatabaseInstall.h"

#include <vector>

#include "classlib/SysUtils.h"

// geoip.dat first: the file the main program keeps open, so that an
// installation it blocks stops before anything has moved.
const char* const DatabaseFiles[3] = {"geoip.dat", "cities.dat", "r.dat"};
const char* const DataFolder = "data";
const char* const JournalFile = "data.journal";

namespace {

const char* const JournalDraft = "data.journal.new";   // the record being written
const char* const JournalTitle = "Vantrel database installation";
const char* const StagingName = "data.new";
const char* const BackupName = "data.old";
constexpr size_t JournalLimit = 16384;

// A file the system would refuse to open for writing while it is read-only.
class TWritable {
 public:
  explicit TWritable(const std::string& Name) : FName(Name), FAttributes(GetFileAttributesA(Name.c_str())) {
    if (ReadOnly()) {
      const DWORD a = FAttributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY);
      SetFileAttributesA(Name.c_str(), a ? a : FILE_ATTRIBUTE_NORMAL);
    }
  }
  ~TWritable() {
    const DWORD e = GetLastError();
    if (ReadOnly()) SetFileAttributesA(FName.c_str(), FAttributes);
    SetLastError(e);
  }
  TWritable(const TWritable&) = delete;
  TWritable& operator=(const TWritable&) = delete;

 private:
  bool ReadOnly() const { return FAttributes != INVALID_FILE_ATTRIBUTES && (FAttributes & FILE_ATTRIBUTE_READONLY); }
  std::string FName;
  DWORD FAttributes;
};

// Closes a handle keeping the error of what was done with it.
bool Closed(TFileHandle& H, bool Done) {
  const DWORD e = GetLastError();
  H.Reset();
  SetLastError(e);
  return Done;
}

}  // namespace

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
  TWritable writable(Name);
  TFileHandle h(CreateFileA(Name.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  return h && Closed(h, FlushFileBuffers(h.Get()) != 0);
}

bool TInstallFiles::Write(const std::string& Name, const std::string& Text) {
  TFileHandle h(CreateFileA(Name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!h) return false;
  DWORD written = 0;
  const bool done = WriteFile(h.Get(), Text.data(), static_cast<DWORD>(Text.size()), &written, nullptr) &&
                    written == Text.size() && FlushFileBuffers(h.Get());
  return Closed(h, done);
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

bool Failed(const std::string& What, DWORD Code) {
  CauseCode = Code;
  Cause = What + ": " + SysErrorMessage(Code);
  return false;
}
bool Failed(const std::string& What) { return Failed(What, GetLastError()); }

bool Move(const std::string& From, const std::string& To, bool Replace = false) {
  return Files->Move(From, To, Replace) || Failed(From + " cannot be moved to " + To);
}

bool Delete(const std::string& Name) {
  return !Exists(Name) || Files->Delete(Name) || Failed(Name + " cannot be deleted");
}

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

// Everything below Dir and Dir itself; a link is removed, never entered.
// False, with the cause, at the first thing that stays.
bool Remove(const std::string& Dir) {
  const DWORD a = Attributes(Dir);
  if (a == INVALID_FILE_ATTRIBUTES) return true;
  if ((a & FILE_ATTRIBUTE_DIRECTORY) && !(a & FILE_ATTRIBUTE_REPARSE_POINT))
    for (const std::string& e : Entries(Dir))
      if (!Remove(In(Dir, e))) return false;
  // A link to a folder goes as a folder where the system lets it (a
  // junction), else as a file (Wine shows a host symbolic link so).
  const bool done = ((a & FILE_ATTRIBUTE_DIRECTORY) && Files->RemoveEmptyFolder(Dir)) ||
                    ((!(a & FILE_ATTRIBUTE_DIRECTORY) || (a & FILE_ATTRIBUTE_REPARSE_POINT)) && Files->Delete(Dir));
  return done || Failed(Dir + " cannot be deleted");
}

// The installation's record.
struct TMove {
  std::string From, To;
};
struct TJournal {
  std::string Phase;     // unpacking, moving, undoing, finishing
  std::string Staging;   // the folder the archive is unpacked into
  std::string Backup;    // the folder the replaced files go to; empty before moving
  std::vector<TMove> Moves;
};

// A folder the installation made: beside data\, named "data." and more.
bool OwnFolderName(const std::string& Name) {
  return Name.size() > 5 && Name.compare(0, 5, "data.") == 0 && Name.find_first_of("\\/:*?\"<>|") == std::string::npos &&
         Name != JournalFile && Name != JournalDraft && Name.find("..") == std::string::npos;
}

bool InFolder(const std::string& Path, const std::string& Folder) {
  return Path.size() > Folder.size() && Path.compare(0, Folder.size(), Folder) == 0 && Path[Folder.size()] == '\\';
}

bool DatabaseFile(const std::string& Path, const std::string& Folder) {
  for (const char* f : DatabaseFiles)
    if (Path == In(Folder, f)) return true;
  return false;
}

// Only moves of a database file into data\ from the unpacked folder, or out
// of data\ into the backup folder, the same file name on both sides.
bool MoveAllowed(const TJournal& J, const TMove& M) {
  const auto name = [](const std::string& Path) { return Path.substr(Path.find('\\') + 1); };
  if (name(M.From) != name(M.To)) return false;
  return (DatabaseFile(M.From, J.Staging) && DatabaseFile(M.To, DataFolder)) ||
         (!J.Backup.empty() && DatabaseFile(M.From, DataFolder) && DatabaseFile(M.To, J.Backup));
}

std::string JournalText(const TJournal& J) {
  std::string t = std::string(JournalTitle) + "\r\nphase=" + J.Phase + "\r\nstaging=" + J.Staging + "\r\n";
  if (!J.Backup.empty()) t += "backup=" + J.Backup + "\r\n";
  for (const TMove& m : J.Moves) t += "move=" + m.From + ">" + m.To + "\r\n";
  return t + "end\r\n";
}

enum class TRecord { rNone, rRead, rBad };

TRecord ReadJournal(TJournal& J) {
  J = TJournal();
  const DWORD a = Attributes(JournalFile);
  if (a == INVALID_FILE_ATTRIBUTES) return TRecord::rNone;
  const auto bad = [](const std::string& Why) {
    Failed(std::string(JournalFile) + " is not a record of an installation (" + Why + ")", ERROR_INVALID_DATA);
    return TRecord::rBad;
  };
  if (a & FILE_ATTRIBUTE_DIRECTORY) return bad("it is a folder");
  std::string text;
  {
    TFileHandle h(CreateFileA(JournalFile, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!h) {
      Failed(std::string(JournalFile) + " cannot be read");
      return TRecord::rBad;
    }
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(h.Get(), buffer, sizeof buffer, &got, nullptr) && got > 0 && text.size() <= JournalLimit)
      text.append(buffer, got);
  }
  if (text.size() > JournalLimit) return bad("too long");
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    const size_t end = text.find("\r\n", at);
    if (end == std::string::npos) return bad("a line is cut short");
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  if (lines.size() < 4 || lines.front() != JournalTitle || lines.back() != "end") return bad("not whole");
  for (size_t i = 1; i + 1 < lines.size(); ++i) {
    const std::string& l = lines[i];
    const size_t eq = l.find('=');
    const std::string key = l.substr(0, eq), value = eq == std::string::npos ? "" : l.substr(eq + 1);
    if (key == "phase" && J.Phase.empty()) J.Phase = value;
    else if (key == "staging" && J.Staging.empty()) J.Staging = value;
    else if (key == "backup" && J.Backup.empty()) J.Backup = value;
    else if (key == "move" && value.find('>') != std::string::npos)
      J.Moves.push_back({value.substr(0, value.find('>')), value.substr(value.find('>') + 1)});
    else return bad("line \"" + l + "\"");
  }
  if (J.Phase != "unpacking" && J.Phase != "moving" && J.Phase != "undoing" && J.Phase != "finishing")
    return bad("phase \"" + J.Phase + "\"");
  if (!OwnFolderName(J.Staging) || (!J.Backup.empty() && (!OwnFolderName(J.Backup) || J.Backup == J.Staging)))
    return bad("folder names");
  for (const TMove& m : J.Moves)
    if (!MoveAllowed(J, m)) return bad("move of " + m.From);
  return TRecord::rRead;
}

// Written whole under another name, then put in place of the last record.
bool SaveJournal(const TJournal& J) {
  return (Files->Write(JournalDraft, JournalText(J)) || Failed(std::string(JournalDraft) + " cannot be written")) &&
         Move(JournalDraft, JournalFile, true);
}

bool DeleteJournal() { return Delete(JournalFile) && Delete(JournalDraft); }

// The first name of Base, Base2, Base3... that nothing has.
std::string FreeName(const std::string& Base) {
  for (int n = 1; n < 100; ++n) {
    const std::string name = n == 1 ? Base : Base + std::to_string(n);
    if (!Exists(name)) return name;
  }
  return std::string();
}

// A move is done when its file has left the unpacked folder or arrived in
// the backup folder: those hold nothing the installation did not put there.
bool Done(const TJournal& J, const TMove& M) { return InFolder(M.From, J.Staging) ? !Exists(M.From) : Exists(M.To); }

// The folders the moves go between are the installation's own, not links
// the user put in their place.
bool OwnFolders(const TJournal& J) {
  for (const std::string& d : {J.Staging, J.Backup})
    if (IsLink(d)) return Failed(d + " is a link, not a folder of the installation", ERROR_INVALID_DATA);
  return true;
}

// The moves, in order, from where they stand; data\ then holds the new
// database whole.
bool Forward(const TJournal& J) {
  if (!OwnFolders(J) || !MakeFolder(DataFolder) || !MakeFolder(J.Backup)) return false;
  for (const TMove& m : J.Moves) {
    if (Done(J, m)) continue;
    if (!InFolder(m.From, J.Staging) && !Exists(m.From)) continue;   // nothing installed there to keep
    if (!Move(m.From, m.To)) return false;
  }
  for (const char* f : DatabaseFiles)
    if (!Exists(In(DataFolder, f))) return Failed(In(DataFolder, f) + " is missing", ERROR_FILE_NOT_FOUND);
  return true;
}

// The moves taken back, last first: each new file returns to the unpacked
// folder before its backup takes its place again.
bool Back(const TJournal& J) {
  if (!OwnFolders(J)) return false;
  for (auto m = J.Moves.rbegin(); m != J.Moves.rend(); ++m) {
    if (!Done(J, *m)) continue;
    if (InFolder(m->From, J.Staging)) {
      if (Exists(m->To) && !Move(m->To, m->From)) return false;
    } else if (!Move(m->To, m->From, true)) {
      return false;
    }
  }
  return true;
}

// The unpacked folder, the backup folder and the record go.
bool Discard(const TJournal& J) { return Remove(J.Staging) && (J.Backup.empty() || Remove(J.Backup)) && DeleteJournal(); }

// The new database is in place: the backups go with their folder.
bool Finish(TJournal J) {
  if (J.Phase != "finishing") {
    J.Phase = "finishing";
    if (!SaveJournal(J)) return false;
  }
  return Discard(J);
}

// The moves are all taken back: from here on nothing is moved again.
bool Undone(TJournal J) {
  J.Phase = "unpacking";
  J.Moves.clear();
  return SaveJournal(J);
}

bool Recover(const TJournal& J) {
  if (J.Phase == "unpacking") return Discard(J);
  if (J.Phase == "moving") return Forward(J) && Finish(J);
  if (J.Phase == "undoing") return Back(J) && Undone(J) && Discard(J);
  return Finish(J);
}

}  // namespace

void SetInstallFiles(TInstallFiles* F) { Files = F ? F : &SystemFiles; }

TInstallLock::TInstallLock(DWORD WaitMs) : FMutex(CreateMutexA(nullptr, FALSE, "VantrelDatabaseInstall")) {
  if (FMutex) {
    const DWORD w = WaitForSingleObject(FMutex.Get(), WaitMs);
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
    // Shared with nobody: any other open of the file refuses it.
    HANDLE h = CreateFileA(In(DataFolder, f).c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    else if (GetLastError() == ERROR_SHARING_VIOLATION) return true;
  }
  return false;
}

std::string BeginInstall(std::string& Error) {
  if (!RecoverDatabase(Error)) {
    Error = "an earlier installation cannot be finished: " + Error;
    return std::string();
  }
  TJournal j;
  j.Phase = "unpacking";
  j.Staging = FreeName(StagingName);
  if (j.Staging.empty()) {
    Error = std::string("every name from ") + StagingName + " to " + StagingName + "99 is taken";
    return std::string();
  }
  // The folder is made after the record that names it, and made new: one
  // that appeared meanwhile is not ours, and only the record goes.
  if (!SaveJournal(j) || !(Files->MakeFolder(j.Staging) || Failed(j.Staging + " cannot be made"))) {
    Error = "the new database cannot be unpacked: " + Cause;
    DeleteJournal();
    return std::string();
  }
  return j.Staging;
}

TInstallResult InstallDatabase(std::string& Error) {
  const std::string failed = "the new database cannot be installed: ";
  TJournal j;
  const TRecord record = ReadJournal(j);
  if (record != TRecord::rRead || j.Phase != "unpacking") {
    Error = failed + (record == TRecord::rBad ? Cause : "no unpacked database is recorded");
    return TInstallResult::irFailed;
  }
  if (!WholeDatabase(j.Staging)) {
    Error = failed + "a database file is missing from " + j.Staging;
    return TInstallResult::irFailed;
  }
  if (DatabaseInUse()) return TInstallResult::irInUse;
  // On disk before the old database is given up.
  for (const char* f : DatabaseFiles)
    if (!Files->Flush(In(j.Staging, f))) {
      Failed(In(j.Staging, f) + " cannot be written");
      Error = failed + Cause;
      return TInstallResult::irFailed;
    }
  // A backup folder an undone attempt left is reused; it holds nothing.
  if (j.Backup.empty() || !DirectoryExists(j.Backup) || IsLink(j.Backup)) j.Backup = FreeName(BackupName);
  if (j.Backup.empty()) {
    Error = failed + "every name from " + BackupName + " to " + BackupName + "99 is taken";
    return TInstallResult::irFailed;
  }
  j.Phase = "moving";
  for (const char* f : DatabaseFiles)
    if (Exists(In(DataFolder, f))) j.Moves.push_back({In(DataFolder, f), In(j.Backup, f)});
  for (const char* f : DatabaseFiles) j.Moves.push_back({In(j.Staging, f), In(DataFolder, f)});
  if (!SaveJournal(j)) {
    Error = failed + Cause;
    return TInstallResult::irFailed;
  }
  if (Forward(j)) {
    Finish(j);   // what is left over goes at the next start
    return TInstallResult::irInstalled;
  }
  const std::string why = Cause;
  const DWORD code = CauseCode;
  j.Phase = "undoing";
  if (!SaveJournal(j)) {
    Error = failed + why + "; it is finished at the next start (" + Cause + ")";
    return TInstallResult::irPending;
  }
  if (!Back(j) || !Undone(j)) {
    Error = failed + why + "; it is undone at the next start (" + Cause + ")";
    return TInstallResult::irPending;
  }
  Remove(j.Backup);   // empty; the record still names it
  if ((code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION) && WholeDatabase(j.Staging))
    return TInstallResult::irInUse;   // opened just now by the main program
  Error = failed + why;
  return TInstallResult::irFailed;
}

void AbandonInstall() {
  TJournal j;
  if (ReadJournal(j) == TRecord::rRead && j.Phase == "unpacking") Discard(j);
}

bool RecoverDatabase(std::string& Error) {
  TJournal j;
  switch (ReadJournal(j)) {
    case TRecord::rNone:
      Delete(JournalDraft);   // a record whose writing was cut short
      return true;
    case TRecord::rBad:
      Error = Cause;
      return false;
    case TRecord::rRead:
      break;
  }
  if (Recover(j)) return true;
  Error = Cause;
  return false;
}

bool RecoverDatabase() {
  std::string e;
  return RecoverDatabase(e);
}

bool DatabaseSettled() {
  TJournal j;
  return ReadJournal(j) != TRecord::rRead || (j.Phase != "moving" && j.Phase != "undoing");
}

void RemoveFolder(const std::string& Dir) { Remove(Dir); }
