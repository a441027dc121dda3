// The main window: the state every part of the program shares, the poll of
// the connection tables and the settings.
#pragma once
#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <vector>

#include "classlib/ActnList.h"
#include "classlib/Classes.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Graphics.h"
#include "monitor/uConnectionTables.h"
#include "monitor/uLocationDatabase.h"
#include "viewer/components/TrayIcon.h"
#include "viewer/uToolHelpAPI.h"

class TRegistry;

// One row of the Connections Table as its list view shows it.
struct TConnectionItem {
  std::string Caption;                 // "TCP" or "UDP"
  std::array<std::string, 9> SubItems; // Local IP, Local Port, Remote IP, Remote Port,
                                       // Connection State, Process Name: PId, Location,
                                       // Country, ID
};

class TMainForm : public TForm {
  DECLARE_CLASSINFO(TMainForm)
public:
  explicit TMainForm(TComponent* AOwner);
  ~TMainForm() override;

  // ---- Components of the poll ----
  TTimer* Timer;   // the poll timer, made disabled
  TTrayIcon* TrayIcon1;   // made inactive; the poll writes its tooltip
  TActionList* ActionList;
  TAction* actRefresh;
  TAction* actAllEndpoints;
  TAction* actAutoRefresh;
  TAction* actNIC;
  TAction* actConnections;

  // ---- Connection tables and location database ----
  TConnectionTables ConnectionTables;
  TLocationDatabase LocationDatabase;
  void ReadTCPTable() { ConnectionTables.ReadTCPTable(); }
  void ReadUDPTable() { ConnectionTables.ReadUDPTable(); }
  // Result := the location line of IP (see TLocationDatabase::iplocate).
  void iplocate(const std::string& IP, std::string& Result);

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
  TStringList& Cities;         // lines of data\cities.dat (the database's)
  TStringList& DatabaseInfo;   // lines of data\r.dat (the database's)
  std::string RouteTarget;
  TFont LabelFont;   // the globe labels' font, the "Font" setting applied

  // ---- The poll (NsMainRefresh.cpp, NsMainPoll.cpp) ----
  void Refresh(bool ReadTables);
  void AddressToText(DWORD Address, std::string& Text);
  void LocalAddressToText(DWORD Address, std::string& Text);
  // "&" + name + ": " + PID onto the last table line, "&" + name onto the
  // last detail line; nothing when the list is empty.
  void TableProcessNameOfPid(DWORD Pid);
  void DetailProcessNameOfPid(DWORD Pid);
  // The list-view row of a table line; TCP rows are located.
  TConnectionItem ConnectionItemOf(const std::string& Line, bool Tcp);
  void TimerTimer(TObject* Sender);
  void actRefreshExecute(TObject* Sender);
  void ActionExecute(TObject* Sender);
  void actAllEndpointsExecute(TObject* Sender);
  void actAutoRefreshExecute(TObject* Sender);

  // ---- Settings (NsMainSettings.cpp) ----
  void SetDefaultSettings();
  void LoadSettings();
  void WriteMainKey();      // "\Software\Vantrel"
  void WriteOptionKeys();   // the four sub-keys
  // ana.cfg: five lines "0"/"1"; a short or garbled file keeps the
  // defaults of the lines it lacks.
  void LoadTableOptions(const std::string& FileName);
  void SaveTableOptions(const std::string& FileName) const;

protected:
  // Hooks into the windows and the globe that the poll drives.
  // The globe update: locates VisualizedIPs and rebuilds the point sets.
  virtual void UpdateGlobe();
  // The Connections Table window: shows the rows the poll built, keeping
  // the user's sort, and reports whether it is on screen.
  virtual void ShowConnectionItems(const std::vector<TConnectionItem>& Items);
  virtual bool ConnectionsTableVisible() const;
  // Its check boxes; until the window shows them they follow ana.cfg.
  virtual bool HideOwnConnections() const;
  virtual bool ShowUdpConnections() const;
  virtual bool TableAutorefresh() const;
  // Desktop mode on or off.
  virtual void ImplantClick(TObject* Sender);

private:
  void ApplyStayOnTop();
  void SetTrayToolTip(const std::string& Text);
  UINT PollInterval() const;
  void FillConnectionsTable(int TableTcpLines);
  void MergeIPList();
  bool VisualizedHolds(const std::string& Text) const;
  void AddVisualized(const std::string& Text);
  // The entries of VisualizedIPs while a poll builds it. Printable ASCII
  // entries are hashed with their case folded, which for such text is the
  // list's own comparison; every other entry is kept in a list that
  // compares as VisualizedIPs does.
  struct TCaseHash {
    size_t operator()(const std::string& S) const;
  };
  struct TCaseEqual {
    bool operator()(const std::string& A, const std::string& B) const;
  };
  std::unordered_set<std::string, TCaseHash, TCaseEqual> FVisualized;
  TStringList FOtherVisualized;
  bool FPolling = false;
  // Process names of the running poll: one snapshot per poll.
  TProcessSnapshot FProcessNames;
  std::string ProcessName(DWORD Pid);
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
extern TGdiObject MenuFont;   // the system menu font, for the popup table
extern int ColumnWidth1, ColumnWidth2, ColumnWidth3, SpaceWidth, RowHeight;
extern std::vector<std::unique_ptr<TBitmap>> HudImages;   // bitmap resources 2..12
extern uint8_t OSMajorVersion;
extern int PopupYOffset;
extern std::string AutorefreshText;
extern std::string ConnectionsSuffix;

// ---- State of the poll ----
extern int LiveAddressCount;     // entries of VisualizedIPs before the IP-list file's
extern int NewAddressCount;      // public remote addresses met in this poll, not yet listed
extern bool TableOpen;           // the poll fills the Connections Table
extern std::string TableStamp;   // time and date of the last table fill
extern bool TableRowStarted;
extern bool DetailRowStarted;
extern uint8_t FirstPollState;   // 0 at start, 1 after the first poll, 2 once on top
extern int PollTimerTicks;
extern int StartupCounter;
extern std::string StartupText;
extern int StartupTextOffset;
extern bool DetailsRequested;    // the next poll also builds DetailRows
extern int SnapshotClock;        // seconds since the last snapshot
extern int PlotIndex;            // the entry the globe update is locating
constexpr int MaxVisualizedIPs = 10000;

// Dotted text of an address as the tables hold it (first octet lowest).
std::string AddressText(DWORD Address);
// Decimal text of a port held in network order in the low half of Port.
std::string PortToText(DWORD Port);
// ntohl(inet_addr(Text)), 0 when Text is no dotted address.
uint32_t AddressValue(const std::string& Text);
// Loopback 127.0.0.1 or one of the private ranges 10/8, 169.254/16,
// 172.16/12, 192.168/16: never plotted.
bool IsPrivateAddress(const std::string& Text, uint32_t Value);
// The current time in the locale's long format, the date in its short one.
std::string LongTimeText();
std::string ShortDateText();

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
