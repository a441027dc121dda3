// The location popup: its items built afresh from the picked point's
// addresses and the connection rows of one refresh.
#include <algorithm>

#include "classlib/WinHandles.h"
#include "monitor/uAddressMatch.h"
#include "monitor/uIPHelperAPI.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainCommands.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainPicking.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainPopup.h"
#include "viewer/NsMainSettings.h"
#include "viewer/NsMainStartup.h"

namespace {
std::string WithoutSpaces(std::string S) {
  S.erase(std::remove(S.begin(), S.end(), ' '), S.end());
  return S;
}

// The text between the first From and the next To after it ("" From: the
// start; "" To: the end).
std::string Between(const std::string& S, const std::string& From, const std::string& To) {
  size_t start = 0;
  if (!From.empty()) {
    const size_t f = S.find(From);
    if (f == std::string::npos) return std::string();
    start = f + From.size();
  }
  if (To.empty()) return S.substr(start);
  const size_t t = S.find(To, start);
  return S.substr(start, t == std::string::npos ? std::string::npos : t - start);
}

TPopupItemSpec Item(const std::string& Caption, int Bitmap, bool Enabled, TPopupCommand Command) {
  TPopupItemSpec i;
  i.Caption = Caption;
  i.Bitmap = Bitmap;
  i.Enabled = Enabled;
  i.Command = Command;
  return i;
}
}  // namespace

std::vector<std::string> ClickedAddresses(std::string Text) {
  std::vector<std::string> lines;
  while (Text.size() > 6) {
    const size_t cr = Text.find('\r');
    lines.push_back(Text.substr(0, cr));
    Text = cr == std::string::npos ? std::string() : WithoutSpaces(Text.substr(std::min(Text.size(), cr + 2)));
  }
  return lines;
}

std::string StripHopNumbers(const std::string& Text) {
  // Every line's leading hop number goes, whatever its value, so that
  // "31   1.2.3.4" is 1.2.3.4 and not 31.2.3.4.
  std::string out;
  size_t start = 0;
  while (start <= Text.size()) {
    const size_t end = Text.find("\r\n", start);
    std::string line = Text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    const size_t first = line.find_first_not_of(' ');
    if (first != std::string::npos) {
      size_t digits = first;
      while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') ++digits;
      if (digits > first && digits < line.size() && line[digits] == ' ') line.erase(0, digits);
    }
    out += WithoutSpaces(line);
    if (end == std::string::npos) break;
    out += "\r\n";
    start = end + 2;
  }
  return out;
}

std::string DetailRowCaption(const std::string& Local, const std::string& Remote, const std::string& State,
                             const std::string& Process, const std::function<int(const std::string&)>& TextWidth) {
  auto pad = [&](const std::string& S, int Width) {
    const int n = ViewResources.SpaceWidth > 0 ? (Width - TextWidth(S)) / ViewResources.SpaceWidth : 0;
    return std::string(static_cast<size_t>(std::clamp(n, 0, 25)), ' ');
  };
  return Local + pad(Local, ViewResources.ColumnWidth1) + Remote + pad(Remote, ViewResources.ColumnWidth1) + State +
         pad(State, ViewResources.ColumnWidth2) + " " + Process;
}

