// Analysing a file: the addresses a scan extracts, analyse mode on the
// globe and back, the "Analyzed file" window (entries, highlighting, F3,
// export), files that are no text, a 100 MB file with its progress and
// Cancel, and the scan beside grep on a generated log.
#include <windows.h>
#include <commdlg.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <set>

#include "MonitorWindows.h"
#include "classlib/Buttons.h"
#include "classlib/StdCtrls.h"
#include "viewer/Unit3.h"
#include "viewer/NsMainAnalysis.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainLog.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainRefresh.h"
#include "viewer/NsMainSettings.h"

namespace {
std::string OpenPath;
BOOL WINAPI AnswerOpen(LPOPENFILENAMEA O) {
  if (OpenPath.empty()) return FALSE;
  lstrcpynA(O->lpstrFile, OpenPath.c_str(), static_cast<int>(O->nMaxFile));
  return TRUE;
}
std::string SavePath, SaveExt, SaveFilter, SaveName;
BOOL WINAPI AnswerSave(LPOPENFILENAMEA O) {
  SaveExt = O->lpstrDefExt ? O->lpstrDefExt : "";
  SaveFilter = O->lpstrFilter ? O->lpstrFilter : "";
  SaveName = O->lpstrFile;
  lstrcpynA(O->lpstrFile, SavePath.c_str(), static_cast<int>(O->nMaxFile));
  return TRUE;
}

std::vector<std::string> Extracted(const std::vector<std::string>& Lines) {
  TStringList list;
  list.Add("81.2.69.160");
  TAnalyzedAddresses found(list);
  for (const std::string& l : Lines) ExtractIPsFromLine(l, found);
  std::vector<std::string> r;
  for (int i = 1; i < list.Count(); ++i) r.push_back(list[i]);
  return r;
}

using TStrings_ = std::vector<std::string>;

class AnalysisTest : public TableTest {
protected:
  void SetUp() override {
    TableTest::SetUp();
    GetOpenFileNameProc = AnswerOpen;
    GetSaveFileNameProc = AnswerSave;
    Main->Timer->SetEnabled(false);
    Settings.LogConnections = false;
  }
  void TearDown() override {
    Dialogs_Initialize();   // the system's dialogs again
    TableTest::TearDown();
    aform = nullptr;
  }
  // Analyses a file as the tray menu's "Analyze file" does.
  void Analyse(const std::string& Path) {
    OpenPath = Path;
    Main->EnterIP1Click(Main->EnterIP1);
  }
  std::string File(const std::string& Name, const std::string& Text) {
    const std::string path = Dir + "\\" + Name;
    WriteTextFile(path, Text);
    return path;
  }
  // The colour of the character at a rich-edit position.
  static TColor CharColor(int Position) {
    Form6->RichEdit1->SetSelStart(Position);
    Form6->RichEdit1->SetSelLength(1);
    return Form6->RichEdit1->SelAttributes()->Color();
  }
  static int Caret() { return Form6->RichEdit1->SelStart(); }
};
}  // namespace

