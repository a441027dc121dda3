// The sample database built from Debian's country database: iplocate gives
// the country that geoiplookup gives for the first address of 1,000 ranges
// (expected.txt, written by ./prepare), and every place line is well formed.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>

#include "TestPaths.h"
#include "monitor/uLocationDatabase.h"

namespace {

TEST(SampleDatabase, CountriesAgreeWithGeoiplookup) {
  TLocationDatabase db;
  ASSERT_NO_THROW(db.Load("data"));
  EXPECT_GT(db.RecordCount(), 100000);
  EXPECT_EQ(IntToStr(db.RecordCount()), db.DatabaseInfo[0]);

  std::istringstream expected(ReadTextFile("expected.txt"));
  int checked = 0;
  for (std::string ip, code; expected >> ip >> code; ++checked) {
    std::string loc;
    db.iplocate(ip, loc, 1);
    EXPECT_EQ(loc.substr(0, 2), code) << ip << " -> " << loc;
    EXPECT_NE(code, "--") << ip << ": geoiplookup does not know a range's first address";
  }
  EXPECT_EQ(checked, 1000);
}

TEST(SampleDatabase, EveryPlaceLineIsCodePlaceLatitudeLongitude) {
  TLocationDatabase db;
  db.Load("data");
  ASSERT_GT(db.Cities.Count(), 200);
  for (int i = 0; i < db.Cities.Count(); ++i) {
    const std::string& line = db.Cities[i];
    const int first = Pos(";", line);
    ASSERT_GE(first, 3) << line;
    const std::string rest = Copy(line, first + 1, 100);
    const int second = Pos(";", rest);
    ASSERT_GT(second, 1) << line;
    const int lat = StrToInt(Copy(rest, 1, second - 1));
    const int lon = StrToInt(Copy(rest, second + 1, 100));
    EXPECT_TRUE(lat >= -9000 && lat <= 9000) << line;
    EXPECT_TRUE(lon >= -18000 && lon <= 18000) << line;
    EXPECT_TRUE(isupper(static_cast<unsigned char>(line[0])) &&
                isalnum(static_cast<unsigned char>(line[1]))) << line;
  }
  std::string loc;
  db.iplocate("8.8.8.8", loc, 1);
  EXPECT_EQ(loc, "USNew York;4071;-7401");
  db.iplocate("192.168.1.1", loc, 1);
  EXPECT_EQ(loc, "--IP not in database;9000;0");
}

}  // namespace
