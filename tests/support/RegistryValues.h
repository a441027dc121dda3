// Reading settings values back from HKEY_CURRENT_USER in tests.
#pragma once
#include <windows.h>

// The REG_DWORD value Name of Key, or 0xDEADBEEF when there is none.
inline DWORD ReadDwordValue(const char* Key, const char* Name) {
  DWORD v = 0, size = 4;
  if (RegGetValueA(HKEY_CURRENT_USER, Key, Name, RRF_RT_REG_DWORD, nullptr, &v, &size) !=
      ERROR_SUCCESS)
    return 0xDEADBEEF;
  return v;
}
