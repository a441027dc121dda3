#include "scene3d/Base/XCollection.h"

#include <algorithm>
#include <memory>

#include "classlib/UnitInit.h"

namespace {
const char* const UnitName = "scene3d\\Base\\XCollection";
TUnitCounter InitCounter;
std::unique_ptr<std::vector<const TXCollectionItemClass*>> ItemClasses;   // made on first registration
}  // namespace

// ---- Registered item classes -------------------------------------------------------

void RegisterXCollectionItemClass(const TXCollectionItemClass* AClass) {
  if (!ItemClasses) ItemClasses = std::make_unique<std::vector<const TXCollectionItemClass*>>();
  if (std::find(ItemClasses->begin(), ItemClasses->end(), AClass) == ItemClasses->end())
    ItemClasses->push_back(AClass);
}

void UnregisterXCollectionItemClass(const TXCollectionItemClass* AClass) {
  if (ItemClasses) std::erase(*ItemClasses, AClass);
}

const TXCollectionItemClass* FindXCollectionItemClass(const std::string& ClassName) {
  if (ItemClasses)
    for (const TXCollectionItemClass* c : *ItemClasses)
      if (c->ClassName() == ClassName) return c;
  return nullptr;
}

void XCollection_Initialize() { InitCounter.Enter(); }

void XCollection_Finalize() {
  if (InitCounter.Leave()) ItemClasses.reset();
}

// ---- TXCollectionItem ------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TXCollectionItem, TPersistent)

TXCollectionItem::TXCollectionItem(TXCollection* AOwner, const TXCollectionItemClass* AClass) {
  if (!AOwner) return;
  Assert(AOwner->CanAdd(AClass),
         "Addition of " + AClass->ClassName() + " to " + AOwner->ClassName() + " rejected.", UnitName, 284);
  FOwner = AOwner;
  AOwner->FList.push_back(this);
  FName = AClass->FriendlyName();
}

TXCollectionItem::~TXCollectionItem() {
  if (FOwner) std::erase(FOwner->FList, this);
}

void TXCollectionItem::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TXCollectionItem*>(Source)) {
    SetName(src->FName);
    return;
  }
  TPersistent::Assign(Source);
}

void TXCollectionItem::WriteToFiler(TVirtualWriter* Writer) {
  Writer->WriteInteger(0);   // archive version
  Writer->WriteString(FName);
}

void TXCollectionItem::ReadFromFiler(TVirtualReader* Reader) {
  Assert(Reader->ReadInteger() == 0, "", UnitName, 340);
  SetName(Reader->ReadString());
}

int TXCollectionItem::Index() const { return FOwner ? FOwner->IndexOf(this) : -1; }

std::string TXCollectionItem::DisplayName() const {
  const std::string friendly = XClass()->FriendlyName();
  return FOwner ? Format("%s[%d]", friendly.c_str(), Index()) : friendly;
}

std::string TXCollectionItem::GetNamePath() const {
  return FOwner ? FOwner->GetNamePath() + "[" + IntToStr(Index()) + "]" : ClassName();
}

// ---- TXCollection ------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TXCollection, TPersistent)

TXCollection::TXCollection(TPersistent* AOwner) : FOwner(AOwner) {}

TXCollection::~TXCollection() { Clear(); }

void TXCollection::Assign(TPersistent* Source) {
  if (!Source) {
    Clear();
    return;
  }
  if (Source->ClassType() == ClassType()) {
    auto* src = static_cast<TXCollection*>(Source);
    if (src == this) return;
    Clear();
    for (TXCollectionItem* item : src->FList) item->XClass()->Create(this)->Assign(item);
    return;
  }
  TPersistent::Assign(Source);
}

bool TXCollection::CanAdd(const TXCollectionItemClass* AClass) const {
  if (!AClass->CanAddTo(const_cast<TXCollection*>(this))) return false;
  for (TXCollectionItem* item : FList) {
    const TXCollectionItemClass* have = item->XClass();
    if (AClass->UniqueItem() && have == AClass) return false;
    if (have->UniqueItem() && AClass->InheritsFrom(have)) return false;
  }
  return true;
}

TXCollectionItem* TXCollection::Items(int Index) const {
  if (Index < 0 || Index >= Count()) throw EListError(Format("List index out of bounds (%d)", Index));
  return FList[static_cast<size_t>(Index)];
}

int TXCollection::IndexOf(const TXCollectionItem* Item) const {
  auto it = std::find(FList.begin(), FList.end(), Item);
  return it == FList.end() ? -1 : static_cast<int>(it - FList.begin());
}

TXCollectionItem* TXCollection::GetByClass(const TXCollectionItemClass* AClass) const {
  for (TXCollectionItem* item : FList)
    if (item->XClass()->InheritsFrom(AClass)) return item;
  return nullptr;
}

void TXCollection::Clear() {
  while (!FList.empty()) {
    std::unique_ptr<TXCollectionItem> item(FList.back());
    FList.pop_back();
    item->FOwner = nullptr;
  }
}

void TXCollection::Loaded() {
  for (size_t i = 0; i < FList.size(); ++i) FList[i]->Loaded();
}

std::string TXCollection::GetNamePath() const {
  if (!FOwner) return ClassName();
  return FOwner->GetNamePath() + ".XCollection";
}

void TXCollection::WriteToFiler(TVirtualWriter* Writer) {
  std::vector<const TXCollectionItemClass*> classes;
  Writer->WriteInteger(Count());
  for (TXCollectionItem* item : FList) {
    const TXCollectionItemClass* c = item->XClass();
    auto it = std::find(classes.begin(), classes.end(), c);
    if (it == classes.end()) {
      classes.push_back(c);
      Writer->WriteString(c->ClassName());
    } else {
      Writer->WriteInteger(static_cast<int32_t>(it - classes.begin()));
    }
    item->WriteToFiler(Writer);
  }
}

void TXCollection::ReadFromFiler(TVirtualReader* Reader) {
  Clear();
  const int32_t n = Reader->ReadInteger();
  if (n < 0) throw EReadError("Stream read error");
  std::vector<const TXCollectionItemClass*> classes;
  for (int32_t i = 0; i < n; ++i) {
    const TXCollectionItemClass* c = nullptr;
    switch (Reader->NextValue()) {
      case TValueType::vaInt8:
      case TValueType::vaInt16:
      case TValueType::vaInt32: {
        const int32_t k = Reader->ReadInteger();
        if (k < 0 || static_cast<size_t>(k) >= classes.size()) throw EReadError("Stream read error");
        c = classes[static_cast<size_t>(k)];
        break;
      }
      default: {
        const std::string name = Reader->ReadString();
        c = FindXCollectionItemClass(name);
        Assert(c != nullptr, "Class " + name + " unknown. Add the relevant unit to your \"uses\".", UnitName, 542);
        classes.push_back(c);
        break;
      }
    }
    c->Create(this)->ReadFromFiler(Reader);
  }
}
