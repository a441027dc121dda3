// Helpers the protocol components share: ticks, text, dates and time zones,
// paths, process and thread identity, and a read-only stream over memory.
#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/SysUtils.h"

// Time-outs of the components in milliseconds: -1 means the component's
// default, -2 no limit.
constexpr int NetTimeoutDefault = -1;
constexpr int NetTimeoutInfinite = -2;

// Milliseconds from the performance counter (GetTickCount without one),
// truncated to 32 bits.
uint32_t TickCount();
// Counter ticks at Frequency per second as milliseconds, exact in 64 bits.
uint32_t TicksFromCounter(int64_t Counter, int64_t Frequency);
// Milliseconds from Old to New, across a wrap of the 32-bit counter.
uint32_t TicksBetween(uint32_t Old, uint32_t New);

// The part of Text before the first Delimiter (all of it when there is
// none); with Delete that part and the delimiter leave Text.
std::string CutAtDelimiter(std::string& Text, const std::string& Delimiter, bool Delete = true,
                           bool CaseSensitive = true);
// 1-based position of the last Sub in Text (ignoring case) that ends at or
// before Start (-1: the end of Text); 0 when none.
int LastPosOf(const std::string& Sub, const std::string& Text, int Start = -1);
std::string RightPart(const std::string& Text, int N);   // all of Text when N < 0 or too long
int SmallerOf(int A, int B);
// 1-based position of Sub in the first Size bytes of Buffer; 0 when absent.
int FindInMemory(const std::string& Sub, const void* Buffer, int Size);
int IndexInList(const std::string& Text, const std::vector<std::string>& List, bool CaseSensitive = true);
int DayNameIndex(const std::string& Text);   // 1..7 for SUN..SAT, else 0
int MonthIndex(const std::string& Text);     // 1..12 for JAN..DEC, else 0

// "Sun, 06 Nov 1994 08:49:37 GMT"
std::string GMTDateText(TDateTime DateTime);
// "Sun, 6 Nov 1994 08:49:37 +0100", with the local zone.
std::string LocalDateText(TDateTime DateTime);
// "+hhmm" or "-hhmm" of an offset from UTC (a fraction of a day); "GMT" for
// a zero offset when UseGMT.
std::string ZoneText(TDateTime Offset, bool UseGMT = false);
// Local time minus UTC, as a fraction of a day. A zone whose state the
// system does not know (no daylight saving) uses its bias alone.
TDateTime LocalUtcOffset();   // ENetFailedToRetreiveTimeZoneInfo
// Where LocalUtcOffset reads the zone; tests put a fake here.
extern DWORD(WINAPI* GetTimeZoneInformationProc)(LPTIME_ZONE_INFORMATION Zone);
// "+hhmm" / "-hhmm" (trimmed) as an offset; any other text 0.
TDateTime ZoneTextToOffset(const std::string& Text);
// The date and time at the front of an Internet date text (RFC 1123, RFC
// 850 or asctime forms); what was read leaves Text. 0 when Text holds no
// date, and Text is kept.
TDateTime ParseDateText(std::string& Text);
// An Internet date text as local time: its zone taken off, ours added.
TDateTime DateTextToGMT(const std::string& Text);

// (IsDottedQuad is in NetCookieText, which the native fuzzer builds.)
bool LooksLikeHostName(const std::string& Text);
std::string DomainPart(const std::string& Text);   // from the first "." on
// Relative joined onto the folder of Base (or Relative alone when it starts
// with Delimiter), "." removed and ".." resolved.
std::string ResolvePath(const std::string& Base, const std::string& Relative, const std::string& Delimiter = "/");
// The temporary folder with a trailing delimiter, read at unit start.
const std::string& TempPath();

DWORD ProcessIdentifier();
DWORD ThreadIdentifier();
bool OnMainThread();
void SleepMs(DWORD Ms);

// A read-only stream over memory the caller owns; writing writes nothing.
class TNetReadMemoryStream : public TStream {
  DECLARE_CLASSINFO(TNetReadMemoryStream)
public:
  TNetReadMemoryStream(const void* Memory, int64_t Size) : FMemory(static_cast<const uint8_t*>(Memory)), FSize(Size) {}
  int64_t Read(void* Buffer, int64_t Count) override;
  int64_t Write(const void* Buffer, int64_t Count) override;
  int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
  void SetSize(int64_t NewSize) override;
  int64_t Size() override { return FSize; }

private:
  const uint8_t* FMemory;
  int64_t FSize;
  int64_t FPosition = 0;
};

void NetGlobal_Initialize();
void NetGlobal_Finalize();
