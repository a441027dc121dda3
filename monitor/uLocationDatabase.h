// The geolocation database of the data folder and the address lookup:
//   geoip.dat   sorted 12-byte LocationRecord entries, no header
//   cities.dat  LocationLine text: country code, place, ";" lat*100 ";" lon*100
//   r.dat       first line: the number of records in geoip.dat
// The main window owns one, loads it at its creation and forwards iplocate.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/TypedFile.h"

struct LocationRecord {
  uint32_t StartIP;         // host-order value of the first address
  uint32_t EndIP;           // last address, inclusive
  uint32_t LocationIndex;   // 1-based line of cities.dat
};
static_assert(sizeof(LocationRecord) == 12, "geoip.dat records are 12 bytes");

// The database files are unusable (r.dat holds no record count).
CLASSLIB_EXCEPTION(ELocationDatabaseError, Exception);

// The answer for an address the database does not hold (the north pole).
inline const char* const LocationNotFound = "--IP not in database;9000;0";

// A location line taken apart by its separators: the country is its first
// two characters, the place the text from the third character up to the
// first ";" (none without a ";"), the key all after the first ";", and the
// latitude and longitude codes (hundredths of a degree) the numbers after
// the first and the second ";". Without both numbers, blanks around them
// allowed, the line has no coordinates.
struct TLocationParts {
  std::string Country, Place, Key;
  bool HasCoordinates = false;
  double LatitudeCode = 0, LongitudeCode = 0;
};
TLocationParts SplitLocationLine(const std::string& Line);

class TLocationDatabase {
public:
  TStringList DatabaseInfo;   // lines of r.dat
  TStringList Cities;         // lines of cities.dat
  TTypedFile<LocationRecord> LocationFile;   // geoip.dat, open until freed

  TLocationDatabase() = default;
  ~TLocationDatabase() { UnmapRecords(); }
  TLocationDatabase(const TLocationDatabase&) = delete;
  TLocationDatabase& operator=(const TLocationDatabase&) = delete;

  // Loads Folder\r.dat, opens Folder\geoip.dat and loads Folder\cities.dat
  // when it exists, in that order. A missing r.dat raises EFOpenError, a
  // geoip.dat that cannot be opened EInOutError, an r.dat without a record
  // count ELocationDatabaseError, each naming its file; lookups then answer
  // LocationNotFound. Files that load but do not fit together are kept and
  // searched as they are; Damage tells what is wrong with them.
  void Load(const std::string& Folder = "data");

  // What the last Load found wrong in files it could use, one line per
  // fault, each starting with the file's name; empty for a sound database.
  std::vector<std::string> Damage;

  // Lets go of geoip.dat; lookups answer LocationNotFound until the next Load.
  void Close();

  // Result := the location line of the dotted address IP, LocationNotFound,
  // or "Loc" when the line is empty and PlotIndex is 0.
  void iplocate(const std::string& IP, std::string& Result, int PlotIndex);

  // Records the lookup searches: the count of r.dat, limited to the whole
  // records geoip.dat holds; 0 when the database is not usable.
  int64_t RecordCount() const { return FRecordCount; }
  int LastLookupReads = 0;   // records read by the last lookup (at most 25)

  // ntohl(inet_addr(IP)), or 0 when IP is not a dotted address.
  static uint32_t AddressKey(const std::string& IP);
  // Round((Lo + Hi) / 2) of the quotient held as a single-precision float,
  // halves to even.
  static int64_t MidPoint(int64_t Lo, int64_t Hi);

  static constexpr int MaxReads = 25;

private:
  void CheckRecords(const std::string& Dir, int64_t Counted);
  void CheckCities(const std::string& Dir);
  uint32_t HighestLocationIndex();
  void MapRecords();
  void UnmapRecords();
  int64_t FRecordCount = 0;
  // A read-only view of the open record file: a record is read from it
  // rather than by a seek and a read of the file.
  THandle FMapping;
  const uint8_t* FView = nullptr;
};
