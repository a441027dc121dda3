// Reading settings values back from HKEY_CURRENT_USER in tests.
#pragma once
#include <windows.h>

#include <string>

// The REG_DWORD value Name of Key, or 0xDEADBEEF when there is none.
inline DWORD ReadDwordValue(const char* Key, const char* Name) {
  DWORD v = 0, size = 4;
  if (RegGetValueA(HKEY_CURRENT_USER, Key, Name, RRF_RT_REG_DWORD, nullptr, &v, &size) !=
      ERROR_SUCCESS)
    return 0xDEADBEEF;
  return v;
}

// The REG_SZ value Name of Key, or "<none>".
inline std::string ReadStringValue(const char* Key, const char* Name) {
  char buf[1024] = {};
  DWORD size = sizeof buf;
  if (RegGetValueA(HKEY_CURRENT_USER, Key, Name, RRF_RT_REG_SZ, nullptr, buf, &size) != ERROR_SUCCESS)
    return "<none>";
  return buf;
}

// A float setting (an 8-byte double in a binary value), or -1 when there is none.
inline double ReadFloatValue(const char* Key, const char* Name) {
  double d = -1;
  DWORD size = sizeof d;
  RegGetValueA(HKEY_CURRENT_USER, Key, Name, RRF_RT_REG_BINARY, nullptr, &d, &size);
  return d;
}
