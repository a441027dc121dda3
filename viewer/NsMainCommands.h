// What the commands of the main window hand to the map window: the picked
// place and its addresses.
#pragma once

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
