// The Connections Table on screen: its rows and colours, sorting by every
// column with real clicks, the commands a selected row allows, the HTML
// export and the double click that turns the globe.
#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <array>
#include <set>

#include "MonitorWindows.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainSettings.h"

namespace {
using TRow = std::array<std::string, 10>;

// What the poll makes of the fake machine, in table order.
const std::vector<TRow> Expected = {
    TRow{"TCP", "10.0.0.2", "50000", "8.8.8.8", "443", "Established", "browser.exe: 100", "Mountain View", "US", "100"},
    TRow{"TCP", "10.0.0.2", "50002", "11.2.3.45", "8080", "Time Wait", "?: 555", "Berlin", "DE", "555"},
    TRow{"TCP", "10.0.0.2", "50001", "1.2.3.4", "80", "Established", "mail<&>.exe: 101", "Sydney", "AU", "101"},
    TRow{"TCP", "0.0.0.0", "135", "0.0.0.0", "0", "Listen", "server.exe: 102", "-", "- ", "102"},
    TRow{"TCP", "10.0.0.2", "50003", "5.5.5.5", "25", "Established", "smtp.exe: 103", "Tom & \"Jerry's\" <Town>", "FR", "103"},
    TRow{"TCP", "10.0.0.2", "50004", "9.9.9.9", "53", "Established", "dns.exe: 104", "Unknown", "", "104"},
    TRow{"TCP", "10.0.0.2", "50005", "203.0.113.9", "443", "Established", "browser.exe: 100", "-", "- ", "100"},
    TRow{"UDP", "0.0.0.0", "53", "-", "-", "-", "dns.exe: 104", "-", "- ", "104"},
    TRow{"UDP", "10.0.0.2", "137", "-", "-", "-", "nbt.exe: 105", "-", "- ", "105"},
};

TRow RowAt(int Row) {
  TRow r;
  for (int c = 0; c < 10; ++c) r[static_cast<size_t>(c)] = TableTest::Cell(Row, c);
  return r;
}

uint32_t Rgb(TColor C) { return ((C & 0xFF) << 16) | (C & 0xFF00) | ((C >> 16) & 0xFF); }

std::string HeaderText(int Column) {
  char buf[64] = {};
  HDITEMA h{};
  h.mask = HDI_TEXT;
  h.pszText = buf;
  h.cchTextMax = sizeof buf;
  HWND header = reinterpret_cast<HWND>(SendMessageA(Form2->ListView1->Handle(), LVM_GETHEADER, 0, 0));
  SendMessageA(header, HDM_GETITEMA, static_cast<WPARAM>(Column), reinterpret_cast<LPARAM>(&h));
  return buf;
}

void ClickHeader(int Column) {
  HWND header = reinterpret_cast<HWND>(SendMessageA(Form2->ListView1->Handle(), LVM_GETHEADER, 0, 0));
  RECT r{};
  SendMessageA(header, HDM_GETITEMRECT, static_cast<WPARAM>(Column), reinterpret_cast<LPARAM>(&r));
  ClickClient(header, (r.left + r.right) / 2, (r.top + r.bottom) / 2);
  PumpFor(100);
}

// The ten selection-dependent commands as one text: kill, close, process
// information, map and whois, each on the tool bar and in the popup menu.
std::string Commands() {
  auto on = [](bool B) { return B ? '1' : '0'; };
  TForm2* f = Form2;
  return std::string{on(f->kill->Enabled()),         on(f->erminateProcess1->Enabled), ' ',
                     on(f->tablecloseconn->Enabled()), on(f->CloseConnection1->Enabled), ' ',
                     on(f->ToolButton2->Enabled()),    on(f->ProcessInfo1->Enabled),     ' ',
                     on(f->webmap->Enabled()),         on(f->webmapmenu->Enabled),       on(f->ToolButton3->Enabled()),
                     on(f->RemoteIPWhois1->Enabled)};
}

std::string SavePath;
std::string SaveTitle, SaveExt, SaveFilter, SaveName;
BOOL WINAPI AnswerSave(LPOPENFILENAMEA O) {
  SaveTitle = O->lpstrTitle ? O->lpstrTitle : "";
  SaveExt = O->lpstrDefExt ? O->lpstrDefExt : "";
  SaveFilter.assign(O->lpstrFilter, O->lpstrFilter ? std::char_traits<char>::length(O->lpstrFilter) : 0);
  SaveName = O->lpstrFile;
  lstrcpynA(O->lpstrFile, SavePath.c_str(), static_cast<int>(O->nMaxFile));
  return TRUE;
}
}  // namespace

