// One poll: the connection tables become ConnectionRow lines for the
// Connections Table and the details popup, and the set of public remote
// addresses the globe plots.
//
// ConnectionRow: Remote ":" port "!" Local ":" port "#" state "&" process "," PID
#include <winsock.h>

#include "viewer/NsMain.h"
#include "viewer/uToolHelpAPI.h"

namespace {
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
  const int p = Pos(":", Part);
  if (p == 0) {
    Address = Part;
    Port.clear();
    return;
  }
  Address = Copy(Part, 1, p - 1);
  Port = Copy(Part, p + 1, static_cast<int>(Part.size()));
}

const char* const UnknownLocation = "- -;-";
}  // namespace

std::string AddressText(DWORD Address) {
  const auto* b = reinterpret_cast<const unsigned char*>(&Address);
  return Format("%d.%d.%d.%d", b[0], b[1], b[2], b[3]);
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

bool TMainForm::VisualizedHolds(const std::string& Text) const {
  if (FPolling) return FVisualized.count(UpperCase(Text)) != 0;
  return VisualizedIPs.IndexOf(Text) >= 0;
}

void TMainForm::AddVisualized(const std::string& Text) {
  VisualizedIPs.Add(Text);
  if (FPolling) FVisualized.insert(UpperCase(Text));
}

// ---- Address texts ----

void TMainForm::LocalAddressToText(DWORD Address, std::string& Text) {
  if (InternalOff) return;
  Text = AddressText(Address);
  if (!TableRowStarted) {
    TableRows.Add(Text);
    TableRowStarted = true;
  } else {
    AppendLast(TableRows, "!" + Text);
    TableRowStarted = false;
  }
}

void TMainForm::AddressToText(DWORD Address, std::string& Text) {
  if (InternalOff) return;
  Text = AddressText(Address);
  const uint32_t value = AddressValue(Text);
  if (DetailsRequested) {
    if (!DetailRowStarted) {
      DetailRows.Add(Text);
      DetailRowStarted = true;
    } else {
      AppendLast(DetailRows, "!" + Text);
      DetailRowStarted = false;
    }
  }
  if (!IsPrivateAddress(Text, value) && !VisualizedHolds(Text)) {
    ++NewAddressCount;
    if (VisualizedIPs.Count() <= MaxVisualizedIPs - 1) AddVisualized(Text);
  }
}

void TMainForm::TableProcessNameOfPid(DWORD Pid) {
  if (TableRows.Count() == 0) return;
  AppendLast(TableRows, "&" + ProcessNameOfPid(Pid) + ": " + IntToStr(Pid));
}

void TMainForm::DetailProcessNameOfPid(DWORD Pid) {
  if (DetailRows.Count() == 0) return;
  AppendLast(DetailRows, "&" + ProcessNameOfPid(Pid));
}

// ---- The poll ----

void TMainForm::Refresh(bool ReadTables) {
  VisualizedIPs.Clear();
  LocationLabels.Clear();
  DetailRows.Clear();
  FVisualized.clear();
  FPolling = true;
  struct TPollEnd {
    bool& Polling;
    ~TPollEnd() { Polling = false; }
  } pollEnd{FPolling};
  AddVisualized(HomeIP);
  NewAddressCount = 0;
  GlobePending = true;
  TableRowStarted = DetailRowStarted = false;

  DWORD tcpRowCount = 0;
  if (ReadTables) {
    TConnectionTables& t = ConnectionTables;
    t.TcpTableValid = true;
    ReadTCPTable();
    tcpRowCount = t.TcpRowCount();
    const bool withPids = !OwnerInfoMissing;
    bool udpRead = false;
    std::string text;

    if (TableOpen) {
      TableStamp = LongTimeText() + " " + ShortDateText();
      TableRows.Clear();
      const bool hideOwn = HideOwnConnections();
      auto hideIfOwn = [&] {
        const int last = TableRows.Count() - 1;
        if (hideOwn && last >= 0 && TableRows[last].find("vantrel") != std::string::npos)
          TableRows.Delete(last);
      };
      for (DWORD i = 0; i < tcpRowCount; ++i) {
        const TTcpTableRow r = t.TcpRow(i);
        LocalAddressToText(r.RemoteAddr, text);
        AppendLast(TableRows, ":" + PortToText(r.RemotePort));
        LocalAddressToText(r.LocalAddr, text);
        AppendLast(TableRows, ":" + PortToText(r.LocalPort) + "#" + TcpStateName(r.State));
        if (withPids) {
          TableProcessNameOfPid(r.OwningPid);
          AppendLast(TableRows, "," + IntToStr(r.OwningPid));
          hideIfOwn();
        } else {
          AppendLast(TableRows, "&N/A,-");
        }
      }
      const int tableTcpLines = TableRows.Count();

      t.UdpTableValid = true;
      ReadUDPTable();
      udpRead = t.UdpTableRead();
      if (udpRead && ShowUdpConnections() && !InternalOff) {
        const DWORD n = t.UdpRowCount();
        for (DWORD i = 0; i < n; ++i) {
          const TUdpTableRow r = t.UdpRow(i);
          if (!TableRowStarted) {
            TableRows.Add("-");
            TableRowStarted = true;
          } else {
            AppendLast(TableRows, "!-");
            TableRowStarted = false;
          }
          AppendLast(TableRows, ":-");
          LocalAddressToText(r.LocalAddr, text);
          AppendLast(TableRows, ":" + PortToText(r.LocalPort));
          if (withPids) {
            AppendLast(TableRows, "#-");
            TableProcessNameOfPid(r.OwningPid);
            AppendLast(TableRows, "," + IntToStr(r.OwningPid));
            hideIfOwn();
          } else {
            AppendLast(TableRows, "#-&N/A,-");
          }
        }
      }
      FillConnectionsTable(tableTcpLines);
    }

    // The globe's part: every remote address worth plotting.
    const bool allEndpoints = actAllEndpoints->Checked();
    for (DWORD i = 0; i < tcpRowCount; ++i) {
      const TTcpTableRow r = t.TcpRow(i);
      if (r.RemoteAddr == 0) continue;
      if (!allEndpoints && r.State != 5) continue;
      AddressToText(r.RemoteAddr, text);
      if (DetailsRequested) {
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
    TableOpen = false;
  else if (ConnectionsTableVisible())
    TableOpen = true;

  LiveAddressCount = VisualizedIPs.Count();
  MergeIPList();
  FPolling = false;

  UpdateGlobe();

  if (FirstPollState == 0) FirstPollState = 1;
  if (FirstPollState == 1 && StayOnTop) {
    ApplyStayOnTop();
    FirstPollState = 2;
  }

  SetTrayToolTip(" Vantrel\r\n " + IntToStr(NewAddressCount) + " Visualized/" +
                 IntToStr(tcpRowCount) + " Total TCP Connections ");

  if (SaveImages) SnapshotClock += static_cast<int>(PollInterval() / 1000);
}

// Addresses of the IP-list file join the live ones, compared and stored
// without surrounding blanks; blank lines name no address.
void TMainForm::MergeIPList() {
  if (IPList.empty() || !FileExists(IPList)) return;
  try {
    IPListLines.LoadFromFile(IPList);
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
  TConnectionItem item;
  auto& s = item.SubItems;
  item.Caption = Tcp ? "TCP" : "UDP";
  const int bang = Pos("!", Line), hash = Pos("#", Line), amp = Pos("&", Line),
            comma = Pos(",", Line);
  SplitAtColon(Copy(Line, bang + 1, hash - bang - 1), s[0], s[1]);
  SplitAtColon(Copy(Line, 1, bang - 1), s[2], s[3]);
  std::string loc = UnknownLocation;
  if (Tcp) {
    iplocate(s[2], loc);
    if (Copy(loc, 1, 2) == "--") loc = UnknownLocation;
  }
  s[4] = Copy(Line, hash + 1, amp - hash - 1);
  s[5] = Copy(Line, amp + 1, comma - amp - 1);
  s[6] = Copy(loc, 3, Pos(";", loc) - 3);
  if (s[6].empty()) s[6] = "Unknown";
  s[7] = Copy(loc, 1, 2);
  s[8] = comma > 0 ? Line.substr(static_cast<size_t>(comma)) : std::string();
  return item;
}

void TMainForm::FillConnectionsTable(int TableTcpLines) {
  std::vector<TConnectionItem> items;
  items.reserve(static_cast<size_t>(TableRows.Count()));
  for (int i = 0; i < TableRows.Count(); ++i)
    items.push_back(ConnectionItemOf(TableRows[i], i < TableTcpLines));
  ShowConnectionItems(items);
}
