#include "viewer/NsMain.h"

IMPLEMENT_CLASSINFO(TMainForm, TComponent)

TMainForm* MainForm = nullptr;

std::string HomeIP;
std::string HomeLabel;
std::string HomeCoordinates;
float HomeLongitude = 0;
float HomeLatitude = 0;
bool FirstRun = false;
bool FirstMainShow = true;
bool GlobePending = true;
std::string LogPath;
HFONT MenuFont = nullptr;
int ColumnWidth1 = 0, ColumnWidth2 = 0, ColumnWidth3 = 0, SpaceWidth = 0, RowHeight = 0;
uint8_t OSMajorVersion = 0;
int PopupYOffset = 0;
std::string AutorefreshText;
std::string ConnectionsSuffix;

TMainForm::TMainForm(TComponent* AOwner) : TComponent(AOwner) {
  Name = "MainForm";
  // The window is made once per run; its state starts afresh with it.
  HomeIP.clear();
  HomeLabel.clear();
  HomeCoordinates.clear();
  HomeLongitude = HomeLatitude = 0;
  FirstRun = false;
  FirstMainShow = true;
  GlobePending = true;

  ActionList = new TActionList(this);
  ActionList->Name = "ActionList";
  // actNIC is the fourth action of the list: actRefresh executes it by place.
  auto make = [this](const char* AName, const char* ACaption) {
    auto* a = new TAction(this);
    a->Name = AName;
    a->SetCaption(ACaption);
    a->SetActionList(ActionList);
    return a;
  };
  actRefresh = make("actRefresh", "Refresh");
  actAllEndpoints = make("actAllEndpoints", "All Endpoints");
  actAutoRefresh = make("actAutoRefresh", "Autorefresh");
  actNIC = make("actNIC", "Poll");
  actConnections = make("actConnections", "Connections");
  actAllEndpoints->SetChecked(true);
  actAutoRefresh->SetChecked(true);

  AutorefreshText = "; Autorefresh ON";
  ConnectionsSuffix = " connection(s)";
  SetDefaultSettings();
  TableOptions.SetText("1\n1\n1\n0\n0\n");
}

TMainForm::~TMainForm() {
  if (MainForm == this) MainForm = nullptr;
}
