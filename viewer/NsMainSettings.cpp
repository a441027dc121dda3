// Settings: the registry keys under "\Software\Vantrel" and ana.cfg.
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <climits>
#include <functional>
#include <stdexcept>
#include <string_view>
#include <variant>

#include "classlib/Registry.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainSettings.h"

namespace {
const char* const MainKey = "\\Software\\Vantrel";
const char* const ColorsKey = "\\Software\\Vantrel\\1.1";
const char* const GlobeKey = "\\Software\\Vantrel\\1.1.2";
const char* const SnapshotKey = "\\Software\\Vantrel\\1.3.8";
const char* const ExtOptKey = "\\Software\\Vantrel\\1.4.1";
const char* const TableOptionDefaults[5] = {"1", "1", "1", "0", "0"};

// A value that is missing or not of its type leaves the setting as it was;
// the other values of the key are still read.
template <typename T>
bool TryRead(const std::function<T()>& Read, T& Value) {
  try {
    Value = Read();
    return true;
  } catch (const ERegistryException&) {
    return false;
  }
}

bool ReadInteger(TRegistry& Reg, const char* Name, int& Value) {
  return TryRead<int>([&] { return Reg.ReadInteger(Name); }, Value);
}

bool ReadBool(TRegistry& Reg, const char* Name, bool& Value) {
  return TryRead<bool>([&] { return Reg.ReadBool(Name); }, Value);
}

bool ReadFloat(TRegistry& Reg, const char* Name, float& Value) {
  double d = 0;
  if (!TryRead<double>([&] { return Reg.ReadFloat(Name); }, d)) return false;
  // eight bytes that are no number (or none a float can hold) keep the setting
  if (!std::isfinite(d) || std::fabs(d) > FLT_MAX) return false;
  Value = static_cast<float>(d);
  return true;
}

// A missing or empty string keeps the setting; IPList, whose default is
// empty, is read as it is.
bool ReadString(TRegistry& Reg, const char* Name, std::string& Value) {
  if (!Reg.ValueExists(Name)) return false;
  return TryRead<std::string>([&] { return Reg.ReadString(Name); }, Value);
}

// Opens a key for reading; a key that does not exist keeps the defaults.
class TKeyReader {
public:
  TKeyReader(TRegistry& R, const char* Key) : Reg(R) { Opened = Reg.OpenKey(Key, false); }
  ~TKeyReader() { Reg.CloseKey(); }
  TRegistry& Reg;
  bool Opened;
};

class TKeyWriter {
public:
  TKeyWriter(TRegistry& R, const char* Key) : Reg(R) {
    if (!Reg.OpenKey(Key, true)) throw ERegistryException(std::string("Failed to create key ") + Key);
  }
  ~TKeyWriter() { Reg.CloseKey(); }
  TRegistry& Reg;
};

std::string BoolText(bool B) { return B ? "-1" : "0"; }

// What a value of the registry holds beyond its type.
enum class TSettingRule {
  srPlain,
  srNonEmpty,   // an empty text keeps the setting
  srColor,      // the colour's fractions follow it
  srFont,       // the labels' font follows it
  srRotation,   // 0 stands for 1; the factor follows it
  srExtOpt      // the settings packed in "ExtOpt"
};

using TSettingField = std::variant<std::monostate, bool TSettings::*, int TSettings::*, uint8_t TSettings::*,
                                   float TSettings::*, std::string TSettings::*>;

struct TSettingRow {
  const char* Key;
  const char* Name;
  TSettingField Field;
  TSettingRule Rule = TSettingRule::srPlain;
  int Min = INT_MIN, Max = INT_MAX;   // an integer outside keeps the setting
  TColorRgb TSettings::*Rgb = nullptr;
  TSettingRange Offered{0, 0};        // the options window's range; none when empty
};

using R = TSettingRule;
using S = TSettings;
// Every setting once, in the order it is written; the window's place (Left,
// Top, Height, Width) comes first in MainKey and is read and written apart.
const TSettingRow SettingRows[] = {
    {MainKey, "FOV", &S::FOV},
    {MainKey, "Rotate", &S::Rotate},
    {MainKey, "Trails", &S::ConnectLocations},
    {MainKey, "Labels", &S::AllLabels},
    {MainKey, "Shadow", &S::Shadow},
    {MainKey, "Implant", &S::Implant},
    {ColorsKey, "IPList", &S::IPList},
    {ColorsKey, "Color1", &S::Color1, R::srColor, INT_MIN, INT_MAX, &S::Color1Rgb},
    {ColorsKey, "Color2", &S::Color2, R::srColor, INT_MIN, INT_MAX, &S::Color2Rgb},
    {ColorsKey, "Color3", &S::Color3, R::srColor, INT_MIN, INT_MAX, &S::Color3Rgb},
    {ColorsKey, "Color4", &S::Color4, R::srColor, INT_MIN, INT_MAX, &S::Color4Rgb},
    // a period below one millisecond would stop the poll timer
    {ColorsKey, "Interval", &S::Interval, R::srPlain, 1, INT_MAX, nullptr, {1, 3600}},
    {ColorsKey, "InternalOff", &S::InternalOff},
    {ColorsKey, "Font", &S::Font, R::srFont},
    // a width of 0 or past a byte would reach OpenGL as 0: the default stays
    {GlobeKey, "LineThickness", &S::LineThickness, R::srPlain, 1, 255, nullptr, {1, 5}},
    {GlobeKey, "PointSize", &S::PointSize, R::srPlain, 1, 255, nullptr, {1, 15}},
    {GlobeKey, "StayOnTop", &S::StayOnTop},
    {GlobeKey, "RotationSpeed", &S::RotationSpeed, R::srRotation, INT_MIN, INT_MAX, nullptr, {-10, 15}},
    {SnapshotKey, "SaveImages", &S::SaveImages},
    {SnapshotKey, "Overwrite", &S::Overwrite},
    {SnapshotKey, "Timestamp", &S::Timestamp},
    {SnapshotKey, "SIInterval", &S::SIInterval, R::srPlain, INT_MIN, INT_MAX, nullptr, {1, 9999}},
    {SnapshotKey, "Savepath", &S::Savepath, R::srNonEmpty},
    {SnapshotKey, "ExtendLabels", &S::ExtendLabels},
    {ExtOptKey, "ExtOpt", std::monostate(), R::srExtOpt},
};

// Reads one setting; LabelFont takes the "Font" setting.
void ReadSetting(TRegistry& Reg, const TSettingRow& Row, TFont& LabelFont) {
  TSettings& s = Settings;
  if (auto* f = std::get_if<bool S::*>(&Row.Field)) {
    ReadBool(Reg, Row.Name, s.*(*f));
  } else if (auto* f = std::get_if<float S::*>(&Row.Field)) {
    ReadFloat(Reg, Row.Name, s.*(*f));
  } else if (std::holds_alternative<int S::*>(Row.Field) || std::holds_alternative<uint8_t S::*>(Row.Field)) {
    int v = 0;
    if (!ReadInteger(Reg, Row.Name, v) || v < Row.Min || v > Row.Max) return;
    if (Row.Rule == R::srRotation) {
      if (v == 0) v = 1;
      s.RotationFactor = v < 0 ? std::abs(1.0f / static_cast<float>(v)) : static_cast<float>(v);
    }
    if (auto* f = std::get_if<int S::*>(&Row.Field))
      s.*(*f) = v;
    else
      s.*std::get<uint8_t S::*>(Row.Field) = static_cast<uint8_t>(v);
    if (Row.Rule == R::srColor) s.*Row.Rgb = ColorToRgb(v);
  } else if (auto* f = std::get_if<std::string S::*>(&Row.Field)) {
    std::string& value = s.*(*f);
    if (Row.Rule == R::srPlain) {
      TryRead<std::string>([&] { return Reg.ReadString(Row.Name); }, value);
      return;
    }
    std::string text;
    if (!ReadString(Reg, Row.Name, text) || text.empty()) return;
    if (Row.Rule == R::srFont) {
      if (Pos("[", text) > 0) {
        try {
          TextToFont(text, LabelFont);
        } catch (const EConvertError&) {
          return;   // an unreadable font string keeps the labels' font
        }
      } else {
        LabelFont.SetName(text);
        LabelFont.SetSize(8);
      }
    }
    value = text;
  } else if (Row.Rule == R::srExtOpt) {
    std::string text;
    if (ReadString(Reg, Row.Name, text)) ApplyExtOpt(text);
  }
}

void WriteSetting(TRegistry& Reg, const TSettingRow& Row) {
  const TSettings& s = Settings;
  if (auto* f = std::get_if<bool S::*>(&Row.Field))
    Reg.WriteBool(Row.Name, s.*(*f));
  else if (auto* f = std::get_if<float S::*>(&Row.Field))
    Reg.WriteFloat(Row.Name, s.*(*f));
  else if (auto* f = std::get_if<int S::*>(&Row.Field))
    Reg.WriteInteger(Row.Name, s.*(*f));
  else if (auto* f = std::get_if<uint8_t S::*>(&Row.Field))
    Reg.WriteInteger(Row.Name, s.*(*f));
  else if (auto* f = std::get_if<std::string S::*>(&Row.Field))
    Reg.WriteString(Row.Name, s.*(*f));
  else if (Row.Rule == R::srExtOpt)
    Reg.WriteString(Row.Name, BuildExtOpt());
}

void ReadSettings(TRegistry& Reg, const char* Key, TFont& LabelFont) {
  for (const TSettingRow& row : SettingRows)
    if (row.Key == Key) ReadSetting(Reg, row, LabelFont);
}

void WriteSettings(TRegistry& Reg, const char* Key) {
  for (const TSettingRow& row : SettingRows)
    if (row.Key == Key) WriteSetting(Reg, row);
}
}  // namespace

