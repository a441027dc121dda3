#include "scene3d/Base/VectorLists.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "classlib/UnitInit.h"

namespace {
const char* const UnitName = "scene3d\\Base\\VectorLists";
TUnitCounter InitCounter;
}  // namespace

// ---- TBaseList -------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TBaseList, TPersistentObject)

TBaseList::~TBaseList() { Clear(); }

void TBaseList::SetCount(int Value) {
  Assert(Value >= 0, "", UnitName, 713);
  if (Value > FCapacity) SetCapacity(Value);
  if (Value > FCount && Options.Contains(TBaseListOption::bloSetCountResetsMemory))
    std::memset(ItemAddress(FCount), 0, static_cast<size_t>(Value - FCount) * FItemSize);
  FCount = Value;
}

void TBaseList::SetCapacity(int Value) {
  if (Value == FCapacity) return;
  if (Value < 0) throw EListError(Format("Invalid list capacity (%d)", Value));
  const uint64_t bytes = uint64_t(uint32_t(Value)) * uint32_t(FItemSize);
  if (bytes > std::numeric_limits<size_t>::max() / 2) throw EOutOfMemory("Out of memory");
  std::unique_ptr<uint8_t[]> block;
  if (Value > 0) {
    block.reset(new uint8_t[static_cast<size_t>(bytes)]);
    const int keep = std::min(Value, FCapacity);
    if (FBaseList && keep > 0) std::memcpy(block.get(), FBaseList, static_cast<size_t>(keep) * FItemSize);
  }
  FStorage = std::move(block);
  FBaseList = FStorage.get();
  FCapacity = Value;
  if (FCount > Value) FCount = Value;   // callers lower the count first; never leave it beyond the block
}

// A growth delta below 1 would never make room.
void TBaseList::Grow() { SetCapacity(FCapacity + std::max(GrowthDelta, 1)); }

void TBaseList::Flush() { SetCount(0); }

void TBaseList::Clear() {
  SetCount(0);
  SetCapacity(0);
}

void TBaseList::Assign(TPersistent* Source) {
  if (!Source) {
    Clear();
    return;
  }
  if (auto* src = dynamic_cast<TBaseList*>(Source)) {
    if (src == this) return;
    // Raw items can only be copied between lists of the same item layout.
    const bool related = InheritsFrom(src->ClassType()) || src->InheritsFrom(ClassType());
    if (!related || src->FItemSize != FItemSize) AssignError(Source);
    SetCapacity(src->FCount);
    GrowthDelta = src->GrowthDelta;
    FCount = FCapacity;
    if (FCount > 0) std::memcpy(FBaseList, src->FBaseList, static_cast<size_t>(FCount) * FItemSize);
    return;
  }
  TPersistentObject::Assign(Source);
}

void TBaseList::WriteToFiler(TVirtualWriter* Writer) {
  TPersistentObject::WriteToFiler(Writer);
  Writer->WriteInteger(0);   // archive version
  Writer->WriteInteger(FCount);
  Writer->WriteInteger(FItemSize);
  if (FCount > 0) Writer->Write(FBaseList, int64_t(FCount) * FItemSize);
}

void TBaseList::ReadFromFiler(TVirtualReader* Reader) {
  TPersistentObject::ReadFromFiler(Reader);
  const int32_t version = Reader->ReadInteger();
  if (version != 0) RaiseFilerException(version);
  const int32_t count = Reader->ReadInteger();
  const int32_t itemSize = Reader->ReadInteger();
  // Stored counts and sizes are checked against this list and the data.
  if (count < 0 || itemSize != FItemSize) throw EReadError("Stream read error");
  Reader->CheckAvailable(int64_t(count) * itemSize);
  SetCapacity(count);
  FCount = count;
  if (count > 0) Reader->Read(FBaseList, int64_t(count) * itemSize);
}

// ---- TBaseVectorList ------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TBaseVectorList, TBaseList)

void TBaseVectorList::GetExtents(TAffineVector& Min, TAffineVector& Max) const {
  const float inf = std::numeric_limits<float>::infinity();
  Min = {inf, inf, inf};
  Max = {-inf, -inf, -inf};
  for (int i = 0; i < FCount; ++i) {
    const float* v = F(i);
    for (int k = 0; k < 3; ++k) {
      if (v[k] < Min[k]) Min[k] = v[k];
      if (v[k] > Max[k]) Max[k] = v[k];
    }
  }
}

TAffineVector TBaseVectorList::Sum() const {
  TAffineVector r = NullVector;
  for (int i = 0; i < FCount; ++i) {
    const float* v = F(i);
    r = {r[0] + v[0], r[1] + v[1], r[2] + v[2]};
  }
  return r;
}

