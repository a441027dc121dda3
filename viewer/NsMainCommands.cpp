// The commands on one connection: the Connections Table, closing a TCP
// connection, ending its process, the process-information and whois pages,
// the place on the web map; and the camera over a row's place.
#include <winsock.h>

#include <algorithm>

#include "classlib/Dialogs.h"
#include "monitor/Unit7.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainCommands.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainRefresh.h"
#include "viewer/NsMainSettings.h"
#include "viewer/components/HyperLbl.h"
#include "viewer/uToolHelpAPI.h"
#include "viewer/unit4.h"

namespace {
const char* const ProcessInfoSite = "https://www.processlibrary.com";
const char* const WhoisSites[2] = {"https://www.whois.com", "https://who.is"};

// Every occurrence of From in S replaced by To.
std::string ReplaceAll(std::string S, const std::string& From, const std::string& To) {
  if (From.empty()) return S;
  for (size_t p = S.find(From); p != std::string::npos; p = S.find(From, p + To.size())) S.replace(p, From.size(), To);
  return S;
}

// A text as one value of a web address's query.
std::string QueryValue(const std::string& S) {
  static const char hex[] = "0123456789ABCDEF";
  std::string r;
  for (unsigned char c : S) {
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '.' || c == '-' ||
        c == '_' || c == '~') {
      r += static_cast<char>(c);
    } else {
      r += '%';
      r += hex[c >> 4];
      r += hex[c & 15];
    }
  }
  return r;
}

int ExactIndex(const TStringList& List, const std::string& S) {
  for (int i = 0; i < List.Count(); ++i)
    if (List[i] == S) return i;
  return -1;
}

const std::string& SubItem(TListItem* Item, int Index) {
  static const std::string none;
  TStringList* s = Item->SubItems();
  return Index < s->Count() ? (*s)[Index] : none;
}
}  // namespace

std::string ProcessInfoURL(const std::string& ExeName) {
  return std::string(ProcessInfoSite) + "/directory/?files=" + QueryValue(ExeName);
}

std::string WhoisURL(const std::string& Address, bool ToolButton) {
  return std::string(WhoisSites[ToolButton ? 0 : 1]) + "/whois/" + QueryValue(Address);
}

TTcpDeleteRow TcpDeleteRow(const std::string& LocalIP, const std::string& LocalPort, const std::string& RemoteIP,
                           const std::string& RemotePort) {
  auto port = [](const std::string& Text) {
    return static_cast<DWORD>(ntohs(static_cast<u_short>(StrToInt(Text))));
  };
  return {12, static_cast<DWORD>(inet_addr(LocalIP.c_str())), port(LocalPort),
          static_cast<DWORD>(inet_addr(RemoteIP.c_str())), port(RemotePort)};
}

void SplitConnectionRow(const std::string& Line, std::string& LocalIP, std::string& LocalPort, std::string& RemoteIP,
                        std::string& RemotePort) {
  const size_t bang = Line.find('!');
  const size_t hash = Line.find('#', bang == std::string::npos ? 0 : bang);
  const std::string remote = Line.substr(0, bang);
  const std::string local =
      bang == std::string::npos ? std::string() : Line.substr(bang + 1, hash == std::string::npos ? std::string::npos : hash - bang - 1);
  auto split = [](const std::string& Part, std::string& Address, std::string& Port) {
    const size_t colon = Part.find(':');
    Address = Part.substr(0, colon);
    Port = colon == std::string::npos ? std::string() : Part.substr(colon + 1);
  };
  split(local, LocalIP, LocalPort);
  split(remote, RemoteIP, RemotePort);
}

std::string LocationIPList(const std::string& HintText, const std::string& Label) {
  return ReplaceAll(ReplaceAll(HintText, Label, ""), "\r\n", "<br>");
}

std::string HopIPList(const std::string& AddressText, const std::string& Label) {
  std::string s = ReplaceAll(AddressText, Label, "");
  s = Trim(s.substr(0, s.size() >= 2 ? s.size() - 2 : 0));
  s = "Hop:" + ReplaceAll(s, "\r\n ", "<br>Hop:");
  s = ReplaceAll(s, "   ", "  ");
  return ReplaceAll(s, "  ", "&nbsp &nbsp IP: ");
}

// ---- Where a command's row comes from ----

