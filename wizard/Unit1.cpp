#include "wizard/Unit1.h"

#include <winsock.h>
#include <urlmon.h>
#include <shellapi.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdio>
#include <cstdlib>

#include "monitor/uLocationDatabase.h"
#include "monitor/DatabaseInstall.h"

IMPLEMENT_CLASSINFO(TForm1, TForm)

TForm1* Form1 = nullptr;

const char* const ArchivePassword = "k4t7m";
const char* const ProductHomePage = "http://www.vantrel.example/";
const char* const CoordinateFinderPage = "http://www.vantrel.example/coordinates.html";

HRESULT(WINAPI* WizardDownloadToFile)(LPUNKNOWN, LPCSTR, LPCSTR, DWORD, LPBINDSTATUSCALLBACK) = URLDownloadToFileA;
HINSTANCE(WINAPI* WizardShellExecute)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT) = ShellExecuteA;

namespace {

// The seventeen mirrors, stored scrambled; entries 18 to 34 repeat them.
const char* const StoredHosts[17] = {
    "elpmaxe.lertnav.sr$rrim.10bd", "elpmaxe.lertnav.sr$rrim.20bd", "elpmaxe.lertnav.sr$rrim.30bd",
    "elpmaxe.lertnav.sr$rrim.40bd", "elpmaxe.lertnav.sr$rrim.50bd", "elpmaxe.lertnav.sr$rrim.60bd",
    "elpmaxe.lertnav.sr$rrim.70bd", "elpmaxe.lertnav.sr$rrim.80bd", "elpmaxe.lertnav.sr$rrim.90bd",
    "elpmaxe.lertnav.sr$rrim.01bd", "elpmaxe.lertnav.sr$rrim.11bd", "elpmaxe.lertnav.sr$rrim.21bd",
    "elpmaxe.lertnav.sr$rrim.31bd", "elpmaxe.lertnav.sr$rrim.41bd", "elpmaxe.lertnav.sr$rrim.51bd",
    "elpmaxe.lertnav.sr$rrim.61bd", "elpmaxe.lertnav.sr$rrim.71bd"};
const char* const StoredUpdateURL = "txt.vbd/elpmaxe.lertnav.etadpu//:ptth";
const char* const DefaultEchoURL = "http://ip.vantrel.example/";
const char* const PartAgent = "Mozilla/4.0 (compatible; MSIE 7.0b; Windows NT 6.0)";
const char* const UpdateInfoFile = "dbv.txt";
const char* const InUseText =
    "Vantrel is running and keeps the database open, so it cannot be replaced now. Exit Vantrel, then hit "
    "'Retry'.";
constexpr int MaxRequests = 50;
constexpr int PartCount = 9;
constexpr TColor Grey = 0x888888;

std::string Env(const char* Name) {
  char buf[2048];
  const DWORD n = GetEnvironmentVariableA(Name, buf, sizeof buf);
  return n > 0 && n < sizeof buf ? std::string(buf, n) : std::string();
}

std::vector<std::string> Split(const std::string& S, char Separator) {
  std::vector<std::string> out;
  size_t start = 0;
  for (;;) {
    const size_t end = S.find(Separator, start);
    std::string part = Trim(S.substr(start, end == std::string::npos ? std::string::npos : end - start));
    if (!part.empty()) out.push_back(part);
    if (end == std::string::npos) return out;
    start = end + 1;
  }
}

std::string Scramble(const std::string& Host) {
  std::string s(Host.rbegin(), Host.rend());
  for (char& c : s)
    if (c == 'o') c = '$';
  return s;
}

int64_t FileSize64(const std::string& Name) {
  WIN32_FILE_ATTRIBUTE_DATA d;
  if (!GetFileAttributesExA(Name.c_str(), GetFileExInfoStandard, &d)) return 0;
  return int64_t(d.nFileSizeHigh) << 32 | d.nFileSizeLow;
}

// The decimal number at the start of a field, as the files write them.
double FieldValue(const std::string& S) {
  const std::string t = Trim(S);
  char* end = nullptr;
  const double v = std::strtod(t.c_str(), &end);
  return end == t.c_str() ? 0 : v;
}

std::string PartName(int Part) { return Format("geoip.part%02d.rar", Part); }

void DeleteVolumes() {
  for (int i = 1; i <= PartCount; ++i) DeleteFileA(PartName(i).c_str());
}

TLabel* MakeLabel(TComponent* Owner, TWinControl* Parent, int X, int Y, const std::string& Text, int Width = 0) {
  auto* l = new TLabel(Owner);
  l->SetParent(Parent);
  l->SetLeft(X);
  l->SetTop(Y);
  if (Width > 0) {
    l->SetAutoSize(false);
    l->SetWordWrap(true);
    l->SetBounds(X, Y, Width, 13);
  }
  l->SetCaption(Text);
  if (Width > 0) {
    // tall enough for the wrapped text
    HDC dc = GetDC(nullptr);
    HGDIOBJ old = SelectObject(dc, l->Font()->Handle());
    RECT r{0, 0, Width, 0};
    DrawTextA(dc, Text.c_str(), -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
    l->SetHeight(r.bottom + 2);
  }
  return l;
}

TSpinEdit* MakeSpin(TComponent* Owner, TWinControl* Parent, int X, int Y, int Max) {
  auto* s = new TSpinEdit(Owner);
  s->SetParent(Parent);
  s->SetBounds(X, Y, 46, 21);
  s->SetMinValue(0);
  s->SetMaxValue(Max);
  s->SetValue(0);
  s->SetEditorEnabled(false);   // the number changes only through the buttons
  return s;
}

TComboBox* MakeSides(TComponent* Owner, TWinControl* Parent, int X, int Y, const char* A, const char* B) {
  auto* c = new TComboBox(Owner);
  c->SetParent(Parent);
  c->SetStyle(TComboBoxStyle::csDropDownList);
  c->SetBounds(X, Y, 42, 21);
  c->Items()->Add(A);
  c->Items()->Add(B);
  c->SetItemIndex(1);
  return c;
}

void Pick(TComboBox* C, const std::string& Text) { C->SetItemIndex(C->Items()->IndexOf(Text)); }

}  // namespace

// ---- Routines of the unit ---------------------------------------------------------

std::string StoredMirror(int Index) {
  if (Index < 1 || Index > MirrorCount) return {};
  const int slot = (Index - 1) % 17;
  const std::vector<std::string> stand = Split(Env("VANTRELWIZ_MIRRORS"), ';');
  if (!stand.empty()) return Scramble(stand[static_cast<size_t>(slot) % stand.size()]);
  return StoredHosts[slot];
}

std::string UnscrambleHost(const std::string& Stored) {
  std::string s(Stored.rbegin(), Stored.rend());
  for (char& c : s)
    if (c == '$') c = 'o';
  return s;
}

std::string UnscrambleURL(const std::string& Stored) { return std::string(Stored.rbegin(), Stored.rend()); }

std::string UpdateInfoURL() {
  const std::string stand = Env("VANTRELWIZ_UPDATE_URL");
  return stand.empty() ? UnscrambleURL(StoredUpdateURL) : stand;
}

std::string EchoPageURL() {
  const std::string stand = Env("VANTRELWIZ_ECHO_URL");
  return stand.empty() ? DefaultEchoURL : stand;
}

TCoordinateCode CoordinateCode(int Degrees, int Minutes, int Seconds, bool Negative) {
  // Hundredths of a degree, with the constants the file has always used.
  const float x = static_cast<float>((static_cast<long double>(Seconds) * 0.016666L + Minutes) * 1.6666L);
  const double whole = std::floor(static_cast<double>(x));
  const std::string hundredths = "00" + IntToStr(static_cast<int64_t>(whole));
  TCoordinateCode c;
  c.Code = (Negative ? "-" : "") + IntToStr(Degrees) + hundredths.substr(hundredths.size() - 2);
  const double fraction = static_cast<double>(x) - whole;
  if (fraction == 0) return c;
  // Four digits of the general form "0.dddd..."; where that form is shorter
  // or an exponent form, the fraction's first four decimals.
  char text[64];
  std::snprintf(text, sizeof text, "%.15g", fraction);
  const std::string t = text;
  if (t.size() >= 6 && t.compare(0, 2, "0.") == 0 && t.find_first_of("eE") == std::string::npos) {
    c.Digits = t.substr(2, 4);
  } else {
    const int d = std::min(9999, static_cast<int>(std::floor(fraction * 10000)));
    c.Digits = Format("%04d", d);
  }
  return c;
}

double CoordinateValue(const std::string& Code, const std::string& Digits) {
  const double code = FieldValue(Code);
  const double sign = !Code.empty() && Code[0] == '-' ? -1 : 1;
  return code / 100 + sign * FieldValue(Digits) / 1000000;
}

std::string FoldCity(const std::string& City, const std::string& Country) {
  struct TStep {
    const char* From;
    const char* To;
    bool PolishOnly = false;
  };
  static const TStep Steps[] = {
      {"\xE8", "e"},  {"\xE9", "e"},  {"\xEF", "i"},  {"\xEE", "i"},       {"\xE7", "c"},  {"\xEB", "e"},
      {"\xE1", "a"},  {"\xF4", "o"},  {"\xF6", "o"},  {"\xFC", "u"},       {"\xE0", "a"},  {"\xE2", "a"},
      {"\xF8", "o"},  {"\xE3", "a"},  {"\xED", "i"},  {"\xDF", "ss"},      {"\xF3", "o"},  {"\xE4", "a"},
      {"\xE6", "c", true}, {"\xE6", "e"}, {"\xE5", "a"}, {"\xF1", "n"},    {"\xFA", "u"},  {"\xEA", "e"},
      {"\xF5", "o"},  {"\xF2", "o"},  {"\xEC", "e"},  {"\xFD", "y"},       {"\xF9", "u"},  {"\xFB", "u"},
      {"\xC4\xB1", "i"}, {"\xF0", "d"}, {"\xDE", "T"}, {"\xCC\xA7", ""},   {"\xB3", "l"},  {"\x9C", "s"},
      {"\xBF", "z"},  {"\x9F", "z"},  {"\xB9", "a"},  {"\xA3", "L"},       {"\x8C", "S"},  {"\xAF", "Z"},
      {"\x8F", "Z"},  {"\xC8", "E"},  {"\xC9", "E"},  {"\xCF", "I"},       {"\xCE", "I"},  {"\xC7", "C"},
      {"\xCB", "E"},  {"\xC1", "A"},  {"\xD4", "O"},  {"\xD6", "O"},       {"\xDC", "U"},  {"\xC0", "A"},
      {"\xC2", "A"},  {"\xD8", "O"},  {"\xC3", "A"},  {"\xCD", "I"},       {"\xD3", "O"},  {"\xC4", "A"},
      {"\xC6", "C", true}, {"\xC6", "E"}, {"\xC5", "A"}, {"\xD1", "N"},    {"\xDA", "U"},  {"\xCA", "E"},
      {"\xD5", "O"},  {"\xD2", "O"},  {"\xCC", "E"},  {"\xDD", "Y"},       {"\xD9", "U"},  {"\xDB", "U"},
      {"\xD0", "D"}};
  const bool polish = Country == "PL";
  std::string s = City;
  for (const TStep& st : Steps) {
    if (st.PolishOnly && !polish) continue;
    const std::string from = st.From, to = st.To;
    for (size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
      s.replace(at, from.size(), to);
  }
  return s;
}

std::string KeepDigitsAndDots(const std::string& S) {
  std::string out;
  for (char c : S)
    if ((c >= '0' && c <= '9') || c == '.') out += c;
  return out;
}

bool IsPublicAddress(const std::string& Dotted) {
  const std::vector<std::string> p = Split(Dotted, '.');
  if (p.size() != 4) return false;
  uint32_t v = 0;
  for (const std::string& s : p) {
    int n = -1;
    if (!TryStrToInt(s, n) || n < 0 || n > 255) return false;
    v = v << 8 | static_cast<uint32_t>(n);
  }
  if (v == 0x7F000001) return false;                         // 127.0.0.1
  if ((v & 0xFF000000) == 0x0A000000) return false;          // 10.0.0.0/8
  if ((v & 0xFFFF0000) == 0xA9FE0000) return false;          // 169.254.0.0/16
  if ((v & 0xFFF00000) == 0xAC100000) return false;          // 172.16.0.0/12
  if ((v & 0xFFFF0000) == 0xC0A80000) return false;          // 192.168.0.0/16
  return true;
}

std::vector<std::string> GetLocalIPList() {
  const std::string stand = Env("VANTRELWIZ_LOCAL_ADDRESSES");
  if (!stand.empty()) return stand == "-" ? std::vector<std::string>() : Split(stand, ',');
  std::vector<std::string> out;
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(1, 1), &wsa) != 0) return out;
  char name[64] = {};
  if (gethostname(name, sizeof name - 1) == 0) {
    if (hostent* h = gethostbyname(name)) {
      for (char** a = h->h_addr_list; a && *a; ++a) {
        in_addr ia;
        std::memcpy(&ia, *a, sizeof ia);
        out.push_back(inet_ntoa(ia));
      }
    }
  }
  WSACleanup();
  return out;
}

