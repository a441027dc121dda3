// Exceptions, string and file helpers of the class library.
#pragma once
#include <cstdint>
#include <exception>
#include <string>

// Root of every exception the system raises.
class Exception : public std::exception {
public:
  std::string Message;
  explicit Exception(std::string Msg) : Message(std::move(Msg)) {}
  const char* what() const noexcept override { return Message.c_str(); }
  virtual std::string ClassName() const { return "Exception"; }
};

#define CLASSLIB_EXCEPTION(Name, Parent)                                  \
  class Name : public Parent {                                            \
  public:                                                                 \
    using Parent::Parent;                                                 \
    std::string ClassName() const override { return #Name; }             \
  }

CLASSLIB_EXCEPTION(EConvertError, Exception);
CLASSLIB_EXCEPTION(EListError, Exception);
CLASSLIB_EXCEPTION(EStreamError, Exception);
CLASSLIB_EXCEPTION(EFCreateError, EStreamError);
CLASSLIB_EXCEPTION(EFOpenError, EStreamError);
CLASSLIB_EXCEPTION(EReadError, EStreamError);
CLASSLIB_EXCEPTION(EWriteError, EStreamError);
CLASSLIB_EXCEPTION(EOutOfMemory, Exception);
CLASSLIB_EXCEPTION(EInvalidCast, Exception);
CLASSLIB_EXCEPTION(EInvalidOperation, Exception);
CLASSLIB_EXCEPTION(EOSError, Exception);
CLASSLIB_EXCEPTION(ERangeError, Exception);

// Raised by a failed assertion; the message names the source and line.
class EAssertionFailed : public Exception {
public:
  EAssertionFailed(const std::string& Msg, const char* SourceName, int Line);
  std::string ClassName() const override { return "EAssertionFailed"; }
};
// Assert(cond, msg, "scene3d\\Base\\VectorLists", 713): the source name and
// line are fixed texts of the unit, not __FILE__/__LINE__.
void Assert(bool Condition, const std::string& Msg, const char* SourceName, int Line);

// Run-time I/O error with the operating system's (or run-time's) error code.
class EInOutError : public Exception {
public:
  int ErrorCode;
  explicit EInOutError(int Code);
  EInOutError(int Code, std::string Msg) : Exception(std::move(Msg)), ErrorCode(Code) {}
  std::string ClassName() const override { return "EInOutError"; }
};

// Numbers and text.
std::string IntToStr(int64_t Value);
int StrToInt(const std::string& S);            // raises EConvertError
int StrToIntDef(const std::string& S, int Default);
bool TryStrToInt(const std::string& S, int& Value);
bool StrToBool(const std::string& S);          // "0" false, other numbers true; else EConvertError
std::string Trim(const std::string& S);
std::string TrimLeft(const std::string& S);
std::string TrimRight(const std::string& S);
std::string UpperCase(const std::string& S);
std::string LowerCase(const std::string& S);
bool SameText(const std::string& A, const std::string& B);
// The locale's case-blind order of two texts: negative, 0 or positive.
int AnsiCompareText(const std::string& A, const std::string& B);
std::string Format(const char* Fmt, ...) __attribute__((format(printf, 1, 2)));
// The general format of 15 significant digits: "48.8499984741211", "-0.5",
// "1E-5", "1.5E20"; the decimal point is ".".
std::string FloatToStr(double Value);

// 1-based positions as the class library counts them: Pos gives 0 when absent.
int Pos(const std::string& Sub, const std::string& S);
std::string Copy(const std::string& S, int Index, int Count);
void Delete(std::string& S, int Index, int Count);

// Files and folders (ANSI paths).
bool FileExists(const std::string& Name);
bool DirectoryExists(const std::string& Name);
bool DeleteFile(const std::string& Name);
std::string GetCurrentDir();
std::string ExtractFilePath(const std::string& Name);   // up to and with the last '\'
std::string ExtractFileName(const std::string& Name);
std::string SysErrorMessage(uint32_t Code);

// Dates and times: whole days since 30 December 1899, the time of day as
// the fraction.
using TDateTime = double;
bool TryEncodeDate(int Year, int Month, int Day, TDateTime& Date);
TDateTime EncodeDate(int Year, int Month, int Day);                 // EConvertError when invalid
bool TryEncodeTime(int Hour, int Min, int Sec, int MSec, TDateTime& Time);
TDateTime EncodeTime(int Hour, int Min, int Sec, int MSec);         // EConvertError when invalid
void DecodeDate(TDateTime Date, int& Year, int& Month, int& Day);
void DecodeTime(TDateTime Time, int& Hour, int& Min, int& Sec, int& MSec);
int DayOfWeek(TDateTime Date);   // 1 = Sunday .. 7 = Saturday
TDateTime Now();                 // local time
// A DOS date and time (date in the high word) as a date-time; 0 when invalid.
TDateTime FileDateToDateTime(uint32_t FileDate);