TSettingRange OptionRange(std::string_view Name) {
  for (const TSettingRow& row : SettingRows)
    if (Name == row.Name && row.Offered.Max > row.Offered.Min) return row.Offered;
  throw std::invalid_argument("no range offered for setting " + std::string(Name));
}

BOOL(WINAPI* GetWindowPlacementProc)(HWND, WINDOWPLACEMENT*) = GetWindowPlacement;
BOOL(WINAPI* GetMonitorInfoProc)(HMONITOR, LPMONITORINFO) = GetMonitorInfoA;
BOOL(WINAPI* EnumDisplayMonitorsProc)(HDC, LPCRECT, MONITORENUMPROC, LPARAM) = EnumDisplayMonitors;

namespace {
// The view the window keeps at least, in pixels each way.
constexpr int SmallestView = 48;

struct TCaptionSearch {
  RECT Caption;
  bool Seen = false;
};

BOOL CALLBACK SeekCaption(HMONITOR Monitor, HDC, LPRECT, LPARAM Data) {
  auto& search = *reinterpret_cast<TCaptionSearch*>(Data);
  MONITORINFO m{};
  m.cbSize = sizeof m;
  RECT common;
  if (GetMonitorInfoProc(Monitor, &m) && IntersectRect(&common, &search.Caption, &m.rcWork)) search.Seen = true;
  return !search.Seen;
}

// Whether a window of these bounds can be taken and used: part of its
// caption lies on a monitor's work area, and it is large enough for its
// caption and a view of a few dozen pixels.
bool WindowPlaceShows(int Left, int Top, int Width, int Height) {
  RECT smallest{0, 0, SmallestView, SmallestView};
  AdjustWindowRectEx(&smallest, WS_OVERLAPPEDWINDOW, FALSE, 0);
  if (Width < std::max<int>(smallest.right - smallest.left, GetSystemMetrics(SM_CXMIN)) ||
      Height < smallest.bottom - smallest.top)
    return false;
  // the caption with the frame above it: where the user takes the window
  TCaptionSearch search;
  search.Caption = {Left, Top, Left + Width, Top - smallest.top};
  EnumDisplayMonitorsProc(nullptr, nullptr, SeekCaption, reinterpret_cast<LPARAM>(&search));
  return search.Seen;
}
}  // namespace