void TBaseVectorList::Normalize() {
  for (int i = 0; i < FCount; ++i) NormalizeAffineVector(*reinterpret_cast<TAffineVector*>(F(i)));
}

float TBaseVectorList::MaxSpacing(const TBaseVectorList* List2) const {
  Assert(FCount == List2->FCount, "", UnitName, 1017);
  float r = 0.0f;
  for (int i = 0; i < FCount; ++i) {
    const float s = VectorSpacing(*reinterpret_cast<const TAffineVector*>(F(i)),
                                  *reinterpret_cast<const TAffineVector*>(List2->F(i)));
    if (s > r) r = s;
  }
  return r;
}

void TBaseVectorList::Translate(const TAffineVector& Delta) {
  const TAffineVector d = Delta;
  for (int i = 0; i < FCount; ++i) AddVector(*reinterpret_cast<TAffineVector*>(F(i)), d);
}

void TBaseVectorList::Translate(const TBaseVectorList* VectorList) {
  Assert(FCount <= VectorList->FCount, "", UnitName, 1042);
  for (int i = 0; i < FCount; ++i)
    AddVector(*reinterpret_cast<TAffineVector*>(F(i)), *reinterpret_cast<const TAffineVector*>(VectorList->F(i)));
}

void TBaseVectorList::TranslateInv(const TBaseVectorList* VectorList) {
  Assert(FCount <= VectorList->FCount, "", UnitName, 1053);
  for (int i = 0; i < FCount; ++i)
    SubtractVector(*reinterpret_cast<TAffineVector*>(F(i)),
                   *reinterpret_cast<const TAffineVector*>(VectorList->F(i)));
}

void TBaseVectorList::AddScaledList(const TBaseVectorList* VectorList, float Factor) {
  Assert(FCount <= VectorList->FCount, "", UnitName, 1100);
  for (int i = 0; i < FCount; ++i)
    CombineVector(*reinterpret_cast<TAffineVector*>(F(i)), *reinterpret_cast<const TAffineVector*>(VectorList->F(i)),
                  Factor);
}

// ---- TAffineVectorList -----------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TAffineVectorList, TBaseVectorList)

std::unique_ptr<TPersistentObject> TAffineVectorList::NewInstance() const {
  return std::make_unique<TAffineVectorList>();
}

int TAffineVectorList::Add(const TAffineVector& Item) {
  const TAffineVector v = Item;   // Item may live in this list
  if (FCount == FCapacity) Grow();
  List()[FCount] = v;
  return FCount++;
}

int TAffineVectorList::IndexOf(const TAffineVector& Item) const {
  for (int i = 0; i < FCount; ++i)
    if (VectorEquals(List()[i], Item)) return i;
  return -1;
}

int TAffineVectorList::FindOrAdd(const TAffineVector& Item) {
  int i = IndexOf(Item);
  return i >= 0 ? i : Add(Item);
}

void TAffineVectorList::Translate(const TAffineVector& Delta) { VectorArrayAdd(List(), Delta, FCount, List()); }

void TAffineVectorList::Normalize() { NormalizeVectorArray(List(), FCount); }

void TAffineVectorList::Lerp(const TBaseList* List1, const TBaseList* List2, float LerpFactor) {
  auto* a = dynamic_cast<const TAffineVectorList*>(List1);
  auto* b = dynamic_cast<const TAffineVectorList*>(List2);
  if (!a || !b) return;
  Assert(a->FCount == b->FCount, "", UnitName, 1466);
  SetCapacity(std::max(FCapacity, a->FCount));
  FCount = a->FCount;
  VectorArrayLerp(a->List(), b->List(), LerpFactor, FCount, List());
}

// ---- TVectorList ---------------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TVectorList, TBaseVectorList)

std::unique_ptr<TPersistentObject> TVectorList::NewInstance() const { return std::make_unique<TVectorList>(); }

int TVectorList::Add(const TVector& Item) {
  const TVector v = Item;
  if (FCount == FCapacity) Grow();
  List()[FCount] = v;
  return FCount++;
}

int TVectorList::Add(const TAffineVector& Item, float W) { return Add(VectorMake(Item, W)); }

int TVectorList::IndexOf(const TVector& Item) const {
  for (int i = 0; i < FCount; ++i)
    if (VectorEquals(List()[i], Item)) return i;
  return -1;
}

int TVectorList::FindOrAdd(const TVector& Item) {
  int i = IndexOf(Item);
  return i >= 0 ? i : Add(Item);
}

