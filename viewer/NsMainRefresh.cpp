// One poll: the connection tables become ConnectionRow lines for the
// Connections Table and the details popup, and the set of public remote
// addresses the globe plots.
//
// ConnectionRow: Remote ":" port "!" Local ":" port "#" state "&" process "," PID
#include <winsock.h>

#include "viewer/NsMain.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainModes.h"
#include "viewer/NsMainPoll.h"
#include "viewer/NsMainRefresh.h"
#include "viewer/NsMainSettings.h"
#include "viewer/uToolHelpAPI.h"

namespace {
// "&" + process name + ": " + PID + "," + PID: the process part of a table line.
void AppendProcess(std::string& Line, DWORD Pid, TProcessSnapshot& Names) {
  const std::string id = IntToStr(Pid);
  Line += '&';
  Line += Names.NameOf(Pid);
  Line += ": ";
  Line += id;
  Line += ',';
  Line += id;
}

void AppendLast(TStringList& List, const std::string& S) {
  const int n = List.Count();
  if (n > 0) List.Put(n - 1, List[n - 1] + S);
}

std::string LocaleText(bool Time) {
  char buf[128];
  int n = Time ? GetTimeFormatA(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, buf, sizeof buf)
               : GetDateFormatA(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, buf, sizeof buf);
  return n > 0 ? std::string(buf, static_cast<size_t>(n - 1)) : std::string();
}

// Text before and after the first ":" of an address part.
void SplitAtColon(const std::string& Part, std::string& Address, std::string& Port) {
  const size_t p = Part.find(':');
  if (p == std::string::npos) {
    Address = Part;
    Port.clear();
    return;
  }
  Address = Part.substr(0, p);
  Port = Part.substr(p + 1);
}

const char* const UnknownLocation = "- -;-";
}  // namespace

std::string AddressText(DWORD Address) {   // "%d.%d.%d.%d" of the bytes in memory order
  const auto* b = reinterpret_cast<const unsigned char*>(&Address);
  char buf[16];
  char* p = buf;
  for (int i = 0; i < 4; ++i) {
    const unsigned v = b[i];
    if (v >= 100) *p++ = static_cast<char>('0' + v / 100);
    if (v >= 10) *p++ = static_cast<char>('0' + v / 10 % 10);
    *p++ = static_cast<char>('0' + v % 10);
    if (i < 3) *p++ = '.';
  }
  return std::string(buf, p);
}

std::string PortToText(DWORD Port) {
  return IntToStr(ntohs(static_cast<u_short>(Port & 0xFFFF)));
}

uint32_t AddressValue(const std::string& Text) {
  const unsigned long a = inet_addr(Text.c_str());
  return a == INADDR_NONE ? 0 : ntohl(a);
}

bool IsPrivateAddress(const std::string& Text, uint32_t Value) {
  return Text == "127.0.0.1" || (Value >= 0x0A000000u && Value <= 0x0AFFFFFFu) ||
         (Value >= 0xA9FE0000u && Value <= 0xA9FEFFFFu) ||
         (Value >= 0xAC100000u && Value <= 0xAC1FFFFFu) ||
         (Value >= 0xC0A80000u && Value <= 0xC0A8FFFFu);
}

std::string LongTimeText() { return LocaleText(true); }
std::string ShortDateText() { return LocaleText(false); }

// ---- Membership of VisualizedIPs ----
// A poll adds up to 10000 entries and asks for each whether it is listed;
// a set of the entries keeps that from growing with the square of the list.

size_t TMainForm::TCaseHash::operator()(const std::string& S) const {
  uint64_t h = 14695981039346656037ull;   // FNV-1a of the upper-case text
  for (char c : S) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
    h = (h ^ static_cast<unsigned char>(c)) * 1099511628211ull;
  }
  return static_cast<size_t>(h);
}