std::vector<TPopupItemSpec> LocationPopupItems(const TLocationPopupInput& In) {
  using C = TPopupCommand;
  const std::vector<std::string> addresses = ClickedAddresses(In.ClickedText);
  const size_t cr = In.ClickedText.find('\r');
  const std::string first = In.ClickedText.substr(0, cr);
  const bool home = first == GlobeState.HomeIP;

  std::vector<TPopupItemSpec> items;
  items.push_back(Item(In.HopClicked ? "Clear Route" : "Traceroute", 15, !home, In.HopClicked ? C::pcTraceroute : C::pcNone));
  items.push_back(Item("IP Whois", 30, !home, C::pcNone));
  const bool analysis = In.AnalysisLoaded && !home && !In.HopClicked;
  items.push_back(Item("Analysis: Show entries", 46, analysis, C::pcNone));
  const bool details = !home && !In.FileLocationHover && !In.HopClicked;
  items.push_back(Item("Details", 33, details, C::pcNone));
  items.push_back(Item("-", 0, true, C::pcNone));
  items.push_back(Item("Connections Table", 31, !Settings.InternalOff && !In.AnalysisLoaded, C::pcConnectionsTable));
  items.back().ShortCut = VK_F2;
  items.push_back(Item("Show on Web Map", 29, true, C::pcWebMap));
  items.push_back(Item("Analyze file", 44, true, C::pcAnalyzeFile));
  items.back().ShortCut = VK_F4;
  items.push_back(Item("Unload analyzed file", 45, In.AnalysisLoaded, C::pcUnloadAnalysis));
  items.push_back(Item("-", 0, true, C::pcNone));
  items.push_back(Item("Exit", 32, true, C::pcExit));

  for (const std::string& line : addresses) {
    if (!home && !In.HopClicked) items[0].Items.push_back(Item(line, 0, true, C::pcTraceroute));
    if (!home) items[1].Items.push_back(Item(line, 0, true, C::pcWhois));
    if (analysis) items[2].Items.push_back(Item(line, 0, true, C::pcShowEntry));
  }
  if (!details) return items;

  for (const std::string& address : addresses) {
    TPopupItemSpec a = Item(address, 0, address != GlobeState.HomeIP, C::pcNone);
    a.Draw = TPopupDraw::pdAddress;
    TPopupItemSpec header = Item("", 0, false, C::pcNone);
    header.Draw = TPopupDraw::pdHeader;
    a.Items.push_back(header);
    const int count = In.DetailRows ? In.DetailRows->Count() : 0;
    bool any = false;
    for (int r = 0; r < count; ++r) {
      const std::string& row = In.DetailRows->Get(r);
      const std::string remote = Between(row, "", "!");
      // The row's remote address, as a whole address: 1.2.3.4 is not 11.2.3.45.
      if (!ContainsAddress(remote, address)) continue;
      any = true;
      const std::string local = Between(row, "!", "#");
      const std::string state = Between(row, "#", "&");
      // The process name may hold a comma: the ID follows the last one.
      const size_t amp = row.find('&'), comma = row.rfind(',');
      const bool hasPid = amp != std::string::npos && comma != std::string::npos && comma > amp;
      const std::string process =
          amp == std::string::npos ? std::string() : row.substr(amp + 1, hasPid ? comma - amp - 1 : std::string::npos);
      const std::string pid = hasPid ? row.substr(comma + 1) : std::string();
      TPopupItemSpec r0 = Item(DetailRowCaption(local, remote, state, process, In.TextWidth), 0, true, C::pcNone);
      if (r0.Caption.find("Established") != std::string::npos) {
        r0.Items.push_back(Item("Close Connection", 19, true, C::pcCloseConnection));
        r0.Items.back().Hint = row;
      }
      if (!In.OwnerInfoMissing && pid != "0" && process != "?") {
        r0.Items.push_back(Item("Terminate Process", 20, true, C::pcKillConnection));
        r0.Items.back().Hint = process + "," + pid;   // the name too: the ID may be another's by now
      }
      r0.Items.push_back(Item("Process Information", 21, true, C::pcProcessInfo));
      r0.Items.back().Hint = process;
      a.Items.push_back(std::move(r0));
    }
    if (!any) a.Items.push_back(Item("Connection expired", 0, true, C::pcNone));
    items[3].Items.push_back(std::move(a));
  }
  return items;
}

// ---- The popup on the main window ----

namespace {
// Text width in the popup's font (the menu font the column header is measured in).
int PopupTextWidth(const std::string& Text) {
  TMemoryDC dc;
  dc.Select(ViewResources.MenuFont.Get());
  SIZE s{};
  GetTextExtentPoint32A(dc.Get(), Text.c_str(), static_cast<int>(Text.size()), &s);
  return s.cx;
}
}  // namespace

void TMainForm::LocationPopup(const std::string& Clicked, bool HopClicked, bool FileLocation) {
  RouteTarget = Clicked.substr(0, Clicked.find('\r'));
  // the picked point's texts as the view labels it, for "Show on Web Map"
  // (taken now: the click may come before a frame drew the hover)
  TakeHoverTexts();
  Selection.PickedHint = HopClicked ? HoverState.HoverHopText : HoverState.HoverText;
  Selection.PickedHopLabel = HopClicked ? HoverState.HoverHopLabel : std::string();
  const bool polling = Timer->Enabled();
  Timer->SetEnabled(false);
  PollState.DetailsRequested = true;
  if (AnalyzedIPs.Count() == 0) Refresh(true);   // a table that grew while read is read again
  PollState.DetailsRequested = false;
  if (polling) Timer->SetEnabled(true);

  PopupMenu1->Items()->Clear();
  TLocationPopupInput in;
  in.ClickedText = Clicked;
  in.HopClicked = HopClicked;
  in.AnalysisLoaded = AnalyzedIPs.Count() > 0;
  in.FileLocationHover = FileLocation;
  in.OwnerInfoMissing = OwnerInfoMissing;
  in.DetailRows = &DetailRows;
  in.TextWidth = PopupTextWidth;
  AddPopupItems(PopupMenu1->Items(), LocationPopupItems(in));
  const POINT at = PopupPoint();
  PopupMenu1->Popup(at.x, at.y);
}

