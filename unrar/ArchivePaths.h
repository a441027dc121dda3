// Where an archive entry may be written: only below the destination folder.
#pragma once
#include <string>

// False for an empty name, an absolute path ("\x", "/x", "\\server\x"), a
// drive letter or stream name (any ':') and any ".." component (Windows
// drops trailing dots and blanks, so "... " counts as ".." too).
inline bool IsSafeEntryPath(const std::string& Name) {
  if (Name.empty() || Name[0] == '\\' || Name[0] == '/') return false;
  if (Name.find(':') != std::string::npos) return false;
  size_t start = 0;
  for (;;) {
    const size_t end = Name.find_first_of("\\/", start);
    const std::string part = Name.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (part != "." && !part.empty() && part.find_first_not_of(". ") == std::string::npos) return false;
    if (end == std::string::npos) return true;
    start = end + 1;
  }
}