bool TMainForm::TCaseEqual::operator()(const std::string& A, const std::string& B) const {
  if (A.size() != B.size()) return false;
  for (size_t i = 0; i < A.size(); ++i) {
    char a = A[i], b = B[i];
    if (a >= 'a' && a <= 'z') a = static_cast<char>(a - 32);
    if (b >= 'a' && b <= 'z') b = static_cast<char>(b - 32);
    if (a != b) return false;
  }
  return true;
}

namespace {
// Text whose case-blind comparison by the locale is plain ASCII case folding.
bool PrintableAscii(const std::string& S) {
  for (char c : S)
    if (c < ' ' || c > '~') return false;
  return true;
}
}  // namespace

bool TMainForm::VisualizedHolds(const std::string& Text) const {
  // The list itself answers outside a poll, for text the hash cannot
  // compare, and once the list was changed other than by AddVisualized.
  if (!FPolling || !PrintableAscii(Text) || VisualizedIPs.CaseSensitive ||
      VisualizedIPs.Sorted() ||
      FVisualized.size() + static_cast<size_t>(FOtherVisualized.Count()) !=
          static_cast<size_t>(VisualizedIPs.Count()))
    return VisualizedIPs.IndexOf(Text) >= 0;
  return FVisualized.count(Text) != 0 ||
         (FOtherVisualized.Count() > 0 && FOtherVisualized.IndexOf(Text) >= 0);
}

void TMainForm::AddVisualized(const std::string& Text) {
  VisualizedIPs.Add(Text);
  if (!FPolling) return;
  if (PrintableAscii(Text))
    FVisualized.insert(Text);
  else
    FOtherVisualized.Add(Text);
}

// ---- Address texts ----

void TMainForm::LocalAddressToText(DWORD Address, std::string& Text) {
  if (Settings.InternalOff) return;
  Text = AddressText(Address);
  if (!PollState.TableRowStarted) {
    TableRows.Add(Text);
    PollState.TableRowStarted = true;
  } else {
    AppendLast(TableRows, "!" + Text);
    PollState.TableRowStarted = false;
  }
}

void TMainForm::AddressToText(DWORD Address, std::string& Text) {
  if (Settings.InternalOff) return;
  Text = AddressText(Address);
  const uint32_t value = ntohl(Address);   // what inet_addr gives back for Text
  if (PollState.DetailsRequested) {
    if (!PollState.DetailRowStarted) {
      DetailRows.Add(Text);
      PollState.DetailRowStarted = true;
    } else {
      AppendLast(DetailRows, "!" + Text);
      PollState.DetailRowStarted = false;
    }
  }
  if (!IsPrivateAddress(Text, value) && !VisualizedHolds(Text)) {
    ++PollState.NewAddressCount;
    if (VisualizedIPs.Count() <= MaxVisualizedIPs - 1) AddVisualized(Text);
  }
}

std::string TMainForm::ProcessName(DWORD Pid) {
  return FPolling ? FProcessNames.NameOf(Pid) : ProcessNameOfPid(Pid);
}

void TMainForm::TableProcessNameOfPid(DWORD Pid) {
  if (TableRows.Count() == 0) return;
  AppendLast(TableRows, "&" + ProcessName(Pid) + ": " + IntToStr(Pid));
}

void TMainForm::DetailProcessNameOfPid(DWORD Pid) {
  if (DetailRows.Count() == 0) return;
  AppendLast(DetailRows, "&" + ProcessName(Pid));
}

// ---- The poll ----