std::string GetExternalIP() {
  const std::string file = "externalip.txt";
  if (WizardDownloadToFile(nullptr, EchoPageURL().c_str(), file.c_str(), 0, nullptr) != S_OK) return {};
  std::string text;
  try {
    TStringList page;
    page.LoadFromFile(file);
    text = page.Text();
  } catch (const Exception&) {
    return {};
  }
  // Only the text after the marker counts: a page without it names no address.
  const int p = Pos("IP Address: ", text);
  if (p == 0) return {};
  const std::string ip = KeepDigitsAndDots(Copy(text, p + 12, 16));
  const unsigned long a = inet_addr(ip.c_str());
  return a == INADDR_NONE || std::count(ip.begin(), ip.end(), '.') != 3 ? std::string() : ip;
}

std::string LookupCity(const std::string& Address) {
  TLocationDatabase db;   // opened for this look-up, closed when it goes
  db.Load("data");
  std::string line;
  db.iplocate(Address, line, 1);
  return line == LocationNotFound ? std::string() : line;
}

void SaveLinesReplacing(const TStrings& Lines, const std::string& FileName) {
  const std::string fresh = FileName + ".new";
  try {
    Lines.SaveToFile(fresh);
  } catch (...) {
    DeleteFileA(fresh.c_str());
    throw;
  }
  if (!MoveFileExA(fresh.c_str(), FileName.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    const DWORD e = GetLastError();
    DeleteFileA(fresh.c_str());
    throw EFCreateError("Cannot write " + FileName + ": " + SysErrorMessage(e));
  }
}

// ---- The window ---------------------------------------------------------------------

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) {
  Name = "Form1";
  SetBorderStyle(TFormBorderStyle::bsSingle);
  SetCaption("Vantrel Database Wizard");
  Font()->SetName("Arial");
  Font()->SetHeight(-11);
  SetClientSize(502, 347);
  SetBounds((Screen->Width() - Width()) / 2, (Screen->Height() - Height()) / 2, Width(), Height());
  for (int i = 1; i < __argc; ++i) Params.push_back(__argv[i]);
  BuildPages();
  OnCreate = [this](TObject* S) { FormCreate(S); };
  OnClose = [this](TObject*, TCloseAction&) { FormClose(); };
}

