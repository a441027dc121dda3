// The address lookup over small databases written by the fixture helper.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "LocationFixture.h"
#include "TestPaths.h"
#include "monitor/uLocationDatabase.h"

namespace {

std::string Dotted(uint32_t Host) {
  return std::to_string(Host >> 24) + "." + std::to_string(Host >> 16 & 255) + "." +
         std::to_string(Host >> 8 & 255) + "." + std::to_string(Host & 255);
}

// Three ranges with gaps between and around them.
const char* const ThreeRanges =
    "10.0.0.0,10.0.0.255,FR,Paris,48.85,2.35\n"
    "10.0.2.0,10.0.2.9,JP,Tokyo,35.68,139.69\n"
    "200.1.1.1,200.1.1.1,BR,Rio de Janeiro,-22.9,-43.2\n";

class Lookup : public testing::Test {
protected:
  // An empty data folder; the database lets go of its files first.
  std::string Fresh() {
    Db.Close();
    return TempFolder("data");
  }
  std::string Open(const std::string& Csv, const TLocationFixtureOptions& Options = {}) {
    std::string dir = Fresh();
    WriteLocationFixture(dir, Csv, Options);
    Db.Load(dir);
    return dir;
  }
  std::string Locate(const std::string& IP, int PlotIndex = 1) {
    std::string r = "unchanged";
    Db.iplocate(IP, r, PlotIndex);
    return r;
  }
  TLocationDatabase Db;
};

TEST_F(Lookup, BoundsAreInclusiveAndGapsAndOutsideAreNotFound) {
  Open(ThreeRanges);
  EXPECT_EQ(Db.RecordCount(), 3);
  EXPECT_EQ(Db.Cities.Count(), 3);
  EXPECT_EQ(Locate("10.0.0.0"), "FRParis;4885;235");
  EXPECT_EQ(Locate("10.0.0.255"), "FRParis;4885;235");
  EXPECT_EQ(Locate("10.0.0.77"), "FRParis;4885;235");
  EXPECT_EQ(Locate("10.0.2.0"), "JPTokyo;3568;13969");
  EXPECT_EQ(Locate("10.0.2.9"), "JPTokyo;3568;13969");
  EXPECT_EQ(Locate("200.1.1.1"), "BRRio de Janeiro;-2290;-4320");
  for (const char* gap : {"10.0.1.0", "10.0.1.255", "10.0.2.10", "200.1.1.0"})
    EXPECT_EQ(Locate(gap), "--IP not in database;9000;0") << gap;
  for (const char* outside : {"9.255.255.255", "1.2.3.4", "200.1.1.2", "255.255.255.254"})
    EXPECT_EQ(Locate(outside), "--IP not in database;9000;0") << outside;
  EXPECT_LE(Db.LastLookupReads, 25);
}

TEST_F(Lookup, TextThatIsNotAnAddressLooksUpKeyZero) {
  EXPECT_EQ(TLocationDatabase::AddressKey("0.0.0.0"), 0u);
  EXPECT_EQ(TLocationDatabase::AddressKey("not an address"), 0u);
  EXPECT_EQ(TLocationDatabase::AddressKey(""), 0u);
  EXPECT_EQ(TLocationDatabase::AddressKey("255.255.255.255"), 0u);
  EXPECT_EQ(TLocationDatabase::AddressKey("1.2.3.400"), 0u);
  EXPECT_EQ(TLocationDatabase::AddressKey("192.168.1.2"), 0xC0A80102u);
  EXPECT_EQ(TLocationDatabase::AddressKey("255.255.255.254"), 0xFFFFFFFEu);

  Open("0.0.0.0,0.255.255.255,ZZ,Zero,0,0\n" + std::string(ThreeRanges));
  for (const char* text : {"0.0.0.0", "x", "", "255.255.255.255", "10.0.0.300"})
    EXPECT_EQ(Locate(text), "ZZZero;0;0") << text;
  EXPECT_EQ(Locate("0.0.0.1"), "ZZZero;0;0");
  EXPECT_EQ(Locate("10.0.0.1"), "FRParis;4885;235");
}

TEST_F(Lookup, MidpointIsTheSinglePrecisionQuotientRoundedHalfToEven) {
  EXPECT_EQ(TLocationDatabase::MidPoint(0, 5), 2);   // Round(2.5)
  EXPECT_EQ(TLocationDatabase::MidPoint(3, 4), 4);   // Round(3.5)
  EXPECT_EQ(TLocationDatabase::MidPoint(0, 1), 0);
  EXPECT_EQ(TLocationDatabase::MidPoint(1, 2), 2);
  EXPECT_EQ(TLocationDatabase::MidPoint(4, 6), 5);
  // Beyond 2^24 the sum is first held as a float: 16777217 becomes 16777216.
  EXPECT_EQ(TLocationDatabase::MidPoint(16777216, 1), 8388608);
  EXPECT_EQ(TLocationDatabase::MidPoint(16777216, 3), 8388610);
  EXPECT_EQ(TLocationDatabase::MidPoint(33554431, 33554432), 33554432);

  // Above the last of 3 records: Lo 1 -> Mid Round(2.5) = 2 -> Lo 2 -> Mid
  // Round(2.5) = 2 again: the search spins on record 2 until 25 reads.
  Open(ThreeRanges);
  EXPECT_EQ(Locate("220.0.0.1"), "--IP not in database;9000;0");
  EXPECT_EQ(Db.LastLookupReads, 25);
  // With 4 records the midpoint reaches Round(3.5) = 4 = N, past the last
  // record: not found without reading it.
  Open(std::string(ThreeRanges) + "210.0.0.0,210.0.0.255,US,Chicago,41.85,-87.65\n");
  EXPECT_EQ(Locate("220.0.0.1"), "--IP not in database;9000;0");
  EXPECT_EQ(Db.LastLookupReads, 2);
  EXPECT_EQ(Locate("210.0.0.9"), "USChicago;4185;-8765");
}

TEST_F(Lookup, OneRecordIsReadRepeatedly) {
  Open("50.0.0.0,50.0.0.255,DE,Berlin,52.52,13.4\n");
  EXPECT_EQ(Locate("50.0.0.128"), "DEBerlin;5252;1340");
  EXPECT_EQ(Db.LastLookupReads, 1);
  EXPECT_EQ(Locate("49.255.255.255"), "--IP not in database;9000;0");
  EXPECT_EQ(Db.LastLookupReads, 25);
  EXPECT_EQ(Locate("50.0.1.0"), "--IP not in database;9000;0");
  EXPECT_EQ(Db.LastLookupReads, 25);
}

TEST_F(Lookup, EmptyCityLineAnswersEmptyOrLocForTheFirstPlotIndex) {
  Open("1.0.0.0,1.0.0.255,,,,\n"
       "2.0.0.0,2.0.0.255,AU,Sydney,-33.87,151.21\n");
  ASSERT_EQ(Db.Cities.Count(), 2);
  EXPECT_EQ(Db.Cities[0], "");
  EXPECT_TRUE(Db.Damage.empty());   // an empty line is a place without a position
  EXPECT_EQ(Locate("1.0.0.1", 1), "");
  EXPECT_EQ(Locate("1.0.0.1", 7), "");
  EXPECT_EQ(Locate("1.0.0.1", 0), "Loc");
  EXPECT_EQ(Locate("2.0.0.1", 0), "AUSydney;-3387;15121");
  EXPECT_EQ(Locate("3.0.0.1", 0), "--IP not in database;9000;0");
}

TEST_F(Lookup, AgreesWithALinearScanOverManyRangesWithinTwentyFiveReads) {
  std::mt19937 rng(20240607);
  std::string csv;
  std::vector<uint32_t> starts, ends, index;
  uint32_t at = 1000;
  for (int i = 0; i < 3000; ++i) {
    at += rng() % 50000;                      // a gap (possibly empty)
    uint32_t len = rng() % 1000000;
    starts.push_back(at);
    ends.push_back(at + len);
    index.push_back(static_cast<uint32_t>(i % 40));
    csv += Dotted(at) + "," + Dotted(at + len) + ",C" + std::to_string(i % 40 % 10) + ",P" +
           std::to_string(i % 40) + "," + std::to_string(i % 40) + ",1\n";
    at += len + 1;
  }
  Open(csv);
  ASSERT_EQ(Db.RecordCount(), 3000);
  ASSERT_EQ(Db.Cities.Count(), 40);
  int found = 0;
  for (int probe = 0; probe < 20000; ++probe) {
    uint32_t key = probe % 2 ? rng() % (at + 5000) : starts[rng() % 3000] + (rng() % 3) - 1;
    std::string expected = "--IP not in database;9000;0";
    for (size_t i = 0; i < starts.size(); ++i)
    if (key >= starts[i] && key <= ends[i]) {
      expected = Db.Cities[static_cast<int>(index[i])];
      ++found;
      break;
    }
    ASSERT_EQ(Locate(Dotted(key)), expected) << Dotted(key);
    ASSERT_LE(Db.LastLookupReads, 25);
  }
  EXPECT_GT(found, 8000);
}

TEST_F(Lookup, LargeDatabaseAnswersLikeADirectComputation) {
  // 300,000 ranges of 1000 addresses with 500-address gaps: searches take
  // about 19 reads.
  const uint32_t n = 300000;
  std::string dir = Fresh();
  std::string records(size_t(n) * 12, '\0');
  for (uint32_t i = 0; i < n; ++i) {
    const uint32_t rec[3] = {i * 1500, i * 1500 + 999, i % 5 + 1};
    std::memcpy(&records[size_t(i) * 12], rec, 12);
  }
  WriteTextFile(dir + "\\geoip.dat", records);
  WriteTextFile(dir + "\\r.dat", std::to_string(n) + "\r\n");
  WriteTextFile(dir + "\\cities.dat", "A0;0;0\r\nA1;0;0\r\nA2;0;0\r\nA3;0;0\r\nA4;0;0\r\n");
  Db.Load(dir);
  ASSERT_EQ(Db.RecordCount(), n);
  std::mt19937 rng(7);
  int deep = 0;
  for (int probe = 0; probe < 20000; ++probe) {
    uint32_t key = rng() % (n * 1500 + 3000);
    uint32_t i = key / 1500;
    std::string expected = i < n && key % 1500 < 1000 ? "A" + std::to_string(i % 5) + ";0;0"
                                                       : "--IP not in database;9000;0";
    ASSERT_EQ(Locate(Dotted(key)), expected) << Dotted(key);
    ASSERT_LE(Db.LastLookupReads, 25);
    deep += Db.LastLookupReads > 16;
  }
  EXPECT_GT(deep, 10000);
}

TEST_F(Lookup, RecordCountBeyondTheFileOrATornRecordIsNeverRead) {
  TLocationFixtureOptions o;
  o.RecordCount = "100";
  Open(ThreeRanges, o);
  EXPECT_EQ(Db.RecordCount(), 3);
  EXPECT_EQ(Locate("200.1.1.1"), "BRRio de Janeiro;-2290;-4320");
  EXPECT_EQ(Locate("10.0.0.5"), "FRParis;4885;235");
  EXPECT_EQ(Locate("250.0.0.0"), "--IP not in database;9000;0");

  o = {};
  o.DropRecords = 1;     // r.dat says 3, the file holds 2 and a torn third
  o.TrailingBytes = 7;
  Open(ThreeRanges, o);
  EXPECT_EQ(Db.RecordCount(), 2);
  EXPECT_EQ(Locate("10.0.2.3"), "JPTokyo;3568;13969");
  EXPECT_EQ(Locate("200.1.1.1"), "--IP not in database;9000;0");

  o = {};
  o.RecordCount = "2";   // fewer than the file holds: the rest is not searched
  Open(ThreeRanges, o);
  EXPECT_EQ(Locate("10.0.2.3"), "JPTokyo;3568;13969");
  EXPECT_EQ(Locate("200.1.1.1"), "--IP not in database;9000;0");

  o = {};
  o.RecordCount = "0";
  Open(ThreeRanges, o);
  EXPECT_EQ(Locate("10.0.0.5", 0), "--IP not in database;9000;0");
  EXPECT_EQ(Db.LastLookupReads, 0);
}

TEST_F(Lookup, LocationIndexPastTheCitiesOrWithoutCitiesFileAnswersEmpty) {
  TLocationFixtureOptions o;
  o.CityLines = 2;   // the third range points past the end of cities.dat
  std::string dir = Open(ThreeRanges, o);
  EXPECT_EQ(Db.Damage, std::vector<std::string>{dir + "\\cities.dat: ends at line 2; " + dir +
                                                "\\geoip.dat points at lines up to 3"});
  EXPECT_EQ(Locate("10.0.2.3"), "JPTokyo;3568;13969");
  EXPECT_EQ(Locate("200.1.1.1"), "");
  EXPECT_EQ(Locate("200.1.1.1", 0), "Loc");

  o = {};
  o.WriteCities = false;
  dir = Open(ThreeRanges, o);
  EXPECT_EQ(Db.Damage, std::vector<std::string>{dir + "\\cities.dat: File not found; " + dir +
                                                "\\geoip.dat points at lines up to 3"});
  EXPECT_EQ(Db.Cities.Count(), 0);
  EXPECT_EQ(Locate("10.0.0.1"), "");
  EXPECT_EQ(Locate("10.0.0.1", 0), "Loc");
  EXPECT_EQ(Locate("10.0.1.1"), "--IP not in database;9000;0");

  // LocationIndex 0 in a hand-made record
  dir = Fresh();
  WriteLocationFixture(dir, ThreeRanges);
  const uint32_t zero[3] = {0x0A000000, 0x0A0000FF, 0};
  WriteTextFile(dir + "\\geoip.dat", std::string(reinterpret_cast<const char*>(zero), 12) +
                                         ReadTextFile(dir + "\\geoip.dat").substr(12));
  Db.Load(dir);
  EXPECT_EQ(Locate("10.0.0.1"), "");
  EXPECT_EQ(Locate("10.0.2.1"), "JPTokyo;3568;13969");
}

TEST_F(Lookup, MissingOrUnreadableFilesGiveAClearErrorAndNotFound) {
  std::string dir = Fresh();
  TLocationFixtureOptions o;
  o.WriteRDat = false;
  WriteLocationFixture(dir, ThreeRanges, o);
  EXPECT_THROW(Db.Load(dir), EFOpenError);
  EXPECT_EQ(Locate("10.0.0.1", 0), "--IP not in database;9000;0");

  for (const char* bad : {"abc", "", "-5", "12x"}) {
    o = {};
    o.RecordCount = bad;
    WriteLocationFixture(dir, ThreeRanges, o);
    try {
      Db.Load(dir);
      ADD_FAILURE() << "loaded an r.dat of \"" << bad << "\"";
    } catch (const ELocationDatabaseError& e) {
      EXPECT_NE(e.Message.find("r.dat holds no record count"), std::string::npos) << e.Message;
    }
    EXPECT_EQ(Db.RecordCount(), 0);
    EXPECT_EQ(Locate("10.0.0.1", 0), "--IP not in database;9000;0");
  }
  WriteTextFile(dir + "\\r.dat", "");
  EXPECT_THROW(Db.Load(dir), ELocationDatabaseError);

  // geoip.dat missing: an input/output error at load, then not found.
  dir = Fresh();
  o = {};
  o.WriteGeoIP = false;
  WriteLocationFixture(dir, ThreeRanges, o);
  EXPECT_THROW(Db.Load(dir), EInOutError);
  EXPECT_EQ(Db.DatabaseInfo[0], "3");
  EXPECT_EQ(Locate("10.0.0.1"), "--IP not in database;9000;0");

  // The extra lines of r.dat are kept but not read.
  dir = Fresh();
  o = {};
  o.RecordCount = "3\r\n20240101";
  WriteLocationFixture(dir, ThreeRanges, o);
  Db.Load(dir);
  EXPECT_EQ(Db.DatabaseInfo.Count(), 2);
  EXPECT_EQ(Locate("10.0.0.1"), "FRParis;4885;235");
}

TEST_F(Lookup, RecordFileThatCannotBeWrittenIsOpenedForReading) {
  std::string dir = Fresh();
  WriteLocationFixture(dir, ThreeRanges);
  const std::string geoip = dir + "\\geoip.dat";
  // Another program holds the file and shares it for reading only.
  HANDLE reader = CreateFileA(geoip.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              0, nullptr);
  ASSERT_NE(reader, INVALID_HANDLE_VALUE);
  EXPECT_NO_THROW(Db.Load(dir));
  EXPECT_TRUE(Db.LocationFile.IsOpen());
  EXPECT_EQ(Locate("10.0.2.3"), "JPTokyo;3568;13969");
  EXPECT_EQ(Locate("200.1.1.1"), "BRRio de Janeiro;-2290;-4320");
  LocationRecord r{};
  EXPECT_THROW(Db.LocationFile.Write(r), EInOutError);   // and never written
  Db.Close();
  CloseHandle(reader);

  // Otherwise it is open for reading and writing, as a typed file opens.
  Db.Load(dir);
  reader = CreateFileA(geoip.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                       nullptr);
  EXPECT_EQ(reader, INVALID_HANDLE_VALUE);   // a writer holds it
  if (reader != INVALID_HANDLE_VALUE) CloseHandle(reader);
}

}  // namespace

