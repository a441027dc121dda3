// The binary reader on arbitrary bytes: every value kind, object lists and
// extensible collections. Errors must be the library's exceptions; any
// crash, sanitizer report, leak or unbounded allocation is a finding.
#include <cstdint>
#include <string>

#include "FuzzCommon.h"

namespace {
void WalkValues(const std::string& Data) {
  TStringStream s(Data);
  TBinaryReader r(&s);
  try {
    for (;;) {   // each step consumes at least one byte or raises
      switch (r.NextValue()) {
        case TValueType::vaInt8:
        case TValueType::vaInt16:
        case TValueType::vaInt32: r.ReadInteger(); break;
        case TValueType::vaFalse:
        case TValueType::vaTrue: r.ReadBoolean(); break;
        case TValueType::vaExtended: r.ReadFloat(); break;
        case TValueType::vaList: r.ReadListBegin(); break;
        case TValueType::vaNull: r.ReadListEnd(); break;
        default: r.ReadString(); break;
      }
    }
  } catch (const Exception&) {
  }
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  FuzzUnitsStart();
  const std::string data(reinterpret_cast<const char*>(Data), Size);
  WalkValues(data);
  {
    TPersistentObjectList l;
    try {
      l.LoadFromString(data);
    } catch (const Exception&) {
    }
    FreeObjectList(l);
  }
  {
    TXCollection c(nullptr);
    TStringStream s(data);
    TBinaryReader r(&s);
    try {
      c.ReadFromFiler(&r);
    } catch (const Exception&) {
    }
  }
  return 0;
}
