// Analysing a file: every public IPv4 address in a text file is plotted
// instead of the live connections (analyse mode), and the file is shown in
// the "Analyzed file" window.
#include <cstring>

#include "classlib/Dialogs.h"
#include "monitor/Unit5.h"
#include "monitor/Unit6.h"
#include "monitor/uAddressMatch.h"
#include "viewer/NsMain.h"

std::string AnalyzedFilePath;

namespace {
// The scan lets messages through (Cancel) about this often, and shows its
// progress less often (painting costs more than the scan between).
constexpr double PumpSeconds = 0.025;
constexpr double ProgressSeconds = 0.1;
// Lines longer than this are scanned in pieces of it, messages between.
constexpr size_t ScanSlice = 1u << 20;

class TClock {
public:
  TClock() {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    FFrequency = static_cast<double>(f.QuadPart);
  }
  double Now() const {
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return static_cast<double>(c.QuadPart) / FFrequency;
  }

private:
  double FFrequency = 1;
};
}  // namespace

// ---- Addresses of a line ----

TAnalyzedAddresses::TAnalyzedAddresses(TStringList& List) : FList(List) {
  for (int i = 0; i < List.Count(); ++i) FSeen.insert(List[i]);
}

void TAnalyzedAddresses::Add(const std::string& Address) {
  if (!FSeen.insert(Address).second) return;   // each text is judged once
  if (Address.size() <= 6 || Address == "127.0.0.1" || Address == "0.0.0.0" || Address == "255.255.255.255")
    return;
  const uint32_t value = AddressValue(Address);
  if (value == 0 || IsPrivateAddress(Address, value)) return;
  FList.Add(Address);
}

void ExtractIPsFromLine(const std::string& Line, TAnalyzedAddresses& IPs) {
  TAddressScanner scanner(Line);
  size_t position, length;
  while (scanner.Next(position, length)) IPs.Add(Line.substr(position, length));
}

// ---- The file picker ----

void TMainForm::freq(TObject* Sender) {
  OpenDialog1->Options.Include(TOpenOption::ofFileMustExist);
  const bool chosen = OpenDialog1->Execute();
  // The options window's browse button fills its address list field.
  if (Sender && Sender == OptionControls.BrowseButton && OptionControls.IPList) {
    if (chosen) OptionControls.IPList->SetText(OpenDialog1->FileName);
    return;
  }
  AnalyzedFilePath = chosen ? OpenDialog1->FileName : std::string();
}

// ---- Analysing ----

// The file's lines; false (and the user told) when it holds no text.
bool TMainForm::LoadAnalyzedFile(const std::string& FileName, TStringList& Lines) {
  std::string bytes;
  {
    TFileStream f(FileName, fmOpenRead | fmShareDenyWrite);   // EFOpenError when it cannot be read
    bytes.resize(static_cast<size_t>(f.Size()));
    if (!bytes.empty()) f.ReadBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
  }
  if (std::memchr(bytes.data(), '\0', bytes.size())) {
    TellUser("\"" + FileName + "\" is not a text file (it holds NUL characters), so it is not analyzed.",
             MB_OK | MB_ICONWARNING);
    return false;
  }
  Lines.SetText(bytes);
  return true;
}

