// Settings: the registry keys under "\Software\Vantrel" and ana.cfg.
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <functional>

#include "classlib/Registry.h"
#include "viewer/NsMain.h"
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

bool ReadColor(TRegistry& Reg, const char* Name, int& Color, TColorRgb& Rgb) {
  if (!ReadInteger(Reg, Name, Color)) return false;
  Rgb = ColorToRgb(Color);
  return true;
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
  {
    TKeyReader k(reg, MainKey);
    if (k.Opened) ReadMainKey(reg);
  }
  {
    TKeyReader k(reg, ColorsKey);
    if (k.Opened) ReadColorsKey(reg);
  }
  {
    TKeyReader k(reg, GlobeKey);
    if (k.Opened) ReadGlobeKey(reg);
  }
  {
    TKeyReader k(reg, SnapshotKey);
    if (k.Opened) ReadSnapshotKey(reg);
  }
  {
    TKeyReader k(reg, ExtOptKey);
    if (k.Opened) ReadExtOptKey(reg);
  }
}

void TMainForm::ReadMainKey(TRegistry& Reg) {
  int v = 0;
  if (ReadInteger(Reg, "Left", v)) SetLeft(v);
  if (ReadInteger(Reg, "Top", v)) SetTop(v);
  if (ReadInteger(Reg, "Height", v)) SetHeight(v);
  if (ReadInteger(Reg, "Width", v)) SetWidth(v);
  ReadFloat(Reg, "FOV", Settings.FOV);
  ReadBool(Reg, "Rotate", Settings.Rotate);
  ReadBool(Reg, "Trails", Settings.ConnectLocations);
  ReadBool(Reg, "Labels", Settings.AllLabels);
  ReadFloat(Reg, "Shadow", Settings.Shadow);
  ReadBool(Reg, "Implant", Settings.Implant);
}

void TMainForm::ReadColorsKey(TRegistry& Reg) {
  ReadColor(Reg, "Color1", Settings.Color1, Settings.Color1Rgb);
  ReadColor(Reg, "Color2", Settings.Color2, Settings.Color2Rgb);
  ReadColor(Reg, "Color3", Settings.Color3, Settings.Color3Rgb);
  ReadColor(Reg, "Color4", Settings.Color4, Settings.Color4Rgb);
  TryRead<std::string>([&] { return Reg.ReadString("IPList"); }, Settings.IPList);
  int v = 0;
  // a period below one millisecond would stop the poll timer
  if (ReadInteger(Reg, "Interval", v) && v >= 1) Settings.Interval = v;
  ReadBool(Reg, "InternalOff", Settings.InternalOff);
  std::string font;
  if (ReadString(Reg, "Font", font) && !font.empty()) {
    if (Pos("[", font) > 0) {
      try {
        TextToFont(font, LabelFont);
        Settings.Font = font;
      } catch (const EConvertError&) {
        // an unreadable font string keeps the labels' font
      }
    } else {
      LabelFont.SetName(font);
      LabelFont.SetSize(8);
      Settings.Font = font;
    }
  }
}

void TMainForm::ReadGlobeKey(TRegistry& Reg) {
  int v = 0;
  // a width of 0 or past a byte would reach OpenGL as 0: the default stays
  if (ReadInteger(Reg, "LineThickness", v) && v >= 1 && v <= 255) Settings.LineThickness = static_cast<uint8_t>(v);
  if (ReadInteger(Reg, "PointSize", v) && v >= 1 && v <= 255) Settings.PointSize = static_cast<uint8_t>(v);
  ReadBool(Reg, "StayOnTop", Settings.StayOnTop);
  if (ReadInteger(Reg, "RotationSpeed", v)) {
    if (v == 0) v = 1;
    Settings.RotationSpeed = v;
    Settings.RotationFactor = v < 0 ? std::abs(1.0f / static_cast<float>(v)) : static_cast<float>(v);
  }
}

void TMainForm::ReadSnapshotKey(TRegistry& Reg) {
  ReadBool(Reg, "SaveImages", Settings.SaveImages);
  ReadBool(Reg, "Overwrite", Settings.Overwrite);
  ReadBool(Reg, "Timestamp", Settings.Timestamp);
  ReadInteger(Reg, "SIInterval", Settings.SIInterval);
  std::string path;
  if (ReadString(Reg, "Savepath", path) && !path.empty()) Settings.Savepath = path;
  ReadBool(Reg, "ExtendLabels", Settings.ExtendLabels);
}

void TMainForm::ReadExtOptKey(TRegistry& Reg) {
  std::string s;
  if (ReadString(Reg, "ExtOpt", s)) ApplyExtOpt(s);
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
  std::string s = BoolText(Settings.LineSmoothing) + BoolText(Settings.GlobeGrid) + BoolText(Settings.ShowInfoBalloons) +
                  IntToStr(Settings.MapType) + Format("%.2d", Settings.MapZoom) + "XXX" + IntToStr(Settings.MarkerSize) +
                  BoolText(Settings.SoundAlert) + BoolText(Settings.LogConnections) + std::string(18, 'x');
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
    if (GetWindowPlacement(Handle(), &p)) r = p.rcNormalPosition;
  }
  reg.WriteInteger("Left", r.left + border / 2);
  reg.WriteInteger("Top", r.top + border / 2);
  reg.WriteInteger("Height", r.bottom - r.top - border);
  reg.WriteInteger("Width", r.right - r.left - border);
  reg.WriteFloat("FOV", Settings.FOV);
  reg.WriteBool("Rotate", Settings.Rotate);
  reg.WriteBool("Trails", Settings.ConnectLocations);
  reg.WriteBool("Labels", Settings.AllLabels);
  reg.WriteFloat("Shadow", Settings.Shadow);
  reg.WriteBool("Implant", Settings.Implant);
}

void TMainForm::WriteOptionKeys() {
  TRegistry reg;
  reg.SetRootKey(HKEY_CURRENT_USER);
  {
    TKeyWriter k(reg, ColorsKey);
    reg.WriteString("IPList", Settings.IPList);
    reg.WriteInteger("Color1", Settings.Color1);
    reg.WriteInteger("Color2", Settings.Color2);
    reg.WriteInteger("Color3", Settings.Color3);
    reg.WriteInteger("Color4", Settings.Color4);
    reg.WriteInteger("Interval", Settings.Interval);
    reg.WriteBool("InternalOff", Settings.InternalOff);
    reg.WriteString("Font", Settings.Font);
  }
  {
    TKeyWriter k(reg, GlobeKey);
    reg.WriteInteger("LineThickness", Settings.LineThickness);
    reg.WriteInteger("PointSize", Settings.PointSize);
    reg.WriteBool("StayOnTop", Settings.StayOnTop);
    reg.WriteInteger("RotationSpeed", Settings.RotationSpeed);
  }
  {
    TKeyWriter k(reg, SnapshotKey);
    reg.WriteBool("SaveImages", Settings.SaveImages);
    reg.WriteBool("Overwrite", Settings.Overwrite);
    reg.WriteBool("Timestamp", Settings.Timestamp);
    reg.WriteInteger("SIInterval", Settings.SIInterval);
    reg.WriteString("Savepath", Settings.Savepath);
    reg.WriteBool("ExtendLabels", Settings.ExtendLabels);
  }
  {
    TKeyWriter k(reg, ExtOptKey);
    reg.WriteString("ExtOpt", BuildExtOpt());
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
