// List reading: the first byte picks the list class, the rest is its
// stream. A list that reads without error must write back items that read
// back the same (integers may be stored in a longer form than the writer's).
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "FuzzCommon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  FuzzUnitsStart();
  if (Size < 1) return 0;
  const std::string data(reinterpret_cast<const char*>(Data) + 1, Size - 1);
  std::unique_ptr<TBaseList> list = NewList(Data[0]);
  try {
    list->LoadFromString(data);
  } catch (const Exception&) {
    return 0;
  }
  const size_t bytes = size_t(list->Count()) * size_t(list->ItemSize());
  std::unique_ptr<TBaseList> again = NewList(Data[0]);
  again->LoadFromString(list->SaveToString());
  if (again->Count() != list->Count() ||
      (bytes && std::memcmp(again->ItemAddress(0), list->ItemAddress(0), bytes) != 0))
    std::abort();   // lost or corrupted items
  std::unique_ptr<TPersistentObject> clone = list->CreateClone();
  auto* c = static_cast<TBaseList*>(clone.get());
  if (c->Count() != list->Count() || (bytes && std::memcmp(c->ItemAddress(0), list->ItemAddress(0), bytes) != 0))
    std::abort();
  if (auto* v = dynamic_cast<TBaseVectorList*>(list.get())) {
    TAffineVector mn, mx;
    v->GetExtents(mn, mx);
    (void)v->Sum();
  }
  list->SetCount(list->Count() + 3);
  list->Flush();
  return 0;
}
