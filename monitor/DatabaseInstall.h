// Putting a new database into data\ so that a whole one is always there.
//
// An installation keeps a record of its own beside data\, data.journal:
// the phase it is in, the folders it made and every move of a database
// file, each from where to where. The record is written to a temporary
// name, flushed and renamed into place, so it is always whole. Recovery,
// run under the install lock when either program starts, reads the record
// and nothing else: a folder the record does not name is the user's and is
// never touched, and with no record there is nothing to recover.
//
// The phases:
//   unpacking  the archive goes into a new folder (data.new, or data.new2...
//              when the user has a folder of that name); recovery removes it
//   moving     the new files are flushed and whole; the installed files move
//              into a new backup folder (data.old...), the new ones into
//              data\; recovery carries the moves on
//   undoing    a move could not be made: the moves are taken back; recovery
//              carries that on
//   finishing  data\ is whole: the backups and the unpacked folder go
// A move is done when the file has left the installation's own folder, or
// has arrived in it: the folders the installation made hold nothing else.
// Nothing else of data\ is ever touched (the earth texture, the user's
// files), and the installed database is replaced by a whole new one only.
#pragma once
#include <windows.h>

#include <string>

#include "classlib/WinHandles.h"

extern const char* const DatabaseFiles[3];   // geoip.dat, cities.dat, r.dat
extern const char* const DataFolder;         // data
extern const char* const JournalFile;        // data.journal

enum class TInstallResult {
  irInstalled,
  irInUse,     // a database file is open elsewhere: nothing changed, the unpacked files are kept
  irFailed,    // the installed database is as it was (Error says why)
  irPending    // a move failed and so did taking it back: the next start finishes or undoes it
};

// The file operations of an installation, one call each. Tests put their
// own in place to stop an installation at any of them, or to fail one.
class TInstallFiles {
 public:
  virtual ~TInstallFiles() = default;
  virtual bool Move(const std::string& From, const std::string& To, bool Replace);
  virtual bool Delete(const std::string& Name);
  virtual bool MakeFolder(const std::string& Name);
  virtual bool RemoveEmptyFolder(const std::string& Name);
  // Puts a file's data on disk; a read-only file stays read-only.
  virtual bool Flush(const std::string& Name);
  // Writes a new file (replacing one of that name) and flushes it.
  virtual bool Write(const std::string& Name, const std::string& Text);
};

// The operations in use; nullptr puts the system's back.
void SetInstallFiles(TInstallFiles* Files);

// One program at a time installs or recovers a database, or opens one:
// held by the wizard while it recovers or installs, by the main program
// while it recovers and opens the database files.
class TInstallLock {
 public:
  explicit TInstallLock(DWORD WaitMs = 0);
  ~TInstallLock();
  TInstallLock(const TInstallLock&) = delete;
  TInstallLock& operator=(const TInstallLock&) = delete;
  bool Owned() const { return FOwned; }

 private:
  THandle FMutex;
  bool FOwned = false;
};

// How long a program waits for the lock before it tells the user: longer
// than the wizard takes to unpack and install a database.
constexpr DWORD InstallLockWaitMs = 20000;

// True when Folder holds the three database files.
bool WholeDatabase(const std::string& Folder);

// True when another process has a database file of data\ open (the main
// program keeps geoip.dat open while it runs).
bool DatabaseInUse();

// Begins an installation, finishing or undoing an earlier one first: the
// record names a new folder beside data\, which this makes and returns for
// the archive to be unpacked into. Empty when none can begin (Error says
// why; nothing was changed).
std::string BeginInstall(std::string& Error);

// Installs the database unpacked into the folder BeginInstall made, which
// must be whole. irInUse leaves it for another try or for AbandonInstall.
TInstallResult InstallDatabase(std::string& Error);

// Gives up an installation whose files have not begun to move: its folders
// and record go. An installation with files moving is left to recovery.
void AbandonInstall();

// Finishes or undoes the installation the record names, if any. False
// when it is still pending (Error then says why).
bool RecoverDatabase(std::string& Error);
bool RecoverDatabase();

// False while an installation is recorded with database files moving, in
// either direction: data\ then holds neither database whole.
bool DatabaseSettled();

// Deletes a folder and everything below it. A link (a junction, a directory
// or file link), the folder itself or one inside, is removed itself; what it
// points to is never entered.
void RemoveFolder(const std::string& Dir);
