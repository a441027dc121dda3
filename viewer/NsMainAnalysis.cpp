// Analysing a file: every public IPv4 address in a text file is plotted
// instead of the live connections (analyse mode), and the file is shown in
// the "Analyzed file" window.
#include <algorithm>
#include <memory>
#include <new>
#include <string_view>
#include <vector>

#include "classlib/Buttons.h"
#include "classlib/Dialogs.h"
#include "classlib/StdCtrls.h"
#include "monitor/Unit5.h"
#include "monitor/Unit6.h"
#include "monitor/uAddressMatch.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainAnalysis.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainLog.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainRefresh.h"
#include "viewer/NsMainSettings.h"

namespace {
// The scan lets messages through (Cancel) about this often, and shows its
// progress less often (painting costs more than the scan between).
constexpr double PumpSeconds = 0.025;
constexpr double ProgressSeconds = 0.1;
// The file is read in blocks of this size; a run of address characters
// longer than ScanSlice is scanned in pieces of it, messages between.
constexpr size_t ReadBlock = 1u << 20;
constexpr size_t ScanSlice = 1u << 20;
// The whole file is held in memory while it is scanned and shown: no more
// than a 32-bit program can be sure to get in one block.
constexpr int64_t MaxAnalyzedFileSize = int64_t{1} << 30;

std::string TooLargeText(const std::string& Path, int64_t Size) {
  return "\"" + Path + "\" is too large to be analyzed (" + IntToStr((Size + (1 << 20) - 1) >> 20) +
         " MB; the file is held in memory, at most " + IntToStr(MaxAnalyzedFileSize >> 20) +
         " MB), so it is not analyzed.";
}

// Whether two names name the same file.
bool SameFile(const std::string& A, const std::string& B) {
  char a[MAX_PATH], b[MAX_PATH];
  const DWORD na = GetFullPathNameA(A.c_str(), MAX_PATH, a, nullptr), nb = GetFullPathNameA(B.c_str(), MAX_PATH, b, nullptr);
  return na > 0 && na < MAX_PATH && nb > 0 && nb < MAX_PATH && SameText(a, b);
}

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

// ---- Addresses and lines of the text ----

namespace {
// A text of at most 15 digits and dots as a number of its own: four bits a
// character.
bool PackedText(std::string_view Text, uint64_t& Key) {
  if (Text.size() > 15) return false;
  Key = 0;
  for (const char c : Text) {
    const unsigned v = c == '.' ? 10u : static_cast<unsigned>(static_cast<unsigned char>(c) - '0');
    if (v > 10) return false;
    Key = Key << 4 | (v + 1);
  }
  return true;
}

// ntohl(inet_addr(Text)) of an address the scanner found (four groups of
// one to three digits, a group with a leading 0 octal); 0 where inet_addr
// fails. A large file holds hundreds of thousands of them.
uint32_t ScannedAddressValue(std::string_view Text) {
  uint32_t value = 0;
  size_t at = 0;
  for (int group = 0; group < 4; ++group) {
    const size_t end = std::min(Text.find('.', at), Text.size());
    const unsigned base = end - at > 1 && Text[at] == '0' ? 8 : 10;
    unsigned v = 0;
    for (size_t i = at; i < end; ++i) {
      const unsigned digit = static_cast<unsigned>(Text[i] - '0');
      if (digit >= base) return 0;
      v = v * base + digit;
    }
    if (v > 255) return 0;
    value = value << 8 | v;
    at = end + 1;
  }
  return value == 0xFFFFFFFFu ? 0 : value;
}
}  // namespace

TAnalyzedAddresses::TAnalyzedAddresses(TStringList& List, int Limit) : FList(List), FLimit(Limit) {
  uint64_t key;
  for (int i = 0; i < List.Count(); ++i)
    if (PackedText(List[i], key)) Seen(key);
}

bool TAnalyzedAddresses::Seen(uint64_t Key) {
  if (2 * (FSeenCount + 1) > FSeen.size()) {
    std::vector<uint64_t> old(FSeen.size() * 2);
    old.swap(FSeen);
    FSeenCount = 0;
    for (const uint64_t k : old)
      if (k) Seen(k);
  }
  const size_t mask = FSeen.size() - 1;
  for (size_t i = static_cast<size_t>((Key * 0x9E3779B97F4A7C15ull) >> 20) & mask;; i = (i + 1) & mask) {
    if (FSeen[i] == Key) return true;
    if (FSeen[i] == 0) {
      FSeen[i] = Key;
      ++FSeenCount;
      return false;
    }
  }
}

void TAnalyzedAddresses::Add(std::string_view Text) {
  uint64_t key;   // the scanner's addresses always pack
  if (!PackedText(Text, key) || Seen(key)) return;   // each text is judged once
  const std::string address(Text);
  if (address.size() <= 6 || address == "127.0.0.1" || address == "0.0.0.0" || address == "255.255.255.255")
    return;
  const uint32_t value = ScannedAddressValue(address);
  if (value == 0 || IsPrivateAddress(address, value)) return;
  ++FFound;
  if (FList.Count() < FLimit) FList.Add(address);
}

void ExtractIPsFromLine(std::string_view Line, TAnalyzedAddresses& IPs) {
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
  AnalysisState.AnalyzedFilePath = chosen ? OpenDialog1->FileName : std::string();
}

// ---- The options window's part ----

// The button's click loads while it reads "[&Load]" and unloads while it
// reads "[&Unload]".
void TMainForm::SetLoadButton(const std::string& Caption) {
  LoadCaption = Caption;
  if (OptionControls.LoadButton) OptionControls.LoadButton->SetCaption(Caption);
}

void TMainForm::EnableAnalysisControls() {
  TOptionControls& o = OptionControls;
  if (o.LoadButton) o.LoadButton->SetEnabled(!FScanning && FileExists(LogState.LogPath));
  const bool free = !FScanning && AnalyzedIPs.Count() == 0;
  if (o.BrowseButton) o.BrowseButton->SetEnabled(free);
  if (o.SaveImages) o.SaveImages->SetEnabled(free);
}

// ---- Analysing ----

void TMainForm::EnterIP1Click(TObject* Sender) {
  if (FScanning) {   // one scan at a time: the running one has its window
    if (Form5) Form5->BringToFront();
    return;
  }
  // The options window's load button analyses the connection log.
  const std::string previousCaption = LoadCaption;
  const bool logButton = Sender && Sender == OptionControls.LoadButton;
  if (logButton) {
    AnalysisState.AnalyzedFilePath = LogState.LogPath;
    SetLoadButton("[&Unload]");
  } else {
    freq(Sender);
  }
  SendToBackForBrowser();
  if (AnalysisState.AnalyzedFilePath.empty()) return;

  // What a scan replaces stays until it has succeeded: a cancelled scan, a
  // file that is no text or one without addresses leaves the program as it
  // was.
  TAnalyzedLines previousLines = std::move(AnalyzedLines);
  TStringList previousIPs;
  previousIPs.AddStrings(AnalyzedIPs);
  auto restore = [&] {
    AnalyzedLines = std::move(previousLines);
    AnalyzedIPs.Clear();
    AnalyzedIPs.AddStrings(previousIPs);
    SetLoadButton(previousCaption);
  };
  std::unique_ptr<TFileStream> file;
  try {
    file =
        std::make_unique<TFileStream>(AnalysisState.AnalyzedFilePath, fmOpenRead | fmShareDenyWrite);   // EFOpenError
  } catch (...) {
    restore();
    AnalysisState.AnalyzedFilePath.clear();
    throw;
  }

  const int64_t fileSize = file->Size();
  auto refuseTooLarge = [&] {
    restore();
    TellUser(TooLargeText(AnalysisState.AnalyzedFilePath, fileSize), MB_OK | MB_ICONWARNING);
    AnalysisState.AnalyzedFilePath.clear();
  };
  if (fileSize > MaxAnalyzedFileSize) {
    file.reset();
    refuseTooLarge();
    return;
  }

  FScanning = true;
  EnableAnalysisControls();
  struct TScanEnd {
    TMainForm& Form;
    ~TScanEnd() {
      Form.FScanning = false;
      Form.EnableAnalysisControls();
    }
  } scanEnd{*this};
  bool text = true;
  try {
    // The file is read in blocks; each is put after the text read before
    // and scanned up to its last character that no address holds, so that
    // every address is scanned whole, once. The progress counts bytes.
    const size_t size = static_cast<size_t>(fileSize);
    Form5->SetScanning(true);
    Form5->Label1->SetCaption("0 unique IP numbers found");
    Form5->ProgressBar1->SetPosition(0);
    Form5->Show();
    Application->ProcessMessages();
    Form5->ProgressBar1->SetMax(static_cast<int>(size));

    AnalyzedLines.Reserve(size);
    AnalyzedIPs.Clear();
    AnalyzedIPs.Add(GlobeState.HomeIP);
    TAnalyzedAddresses found(AnalyzedIPs);
    const TClock clock;
    double next = clock.Now() + PumpSeconds, nextProgress = 0;
    size_t scanned = 0;
    // Shows the progress and lets messages through; false once cancelled.
    auto pump = [&](bool Last) {
      const double now = clock.Now();
      if (now >= nextProgress || Last) {
        Form5->ProgressBar1->SetPosition(static_cast<int>(std::min(scanned, size)));
        Form5->Label1->SetCaption(IntToStr(found.Found()) + " unique IP numbers found");
        nextProgress = now + ProgressSeconds;
      }
      if (AnalysisState.AnalyzedFilePath.empty()) return false;
      Application->ProcessMessages();
      next = clock.Now() + PumpSeconds;
      if (Application->Terminated()) AnalysisState.AnalyzedFilePath.clear();   // the program is ending
      return !AnalysisState.AnalyzedFilePath.empty();
    };
    auto scan = [&](size_t To) {   // the text from where the last scan ended up to To
      const std::string_view piece = AnalyzedLines.Text().substr(scanned, To - scanned);
      TAddressScanner scanner(piece);
      size_t position, length;
      bool going = true;
      for (size_t until = ScanSlice; going; until += ScanSlice) {
        while (scanner.Next(position, length, until)) found.Add(piece.substr(position, length));
        if (scanner.AtEnd()) break;
        if (clock.Now() >= next) going = pump(false);   // a long run of addresses' characters
      }
      scanned = To;
      return going;
    };
    bool going = true;
    for (size_t read = 0; going && read < size;) {
      const size_t want = std::min(ReadBlock, size - read);
      char* const block = AnalyzedLines.Room(want);
      const size_t got = static_cast<size_t>(file->Read(block, static_cast<int64_t>(want)));
      if (got == 0) break;   // the file is shorter now
      if (FindChar(block, block + got, '\0') != block + got) {
        text = false;
        break;
      }
      AnalyzedLines.Grow(got);
      // up to the block's last character that is neither digit nor dot
      size_t safe = got;
      while (safe > 0 && ((block[safe - 1] >= '0' && block[safe - 1] <= '9') || block[safe - 1] == '.')) --safe;
      if (safe > 0) going = scan(read + safe);
      read += got;
      if (going && clock.Now() >= next) going = pump(false);
    }
    if (going && text && scanned < AnalyzedLines.Text().size()) going = scan(AnalyzedLines.Text().size());
    file.reset();
    if (going && text) pump(true);
    if (!text || AnalysisState.AnalyzedFilePath.empty()) AnalyzedIPs.Clear();   // no text, or cancelled
  } catch (const std::bad_alloc&) {   // no block of the file's size to be had now
    if (Form5) Form5->Close();
    refuseTooLarge();
    return;
  } catch (...) {
    restore();
    AnalysisState.AnalyzedFilePath.clear();
    if (Form5) Form5->Close();
    throw;
  }

  if (!text) {
    restore();
    Form5->Close();
    TellUser("\"" + AnalysisState.AnalyzedFilePath +
                 "\" is not a text file (it holds NUL characters), so it is not analyzed.",
             MB_OK | MB_ICONWARNING);
    AnalysisState.AnalyzedFilePath.clear();
    return;
  }
  if (!AnalysisState.AnalyzedFilePath.empty() && AnalyzedIPs.Count() > 1) {
    // analyse mode
    VisualizedIPs.Clear();
    LocationLabels.Clear();
    DetailRows.Clear();
    PollState.LiveAddressCount = 1;
    VisualizedIPs.AddStrings(AnalyzedIPs);
    Unloadanalysedfile1->Enabled = true;
    ConnectionsTable1->Enabled = false;
    if (!logButton && !SameFile(AnalysisState.AnalyzedFilePath, LogState.LogPath)) SetLoadButton("[&Load]");
    Application->ProcessMessages();
    if (Settings.LogConnections && !(Form6 && Form6->Visible()))
      AppendLogNote("Entering analyze mode. Logging suspended.");
    if (Form6 && Form6->showthis->Checked()) Form6->Show();
    if (Form6 && Form6->Visible()) {
      Form6->ShowWholeFile();
      Form6->corren->Enabled = false;
      Form6->StatusBar1->Panels(0)->SetText(" Ready.");
    }
    Form5->Close();
    Application->ProcessMessages();
    UpdateGlobe();
    AnalysisState.AnalyzedFilePath.clear();
    return;
  }

  // Nothing found, or cancelled: the analysis loaded before (if any) stays.
  restore();
  if (AnalyzedIPs.Count() == 0) {
    Unloadanalysedfile1->Enabled = false;
    if (!Settings.InternalOff) ConnectionsTable1->Enabled = true;
  }
  AnalysisState.AnalyzedFilePath.clear();
  Form5->Label1->SetCaption("0 unique IP numbers found");
  Form5->SetScanning(false);
}

void TMainForm::HideVisualization1Click(TObject*) {
  AnalysisState.AnalyzedFilePath.clear();
  if (Form5) Form5->Close();
}

void TMainForm::Unloadanalysedfile1Click(TObject*) {
  if (FScanning) return;   // the scan's Cancel ends it first
  AnalyzedIPs.Clear();
  AnalyzedLines.Clear();
  if (Form6) Form6->ClearText();
  SetLoadButton("[&Load]");
  Unloadanalysedfile1->Enabled = false;
  if (Settings.LogConnections) AppendLogNote("Leaving analyze mode. Logging resumed.");
  EnableAnalysisControls();
  if (Form6 && Form6->Visible()) Form6->Close();
  if (!Settings.InternalOff) ConnectionsTable1->Enabled = true;
  if (!Timer->Enabled()) actRefresh->Execute();
}

void TMainForm::showentryClick(TObject* Sender) {
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  if (!item || !Form6) return;
  Form6->ShowEntries(item->Caption);
}
