#include "monitor/Unit6.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "monitor/uAddressMatch.h"
#include "monitor/uLocationDatabase.h"

IMPLEMENT_CLASSINFO(TForm6, TAppWindowForm)

TForm6* Form6 = nullptr;
std::string SearchedAddress;
int SearchFrom = 0;

namespace {
const char* const F3Hint = " Press F3 to search through file";

bool AddressCharacter(char C) { return (C >= '0' && C <= '9') || C == '.'; }

// The text a rich edit streams in.
struct TStreamSource {
  const std::string& Text;
  size_t At;
};
DWORD CALLBACK StreamIn(DWORD_PTR Cookie, LPBYTE Buffer, LONG Count, LONG* Done) {
  auto* s = reinterpret_cast<TStreamSource*>(Cookie);
  const size_t n = std::min(static_cast<size_t>(std::max<LONG>(Count, 0)), s->Text.size() - s->At);
  std::memcpy(Buffer, s->Text.data() + s->At, n);
  s->At += n;
  *Done = static_cast<LONG>(n);
  return 0;
}

std::string Degrees(double Value, char Negative, char Positive) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", std::fabs(Value));
  std::string s = buf;
  for (char& c : s)
    if (c == ',') c = '.';
  return s + (Value < 0 ? Negative : Positive);
}
}  // namespace

// ---- Text shown ----

void TShownText::Add(std::string_view Line, const char* Prefix) {
  if (FLeftOut > 0 || FText.size() >= ShownTextLimit) {
    ++FLeftOut;
    return;
  }
  const std::string line = Prefix + std::string(Line);
  size_t at = 0;
  do {
    if (FText.size() >= ShownTextLimit) {   // the rest of this line is not shown
      ++FLeftOut;
      return;
    }
    size_t piece = line.size() - at;
    if (piece > ShownLineLimit) {
      // break before a run of address characters rather than inside it
      piece = ShownLineLimit;
      size_t back = piece;
      while (back > ShownLineLimit - 64 && AddressCharacter(line[at + back])) --back;
      if (back > ShownLineLimit - 64) piece = back;
    }
    if (!FText.empty() || FLines > 0) FText += "\r\n";
    FText.append(line, at, piece);
    at += piece;
  } while (at < line.size());
  ++FLines;
}

std::string TShownText::Text() const {
  if (FLeftOut == 0) return FText;
  return FText + "\r\n[" + IntToStr(FLeftOut) + " more line" + (FLeftOut > 1 ? "s" : "") +
         " not shown: the window shows at most " + IntToStr(static_cast<int64_t>(ShownTextLimit >> 20)) + " MB.]";
}

std::string RichEditText(TRichEdit* RichEdit) {
  const int length = RichEdit->GetTextLen();
  if (length <= 0) return {};
  std::string s(static_cast<size_t>(length) * 2 + 2, '\0');
  GETTEXTEX g{};
  g.cb = static_cast<DWORD>(s.size());
  g.flags = GT_DEFAULT;
  g.codepage = CP_ACP;
  const LRESULT n = SendMessageA(RichEdit->Handle(), EM_GETTEXTEX, reinterpret_cast<WPARAM>(&g),
                                 reinterpret_cast<LPARAM>(s.data()));
  s.resize(static_cast<size_t>(std::max<LRESULT>(n, 0)));
  return s;
}