TEST(Extraction, EveryWholeAddressOnceInOrderOfFirstAppearance) {
  EXPECT_EQ(Extracted({"from 8.8.8.8:53 to 192.168.1.2"}), TStrings_{"8.8.8.8"});
  EXPECT_EQ(Extracted({"1.2.3.4.5", "10.0.0.1", "\"127.0.0.1\"", "1.2.3", "0.0.0.0 255.255.255.255 300.1.2.3"}),
            TStrings_{});
  // two addresses of which one holds the other's text; an address after a digit
  EXPECT_EQ(Extracted({"1.2.3.4 11.2.3.45", "1191.2.3.4", "1.2.3.45 1.2.3.4567"}),
            (TStrings_{"1.2.3.4", "11.2.3.45", "1.2.3.45"}));
  EXPECT_EQ(Extracted({"5.6.7.8 then 9.9.9.9", "x 9.9.9.9 5.6.7.8", "5.6.7.8"}), (TStrings_{"5.6.7.8", "9.9.9.9"}));
  EXPECT_EQ(Extracted({"[4.4.4.4]:80, 4.4.4.5. 4.4.4.6.x 4.4.4.7..5 host4.4.4.8"}),
            (TStrings_{"4.4.4.4", "4.4.4.5", "4.4.4.6", "4.4.4.7", "4.4.4.8"}));
  // the private ranges, bounds included; home is not listed twice
  EXPECT_EQ(Extracted({"169.254.0.1 172.16.0.1 172.31.255.255 172.32.0.1 172.15.255.255 81.2.69.160"}),
            (TStrings_{"172.32.0.1", "172.15.255.255"}));
  // Each group read as inet_addr reads it (a leading 0 is octal): public
  // exactly where inet_addr gives a public value.
  const char* const groups[] = {"0", "1", "00", "07", "08", "010", "012", "099", "10", "127", "168", "172",
                                "192", "254", "255", "256", "300", "377"};
  int added = 0;
  for (const char* a : groups)
    for (const char* b : groups)
      for (const char* c : {"0", "01", "16", "255", "08"})
        for (const char* d : {"1", "0", "010", "256"}) {
          const std::string address = std::string(a) + "." + b + "." + c + "." + d;
          const uint32_t value = AddressValue(address);
          const bool kept = value != 0 && !IsPrivateAddress(address, value) && address != "255.255.255.255";
          EXPECT_EQ(Extracted({address}), kept ? TStrings_{address} : TStrings_{}) << address;
          added += kept;
        }
  EXPECT_GT(added, 1000);
}

TEST_F(AnalysisTest, AnalyseModePlotsTheFileAndUnloadBringsTheLiveViewBack) {
  PresentMachine();
  Main->actRefresh->Execute();   // a live poll
  ASSERT_EQ(Main->VisualizedIPs[1], "8.8.8.8");
  const int polls = Main->GlobeUpdates;
  LogState.LogPath = Dir + "\\tcp.log";
  WriteTextFile(LogState.LogPath, "");
  Settings.LogConnections = true;

  Analyse(File("access.log", "GET / from 1.2.3.4\r\nGET /x from 5.5.5.5:443\r\nagain 1.2.3.4\r\nlocal 10.1.1.1\r\n"
                             "Berlin 11.2.3.45.\r\n"));
  EXPECT_EQ(Lines(Main->AnalyzedIPs), (TStrings_{GlobeState.HomeIP, "1.2.3.4", "5.5.5.5", "11.2.3.45"}));
  EXPECT_EQ(Lines(Main->VisualizedIPs), Lines(Main->AnalyzedIPs));
  EXPECT_EQ(PollState.LiveAddressCount, 1);
  EXPECT_EQ(Main->GlobeUpdates, polls + 1);
  EXPECT_EQ(Main->PlottedIndices, (std::vector<int>{0, 1, 2, 3}));
  EXPECT_EQ(Main->LocationLabels[1], "Sydney, AU");
  EXPECT_EQ(Main->AnalyzedLines.Count(), 5);
  EXPECT_TRUE(Main->Unloadanalysedfile1->Enabled);
  EXPECT_FALSE(Main->ConnectionsTable1->Enabled);
  EXPECT_FALSE(Form5->Visible());
  EXPECT_TRUE(AnalysisState.AnalyzedFilePath.empty());
  EXPECT_NE(ReadTextFile(LogState.LogPath).find(" Entering analyze mode. Logging suspended.\r\n"), std::string::npos);
  EXPECT_EQ(ReadTextFile(LogState.LogPath).rfind("---> ", 0), 0u);
  // the window shows the whole file
  ASSERT_TRUE(Form6->Visible());
  EXPECT_EQ(Form6->RichEdit1->Text(), "GET / from 1.2.3.4\r\nGET /x from 5.5.5.5:443\r\nagain 1.2.3.4\r\nlocal 10.1.1.1\r\n"
                                      "Berlin 11.2.3.45.");
  EXPECT_FALSE(Form6->corren->Enabled);
  EXPECT_EQ(Form6->StatusBar1->Panels(0)->Text(), " Ready.");
  EXPECT_EQ(Form6->StatusBar1->Panels(1)->Text(), " 4 unique IP addresses");

  // no polls meanwhile, and no table
  Main->actRefresh->Execute();
  EXPECT_EQ(Main->GlobeUpdates, polls + 1);

  Main->Unloadanalysedfile1->Click();
  EXPECT_EQ(Main->AnalyzedIPs.Count(), 0);
  EXPECT_EQ(Main->AnalyzedLines.Count(), 0);
  EXPECT_FALSE(Form6->Visible());
  EXPECT_FALSE(Main->Unloadanalysedfile1->Enabled);
  EXPECT_TRUE(Main->ConnectionsTable1->Enabled);
  EXPECT_NE(ReadTextFile(LogState.LogPath).find(" Leaving analyze mode. Logging resumed.\r\n"), std::string::npos);
  // the poll timer is off, so the live view comes back at once
  EXPECT_EQ(Main->GlobeUpdates, polls + 2);
  EXPECT_EQ(Lines(Main->VisualizedIPs)[1], "8.8.8.8");
  Settings.LogConnections = false;
}

