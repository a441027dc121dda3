// The connection log tcp.log: one line per connection, from the update that
// first saw its address to the last one that did.
//
// An open entry of LogEntries: the six-digit counter of the last update that
// saw the address, " " (live) or "*" (closed), the address, " [", the country
// code, "] Start: ", date, " ", time, "  End:%", date, " ", time.
#include "monitor/uAddressMatch.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainLog.h"
#include "viewer/NsMainRefresh.h"
#include "viewer/NsMainSettings.h"

namespace {
const char* const LogHeader =
    "IP [country]              Connection start            Connection End\r\n";

std::string LogHeaderLines() { return LogHeader + std::string(74, '-') + "\r\n"; }

// Updates between the entry's last sighting and now. The counter text keeps
// six digits, so the distance is taken modulo a million: past update 999999
// entries still count from their own update.
uint32_t UpdatesSince(const std::string& Entry) {
  const uint32_t seen = static_cast<uint32_t>(StrToInt(Entry.substr(0, 6)));
  return (LogState.UpdateCounter % 1000000 + 1000000 - seen) % 1000000;
}

// The entry as the file shows it: "Start:" in column 23 for addresses of 7
// to 15 characters, "%" a blank.
std::string LogLine(std::string Entry) {
  const int p = Pos("]", Entry);
  const int all = static_cast<int>(Entry.size());
  if (p > 0) Entry = Copy(Entry, 1, p - 1) + Copy("]          ", 1, 29 - p) + Copy(Entry, p + 1, all);
  std::string line = Copy(Entry, 8, static_cast<int>(Entry.size()));
  for (char& c : line)
    if (c == '%') c = ' ';
  return line;
}

// Opens the log for appending, or creates it with its header lines.
TFileHandle OpenLog(const std::string& Path, bool Create) {
  HANDLE h = CreateFileA(Path.c_str(), Create ? GENERIC_WRITE : FILE_APPEND_DATA, FILE_SHARE_READ,
                         nullptr, Create ? CREATE_ALWAYS : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                         nullptr);
  if (h == INVALID_HANDLE_VALUE) throw EInOutError(static_cast<int>(GetLastError()));
  return TFileHandle(h);
}

void Write(const TFileHandle& File, const std::string& Text) {
  DWORD put = 0;
  if (!WriteFile(File.Get(), Text.data(), static_cast<DWORD>(Text.size()), &put, nullptr) ||
      put != Text.size())
    throw EInOutError(static_cast<int>(GetLastError() ? GetLastError() : 101));
}
}  // namespace

int64_t FileSizeOf(const std::string& Name) {
  WIN32_FIND_DATAA d;
  HANDLE h = FindFirstFileA(Name.c_str(), &d);
  if (h == INVALID_HANDLE_VALUE) return 0;
  FindClose(h);
  return static_cast<int64_t>(d.nFileSizeHigh) << 32 | d.nFileSizeLow;
}

bool TMainForm::LoggingOn() const { return Settings.LogConnections; }

void TMainForm::LogStamp(std::string& Date, std::string& Time) {
  Date = ShortDateText();
  Time = LongTimeText();
  // "%" marks the end time in an entry: the texts never carry one
  for (std::string* s : {&Date, &Time}) std::erase(*s, '%');
}

// The entries by address: every address an entry holds (whole, after its
// counter) and the first live entry of each. Made afresh for each update
// and whenever the entries changed other than by LogAddress.
void TMainForm::IndexLogEntries() {
  if (FLogIndexUpdate == LogState.UpdateCounter && FLogIndexCount == LogEntries.Count()) return;
  FLoggedAddresses.clear();
  FLiveEntries.clear();
  for (int i = 0; i < LogEntries.Count(); ++i) {
    const std::string& e = LogEntries[i];
    const size_t end = e.find(" [", 7);
    if (e.size() < 8 || end == std::string::npos || !IsWholeAddressAt(e, 7, end - 7)) continue;
    const std::string address = e.substr(7, end - 7);
    FLoggedAddresses.insert(address);
    if (e[6] == ' ') FLiveEntries.emplace(address, i);
  }
  FLogIndexUpdate = LogState.UpdateCounter;
  FLogIndexCount = LogEntries.Count();
}