POINT TMainForm::PopupPoint() {
  if (FullScreenActive()) return {HoverState.MouseX + 2, HoverState.MouseY + 2};
  RECT r;
  GetWindowRect(Handle(), &r);
  if (BorderStyle() == TFormBorderStyle::bsSizeable)
    return {r.left + HoverState.MouseX + GetSystemMetrics(SM_CXFRAME),
            r.top + HoverState.MouseY + GetSystemMetrics(SM_CYCAPTION) + ViewResources.PopupYOffset};
  return {r.left + HoverState.MouseX, r.top + HoverState.MouseY};
}

void TMainForm::AddPopupItems(TMenuItem* Parent, const std::vector<TPopupItemSpec>& Specs) {
  for (const TPopupItemSpec& s : Specs) {
    auto* item = new TMenuItem(nullptr);
    Parent->Add(item);   // the parent frees it with the next rebuild
    item->Caption = s.Caption;
    item->Hint = s.Hint;
    item->Enabled = s.Enabled;
    item->ShortCut = s.ShortCut;
    if (s.Bitmap) item->Bitmap()->LoadFromResourceID(GetModuleHandleA(nullptr), s.Bitmap);
    if (s.Draw == TPopupDraw::pdAddress) {
      item->OnMeasureItem = [this](TObject* S, TCanvas* C, int& W, int& H) { n01MeasureItem(S, C, W, H); };
    } else if (s.Draw == TPopupDraw::pdHeader) {
      item->OnMeasureItem = [this](TObject* S, TCanvas* C, int& W, int& H) { d11MeasureItem(S, C, W, H); };
      item->OnAdvancedDrawItem = [this](TObject* S, TCanvas* C, TRect R, TOwnerDrawState St) {
        d11AdvancedDrawItem(S, C, R, St);
      };
    }
    if (s.Command != TPopupCommand::pcNone)
      item->OnClick = [this, c = s.Command](TObject* S) { RunPopupCommand(c, S); };
    AddPopupItems(item, s.Items);
  }
}

void TMainForm::RunPopupCommand(TPopupCommand Command, TObject* Sender) {
  switch (Command) {
    case TPopupCommand::pcTraceroute: rou1Click(Sender); break;
    case TPopupCommand::pcWhois: whoisClick(Sender); break;
    case TPopupCommand::pcShowEntry: showentryClick(Sender); break;
    case TPopupCommand::pcCloseConnection: closenonnectionClick(Sender); break;
    case TPopupCommand::pcKillConnection: killconnectionClick(Sender); break;
    case TPopupCommand::pcProcessInfo: webinfoClick(Sender); break;
    case TPopupCommand::pcConnectionsTable: ConnectionsTable1Click(Sender); break;
    case TPopupCommand::pcWebMap: gmClick(Sender); break;
    case TPopupCommand::pcAnalyzeFile: EnterIP1Click(Sender); break;
    case TPopupCommand::pcUnloadAnalysis: Unloadanalysedfile1Click(Sender); break;
    case TPopupCommand::pcExit: actExitExecute(Sender); break;
    default: break;
  }
}

void TMainForm::n01MeasureItem(TObject*, TCanvas* ACanvas, int& Width, int& Height) {
  Width = ACanvas->TextWidth("123.256.289.042") + 16;
  Height = ViewResources.RowHeight;
}

void TMainForm::d11MeasureItem(TObject*, TCanvas*, int& Width, int& Height) {
  Width = PopupHeader.Width() - 18;
  Height = ViewResources.RowHeight;
}

void TMainForm::d11AdvancedDrawItem(TObject*, TCanvas* ACanvas, TRect ARect, TOwnerDrawState) {
  ACanvas->Draw(ARect.left, ARect.top, &PopupHeader);
}

void TMainForm::details1MeasureItem(TObject*, TCanvas* ACanvas, int& Width, int& Height) {
  Width = ACanvas->TextWidth("Traceroute") + 40;
  Height = ViewResources.RowHeight;
}