void TForm1::CreateParams(TCreateParams& Params) {
  TForm::CreateParams(Params);
  Params.Style &= ~static_cast<DWORD>(WS_MAXIMIZEBOX);   // system menu and minimise only
}

void TForm1::ShowMessage(const std::string& Text) { Application->MessageBox(Text, Application->Title()); }

bool TForm1::AskRetry(const std::string& Text) {
  return Application->MessageBox(Text, Application->Title(), MB_RETRYCANCEL | MB_ICONEXCLAMATION) == IDRETRY;
}

void TForm1::BuildPages() {
  using K = TWizardButtonKind;
  Wizard1 = new TWizard(this);
  Wizard1->Name = "Wizard1";
  Wizard1->SetParent(this);
  Wizard1->OnNextButtonClick() = [this](TObject* S) { wizard1NextButtonClick(S); };
  Wizard1->OnFinishButtonClick() = [this](TObject* S) { onfinishbuttonclick(S); };
  Wizard1->OnCancelButtonClick() = [this](TObject* S) { wizard1cancelbuttonclick(S); };

  HTTPGet1 = new THTTPGet(this);
  HTTPGet1->BinaryData = true;
  HTTPGet1->UseCache = false;
  HTTPGet1->WaitThread = true;
  HTTPGet1->OnProgress = [this](TObject* S, int T, int R) { HTTPGet1Progress(S, T, R); };
  HTTPGet1->OnDoneFile = [this](TObject* S, const std::string& F, int Size) { HTTPGet1DoneFile(S, F, Size); };
  HTTPGet1->OnError = [this](TObject* S) { HTTPGet1Error(S); };

  RarExtractor1 = new TRarExtractor(this);
  // Unpacking failures are reported to the user: the last one is kept.
  RarExtractor1->OnError = [this](TObject*, const std::string& M, int Id) {
    LastUnpackError = M + " (" + IntToStr(Id) + ")";
  };

  const HINSTANCE inst = GetModuleHandleA(nullptr);
  auto picture = [&](TImage* I, int Id) {
    TBitmap b;
    b.LoadFromResourceID(inst, Id);
    I->Picture()->SetGraphic(&b);
  };

  // Page 0: welcome.
  K1WizardWelcomePage1 = new TWizardWelcomePage(this);
  K1WizardWelcomePage1->SetWizard(Wizard1);
  K1WizardWelcomePage1->SetVisibleButtons({K::bkNext, K::bkCancel});
  K1WizardWelcomePage1->Header()->SetVisible(false);
  {
    TBitmap b;
    b.LoadFromResourceID(inst, IDB_WATERMARK);
    K1WizardWelcomePage1->WaterMark()->Image()->Picture()->SetGraphic(&b);
  }
  TWizardCustomPage* p0 = K1WizardWelcomePage1;
  Label21 = MakeLabel(this, p0, 180, 14, "Welcome to Vantrel");
  Label21->Font()->SetHeight(-19);
  Label21->Font()->SetStyle(TFontStyles{TFontStyle::fsBold});
  // Room for two lines: a longer heading wraps.
  Label21->SetAutoSize(false);
  Label21->SetWordWrap(true);
  Label21->SetBounds(180, 14, 316, 42);
  Label10 = MakeLabel(this, p0, 180, 56,
                      " Vantrel database wizard is called once, at first run of program. Its only purpose is to "
                      "download IP location database and determine your home location. ",
                      300);
  Label12 = MakeLabel(this, p0, 180, 118, "Both of these steps are necessary for main program to work.", 300);
  Label11 = MakeLabel(this, p0, 180, 156,
                      "Before proceeding, make sure that you are connected to Internet and have at least 55 MB free "
                      "disk space.",
                      300);
  HyperLabel2 = new THyperLabel(this);
  HyperLabel2->SetParent(p0);
  HyperLabel2->SetBounds(180, 270, 0, 0);
  HyperLabel2->SetCaption("Vantrel Homepage");
  HyperLabel2->URL = ProductHomePage;
  Image2 = new TImage(this);
  Image2->SetParent(p0);
  Image2->SetBounds(180, 72, 33, 33);
  picture(Image2, IDB_NEWVERSION);
  Image2->Hide();

  // Page 1: the download.
  K2WizardInteriorPage1 = new TWizardInteriorPage(this);
  K2WizardInteriorPage1->SetWizard(Wizard1);
  K2WizardInteriorPage1->SetEnabledButtons(AllWizardButtons - TWizardButtonSet{K::bkNext});
  K2WizardInteriorPage1->SetColor(clWhite);
  K2WizardInteriorPage1->Header()->SetVisible(false);
  K2WizardInteriorPage1->Image()->SetAlignment(TKImageAlignment::iaLeft);
  K2WizardInteriorPage1->Image()->SetLayout(TKImageLayout::ilTop);
  {
    TBitmap b;
    b.LoadFromResourceID(inst, IDB_DOWNLOAD);
    K2WizardInteriorPage1->Image()->Picture()->SetGraphic(&b);
  }
  TWizardCustomPage* p1 = K2WizardInteriorPage1;
  Label13 = MakeLabel(this, p1, 90, 14,
                      "Click 'Start' to download IP location database. It is about 14 MB in size (55 MB "
                      "uncompressed) and contains over 3,500,000 IP-to-location records.",
                      390);
  Label14 = MakeLabel(this, p1, 90, 64,
                      "Database consists of ordinary data files. It DOES NOT contain executables, scripts or "
                      "whatever you may think could be dangerous. Once downloaded it is kept in 'data' folder.",
                      390);
  // The status line: two lines of the gauges' width (a failure says why).
  Label1 = MakeLabel(this, p1, 90, 132, "Download Progress:", 390);
  Label1->SetHeight(27);
  Gauge2 = new TProgressBar(this);
  Gauge2->SetParent(p1);
  Gauge2->SetBounds(90, 160, 390, 16);
  Gauge2->SetMin(1);
  Gauge2->SetMax(10);
  Gauge2->SetPosition(1);
  Gauge1 = new TProgressBar(this);
  Gauge1->SetParent(p1);
  Gauge1->SetBounds(90, 184, 390, 16);
  Button3 = new TButton(this);
  Button3->Name = "Button3";
  Button3->SetParent(p1);
  Button3->SetBounds(405, 214, 75, 25);
  Button3->SetCaption("Start ");
  Button3->OnClick = [this](TObject* S) { Button3Click(S); };
  Image1 = new TImage(this);
  Image1->SetParent(p1);
  Image1->SetBounds(8, 200, 64, 64);
  picture(Image1, IDB_UPDATER);
  Image1->Hide();
  Image3 = new TImage(this);
  Image3->SetParent(p1);
  Image3->SetBounds(8, 200, 64, 64);
  picture(Image3, IDB_HOME);
  Image3->Hide();

  // Page 2: the home location.
  WizardInteriorPage1 = new TWizardInteriorPage(this);
  WizardInteriorPage1->SetWizard(Wizard1);
  WizardInteriorPage1->Header()->SetVisible(false);
  WizardInteriorPage1->Image()->SetAlignment(TKImageAlignment::iaLeft);
  WizardInteriorPage1->Image()->SetLayout(TKImageLayout::ilTop);
  TWizardCustomPage* p2 = WizardInteriorPage1;
  Label17 = MakeLabel(this, p2, 90, 8,
                      "Now it's time to verify if home location suggested by IP location database is correct. Feel "
                      "free to modify content of boxes below, but try to avoid typing nonsense.",
                      400);
  auto edit = [&](int X, int Y, int W) {
    auto* e = new TEdit(this);
    e->SetParent(p2);
    e->SetBounds(X, Y, W, 21);
    return e;
  };
  Label2 = MakeLabel(this, p2, 90, 63, "Your IP");
  Edit1 = edit(170, 60, 120);
  Label3 = MakeLabel(this, p2, 90, 89, "City");
  Edit2 = edit(170, 86, 200);
  Label4 = MakeLabel(this, p2, 90, 115, "Country Code");
  Edit5 = edit(170, 112, 30);
  Edit5->SetCharCase(TEditCharCase::ecUpperCase);
  Edit5->Hint = " Two letters country code ";
  Edit5->ShowHint = true;
  Label5 = MakeLabel(this, p2, 90, 147, "Longitude");
  SpinEdit1 = MakeSpin(this, p2, 170, 144, 180);
  SpinEdit2 = MakeSpin(this, p2, 230, 144, 59);
  SpinEdit3 = MakeSpin(this, p2, 290, 144, 59);
  longwe = MakeSides(this, p2, 350, 144, "W", "E");
  Label15 = MakeLabel(this, p2, 90, 175, "Latitude");
  SpinEdit4 = MakeSpin(this, p2, 170, 172, 90);
  SpinEdit5 = MakeSpin(this, p2, 230, 172, 59);
  SpinEdit6 = MakeSpin(this, p2, 290, 172, 59);
  latns = MakeSides(this, p2, 350, 172, "N", "S");
  latns->SetItemIndex(0);
  for (int y : {144, 172})
    for (auto [x, mark] : {std::pair{217, "\xB0"}, std::pair{277, "'"}, std::pair{337, "\""}})
      Marks.push_back(MakeLabel(this, p2, x, y + 2, mark));
  Label18 = MakeLabel(this, p2, 90, 208,
                      "Setting correct values in Longitude and Latitude fields is very important.", 400);
  Label19 = MakeLabel(this, p2, 90, 236,
                      "         you can find coordinates of your location with just a few mouse clicks.", 400);
  HyperLabel4 = new THyperLabel(this);
  HyperLabel4->SetParent(p2);
  HyperLabel4->SetBounds(90, 236, 0, 0);
  HyperLabel4->SetCaption("Here");
  HyperLabel4->URL = CoordinateFinderPage;

  // Page 3: the summary.
  K4WizardInteriorPage1 = new TWizardInteriorPage(this);
  K4WizardInteriorPage1->SetWizard(Wizard1);
  K4WizardInteriorPage1->SetEnabledButtons(AllWizardButtons - TWizardButtonSet{K::bkNext});
  K4WizardInteriorPage1->SetVisibleButtons({K::bkBack, K::bkFinish, K::bkCancel});
  K4WizardInteriorPage1->Header()->SetVisible(false);
  K4WizardInteriorPage1->Image()->SetAlignment(TKImageAlignment::iaLeft);
  K4WizardInteriorPage1->Image()->SetLayout(TKImageLayout::ilTop);
  TWizardCustomPage* p3 = K4WizardInteriorPage1;
  Label6 = MakeLabel(this, p3, 90, 20, "");
  Label7 = MakeLabel(this, p3, 90, 44, "");
  Label8 = MakeLabel(this, p3, 90, 68, "");
  Label9 = MakeLabel(this, p3, 90, 92, "");
  for (TLabel* l : {Label6, Label7, Label8, Label9}) l->Font()->SetStyle(TFontStyles{TFontStyle::fsBold});
  Label20 = MakeLabel(this, p3, 90, 140,
                      "If any of the fields above is in red it means that you've made a mistake. Hit 'Back' button "
                      "and correct it. 'Finish' button closes this wizard and launches main program.",
                      390);
  Wizard1->Loaded();
}

