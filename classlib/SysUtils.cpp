#include "classlib/SysUtils.h"

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <vector>

EAssertionFailed::EAssertionFailed(const std::string& Msg, const char* SourceName, int Line)
    : Exception(Format("%s (%s, line %d)", Msg.empty() ? "Assertion failure" : Msg.c_str(),
                       SourceName, Line)) {}

void Assert(bool Condition, const std::string& Msg, const char* SourceName, int Line) {
  if (!Condition) throw EAssertionFailed(Msg, SourceName, Line);
}

static std::string InOutMessage(int Code) {
  switch (Code) {
    case 2: return "File not found";
    case 3: return "Path not found";
    case 5: return "File access denied";
    case 100: return "Read beyond end of file";
    case 103: return "File not open";
    default: return Format("I/O error %d", Code);
  }
}

EInOutError::EInOutError(int Code) : Exception(InOutMessage(Code)), ErrorCode(Code) {}

std::string IntToStr(int64_t Value) { return std::to_string(Value); }

bool TryStrToInt(const std::string& S, int& Value) {
  std::string t = Trim(S);
  if (t.empty()) return false;
  size_t i = 0;
  bool neg = false;
  if (t[0] == '-' || t[0] == '+') { neg = t[0] == '-'; i = 1; }
  int64_t v = 0;
  bool hex = false;
  if (i < t.size() && t[i] == '$') { hex = true; ++i; }
  else if (i + 1 < t.size() && t[i] == '0' && (t[i + 1] == 'x' || t[i + 1] == 'X')) { hex = true; i += 2; }
  if (i >= t.size()) return false;
  for (; i < t.size(); ++i) {
    int d;
    char c = t[i];
    if (c >= '0' && c <= '9') d = c - '0';
    else if (hex && c >= 'a' && c <= 'f') d = c - 'a' + 10;
    else if (hex && c >= 'A' && c <= 'F') d = c - 'A' + 10;
    else return false;
    v = v * (hex ? 16 : 10) + d;
    if (v > (hex ? 0xFFFFFFFFLL : 0x80000000LL)) return false;
  }
  if (neg) v = -v;
  if (!hex && v > 0x7FFFFFFFLL) return false;
  Value = static_cast<int>(static_cast<uint32_t>(v));
  return true;
}

int StrToInt(const std::string& S) {
  int v = 0;
  if (!TryStrToInt(S, v)) throw EConvertError("'" + S + "' is not a valid integer value");
  return v;
}

int StrToIntDef(const std::string& S, int Default) {
  int v = 0;
  return TryStrToInt(S, v) ? v : Default;
}

bool StrToBool(const std::string& S) {
  if (SameText(S, "true")) return true;
  if (SameText(S, "false")) return false;
  int v = 0;
  if (!TryStrToInt(S, v)) throw EConvertError("'" + S + "' is not a valid boolean value");
  return v != 0;
}

std::string TrimLeft(const std::string& S) {
  size_t i = 0;
  while (i < S.size() && static_cast<unsigned char>(S[i]) <= ' ') ++i;
  return S.substr(i);
}

std::string TrimRight(const std::string& S) {
  size_t n = S.size();
  while (n > 0 && static_cast<unsigned char>(S[n - 1]) <= ' ') --n;
  return S.substr(0, n);
}

std::string Trim(const std::string& S) { return TrimLeft(TrimRight(S)); }

std::string UpperCase(const std::string& S) {
  std::string r = S;
  for (char& c : r) if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
  return r;
}

std::string LowerCase(const std::string& S) {
  std::string r = S;
  for (char& c : r) if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return r;
}

bool SameText(const std::string& A, const std::string& B) { return UpperCase(A) == UpperCase(B); }

int AnsiCompareText(const std::string& A, const std::string& B) {
  return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, A.data(), static_cast<int>(A.size()), B.data(),
                        static_cast<int>(B.size())) -
         CSTR_EQUAL;
}

std::string Format(const char* Fmt, ...) {
  va_list ap;
  va_start(ap, Fmt);
  va_list ap2;
  va_copy(ap2, ap);
  int n = std::vsnprintf(nullptr, 0, Fmt, ap);
  va_end(ap);
  std::string r;
  if (n > 0) {
    r.resize(static_cast<size_t>(n) + 1);
    std::vsnprintf(r.data(), r.size(), Fmt, ap2);
    r.resize(static_cast<size_t>(n));
  }
  va_end(ap2);
  return r;
}

std::string FloatToStr(double Value) {
  if (std::isnan(Value)) return "NAN";
  if (std::isinf(Value)) return Value > 0 ? "INF" : "-INF";
  std::string s = Format("%.15G", Value);
  const size_t e = s.find('E');
  if (e == std::string::npos) return s;
  // the exponent without "+" and leading zeros
  std::string mantissa = s.substr(0, e), exponent = s.substr(e + 1);
  const bool negative = !exponent.empty() && exponent[0] == '-';
  if (!exponent.empty() && (exponent[0] == '-' || exponent[0] == '+')) exponent.erase(0, 1);
  exponent.erase(0, std::min(exponent.find_first_not_of('0'), exponent.size() - 1));
  return mantissa + "E" + (negative ? "-" : "") + exponent;
}

int Pos(const std::string& Sub, const std::string& S) {
  if (Sub.empty()) return 0;
  size_t p = S.find(Sub);
  return p == std::string::npos ? 0 : static_cast<int>(p) + 1;
}

std::string Copy(const std::string& S, int Index, int Count) {
  if (Index < 1) Index = 1;
  if (Count <= 0 || static_cast<size_t>(Index) > S.size()) return {};
  return S.substr(static_cast<size_t>(Index) - 1, static_cast<size_t>(Count));
}

