#include <gtest/gtest.h>

#include <vector>

#include "classlib/Classes.h"
#include "classlib/UnitInit.h"

namespace {
std::vector<std::string> Log;

class TProbe : public TComponent {
public:
  using TComponent::TComponent;
  ~TProbe() override { Log.push_back("free " + Name); }
  std::vector<TComponent*> Removed;

protected:
  void Notification(TComponent* C, TOperation Op) override {
    TComponent::Notification(C, Op);
    if (Op == TOperation::opRemove) Removed.push_back(C);
  }
};
}  // namespace

TEST(Component, OwnerFreesWhatItOwnsLastFirst) {
  Log.clear();
  {
    auto owner = std::make_unique<TProbe>(nullptr);
    owner->Name = "owner";
    auto* a = new TProbe(owner.get());
    a->Name = "a";
    auto* b = new TProbe(owner.get());
    b->Name = "b";
    EXPECT_EQ(owner->ComponentCount(), 2);
    EXPECT_EQ(owner->FindComponent("B"), b);
    EXPECT_EQ(a->Owner(), owner.get());
  }
  EXPECT_EQ(Log, (std::vector<std::string>{"free owner", "free b", "free a"}));
}

TEST(Component, FreeingAChildRemovesItAndNotifies) {
  TProbe owner(nullptr);
  auto* a = new TProbe(&owner);
  TProbe watcher(nullptr);
  a->FreeNotification(&watcher);
  delete a;
  EXPECT_EQ(owner.ComponentCount(), 0);
  ASSERT_EQ(owner.Removed.size(), 1u);
  ASSERT_EQ(watcher.Removed.size(), 1u);
  EXPECT_EQ(watcher.Removed[0], a);
}

TEST(ObjectModel, ClassNamesAndRegistry) {
  TStringList l;
  EXPECT_EQ(l.ClassName(), "TStringList");
  EXPECT_TRUE(l.InheritsFrom(TStrings::StaticClass()));
  EXPECT_TRUE(l.InheritsFrom(TPersistent::StaticClass()));
  EXPECT_FALSE(l.InheritsFrom(TComponent::StaticClass()));
  RegisterClass(TStringList::StaticClass(), [] { return std::make_unique<TStringList>(); });
  EXPECT_EQ(FindClass("tstringlist"), TStringList::StaticClass());
  auto o = CreateObjectOfClass(FindClass("TStringList"));
  ASSERT_TRUE(o);
  EXPECT_EQ(o->ClassName(), "TStringList");
  UnRegisterClass(TStringList::StaticClass());
  EXPECT_EQ(FindClass("TStringList"), nullptr);
}

TEST(ObjectModel, AssignBetweenUnrelatedClassesRaises) {
  TStringList l;
  TComponent c(nullptr);
  try {
    l.Assign(&c);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "Cannot assign a TComponent to a TStringList");
  }
  TStringList m;
  m.Add("x");
  l.Assign(&m);
  EXPECT_EQ(l.Text(), "x\r\n");
}

TEST(UnitInit, RunsOnce) {
  TUnitCounter c;
  EXPECT_TRUE(c.Enter());
  EXPECT_FALSE(c.Enter());
  EXPECT_FALSE(c.Leave());
  EXPECT_TRUE(c.Leave());
  EXPECT_FALSE(c.Leave());
}