void HighlightOccurrences(TRichEdit* RichEdit, const std::string& Text) {
  HWND h = RichEdit->Handle();
  const std::string text = RichEditText(RichEdit);
  SendMessageA(h, WM_SETREDRAW, 0, 0);
  try {
    for (size_t p = FindAddress(text, Text); p != std::string::npos; p = FindAddress(text, Text, p + 1)) {
      CHARRANGE r{static_cast<LONG>(p), static_cast<LONG>(p + Text.size())};
      SendMessageA(h, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
      RichEdit->SelAttributes()->SetColor(clRed);
    }
    RichEdit->SetSelStart(0);
  } catch (...) {
    SendMessageA(h, WM_SETREDRAW, 1, 0);
    throw;
  }
  SendMessageA(h, WM_SETREDRAW, 1, 0);
  InvalidateRect(h, nullptr, TRUE);
}

std::string InstancesText(int Count, const std::string& Address) {
  return " " + IntToStr(Count) + " instance" + (Count >= 2 ? "s" : "") + " of " + Address + " found.";
}

std::string ExportLine(const std::string& Address, const std::string& Location, bool IP, bool Country, bool City,
                       bool Coordinates) {
  const TLocationParts parts = SplitLocationLine(Location);
  std::string line;
  if (IP) line += Address + "  ";
  if (City) line += (parts.Place.empty() ? "Unknown" : parts.Place) + " ";
  if (Country) line += parts.Country + "  ";
  if (Coordinates && parts.HasCoordinates)
    line += Degrees(parts.LatitudeCode / 100, 'S', 'N') + " " + Degrees(parts.LongitudeCode / 100, 'W', 'E');
  return line;
}

// ---- The window ----

TForm6::TForm6(TComponent* AOwner) : TAppWindowForm(AOwner) {
  Name = "Form6";
  SetCaption("Analyzed file");
  SetBounds(160, 140, 640, 420);
  OnCreate = [this](TObject* S) { FormCreate(S); };
  OnShow = [this](TObject* S) { FormShow(S); };
  OnKeyDown = [this](TObject* S, WORD& K, TShiftState Sh) { RichEdit1KeyDown(S, K, Sh); };

  MainMenu1 = new TMainMenu(this);
  MainMenu1->Name = "MainMenu1";
  auto item = [this](TMenuItem* Parent, const char* AName, const char* ACaption) {
    auto* i = new TMenuItem(this);
    i->Name = AName;
    i->Caption = ACaption;
    (Parent ? Parent : MainMenu1->Items())->Add(i);
    return i;
  };
  File1 = item(nullptr, "File1", "File");
  OPen1 = item(File1, "OPen1", "Open new");
  Exportlist1 = item(File1, "Exportlist1", "Export list");
  Unload1 = item(File1, "Unload1", "Unload");
  Options1 = item(nullptr, "Options1", "Options");
  corren = item(Options1, "corren", "Show corresponding entries only");
  showthis = item(Options1, "showthis", "Show this window automatically");
  corren->Enabled = false;   // until an address is searched
  showthis->SetChecked(true);
  corren->OnClick = [this](TObject* S) { CheckBox1Click(S); };
  showthis->OnClick = [this](TObject* S) { showthisClick(S); };
  Exportlist1->OnClick = [this](TObject* S) { Exportlist1Click(S); };
  SetMenu(MainMenu1);

  StatusBar1 = new TStatusBar(this);
  StatusBar1->Name = "StatusBar1";
  StatusBar1->SetParent(this);
  StatusBar1->AddPanel()->SetWidth(250);
  StatusBar1->AddPanel()->SetWidth(150);
  TStatusPanel* f3 = StatusBar1->AddPanel();
  f3->SetWidth(150);
  f3->SetAlignment(TAlignment::taCenter);
  f3->SetText(F3Hint);

  RichEdit1 = new TRichEdit(this);
  RichEdit1->Name = "RichEdit1";
  RichEdit1->SetParent(this);
  RichEdit1->SetAlign(TAlign::alClient);
  RichEdit1->SetReadOnly(true);
  RichEdit1->ScrollBars = TScrollStyle::ssBoth;
  RichEdit1->WordWrap = false;
  RichEdit1->Font()->SetName("Courier");
  RichEdit1->Font()->SetSize(10);
  RichEdit1->OnKeyDown = [this](TObject* S, WORD& K, TShiftState Sh) { RichEdit1KeyDown(S, K, Sh); };

  Panel1 = new TPanel(this);
  Panel1->Name = "Panel1";
  Panel1->SetParent(this);
  Panel1->SetBounds(0, 0, 340, 162);
  Panel1->SetVisible(false);
  GroupBox1 = new TGroupBox(this);
  GroupBox1->Name = "GroupBox1";
  GroupBox1->SetParent(Panel1);
  GroupBox1->SetCaption(" Select fields to export ");
  GroupBox1->SetBounds(10, 8, 320, 96);
  auto box = [this](const char* AName, const char* ACaption, int X, int Y) {
    auto* c = new TCheckBox(this);
    c->Name = AName;
    c->SetParent(GroupBox1);
    c->SetCaption(ACaption);
    c->SetBounds(X, Y, 130, 20);
    c->SetChecked(true);
    return c;
  };
  CheckBox2 = box("CheckBox2", "IP address", 20, 26);
  CheckBox3 = box("CheckBox3", "Country", 170, 26);
  CheckBox4 = box("CheckBox4", "City", 20, 58);
  CheckBox5 = box("CheckBox5", "Coordinates", 170, 58);
  BitBtn1 = new TBitBtn(this);
  BitBtn1->Name = "BitBtn1";
  BitBtn1->SetParent(Panel1);
  BitBtn1->SetKind(TBitBtnKind::bkOK);
  BitBtn1->SetCaption("Proceed");
  BitBtn1->ModalResult = 0;
  BitBtn1->SetBounds(70, 118, 90, 28);
  BitBtn1->OnClick = [this](TObject* S) { BitBtn1Click(S); };
  BitBtn2 = new TBitBtn(this);
  BitBtn2->Name = "BitBtn2";
  BitBtn2->SetParent(Panel1);
  BitBtn2->SetKind(TBitBtnKind::bkCancel);
  BitBtn2->ModalResult = 0;
  BitBtn2->SetBounds(180, 118, 90, 28);
  BitBtn2->OnClick = [this](TObject* S) { BitBtn2Click(S); };

  SaveDialog1 = new TSaveDialog(this);
  SaveDialog1->Name = "SaveDialog1";
}

void TForm6::FormCreate(TObject*) {
  if (MonitorHost) {
    TStringList& o = MonitorHost->Options();
    corren->SetChecked(o.Count() > 0 && StrToBool(o[0]));
    showthis->SetChecked(o.Count() > 1 && StrToBool(o[1]));
  }
  OPen1->OnClick = [](TObject* S) {
    if (MonitorHost) MonitorHost->EnterIP1Click(S);
  };
  Unload1->OnClick = [](TObject* S) {
    if (MonitorHost) MonitorHost->Unloadanalysedfile1Click(S);
  };
  SearchFrom = 0;
  if (!corren->Enabled) StatusBar1->Panels(2)->SetText("");
}

void TForm6::FormShow(TObject*) {
  const int count = MonitorHost ? MonitorHost->AnalyzedAddresses().Count() : 0;
  StatusBar1->Panels(1)->SetText(" " + IntToStr(count) + " unique IP addresses");
  StatusBar1->Panels(2)->SetText(corren->Checked() || !corren->Enabled ? "" : F3Hint);
}

void TForm6::SetOption(int Index, bool On) {
  if (!MonitorHost) return;
  TStringList& o = MonitorHost->Options();
  while (o.Count() <= Index) o.Add("0");
  o.Put(Index, On ? "1" : "0");
}

void TForm6::SetShownText(const std::string& Text) {
  // Emptying a rich edit holding much text takes long; a new one is quick.
  if (RichEdit1->HandleAllocated() && RichEdit1->GetTextLen() > 0) {
    RichEdit1->DestroyHandle();
    RichEdit1->SetText("");
  }
  if (!HandleAllocated()) {   // no window yet: it takes the text when it is made
    RichEdit1->SetText(Text);
  } else {
    // Streamed in: under Wine far quicker with a large text than WM_SETTEXT.
    TStreamSource source{Text, 0};
    EDITSTREAM stream{};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = StreamIn;
    SendMessageA(RichEdit1->Handle(), EM_STREAMIN, SF_TEXT, reinterpret_cast<LPARAM>(&stream));
  }
  SearchFrom = 0;
}

TShownText TForm6::WholeFile() {
  TShownText t;
  if (MonitorHost) MonitorHost->AnalyzedFileLines().ForEach([&](std::string_view Line) { t.Add(Line); });
  return t;
}

TShownText TForm6::EntriesOf(const std::string& Address, int& Count) {
  TShownText t;
  Count = 0;
  if (!MonitorHost) return t;
  MonitorHost->AnalyzedFileLines().ForEach([&](std::string_view Line) {
    if (!ContainsAddress(Line, Address)) return;
    ++Count;
    t.Add(Line, " ");
  });
  return t;
}

void TForm6::ShowWholeFile() { SetShownText(WholeFile().Text()); }

void TForm6::ScrollToFirst(const std::string& Address) {
  HWND h = RichEdit1->Handle();
  RichEdit1->SetSelStart(RichEdit1->GetTextLen());
  SendMessageA(h, EM_SCROLLCARET, 0, 0);
  const size_t first = FindAddress(RichEditText(RichEdit1), Address);
  if (first != std::string::npos) {
    RichEdit1->SetSelStart(static_cast<int>(first));
    SendMessageA(h, EM_SCROLLCARET, 0, 0);
  }
}

void TForm6::ShowEntries(const std::string& Address) {
  SearchedAddress = Address;
  corren->Enabled = true;
  int count = 0;
  TShownText entries = EntriesOf(Address, count);
  StatusBar1->Panels(0)->SetText(InstancesText(count, Address));
  if (Visible()) {
    BringToFront();
    if (WindowState() == TWindowState::wsMinimized) SetWindowState(TWindowState::wsNormal);
  } else {
    Show();
  }
  SetShownText(corren->Checked() ? entries.Text() : WholeFile().Text());
  HighlightOccurrences(RichEdit1, Address);
  if (Visible()) {
    ScrollToFirst(Address);
    RichEdit1->SetFocus();
  }
}

void TForm6::CheckBox1Click(TObject*) {
  int count = 0;
  TShownText entries = EntriesOf(SearchedAddress, count);
  StatusBar1->Panels(0)->SetText(InstancesText(count, SearchedAddress));
  if (corren->Checked()) {
    SetShownText(WholeFile().Text());
    ScrollToFirst(SearchedAddress);
  } else {
    SetShownText(entries.Text());
  }
  HighlightOccurrences(RichEdit1, SearchedAddress);
  RichEdit1->SetSelStart(0);
  corren->SetChecked(!corren->Checked());
  SetOption(0, corren->Checked());
  StatusBar1->Panels(2)->SetText(corren->Checked() ? "" : F3Hint);
}

void TForm6::showthisClick(TObject*) {
  showthis->SetChecked(!showthis->Checked());
  SetOption(1, showthis->Checked());
}

void TForm6::RichEdit1KeyDown(TObject*, WORD& Key, TShiftState) {
  if (Key != VK_F3) return;
  HWND h = RichEdit1->Handle();
  const std::string text = RichEditText(RichEdit1);
  if (SearchFrom == 0) {
    RichEdit1->SetSelStart(static_cast<int>(text.size()));
    SendMessageA(h, EM_SCROLLCARET, 0, 0);
  }
  // whole occurrences only: "1.2.3.4" is not found in "11.2.3.45"
  const size_t hit = FindAddress(text, SearchedAddress, static_cast<size_t>(SearchFrom));
  if (hit == std::string::npos) {
    RichEdit1->SetSelStart(static_cast<int>(text.size()));
    SearchFrom = 0;   // the next F3 starts over
    return;
  }
  RichEdit1->SetSelStart(static_cast<int>(hit));
  SendMessageA(h, EM_SCROLLCARET, 0, 0);
  SearchFrom = static_cast<int>(hit) + 1;
}

void TForm6::Exportlist1Click(TObject*) {
  Panel1->SetBounds(Width() / 2 - 170, Height() / 2 - 81, Panel1->Width(), Panel1->Height());
  Panel1->Show();
  SetWindowPos(Panel1->Handle(), HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);   // over the text
  Exportlist1->Enabled = false;
}

void TForm6::BitBtn2Click(TObject*) {
  Panel1->Hide();
  Exportlist1->Enabled = true;
}

void TForm6::BitBtn1Click(TObject*) {
  const bool ip = CheckBox2->Checked(), country = CheckBox3->Checked(), city = CheckBox4->Checked(),
             coordinates = CheckBox5->Checked();
  if (!ip && !country && !city && !coordinates) return;
  SaveDialog1->DefaultExt = "txt";
  SaveDialog1->FileName = "Vantrel_output";
  SaveDialog1->Filter = "TEXT file |*.txt";
  if (!SaveDialog1->Execute() || SaveDialog1->FileName.empty()) return;
  Panel1->Hide();
  Exportlist1->Enabled = true;
  if (!MonitorHost) return;
  TStringList out;
  const TStringList& addresses = MonitorHost->AnalyzedAddresses();
  for (int i = 0; i < addresses.Count(); ++i) {
    std::string a = addresses[i];
    a.erase(std::remove(a.begin(), a.end(), ' '), a.end());
    if (a.size() <= 6) continue;
    std::string location;
    MonitorHost->LocateAddress(a, location);
    out.Add(ExportLine(a, location, ip, country, city, coordinates));
  }
  out.SaveToFile(SaveDialog1->FileName);
}