void TForm1::CopyPagePicture(TGraphic* From) {
  for (TWizardCustomPage* p : {(TWizardCustomPage*)WizardInteriorPage1, (TWizardCustomPage*)K4WizardInteriorPage1})
    p->Image()->Picture()->SetGraphic(From);
}

void TForm1::FormCreate(TObject*) {
  if (!Params.empty()) {
    // Every file is beside the program.
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, MAX_PATH);
    SetCurrentDirectoryA(ExtractFilePath(exe).c_str());
  }
  {
    // An installation a crash cut short; an install tells why it cannot go on.
    TInstallLock lock(InstallLockWaitMs);
    if (lock.Owned()) RecoverDatabase();
  }
  if (Params.empty()) {
    CopyPagePicture(K2WizardInteriorPage1->Image()->Picture()->Graphic());
  } else if (!FileExists("myloc.txt")) {
    SetCaption(" Vantrel database wizard");
    CopyPagePicture(K2WizardInteriorPage1->Image()->Picture()->Graphic());
  } else if (Params[0] == "-h") {
    SetCaption(" Edit Your Home Location ");
    CopyPagePicture(Image3->Picture()->Graphic());
    Wizard1->SetActivePage(WizardInteriorPage1);
    WizardInteriorPage1->SetEnabledButtons({TWizardButtonKind::bkNext, TWizardButtonKind::bkCancel});
    fake();
  } else {
    SetCaption(" Vantrel database updater");
    UpdateMode = true;
    HTTPGet1->URL = UpdateInfoURL();
    HTTPGet1->FileName = UpdateInfoFile;
    HTTPGet1->DownloadToFile();   // blocking: the result shows on page 0
  }
}

