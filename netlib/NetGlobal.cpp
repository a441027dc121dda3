#include "netlib/NetGlobal.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "classlib/Threads.h"
#include "classlib/UnitInit.h"
#include "netlib/NetCookieText.h"
#include "netlib/NetException.h"
#include "netlib/NetResourceStrings.h"
#include "netlib/NetStack.h"
#include "netlib/NetStackWindows.h"

DWORD(WINAPI* GetTimeZoneInformationProc)(LPTIME_ZONE_INFORMATION Zone) = GetTimeZoneInformation;

IMPLEMENT_CLASSINFO(TNetReadMemoryStream, TStream)

namespace {
TUnitCounter UnitCounter;
std::string TempFolder;

const char* const DayNames[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const MonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool IsDigit(char C) { return C >= '0' && C <= '9'; }
bool IsAlpha(char C) { return (C >= 'a' && C <= 'z') || (C >= 'A' && C <= 'Z'); }

std::string TimeText(TDateTime DateTime) {
  int h, n, s, ms;
  DecodeTime(DateTime, h, n, s, ms);
  return Format("%.2d:%.2d:%.2d", h, n, s);
}

// Reads up to MaxDigits decimal digits at Pos; false when there are none.
bool ReadNumber(const std::string& S, size_t& Pos, size_t MaxDigits, int& Value) {
  size_t start = Pos;
  int v = 0;
  while (Pos < S.size() && IsDigit(S[Pos]) && Pos - start < MaxDigits) v = v * 10 + (S[Pos++] - '0');
  if (Pos == start) return false;
  Value = v;
  return true;
}

std::string ReadWord(const std::string& S, size_t& Pos) {
  size_t start = Pos;
  while (Pos < S.size() && IsAlpha(S[Pos])) ++Pos;
  return S.substr(start, Pos - start);
}

void SkipSeparators(const std::string& S, size_t& Pos) {
  while (Pos < S.size() && (S[Pos] == ' ' || S[Pos] == '-' || S[Pos] == ',' || S[Pos] == '\t')) ++Pos;
}

// hh:mm[:ss] at Pos.
bool ReadTime(const std::string& S, size_t& Pos, TDateTime& Time) {
  size_t p = Pos;
  int h, n, s = 0;
  if (!ReadNumber(S, p, 2, h) || p >= S.size() || S[p] != ':') return false;
  ++p;
  if (!ReadNumber(S, p, 2, n)) return false;
  if (p < S.size() && S[p] == ':') {
    size_t q = p + 1;
    if (ReadNumber(S, q, 2, s)) p = q;
  }
  if (!TryEncodeTime(h, n, s, 0, Time)) return false;
  Pos = p;
  return true;
}

int FullYear(int Year, size_t Digits) {
  if (Digits > 2) return Year;
  return Year < 80 ? 2000 + Year : 1900 + Year;
}
}  // namespace

uint32_t TicksFromCounter(int64_t Counter, int64_t Frequency) {
  if (Frequency <= 0) return 0;
  const int64_t ms = Counter / Frequency * 1000 + Counter % Frequency * 1000 / Frequency;
  return static_cast<uint32_t>(ms);
}

uint32_t TickCount() {
  LARGE_INTEGER f, c;
  if (QueryPerformanceFrequency(&f) && f.QuadPart > 0 && QueryPerformanceCounter(&c))
    return TicksFromCounter(c.QuadPart, f.QuadPart);
  return GetTickCount();
}

uint32_t TicksBetween(uint32_t Old, uint32_t New) { return New - Old; }

std::string CutAtDelimiter(std::string& Text, const std::string& Delimiter, bool Delete, bool CaseSensitive) {
  const size_t p = CaseSensitive ? Text.find(Delimiter) : UpperCase(Text).find(UpperCase(Delimiter));
  if (p == std::string::npos) {
    std::string all = Text;
    if (Delete) Text.clear();
    return all;
  }
  std::string part = Text.substr(0, p);
  if (Delete) Text.erase(0, p + Delimiter.size());
  return part;
}

int LastPosOf(const std::string& Sub, const std::string& Text, int Start) {
  const int len = static_cast<int>(Text.size());
  const int n = static_cast<int>(Sub.size());
  const int end = Start < 0 ? len : std::min(Start, len);
  if (n == 0) return 0;
  const std::string sub = UpperCase(Sub), text = UpperCase(Text);
  for (int p = end - n; p >= 0; --p)
    if (text.compare(static_cast<size_t>(p), static_cast<size_t>(n), sub) == 0) return p + 1;
  return 0;
}

std::string RightPart(const std::string& Text, int N) {
  if (N < 0 || static_cast<size_t>(N) >= Text.size()) return Text;
  return Text.substr(Text.size() - static_cast<size_t>(N));
}

int SmallerOf(int A, int B) { return A < B ? A : B; }

int FindInMemory(const std::string& Sub, const void* Buffer, int Size) {
  if (Sub.empty() || !Buffer || Size <= 0 || Sub.size() > static_cast<size_t>(Size)) return 0;
  const char* b = static_cast<const char*>(Buffer);
  const char* hit = std::search(b, b + Size, Sub.begin(), Sub.end());
  return hit == b + Size ? 0 : static_cast<int>(hit - b) + 1;
}

int IndexInList(const std::string& Text, const std::vector<std::string>& List, bool CaseSensitive) {
  for (size_t i = 0; i < List.size(); ++i)
    if (CaseSensitive ? List[i] == Text : SameText(List[i], Text)) return static_cast<int>(i);
  return -1;
}

int DayNameIndex(const std::string& Text) {
  for (int i = 0; i < 7; ++i)
    if (UpperCase(Text) == UpperCase(DayNames[i])) return i + 1;
  return 0;
}

int MonthIndex(const std::string& Text) {
  for (int i = 0; i < 12; ++i)
    if (UpperCase(Text) == UpperCase(MonthNames[i])) return i + 1;
  return 0;
}

std::string GMTDateText(TDateTime DateTime) {
  int y, m, d;
  DecodeDate(DateTime, y, m, d);
  if (m < 1) return "";
  return Format("%s, %.2d %s %.4d %s %s", DayNames[DayOfWeek(DateTime) - 1], d, MonthNames[m - 1], y,
                TimeText(DateTime).c_str(), "GMT");
}

std::string LocalDateText(TDateTime DateTime) {
  int y, m, d;
  DecodeDate(DateTime, y, m, d);
  if (m < 1) return "";
  return Format("%s, %d %s %d %s %s", DayNames[DayOfWeek(DateTime) - 1], d, MonthNames[m - 1], y,
                TimeText(DateTime).c_str(), ZoneText(LocalUtcOffset()).c_str());
}

std::string ZoneText(TDateTime Offset, bool UseGMT) {
  const int64_t minutes = static_cast<int64_t>(Offset * 1440.0 + (Offset < 0 ? -0.5 : 0.5));
  if (minutes == 0 && UseGMT) return "GMT";
  const int64_t a = minutes < 0 ? -minutes : minutes;
  std::string s = Format(" %.2d%.2d", static_cast<int>(a / 60), static_cast<int>(a % 60));
  s[0] = minutes < 0 ? '-' : '+';
  return s;
}

TDateTime LocalUtcOffset() {
  TIME_ZONE_INFORMATION zone{};
  const DWORD state = GetTimeZoneInformationProc(&zone);
  LONG bias = zone.Bias;
  switch (state) {
    case TIME_ZONE_ID_UNKNOWN: break;
    case TIME_ZONE_ID_STANDARD: bias += zone.StandardBias; break;
    case TIME_ZONE_ID_DAYLIGHT: bias += zone.DaylightBias; break;
    default: throw ENetFailedToRetreiveTimeZoneInfo(RSFailedTimeZoneInfo);
  }
  return -static_cast<double>(bias) / 1440.0;
}

TDateTime ZoneTextToOffset(const std::string& Text) {
  const std::string t = Trim(Text);
  if (t.size() < 5 || (t[0] != '+' && t[0] != '-')) return 0;
  for (int i = 1; i <= 4; ++i)
    if (!IsDigit(t[i])) return 0;
  TDateTime offset = 0;
  if (!TryEncodeTime((t[1] - '0') * 10 + (t[2] - '0'), (t[3] - '0') * 10 + (t[4] - '0'), 0, 0, offset)) return 0;
  return t[0] == '-' ? -offset : offset;
}

TDateTime ParseDateText(std::string& Text) {
  const std::string& s = Text;
  size_t p = 0;
  while (p < s.size() && s[p] == ' ') ++p;
  {   // a leading day name, short or long, with an optional comma
    size_t q = p;
    const std::string word = ReadWord(s, q);
    if (word.size() >= 3 && DayNameIndex(word.substr(0, 3)) > 0) {
      p = q;
      if (p < s.size() && s[p] == ',') ++p;
      while (p < s.size() && s[p] == ' ') ++p;
    }
  }
  int day = 0, month = 0, year = 0;
  if (p < s.size() && IsDigit(s[p])) {   // day month
    if (!ReadNumber(s, p, 2, day)) return 0;
    SkipSeparators(s, p);
    month = MonthIndex(ReadWord(s, p).substr(0, 3));
  } else {   // month day
    month = MonthIndex(ReadWord(s, p).substr(0, 3));
    SkipSeparators(s, p);
    if (!ReadNumber(s, p, 2, day)) return 0;
  }
  if (month == 0) return 0;
  SkipSeparators(s, p);
  TDateTime time = 0;
  const bool timeFirst = ReadTime(s, p, time);   // asctime: the year follows the time
  if (timeFirst) SkipSeparators(s, p);
  const size_t yearStart = p;
  if (!ReadNumber(s, p, 4, year)) return 0;
  year = FullYear(year, p - yearStart);
  TDateTime date = 0;
  if (!TryEncodeDate(year, month, day, date)) return 0;
  if (!timeFirst) {
    size_t q = p;
    while (q < s.size() && s[q] == ' ') ++q;
    if (ReadTime(s, q, time)) p = q;
  }
  Text.erase(0, p);
  return date + time;
}

TDateTime DateTextToGMT(const std::string& Text) {
  std::string rest = Text;
  TDateTime d = ParseDateText(rest);
  if (d == 0) return 0;
  rest = Trim(rest);
  if (rest.size() >= 5) d -= ZoneTextToOffset(rest);
  return d + LocalUtcOffset();
}

bool LooksLikeHostName(const std::string& Text) {
  if (IsDottedQuad(Text)) return false;
  return !(Text.find('.') != std::string::npos && !Text.empty() && Text[0] == '.');
}

std::string DomainPart(const std::string& Text) {
  const size_t p = Text.find('.');
  return p == std::string::npos ? std::string() : Text.substr(p);
}

std::string ResolvePath(const std::string& Base, const std::string& Relative, const std::string& Delimiter) {
  if (Delimiter.empty()) return Base + Relative;
  std::string path;
  if (Relative.compare(0, Delimiter.size(), Delimiter) == 0) {
    path = Relative;
  } else {
    const size_t last = Base.rfind(Delimiter);
    path = (last == std::string::npos ? std::string() : Base.substr(0, last + Delimiter.size())) + Relative;
  }
  const bool lead = path.compare(0, Delimiter.size(), Delimiter) == 0;
  std::vector<std::string> segments;
  bool trail = false;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find(Delimiter, start);
    if (end == std::string::npos) end = path.size();
    const std::string seg = path.substr(start, end - start);
    const bool last = end == path.size();
    if (seg == "..") {
      if (!segments.empty()) segments.pop_back();
      trail = last;
    } else if (seg == ".") {
      trail = last;
    } else if (!seg.empty()) {
      segments.push_back(seg);
      trail = false;
    } else if (last) {
      trail = true;
    }
    start = end + Delimiter.size();
  }
  std::string r = lead ? Delimiter : std::string();
  for (size_t i = 0; i < segments.size(); ++i) r += (i ? Delimiter : std::string()) + segments[i];
  if (trail && !segments.empty()) r += Delimiter;
  return r;
}