TEST_F(TableTest, RowsShowThePollsConnectionsInTheirColours) {
  PresentMachine();
  OpenTable();
  ASSERT_EQ(Form2->ListView1->ItemCount(), static_cast<int>(Expected.size()));
  for (int i = 0; i < Form2->ListView1->ItemCount(); ++i) EXPECT_EQ(RowAt(i), Expected[static_cast<size_t>(i)]) << i;
  EXPECT_EQ(Form2->StatusBar1->Panels(0)->Text(), " 9 connections listed");
  EXPECT_EQ(Form2->Caption(), "Connections Table");
  EXPECT_EQ(Form2->ListView1->Columns(9)->Width(), 0);   // the process ID is there, unseen

  RECT frame;
  GetWindowRect(Form2->Handle(), &frame);
  SaveBmp(CaptureScreen(frame), "connections_table.bmp");
  TCapture list = CaptureClient(Form2->ListView1->Handle());
  const uint32_t paleRed = 0xFFF0F0, paleBlue = 0xF0F0FF, window = Rgb(GetSysColor(COLOR_WINDOW));
  for (int i = 0; i < Form2->ListView1->ItemCount(); ++i) {
    const POINT p = RowPoint(i);
    const std::string& protocol = Expected[static_cast<size_t>(i)][0];
    const uint32_t want = protocol == "UDP" ? paleRed : Expected[static_cast<size_t>(i)][3] == "0.0.0.0" ? paleBlue : window;
    EXPECT_EQ(list.At(p.x, p.y), want) << "row " << i;
  }

  // with UDP off the table holds TCP rows only
  ClickClient(Form2->CheckBox3->Handle(), 6, 8);
  PumpFor(80);
  EXPECT_FALSE(Form2->CheckBox3->Checked());
  EXPECT_EQ(Form2->ListView1->ItemCount(), 7);
  EXPECT_EQ(Main->TableOptions[2], "0");
  // hiding its own connections drops the lines of a process named vantrel
  FakeNet().Processes.push_back({106, "vantrel.exe"});
  FakeNet().Tcp.push_back({5, Addr(10, 0, 0, 2), Port(50009), Addr(8, 8, 4, 4), Port(443), 106});
  Form2->CheckBox1->SetChecked(true);
  EXPECT_EQ(Form2->ListView1->ItemCount(), 7);
  EXPECT_EQ(Main->TableOptions[3], "1");
  Form2->CheckBox1->SetChecked(false);
  EXPECT_EQ(Form2->ListView1->ItemCount(), 8);
}

TEST_F(TableTest, TheFirstShowingTakesItsBoxesFromTheOptions) {
  PresentMachine();
  Main->TableOptions.SetText("1\n1\n0\n0\n1\n");   // no UDP, own connections shown, autorefresh
  OpenTable();
  EXPECT_FALSE(Form2->CheckBox3->Checked());
  EXPECT_FALSE(Form2->CheckBox1->Checked());
  EXPECT_TRUE(Form2->CheckBox2->Checked());
  EXPECT_EQ(Form2->ListView1->ItemCount(), 7);   // the box's handler filled the table again
  // what the user sets later stays when the window is shown again
  ClickClient(Form2->CheckBox3->Handle(), 6, 8);
  PumpFor(80);
  EXPECT_EQ(Main->TableOptions[2], "1");
  Main->TableOptions.Put(2, "0");
  Form2->Close();
  OpenTable();
  EXPECT_TRUE(Form2->CheckBox3->Checked());
  EXPECT_EQ(Form2->ListView1->ItemCount(), 9);
}