void TForm1::wizard1NextButtonClick(TObject*) {
  TWizardCustomPage* leaving = Wizard1->ActivePage();
  if (leaving == K2WizardInteriorPage1) fake();
  else if (leaving == WizardInteriorPage1) verifydata();
  if (Pos("updater", Caption()) > 0)
    for (TWizardCustomPage* p : {(TWizardCustomPage*)K2WizardInteriorPage1, (TWizardCustomPage*)WizardInteriorPage1,
                                 (TWizardCustomPage*)K4WizardInteriorPage1})
      p->Image()->Picture()->Assign(Image1->Picture());
}

void TForm1::wizard1cancelbuttonclick(TObject*) { Close(); }

void TForm1::Button3Click(TObject*) {
  using K = TWizardButtonKind;
  if (FState == TDownloadState::dsDownloading) {   // Break
    FState = TDownloadState::dsAborting;
    HTTPGet1->AbortDownload();
    Label1->SetCaption("Stopped at part " + IntToStr(PartCounter - 1) + " of 9");
    Button3->SetEnabled(false);
    Button3->SetCaption("Aborting...");
    return;
  }
  // Only Start and Resume start; nothing re-enters a running download.
  if (FState != TDownloadState::dsIdle) return;
  Label1->Font()->SetColor(clBlack);   // an earlier failure's red goes
  if (PartCounter > PartCount) {   // every part is here: the database was in use
    Unpack();
    return;
  }
  srand(GetTickCount());
  RandomStart = static_cast<uint8_t>(rand() % 17 + 1);
  PartSuffix.clear();
  MirrorIndex = RandomStart;
  Button3->SetCaption("Break");
  K2WizardInteriorPage1->SetEnabledButtons({});
  FState = TDownloadState::dsDownloading;
  // The loop ends when the ninth part has arrived (unpacking), on Break, on
  // closing, or when it gives up; a failed request only moves it on to the
  // next mirror, the ninth part's too.
  for (int requests = 1; FState == TDownloadState::dsDownloading; ++requests) {
    if (MirrorIndex > MirrorCount || requests > MaxRequests) {
      FState = TDownloadState::dsIdle;
      if (MirrorIndex > MirrorCount) ShowMessage("All servers are currently busy. Try again later.");
      // The user goes on from the part that failed.
      Label1->SetCaption("Stopped at part " + IntToStr(PartCounter) + " of 9");
      Button3->SetCaption("Resume");
      Button3->SetEnabled(true);
      K2WizardInteriorPage1->SetEnabledButtons({K::bkBack, K::bkCancel});
      return;
    }
    PartSuffix = Format("%02d", PartCounter);
    PartCounter += 1;
    HTTPGet1->Agent = PartAgent;
    HTTPGet1->UseCache = false;
    const std::string host = UnscrambleHost(StoredMirror(MirrorIndex));
    HTTPGet1->URL = "http://" + host + RemotePathPrefix + PartSuffix + ".zip";
    LocalPartName = "geoip.part" + PartSuffix + ".rar";
    HTTPGet1->FileName = LocalPartName;
    Label1->SetCaption("Downloading part " + IntToStr(PartCounter - 1) + " of 9");
    HTTPGet1->DownloadToFile();
    // A WM_QUIT met while waiting (the session ends, not the window's
    // close): the program is ending, so is the loop.
    MSG quit;
    if (FState == TDownloadState::dsDownloading && PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE))
      FState = TDownloadState::dsClosing;
  }
}

