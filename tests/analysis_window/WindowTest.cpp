// The "Analyzed file" window with a file of 13 MB, in a test program of its
// own: under Wine a rich edit takes its first large text fastest (a later
// one waits on the memory an earlier one freed).
#include <windows.h>
#include <commdlg.h>

#include <algorithm>

#include "MonitorWindows.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainSettings.h"

namespace {
std::string OpenPath;
BOOL WINAPI AnswerOpen(LPOPENFILENAMEA O) {
  lstrcpynA(O->lpstrFile, OpenPath.c_str(), static_cast<int>(O->nMaxFile));
  return TRUE;
}
}  // namespace

TEST_F(TableTest, AFileOfThirteenMegabytesIsShownWholeAndF3ReachesItsLastAddress) {
  GetOpenFileNameProc = AnswerOpen;
  Main->Timer->SetEnabled(false);
  Settings.LogConnections = false;
  Main->TableOptions.SetText("0\n0\n1\n0\n0\n");   // the whole file; the window opens with "Show entries"
  Form6->FormCreate(Form6);
  // Lines of about 1,000 characters, a line of 3 MB amid them, 5.6.7.8 in
  // the first and the last line.
  std::string text = "first from 5.6.7.8\r\n";
  const std::string filler(990, 'q');
  for (int i = 0; text.size() < (5u << 20); ++i) text += IntToStr(100000 + i) + " " + filler + "\r\n";
  std::string longLine = "long";
  while (longLine.size() < (3u << 20)) longLine += "/index.html?id=12345&b=" + IntToStr(static_cast<int>(longLine.size()));
  text += longLine + "\r\n";
  for (int i = 0; text.size() < (13u << 20); ++i) text += IntToStr(200000 + i) + " " + filler + "\r\n";
  text += "last from 5.6.7.8\r\n";
  OpenPath = Dir + "\\big.log";
  WriteTextFile(OpenPath, text);
  Main->EnterIP1Click(Main->EnterIP1);
  ASSERT_EQ(Lines(Main->AnalyzedIPs), (std::vector<std::string>{GlobeState.HomeIP, "5.6.7.8"}));

  auto* entry = new TMenuItem(Main);
  entry->Caption = "5.6.7.8";
  Main->showentryClick(entry);
  ASSERT_TRUE(Form6->Visible());
  EXPECT_EQ(Form6->StatusBar1->Panels(0)->Text(), " 2 instances of 5.6.7.8 found.");
  // Whole: the same characters, only the long line broken into pieces.
  const std::string shown = RichEditText(Form6->RichEdit1);   // a line break is one CR
  std::string file = text.substr(0, text.size() - 2), shownChars = shown;
  file.erase(std::remove(file.begin(), file.end(), '\n'), file.end());
  file.erase(std::remove(file.begin(), file.end(), '\r'), file.end());
  shownChars.erase(std::remove(shownChars.begin(), shownChars.end(), '\r'), shownChars.end());
  EXPECT_TRUE(shownChars == file) << shownChars.size() << " characters shown of " << file.size();
  size_t longest = 0;
  for (size_t at = 0; at < shown.size();) {
    const size_t end = std::min(shown.find('\r', at), shown.size());
    longest = std::max(longest, end - at);
    at = end + 1;
  }
  EXPECT_EQ(longest, ShownLineLimit);

  // F3 from the keyboard: the first, then the last address, then over again
  SetForegroundWindow(Form6->Handle());
  PumpFor(100);
  Form6->RichEdit1->SetFocus();
  std::vector<int> carets;
  for (int i = 0; i < 3; ++i) {
    PressKey(VK_F3);
    PumpFor(150);
    carets.push_back(Form6->RichEdit1->SelStart());
  }
  const int last = static_cast<int>(shown.rfind("5.6.7.8"));
  EXPECT_GT(last, 12 << 20);   // far beyond the 1 MB shown before
  EXPECT_EQ(carets, (std::vector<int>{11, last, static_cast<int>(shown.size())}));
  UpdateWindow(Form6->Handle());
  PumpFor(100);
  RECT window;
  GetWindowRect(Form6->Handle(), &window);
  SaveBmp(CaptureScreen(window), "last_address.bmp");
}
