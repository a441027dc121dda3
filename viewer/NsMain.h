// The main window: the state every part of the program shares, the poll of
// the connection tables and the settings.
#pragma once
#include <windows.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "classlib/ActnList.h"
#include "classlib/Classes.h"

class TRegistry;

// One row of the Connections Table as its list view shows it.
struct TConnectionItem {
  std::string Caption;                 // "TCP" or "UDP"
  std::array<std::string, 9> SubItems; // Local IP, Local Port, Remote IP, Remote Port,
                                       // Connection State, Process Name: PId, Location,
                                       // Country, ID
};

class TMainForm : public TComponent {
  DECLARE_CLASSINFO(TMainForm)
public:
  explicit TMainForm(TComponent* AOwner);
  ~TMainForm() override;

  // ---- Components of the poll ----
  TActionList* ActionList;
  TAction* actRefresh;
  TAction* actAllEndpoints;
  TAction* actAutoRefresh;
  TAction* actNIC;
  TAction* actConnections;

  // ---- Fields ----
  bool PollIdle = true;
  TStringList VisualizedIPs;   // entry 0 = home, then the addresses to plot
  TStringList TableOptions;    // the five lines of ana.cfg
  TStringList LocationLabels;
  TStringList HoverList;
  TStringList LogEntries;
  TStringList LogCarry;
  TStringList IPListLines;
  TStringList DetailRows;      // connection rows of the globe's details popup
  TStringList TableRows;       // connection rows of the Connections Table
  TStringList AnalyzedLines;
  TStringList AnalyzedIPs;
  TStringList RouteHops;
  TStringList RouteLabels;
  TStringList Cities;
  TStringList DatabaseInfo;
  std::string RouteTarget;

  // ---- Settings (NsMainSettings.cpp) ----
  void SetDefaultSettings();
  void LoadSettings();
  void WriteMainKey();      // "\Software\Vantrel"
  void WriteOptionKeys();   // the four sub-keys
  // ana.cfg: five lines "0"/"1"; a short or garbled file keeps the
  // defaults of the lines it lacks.
  void LoadTableOptions(const std::string& FileName);
  void SaveTableOptions(const std::string& FileName) const;

private:
  void ReadMainKey(TRegistry& Reg);
  void ReadColorsKey(TRegistry& Reg);
  void ReadGlobeKey(TRegistry& Reg);
  void ReadSnapshotKey(TRegistry& Reg);
  void ReadExtOptKey(TRegistry& Reg);
};

extern TMainForm* MainForm;

// ---- Program-wide state kept with the main window ----
extern std::string HomeIP;
extern std::string HomeLabel;
extern std::string HomeCoordinates;
extern float HomeLongitude;
extern float HomeLatitude;
extern bool FirstRun;
extern bool FirstMainShow;
extern bool GlobePending;
extern std::string LogPath;
extern HFONT MenuFont;
extern int ColumnWidth1, ColumnWidth2, ColumnWidth3, SpaceWidth, RowHeight;
extern uint8_t OSMajorVersion;
extern int PopupYOffset;
extern std::string AutorefreshText;
extern std::string ConnectionsSuffix;

// ---- Settings ----
// "\Software\Vantrel"
extern float FOV;                // camera zoom (NearPlaneBias)
extern bool Rotate;              // the globe turns on its own
extern bool ConnectLocations;    // "Trails"
extern bool AllLabels;           // "Labels"
extern float Shadow;             // ambient light of the night side
extern bool Implant;             // start in desktop mode
// "\Software\Vantrel\1.1"
extern int Color1, Color2, Color3, Color4;   // colour values, red in the low byte
using TColorRgb = std::array<float, 3>;
extern TColorRgb Color1Rgb, Color2Rgb, Color3Rgb, Color4Rgb;
extern std::string IPList;
extern int Interval;
extern bool InternalOff;
extern std::string Font;         // labels font as text, see FontToText
// "\Software\Vantrel\1.1.2"
extern uint8_t LineThickness;
extern uint8_t PointSize;
extern bool StayOnTop;
extern int RotationSpeed;
extern float RotationFactor;
// "\Software\Vantrel\1.3.8"
extern bool SaveImages;
extern bool Overwrite;
extern bool Timestamp;
extern int SIInterval;
extern std::string Savepath;
extern bool ExtendLabels;
// "\Software\Vantrel\1.4.1", packed in "ExtOpt"
extern bool LineSmoothing;
extern bool GlobeGrid;
extern bool ShowInfoBalloons;
extern int MapType;
extern int MapZoom;
extern int MarkerSize;
extern bool SoundAlert;
extern bool LogConnections;
extern std::string RogueCountries;

// Red, green and blue of a colour value as fractions of 255.
TColorRgb ColorToRgb(int Color);
// "ExtOpt" from the settings above, and the reverse; a piece that does not
// convert keeps its value.
std::string BuildExtOpt();
void ApplyExtOpt(const std::string& S);
