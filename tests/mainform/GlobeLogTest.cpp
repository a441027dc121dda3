// The globe model and the connection log over polls of fake tables.
#include <winsock.h>

#include <cmath>

#include "MainFormFixture.h"
#include "monitor/uAddressMatch.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainLog.h"
#include "viewer/NsMainModes.h"
#include "viewer/NsMainSettings.h"

namespace {

const char* const Ranges =
    "1.0.0.0,1.255.255.255,AU,Sydney,-33.87,151.21\n"
    "2.0.0.0,2.0.0.255,FR,Paris,48.85,2.35\n"
    "2.0.1.0,2.0.1.255,FR,Paname,48.85,2.35\n"
    "3.0.0.0,3.255.255.255,US,,40.71,-74.01\n"
    "81.0.0.0,81.255.255.255,GB,London,51.5,-0.12\n";

DWORD Net(const std::string& Dotted) { return htonl(DottedToHost(Dotted)); }

class Globe : public MainFormTest {
protected:
  std::unique_ptr<TRecordingForm> Form;
  void SetUp() override {
    MainFormTest::SetUp();
    CreateDirectoryA((Dir + "\\data").c_str(), nullptr);
  WriteLocationFixture(Dir + "\\data", Ranges);
    Form = std::make_unique<TRecordingForm>(nullptr);
    Form->LocationDatabase.Load(Dir + "\\data");
    GlobeState.HomeIP = HomeAddress;
    GlobeState.HomeLabel = "\xBBGB, London";
    GlobeState.HomeCoordinates = "5150;-12";
    GlobeState.HomeLongitude = -0.12f;
    GlobeState.HomeLatitude = 51.5f;
    LogState.LogPath = Dir + "\\tcp.log";
  }
  void TearDown() override {
    Form.reset();
    MainFormTest::TearDown();
  }
  // One poll whose TCP table holds established connections to Remotes.
  void Poll(const std::vector<std::string>& Remotes) {
    FakeNet().Tcp.clear();
    for (size_t i = 0; i < Remotes.size(); ++i)
      FakeNet().Tcp.push_back({5, Net("192.168.1.5"), Port(50000 + static_cast<int>(i)),
                               Net(Remotes[i]), Port(443), 1});
    Form->Refresh(true);
  }
};

TEST_F(Globe, AddressesAreLocatedMergedByPlaceAndHandedToThePointSets) {
  Poll({"2.0.0.7", "1.1.1.1", "2.0.0.9", "2.0.1.3", "3.3.3.3", "81.2.69.161"});
  EXPECT_EQ(Lines(Form->VisualizedIPs),
            (std::vector<std::string>{"81.2.69.160\r\n 81.2.69.161", "2.0.0.7\r\n 2.0.0.9\r\n 2.0.1.3",
                                      "1.1.1.1", "", "", "3.3.3.3", ""}));
  EXPECT_EQ(Lines(Form->LocationLabels),
            (std::vector<std::string>{"\xBBGB, London", "Paris, FR", "Sydney, AU", " ", "  ",
                                      "Unknown, US", "  "}));
  EXPECT_FLOAT_EQ(GlobeState.LocationLatitudes[2], -33.87f);
  EXPECT_FLOAT_EQ(GlobeState.LocationLongitudes[2], 151.21f);
  EXPECT_FLOAT_EQ(GlobeState.LocationLongitudes[0], -0.12f);
  EXPECT_FALSE(WindowModes.GlobePending);
  EXPECT_EQ(Form->Clears, 1);
  EXPECT_EQ(Form->Ends, 1);
  ASSERT_EQ(Form->Plotted.size(), 7u);
  EXPECT_EQ(Form->Plotted[0].Radius, 0.5202f);
  EXPECT_EQ(Form->Plotted[0].Point, (TVector{0, 1, 0, 1}));   // home is green
  EXPECT_EQ(Form->Plotted[1].Radius, 0.52f);
  EXPECT_EQ(Form->Plotted[1].Point, (TVector{1, 0, 0, 1}));   // Color1
  EXPECT_EQ(Form->Plotted[1].Halo, (TVector{1, 0, 0, 0}));
  // the arcs start at home
  const TAffineVector p = GlobePoint(-0.12f, 51.5f, 0.519f);
  EXPECT_EQ(GlobeState.HomeArcStart, p);
  EXPECT_NEAR(p[1], 0.519f * std::sin(51.5 * 3.14159265 / 180), 1e-6);
  // longitude 0 latitude 0 faces +z... a = -90°: (0, 0, -r)
  const TAffineVector o = GlobePoint(0, 0, 1);
  EXPECT_NEAR(o[0], 0, 1e-6);
  EXPECT_NEAR(o[2], -1, 1e-6);
}

TEST_F(Globe, ALocationLineWithoutNumbersPlacesNothingAndTheGlobeIsNotLeftPending) {
  // city line 2 (Paris) is broken: the entry stays unplaced, the rest are drawn
  std::string cities = ReadTextFile(Dir + "\\data\\cities.dat");
  const size_t p = cities.find("FRParis;4885;235");
  ASSERT_NE(p, std::string::npos);
  cities.replace(p, 16, "FRParis;north;east");
  WriteTextFile(Dir + "\\data\\cities.dat", cities);
  Form->LocationDatabase.Load(Dir + "\\data");
  Poll({"2.0.0.7", "1.1.1.1"});
  EXPECT_EQ(Lines(Form->LocationLabels), (std::vector<std::string>{"\xBBGB, London", "", "Sydney, AU"}));
  EXPECT_EQ(Form->Unplotted, std::vector<int>{1});
  EXPECT_EQ(Form->Plotted.size(), 2u);
  EXPECT_FALSE(WindowModes.GlobePending);
}

TEST_F(Globe, RogueCountriesGetAHaloAndOneAlertOnlyWhenTheSoundIsOn) {
  int au = 0;
  while (std::string(CountryCodes[static_cast<size_t>(au)]) != "AU") ++au;
  // country numbers out of range (0, 253..255) name no country
  Settings.RogueCountries = std::string(1, static_cast<char>(au + 1)) + std::string("\x00\xFD\xFF", 3);
  Settings.SoundAlert = false;
  Poll({"1.1.1.1", "2.0.0.7", "1.2.2.2"});
  ASSERT_EQ(Form->Plotted.size(), 4u);
  EXPECT_EQ(Form->Plotted[1].Halo[3], 0.5f);
  EXPECT_EQ(Form->Plotted[2].Halo[3], 0.0f);
  EXPECT_EQ(Form->Alerts, 0);
  EXPECT_FALSE(GlobeState.AlertPending);
  Settings.SoundAlert = true;
  Poll({"1.1.1.1", "2.0.0.7", "1.2.2.2"});
  EXPECT_EQ(Form->Alerts, 1);
  Poll({"2.0.0.7"});
  EXPECT_EQ(Form->Alerts, 1);
  EXPECT_TRUE(IsRogueCountry("AU", Settings.RogueCountries));
  EXPECT_FALSE(IsRogueCountry("FR", Settings.RogueCountries));
  EXPECT_FALSE(IsRogueCountry("AP", std::string(1, '\0')));
  EXPECT_TRUE(IsRogueCountry("AP", std::string(1, '\1')));
}

// The line tcp.log holds for an address seen from update s to update e.
std::string Line(const std::string& Address, const char* CC, int Start, int End,
                 const char* Tail = "") {
  return Address + " [" + CC + "]" + std::string(16 - Address.size(), ' ') +
         Format(" Start: 2026-12-09 08:30:%02d  End: 2026-12-09 08:30:%02d%s\r\n", Start, End, Tail);
}

TEST_F(Globe, ConnectionLogIsWrittenByteForByteWithWholeAddressesMatched) {
  Settings.LogConnections = true;
  // "1.2.3.45" before "1.2.3.4": a search by substring would take one for the other
  std::vector<std::string> all{"1.2.3.45", "1.2.3.4"};
  for (int i = 1; i <= 19; ++i) all.push_back("2.0.0." + IntToStr(i + 10));
  std::vector<std::string> withoutX = all;
  withoutX.erase(withoutX.begin() + 1);

  Poll(all);        // update 1: 21 entries, the first flush writes only the header
  ASSERT_EQ(Form->LogEntries.Count(), 21);
  const std::string header =
      "IP [country]              Connection start            Connection End\r\n" +
      std::string(74, '-') + "\r\n";
  EXPECT_EQ(ReadTextFile(LogState.LogPath), header);
  Poll(withoutX);                 // update 2: 1.2.3.4 missing
  Poll({"1.2.3.45", "1.2.3.4"});  // update 3: 1.2.3.4 is back: its old entry closes
  EXPECT_EQ(Form->LogEntries[1].substr(0, 16), "000003*1.2.3.4 [");
  EXPECT_EQ(Form->LogEntries[21].substr(0, 16), "000003 1.2.3.4 [");
  Poll({"1.2.3.45", "1.2.3.4"});  // update 4: the others finished at update 2 are written
  EXPECT_EQ(Form->LogEntries.Count(), 3);
  Form->WriteLogAtEnd();
  EXPECT_EQ(Form->LogEntries.Count(), 0);

  std::string expected = header;
  for (int i = 1; i <= 19; ++i) expected += Line("2.0.0." + IntToStr(i + 10), "FR", 1, 2);
  expected += Line("1.2.3.45", "AU", 1, 4, " [Program terminated]");
  expected += Line("1.2.3.4", "AU", 1, 1, " [Program terminated]");
  expected += Line("1.2.3.4", "AU", 3, 4, " [Program terminated]");
  const std::string written = ReadTextFile(LogState.LogPath);
  EXPECT_EQ(written, expected);
  // "Start:" in column 23 whatever the address's length
  for (size_t at = written.find("\r\n1.2."); at != std::string::npos; at = written.find("\r\n1.2.", at + 2))
    EXPECT_EQ(written.find("Start:", at + 2) - (at + 2), 22u) << written.substr(at + 2, 40);
}

TEST_F(Globe, OnlyTheHomeEntryPlotsOneGreenPointAndLeavesTheLogUntouched) {
  Settings.LogConnections = true;
  WriteTextFile(LogState.LogPath, "kept as it was");
  Poll({});
  Poll({"10.0.0.9"});   // private: not plotted
  ASSERT_EQ(Form->Plotted.size(), 1u);
  EXPECT_EQ(Form->Plotted[0].Point, (TVector{0, 1, 0, 1}));
  EXPECT_EQ(Form->LogEntries.Count(), 0);
  Form->WriteLogAtEnd();
  EXPECT_EQ(ReadTextFile(LogState.LogPath), "kept as it was");
}

TEST_F(Globe, LogEntriesKeepTheirConnectionAcrossTheSixDigitCounterWrap) {
  Settings.LogConnections = true;
  LogState.UpdateCounter = 999998;
  Poll({"1.1.1.1"});   // 999999
  Poll({"1.1.1.1"});   // 000000
  Poll({"1.1.1.1"});   // 000001
  ASSERT_EQ(Form->LogEntries.Count(), 1);
  EXPECT_EQ(Form->LogEntries[0].substr(0, 7), "000001 ");
  EXPECT_NE(Form->LogEntries[0].find("Start: 2026-12-09 08:30:39"), std::string::npos);
}

TEST_F(Globe, LogIsMovedAsideOnlyPastItsSizeLimit) {
  Settings.LogConnections = true;
  const std::string big(LogSizeLimit, 'x');
  auto flushOneFinished = [&] {
    LogState.UpdateCounter = 5;
    Form->LogEntries.SetText("000002 1.1.1.1 [AU] Start: a b  End:%c d\n");
    Form->FlushLog();
  };
  WriteTextFile(LogState.LogPath, big);
  flushOneFinished();
  EXPECT_EQ(ReadTextFile(LogState.LogPath), big + "1.1.1.1 [AU]" + std::string(10, ' ') + "Start: a b  End: c d\r\n");

  WriteTextFile(LogState.LogPath, big + "y");
  flushOneFinished();
  EXPECT_EQ(ReadTextFile(LogState.LogPath).substr(0, 12), "IP [country]");
  WIN32_FIND_DATAA d;
  std::string aside;
  HANDLE h = FindFirstFileA((Dir + "\\tcp.log*").c_str(), &d);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  do
    if (std::string(d.cFileName) != "tcp.log") aside = d.cFileName;
  while (FindNextFileA(h, &d));
  FindClose(h);
  EXPECT_EQ(aside.substr(0, 8), "tcp.log.");
  EXPECT_NE(aside.find_first_of("0123456789"), std::string::npos);
  EXPECT_EQ(aside.find_first_not_of("0123456789", 8), std::string::npos);
  EXPECT_EQ(FileSizeOf(Dir + "\\" + aside), LogSizeLimit + 1);
  EXPECT_EQ(FileSizeOf(Dir + "\\none"), 0);
}

TEST_F(Globe, AFailedLogWriteIsToldOnceAndItsEntriesAreWrittenOnceTheLogCanBe) {
  Settings.LogConnections = true;
  const std::string folder = Dir + "\\later";
  LogState.LogPath = folder + "\\tcp.log";   // a folder that is not there yet
  std::vector<std::string> many;
  for (int i = 1; i <= 25; ++i) many.push_back("1.1.1." + IntToStr(i));
  Poll(many);
  ASSERT_EQ(Form->Told.size(), 1u);
  EXPECT_NE(Form->Told[0].find(LogState.LogPath), std::string::npos) << Form->Told[0];
  EXPECT_FALSE(LogState.StatusNote.empty());
  EXPECT_EQ(Form->LocationLabels[1], "Sydney, AU");   // the globe goes on
  Poll(many);
  Poll({"1.1.1.99"});   // the 25 end here; still nowhere to write them
  EXPECT_EQ(Form->Told.size(), 1u) << "told once, not at every poll";
  EXPECT_EQ(Form->LogEntries.Count(), 26);

  ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
  Poll({"1.1.1.99"});
  const std::string log = ReadTextFile(LogState.LogPath);
  for (int i = 1; i <= 25; ++i) EXPECT_NE(log.find("\r\n1.1.1." + IntToStr(i) + " [AU]"), std::string::npos) << i;
  EXPECT_TRUE(LogState.StatusNote.empty());
  EXPECT_EQ(Form->LogEntries.Count(), 1);   // 1.1.1.99 goes on

  // failing again after a success is told again
  ASSERT_TRUE(DeleteFileA(LogState.LogPath.c_str()));
  ASSERT_TRUE(RemoveDirectoryA(folder.c_str()));
  Poll(many);
  EXPECT_EQ(Form->Told.size(), 2u);
}

}  // namespace