void TMainForm::Refresh(bool ReadTables) {
  TConnectionTables& t = ConnectionTables;
  if (ReadTables) {
    t.TcpTableValid = true;
    ReadTCPTable();
  }
  // While a file is analysed the globe shows its addresses: a refresh then
  // fills the Connections Table only. A poll whose TCP table could not be
  // read shows nothing new: its globe, labels, details, tray tip and table
  // stay as the last poll found them, not emptied for one poll.
  const bool tcpUnread = ReadTables && t.TcpTableChanged;
  const bool live = AnalyzedIPs.Count() == 0 && !tcpUnread;
  FProcessNames.Clear();
  FPolling = true;
  struct TPollEnd {
    bool& Polling;
    ~TPollEnd() { Polling = false; }
  } pollEnd{FPolling};
  if (live) {
    VisualizedIPs.Clear();
    LocationLabels.Clear();
    DetailRows.Clear();
    FVisualized.clear();
    FOtherVisualized.Clear();
    AddVisualized(GlobeState.HomeIP);
    PollState.NewAddressCount = 0;
    WindowModes.GlobePending = true;
  }
  PollState.TableRowStarted = PollState.DetailRowStarted = false;

  DWORD tcpRowCount = 0;
  if (ReadTables) {
    tcpRowCount = t.TcpRowCount();
    const bool withPids = !OwnerInfoMissing;
    bool udpRead = false;
    std::string text;

    // The table is filled from whole readings: a UDP table that could not be
    // read keeps it as it was too, when its lines are shown.
    bool fillTable = PollState.TableOpen && !tcpUnread;
    if (fillTable) {
      t.UdpTableValid = true;
      ReadUDPTable();
      udpRead = t.UdpTableRead();
      fillTable = !(t.UdpTableChanged && ShowUdpConnections());
    }
    if (fillTable) {
      PollState.TableStamp = LongTimeText() + " " + ShortDateText();
      TableRows.Clear();
      const bool hideOwn = HideOwnConnections();
      auto hideIfOwn = [&] {
        const int last = TableRows.Count() - 1;
        if (hideOwn && last >= 0 && TableRows[last].find("vantrel") != std::string::npos)
          TableRows.Delete(last);
      };
      // Each line is built whole and added once; with InternalOff no
      // address text is made and so no line.
      std::string line;
      for (DWORD i = 0; i < tcpRowCount && !Settings.InternalOff; ++i) {
        const TTcpTableRow r = t.TcpRow(i);
        line.clear();
        line += AddressText(r.RemoteAddr);
        line += ':';
        line += PortToText(r.RemotePort);
        line += '!';
        line += AddressText(r.LocalAddr);
        line += ':';
        line += PortToText(r.LocalPort);
        line += '#';
        line += TcpStateName(r.State);
        if (withPids) {
          AppendProcess(line, r.OwningPid, FProcessNames);
          TableRows.Add(line);
          hideIfOwn();
        } else {
          line += "&N/A,-";
          TableRows.Add(line);
        }
      }
      const int tableTcpLines = TableRows.Count();

      if (udpRead && ShowUdpConnections() && !Settings.InternalOff) {
        // A plain-family UDP read marks the owners missing even when the
        // TCP table was empty.
        const bool udpWithPids = !OwnerInfoMissing;
        const DWORD n = t.UdpRowCount();
        for (DWORD i = 0; i < n; ++i) {
          const TUdpTableRow r = t.UdpRow(i);
          line = "-:-!";
          line += AddressText(r.LocalAddr);
          line += ':';
          line += PortToText(r.LocalPort);
          if (udpWithPids) {
            line += "#-";
            AppendProcess(line, r.OwningPid, FProcessNames);
            TableRows.Add(line);
            hideIfOwn();
          } else {
            line += "#-&N/A,-";
            TableRows.Add(line);
          }
        }
      }
      FillConnectionsTable(tableTcpLines);
    }

    // The globe's part: every remote address worth plotting.
    const bool allEndpoints = actAllEndpoints->Checked();
    for (DWORD i = 0; i < tcpRowCount && live; ++i) {
      const TTcpTableRow r = t.TcpRow(i);
      if (r.RemoteAddr == 0) continue;
      if (!allEndpoints && r.State != 5) continue;
      AddressToText(r.RemoteAddr, text);
      if (PollState.DetailsRequested) {
        AppendLast(DetailRows, ":" + PortToText(r.RemotePort));
        AddressToText(r.LocalAddr, text);
        AppendLast(DetailRows, ":" + PortToText(r.LocalPort) + "#" + TcpStateName(r.State));
        if (withPids) {
          DetailProcessNameOfPid(r.OwningPid);
          AppendLast(DetailRows, "," + IntToStr(r.OwningPid));
        } else {
          AppendLast(DetailRows, "&N/A,-");
        }
      }
    }

    t.ReleaseTCPTable();
    if (udpRead) t.ReleaseUDPTable();
  }

  if (!TableAutorefresh())
    PollState.TableOpen = false;
  else if (ConnectionsTableVisible())
    PollState.TableOpen = true;
  if (!live) return;

  PollState.LiveAddressCount = VisualizedIPs.Count();
  MergeIPList();
  FPolling = false;

  UpdateGlobe();

  if (PollState.FirstPollState == 0) PollState.FirstPollState = 1;
  if (PollState.FirstPollState == 1 && Settings.StayOnTop) {
    ApplyStayOnTop();
    PollState.FirstPollState = 2;
  }

  SetTrayToolTip(" Vantrel\r\n " + IntToStr(PollState.NewAddressCount) + " Visualized/" +
                 IntToStr(tcpRowCount) + " Total TCP Connections ");

  if (Settings.SaveImages) PollState.SnapshotClock += static_cast<int>(PollInterval() / 1000);
}

