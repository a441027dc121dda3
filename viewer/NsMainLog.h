// The connection log and the counter of globe updates.
#pragma once

#include <cstdint>
#include <string>

struct TLogState {
  std::string LogPath;
  uint32_t UpdateCounter = 0;   // globe updates since start
  std::string CounterText;      // its last six decimal digits
  bool LogFailed = false;       // the last write of tcp.log failed (and the user was told)
  std::string StatusNote;       // a note the status line carries (the log's failure)
};
extern TLogState& LogState;

// The file's size in bytes; 0 when it does not exist.
int64_t FileSizeOf(const std::string& Name);
constexpr int64_t LogSizeLimit = 512000;