TColorRgb ColorToRgb(int Color) {
  uint32_t c = static_cast<uint32_t>(Color);
  return {static_cast<float>(c & 0xFF) / 255.0f, static_cast<float>((c >> 8) & 0xFF) / 255.0f,
          static_cast<float>((c >> 16) & 0xFF) / 255.0f};
}

void TextToFont(std::string Text, TFont& AFont) {
  int p = Pos(",", Text);
  const std::string name = Copy(Text, 2, p - 3);
  Delete(Text, 1, p);
  p = Pos(",", Text);
  const int size = StrToInt(Copy(Text, 2, p - 2));
  Delete(Text, 1, p);
  p = Pos(",", Text);
  const std::string styles = "|" + Copy(Text, 3, p - 4);
  Delete(Text, 1, p);
  const TColor color = StringToColor(Copy(Text, 3, static_cast<int>(Text.size()) - 3));
  if (name.empty()) throw EConvertError("A font needs a name");
  TFontStyles style;
  if (Pos("|Bold", styles)) style.Include(TFontStyle::fsBold);
  if (Pos("|Italic", styles)) style.Include(TFontStyle::fsItalic);
  if (Pos("|Underline", styles)) style.Include(TFontStyle::fsUnderline);
  if (Pos("|Strikeout", styles)) style.Include(TFontStyle::fsStrikeOut);
  AFont.SetName(name);
  AFont.SetSize(size);
  AFont.SetStyle(style);
  AFont.SetColor(color);
}