// Every reader of a location line (the table, the globe, the route, the
// export) takes it apart alike, the edge lines included.
TEST(LocationLine, EdgeLinesSplitByTheirSeparators) {
  struct TCase {
    const char *Line, *Country, *Place, *Key;
    bool Coordinates;
    double Latitude, Longitude;
  };
  const TCase cases[] = {
      {"DEBerlin;5252;1340", "DE", "Berlin", "5252;1340", true, 5252, 1340},
      {"AU;-3350; 15120 ", "AU", "", "-3350; 15120 ", true, -3350, 15120},
      {"--IP not in database;9000;0", "--", "IP not in database", "9000;0", true, 9000, 0},
      {"", "", "", "", false, 0, 0},          // an empty city line
      {"Loc", "Lo", "", "", false, 0, 0},     // no ";": no place
      {"D;5;6", "D;", "", "5;6", true, 5, 6}, // the place ends before it begins
      {"FRParis;4885", "FR", "Paris", "4885", false, 0, 0},
      {"FRParis;4885;", "FR", "Paris", "4885;", false, 0, 0},
      {"FRParis;x;235", "FR", "Paris", "x;235", false, 0, 0},
      {"FRParis;4885;235;9", "FR", "Paris", "4885;235;9", false, 0, 0},
  };
  for (const TCase& c : cases) {
    const TLocationParts p = SplitLocationLine(c.Line);
    EXPECT_EQ(p.Country, c.Country) << c.Line;
    EXPECT_EQ(p.Place, c.Place) << c.Line;
    EXPECT_EQ(p.Key, c.Key) << c.Line;
    EXPECT_EQ(p.HasCoordinates, c.Coordinates) << c.Line;
    EXPECT_EQ(p.LatitudeCode, c.Latitude) << c.Line;
    EXPECT_EQ(p.LongitudeCode, c.Longitude) << c.Line;
  }
}