void TMainForm::EnterIP1Click(TObject* Sender) {
  if (FScanning) {   // one scan at a time: the running one has its window
    if (Form5) Form5->BringToFront();
    return;
  }
  freq(Sender);
  SendToBackForBrowser();
  if (AnalyzedFilePath.empty()) return;

  // What a scan replaces stays until it has succeeded: a cancelled scan or
  // a file without addresses leaves the program as it was.
  TStringList previousLines, previousIPs;
  previousLines.AddStrings(AnalyzedLines);
  previousIPs.AddStrings(AnalyzedIPs);
  auto restore = [&] {
    AnalyzedLines.Clear();
    AnalyzedLines.AddStrings(previousLines);
    AnalyzedIPs.Clear();
    AnalyzedIPs.AddStrings(previousIPs);
  };
  bool loaded = false;
  try {
    AnalyzedLines.Clear();
    loaded = LoadAnalyzedFile(AnalyzedFilePath, AnalyzedLines);
  } catch (...) {
    restore();
    AnalyzedFilePath.clear();
    throw;
  }
  if (!loaded) {
    restore();
    AnalyzedFilePath.clear();
    return;
  }

  FScanning = true;
  struct TScanEnd {
    bool& Scanning;
    ~TScanEnd() { Scanning = false; }
  } scanEnd{FScanning};
  const int lineCount = AnalyzedLines.Count();
  try {
    Form5->SetScanning(true);
    Form5->Label1->SetCaption("0 unique IP numbers found");
    Form5->ProgressBar1->SetPosition(0);
    Form5->Show();
    Application->ProcessMessages();
    Form5->ProgressBar1->SetMax(lineCount);

    AnalyzedIPs.Clear();
    AnalyzedIPs.Add(HomeIP);
    TAnalyzedAddresses found(AnalyzedIPs);
    const TClock clock;
    double next = clock.Now() + PumpSeconds, nextProgress = 0;
    size_t bytes = 0;
    int line = 0;
    // Shows the progress and lets messages through; false once cancelled.
    auto pump = [&] {
      const double now = clock.Now();
      if (now >= nextProgress || line >= lineCount) {
        Form5->ProgressBar1->SetPosition(line);
        Form5->Label1->SetCaption(IntToStr(AnalyzedIPs.Count() - 1) + " unique IP numbers found");
        nextProgress = now + ProgressSeconds;
      }
      if (AnalyzedFilePath.empty()) return false;
      Application->ProcessMessages();
      next = clock.Now() + PumpSeconds;
      if (Application->Terminated()) AnalyzedFilePath.clear();   // the program is ending
      return !AnalyzedFilePath.empty();
    };
    bool going = true;
    for (; line < lineCount && going; ++line) {
      const std::string& text = AnalyzedLines[line];
      if (text.size() <= ScanSlice) {
        ExtractIPsFromLine(text, found);
      } else {
        TAddressScanner scanner(text);
        size_t position, length;
        for (size_t until = ScanSlice; going; until += ScanSlice) {
          while (scanner.Next(position, length, until)) found.Add(text.substr(position, length));
          if (scanner.AtEnd()) break;
          if (clock.Now() >= next) going = pump();
        }
      }
      // the clock is read every 64 KB of text or 256 lines
      bytes += text.size() + 16;
      if (bytes >= 65536 || (line & 255) == 255) {
        bytes = 0;
        if (clock.Now() >= next) going = pump();
      }
    }
    if (going) pump();
    if (AnalyzedFilePath.empty()) AnalyzedIPs.Clear();   // cancelled
    // more than the globe can take: the first ones found stay
    while (AnalyzedIPs.Count() > MaxAnalyzedIPs) AnalyzedIPs.Delete(AnalyzedIPs.Count() - 1);
  } catch (...) {
    restore();
    AnalyzedFilePath.clear();
    if (Form5) Form5->Close();
    throw;
  }

  if (!AnalyzedFilePath.empty() && AnalyzedIPs.Count() > 1) {
    // analyse mode
    VisualizedIPs.Clear();
    LocationLabels.Clear();
    DetailRows.Clear();
    LiveAddressCount = 1;
    VisualizedIPs.AddStrings(AnalyzedIPs);
    Unloadanalysedfile1->Enabled = true;
    ConnectionsTable1->Enabled = false;
    Application->ProcessMessages();
    if (LogConnections && !(Form6 && Form6->Visible())) AppendLogNote("Entering analyze mode. Logging suspended.");
    if (Form6 && Form6->showthis->Checked()) Form6->Show();
    if (Form6 && Form6->Visible()) {
      Form6->ShowWholeFile();
      Form6->corren->Enabled = false;
      Form6->StatusBar1->Panels(0)->SetText(" Ready.");
    }
    Form5->Close();
    Application->ProcessMessages();
    UpdateGlobe();
    AnalyzedFilePath.clear();
    return;
  }

  // Nothing found, or cancelled: the analysis loaded before (if any) stays.
  restore();
  if (AnalyzedIPs.Count() == 0) {
    Unloadanalysedfile1->Enabled = false;
    if (!InternalOff) ConnectionsTable1->Enabled = true;
  }
  AnalyzedFilePath.clear();
  Form5->Label1->SetCaption("0 unique IP numbers found");
  Form5->SetScanning(false);
}

void TMainForm::HideVisualization1Click(TObject*) {
  AnalyzedFilePath.clear();
  if (Form5) Form5->Close();
}

void TMainForm::Unloadanalysedfile1Click(TObject*) {
  if (FScanning) return;   // the scan's Cancel ends it first
  AnalyzedIPs.Clear();
  AnalyzedLines.Clear();
  if (Form6) Form6->ClearText();
  Unloadanalysedfile1->Enabled = false;
  if (LogConnections) AppendLogNote("Leaving analyze mode. Logging resumed.");
  if (Form6 && Form6->Visible()) Form6->Close();
  if (!InternalOff) ConnectionsTable1->Enabled = true;
  if (!Timer->Enabled()) actRefresh->Execute();
}

void TMainForm::showentryClick(TObject* Sender) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!item || !Form6) return;
  Form6->ShowEntries(item->Caption);
}
