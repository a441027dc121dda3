#include <gtest/gtest.h>

#include "Assertions.h"
#include "scene3d/Base/XCollection.h"

namespace {
std::vector<std::string> Events;

class TItemA : public TXCollectionItem {
  DECLARE_XCOLLECTIONITEM(TItemA)
public:
  explicit TItemA(TXCollection* AOwner) : TXCollectionItem(AOwner, StaticXClass()) {}
  static std::string FriendlyName() { return "Alpha"; }
  void Loaded() override { Events.push_back("loaded " + Name()); }
  int Extra = 0;
  void WriteToFiler(TVirtualWriter* W) override {
    TXCollectionItem::WriteToFiler(W);
    W->WriteInteger(Extra);
  }
  void ReadFromFiler(TVirtualReader* R) override {
    TXCollectionItem::ReadFromFiler(R);
    Extra = R->ReadInteger();
  }
  void Assign(TPersistent* Source) override {
    if (auto* a = dynamic_cast<TItemA*>(Source)) Extra = a->Extra;
    TXCollectionItem::Assign(Source);
  }
};
IMPLEMENT_CLASSINFO(TItemA, TXCollectionItem)
IMPLEMENT_XCOLLECTIONITEM(TItemA)

class TItemB : public TXCollectionItem {
  DECLARE_XCOLLECTIONITEM(TItemB)
public:
  explicit TItemB(TXCollection* AOwner) : TXCollectionItem(AOwner, StaticXClass()) {}
  static std::string FriendlyName() { return "Beta"; }
  static std::string FriendlyDescription() { return "The unique one"; }
  static bool UniqueItem() { return true; }

protected:
  TItemB(TXCollection* AOwner, const TXCollectionItemClass* C) : TXCollectionItem(AOwner, C) {}
};
IMPLEMENT_CLASSINFO(TItemB, TXCollectionItem)
IMPLEMENT_XCOLLECTIONITEM(TItemB)

class TItemB2 : public TItemB {
  DECLARE_XCOLLECTIONITEM(TItemB2)
public:
  explicit TItemB2(TXCollection* AOwner) : TItemB(AOwner, StaticXClass()) {}
  static std::string FriendlyName() { return "Beta two"; }
  static bool UniqueItem() { return false; }
};
IMPLEMENT_CLASSINFO(TItemB2, TItemB)
IMPLEMENT_XCOLLECTIONITEM(TItemB2)

class TItemNever : public TXCollectionItem {
  DECLARE_XCOLLECTIONITEM(TItemNever)
public:
  explicit TItemNever(TXCollection* AOwner) : TXCollectionItem(AOwner, StaticXClass()) {}
  static std::string FriendlyName() { return "Never"; }
  static bool CanAddTo(TXCollection*) { return false; }
};
IMPLEMENT_CLASSINFO(TItemNever, TXCollectionItem)
IMPLEMENT_XCOLLECTIONITEM(TItemNever)

class TXUnits : public testing::Environment {
public:
  void SetUp() override {
    XCollection_Initialize();
    RegisterXCollectionItemClass(TItemA::StaticXClass());
    RegisterXCollectionItemClass(TItemB::StaticXClass());
  }
  void TearDown() override { XCollection_Finalize(); }
};
const auto* const Env = testing::AddGlobalTestEnvironment(new TXUnits);

template <size_t N>
std::string S(const char (&lit)[N]) { return std::string(lit, N - 1); }

}  // namespace

TEST(XCollection, ItemsJoinTheirOwnerWithTheFriendlyName) {
  TXCollection c(nullptr);
  auto* a = new TItemA(&c);
  auto* b = new TItemB(&c);
  EXPECT_EQ(c.Count(), 2);
  EXPECT_EQ(a->Name(), "Alpha");
  EXPECT_EQ(b->Index(), 1);
  EXPECT_EQ(b->DisplayName(), "Beta[1]");
  EXPECT_EQ(b->XClass()->FriendlyDescription(), "The unique one");
  EXPECT_EQ(a->XClass()->FriendlyDescription(), "Alpha");
  EXPECT_EQ(a->XClass()->ItemCategory(), "");
  EXPECT_EQ(c.GetByClass(TItemB::StaticXClass()), b);
  delete a;   // leaves the owner
  EXPECT_EQ(c.Count(), 1);
  EXPECT_EQ(b->Index(), 0);
  EXPECT_THROW(c.Items(1), EListError);
  TItemA lonely(nullptr);
  EXPECT_EQ(lonely.Index(), -1);
  EXPECT_EQ(lonely.DisplayName(), "Alpha");
}