TEST_F(AnalysisTest, FilesWithoutAddressesOrTextChangeNothing) {
  const std::string first = File("first.log", "to 1.2.3.4\r\n");
  Analyse(first);
  ASSERT_EQ(Main->AnalyzedIPs.Count(), 2);
  const TStrings_ plotted = Lines(Main->VisualizedIPs);

  // private addresses only: the window says so, the loaded analysis stays
  Analyse(File("private.log", "10.0.0.1 192.168.0.1\r\n127.0.0.1\r\n"));
  EXPECT_TRUE(Form5->Visible());
  EXPECT_EQ(Form5->Label1->Caption(), "0 unique IP numbers found");
  EXPECT_EQ(Form5->BitBtn1->Kind(), TBitBtnKind::bkOK);
  EXPECT_EQ(Lines(Main->AnalyzedIPs), (TStrings_{GlobeState.HomeIP, "1.2.3.4"}));
  EXPECT_EQ(Lines(Main->AnalyzedLines), TStrings_{"to 1.2.3.4"});
  EXPECT_EQ(Lines(Main->VisualizedIPs), plotted);
  EXPECT_TRUE(Main->Unloadanalysedfile1->Enabled);
  ClickClient(Form5->BitBtn1->Handle(), 20, 10);
  PumpFor(80);
  EXPECT_FALSE(Form5->Visible());

  // an empty file
  Analyse(File("empty.log", ""));
  EXPECT_EQ(Form5->Label1->Caption(), "0 unique IP numbers found");
  EXPECT_EQ(Lines(Main->AnalyzedIPs), (TStrings_{GlobeState.HomeIP, "1.2.3.4"}));
  Form5->Close();

  // a binary file is refused with a message
  Analyse(File("image.bin", std::string("GIF89a\0\0 1.2.3.9", 16)));
  ASSERT_EQ(Main->Messages.size(), 1u);
  EXPECT_NE(Main->Messages[0].Text.find("is not a text file"), std::string::npos);
  EXPECT_FALSE(Form5->Visible());
  EXPECT_EQ(Lines(Main->AnalyzedIPs), (TStrings_{GlobeState.HomeIP, "1.2.3.4"}));

  // A file of 4 GiB and 12 bytes (sparse: text, then a hole) is refused
  // before any scan; its size taken in 32 bits would be its 12 bytes of text.
  const std::string huge = Dir + "\\huge.log";
  {
    HANDLE f = CreateFileA(huge.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(f, "to 1.2.3.9\r\n", 12, &written, nullptr);
    LARGE_INTEGER end;
    end.QuadPart = (int64_t{1} << 32) + 12;
    const bool sized = SetFilePointerEx(f, end, nullptr, FILE_BEGIN) && SetEndOfFile(f);
    CloseHandle(f);
    ASSERT_TRUE(sized);
  }
  bool scanShown = false;
  Form5->OnShow = [&](TObject*) { scanShown = true; };
  Analyse(huge);
  Form5->OnShow = nullptr;
  DeleteFileA(huge.c_str());
  ASSERT_EQ(Main->Messages.size(), 2u);
  EXPECT_EQ(Main->Messages[1].Text, "\"" + huge + "\" is too large to be analyzed (4097 MB; the file is held in "
                                    "memory, at most 1024 MB), so it is not analyzed.");
  EXPECT_FALSE(scanShown);
  EXPECT_FALSE(Form5->Visible());
  EXPECT_FALSE(Main->Scanning());
  EXPECT_TRUE(AnalysisState.AnalyzedFilePath.empty());
  EXPECT_EQ(Lines(Main->AnalyzedIPs), (TStrings_{GlobeState.HomeIP, "1.2.3.4"}));
  EXPECT_EQ(Lines(Main->AnalyzedLines), TStrings_{"to 1.2.3.4"});

  // a file that cannot be read: the class library's open error
  const std::string locked = File("locked.log", "1.2.3.9\r\n");
  HANDLE h = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  EXPECT_THROW(Analyse(locked), EFOpenError);
  CloseHandle(h);
  EXPECT_TRUE(AnalysisState.AnalyzedFilePath.empty());
  EXPECT_EQ(Lines(Main->AnalyzedIPs), (TStrings_{GlobeState.HomeIP, "1.2.3.4"}));
  EXPECT_EQ(Lines(Main->AnalyzedLines), TStrings_{"to 1.2.3.4"});

  // a cancelled picker does nothing
  OpenPath.clear();
  Main->EnterIP1Click(Main->EnterIP1);
  EXPECT_EQ(Lines(Main->AnalyzedIPs), (TStrings_{GlobeState.HomeIP, "1.2.3.4"}));

  // one line of 3 MB: its addresses are found (the window's part is the
  // analysis_window test's)
  Main->TableOptions.Put(1, "0");
  Form6->FormCreate(Form6);
  std::string longLine = "start 8.8.8.8 ";
  while (longLine.size() < (3u << 20)) longLine += "GET /index.html?id=12345 HTTP/1.1 200 ";
  longLine += "end 5.5.5.5";
  Analyse(File("long.log", longLine + "\r\n"));
  EXPECT_EQ(Lines(Main->AnalyzedIPs), (TStrings_{GlobeState.HomeIP, "8.8.8.8", "5.5.5.5"}));
  EXPECT_EQ(Main->AnalyzedLines.Count(), 1);

  // Beyond 16 MB the window shows a note instead of the rest.
  TShownText shown;
  const std::string megabyte(1u << 20, 'x');
  for (int i = 0; i < 18; ++i) shown.Add(megabyte);
  const std::string text = shown.Text();
  const std::string note = "\r\n[3 more lines not shown: the window shows at most 16 MB.]";   // one in part
  EXPECT_EQ(text.substr(text.size() - note.size()), note);
  EXPECT_LE(text.size(), (16u << 20) + ShownLineLimit + 2 + note.size());
}

TEST_F(AnalysisTest, AHundredMegabyteFileShowsItsProgressAndCancelLeavesEverythingAsItWas) {
  PresentMachine();
  Main->actRefresh->Execute();
  const TStrings_ plotted = Lines(Main->VisualizedIPs);
  const std::string path = Dir + "\\big.log";
  {
    std::ofstream f(path.c_str(), std::ios::binary);
    char line[160];
    size_t written = 0;
    for (int i = 0; written < (100u << 20); ++i) {
      const int n = i % 20 == 0 ? std::snprintf(line, sizeof line, "2026-12-09 10:00:%02d accept %d.%d.%d.%d:%d\r\n",
                                                i % 60, 1 + i % 200, i / 200 % 256, i / 51200 % 256, i % 251, i % 65536)
                                : std::snprintf(line, sizeof line, "2026-12-09 10:00:%02d worker %d finished job %d\r\n",
                                                i % 60, i % 7, i);
      f.write(line, n);
      written += static_cast<size_t>(n);
    }
  }
  // Cancel, clicked as the user clicks it once the bar has moved
  int positionAtCancel = -1;
  std::string labelAtCancel;
  auto* watch = new TTimer(Main);
  watch->SetInterval(100);
  watch->OnTimer = [&](TObject*) {
    if (positionAtCancel >= 0 || !Form5->Visible() || Form5->ProgressBar1->Position() == 0) return;
    positionAtCancel = Form5->ProgressBar1->Position();
    labelAtCancel = Form5->Label1->Caption();
    SaveBmp(CaptureClient(Form5->Handle()), "scanning.bmp");
    const POINT p = ClientToScreenPoint(Form5->BitBtn1->Handle(), 20, 10);
    ClickAt(p.x, p.y);
  };
  Analyse(path);
  watch->SetEnabled(false);
  ASSERT_GT(positionAtCancel, 0);
  EXPECT_LT(positionAtCancel, Form5->ProgressBar1->Max());
  EXPECT_GT(Form5->ProgressBar1->Max(), 2000000);
  EXPECT_NE(labelAtCancel, "0 unique IP numbers found");
  EXPECT_NE(labelAtCancel.find(" unique IP numbers found"), std::string::npos);
  EXPECT_FALSE(Form5->Visible());
  EXPECT_EQ(Main->AnalyzedIPs.Count(), 0);
  EXPECT_EQ(Main->AnalyzedLines.Count(), 0);
  EXPECT_EQ(Lines(Main->VisualizedIPs), plotted);
  EXPECT_FALSE(Main->Unloadanalysedfile1->Enabled);
  EXPECT_TRUE(AnalysisState.AnalyzedFilePath.empty());
  EXPECT_FALSE(Main->Scanning());
  DeleteFileA(path.c_str());
}

TEST_F(AnalysisTest, EntriesOfAnAddressAreFilteredHighlightedAndFoundWithF3) {
  Main->TableOptions.Put(0, "1");   // corresponding entries only
  Form6->FormCreate(Form6);
  Analyse(File("mixed.log", "a 1.2.3.4 b\r\nc 11.2.3.45 d\r\ne 1.2.3.4:80 and 1.2.3.4.\r\nf 1.2.3.45\r\ng 21.2.3.4\r\n"));
  ASSERT_TRUE(Form6->Visible());
  SetForegroundWindow(Form6->Handle());
  PumpFor(100);
  auto* entry = new TMenuItem(Main);
  entry->Caption = "1.2.3.4";
  Main->showentryClick(entry);
  EXPECT_EQ(SearchedAddress, "1.2.3.4");
  EXPECT_TRUE(Form6->corren->Enabled);
  EXPECT_EQ(Form6->StatusBar1->Panels(0)->Text(), " 2 instances of 1.2.3.4 found.");
  EXPECT_EQ(Form6->RichEdit1->Text(), " a 1.2.3.4 b\r\n e 1.2.3.4:80 and 1.2.3.4.");
  // positions count a line break as one character
  const std::vector<int> hits = {3, 16, 31};
  for (int p = 0; p < 40; ++p) {
    const bool inHit = std::any_of(hits.begin(), hits.end(), [&](int h) { return p >= h && p < h + 7; });
    EXPECT_EQ(CharColor(p) == clRed, inHit) << p;
  }

  // the whole file: whole occurrences red, the others not
  Form6->corren->Click();
  EXPECT_FALSE(Form6->corren->Checked());
  EXPECT_EQ(Main->TableOptions[0], "0");
  EXPECT_EQ(Form6->StatusBar1->Panels(2)->Text(), " Press F3 to search through file");
  const std::string text = RichEditText(Form6->RichEdit1);
  ASSERT_EQ(text, "a 1.2.3.4 b\rc 11.2.3.45 d\re 1.2.3.4:80 and 1.2.3.4.\rf 1.2.3.45\rg 21.2.3.4");
  const std::vector<int> whole = {2, 28, 43};
  for (int p = 0; p < static_cast<int>(text.size()); ++p) {
    const bool inHit = std::any_of(whole.begin(), whole.end(), [&](int h) { return p >= h && p < h + 7; });
    EXPECT_EQ(CharColor(p) == clRed, inHit) << p;
  }
  Form6->RichEdit1->SetSelStart(0);
  UpdateWindow(Form6->Handle());
  PumpFor(100);
  RECT window;
  GetWindowRect(Form6->Handle(), &window);
  SaveBmp(CaptureScreen(window), "analyzed_file.bmp");
  TCapture shot = CaptureClient(Form6->RichEdit1->Handle());
  EXPECT_GT(shot.Count(0xFF0000), 20);   // red text on screen

  // F3 from the keyboard: each whole occurrence in turn, then over again
  Form6->RichEdit1->SetFocus();
  std::vector<int> carets;
  for (int i = 0; i < 5; ++i) {
    PressKey(VK_F3);
    PumpFor(80);
    carets.push_back(Caret());
  }
  EXPECT_EQ(carets, (std::vector<int>{2, 28, 43, static_cast<int>(text.size()), 2}));

  // one line of its own: " instance", no "s"
  entry->Caption = "11.2.3.45";
  Main->showentryClick(entry);
  EXPECT_EQ(Form6->StatusBar1->Panels(0)->Text(), " 1 instance of 11.2.3.45 found.");
}

TEST_F(AnalysisTest, ExportWritesTheChosenFieldsOfEveryAddress) {
  Analyse(File("export.log", "1.2.3.4 8.8.8.8 203.0.113.9 9.9.9.9\r\n"));
  ASSERT_TRUE(Form6->Visible());
  Form6->Exportlist1->Click();
  EXPECT_TRUE(Form6->Panel1->Visible());
  EXPECT_FALSE(Form6->Exportlist1->Enabled);
  EXPECT_EQ(Form6->Panel1->Left(), Form6->Width() / 2 - 170);
  EXPECT_EQ(Form6->GroupBox1->Caption(), " Select fields to export ");
  PumpFor(100);
  RECT window;
  GetWindowRect(Form6->Handle(), &window);
  TCapture shot = CaptureScreen(window);
  SaveBmp(shot, "export_panel.bmp");
  // the panel lies over the text: its face where the middle of the text was
  const POINT middle = ClientToScreenPoint(Form6->Panel1->Handle(), 170, 81);
  EXPECT_EQ(shot.At(middle.x - window.left, middle.y - window.top),
            ((GetSysColor(COLOR_BTNFACE) & 0xFF) << 16) | (GetSysColor(COLOR_BTNFACE) & 0xFF00) |
                ((GetSysColor(COLOR_BTNFACE) >> 16) & 0xFF));
  ClickClient(Form6->BitBtn2->Handle(), 20, 10);   // Cancel
  PumpFor(80);
  EXPECT_FALSE(Form6->Panel1->Visible());
  EXPECT_TRUE(Form6->Exportlist1->Enabled);
  Form6->Exportlist1->Click();
  SavePath = Dir + "\\out.txt";
  ClickClient(Form6->BitBtn1->Handle(), 20, 10);
  PumpFor(80);
  EXPECT_EQ(SaveExt, "txt");
  EXPECT_EQ(SaveFilter, "TEXT file ");
  EXPECT_EQ(SaveName, "Vantrel_output");
  EXPECT_FALSE(Form6->Panel1->Visible());
  EXPECT_TRUE(Form6->Exportlist1->Enabled);
  EXPECT_EQ(ReadTextFile(SavePath),
            "81.2.69.160  London GB  51.50N 0.12W\r\n"
            "1.2.3.4  Sydney AU  33.50S 151.20E\r\n"
            "8.8.8.8  Mountain View US  37.39N 122.08W\r\n"
            "203.0.113.9  IP not in database --  90.00N 0.00E\r\n"
            "9.9.9.9  Unknown   \r\n");   // a place without a city line: no place, no coordinates
  // the first entry's lookup answers "Loc" for it: a country, still no place
  PollState.PlotIndex = 0;
  Form6->BitBtn1Click(Form6->BitBtn1);
  EXPECT_NE(ReadTextFile(SavePath).find("\r\n9.9.9.9  Unknown Lo  \r\n"), std::string::npos);
  // coordinates only
  PollState.PlotIndex = 1;
  Form6->Exportlist1->Click();
  Form6->CheckBox2->SetChecked(false);
  Form6->CheckBox3->SetChecked(false);
  Form6->CheckBox4->SetChecked(false);
  Form6->BitBtn1Click(Form6->BitBtn1);
  EXPECT_EQ(ReadTextFile(SavePath), "51.50N 0.12W\r\n33.50S 151.20E\r\n37.39N 122.08W\r\n90.00N 0.00E\r\n\r\n");
  // nothing chosen: nothing written
  Form6->CheckBox5->SetChecked(false);
  DeleteFileA(SavePath.c_str());
  Form6->BitBtn1Click(Form6->BitBtn1);
  EXPECT_FALSE(FileExists(SavePath));
}

TEST_F(AnalysisTest, TheScanFindsWhatGrepFindsInAGeneratedLog) {
  std::set<std::string> expected;
  {
    TStringList e;
    e.LoadFromFile("peer.expected");
    for (int i = 0; i < e.Count(); ++i) expected.insert(e[i]);
  }
  ASSERT_GT(expected.size(), 1000u);
  ASSERT_LT(expected.size(), 9999u);
  Main->TableOptions.Put(1, "0");   // no window: the comparison is the point
  Form6->FormCreate(Form6);
  Analyse(GetCurrentDir() + "\\peer.log");
  std::set<std::string> found;
  for (int i = 1; i < Main->AnalyzedIPs.Count(); ++i) found.insert(Main->AnalyzedIPs[i]);
  EXPECT_EQ(found.size(), static_cast<size_t>(Main->AnalyzedIPs.Count() - 1)) << "each address once";
  std::vector<std::string> missing, extra;
  std::set_difference(expected.begin(), expected.end(), found.begin(), found.end(), std::back_inserter(missing));
  std::set_difference(found.begin(), found.end(), expected.begin(), expected.end(), std::back_inserter(extra));
  EXPECT_TRUE(missing.empty()) << missing.size() << " missed, first " << (missing.empty() ? "" : missing[0]);
  EXPECT_TRUE(extra.empty()) << extra.size() << " more, first " << (extra.empty() ? "" : extra[0]);
}

TEST_F(AnalysisTest, NoMoreThan9999EntriesAreKeptTheFirstFound) {
  Main->TableOptions.Put(1, "0");   // no window
  Form6->FormCreate(Form6);
  std::string text;
  for (int i = 0; i < 10050; ++i) text += "peer 2." + IntToStr(i / 256) + "." + IntToStr(i % 256) + ".7\r\n";
  Analyse(File("many.log", text));
  ASSERT_EQ(Main->AnalyzedIPs.Count(), 9999);
  EXPECT_EQ(Main->AnalyzedIPs[0], GlobeState.HomeIP);
  EXPECT_EQ(Main->AnalyzedIPs[1], "2.0.0.7");
  EXPECT_EQ(Main->AnalyzedIPs[9998], "2.39.13.7");   // the 9,998th found
  EXPECT_EQ(Main->VisualizedIPs.Count(), 9999);
  EXPECT_EQ(Main->AnalyzedLines.Count(), 10050);
}

TEST_F(AnalysisTest, TheOptionsWindowsLoadButtonAnalysesTheConnectionLogAndUnloadsIt) {
  Main->TableOptions.Put(1, "0");   // the "Analyzed file" window stays closed
  Form6->FormCreate(Form6);
  LogState.LogPath = Dir + "\\tcp.log";
  WriteTextFile(LogState.LogPath, "IP [country]              Connection start            Connection End\r\n" +
                             std::string(74, '-') + "\r\n"
                             "1.2.3.4 [AU]          Start: 09.12.2026 10:00:00  End: 09.12.2026 10:00:02\r\n"
                             "8.8.8.8 [US]          Start: 09.12.2026 10:00:00  End: 09.12.2026 10:00:04\r\n");
  MakeForm(aform);
  Main->aboutform(Main);
  TOptionControls& o = Main->OptionControls;
  ASSERT_NE(o.LoadButton, nullptr);
  auto states = [&] {   // the load button, the address list's browse button, the capture box
    return std::string{o.LoadButton->Enabled() ? '1' : '0', o.BrowseButton->Enabled() ? '1' : '0',
                       o.SaveImages->Enabled() ? '1' : '0'};
  };
  EXPECT_EQ(o.LoadButton->Caption(), "[&Load]");
  EXPECT_EQ(states(), "111");
  std::string duringScan;
  Form5->OnShow = [&](TObject*) { duringScan = states(); };
  SetForegroundWindow(aform->Handle());
  PumpFor(100);
  auto clickLoadButton = [&] {
    PumpFor(GetDoubleClickTime() + 50);   // a click of its own, not the second of a double click
    ClickClient(o.LoadButton->Handle(), 23, 11);
    PumpFor(150);
  };

  clickLoadButton();
  EXPECT_EQ(duringScan, "000");
  EXPECT_EQ(Lines(Main->AnalyzedIPs), (TStrings_{GlobeState.HomeIP, "1.2.3.4", "8.8.8.8"}));
  EXPECT_EQ(Main->AnalyzedLines.Count(), 4);
  EXPECT_EQ(o.LoadButton->Caption(), "[&Unload]");
  EXPECT_EQ(states(), "100");
  RECT window;
  GetWindowRect(aform->Handle(), &window);
  SaveBmp(CaptureScreen(window), "options_unload.bmp");
  // closed and opened again, the window remembers it
  aform->Close();
  PumpFor(50);
  Main->aboutform(Main);
  ASSERT_NE(o.LoadButton, nullptr);
  EXPECT_EQ(o.LoadButton->Caption(), "[&Unload]");
  EXPECT_EQ(states(), "100");
  SetForegroundWindow(aform->Handle());
  PumpFor(100);

  // now it unloads
  clickLoadButton();
  EXPECT_EQ(Main->AnalyzedIPs.Count(), 0);
  EXPECT_FALSE(Main->Unloadanalysedfile1->Enabled);
  EXPECT_EQ(o.LoadButton->Caption(), "[&Load]");
  EXPECT_EQ(Main->LoadCaption, "[&Load]");
  EXPECT_EQ(states(), "111");

  // the log again, then another file: the button offers the log once more
  clickLoadButton();
  EXPECT_EQ(o.LoadButton->Caption(), "[&Unload]");
  Analyse(File("other.log", "to 5.5.5.5\r\n"));
  EXPECT_EQ(Lines(Main->AnalyzedIPs), (TStrings_{GlobeState.HomeIP, "5.5.5.5"}));
  EXPECT_EQ(o.LoadButton->Caption(), "[&Load]");
  EXPECT_EQ(Main->LoadCaption, "[&Load]");
  EXPECT_EQ(states(), "100");
  aform->Close();
  PumpFor(50);

  // Opened while a scan runs (one begun from the tray menu), the window
  // offers neither the log nor a list or snapshots until the scan is done.
  duringScan.clear();
  Form5->OnShow = [&](TObject*) {
    Main->aboutform(Main);
    duringScan = states();
  };
  Analyse(File("third.log", "to 6.6.6.6\r\n"));
  Form5->OnShow = nullptr;
  EXPECT_EQ(duringScan, "000");
  ASSERT_NE(o.LoadButton, nullptr);
  EXPECT_EQ(states(), "100");
  aform->Close();
  PumpFor(50);
}