TEST_F(TableTest, EachColumnSortsBothWaysAndTheBulletMoves) {
  PresentMachine();
  OpenTable();
  std::multiset<TRow> all;
  for (int i = 0; i < Form2->ListView1->ItemCount(); ++i) all.insert(RowAt(i));
  bool ascending = true;
  for (int column = 0; column < 9; ++column) {
    for (int round = 0; round < 2; ++round) {
      if (round == 1) PumpFor(GetDoubleClickTime() + 100);   // two clicks, not a double click
      ClickHeader(column);
      if (round == 1) ascending = !ascending;   // the same column again turns the order
      const int n = Form2->ListView1->ItemCount();
      std::multiset<TRow> now;
      for (int i = 0; i < n; ++i) now.insert(RowAt(i));
      EXPECT_EQ(now, all) << "rows stay whole";
      for (int i = 0; i + 1 < n; ++i) {
        const std::string a = Cell(i, column), b = Cell(i + 1, column);
        int order;
        if (column == 2 || column == 4) {
          // port columns: the higher port first while the flag is up; "-" is 0
          const int pa = a == "-" ? 0 : StrToInt(a), pb = b == "-" ? 0 : StrToInt(b);
          order = pa > pb ? -1 : pa < pb ? 1 : 0;
        } else {
          order = AnsiCompareText(a, b);
        }
        if (!ascending) order = -order;
        EXPECT_LE(order, 0) << "column " << column << (ascending ? " up" : " down") << ": " << a << " before " << b;
      }
      EXPECT_EQ(HeaderText(column), std::string("\x95") + SortCaptions[static_cast<size_t>(column)]);
      if (column > 0) {
        EXPECT_EQ(HeaderText(column - 1), SortCaptions[static_cast<size_t>(column - 1)]);
      }
    }
  }
  // the poll's refill keeps the user's sort
  EXPECT_EQ(Form2->Tag, 8);
  Main->ConnectionsTable1Click(Form2->tablerefresz);
  for (int i = 0; i + 1 < Form2->ListView1->ItemCount(); ++i)
    EXPECT_LE(ascending ? AnsiCompareText(Cell(i, 8), Cell(i + 1, 8)) : AnsiCompareText(Cell(i + 1, 8), Cell(i, 8)), 0);
}

TEST_F(TableTest, TheSelectedRowDecidesWhichCommandsAreOn) {
  PresentMachine();
  OpenTable();
  // a click where there is no row: nothing selected, nothing on
  ClickClient(Form2->ListView1->Handle(), 40, Form2->ListView1->ClientHeight() - 8);
  PumpFor(80);
  ASSERT_EQ(Form2->ListView1->Selected(), nullptr);
  EXPECT_EQ(Commands(), "00 00 00 0000");
  ClickRow(RowOf("8.8.8.8"));
  EXPECT_EQ(Commands(), "11 11 11 1111");
  ClickRow(RowOf("11.2.3.45"));   // an ended process, a closing connection
  EXPECT_EQ(Commands(), "00 00 11 1111");
  ClickRow(RowOf("0.0.0.0"));     // a listener: nowhere to show
  EXPECT_EQ(Commands(), "11 00 11 0000");
  ClickRow(RowOf("203.0.113.9"));  // a place the database does not know
  EXPECT_EQ(Commands(), "11 11 11 0000");
  ClickRow(RowOf("-", "UDP"));
  EXPECT_EQ(Commands(), "11 00 11 0000");
  // a double click looks at the process ID alone
  DoubleClickRow(RowOf("11.2.3.45"));
  EXPECT_EQ(Commands(), "11 00 11 1111");

  // tables without process IDs: no process commands at all
  PresentFamily(TIpHelperFamily::ifPlain);
  Main->ConnectionsTable1Click(Form2->tablerefresz);
  EXPECT_EQ(Cell(RowOf("8.8.8.8"), 6), "N/A");
  EXPECT_EQ(Cell(RowOf("8.8.8.8"), 9), "-");
  ClickRow(RowOf("8.8.8.8"));
  EXPECT_EQ(Commands(), "00 11 00 1111");
}

