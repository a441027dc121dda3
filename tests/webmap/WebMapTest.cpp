// The web-map window: the page built from our gmap.ini for each map type
// and zoom, the scripts it sends for markers and info windows, and the
// window itself with a recording browser in place of the browser control
// (there is no browser engine here). The pages written to pages/ are then
// opened in a headless browser on the host by tests/webmap/check.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "GuiTest.h"
#include "RecordingMapBrowser.h"
#include "TestPaths.h"
#include "netlib/NetComponent.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainCommands.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainRoute.h"
#include "viewer/NsMainSettings.h"
#include "viewer/unit4.h"

namespace {
// Our template, as the program ships it.
const TStringList& Template() {
  static TStringList t;
  if (t.Count() == 0) t.LoadFromFile(SourcePath("viewer/gmap.ini"));
  return t;
}

TMapPageInput Paris() {
  TMapPageInput in;
  in.Latitude = CoordinateText(48.85f);
  in.Longitude = CoordinateText(2.35f);
  in.LocationText = "Paris, France";
  in.IPList = "1.2.3.4";
  return in;
}

// Writes a page for the browser check with the place the check expects.
void ExportPage(const std::string& Name, const std::string& Page, float Lat, float Lon,
                const std::string& Popup) {
  CreateDirectoryA("pages", nullptr);
  WriteTextFile("pages\\" + Name + ".html", Page);
  WriteTextFile("pages\\" + Name + ".expect",
                CoordinateText(Lat) + "\n" + CoordinateText(Lon) + "\n" + Popup + "\n");
}

TEST(WebMapPage, EachMapTypeAndZoomMatchesItsFixture) {
  const TStringList& t = Template();
  struct TCase {
    const char* Name;
    int MapType, Zoom;
    bool Balloons;
    const char* IPs;
  };
  const TCase cases[] = {
      {"normal", 0, 0, true, "1.2.3.4"},
      {"satellite", 1, 6, true, "1.2.3.4<br>5.6.7.8"},
      {"hybrid", 2, 12, false, "1.2.3.4"},
      {"physical", 3, 17, true, "1.2.3.4<br>5.6.7.8<br>9.10.11.12<br>13.14.15.16<br>17.18.19.20"},
      {"3d", 4, 18, true, "1.2.3.4"},
  };
  for (const TCase& c : cases) {
    TMapPageInput in = Paris();
    in.MapType = c.MapType;
    in.MapZoom = c.Zoom;
    in.ShowInfoBalloons = c.Balloons;
    in.IPList = c.IPs;
    const std::string page = BuildMapPage(t, in);
    EXPECT_EQ(page, ReadTextFile(SourcePath(std::string("tests/webmap/data/") + c.Name + ".html"))) << c.Name;
  }
  // every zoom index reaches the page as its level
  for (int zoom = 0; zoom <= 18; ++zoom) {
    TMapPageInput in = Paris();
    in.MapZoom = zoom;
    EXPECT_NE(BuildMapPage(t, in).find("2.34999990463257), " + IntToStr(zoom + 1) + ");"), std::string::npos);
  }
}

TEST(WebMapPage, MarkersInsideTheSelectionAreNotReplacedAgain) {
  // The place and the addresses hold marker texts; only the template's own
  // markers change, each once.
  TMapPageInput in = Paris();
  in.LocationText = "Zone 33, 7th (0, 0) CITY IPY G_SATELLITE_MAP, XX";
  in.IPList = "33.1.1.1<br>33.2.2.2<br>33.3.3.3<br>33.4.4.4<br>133.5.5.5";
  in.MapType = 3;
  in.MapZoom = 11;
  const std::string page = BuildMapPage(Template(), in);
  EXPECT_NE(page.find("<b><u>Zone 33, 7th (0, 0) CITY IPY G_SATELLITE_MAP, XX</u></b><br><small>33.1.1.1<br>"
                      "33.2.2.2<br>33.3.3.3<br>33.4.4.4<br>133.5.5.5</small>"),
            std::string::npos);
  EXPECT_NE(page.find("min-height: 82px;"), std::string::npos);   // five addresses
  EXPECT_NE(page.find("setView(new GLatLng(48.8499984741211, 2.34999990463257), 12);"), std::string::npos);
  EXPECT_NE(page.find("\"data-map-type\", G_PHYSICAL_MAP);"), std::string::npos);
}

TEST(WebMapPage, PlaceTextIsEscapedForTheScriptStringAndForHtml) {
  TMapPageInput in = Paris();
  in.LocationText = "A\"b</script><img src=x onerror=alert(1)>\\'&, GB";
  in.IPList = "1.2.3.4\"+alert(2)+\"";
  const std::string page = BuildMapPage(Template(), in);
  EXPECT_NE(page.find("balloon(\"<b><u>A&quot;b&lt;/script&gt;&lt;img src=x onerror=alert(1)&gt;\\\\&#39;&amp;, GB"
                      "</u></b><br><small>1.2.3.4\\\"+alert(2)+\\\"</small>\")"),
            std::string::npos);
  EXPECT_EQ(page.find("</script><img"), std::string::npos);
  EXPECT_EQ(ScriptStringText("a\r\n</b>\x7f"), "a\\x0D\\x0A<\\/b>\\x7F");
}

TEST(WebMapPage, EveryOccurrenceOfAMarkerIsReplacedInOnePass) {
  TStringList t;
  t.SetText("CITY at (0, 0); CITY again at (0, 0), 7 IPY\r\nCITYCITY\r\n");
  TMapPageInput in = Paris();
  in.LocationText = "CITY IPY";   // replaced text is not searched again
  in.MapZoom = 3;
  EXPECT_EQ(BuildMapPage(t, in),
            "CITY IPY at (48.8499984741211, 2.34999990463257); CITY IPY again at (48.8499984741211, "
            "2.34999990463257), 4 1.2.3.4\r\nCITY IPYCITY IPY\r\n");
}

TEST(WebMapPage, AShortTemplateLoadsWithoutItsBalloonLine) {
  // Fewer than twenty lines: the balloon line is not there to replace.
  TStringList t;
  t.SetText("<p>(0, 0) CITY, 7</p>\r\n<!-- * -->\r\n");
  TMapPageInput in = Paris();
  in.ShowInfoBalloons = false;
  in.MapZoom = 2;
  const std::string page = BuildMapPage(t, in);
  EXPECT_EQ(page.substr(0, 62), "<p>(48.8499984741211, 2.34999990463257) Paris, France, 3</p>\r\n");
  EXPECT_EQ(page.find("map.addOverlay"), std::string::npos);
  EXPECT_NE(page.find("<div id=\"iwin99\"></div>\r\n"), std::string::npos);
}

class WebMapWindow : public testing::Test {
protected:
  TBrowserLog Log;
  std::string Dir, OldDir;
  std::vector<std::string> Errors;
  std::unique_ptr<TRecordingBrowsers> Browsers;
  void SetUp() override {
    OldDir = GetCurrentDir();
    Dir = TempFolder(testing::UnitTest::GetInstance()->current_test_info()->name());
    Forms_Initialize();
    NetComponent_Initialize();
    Application->OnException = [this](TObject*, Exception& E) { Errors.push_back(E.ClassName()); };
    Browsers = std::make_unique<TRecordingBrowsers>(Log);
    SetDefaultSettings();
    Selection.SelectionKind = 0;
    Selection.InfoWindowCounter = 0;
    Application->CreateForm(frmMain);
    frmMain->TemplateFile = SourcePath("viewer/gmap.ini");
  }
  void TearDown() override {
    Forms_Finalize();
    NetComponent_Finalize();
    frmMain = nullptr;
    Browsers.reset();
    SetCurrentDirectoryA(OldDir.c_str());
  }
  static void SetDefaultSettings() {
    Settings.ShowInfoBalloons = true;
    Settings.MapType = 1;
    Settings.MapZoom = 6;
  }
};

TEST_F(WebMapWindow, ShowingLoadsThePageOfTheSelectionAndDrivesItWithScripts) {
  HWND h = frmMain->Handle();
  char caption[64] = {};
  GetWindowTextA(h, caption, sizeof caption);
  EXPECT_STREQ(caption, " Web Map Window");
  RECT rc;
  GetClientRect(h, &rc);
  EXPECT_EQ(rc.right, 552);
  EXPECT_EQ(rc.bottom, 420);
  EXPECT_TRUE(GetWindowLongPtrA(h, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_FALSE(GetWindowLongPtrA(h, GWL_STYLE) & WS_MAXIMIZEBOX);

  GlobeState.LocationLatitudes[3] = 51.5f;
  GlobeState.LocationLongitudes[3] = -0.12f;
  Selection.SelectedLocationIndex = 3;
  Selection.SelectedLocationText = "London, United Kingdom";
  Selection.SelectedIPList = "81.2.69.160<br>81.2.69.161";
  Settings.MapType = 0;
  Settings.MapZoom = 9;
  Log.ReadyAfter = 3;   // the page loads once the control is interactive
  frmMain->Show();
  PumpFor(50);
  ASSERT_EQ(Log.Calls, (std::vector<std::string>{"Made -12,-18 585x443", "Navigate about:blank", "LoadDocument",
                                                  "Style overflowX=hidden", "Style overflowY=hidden"}));
  TMapPageInput in;
  in.Latitude = "51.5";
  in.Longitude = "-0.119999997317791";
  in.LocationText = "London, United Kingdom";
  in.IPList = "81.2.69.160<br>81.2.69.161";
  in.MapType = 0;
  in.MapZoom = 9;
  EXPECT_EQ(Log.Document, BuildMapPage(Template(), in));
  ExportPage("london-window", Log.Document, 51.5f, -0.12f, "London, United Kingdom\n81.2.69.160\n81.2.69.161");

  // a later selection: a marker, then an info window in the next div
  GlobeState.LocationLatitudes[4] = -33.87f;
  GlobeState.LocationLongitudes[4] = 151.21f;
  Selection.SelectedLocationIndex = 4;
  frmMain->btnAddMarkerClick(frmMain->btnAddMarker);
  Selection.SelectedLocationText = "Sydney, <Australia>";
  Selection.SelectedIPList = "1.1.1.1";
  Selection.InfoWindowCounter = 7;
  frmMain->btnCenterMapClick(frmMain->btnCenterMap);
  const std::string c = "\"-33.8699989318848\", \"151.210006713867\"";
  EXPECT_EQ(Log.Scripts,
            (std::vector<std::string>{
                "JavaScript: map.panTo(new GLatLng(" + c + "));",
                "JavaScript: map.addOverlay( new GMarker(new GLatLng(" + c + ")) );",
                "JavaScript: map.panTo(new GLatLng(" + c + "));",
                "JavaScript: var content = document.getElementById(\"iwin7\").innerHTML;",
                "JavaScript: document.getElementById(\"iwin7\").innerHTML = \"<p style=line-height: 115%; "
                "margin-left: 0; margin-top: 0; margin-bottom: 0><font face=Arial size=2><b><u>Sydney, "
                "&lt;Australia&gt;</u></b></font><br><font face=Arial font size=1>1.1.1.1</font></p>\";",
                "JavaScript: map.openInfoWindow(new GLatLng(" + c +
                    "),document.getElementById(\"iwin7\"),{noCloseOnClick:1});",
            }));

  // a traceroute hop takes the hop's place
  RouteState.HopLatitudes[2] = 40.71f;
  RouteState.HopLongitudes[2] = -74.01f;
  Selection.SelectionKind = 31;
  Selection.SelectedLocationIndex = 2;
  EXPECT_EQ(frmMain->Latitude(), "40.7099990844727");
  EXPECT_EQ(frmMain->Longitude(), "-74.0100021362305");
  EXPECT_TRUE(Errors.empty());
}

TEST_F(WebMapWindow, AMissingTemplateIsReportedAndLoadsNoPage) {
  frmMain->TemplateFile = Dir + "\\gmap.ini";
  frmMain->Show();
  PumpFor(50);
  EXPECT_EQ(Errors, std::vector<std::string>{"EFOpenError"});
  EXPECT_EQ(Log.Calls, std::vector<std::string>{"Made -12,-18 585x443"});
}

TEST_F(WebMapWindow, APageWithoutDocumentSkipsTheLoad) {
  Log.HasDocument = false;
  frmMain->Show();
  PumpFor(50);
  EXPECT_EQ(Log.Calls, (std::vector<std::string>{"Made -12,-18 585x443", "Navigate about:blank"}));
  EXPECT_TRUE(Errors.empty());
}

TEST_F(WebMapWindow, AControlThatNeverGetsInteractiveEndsTheWaitAndLoadsNothing) {
  Log.ReadyAfter = 1 << 30;
  frmMain->DocumentTimeout = 300;
  const DWORD start = GetTickCount();
  frmMain->Show();
  EXPECT_GE(GetTickCount() - start, 300u);
  EXPECT_EQ(Log.Calls, (std::vector<std::string>{"Made -12,-18 585x443", "Navigate about:blank"}));
  // once the control gets there, the next showing loads the page
  frmMain->Hide();
  Log.ReadyAfter = 2;
  frmMain->Show();
  EXPECT_EQ(Log.Calls.back(), "Style overflowY=hidden");
  EXPECT_NE(std::find(Log.Calls.begin(), Log.Calls.end(), "LoadDocument"), Log.Calls.end());
  EXPECT_TRUE(Errors.empty());
}

// The pages the headless browser opens: a marker at the place, with and
// without an info balloon, and a hostile place name that must stay text.
TEST(WebMapPage, PagesForTheBrowserCheck) {
  const TStringList& t = Template();
  TMapPageInput in = Paris();
  in.ShowInfoBalloons = false;
  ExportPage("paris-marker", BuildMapPage(t, in), 48.85f, 2.35f, "");
  in = Paris();
  in.Latitude = CoordinateText(-33.87f);
  in.Longitude = CoordinateText(151.21f);
  in.LocationText = "Sydney</u><img src=x onerror=\"document.title='owned'\">, AU";
  in.IPList = "1.1.1.1<br>1.0.0.1";
  in.MapZoom = 9;
  ExportPage("sydney-balloon", BuildMapPage(t, in), -33.87f, 151.21f,
             "Sydney</u><img src=x onerror=\"document.title='owned'\">, AU\n1.1.1.1\n1.0.0.1");
  EXPECT_TRUE(FileExists("pages\\paris-marker.html"));
}
}  // namespace
