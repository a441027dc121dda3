// Growable, contiguous lists of fixed-size items (vectors, texture points,
// integers, singles, bytes) that stream through the persistence framework.
// Items live in one block that can go straight to OpenGL; growth is linear
// by GrowthDelta items. Get and Put do not check the index.
#pragma once
#include <memory>

#include "classlib/Sets.h"
#include "scene3d/Base/PersistentClasses.h"
#include "scene3d/Base/VectorGeometry.h"

enum class TBaseListOption { bloExternalMemory, bloSetCountResetsMemory };
using TBaseListOptions = TSet<TBaseListOption>;

class TBaseList : public TPersistentObject {
  DECLARE_CLASSINFO(TBaseList)
public:
  ~TBaseList() override;

  int Count() const { return FCount; }
  void SetCount(int Value);          // Value < 0 fails an assertion
  int Capacity() const { return FCapacity; }
  virtual void SetCapacity(int Value);
  int ItemSize() const { return FItemSize; }
  void Flush();                      // count 0, storage kept
  void Clear();                      // count and capacity 0
  // From a list of this class (or one with the same items): the source's
  // count, growth delta and items; null clears. Other sources raise
  // EConvertError and leave the list as it was.
  void Assign(TPersistent* Source) override;
  uint8_t* ItemAddress(int Index) { return FBaseList + static_cast<size_t>(Index) * FItemSize; }
  const uint8_t* ItemAddress(int Index) const { return FBaseList + static_cast<size_t>(Index) * FItemSize; }

  // Archive version 0, count, item size, then the raw items.
  void WriteToFiler(TVirtualWriter* Writer) override;
  void ReadFromFiler(TVirtualReader* Reader) override;

  int GrowthDelta = 16;
  TBaseListOptions Options{TBaseListOption::bloSetCountResetsMemory};

protected:
  explicit TBaseList(int AItemSize) : FItemSize(AItemSize) {}
  void Grow();   // capacity + growth delta
  int FCount = 0;
  int FCapacity = 0;
  uint8_t* FBaseList = nullptr;   // FStorage's block

private:
  const int FItemSize;
  std::unique_ptr<uint8_t[]> FStorage;
};

// Whole-list vector operations over the first three floats of each item.
class TBaseVectorList : public TBaseList {
  DECLARE_CLASSINFO(TBaseVectorList)
public:
  void GetExtents(TAffineVector& Min, TAffineVector& Max) const;
  TAffineVector Sum() const;
  virtual void Normalize();
  float MaxSpacing(const TBaseVectorList* List2) const;
  void Translate(const TAffineVector& Delta);
  void Translate(const TBaseVectorList* VectorList);
  void TranslateInv(const TBaseVectorList* VectorList);   // anti-translate
  void AddScaledList(const TBaseVectorList* VectorList, float Factor);

protected:
  using TBaseList::TBaseList;
  float* F(int Index) { return reinterpret_cast<float*>(ItemAddress(Index)); }
  const float* F(int Index) const { return reinterpret_cast<const float*>(ItemAddress(Index)); }
};

class TAffineVectorList : public TBaseVectorList {
  DECLARE_CLASSINFO(TAffineVectorList)
public:
  TAffineVectorList() : TBaseVectorList(sizeof(TAffineVector)) {}
  int Add(const TAffineVector& Item);
  int Add(float X, float Y, float Z) { return Add(AffineVectorMake(X, Y, Z)); }
  const TAffineVector& Get(int Index) const { return List()[Index]; }
  void Put(int Index, const TAffineVector& Item) { List()[Index] = Item; }
  const TAffineVector& operator[](int Index) const { return List()[Index]; }
  TAffineVector* List() { return reinterpret_cast<TAffineVector*>(FBaseList); }
  const TAffineVector* List() const { return reinterpret_cast<const TAffineVector*>(FBaseList); }
  int IndexOf(const TAffineVector& Item) const;   // bit-equal; -1 when absent
  int FindOrAdd(const TAffineVector& Item);
  void Translate(const TAffineVector& Delta);
  using TBaseVectorList::Translate;
  void Normalize() override;
  // Both lists must be TAffineVectorList (else nothing happens) of equal count.
  void Lerp(const TBaseList* List1, const TBaseList* List2, float LerpFactor);

protected:
  std::unique_ptr<TPersistentObject> NewInstance() const override;
};

