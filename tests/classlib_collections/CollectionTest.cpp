#include <gtest/gtest.h>

#include "classlib/Collections.h"

namespace {
class TPoint : public TCollectionItem {
  DECLARE_CLASSINFO(TPoint)
public:
  using TCollectionItem::TCollectionItem;
  int Value() const { return FValue; }
  void SetValue(int v) {
    FValue = v;
    Changed(false);
  }
  void Assign(TPersistent* Source) override {
    if (auto* p = dynamic_cast<TPoint*>(Source)) SetValue(p->FValue);
    else TCollectionItem::Assign(Source);
  }

private:
  int FValue = 0;
};
IMPLEMENT_CLASSINFO(TPoint, TCollectionItem)

class TWatched : public TOwnedCollection {
public:
  using TOwnedCollection::TOwnedCollection;
  std::vector<TCollectionItem*> Updates;

protected:
  void Update(TCollectionItem* Item) override { Updates.push_back(Item); }
};
}  // namespace

TEST(Collection, AddDeleteAndUpdateHook) {
  TWatched c(nullptr, CollectionItemClassOf<TPoint>());
  auto* p = static_cast<TPoint*>(c.Add());
  EXPECT_EQ(c.Count(), 1);
  EXPECT_EQ(p->Collection(), &c);
  EXPECT_EQ(c.Updates, std::vector<TCollectionItem*>{nullptr});
  p->SetValue(3);
  EXPECT_EQ(c.Updates.back(), p) << "one item changed";
  auto* q = static_cast<TPoint*>(c.Insert(0));
  EXPECT_EQ(q->Index(), 0);
  EXPECT_EQ(p->Index(), 1);
  EXPECT_EQ(c.FindItemID(p->ID()), p);
  c.Updates.clear();
  c.BeginUpdate();
  p->SetValue(4);
  c.Delete(0);
  EXPECT_TRUE(c.Updates.empty());
  c.EndUpdate();
  EXPECT_EQ(c.Updates, std::vector<TCollectionItem*>{nullptr}) << "once at the end";
  EXPECT_EQ(c.Count(), 1);
  delete p;   // leaves the collection
  EXPECT_EQ(c.Count(), 0);
  EXPECT_THROW(c.Items(0), EListError);
}

TEST(Collection, AssignOwnerAndNamePath) {
  TComponent owner(nullptr);
  owner.Name = "Line1";
  TWatched a(&owner, CollectionItemClassOf<TPoint>());
  static_cast<TPoint*>(a.Add())->SetValue(7);
  static_cast<TPoint*>(a.Add())->SetValue(8);
  EXPECT_EQ(a.GetOwner(), &owner);
  EXPECT_EQ(a.GetNamePath(), "Line1.TOwnedCollection");
  EXPECT_EQ(a.Items(1)->GetNamePath(), "Line1.TOwnedCollection[1]");
  TCollection b(CollectionItemClassOf<TPoint>());
  b.Add();
  b.Assign(&a);
  ASSERT_EQ(b.Count(), 2);
  EXPECT_EQ(static_cast<TPoint*>(b.Items(1))->Value(), 8);
  EXPECT_THROW(b.Assign(&owner), EConvertError);
  b.Clear();
  EXPECT_EQ(b.Count(), 0);
}
