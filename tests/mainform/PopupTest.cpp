// The location popup's items from the picked addresses and the connection
// rows, and the addresses taken from a traceroute hop's text.
#include <gtest/gtest.h>

#include "MainFormFixture.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainPopup.h"
#include "viewer/NsMainSettings.h"
#include "viewer/NsMainStartup.h"

namespace {

using TLines = std::vector<std::string>;

TLines Captions(const std::vector<TPopupItemSpec>& Items) {
  TLines r;
  for (const auto& i : Items) r.push_back(i.Caption);
  return r;
}

class Popup : public testing::Test {
protected:
  TStringList Rows;
  TLocationPopupInput In;
  void SetUp() override {
    GlobeState.HomeIP = HomeAddress;
    Settings.InternalOff = false;
    ViewResources.ColumnWidth1 = 7 * 24;
    ViewResources.ColumnWidth2 = 7 * 16;
    ViewResources.SpaceWidth = 7;
    In.DetailRows = &Rows;
    In.TextWidth = [](const std::string& S) { return 7 * static_cast<int>(S.size()); };
    // remote!local#state&process,pid
    Rows.Add("1.2.3.4:443!192.168.1.5:50001#Established&firefox.exe,4242");
    Rows.Add("11.2.3.45:443!192.168.1.5:50002#Established&evil.exe,666");
    Rows.Add("1.2.3.45:80!192.168.1.5:50003#Established&evil.exe,666");
    Rows.Add("2.2.2.2:80!1.2.3.4:50004#Established&other.exe,77");
    Rows.Add("1.2.3.4:80!192.168.1.5:50005#Time Wait&?,0");
  }
};

TEST_F(Popup, ALocationListsTheConnectionsOfEachWholeRemoteAddress) {
  In.ClickedText = "1.2.3.4\r\n 5.6.7.8";
  const auto items = LocationPopupItems(In);
  EXPECT_EQ(Captions(items), (TLines{"Traceroute", "IP Whois", "Analysis: Show entries", "Details", "-",
                                     "Connections Table", "Show on Web Map", "Analyze file", "Unload analyzed file",
                                     "-", "Exit"}));
  std::vector<int> bitmaps, enabled;
  for (const auto& i : items) bitmaps.push_back(i.Bitmap), enabled.push_back(i.Enabled);
  EXPECT_EQ(bitmaps, (std::vector<int>{15, 30, 46, 33, 0, 31, 29, 44, 45, 0, 32}));
  EXPECT_EQ(enabled, (std::vector<int>{1, 1, 0, 1, 1, 1, 1, 1, 0, 1, 1}));
  EXPECT_EQ(items[5].ShortCut, VK_F2);
  EXPECT_EQ(items[7].ShortCut, VK_F4);
  EXPECT_EQ(Captions(items[0].Items), (TLines{"1.2.3.4", "5.6.7.8"}));
  EXPECT_EQ(items[0].Items[1].Command, TPopupCommand::pcTraceroute);
  EXPECT_EQ(Captions(items[1].Items), (TLines{"1.2.3.4", "5.6.7.8"}));
  EXPECT_EQ(items[1].Items[0].Command, TPopupCommand::pcWhois);
  EXPECT_TRUE(items[2].Items.empty());

  const auto& details = items[3].Items;
  ASSERT_EQ(Captions(details), (TLines{"1.2.3.4", "5.6.7.8"}));
  EXPECT_EQ(details[0].Draw, TPopupDraw::pdAddress);
  // The header, then only the rows whose remote address is 1.2.3.4 itself:
  // not 11.2.3.45, not 1.2.3.45, not a row whose local side holds it.
  const auto& rows = details[0].Items;
  ASSERT_EQ(rows.size(), 3u);
  EXPECT_EQ(rows[0].Draw, TPopupDraw::pdHeader);
  EXPECT_FALSE(rows[0].Enabled);
  EXPECT_EQ(rows[1].Caption, "192.168.1.5:50001" + std::string(7, ' ') + "1.2.3.4:443" + std::string(13, ' ') +
                                 "Established" + std::string(5, ' ') + " firefox.exe");
  EXPECT_EQ(Captions(rows[1].Items), (TLines{"Close Connection", "Terminate Process", "Process Information"}));
  EXPECT_EQ(rows[1].Items[0].Hint, Rows[0]);
  EXPECT_EQ(rows[1].Items[0].Bitmap, 19);
  EXPECT_EQ(rows[1].Items[1].Hint, "firefox.exe,4242");
  EXPECT_EQ(rows[1].Items[1].Command, TPopupCommand::pcKillConnection);
  EXPECT_EQ(rows[1].Items[2].Hint, "firefox.exe");
  // not established, no process known: only its information
  EXPECT_EQ(Captions(rows[2].Items), TLines{"Process Information"});
  EXPECT_EQ(Captions(details[1].Items), (TLines{"", "Connection expired"}));

  In.OwnerInfoMissing = true;
  const auto withoutOwners = LocationPopupItems(In);
  EXPECT_EQ(Captions(withoutOwners[3].Items[0].Items[1].Items), (TLines{"Close Connection", "Process Information"}));
}

TEST_F(Popup, HomeHopFileLocationAndAnalysedFileChangeWhatIsOffered) {
  In.ClickedText = GlobeState.HomeIP + "\r\n 81.2.69.161";
  auto items = LocationPopupItems(In);
  for (int i = 0; i < 4; ++i) {
    EXPECT_FALSE(items[static_cast<size_t>(i)].Enabled) << i;
    EXPECT_TRUE(items[static_cast<size_t>(i)].Items.empty()) << i;
  }

  In.ClickedText = StripHopNumbers(" 2   2.0.1.3\r\n 5   2.0.1.4");
  In.HopClicked = true;
  In.AnalysisLoaded = true;   // a hop has no entries in the analysed file
  items = LocationPopupItems(In);
  EXPECT_EQ(items[0].Caption, "Clear Route");
  EXPECT_EQ(items[0].Command, TPopupCommand::pcTraceroute);
  EXPECT_TRUE(items[0].Enabled);
  EXPECT_TRUE(items[0].Items.empty());
  EXPECT_EQ(Captions(items[1].Items), (TLines{"2.0.1.3", "2.0.1.4"}));
  EXPECT_FALSE(items[2].Enabled);
  EXPECT_TRUE(items[2].Items.empty());
  EXPECT_FALSE(items[3].Enabled);
  EXPECT_TRUE(items[3].Items.empty());

  In.HopClicked = false;
  In.FileLocationHover = true;
  In.AnalysisLoaded = true;
  In.ClickedText = "1.2.3.4";
  items = LocationPopupItems(In);
  EXPECT_FALSE(items[3].Enabled) << "no details of a location from the address-list file";
  EXPECT_TRUE(items[2].Enabled);
  EXPECT_EQ(Captions(items[2].Items), TLines{"1.2.3.4"});
  EXPECT_EQ(items[2].Items[0].Command, TPopupCommand::pcShowEntry);
  EXPECT_FALSE(items[5].Enabled) << "no Connections Table while an analysed file is shown";
  EXPECT_TRUE(items[8].Enabled);
  Settings.InternalOff = true;
  In.AnalysisLoaded = false;
  EXPECT_FALSE(LocationPopupItems(In)[5].Enabled);
  Settings.InternalOff = false;
}

TEST_F(Popup, ARowOfProcessZeroOffersNoTerminateEvenWithAName) {
  Rows.Add("7.7.7.7:80!192.168.1.5:50006#Established&System,0");
  In.ClickedText = "7.7.7.7";
  const auto rows = LocationPopupItems(In)[3].Items[0].Items;
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(Captions(rows[1].Items), (TLines{"Close Connection", "Process Information"}));
}

TEST(HopText, EveryHopNumberIsStrippedAndShortRestsEndTheLines) {
  EXPECT_EQ(StripHopNumbers("31  1.2.3.4"), "1.2.3.4");
  EXPECT_EQ(StripHopNumbers("0   8.8.8.8"), "8.8.8.8");
  EXPECT_EQ(StripHopNumbers("1   2.0.0.7\r\n 3   2.0.0.9\r\n 38  2.0.0.10"), "2.0.0.7\r\n2.0.0.9\r\n2.0.0.10");
  EXPECT_EQ(StripHopNumbers("5.5.5.5"), "5.5.5.5") << "an unlocated hop has no number";
  EXPECT_EQ(ClickedAddresses("2.0.0.7\r\n2.0.0.9\r\n2.0.0.10"), (TLines{"2.0.0.7", "2.0.0.9", "2.0.0.10"}));
  EXPECT_EQ(ClickedAddresses("1.2.3.4\r\n 5.6.7.8\r\n 1.1"), (TLines{"1.2.3.4", "5.6.7.8"}));
}

}  // namespace