class TVectorList : public TBaseVectorList {
  DECLARE_CLASSINFO(TVectorList)
public:
  TVectorList() : TBaseVectorList(sizeof(TVector)) {}
  int Add(const TVector& Item);
  int Add(const TAffineVector& Item, float W);
  int AddXYZW(float X, float Y, float Z, float W) { return Add(MakeVector(X, Y, Z, W)); }
  int AddPoint(const TAffineVector& Item) { return Add(Item, 1.0f); }
  int AddPoint(float X, float Y, float Z) { return Add(PointMake(X, Y, Z)); }
  const TVector& Get(int Index) const { return List()[Index]; }
  void Put(int Index, const TVector& Item) { List()[Index] = Item; }
  const TVector& operator[](int Index) const { return List()[Index]; }
  TVector* List() { return reinterpret_cast<TVector*>(FBaseList); }
  const TVector* List() const { return reinterpret_cast<const TVector*>(FBaseList); }
  int IndexOf(const TVector& Item) const;   // bit-equal x, y, z, w; -1 when absent
  int FindOrAdd(const TVector& Item);
  void Lerp(const TBaseList* List1, const TBaseList* List2, float LerpFactor);

protected:
  std::unique_ptr<TPersistentObject> NewInstance() const override;
};

class TTexPointList : public TBaseList {
  DECLARE_CLASSINFO(TTexPointList)
public:
  TTexPointList() : TBaseList(sizeof(TTexPoint)) {}
  TTexPoint* List() { return reinterpret_cast<TTexPoint*>(FBaseList); }
  const TTexPoint* List() const { return reinterpret_cast<const TTexPoint*>(FBaseList); }

protected:
  std::unique_ptr<TPersistentObject> NewInstance() const override;
};

class TIntegerList : public TBaseList {
  DECLARE_CLASSINFO(TIntegerList)
public:
  TIntegerList() : TBaseList(sizeof(int32_t)) {}
  int Add(int32_t Item);
  int Add(int32_t I1, int32_t I2);            // index of the first
  int Add(int32_t I1, int32_t I2, int32_t I3);
  int32_t Get(int Index) const { return List()[Index]; }
  void Put(int Index, int32_t Item) { List()[Index] = Item; }
  int32_t operator[](int Index) const { return List()[Index]; }
  int32_t* List() { return reinterpret_cast<int32_t*>(FBaseList); }
  const int32_t* List() const { return reinterpret_cast<const int32_t*>(FBaseList); }

protected:
  std::unique_ptr<TPersistentObject> NewInstance() const override;
};

class TSingleList : public TBaseList {
  DECLARE_CLASSINFO(TSingleList)
public:
  TSingleList() : TBaseList(sizeof(float)) {}
  int Add(float Item);
  float Get(int Index) const { return List()[Index]; }
  void Put(int Index, float Item) { List()[Index] = Item; }
  float operator[](int Index) const { return List()[Index]; }
  float* List() { return reinterpret_cast<float*>(FBaseList); }
  const float* List() const { return reinterpret_cast<const float*>(FBaseList); }

protected:
  std::unique_ptr<TPersistentObject> NewInstance() const override;
};

class TByteList : public TBaseList {
  DECLARE_CLASSINFO(TByteList)
public:
  TByteList() : TBaseList(1) {}
  int Add(uint8_t Item);
  uint8_t Get(int Index) const { return FBaseList[Index]; }
  void Put(int Index, uint8_t Item) { FBaseList[Index] = Item; }
  uint8_t operator[](int Index) const { return FBaseList[Index]; }
  uint8_t* List() { return FBaseList; }
  const uint8_t* List() const { return FBaseList; }

protected:
  std::unique_ptr<TPersistentObject> NewInstance() const override;
};

// Sorts the items StartIndex..EndIndex of RefList by value and moves the
// items of ObjList in step.
void QuickSortLists(int StartIndex, int EndIndex, TIntegerList* RefList, TPersistentObjectList* ObjList);

void VectorLists_Initialize();
void VectorLists_Finalize();
