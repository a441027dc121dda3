// Putting a new database into data\ so that a whole one is always there.
//
// The archive is unpacked into data.new. Once it holds the three database
// files, data.new is renamed data.ready: from then on the new database is
// whole and its installation goes forward. The installed files move into
// data.old (the backups), the new ones from data.ready into data\, and only
// when all three are in place are the backups and data.ready removed.
// Nothing else in data\ is touched (the earth texture, the user's files).
//
// A crash leaves its state in the folders, and RecoverDatabase, run when the
// wizard starts, takes it up: data.ready goes forward; backups without it go
// back. An earlier wizard replaced data\ whole and kept the old folder as
// data.old: that one goes back the same way, and what else it holds moves
// home to data\ unless data\ has it.
#pragma once
#include <string>

extern const char* const DatabaseFiles[3];   // geoip.dat, cities.dat, r.dat
extern const char* const DataFolder;         // data
extern const char* const StagingFolder;      // data.new: being unpacked
extern const char* const ReadyFolder;        // data.ready: whole, being installed
extern const char* const BackupFolder;       // data.old: the replaced files

enum class TInstallResult { irInstalled, irInUse, irFailed };

// True when Folder holds the three database files.
bool WholeDatabase(const std::string& Folder);

// True when another process has a database file of data\ open (the main
// program keeps geoip.dat open while it runs).
bool DatabaseInUse();

// Installs the database unpacked into StagingFolder (which must be whole).
// irInUse: a database file is open elsewhere, nothing was changed and the
// staging folder is kept. irFailed (Error says why): the installed database
// is as it was and the staging folder is gone.
TInstallResult InstallDatabase(std::string& Error);

// Finishes or undoes an installation that a crash cut short, and removes an
// unpacking that never finished. False when one is still pending (a file in
// use): nothing was deleted then.
bool RecoverDatabase();

// Deletes a folder and everything below it. A link inside (a junction, a
// directory or file link) is removed itself; what it points to is never
// entered.
void RemoveFolder(const std::string& Dir);