std::string FontToText(const TFont& AFont) {
  std::string styles;
  auto add = [&](TFontStyle S, const char* Word) {
    if (!AFont.Style().Contains(S)) return;
    if (!styles.empty()) styles += "|";
    styles += Word;
  };
  add(TFontStyle::fsBold, "Bold");
  add(TFontStyle::fsItalic, "Italic");
  add(TFontStyle::fsUnderline, "Underline");
  add(TFontStyle::fsStrikeOut, "Strikeout");
  return Format("\"%s\", %d, [%s], [%s]", AFont.Name().c_str(), AFont.Size(), styles.c_str(),
                ColorToString(AFont.Color()).c_str());
}

void TMainForm::SetDefaultSettings() {
  SetBounds(Left(), Top(), 344, 304);
  Settings = TSettings();
  Settings.Savepath = GetCurrentDir() + "\\images";
  LabelFont.SetName("Arial");
  LabelFont.SetHeight(-9);
  LabelFont.SetStyle({});
}

void TMainForm::LoadSettings() {
  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  for (const char* key : {MainKey, ColorsKey, GlobeKey, SnapshotKey, ExtOptKey}) {
    TKeyReader k(reg, key);
    if (!k.Opened) continue;
    if (key == MainKey) ReadWindowPlace(reg);
    ReadSettings(reg, key, LabelFont);
  }
}

void TMainForm::ReadWindowPlace(TRegistry& Reg) {
  int l = Left(), t = Top(), h = Height(), w = Width();
  ReadInteger(Reg, "Left", l);
  ReadInteger(Reg, "Top", t);
  ReadInteger(Reg, "Height", h);
  ReadInteger(Reg, "Width", w);
  if (WindowPlaceShows(l, t, w, h)) {
    SetBounds(l, t, w, h);
    return;
  }
  SetBounds(Left(), Top(), 344, 304);
  FDefaultPlace = !HandleAllocated();   // a window already made stays where it is
}

void TMainForm::CreateParams(TCreateParams& Params) {
  TForm::CreateParams(Params);
  if (FDefaultPlace) Params.X = Params.Y = CW_USEDEFAULT;
}

void TMainForm::BoundsChanged() {
  TForm::BoundsChanged();
  FDefaultPlace = false;   // bounds set since are kept
}

void TMainForm::CreateWnd() {
  TForm::CreateWnd();
  if (!FDefaultPlace) return;
  FDefaultPlace = false;
  RECT r;
  if (GetWindowRect(Handle(), &r)) {
    FLeft = r.left;
    FTop = r.top;
  }
}