void Delete(std::string& S, int Index, int Count) {
  if (Index < 1 || Count <= 0 || static_cast<size_t>(Index) > S.size()) return;
  S.erase(static_cast<size_t>(Index) - 1, static_cast<size_t>(Count));
}

bool FileExists(const std::string& Name) {
  DWORD a = GetFileAttributesA(Name.c_str());
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DirectoryExists(const std::string& Name) {
  DWORD a = GetFileAttributesA(Name.c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool DeleteFile(const std::string& Name) { return ::DeleteFileA(Name.c_str()) != 0; }

std::string GetCurrentDir() {
  char buf[MAX_PATH + 1];
  DWORD n = GetCurrentDirectoryA(sizeof buf, buf);
  return n > 0 && n <= MAX_PATH ? std::string(buf, n) : std::string();
}

std::string ExtractFilePath(const std::string& Name) {
  size_t p = Name.find_last_of("\\/:");
  return p == std::string::npos ? std::string() : Name.substr(0, p + 1);
}

std::string ExtractFileName(const std::string& Name) {
  size_t p = Name.find_last_of("\\/:");
  return p == std::string::npos ? Name : Name.substr(p + 1);
}

std::string SysErrorMessage(uint32_t Code) {
  char* buf = nullptr;
  DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                               FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, Code, 0, reinterpret_cast<char*>(&buf), 0, nullptr);
  std::string r = n ? std::string(buf, n) : std::string();
  if (buf) LocalFree(buf);
  return TrimRight(r);
}

// ---- Dates and times ----------------------------------------------------

namespace {
constexpr int64_t DaysTo18991230 = 693594;   // day number of 1899-12-30, counting 0001-01-01 as 1

bool IsLeapYear(int Y) { return Y % 4 == 0 && (Y % 100 != 0 || Y % 400 == 0); }

int DaysInMonth(int Y, int M) {
  static const int Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return M == 2 && IsLeapYear(Y) ? 29 : Days[M - 1];
}
}  // namespace

bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Date) {
  if (Year < 1 || Year > 9999 || Month < 1 || Month > 12 || Day < 1 || Day > DaysInMonth(Year, Month))
    return false;
  int64_t days = Day;
  for (int m = 1; m < Month; ++m) days += DaysInMonth(Year, m);
  const int64_t y = Year - 1;
  days += y * 365 + y / 4 - y / 100 + y / 400;
  Date = static_cast<double>(days - DaysTo18991230);
  return true;
}

TDateTime EncodeDate(int Year, int Month, int Day) {
  TDateTime d = 0;
  if (!TryEncodeDate(Year, Month, Day, d)) throw EConvertError("Invalid argument to date encode");
  return d;
}

bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Time) {
  if (Hour < 0 || Hour > 23 || Min < 0 || Min > 59 || Sec < 0 || Sec > 59 || MSec < 0 || MSec > 999)
    return false;
  Time = (((Hour * 60.0 + Min) * 60.0 + Sec) * 1000.0 + MSec) / 86400000.0;
  return true;
}

TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec) {
  TDateTime t = 0;
  if (!TryEncodeTime(Hour, Min, Sec, MSec, t)) throw EConvertError("Invalid argument to time encode");
  return t;
}

void DecodeDate(TDateTime Date, int& Year, int& Month, int& Day) {
  int64_t n = static_cast<int64_t>(Date) + DaysTo18991230 - 1;   // days since 0001-01-01
  if (n < 0) { Year = Month = Day = 0; return; }
  int y = 1;
  const int64_t d400 = 146097, d100 = 36524, d4 = 1461;
  y += static_cast<int>(n / d400) * 400; n %= d400;
  int64_t c = n / d100; if (c == 4) c = 3;
  y += static_cast<int>(c) * 100; n -= c * d100;
  y += static_cast<int>(n / d4) * 4; n %= d4;
  int64_t k = n / 365; if (k == 4) k = 3;
  y += static_cast<int>(k); n -= k * 365;
  int m = 1;
  while (n >= DaysInMonth(y, m)) n -= DaysInMonth(y, m++);
  Year = y;
  Month = m;
  Day = static_cast<int>(n) + 1;
}

void DecodeTime(TDateTime Time, int& Hour, int& Min, int& Sec, int& MSec) {
  double f = Time - static_cast<double>(static_cast<int64_t>(Time));
  if (f < 0) f = -f;
  int64_t ms = static_cast<int64_t>(f * 86400000.0 + 0.5);
  if (ms >= 86400000) ms = 86399999;
  Hour = static_cast<int>(ms / 3600000);
  Min = static_cast<int>(ms / 60000 % 60);
  Sec = static_cast<int>(ms / 1000 % 60);
  MSec = static_cast<int>(ms % 1000);
}

int DayOfWeek(TDateTime Date) {
  int64_t d = static_cast<int64_t>(Date);   // 1899-12-30 was a Saturday
  return static_cast<int>(((d - 1) % 7 + 7) % 7) + 1;
}

TDateTime Now() {
  SYSTEMTIME t;
  GetLocalTime(&t);
  return EncodeDate(t.wYear, t.wMonth, t.wDay) + EncodeTime(t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

TDateTime FileDateToDateTime(uint32_t FileDate) {
  TDateTime d = 0, t = 0;
  if (!TryEncodeDate(1980 + int(FileDate >> 25), int((FileDate >> 21) & 15), int((FileDate >> 16) & 31), d) ||
      !TryEncodeTime(int((FileDate >> 11) & 31), int((FileDate >> 5) & 63), int(FileDate & 31) * 2, 0, t))
    return 0;
  return d + t;
}