void TMainForm::LogAddress(const std::string& Address, const std::string& CountryCode) {
  IndexLogEntries();
  const std::string stamp = FLogDate + " " + FLogTime;
  const std::string newEntry =
      LogState.CounterText + " " + Address + " [" + CountryCode + "] Start: " + stamp + "  End:%" + stamp;
  auto addEntry = [&] {
    LogEntries.Add(newEntry);
    FLogIndexCount = LogEntries.Count();
    FLoggedAddresses.insert(Address);
    FLiveEntries[Address] = FLogIndexCount - 1;
  };
  if (FLoggedAddresses.count(Address) == 0) {
    addEntry();
    return;
  }
  const auto live = FLiveEntries.find(Address);
  if (live == FLiveEntries.end()) return;
  const int k = live->second;
  const std::string e = LogEntries[k];
  if (UpdatesSince(e) > 1) {
    // missing in an update between: that connection ended, this one is new
    LogEntries.Put(k, LogState.CounterText + "*" + e.substr(7));
    addEntry();
  } else {
    const size_t end = e.find('%');
    LogEntries.Put(k, LogState.CounterText + " " + e.substr(7, end == std::string::npos ? std::string::npos : end - 6) +
                          stamp);
  }
}

void TMainForm::FlushLog() {
  try {
    std::string text;
    TFileHandle file;
    if (!FileExists(LogState.LogPath)) {
      file = OpenLog(LogState.LogPath, true);
      text = LogHeaderLines();
    } else if (FileSizeOf(LogState.LogPath) > LogSizeLimit) {
      const std::string aside = LogState.LogPath + "." + IntToStr(GetTickCount());
      if (!MoveFileA(LogState.LogPath.c_str(), aside.c_str()))
        throw EInOutError(static_cast<int>(GetLastError()));
      file = OpenLog(LogState.LogPath, true);
      text = LogHeaderLines();
    } else {
      file = OpenLog(LogState.LogPath, false);
    }
    for (int i = 0; i < LogEntries.Count(); ++i) {
      if (UpdatesSince(LogEntries[i]) > 1)
        text += LogLine(LogEntries[i]) + "\r\n";
      else
        LogCarry.Add(LogEntries[i]);
    }
    Write(file, text);
    LogEntries.Assign(&LogCarry);
    LogCarry.Clear();
    LogWritten();
  } catch (const Exception& E) {
    LogCarry.Clear();   // the entries stay for the next flush
    LogWriteFailed(E);
  }
}

void TMainForm::WriteLogAtEnd() {
  if (!LoggingOn() || LogEntries.Count() == 0) return;
  try {
    const bool create = !FileExists(LogState.LogPath);
    TFileHandle file = OpenLog(LogState.LogPath, create);
    std::string text = create ? LogHeaderLines() : std::string();
    for (int i = 0; i < LogEntries.Count(); ++i)
      text += LogLine(LogEntries[i]) + " [Program terminated]\r\n";
    Write(file, text);
    LogEntries.Clear();
    LogWritten();
  } catch (const Exception& E) {
    LogWriteFailed(E);
  }
}

// Said once until a write succeeds again; the entries wait for the next
// flush and the status line says so meanwhile.
void TMainForm::LogWriteFailed(const Exception& E) {
  LogState.StatusNote = "; Logging paused (tcp.log cannot be written)";
  if (LogState.LogFailed) return;
  LogState.LogFailed = true;
  TellUser("The connection log " + LogState.LogPath + " cannot be written: " + E.Message +
               ".\n\nThe connections are kept and written as soon as the log can be written again.",
           MB_OK | MB_ICONWARNING);
}

void TMainForm::LogWritten() {
  if (!LogState.LogFailed) return;
  LogState.LogFailed = false;
  LogState.StatusNote.clear();
}

// A note on analyse mode: "---> " date time and the note, appended when the
// log exists.
void TMainForm::AppendLogNote(const std::string& Note) {
  if (!FileExists(LogState.LogPath)) return;
  std::string date, time;
  LogStamp(date, time);
  try {
    TFileHandle file = OpenLog(LogState.LogPath, false);
    Write(file, "---> " + date + " " + time + " " + Note + "\r\n");
    LogWritten();
  } catch (const Exception& E) {
    LogWriteFailed(E);
  }
}
