// Extensible collections: items of several registered classes, owned by a
// collection that streams them by class name (behaviours and effects of
// scene objects).
#pragma once
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "scene3d/Base/PersistentClasses.h"

class TXCollection;
class TXCollectionItem;

// The class operations of an item class, answered without an instance.
class TXCollectionItemClass {
public:
  explicit TXCollectionItemClass(TClass AClass) : Class(AClass) {}
  virtual ~TXCollectionItemClass() = default;
  const TClass Class;
  std::string ClassName() const { return Class->Name; }
  bool InheritsFrom(const TXCollectionItemClass* Other) const { return Class->InheritsFrom(Other->Class); }
  // A new item owned by AOwner (the constructor with an owner).
  virtual TXCollectionItem* Create(TXCollection* AOwner) const = 0;
  virtual std::string FriendlyName() const = 0;
  virtual std::string FriendlyDescription() const = 0;
  virtual std::string ItemCategory() const = 0;
  virtual bool UniqueItem() const = 0;
  virtual bool CanAddTo(TXCollection* Collection) const = 0;
};

// The class reference of item class T: T provides static FriendlyName() and
// may provide FriendlyDescription, ItemCategory, UniqueItem and CanAddTo.
template <typename T>
class TXItemClassOf final : public TXCollectionItemClass {
public:
  TXItemClassOf() : TXCollectionItemClass(T::StaticClass()) {}
  TXCollectionItem* Create(TXCollection* AOwner) const override { return new T(AOwner); }
  std::string FriendlyName() const override { return T::FriendlyName(); }
  std::string FriendlyDescription() const override {
    if constexpr (requires { T::FriendlyDescription(); }) return T::FriendlyDescription();
    else return T::FriendlyName();
  }
  std::string ItemCategory() const override {
    if constexpr (requires { T::ItemCategory(); }) return T::ItemCategory();
    else return {};
  }
  bool UniqueItem() const override {
    if constexpr (requires { T::UniqueItem(); }) return T::UniqueItem();
    else return false;
  }
  bool CanAddTo(TXCollection* C) const override {
    if constexpr (requires { T::CanAddTo(C); }) return T::CanAddTo(C);
    else return true;
  }
};

// In an item class body: DECLARE_XCOLLECTIONITEM(TFoo); in its .cpp:
// IMPLEMENT_CLASSINFO(TFoo, TParent) and IMPLEMENT_XCOLLECTIONITEM(TFoo).
#define DECLARE_XCOLLECTIONITEM(T)                    \
  DECLARE_CLASSINFO(T)                                \
 public:                                              \
  static const TXCollectionItemClass* StaticXClass(); \
  const TXCollectionItemClass* XClass() const override;
#define IMPLEMENT_XCOLLECTIONITEM(T)                       \
  const TXCollectionItemClass* T::StaticXClass() {         \
    static const TXItemClassOf<T> Info;                    \
    return &Info;                                          \
  }                                                        \
  const TXCollectionItemClass* T::XClass() const { return StaticXClass(); }

class TXCollectionItem : public TPersistent {
  DECLARE_CLASSINFO(TXCollectionItem)
public:
  ~TXCollectionItem() override;   // leaves its owner
  virtual const TXCollectionItemClass* XClass() const = 0;
  // Copies the name from another item.
  void Assign(TPersistent* Source) override;
  const std::string& Name() const { return FName; }
  virtual void SetName(const std::string& Value) { FName = Value; }
  virtual void WriteToFiler(TVirtualWriter* Writer);
  virtual void ReadFromFiler(TVirtualReader* Reader);
  virtual void Loaded() {}
  TXCollection* Owner() const { return FOwner; }
  int Index() const;   // -1 without owner
  std::string DisplayName() const;
  std::string GetNamePath() const override;

protected:
  // Joins AOwner (when given) if its CanAdd accepts AClass, else fails an
  // assertion; the name becomes the class's friendly name.
  TXCollectionItem(TXCollection* AOwner, const TXCollectionItemClass* AClass);

private:
  friend class TXCollection;
  TXCollection* FOwner = nullptr;
  std::string FName;
};

class TXCollection : public TPersistent {
  DECLARE_CLASSINFO(TXCollection)
public:
  explicit TXCollection(TPersistent* AOwner);
  ~TXCollection() override;   // frees every item
  TXCollection(const TXCollection&) = delete;

  // Another collection of the same class: cleared, then a copy of each of
  // its items; null: cleared.
  void Assign(TPersistent* Source) override;
  virtual TClass ItemsClass() const { return TXCollectionItem::StaticClass(); }
  virtual bool CanAdd(const TXCollectionItemClass* AClass) const;
  TXCollectionItem* Items(int Index) const;   // EListError when out of range
  int Count() const { return static_cast<int>(FList.size()); }
  int IndexOf(const TXCollectionItem* Item) const;
  TXCollectionItem* GetByClass(const TXCollectionItemClass* AClass) const;
  void Clear();
  void Loaded();   // each item's Loaded, first to last
  TPersistent* Owner() const { return FOwner; }
  std::string GetNamePath() const override;

  // The collection's data, written with the class library's value tags:
  // count, then for each item its class (name the first time, else its
  // index in this stream's class table) and its own data.
  void WriteToFiler(TVirtualWriter* Writer);
  void ReadFromFiler(TVirtualReader* Reader);

private:
  friend class TXCollectionItem;
  TPersistent* FOwner;
  std::vector<TXCollectionItem*> FList;   // owned
};

// Item classes that collections can read back by class name.
void RegisterXCollectionItemClass(const TXCollectionItemClass* AClass);
void UnregisterXCollectionItemClass(const TXCollectionItemClass* AClass);
const TXCollectionItemClass* FindXCollectionItemClass(const std::string& ClassName);   // exact match

void XCollection_Initialize();
void XCollection_Finalize();