const std::string& TempPath() { return TempFolder; }

DWORD ProcessIdentifier() { return GetCurrentProcessId(); }
DWORD ThreadIdentifier() { return GetCurrentThreadId(); }
bool OnMainThread() { return InMainThread(); }
void SleepMs(DWORD Ms) { Sleep(Ms); }

int64_t TNetReadMemoryStream::Read(void* Buffer, int64_t Count) {
  const int64_t n = std::max<int64_t>(0, std::min(Count, FSize - FPosition));
  if (n > 0) std::memcpy(Buffer, FMemory + FPosition, static_cast<size_t>(n));
  FPosition += n;
  return n;
}

int64_t TNetReadMemoryStream::Write(const void* Buffer, int64_t Count) {
  (void)Buffer;
  (void)Count;
  return 0;
}

int64_t TNetReadMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
  switch (Origin) {
    case TSeekOrigin::soBeginning: FPosition = Offset; break;
    case TSeekOrigin::soCurrent: FPosition += Offset; break;
    case TSeekOrigin::soEnd: FPosition = FSize + Offset; break;
  }
  if (FPosition < 0) FPosition = 0;
  return FPosition;
}

void TNetReadMemoryStream::SetSize(int64_t NewSize) { (void)NewSize; }

void NetGlobal_Initialize() {
  if (!UnitCounter.Enter()) return;
  NetStackWindows_Initialize();
  StackClass = NewNetStackWindows;
  char buf[MAX_PATH + 1] = {};
  const DWORD n = GetTempPathA(sizeof buf, buf);
  TempFolder.assign(buf, n > 0 && n <= MAX_PATH ? n : 0);
  if (!TempFolder.empty() && TempFolder.back() != '\\') TempFolder += '\\';
}

void NetGlobal_Finalize() {
  if (!UnitCounter.Leave()) return;
  StackClass = nullptr;
  NetStackWindows_Finalize();
}
