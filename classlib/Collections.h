// Collections of the class library: a collection owns items of one class;
// every change to the items runs the collection's Update hook unless an
// update is in progress (BeginUpdate/EndUpdate), and EndUpdate runs it once.
#pragma once
#include <vector>

#include "classlib/Classes.h"

class TCollection;

class TCollectionItem : public TPersistent {
  DECLARE_CLASSINFO(TCollectionItem)
public:
  // Joins ACollection (when given), which then owns and frees the item.
  explicit TCollectionItem(TCollection* ACollection);
  ~TCollectionItem() override;   // leaves its collection
  TCollection* Collection() const { return FCollection; }
  void SetCollection(TCollection* Value);
  int Index() const;             // -1 without collection
  void SetIndex(int Value);
  int ID() const { return FID; }
  virtual std::string DisplayName() const { return ClassName(); }
  std::string GetNamePath() const override;

protected:
  void Changed(bool AllItems);   // tells the collection: this item, or all of them

private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

// A class reference for the items a collection creates.
struct TCollectionItemClass {
  TClass Class;
  TCollectionItem* (*Create)(TCollection* Collection);
};
template <typename T>
TCollectionItemClass CollectionItemClassOf() {
  return {T::StaticClass(), [](TCollection* C) -> TCollectionItem* { return new T(C); }};
}

class TCollection : public TPersistent {
  DECLARE_CLASSINFO(TCollection)
public:
  explicit TCollection(TCollectionItemClass AItemClass);
  ~TCollection() override;   // frees every item
  TCollection(const TCollection&) = delete;

  TCollectionItem* Add();
  TCollectionItem* Insert(int Index);
  void Delete(int Index);    // frees the item
  void Clear();
  int Count() const { return static_cast<int>(FItems.size()); }
  TCollectionItem* Items(int Index) const;   // EListError when out of range
  TCollectionItem* FindItemID(int ID) const;
  TClass ItemClass() const { return FItemClass.Class; }
  // Same-class source items are recreated here and assigned one by one.
  void Assign(TPersistent* Source) override;
  virtual void BeginUpdate() { ++FUpdateCount; }
  virtual void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }
  virtual TPersistent* GetOwner() const { return nullptr; }
  std::string GetNamePath() const override;

protected:
  // Item is the changed item, or null when the whole collection changed.
  virtual void Update(TCollectionItem* Item) { (void)Item; }
  void Changed();

private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* Item);
  void RemoveItem(TCollectionItem* Item);
  TCollectionItemClass FItemClass;
  std::vector<TCollectionItem*> FItems;   // owned
  int FUpdateCount = 0;
  int FNextID = 0;
};

// A collection that names its owner (for name paths and change routing).
class TOwnedCollection : public TCollection {
  DECLARE_CLASSINFO(TOwnedCollection)
public:
  TOwnedCollection(TPersistent* AOwner, TCollectionItemClass AItemClass)
      : TCollection(AItemClass), FOwner(AOwner) {}
  TPersistent* GetOwner() const override { return FOwner; }

private:
  TPersistent* FOwner;
};