TEST(XCollection, RefusedAdditionsFailTheAssertion) {
  TXCollection c(nullptr);
  new TItemB(&c);
  std::string m = AssertionOf([&] { new TItemB(&c); });
  EXPECT_NE(m.find("Addition of TItemB to TXCollection rejected."), std::string::npos) << m;
  EXPECT_NE(m.find("scene3d\\Base\\XCollection"), std::string::npos) << m;
  EXPECT_NE(m.find("284"), std::string::npos) << m;
  EXPECT_NE(AssertionOf([&] { new TItemB2(&c); }), "(none)") << "inherits from a unique class that is there";
  EXPECT_NE(AssertionOf([&] { new TItemNever(&c); }), "(none)");
  EXPECT_EQ(c.Count(), 1);
  TXCollection d(nullptr);
  new TItemB2(&d);
  EXPECT_NO_THROW(new TItemB(&d)) << "B2 is not unique itself";
}

TEST(XCollection, StreamsClassNamesOnceAndReadsBack) {
  TXCollection c(nullptr);
  auto* a1 = new TItemA(&c);
  a1->Extra = 300;
  new TItemB(&c);
  auto* a2 = new TItemA(&c);
  a2->SetName("second");
  TMemoryStream s;
  TBinaryWriter w(&s);
  c.WriteToFiler(&w);
  const std::string data(s.Data().begin(), s.Data().end());
  EXPECT_EQ(data.substr(0, 2), std::string("\x02\x03", 2));
  EXPECT_EQ(data.substr(2, 8), std::string("\x06\x06TItemA", 8));
  EXPECT_EQ(data.find("TItemA", 10), std::string::npos) << "second TItemA goes by index";
  EXPECT_NE(data.find(std::string("\x02\x00\x02\x00\x06\x06second", 12)), std::string::npos);

  TXCollection d(nullptr);
  new TItemA(&d);   // cleared by reading
  s.SetPosition(0);
  TBinaryReader r(&s);
  d.ReadFromFiler(&r);
  ASSERT_EQ(d.Count(), 3);
  EXPECT_EQ(d.Items(0)->ClassType(), TItemA::StaticClass());
  EXPECT_EQ(static_cast<TItemA*>(d.Items(0))->Extra, 300);
  EXPECT_EQ(d.Items(1)->ClassType(), TItemB::StaticClass());
  EXPECT_EQ(d.Items(2)->Name(), "second");
  Events.clear();
  d.Loaded();
  EXPECT_EQ(Events, (std::vector<std::string>{"loaded Alpha", "loaded second"}));
}

TEST(XCollection, BadStreamsFailCleanly) {
  auto read = [](const std::string& bytes) {
    TStringStream s(bytes);
    TBinaryReader r(&s);
    TXCollection c(nullptr);
    c.ReadFromFiler(&r);
  };
  std::string m = AssertionOf([&] { read(S("\x02\x01\x06\x05TNope")); });
  EXPECT_NE(m.find("Class TNope unknown. Add the relevant unit to your \"uses\"."), std::string::npos) << m;
  EXPECT_NE(m.find("542"), std::string::npos);
  m = AssertionOf([&] { read(S("\x02\x01\x06\x06TItemA\x02\x01\x06\x00")); });
  EXPECT_NE(m.find("340"), std::string::npos) << m;
  EXPECT_THROW(read(S("\x02\x01\x02\x00")), EReadError);     // index with an empty table
  EXPECT_THROW(read(S("\x02\xFF")), EReadError);             // negative count
  EXPECT_THROW(read(S("\x04\xFF\xFF\xFF\x7F")), EReadError); // count beyond the data
  EXPECT_THROW(read(S("\x02\x01\x06\x06TItemA\x02\x00")), EReadError);
}

TEST(XCollection, AssignNamePathAndOwner) {
  TComponent owner(nullptr);
  owner.Name = "Cube1";
  TXCollection c(&owner);
  EXPECT_EQ(c.GetNamePath(), "Cube1.XCollection");
  EXPECT_EQ(TXCollection(nullptr).GetNamePath(), "TXCollection");
  auto* a = new TItemA(&c);
  a->Extra = 9;
  a->SetName("mine");
  TXCollection d(nullptr);
  new TItemB(&d);
  d.Assign(&c);
  ASSERT_EQ(d.Count(), 1);
  EXPECT_EQ(d.Items(0)->Name(), "mine");
  EXPECT_EQ(static_cast<TItemA*>(d.Items(0))->Extra, 9);
  EXPECT_EQ(d.Items(0)->Owner(), &d);
  d.Assign(nullptr);
  EXPECT_EQ(d.Count(), 0);
  EXPECT_THROW(d.Assign(&owner), EConvertError);
  EXPECT_EQ(FindXCollectionItemClass("TItemA"), TItemA::StaticXClass());
  EXPECT_EQ(FindXCollectionItemClass("titema"), nullptr) << "exact class-name match";
}
