// The material-library archive: what reads without error is written as
// version 2 and must read back to the same archive, byte for byte.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "FuzzCommon.h"
#include "scene3d/GLTextureCodecs.h"

namespace {
std::string Write(const std::vector<TMaterialArchiveEntry>& Entries) {
  TStringStream s;
  TBinaryWriter w(&s);
  WriteMaterialArchive(w, Entries);
  return s.DataString();
}
std::vector<TMaterialArchiveEntry> Read(const std::string& Data, int& Version) {
  TStringStream s(Data);
  TBinaryReader r(&s);
  return ReadMaterialArchive(r, Version);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  FuzzUnitsStart();
  std::vector<TMaterialArchiveEntry> entries;
  int version = -1;
  try {
    entries = Read(std::string(reinterpret_cast<const char*>(Data), Size), version);
  } catch (const Exception&) {
    return 0;
  }
  if (version < 0 || version > 2) std::abort();
  const std::string once = Write(entries);
  int again = -1;
  if (Write(Read(once, again)) != once || again != 2) std::abort();
  return 0;
}
