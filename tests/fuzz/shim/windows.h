// Just enough of <windows.h> to build the portable units natively for
// fuzzing. Every call fails or does nothing: the fuzzers use memory streams.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

typedef void* HANDLE;
typedef void* HMODULE;
typedef void* HGDIOBJ;
typedef void* HDC;
typedef void* HLOCAL;
typedef int BOOL;
typedef unsigned long DWORD;
typedef uint16_t WORD;
typedef unsigned char BYTE;
typedef unsigned int UINT;
typedef char16_t WCHAR;
typedef long LONG;
typedef intptr_t (*FARPROC)();
typedef int LCID;
union LARGE_INTEGER {
  struct {
    DWORD LowPart;
    LONG HighPart;
  } u;
  long long QuadPart;
};

#define INVALID_HANDLE_VALUE (reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1)))
#define INVALID_FILE_ATTRIBUTES (static_cast<DWORD>(-1))
#define FILE_ATTRIBUTE_DIRECTORY 0x10
#define FILE_ATTRIBUTE_NORMAL 0x80
#define FILE_SHARE_READ 1
#define FILE_SHARE_WRITE 2
#define GENERIC_READ 0x80000000ul
#define GENERIC_WRITE 0x40000000ul
#define CREATE_ALWAYS 2
#define OPEN_EXISTING 3
#define MAX_PATH 260
#define CP_ACP 0
#define LOCALE_USER_DEFAULT 0x400
#define NORM_IGNORECASE 1
#define CSTR_EQUAL 2
#define FORMAT_MESSAGE_ALLOCATE_BUFFER 0x100
#define FORMAT_MESSAGE_FROM_SYSTEM 0x1000
#define FORMAT_MESSAGE_IGNORE_INSERTS 0x200
#define ERROR_FILE_NOT_FOUND 2

inline DWORD GetLastError() { return ERROR_FILE_NOT_FOUND; }
inline BOOL IsDBCSLeadByte(BYTE) { return 0; }   // a single-byte code page
inline BOOL CloseHandle(HANDLE) { return 1; }
inline BOOL FreeLibrary(HMODULE) { return 1; }
inline BOOL DeleteObject(HGDIOBJ) { return 1; }
#define HGDI_ERROR (reinterpret_cast<HGDIOBJ>(static_cast<intptr_t>(-1)))
inline HDC CreateCompatibleDC(HDC) { return nullptr; }
inline BOOL DeleteDC(HDC) { return 1; }
inline HGDIOBJ SelectObject(HDC, HGDIOBJ) { return nullptr; }
inline FARPROC GetProcAddress(HMODULE, const char*) { return nullptr; }
inline HANDLE CreateFileA(const char*, DWORD, DWORD, void*, DWORD, DWORD, HANDLE) { return INVALID_HANDLE_VALUE; }
inline BOOL ReadFile(HANDLE, void*, DWORD, DWORD*, void*) { return 0; }
inline BOOL WriteFile(HANDLE, const void*, DWORD, DWORD*, void*) { return 0; }
inline BOOL SetFilePointerEx(HANDLE, LARGE_INTEGER, LARGE_INTEGER*, DWORD) { return 0; }
inline BOOL SetEndOfFile(HANDLE) { return 0; }
inline DWORD GetFileAttributesA(const char*) { return INVALID_FILE_ATTRIBUTES; }
inline BOOL DeleteFileA(const char*) { return 0; }
inline DWORD GetCurrentDirectoryA(DWORD, char*) { return 0; }
inline DWORD FormatMessageA(DWORD, const void*, DWORD, DWORD, char*, DWORD, void*) { return 0; }
inline HLOCAL LocalFree(HLOCAL) { return nullptr; }
inline int CompareStringA(LCID, DWORD, const char* a, int an, const char* b, int bn) {
  int c = std::memcmp(a, b, static_cast<size_t>(an < bn ? an : bn));
  if (c == 0) c = an - bn;
  return c < 0 ? 1 : c > 0 ? 3 : 2;
}
// Latin-1 and '?' for the rest, counting as the real call does.
inline int WideCharToMultiByte(UINT, DWORD, const WCHAR* w, int wn, char* s, int sn, const char*, BOOL*) {
  if (!s || sn == 0) return wn;
  int n = wn < sn ? wn : sn;
  for (int i = 0; i < n; ++i) s[i] = w[i] < 0x100 ? static_cast<char>(w[i]) : '?';
  return n;
}
struct SYSTEMTIME {
  WORD wYear, wMonth, wDayOfWeek, wDay, wHour, wMinute, wSecond, wMilliseconds;
};
inline void GetLocalTime(SYSTEMTIME* t) { *t = SYSTEMTIME{2000, 1, 6, 1, 0, 0, 0, 0}; }
