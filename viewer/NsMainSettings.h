// The settings of the main window: the values of the registry keys under
// "\Software\Vantrel", read at start-up and written by the options window.
#pragma once

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

class TFont;

using TColorRgb = std::array<float, 3>;

struct TSettings {
  // "\Software\Vantrel"
  float FOV = 0.4f;                // camera zoom (NearPlaneBias)
  bool Rotate = false;             // the globe turns on its own
  bool ConnectLocations = true;    // "Trails"
  bool AllLabels = false;          // "Labels"
  float Shadow = 0.2f;             // ambient light of the night side
  bool Implant = false;            // start in desktop mode
  // "\Software\Vantrel\1.1"
  int Color1 = 255, Color2 = 16711935, Color3 = 33023, Color4 = 32768;   // colour values, red in the low byte
  // the colours as fractions, kept with them
  TColorRgb Color1Rgb{1, 0, 0}, Color2Rgb{1, 0, 1}, Color3Rgb{1, 128 / 255.0f, 0},
      Color4Rgb{0, 128 / 255.0f, 0};
  std::string IPList;
  int Interval = 2000;
  bool InternalOff = false;
  std::string Font;                // labels font as text, see FontToText
  // "\Software\Vantrel\1.1.2"
  uint8_t LineThickness = 1;
  uint8_t PointSize = 5;
  bool StayOnTop = false;
  int RotationSpeed = 1;
  float RotationFactor = 1;
  // "\Software\Vantrel\1.3.8"
  bool SaveImages = false;
  bool Overwrite = false;
  bool Timestamp = false;
  int SIInterval = 0;
  std::string Savepath;            // the default is the images folder of the current one
  bool ExtendLabels = false;
  // "\Software\Vantrel\1.4.1", packed in "ExtOpt"
  bool LineSmoothing = true;
  bool GlobeGrid = true;
  bool ShowInfoBalloons = true;
  int MapType = 1;
  int MapZoom = 6;
  int MarkerSize = 3;
  bool SoundAlert = false;
  bool LogConnections = false;
  std::string RogueCountries;
};
extern TSettings& Settings;

// The "Font" setting: "\"Name\", Size, [Bold|Italic|Underline|Strikeout], [Colour]".
// TextToFont raises EConvertError for text it cannot read.
void TextToFont(std::string Text, TFont& AFont);
std::string FontToText(const TFont& AFont);
// Red, green and blue of a colour value as fractions of 255.
TColorRgb ColorToRgb(int Color);
// "ExtOpt" from the settings above, and the reverse; a piece that does not
// convert keeps its value.
std::string BuildExtOpt();
void ApplyExtOpt(const std::string& S);

// The range the options window offers for a setting, in the units it shows:
// "Interval" in seconds, "SIInterval" in poll periods. From the settings
// table; std::invalid_argument for a setting the window offers no range for.
struct TSettingRange {
  int Min, Max;
  int Clamp(int Value) const { return std::clamp(Value, Min, Max); }
};
TSettingRange OptionRange(std::string_view Name);

// Where a minimised window comes back to and the work area of its monitor;
// tests put a screen with a task bar here.
extern BOOL(WINAPI* GetWindowPlacementProc)(HWND Wnd, WINDOWPLACEMENT* Placement);
extern BOOL(WINAPI* GetMonitorInfoProc)(HMONITOR Monitor, LPMONITORINFO Info);
// The monitors, whose work areas a stored window place must reach; tests
// add a screen here.
extern BOOL(WINAPI* EnumDisplayMonitorsProc)(HDC DC, LPCRECT Clip, MONITORENUMPROC Callback, LPARAM Data);