void TForm1::FormClose() {
  if (FState == TDownloadState::dsDownloading || FState == TDownloadState::dsAborting) HTTPGet1->AbortDownload();
  FState = TDownloadState::dsClosing;
}

void TForm1::HTTPGet1Progress(TObject*, int TotalSize, int Readed) {
  Gauge1->SetMax(TotalSize);
  Gauge1->SetPosition(Readed);
}

void TForm1::HTTPGet1Error(TObject*) {
  if (HTTPGet1->FileName == UpdateInfoFile) {
    ShowUpdateInfo(false);   // no update information: nothing to count back
    return;
  }
  // The loop goes on with the next mirror at the same part; its button
  // stays "Break" until the loop ends.
  PartCounter -= 1;
  MirrorIndex += 1;
  Gauge2->SetPosition(PartCounter);
}

void TForm1::HTTPGet1DoneFile(TObject*, const std::string&, int) {
  const bool updateInfo = HTTPGet1->FileName == UpdateInfoFile;
  if (!updateInfo) {
    Gauge2->SetPosition(PartCounter);
    if (PartSuffix == "09") {
      // The last volume of a set holds the rest and may be of any size:
      // unpacking judges it.
      Unpack();
    } else if (FileSize64(LocalPartName) < MinimumPartSize) {
      // Too short: fetched again from the next mirror.
      PartCounter -= 1;
      MirrorIndex += 1;
      Gauge2->SetPosition(PartCounter - 1);
    }
  }
  if (UpdateMode) ShowUpdateInfo(true);
}

bool TForm1::AllPartsPresent() const {
  for (int i = 1; i < PartCount; ++i)
    if (FileSize64(PartName(i)) < MinimumPartSize) return false;
  return FileExists(PartName(PartCount));
}