// Addresses of the IP-list file join the live ones, compared and stored
// without surrounding blanks; blank lines name no address.
void TMainForm::MergeIPList() {
  if (Settings.IPList.empty() || !FileExists(Settings.IPList)) return;
  try {
    IPListLines.LoadFromFile(Settings.IPList);
  } catch (const EStreamError&) {
    return;   // locked or gone since the test: as if missing
  }
  for (int i = 0; i < IPListLines.Count(); ++i) {
    const std::string line = Trim(IPListLines[i]);
    if (line.empty()) continue;
    if (IsPrivateAddress(line, AddressValue(line))) continue;
    if (VisualizedHolds(line)) continue;
    if (VisualizedIPs.Count() <= MaxVisualizedIPs - 1) AddVisualized(line);
  }
}

// ---- The Connections Table's rows ----

TConnectionItem TMainForm::ConnectionItemOf(const std::string& Line, bool Tcp) {
  // The parts lie between the first "!", "#" and "&" and the last ",": a
  // process name may hold a comma, the ID after it never does. A missing
  // separator leaves its parts empty, as 1-based Copy would.
  auto at = [&](size_t P) { return P == std::string::npos ? size_t(0) : P + 1; };   // 1-based, 0 when absent
  auto part = [&](size_t From, size_t To) {   // characters From+1 .. To-1, 1-based
    return To > From + 1 ? Line.substr(From, To - From - 1) : std::string();
  };
  const size_t bang = at(Line.find('!')), hash = at(Line.find('#')), amp = at(Line.find('&')),
               comma = at(Line.rfind(','));
  TConnectionItem item;
  auto& s = item.SubItems;
  item.Caption = Tcp ? "TCP" : "UDP";
  SplitAtColon(part(bang, hash), s[0], s[1]);
  SplitAtColon(part(0, bang), s[2], s[3]);
  std::string loc = UnknownLocation;
  if (Tcp) {
    iplocate(s[2], loc);
    if (loc.compare(0, 2, "--") == 0) loc = UnknownLocation;
  }
  s[4] = part(hash, amp);
  s[5] = part(amp, comma);
  TLocationParts where = SplitLocationLine(loc);
  s[6] = where.Place.empty() ? "Unknown" : std::move(where.Place);
  s[7] = std::move(where.Country);
  s[8] = comma > 0 ? Line.substr(comma) : std::string();
  return item;
}

void TMainForm::FillConnectionsTable(int TableTcpLines) {
  std::vector<TConnectionItem> items;
  items.reserve(static_cast<size_t>(TableRows.Count()));
  for (int i = 0; i < TableRows.Count(); ++i)
    items.push_back(ConnectionItemOf(TableRows[i], i < TableTcpLines));
  ShowConnectionItems(items);
}