TEST_F(TableTest, HtmlExportIsThePageOfTheFixtureWithNamesEscaped) {
  PresentMachine();
  OpenTable();
  PollState.TableStamp = "10:11:12 09.12.2026";
  SavePath = Dir + "\\table.html";
  GetSaveFileNameProc = AnswerSave;
  ClickButton(Form2->ToolButton1);
  GetSaveFileNameProc = nullptr;
  Dialogs_Initialize();
  EXPECT_EQ(SaveTitle, " Save Connections Table");
  EXPECT_EQ(SaveExt, "html");
  EXPECT_EQ(SaveFilter, "HTML file ");
  EXPECT_EQ(SaveName, "Connections Table");
  EXPECT_EQ(ReadTextFile(SavePath), ReadTextFile(SourcePath("tests/table/connections.html")));

  // an empty table: the header, the column row and the footer
  FakeNet().Tcp.clear();
  FakeNet().Udp.clear();
  Main->ConnectionsTable1Click(Form2->tablerefresz);
  PollState.TableStamp = "10:11:12 09.12.2026";
  const std::string page = ConnectionsTableHtml(Form2->ListView1, PollState.TableStamp);
  const std::string fixture = ReadTextFile(SourcePath("tests/table/connections.html"));
  const size_t rows = fixture.find("<tr bgcolor=\"#ffffff\">"), footer = fixture.find("</tr></table>");
  ASSERT_NE(rows, std::string::npos);
  EXPECT_EQ(page, fixture.substr(0, rows) + fixture.substr(footer));
}

TEST_F(TableTest, DoubleClickTurnsTheCameraToTheRowsOwnPlace) {
  PresentMachine();
  OpenTable();
  Main->SetCameraZoom(0.4f);
  Settings.AllLabels = false;
  // 11.2.3.45 (Berlin) is plotted before 1.2.3.4 (Sydney)
  ASSERT_LT(Main->VisualizedIPs.IndexOf("11.2.3.45"), Main->VisualizedIPs.IndexOf("1.2.3.4"));
  Main->GLCadencer1->SetEnabled(true);   // the globe turning
  DoubleClickRow(RowOf("1.2.3.4"));
  ASSERT_EQ(Main->CameraPositions.size(), 1u);
  const TAffineVector want = GlobePoint(151.20f, -33.50f, 2);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(Main->CameraPositions[0][k], want[k], 1e-4) << k;
  EXPECT_EQ(Main->RotationStops, 1);
  EXPECT_FALSE(Main->GLCadencer1->Enabled()) << "it stops turning away from the place";
  EXPECT_FLOAT_EQ(Main->CameraZoom(), 0.2f);   // halved, within the viewer's limits
  EXPECT_TRUE(Settings.AllLabels);
  EXPECT_FALSE(Form7->Visible());

  // home itself; the zoom does not fall below 0.01
  Main->SetCameraZoom(0.015f);
  FakeNet().Tcp.push_back({5, Addr(10, 0, 0, 2), Port(50010), Addr(81, 2, 69, 160), Port(443), 100});
  Main->ConnectionsTable1Click(Form2->tablerefresz);
  DoubleClickRow(RowOf("81.2.69.160"));
  ASSERT_EQ(Main->CameraPositions.size(), 2u);
  const TAffineVector home = GlobePoint(-0.12f, 51.5f, 2);
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(Main->CameraPositions[1][k], home[k], 1e-4) << k;
  EXPECT_FLOAT_EQ(Main->CameraZoom(), 0.01f);

  // rows without a place do nothing
  DoubleClickRow(RowOf("0.0.0.0"));
  DoubleClickRow(RowOf("203.0.113.9"));
  EXPECT_EQ(Main->CameraPositions.size(), 2u);
  EXPECT_FALSE(Form7->Visible());

  // a row whose address is no longer plotted shows the notice
  Main->VisualizedIPs.Clear();
  Main->VisualizedIPs.Add(GlobeState.HomeIP);
  Main->VisualizedIPs.Add("11.2.3.45");
  DoubleClickRow(RowOf("1.2.3.4"));
  EXPECT_EQ(Main->CameraPositions.size(), 2u);
  ASSERT_TRUE(Form7->Visible());
  PumpFor(150);
  SaveBmp(CaptureClient(Form7->Handle()), "notice.bmp");
  EXPECT_EQ(Form7->Label1->Caption(), "Could not retrieve coordinates for selected location.");
  EXPECT_EQ(Form7->Caption(), "Vantrel");
  EXPECT_EQ(Form7->ClientWidth(), 381);
  EXPECT_EQ(Form7->ClientHeight(), 131);
  EXPECT_TRUE(GetWindowLongPtrA(Form7->Handle(), GWL_EXSTYLE) & WS_EX_APPWINDOW);
  ClickClient(Form7->BitBtn1->Handle(), 20, 10);
  PumpFor(80);
  EXPECT_FALSE(Form7->Visible());
}