namespace {
// A tool button of the Connections Table, or a menu item whose hint is "ct".
bool FromTable(TObject* Sender) {
  if (dynamic_cast<TToolButton*>(Sender)) return true;
  auto* item = dynamic_cast<TMenuItem*>(Sender);
  return item && item->Hint == "ct";
}

TListItem* TableSelection() { return Form2 ? Form2->ListView1->Selected() : nullptr; }

void DisableRowCommands() {
  if (!Form2) return;
  Form2->tablecloseconn->SetEnabled(false);
  Form2->kill->SetEnabled(false);
  Form2->ToolButton3->SetEnabled(false);
  Form2->ToolButton2->SetEnabled(false);
}
}  // namespace

TListItem* TMainForm::TableSelection(TObject* Sender) const {
  return FromTable(Sender) ? ::TableSelection() : nullptr;
}

void TMainForm::RefreshOpenTable() {
  if (!Form2 || !Form2->Visible()) return;
  PollState.TableOpen = true;
  Refresh(true);
  DisableRowCommands();
}

void TMainForm::SendToBackForBrowser() {
  if (BorderStyle() == TFormBorderStyle::bsNone && !FullScreenActive())
    SetWindowPos(Handle(), HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

// ---- The commands ----

void TMainForm::ConnectionsTable1Click(TObject*) {
  if (Settings.InternalOff || AnalyzedIPs.Count() > 0) {
    ShowMessageBox("Internal TCP/UDP monitor is currently disabled.", "Options Panel Message",
                   MB_OK | MB_ICONWARNING);
    return;
  }
  if (Form2 && Form2->Visible()) Form2->BringToFront();
  DisableRowCommands();
  PollState.TableOpen = true;
  Refresh(true);
  if (Form2 && !Form2->Visible()) Form2->Show();
}

void TMainForm::closenonnectionClick(TObject* Sender) {
  std::string localIP, localPort, remoteIP, remotePort;
  if (FromTable(Sender)) {
    TListItem* item = ::TableSelection();
    if (!item) return;
    localIP = SubItem(item, siLocalIP);
    localPort = SubItem(item, siLocalPort);
    remoteIP = SubItem(item, siRemoteIP);
    remotePort = SubItem(item, siRemotePort);
  } else if (auto* m = dynamic_cast<TMenuItem*>(Sender)) {
    SplitConnectionRow(m->Hint, localIP, localPort, remoteIP, remotePort);
  } else {
    return;
  }
  TTcpDeleteRow row = TcpDeleteRow(localIP, localPort, remoteIP, remotePort);
  if (SetTcpEntry) SetTcpEntry(&row);   // its answer is not looked at: the refreshed table shows it
  RefreshOpenTable();
}

void TMainForm::killconnectionClick(TObject* Sender) {
  std::string name, id;
  if (FromTable(Sender)) {
    TListItem* item = ::TableSelection();
    if (!item) return;
    name = SubItem(item, siProcess);   // "name: PID"
    name.resize(std::min(name.size(), name.find(':')));
    id = SubItem(item, siID);
  } else if (auto* m = dynamic_cast<TMenuItem*>(Sender)) {
    const size_t comma = m->Hint.rfind(',');   // "name,PID"
    if (comma != std::string::npos) name = m->Hint.substr(0, comma);
    id = m->Hint.substr(comma == std::string::npos ? 0 : comma + 1);
  } else {
    return;
  }
  const DWORD pid = static_cast<DWORD>(StrToInt(id));
  // The row may be older than the process: its ID may belong to another
  // program by now, which is left alone.
  const std::string running = ProcessNameOfPid(pid);
  if (running == "?" || !SameText(running, name)) {
    TellUser("The process \"" + name + "\" (ID " + IntToStr(pid) + ") is no longer running; nothing was terminated.",
             MB_OK | MB_ICONINFORMATION);
    RefreshOpenTable();
    return;
  }
  THandle process(OpenProcess(PROCESS_TERMINATE, FALSE, pid));
  if (process) TerminateProcess(process.Get(), 0);
  process.Reset();
  if (Form2 && Form2->Visible()) {
    SleepEx(500, FALSE);   // so that its connections are gone from the next table
    RefreshOpenTable();
  }
}

void TMainForm::webinfoClick(TObject* Sender) {
  SendToBackForBrowser();
  std::string exe;
  if (FromTable(Sender)) {
    TListItem* item = ::TableSelection();
    if (!item) return;
    exe = SubItem(item, siProcess);
    const size_t colon = exe.find(':');
    if (colon != std::string::npos) exe.resize(colon);
  } else if (auto* m = dynamic_cast<TMenuItem*>(Sender)) {
    exe = m->Hint;
  } else {
    return;
  }
  HyperLinkShellExecute(Handle(), "open", ProcessInfoURL(exe).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TMainForm::whoisClick(TObject* Sender) {
  SendToBackForBrowser();
  std::string address;
  if (FromTable(Sender)) {
    TListItem* item = ::TableSelection();
    if (!item) return;
    address = SubItem(item, siRemoteIP);
  } else if (auto* m = dynamic_cast<TMenuItem*>(Sender)) {
    address = m->Caption;
  } else {
    return;
  }
  const bool toolButton = dynamic_cast<TToolButton*>(Sender) != nullptr;
  HyperLinkShellExecute(Handle(), "open", WhoisURL(address, toolButton).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TMainForm::gmClick(TObject* Sender) {
  if (FromTable(Sender)) {
    TListItem* item = ::TableSelection();
    if (!item) return;
    Selection.SelectionKind = 0;   // a row is a location, whatever the globe's last click picked
    Selection.SelectedLocationText = SubItem(item, siLocation) + ", " + SubItem(item, siCountry);
    Selection.SelectedLocationIndex = ExactIndex(LocationLabels, Selection.SelectedLocationText);
    Selection.SelectedIPList = SubItem(item, siRemoteIP);
  } else if (Selection.SelectionKind == 31) {   // a traceroute hop
    Selection.SelectedLocationText = Selection.PickedHopLabel;
    Selection.SelectedLocationIndex = ExactIndex(RouteLabels, Selection.PickedHopLabel);
    Selection.SelectedIPList = HopIPList(Selection.PickedHint, Selection.PickedHopLabel);
  } else {
    // the label is the hint's last line, after its line feed and one more character
    const size_t cr = Selection.PickedHint.rfind('\r');
    const std::string last = cr == std::string::npos ? Selection.PickedHint : Selection.PickedHint.substr(cr + 1);
    Selection.SelectedLocationText = last.size() > 2 ? last.substr(2) : std::string();
    Selection.SelectedLocationIndex = ExactIndex(LocationLabels, Selection.SelectedLocationText);
    Selection.SelectedIPList = LocationIPList(Selection.PickedHint, Selection.SelectedLocationText);
  }
  Application->ProcessMessages();
  if (Selection.SelectedLocationIndex == -1) {
    Selection.SelectedIPList.clear();
    if (Form7) Form7->Show();
    return;
  }
  Selection.SelectedLocationText = ReplaceAll(Selection.SelectedLocationText, "\xBB", "");
  if (!frmMain) return;
  if (frmMain->Visible()) {
    if (Settings.ShowInfoBalloons) ++Selection.InfoWindowCounter;
    frmMain->BringToFront();
    frmMain->PlaceSelection();
  } else {
    Selection.InfoWindowCounter = 0;
    frmMain->Show();   // its page places the selection
  }
}

// ---- The camera over a row's place ----

bool TMainForm::TurnCameraTo(int Index) {
  if (Index < 0 || Index >= LocationLabels.Count() || Index >= static_cast<int>(GlobeState.LocationLongitudes.size()) ||
      Trim(LocationLabels[Index]).empty())
    return false;   // not placed by the last globe update
  StopRotation();
  SetCameraPosition(GlobePoint(GlobeState.LocationLongitudes[static_cast<size_t>(Index)],
                               GlobeState.LocationLatitudes[static_cast<size_t>(Index)], 2));
  SetCameraZoom(CameraZoom() / 2);
  ClampCameraZoom();
  if (!Settings.AllLabels) allnames(this);
  return true;
}

void TMainForm::TurnGlobeTo(int Index) {
  if (!TurnCameraTo(Index) && Form7) Form7->Show();
}

void TMainForm::StopRotation() {
  GLCadencer1->SetEnabled(false);
  Settings.Rotate = false;
}

void TMainForm::SetCameraPosition(const TAffineVector& Position) {
  GLCamera1->Position()->SetPoint(Position[0], Position[1], Position[2]);
}

void TMainForm::RepaintGlobe() { Redraw(); }   // the viewer on screen, the windowed or the full-screen one

// ---- What the monitor's windows read ----

std::string TMainForm::TableTime() { return PollState.TableStamp; }

void TMainForm::ConnectionsTableClosed() {
  PollState.TableOpen = false;
  ConnectionsTable1->Enabled = true;
}
