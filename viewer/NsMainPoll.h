// The poll of the connection tables and its counters.
#pragma once

#include <cstdint>
#include <string>

struct TPollState {
  int LiveAddressCount = 0;     // entries of VisualizedIPs before the IP-list file's
  int NewAddressCount = 0;      // public remote addresses met in this poll, not yet listed
  bool TableOpen = false;       // the poll fills the Connections Table
  std::string TableStamp;       // time and date of the last table fill
  bool TableRowStarted = false;
  bool DetailRowStarted = false;
  uint8_t FirstPollState = 0;   // 0 at start, 1 after the first poll, 2 once on top
  int PollTimerTicks = 0;
  int StartupCounter = 0;
  std::string StartupText;
  int StartupTextOffset = 0;
  bool DetailsRequested = false;   // the next poll also builds DetailRows
  int PlotIndex = 0;               // the entry the globe update is locating
  bool AutoRefreshOn = true;       // the poll timer runs on its own
  // the status line's pieces
  std::string AutorefreshText = "; Autorefresh ON";
  std::string ConnectionsSuffix = " connection(s)";
  // snapshots
  int SnapshotClock = 0;     // seconds since the last snapshot
  int SnapshotCounter = 0;   // number of the next numbered file
};
extern TPollState& PollState;
