// Putting a new database into data\ so that a whole one is always there.
//
// The archive is unpacked into data.new. Its three database files are
// flushed to disk, then data.new is renamed data.ready: from then on the new
// database is whole and its installation goes forward. data.old is made
// first (it marks that files have begun to move), the installed files move
// into it, the new ones from data.ready into data\, and only when all three
// are in place are the backups and data.ready removed. Nothing else of the
// data folder is touched (the earth texture, the user's files).
//
// When the installation cannot go on (a file in use), data.ready is renamed
// data.new and the installation is undone: each new file goes back into
// data.new before its backup takes its place again.
//
// A folder is never deleted under its own name: it is renamed data.del
// first, so that a delete cut short leaves nothing the journal would read.
//
// A crash leaves its state in the folders, and RecoverDatabase, run when
// either program starts, takes it up:
//   data.ready with data.old, every new file in data.ready or data\: forward;
//   data.ready otherwise: never begun, or a leftover (it goes);
//   data.new with data.old: being undone, back;
//   data.old alone: an earlier wizard replaced data\ whole and kept the old
//     folder; its database goes back only when whole and data\ has none;
//   data.new alone: an unpacking that never finished (it goes).
// Whatever else data.old holds goes home to data\; where data\ has a file of
// the same name, the one from data.old is kept beside it as "<name>.old"
// (or ".old2", ".old3"...).
#pragma once
#include <windows.h>

#include <string>

#include "classlib/WinHandles.h"

extern const char* const DatabaseFiles[3];   // geoip.dat, cities.dat, r.dat
extern const char* const DataFolder;         // data
extern const char* const StagingFolder;      // data.new: being unpacked, or being undone
extern const char* const ReadyFolder;        // data.ready: whole, being installed
extern const char* const BackupFolder;       // data.old: the replaced files
extern const char* const TrashFolder;        // data.del: being deleted

enum class TInstallResult { irInstalled, irInUse, irFailed };

// The file operations of an installation, one call each. Tests put their
// own in place to stop an installation at any of them.
class TInstallFiles {
 public:
  virtual ~TInstallFiles() = default;
  virtual bool Move(const std::string& From, const std::string& To, bool Replace);
  virtual bool Delete(const std::string& Name);
  virtual bool MakeFolder(const std::string& Name);
  virtual bool RemoveEmptyFolder(const std::string& Name);
  virtual bool Flush(const std::string& Name);
};

// The operations in use; nullptr puts the system's back.
void SetInstallFiles(TInstallFiles* Files);

// Held by the program that installs or recovers: the wizard for as long as
// it runs, the main program while it recovers at start-up.
class TInstallLock {
 public:
  TInstallLock();
  ~TInstallLock();
  TInstallLock(const TInstallLock&) = delete;
  TInstallLock& operator=(const TInstallLock&) = delete;
  bool Owned() const { return FOwned; }

 private:
  THandle FMutex;
  bool FOwned = false;
};

// True when Folder holds the three database files.
bool WholeDatabase(const std::string& Folder);

// True when another process has a database file of data\ open (the main
// program keeps geoip.dat open while it runs).
bool DatabaseInUse();

// Installs the database unpacked into StagingFolder (which must be whole).
// irInUse: a database file is open elsewhere, nothing was changed and the
// staging folder is kept. irFailed (Error says why): the installed database
// is as it was, or, when even that could not be done, the installation is
// left pending for the next start.
TInstallResult InstallDatabase(std::string& Error);

// Finishes or undoes an installation that a crash cut short, and removes an
// unpacking that never finished. False when one is still pending (Error then
// says why).
bool RecoverDatabase(std::string& Error);
bool RecoverDatabase();

// Deletes a folder and everything below it. A link (a junction, a directory
// or file link), the folder itself or one inside, is removed itself; what it
// points to is never entered.
void RemoveFolder(const std::string& Dir);
