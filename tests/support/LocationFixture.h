// Writes a small geolocation database (r.dat, geoip.dat, cities.dat) from
// CSV lines "start,end,country,place,lat,lon" (dotted addresses, degrees).
// Rows sharing country, place and position share one city line, numbered in
// order of first use; a row whose last four fields are empty points at an
// empty city line. Gaps are the addresses no row covers.
#pragma once
#include <string>

struct TLocationFixtureOptions {
  std::string RecordCount = "*";  // first line of r.dat; "*": the number of rows
  bool WriteRDat = true;
  bool WriteGeoIP = true;
  bool WriteCities = true;
  int DropRecords = 0;      // rows left out of the end of geoip.dat (r.dat still counts them)
  int TrailingBytes = 0;    // bytes of a torn record after the last one
  int CityLines = -1;       // city lines written; -1: all of them
};

void WriteLocationFixture(const std::string& Folder, const std::string& Csv,
                          const TLocationFixtureOptions& Options = {});

// Host-order value of a dotted address (the fixture's own parser).
unsigned DottedToHost(const std::string& Dotted);

// The home location the tests give the programs: an address of London and
// its file, myloc.txt (address, "country, place", longitude and latitude
// in degrees and minutes, two empty lines).
constexpr const char* HomeAddress = "81.2.69.160";
constexpr const char* HomeFileText = "81.2.69.160\r\nGB, London\r\n-012\r\n5150\r\n\r\n\r\n";