void ApplyExtOpt(const std::string& S) {
  const int n = static_cast<int>(S.size());
  auto digits = [&](int Index, int Count, int& Value) {
    int v = 0;
    if (TryStrToInt(Copy(S, Index, Count), v) && v >= 0) Value = v;
  };
  auto flag = [&](int Index, bool& Value) {
    try {
      Value = StrToBool(Copy(S, Index, 1));
    } catch (const EConvertError&) {
    }
  };
  if (n >= 1) Settings.LineSmoothing = S[0] == '1';
  if (n >= 2) Settings.GlobeGrid = S[1] == '1';
  if (n > 2) Settings.ShowInfoBalloons = S[2] == '1';
  if (n > 3) digits(4, 1, Settings.MapType);
  if (n > 4) digits(5, 2, Settings.MapZoom);
  if (n > 9) digits(10, 1, Settings.MarkerSize);
  if (n > 10) flag(11, Settings.SoundAlert);
  if (n > 11 && S[11] != 'x') flag(12, Settings.LogConnections);
  if (n > 30) {
    // one character per country, its code the country's number 1..252
    Settings.RogueCountries.clear();
    for (char c : S.substr(30)) {
      int code = static_cast<unsigned char>(c);
      if (code >= 1 && code <= CountryCount) Settings.RogueCountries += c;
    }
  }
}

std::string BuildExtOpt() {
  std::string s = BoolText(Settings.LineSmoothing) + BoolText(Settings.GlobeGrid) +
                  BoolText(Settings.ShowInfoBalloons) + IntToStr(Settings.MapType) + Format("%.2d", Settings.MapZoom) +
                  "XXX" + IntToStr(Settings.MarkerSize) + BoolText(Settings.SoundAlert) +
                  BoolText(Settings.LogConnections) + std::string(18, 'x');
  std::string r;
  for (char c : s)
    if (c != '-') r += c;
  return r + Settings.RogueCountries;
}

void TMainForm::TakeViewSettings() {
  Settings.FOV = CameraZoom();
  Settings.Rotate = GLCadencer1->Enabled();
  Settings.Shadow = GLLightSource1->Ambient()->Red();
}

void TMainForm::WriteMainKey() {
  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  TKeyWriter k(reg, MainKey);
  const int border = WindowState() == TWindowState::wsMaximized ? 8 : 0;
  RECT r{Left(), Top(), Left() + Width(), Top() + Height()};
  if (HandleAllocated() && IsIconic(Handle())) {   // minimised: the place it comes back to
    WINDOWPLACEMENT p{};
    p.length = sizeof p;
    if (GetWindowPlacementProc(Handle(), &p)) {
      r = p.rcNormalPosition;
      // in the work area's coordinates, unless a tool window: a task bar at
      // the top or left would shift the window at the next start
      MONITORINFO m{};
      m.cbSize = sizeof m;
      if (!(GetWindowLongPtrA(Handle(), GWL_EXSTYLE) & WS_EX_TOOLWINDOW) &&
          GetMonitorInfoProc(MonitorFromWindow(Handle(), MONITOR_DEFAULTTONEAREST), &m))
        OffsetRect(&r, m.rcWork.left - m.rcMonitor.left, m.rcWork.top - m.rcMonitor.top);
    }
  }
  reg.WriteInteger("Left", r.left + border / 2);
  reg.WriteInteger("Top", r.top + border / 2);
  reg.WriteInteger("Height", r.bottom - r.top - border);
  reg.WriteInteger("Width", r.right - r.left - border);
  WriteSettings(reg, MainKey);
}

void TMainForm::WriteOptionKeys() {
  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  for (const char* key : {ColorsKey, GlobeKey, SnapshotKey, ExtOptKey}) {
    TKeyWriter k(reg, key);
    WriteSettings(reg, key);
  }
}

void TMainForm::LoadTableOptions(const std::string& FileName) {
  TStringList file;
  if (FileExists(FileName)) {
    try {
      file.LoadFromFile(FileName);
    } catch (const EStreamError&) {
      file.Clear();
    }
  }
  TableOptions.Clear();
  for (int i = 0; i < 5; ++i) {
    std::string v = i < file.Count() ? Trim(file[i]) : "";
    TableOptions.Add(v == "0" || v == "1" ? v : TableOptionDefaults[i]);
  }
}

void TMainForm::SaveTableOptions(const std::string& FileName) const {
  TableOptions.SaveToFile(FileName);
}