void TForm1::Unpack() {
  using K = TWizardButtonKind;
  FState = TDownloadState::dsUnpacking;
  Button3->Hide();
  Button3->SetCaption("Start");
  Label1->SetCaption("Decompressing...");
  Application->ProcessMessages();

  // Into a folder of its own; the installed database is replaced by a whole
  // new one only, and nothing else of data\ is touched.
  LastUnpackError.clear();
  TInstallResult result = TInstallResult::irFailed;
  std::string staging;
  TInstallLock lock(InstallLockWaitMs);
  if (!lock.Owned()) {
    LastUnpackError = "another program is installing or opening the database";
  } else if (!AllPartsPresent()) {
    LastUnpackError = "a part is missing or too short";
  } else if (!(staging = BeginInstall(LastUnpackError)).empty()) {
    RarExtractor1->Password = ArchivePassword;
    RarExtractor1->FileName = PartName(1);
    RarExtractor1->Directory = staging;
    RarExtractor1->ProcessArchive();
    if (LastUnpackError.empty())
      for (const char* f : DatabaseFiles)
        if (!FileExists(staging + "\\" + f)) LastUnpackError = std::string(f) + " is not in the archive";
    while (LastUnpackError.empty()) {
      result = InstallDatabase(LastUnpackError);
      if (result != TInstallResult::irInUse || FState == TDownloadState::dsClosing || !AskRetry(InUseText)) break;
    }
  }
  // Nothing unpacked, or the database in use: the volumes stay, and Resume
  // installs them without downloading again.
  const bool keepVolumes = result == TInstallResult::irInUse || staging.empty();
  if (lock.Owned() && result != TInstallResult::irInstalled && result != TInstallResult::irPending) AbandonInstall();
  if (keepVolumes && AllPartsPresent()) {
    if (FState == TDownloadState::dsClosing) return;
    FState = TDownloadState::dsIdle;
    Label1->Font()->SetColor(clRed);
    Label1->SetCaption(result == TInstallResult::irInUse
                           ? "Vantrel is running: the database was not changed. Exit Vantrel, then hit 'Resume' to "
                             "install the downloaded one."
                           : "The database was not changed: " + LastUnpackError +
                                 ". The downloaded parts are kept: hit 'Resume' to install them.");
    Button3->SetCaption("Resume");
    Button3->SetEnabled(true);
    Button3->Show();
    K2WizardInteriorPage1->SetEnabledButtons({K::bkBack, K::bkCancel});
    return;
  }
  // The volumes go, whether unpacking succeeded or not: once the new files
  // are whole beside data\, nothing needs them.
  DeleteVolumes();
  if (result != TInstallResult::irInstalled) {
    if (FState == TDownloadState::dsClosing) return;
    FState = TDownloadState::dsIdle;
    Label1->Font()->SetColor(clRed);
    Label1->SetCaption(result == TInstallResult::irPending
                           ? "Installing failed: " + LastUnpackError +
                                 ". Nothing is lost: the next start of Vantrel or of this wizard finishes it."
                           : "Decompressing failed: " + LastUnpackError +
                                 ". The database was not changed; hit 'Resume' to download again.");
    PartCounter = 1;
    Button3->SetCaption("Resume");
    Button3->SetEnabled(true);
    Button3->Show();
    K2WizardInteriorPage1->SetEnabledButtons({K::bkBack, K::bkCancel});
    return;
  }
  if (FState != TDownloadState::dsClosing) FState = TDownloadState::dsDone;
  Label1->Font()->SetColor(clBlack);
  if (UpdateMode) {
    Label1->SetCaption("Database succesfully updated. Hit 'Finish' buton.");
    K2WizardInteriorPage1->SetEnabledButtons({K::bkFinish});
    K2WizardInteriorPage1->SetVisibleButtons({K::bkFinish});
  } else {
    Label1->SetCaption("Decompressing...Done. Hit the 'Next' buton.");
    findmyip();
    Edit1->SetText(HomeIP);
    Edit2->SetText(City);
    Edit5->SetText(Country);
    K2WizardInteriorPage1->SetEnabledButtons({K::bkBack, K::bkNext, K::bkCancel});
  }
}

void TForm1::ShowUpdateInfo(bool Downloaded) {
  using K = TWizardButtonKind;
  TStringList info, installed;
  try {
    if (Downloaded && FileExists(UpdateInfoFile)) info.LoadFromFile(UpdateInfoFile);
  } catch (const Exception&) {
    info.Clear();
  }
  try {
    if (FileExists("data\\r.dat")) installed.LoadFromFile("data\\r.dat");
  } catch (const Exception&) {
    installed.Clear();
  }
  const std::string version = installed.Count() > 0 ? installed[0] : std::string();
  Label12->SetCaption(version);
  // No file, a page instead of it, or too few lines: nothing to go by.
  if (info.Count() < 6 || Pos("<", info[0]) > 0) {
    Label21->SetCaption("Can not connect to update server.");
    Label10->SetCaption("Server may be temporally down. Try again later.");
    Label11->SetCaption("");
    Label12->SetCaption("");
    K1WizardWelcomePage1->SetVisibleButtons({K::bkFinish});
  } else if (version != info[3]) {
    RemotePathPrefix = info[4];
    MinimumPartSize = StrToIntDef(info[5], MinimumPartSize);
    Image2->Show();
    Label21->SetCaption("New version available!");
    Label12->SetLeft(220);
    Label10->SetLeft(220);
    Label12->SetBounds(220, 70, 240, 44);
    Label10->SetCaption("Exit Vantrel (if running) and hit 'Next' button.");
    Label12->SetCaption("Updating while Vantrel is running may damage database records.");
    Label11->SetCaption("");
    Gauge1->SetPosition(0);
  } else {
    Label21->SetHeight(43);
    Label21->SetCaption("You already have the latest version installed.");
    Label10->SetTop(66);
    Label10->SetCaption("Terminate database updater.");
    Label11->SetCaption("");
    Label12->SetCaption("");
    K1WizardWelcomePage1->SetVisibleButtons({K::bkFinish});
  }
}

