#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <functional>

#include "Assertions.h"
#include "scene3d/Base/VectorLists.h"

namespace {
class TListUnits : public testing::Environment {
public:
  void SetUp() override {
    PersistentClasses_Initialize();
    VectorLists_Initialize();
  }
  void TearDown() override {
    VectorLists_Finalize();
    PersistentClasses_Finalize();
  }
};
const auto* const Env = testing::AddGlobalTestEnvironment(new TListUnits);

bool FailsAt(const std::function<void()>& f, int Line) {
  std::string m = AssertionOf(f);
  return m.find("scene3d\\Base\\VectorLists") != std::string::npos &&
         m.find("line " + std::to_string(Line)) != std::string::npos;
}
std::string Hex(const std::string& s) {
  std::string r;
  for (unsigned char c : s) r += Format("%02X ", c);
  return r;
}
}  // namespace

TEST(VectorLists, GrowthCountAndStorage) {
  TAffineVectorList l;
  EXPECT_EQ(l.Capacity(), 0);
  for (int i = 0; i < 16; ++i) l.Add(float(i), 0, 0);
  EXPECT_EQ(l.Capacity(), 16);
  EXPECT_EQ(l.Add(AffineVectorMake(16, 0, 0)), 16);
  EXPECT_EQ(l.Capacity(), 32);
  EXPECT_EQ(l.ItemAddress(1) - l.ItemAddress(0), 12);
  EXPECT_EQ(reinterpret_cast<uint8_t*>(l.List()), l.ItemAddress(0));
  l.Flush();
  EXPECT_EQ(l.Count(), 0);
  EXPECT_EQ(l.Capacity(), 32);
  l.Clear();
  EXPECT_EQ(l.Capacity(), 0);

  TVectorList v;
  v.Add(TVector{9, 9, 9, 9});
  v.Flush();
  v.SetCount(5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(v[i], NullHmgVector) << i;
  EXPECT_TRUE(FailsAt([&] { v.SetCount(-1); }, 713));
  EXPECT_EQ(v.Count(), 5);
  v.Options.Exclude(TBaseListOption::bloSetCountResetsMemory);
  v.Put(0, XYZWHmgVector);
  v.SetCount(0);
  v.SetCount(1);
  EXPECT_EQ(v[0], XYZWHmgVector) << "not reset without the option";
}

TEST(VectorLists, TypedAddsAndSearches) {
  TVectorList v;
  EXPECT_EQ(v.AddPoint(AffineVectorMake(1, 2, 3)), 0);
  v.AddPoint(4, 5, 6);
  v.Add(XVector, 0.5f);
  v.AddXYZW(1, 1, 1, 1);
  EXPECT_EQ(v[0], (TVector{1, 2, 3, 1}));
  EXPECT_EQ(v[1], (TVector{4, 5, 6, 1}));
  EXPECT_EQ(v[2], (TVector{1, 0, 0, 0.5f}));
  EXPECT_EQ(v.FindOrAdd(TVector{4, 5, 6, 1}), 1);
  EXPECT_EQ(v.FindOrAdd(TVector{4, 5, 6, 0}), 4);

  TAffineVectorList a;
  a.Add(AffineVectorMake(0, 0, 0));
  EXPECT_EQ(a.IndexOf(AffineVectorMake(-0.0f, 0, 0)), -1) << "bitwise comparison";
  EXPECT_EQ(a.FindOrAdd(AffineVectorMake(-0.0f, 0, 0)), 1);
  for (int i = 0; i < 40; ++i) a.Add(a[0]);   // adding an item of the list itself while it grows
  EXPECT_EQ(a[40], NullVector);

  TIntegerList ints;
  for (int i = 0; i < 15; ++i) ints.Add(i);
  EXPECT_EQ(ints.Add(100, 101, 102), 15);
  EXPECT_EQ(ints.Count(), 18);
  EXPECT_EQ(ints.Capacity(), 32);
  EXPECT_EQ(ints[17], 102);
  EXPECT_EQ(ints.Add(7, 8), 18);
  ints.GrowthDelta = 0;   // still makes room
  for (int i = 0; i < 20; ++i) ints.Add(i);
  EXPECT_EQ(ints.Count(), 40);

  TSingleList s;
  s.Add(1.5f);
  s.Put(0, 2.5f);
  EXPECT_EQ(s.Get(0), 2.5f);
  TByteList b;
  for (int i = 0; i < 300; ++i) b.Add(uint8_t(i));
  EXPECT_EQ(b[299], uint8_t(299 & 255));
}

TEST(VectorLists, WholeListVectorOperations) {
  TAffineVectorList a;
  a.Add(1, -2, 3);
  a.Add(-4, 5, 0);
  TAffineVector mn, mx;
  a.GetExtents(mn, mx);
  EXPECT_EQ(mn, AffineVectorMake(-4, -2, 0));
  EXPECT_EQ(mx, AffineVectorMake(1, 5, 3));
  TAffineVectorList empty;
  empty.GetExtents(mn, mx);
  EXPECT_TRUE(std::isinf(mn[0]) && mn[0] > 0);
  EXPECT_EQ(a.Sum(), AffineVectorMake(-3, 3, 3));
  TVectorList v;
  v.AddXYZW(1, 1, 1, 7);
  v.AddXYZW(2, 2, 2, 7);
  v.Translate(AffineVectorMake(1, 0, 0));
  EXPECT_EQ(v[1], (TVector{3, 2, 2, 7})) << "w untouched";
  TAffineVectorList b;
  b.Add(1, -2, 4);
  b.Add(-4, 5, 2);
  EXPECT_EQ(a.MaxSpacing(&b), 2.0f);
  a.Translate(&b);
  EXPECT_EQ(a[1], AffineVectorMake(-8, 10, 2));
  a.TranslateInv(&b);
  EXPECT_EQ(a[1], AffineVectorMake(-4, 5, 0));
  a.AddScaledList(&b, 0.5f);
  EXPECT_EQ(a[0], AffineVectorMake(1.5f, -3, 5));
  a.Translate(AffineVectorMake(0, 0, 1));
  EXPECT_EQ(a[0], AffineVectorMake(1.5f, -3, 6));
  v.Normalize();
  EXPECT_NEAR(VectorLength(v[0]), 1.0f, 1e-6f);
  EXPECT_EQ(v[0][3], 7.0f);
  b.Add(0, 0, 3);
  b.Normalize();
  EXPECT_EQ(b[2], ZVector);

  TAffineVectorList shortList;
  shortList.Add(1, 1, 1);
  EXPECT_TRUE(FailsAt([&] { a.MaxSpacing(&shortList); }, 1017));
  EXPECT_TRUE(FailsAt([&] { a.Translate(&shortList); }, 1042));
  EXPECT_TRUE(FailsAt([&] { a.TranslateInv(&shortList); }, 1053));
  EXPECT_TRUE(FailsAt([&] { a.AddScaledList(&shortList, 1); }, 1100));
}

TEST(VectorLists, Lerp) {
  TAffineVectorList a, b, r;
  a.Add(0, 0, 0);
  a.Add(2, 2, 2);
  b.Add(4, 8, 0);
  b.Add(2, 4, 6);
  r.Lerp(&a, &b, 0.25f);
  ASSERT_EQ(r.Count(), 2);
  EXPECT_EQ(r[0], AffineVectorMake(1, 2, 0));
  EXPECT_EQ(r[1], AffineVectorMake(2, 2.5f, 3));
  TVectorList v1, v2;
  v1.AddXYZW(0, 0, 0, 0);
  v2.AddXYZW(2, 2, 2, 2);
  r.Lerp(&v1, &v2, 0.5f);
  EXPECT_EQ(r.Count(), 2) << "lists of another class: nothing happens";
  TVectorList rv;
  rv.Lerp(&v1, &v2, 0.5f);
  EXPECT_EQ(rv[0], (TVector{1, 1, 1, 1}));
  b.Add(1, 1, 1);
  EXPECT_TRUE(FailsAt([&] { r.Lerp(&a, &b, 0.5f); }, 1466));
  v2.AddXYZW(1, 1, 1, 1);
  EXPECT_TRUE(FailsAt([&] { rv.Lerp(&v1, &v2, 0.5f); }, 1669));
}

TEST(VectorLists, AssignClonesAndRefusesOtherLayouts) {
  TIntegerList a;
  a.GrowthDelta = 5;
  for (int i = 0; i < 7; ++i) a.Add(i * i);
  TIntegerList b;
  b.Add(99);
  b.Assign(&a);
  EXPECT_EQ(b.Count(), 7);
  EXPECT_EQ(b.Capacity(), 7);
  EXPECT_EQ(b.GrowthDelta, 5);
  EXPECT_EQ(b[6], 36);
  std::unique_ptr<TPersistentObject> c = a.CreateClone();
  ASSERT_EQ(c->ClassType(), TIntegerList::StaticClass());
  EXPECT_EQ(static_cast<TIntegerList*>(c.get())->Get(3), 9);

  TSingleList s;
  s.Add(1.0f);
  EXPECT_THROW(s.Assign(&a), EConvertError) << "same item size, other class";
  EXPECT_EQ(s.Count(), 1);
  EXPECT_EQ(s[0], 1.0f);
  TVectorList v;
  TAffineVectorList av;
  av.Add(1, 2, 3);
  EXPECT_THROW(v.Assign(&av), EConvertError);
  EXPECT_EQ(v.Count(), 0);
  s.Assign(nullptr);
  EXPECT_EQ(s.Capacity(), 0);
}

TEST(VectorLists, StreamsByteExactAndRoundTripsEveryClass) {
  TIntegerList ints;
  ints.Add(1);
  ints.Add(2);
  EXPECT_EQ(Hex(ints.SaveToString()), "02 00 02 02 02 04 01 00 00 00 02 00 00 00 ");
  TAffineVectorList none;
  EXPECT_EQ(Hex(none.SaveToString()), "02 00 02 00 02 0C ") << "no data bytes";
  TAffineVectorList back;
  back.Add(1, 1, 1);
  back.LoadFromString(none.SaveToString());
  EXPECT_EQ(back.Count(), 0);

  TAffineVectorList a;
  a.Add(1.5f, -2, 3e10f);
  TVectorList v;
  v.AddXYZW(1, 2, 3, 4);
  TTexPointList t;
  t.SetCount(2);
  t.List()[1] = {0.25f, 0.75f};
  TSingleList s;
  s.Add(-0.0f);
  TByteList b;
  b.Add(200);
  std::vector<std::pair<TBaseList*, std::unique_ptr<TBaseList>>> all;
  all.emplace_back(&a, std::make_unique<TAffineVectorList>());
  all.emplace_back(&v, std::make_unique<TVectorList>());
  all.emplace_back(&t, std::make_unique<TTexPointList>());
  all.emplace_back(&ints, std::make_unique<TIntegerList>());
  all.emplace_back(&s, std::make_unique<TSingleList>());
  all.emplace_back(&b, std::make_unique<TByteList>());
  for (auto& [src, dst] : all) {
    dst->LoadFromString(src->SaveToString());
    ASSERT_EQ(dst->Count(), src->Count()) << src->ClassName();
    EXPECT_EQ(0, std::memcmp(dst->ItemAddress(0), src->ItemAddress(0), size_t(src->Count()) * src->ItemSize()))
        << src->ClassName();
  }
}

TEST(VectorLists, ObjectListsRecreateRegisteredListClasses) {
  TAffineVectorList a;
  a.Add(1, 2, 3);
  TSingleList s;
  s.Add(5);
  TPersistentObjectList l;
  l.Add(&a);
  l.Add(&s);
  TPersistentObjectList back;
  back.LoadFromString(l.SaveToString());
  ASSERT_EQ(back.Count(), 2);
  auto* ra = dynamic_cast<TAffineVectorList*>(back.Get(0));
  ASSERT_NE(ra, nullptr);
  EXPECT_EQ(ra->Get(0), AffineVectorMake(1, 2, 3));
  EXPECT_EQ(static_cast<TSingleList*>(back.Get(1))->Get(0), 5.0f);
  back.CleanFree();
  TIntegerList ints;   // not registered
  TPersistentObjectList li;
  li.Add(&ints);
  EXPECT_THROW(back.LoadFromString(li.SaveToString()), EReadError);
}

TEST(VectorLists, CorruptStreamsRaiseErrorsWithoutOverrunning) {
  auto load = [](TBaseList& l, std::initializer_list<int> bytes) {
    std::string s;
    for (int x : bytes) s.push_back(char(x));
    l.LoadFromString(s);
  };
  TIntegerList l;
  EXPECT_THROW(load(l, {2, 0, 2, -1, 2, 4}), EReadError);                  // negative count
  EXPECT_THROW(load(l, {2, 0, 2, 1, 2, 8, 1, 2, 3, 4, 5, 6, 7, 8}), EReadError);   // item size of another class
  EXPECT_THROW(load(l, {2, 0, 4, 0, 0, 0, 0x10, 2, 4, 1, 2, 3, 4}), EReadError);  // count beyond the data
  EXPECT_THROW(load(l, {2, 0, 2, 2, 2, 4, 1, 0, 0, 0}), EReadError);      // one item short
  try {
    load(l, {2, 1});
    FAIL() << "no exception";
  } catch (const EFilerException& e) {
    EXPECT_EQ(e.Message, "TIntegerList : unknown archive version 1");
  }
}

TEST(VectorLists, QuickSortMovesObjectsInStep) {
  TIntegerList keys;
  TPersistentObjectList objs;
  std::vector<std::unique_ptr<TObject>> owned;
  const int values[] = {5, -1, 9, 3, 3, 0, 12, 7};
  for (int k : values) {
    keys.Add(k);
    owned.push_back(std::make_unique<TObject>());
    objs.Add(owned.back().get());
  }
  QuickSortLists(0, keys.Count() - 1, &keys, &objs);
  for (int i = 1; i < keys.Count(); ++i) EXPECT_LE(keys[i - 1], keys[i]);
  for (int i = 0; i < keys.Count(); ++i) {
    int orig = int(std::find_if(owned.begin(), owned.end(), [&](auto& o) { return o.get() == objs.Get(i); }) -
                   owned.begin());
    EXPECT_EQ(values[orig], keys[i]) << "object moved with its key";
  }
  TIntegerList two;
  two.Add(2);
  two.Add(1);
  TPersistentObjectList o2;
  o2.SetCount(2);
  QuickSortLists(0, 1, &two, &o2);
  EXPECT_EQ(two[0], 1);
  EXPECT_THROW(QuickSortLists(0, 5, &two, &o2), EListError);
}