void TVectorList::Lerp(const TBaseList* List1, const TBaseList* List2, float LerpFactor) {
  auto* a = dynamic_cast<const TVectorList*>(List1);
  auto* b = dynamic_cast<const TVectorList*>(List2);
  if (!a || !b) return;
  Assert(a->FCount == b->FCount, "", UnitName, 1669);
  SetCapacity(std::max(FCapacity, a->FCount));
  FCount = a->FCount;
  VectorArrayLerp(a->List(), b->List(), LerpFactor, FCount, List());
}

// ---- TTexPointList, TIntegerList, TSingleList, TByteList ----------------------------------------

IMPLEMENT_CLASSINFO(TTexPointList, TBaseList)
IMPLEMENT_CLASSINFO(TIntegerList, TBaseList)
IMPLEMENT_CLASSINFO(TSingleList, TBaseList)
IMPLEMENT_CLASSINFO(TByteList, TBaseList)

std::unique_ptr<TPersistentObject> TTexPointList::NewInstance() const { return std::make_unique<TTexPointList>(); }
std::unique_ptr<TPersistentObject> TIntegerList::NewInstance() const { return std::make_unique<TIntegerList>(); }
std::unique_ptr<TPersistentObject> TSingleList::NewInstance() const { return std::make_unique<TSingleList>(); }
std::unique_ptr<TPersistentObject> TByteList::NewInstance() const { return std::make_unique<TByteList>(); }

int TIntegerList::Add(int32_t Item) {
  if (FCount == FCapacity) Grow();
  List()[FCount] = Item;
  return FCount++;
}

int TIntegerList::Add(int32_t I1, int32_t I2) {
  const int first = FCount;
  while (first + 2 > FCapacity) Grow();
  FCount = first + 2;
  List()[first] = I1;
  List()[first + 1] = I2;
  return first;
}

int TIntegerList::Add(int32_t I1, int32_t I2, int32_t I3) {
  const int first = FCount;
  while (first + 3 > FCapacity) Grow();
  FCount = first + 3;
  List()[first] = I1;
  List()[first + 1] = I2;
  List()[first + 2] = I3;
  return first;
}

int TSingleList::Add(float Item) {
  if (FCount == FCapacity) Grow();
  List()[FCount] = Item;
  return FCount++;
}

int TByteList::Add(uint8_t Item) {
  if (FCount == FCapacity) Grow();
  List()[FCount] = Item;
  return FCount++;
}

// ---- Sorting ---------------------------------------------------------------------------------------

void QuickSortLists(int StartIndex, int EndIndex, TIntegerList* RefList, TPersistentObjectList* ObjList) {
  if (StartIndex < 0 || EndIndex >= RefList->Count() || EndIndex >= ObjList->Count())
    throw EListError("Invalid list index");
  int32_t* ref = RefList->List();
  auto swap = [&](int a, int b) {
    std::swap(ref[a], ref[b]);
    TObject* o = ObjList->Get(a);
    ObjList->Put(a, ObjList->Get(b));
    ObjList->Put(b, o);
  };
  if (EndIndex - StartIndex > 1) {
    int i;
    do {
      i = StartIndex;
      int j = EndIndex;
      const int32_t p = ref[(i + j) / 2];
      do {
        while (ref[i] < p) ++i;
        while (ref[j] > p) --j;
        if (i <= j) {
          swap(i, j);
          ++i;
          --j;
        }
      } while (i <= j);
      if (StartIndex < j) QuickSortLists(StartIndex, j, RefList, ObjList);
      StartIndex = i;
    } while (i < EndIndex);
  } else if (EndIndex - StartIndex > 0) {
    if (ref[EndIndex] < ref[StartIndex]) swap(StartIndex, EndIndex);
  }
}

// ---- Unit start-up ----------------------------------------------------------------------------------

void VectorLists_Initialize() {
  if (!InitCounter.Enter()) return;
  RegisterClass(TAffineVectorList::StaticClass(), [] { return std::make_unique<TAffineVectorList>(); });
  RegisterClass(TVectorList::StaticClass(), [] { return std::make_unique<TVectorList>(); });
  RegisterClass(TTexPointList::StaticClass(), [] { return std::make_unique<TTexPointList>(); });
  RegisterClass(TSingleList::StaticClass(), [] { return std::make_unique<TSingleList>(); });
}

void VectorLists_Finalize() {
  if (!InitCounter.Leave()) return;
  for (TClass c : {TAffineVectorList::StaticClass(), TVectorList::StaticClass(), TTexPointList::StaticClass(),
                   TSingleList::StaticClass()})
    UnRegisterClass(c);
}