// ---- Home location --------------------------------------------------------------------

void TForm1::findmyip() {
  std::vector<std::string> seen;
  for (const std::string& a : GetLocalIPList()) {
    if (std::find(seen.begin(), seen.end(), a) != seen.end()) continue;
    seen.push_back(a);
    if (IsPublicAddress(a)) HomeIP = a;   // the last public address wins
  }
  if (HomeIP.empty()) HomeIP = GetExternalIP();
  IPtoCoor();
}

void TForm1::IPtoCoor() {
  const std::string line = HomeIP.empty() ? std::string() : LookupCity(HomeIP);
  if (line.empty()) {
    City = "Unknown";
    Country = "??";
    Latitude = Longitude = 0;
    return;
  }
  Country = Copy(line, 1, 2);
  const int semi = Pos(";", line);
  City = semi > 0 ? Copy(line, 3, semi - 3) : Copy(line, 3, static_cast<int>(line.size()));
  const std::vector<std::string> f = Split(line.substr(semi > 0 ? static_cast<size_t>(semi) : line.size()), ';');
  Latitude = static_cast<float>(f.size() > 0 ? FieldValue(f[0]) / 100 : 0);
  Longitude = static_cast<float>(f.size() > 1 ? FieldValue(f[1]) / 100 : 0);
  if (City.empty()) City = "Unknown";
}

void TForm1::fake() {
  using K = TWizardButtonKind;
  K2WizardInteriorPage1->SetEnabledButtons({K::bkBack, K::bkNext, K::bkCancel});
  HomeLines.Clear();
  findmyip();
  Edit1->SetText(HomeIP);
  Edit2->SetText(City);
  Edit5->SetText(Country);
  auto place = [](float V, TSpinEdit* D, TSpinEdit* M, TSpinEdit* S) {
    const double whole = std::trunc(static_cast<double>(V));
    D->SetValue(static_cast<int>(std::fabs(whole)));
    M->SetValue(static_cast<int>(std::fabs(std::trunc((static_cast<double>(V) - whole) * 60))));
    S->SetValue(0);
  };
  place(Longitude, SpinEdit1, SpinEdit2, SpinEdit3);
  Pick(longwe, Longitude >= 0 ? "E" : "W");
  place(Latitude, SpinEdit4, SpinEdit5, SpinEdit6);
  Pick(latns, Latitude >= 0 ? "N" : "S");
}

void TForm1::verifydata() {
  using K = TWizardButtonKind;
  Label8->Font()->SetColor(clRed);
  Label9->Font()->SetColor(clRed);
  K4WizardInteriorPage1->SetEnabledButtons({K::bkBack, K::bkCancel});
  Label6->SetCaption("IP: " + Edit1->Text());
  Label7->SetCaption("City: " + Edit2->Text() + ", " + Edit5->Text());
  const int d1 = SpinEdit1->Value(), m1 = SpinEdit2->Value(), s1 = SpinEdit3->Value();
  const int d2 = SpinEdit4->Value(), m2 = SpinEdit5->Value(), s2 = SpinEdit6->Value();
  if (d1 < 180 && m1 < 60 && s1 < 60) Label8->Font()->SetColor(Grey);
  if (d2 < 90 && m2 < 60 && s2 < 60) Label9->Font()->SetColor(Grey);
  if (Label8->Font()->Color() == Grey && Label9->Font()->Color() == Grey)
    K4WizardInteriorPage1->SetEnabledButtons({K::bkBack, K::bkFinish, K::bkCancel});
  Label8->SetCaption("Longitude: " + IntToStr(d1) + "\xB0" + IntToStr(m1) + "'" + IntToStr(s1) + "\" " +
                     longwe->Text());
  Label9->SetCaption("Latitude: " + IntToStr(d2) + "\xB0" + IntToStr(m2) + "'" + IntToStr(s2) + "\" " +
                     latns->Text());
}

void TForm1::onfinishbuttonclick(TObject*) {
  if (UpdateMode) {
    Close();
    return;
  }
  const TCoordinateCode lon =
      CoordinateCode(SpinEdit1->Value(), SpinEdit2->Value(), SpinEdit3->Value(), longwe->Text() == "W");
  const TCoordinateCode lat =
      CoordinateCode(SpinEdit4->Value(), SpinEdit5->Value(), SpinEdit6->Value(), latns->Text() == "S");
  LongitudeCode = lon.Code;
  LatitudeCode = lat.Code;
  Edit2->SetText(FoldCity(Edit2->Text(), Edit5->Text()));
  HomeLines.Clear();
  HomeLines.Add(Edit1->Text());
  HomeLines.Add(Copy(Edit5->Text() + "XX", 1, 2) + ", " + Edit2->Text());
  HomeLines.Add(LongitudeCode);
  HomeLines.Add(LatitudeCode);
  HomeLines.Add(lon.Digits);
  HomeLines.Add(lat.Digits);
  SaveLinesReplacing(HomeLines, "myloc.txt");
  if (Caption() != " Edit Your Home Location ")
    WizardShellExecute(Handle(), nullptr, "vantrel.exe", nullptr, nullptr, SW_SHOWNORMAL);
  Close();
}
