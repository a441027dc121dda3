// What the commands of the main window hand to the map window: the picked
// place and its addresses.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

struct TSelection {
  std::string SelectedLocationText;   // place ", " country
  int SelectedLocationIndex = -1;     // into the plotted locations; -1 when absent
  std::string SelectedIPList;         // the addresses as HTML
  uint8_t InfoWindowCounter = 0;
  uint8_t SelectionKind = 0;          // 31: the picked point is a traceroute hop
  // What the globe's popup leaves behind of the picked point: the location's
  // hint text (its addresses, then its label on the last line), or the hop's
  // address text and label.
  std::string PickedHint;
  std::string PickedHopLabel;
};
extern TSelection& Selection;

// ---- Connection commands ----
// The pages the commands open: the process-information page of an
// executable name, and the two whois pages of an address (the first for the
// table's tool button, the second for menu items).
std::string ProcessInfoURL(const std::string& ExeName);
std::string WhoisURL(const std::string& Address, bool ToolButton);
// The row handed to SetTcpEntry to close a connection (state 12, delete),
// addresses and ports from their dotted and decimal texts; EConvertError for
// a port that is no number.
struct TTcpDeleteRow {
  DWORD State, LocalAddr, LocalPort, RemoteAddr, RemotePort;
};
TTcpDeleteRow TcpDeleteRow(const std::string& LocalIP, const std::string& LocalPort,
                           const std::string& RemoteIP, const std::string& RemotePort);
// The local and remote parts of a connection row (ConnectionRow text), each
// split at its first ":".
void SplitConnectionRow(const std::string& Line, std::string& LocalIP, std::string& LocalPort,
                        std::string& RemoteIP, std::string& RemotePort);
// The addresses of a picked place as the map window shows them: a
// location's hint text, or a traceroute hop's address text, without the
// label and as HTML.
std::string LocationIPList(const std::string& HintText, const std::string& Label);
std::string HopIPList(const std::string& AddressText, const std::string& Label);
