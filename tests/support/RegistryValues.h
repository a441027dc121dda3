// The program's settings in HKEY_CURRENT_USER, read back and written by tests.
#pragma once
#include <windows.h>

#include <string>

// The keys the programs keep their settings under.
namespace SettingsKey {
constexpr const char* Root = "Software\\Vantrel";
constexpr const char* V11 = "Software\\Vantrel\\1.1";
constexpr const char* V112 = "Software\\Vantrel\\1.1.2";
constexpr const char* V138 = "Software\\Vantrel\\1.3.8";
constexpr const char* V141 = "Software\\Vantrel\\1.4.1";
}  // namespace SettingsKey

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

inline bool KeyExists(const char* Key) {
  HKEY k;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, Key, 0, KEY_READ, &k) != ERROR_SUCCESS) return false;
  RegCloseKey(k);
  return true;
}

// A value of Key under Root, the key made when missing; false when it could not be written.
inline bool WriteValue(HKEY Root, const char* Key, const char* Name, DWORD Type, const void* Data, DWORD Size) {
  HKEY k;
  if (RegCreateKeyExA(Root, Key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr) != ERROR_SUCCESS)
    return false;
  const bool done = RegSetValueExA(k, Name, 0, Type, static_cast<const BYTE*>(Data), Size) == ERROR_SUCCESS;
  RegCloseKey(k);
  return done;
}
inline bool WriteDwordValue(const char* Key, const char* Name, DWORD V) {
  return WriteValue(HKEY_CURRENT_USER, Key, Name, REG_DWORD, &V, sizeof V);
}
inline bool WriteStringValue(const char* Key, const char* Name, const std::string& V, HKEY Root = HKEY_CURRENT_USER) {
  return WriteValue(Root, Key, Name, REG_SZ, V.c_str(), static_cast<DWORD>(V.size() + 1));
}
// A float setting as the program keeps it: an 8-byte double in a binary value.
inline bool WriteFloatValue(const char* Key, const char* Name, double V) {
  return WriteValue(HKEY_CURRENT_USER, Key, Name, REG_BINARY, &V, sizeof V);
}
// The key and everything below it gone.
inline void DeleteKeyTree(const char* Key) {
  RegDeleteTreeA(HKEY_CURRENT_USER, Key);
  RegDeleteKeyA(HKEY_CURRENT_USER, Key);
}
