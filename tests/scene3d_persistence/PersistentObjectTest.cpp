#include <gtest/gtest.h>

#include "TestPaths.h"
#include "scene3d/Base/ApplicationFileIO.h"
#include "scene3d/Base/PersistentClasses.h"

namespace {
using Bytes = std::vector<uint8_t>;
int Freed = 0;

// A persistent object with a little data of each kind.
class TSample : public TPersistentObject {
  DECLARE_CLASSINFO(TSample)
public:
  ~TSample() override { ++Freed; }
  int Value = 0;
  std::string Text;
  Extended F = 0;
  int Version = 0;
  void WriteToFiler(TVirtualWriter* W) override {
    TPersistentObject::WriteToFiler(W);
    W->WriteInteger(Version);
    W->WriteInteger(Value);
    W->WriteString(Text);
    W->WriteFloat(F);
  }
  void ReadFromFiler(TVirtualReader* R) override {
    TPersistentObject::ReadFromFiler(R);
    int v = R->ReadInteger();
    if (v != 0) RaiseFilerException(v);
    Value = R->ReadInteger();
    Text = R->ReadString();
    F = R->ReadFloat();
  }
};
IMPLEMENT_CLASSINFO(TSample, TPersistentObject)

class TSigned : public TSample {
  DECLARE_CLASSINFO(TSigned)
public:
  std::string FileSignature() const override { return "SIG1"; }
};
IMPLEMENT_CLASSINFO(TSigned, TSample)

// Writes only an integer: short, predictable list streams.
class TTiny : public TPersistentObject {
  DECLARE_CLASSINFO(TTiny)
public:
  explicit TTiny(int v = 0) : Value(v) {}
  int Value;
  void WriteToFiler(TVirtualWriter* W) override { W->WriteInteger(Value); }
  void ReadFromFiler(TVirtualReader* R) override { Value = R->ReadInteger(); }
};
IMPLEMENT_CLASSINFO(TTiny, TPersistentObject)

class TStreamUnits : public testing::Environment {
public:
  void SetUp() override {
    PersistentClasses_Initialize();
    RegisterClass(TSample::StaticClass(), [] { return std::make_unique<TSample>(); });
    RegisterClass(TTiny::StaticClass(), [] { return std::make_unique<TTiny>(); });
  }
  void TearDown() override { PersistentClasses_Finalize(); }
};
const auto* const Env = testing::AddGlobalTestEnvironment(new TStreamUnits);

Bytes B(std::initializer_list<int> v) {
  Bytes r;
  for (int x : v) r.push_back(static_cast<uint8_t>(x));
  return r;
}
std::string Raw(const Bytes& b) { return std::string(b.begin(), b.end()); }

struct TCountingList : TPersistentObjectList {
  std::vector<TObject*> Created;
  void AfterObjectCreatedByReader(TObject* Obj) override { Created.push_back(Obj); }
};
}  // namespace

TEST(PersistentObject, RoundTripsThroughStreamsStringsAndFiles) {
  TSample a;
  a.Value = -70000;
  a.Text = "globe";
  a.F = 0.1L;
  TSample b;
  b.LoadFromString(a.SaveToString());
  EXPECT_EQ(b.Value, -70000);
  EXPECT_EQ(b.Text, "globe");
  EXPECT_EQ(b.F, 0.1L);

  std::string dir = TempFolder("persistent");
  a.SaveToFile(dir + "\\a.bin");
  TSample c;
  c.LoadFromFile(dir + "\\a.bin");
  EXPECT_EQ(c.Text, "globe");
  try {
    c.LoadFromFile(dir + "\\missing.bin");
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, "File not found: \"" + dir + "\\missing.bin\"");
  }
  EXPECT_TRUE(FileStreamExists(dir + "\\a.bin"));
  EXPECT_FALSE(FileStreamExists(dir + "\\missing.bin"));
}

TEST(PersistentObject, AssignAndCloneGoThroughTheStream) {
  TSample a;
  a.Value = 42;
  a.Text = "x";
  TSample b;
  b.Assign(&a);
  EXPECT_EQ(b.Value, 42);
  std::unique_ptr<TPersistentObject> clone = a.CreateClone();
  ASSERT_EQ(clone->ClassType(), TSample::StaticClass());
  EXPECT_EQ(static_cast<TSample*>(clone.get())->Value, 42);
  TTiny t;
  EXPECT_THROW(b.Assign(&t), EConvertError);   // only exactly the same class
  TSigned s;
  EXPECT_THROW(b.Assign(&s), EConvertError);
}

TEST(PersistentObject, SignatureVersionAndMissingFiler) {
  TSigned s;
  s.Value = 5;
  std::string data = s.SaveToString();
  EXPECT_EQ(data.substr(0, 4), "SIG1");
  TSigned t;
  t.LoadFromString(data);
  EXPECT_EQ(t.Value, 5);
  data[0] = 'X';
  try {
    t.LoadFromString(data);
    FAIL() << "no exception";
  } catch (const EInvalidFileSignature& e) {
    EXPECT_EQ(e.Message, "Invalid file signature");
  }
  EXPECT_THROW(t.LoadFromString("SI"), EInvalidFileSignature);

  TSample v;
  v.Version = 3;
  try {
    TSample().LoadFromString(v.SaveToString());
    FAIL() << "no exception";
  } catch (const EFilerException& e) {
    EXPECT_EQ(e.Message, "TSample : unknown archive version 3");
  }
  try {
    v.WriteToFiler(nullptr);
    FAIL() << "no exception";
  } catch (const EAssertionFailed& e) {
    EXPECT_NE(e.Message.find("scene3d\\Base\\PersistentClasses"), std::string::npos);
    EXPECT_NE(e.Message.find("628"), std::string::npos);
  }
  EXPECT_THROW(v.ReadFromFiler(nullptr), EAssertionFailed);
}

TEST(PersistentObjectList, ListOperations) {
  TPersistentObjectList l;
  TTiny a(1), b(2), c(3);
  for (int i = 0; i < 16; ++i) l.Add(&a);
  EXPECT_EQ(l.Capacity(), 16);
  EXPECT_EQ(l.Add(&b), 16);
  EXPECT_EQ(l.Capacity(), 32);
  l.SetCount(2);
  l.Insert(0, &c);
  EXPECT_EQ(l.Get(0), &c);
  EXPECT_EQ(l.IndexOf(&a), 1);
  EXPECT_EQ(l.IndexOf(&b), -1);
  EXPECT_EQ(l.Remove(&c), 0);
  EXPECT_EQ(l.Count(), 2);
  l.SetCount(4);
  EXPECT_EQ(l.Get(3), nullptr);
  EXPECT_EQ(l.Pop(), nullptr);
  EXPECT_EQ(l.Count(), 3);
  l.SetCapacity(1);
  EXPECT_EQ(l.Count(), 1);
  try {
    l.Get(1);
    FAIL() << "no exception";
  } catch (const EListError& e) {
    EXPECT_EQ(e.Message, "Invalid list index");
  }
  EXPECT_THROW(l.Put(-1, &a), EListError);
  EXPECT_THROW(l.Insert(3, &a), EListError);
  l.Clear();
  EXPECT_EQ(l.Capacity(), 0);
  EXPECT_EQ(l.Pop(), nullptr);

  Freed = 0;
  l.Add(new TSample);
  l.Add(nullptr);
  l.Add(new TSample);
  l.Clean();
  EXPECT_EQ(Freed, 2);
  EXPECT_EQ(l.Count(), 3);
  EXPECT_EQ(l.Get(0), nullptr);
  l.CleanFree();
  EXPECT_EQ(l.Count(), 0);
}

TEST(PersistentObjectList, GrowsByAtLeastOneWhateverTheDelta) {
  TTiny a(1), b(2), c(3);
  for (int delta : {0, -5, 3}) {
    TPersistentObjectList l;
    l.GrowthDelta = delta;
    for (int i = 0; i < 40; ++i) l.Add(i % 2 ? &a : &b);
    l.Insert(0, &c);
    l.Insert(41, &c);
    ASSERT_EQ(l.Count(), 42) << delta;
    EXPECT_GE(l.Capacity(), 42) << delta;
    EXPECT_EQ(l.Get(0), &c);
    EXPECT_EQ(l.Get(1), &b);
    EXPECT_EQ(l.Get(40), &a);
    EXPECT_EQ(l.Get(41), &c);
  }
}

TEST(PersistentObjectList, WritesEachClassNameOnce) {
  TPersistentObjectList l;
  TTiny a(5), b(7);
  l.Add(&a);
  l.Add(&b);
  l.Add(nullptr);
  TMemoryStream s;
  TBinaryWriter w(&s);
  l.WriteToFiler(&w);
  Bytes expected = B({2, 0, 1, 6, 5});
  for (char ch : std::string("TTiny")) expected.push_back(static_cast<uint8_t>(ch));
  for (int x : {2, 5, 2, 0, 2, 7, 8, 2, 0, 0}) expected.push_back(static_cast<uint8_t>(x));
  EXPECT_EQ(s.Data(), expected);

  s.SetPosition(0);
  TCountingList r;
  TBinaryReader rd(&s);
  r.ReadFromFiler(&rd);
  ASSERT_EQ(r.Count(), 3);
  EXPECT_EQ(r.Created.size(), 2u);
  EXPECT_EQ(static_cast<TTiny*>(r.Get(0))->Value, 5);
  EXPECT_EQ(static_cast<TTiny*>(r.Get(1))->Value, 7);
  EXPECT_EQ(r.Get(2), nullptr);
  r.CleanFree();
}

TEST(PersistentObjectList, NestedListsAndReadingFreesOldObjects) {
  TPersistentObjectList outer, inner;
  TSample s;
  s.Text = "inner";
  inner.Add(&s);
  outer.Add(&inner);
  std::string data = outer.SaveToString();
  TPersistentObjectList back;
  Freed = 0;
  back.Add(new TSample);
  back.LoadFromString(data);
  EXPECT_EQ(Freed, 1) << "the objects already there are freed";
  ASSERT_EQ(back.Count(), 1);
  auto* in = dynamic_cast<TPersistentObjectList*>(back.Get(0));
  ASSERT_NE(in, nullptr);
  EXPECT_EQ(static_cast<TSample*>(in->Get(0))->Text, "inner");
  in->CleanFree();
  back.CleanFree();
}

TEST(PersistentObjectList, HostileArchivesRaiseErrors) {
  auto load = [](const Bytes& b) {
    TPersistentObjectList l;
    try {
      l.LoadFromString(Raw(b));
    } catch (...) {
      l.CleanFree();
      throw;
    }
    l.CleanFree();
  };
  EXPECT_THROW(load(B({2, 1, 1, 0})), EFilerException);          // version 1
  EXPECT_THROW(load(B({2, 0, 1, 2, 0, 0})), EReadError);         // class index before any name
  EXPECT_THROW(load(B({2, 0, 1, 6, 3, 'T', 'Z', 'Z', 0})), EReadError);   // unknown class
  EXPECT_THROW(load(B({2, 0, 1, 6, 7, 'T', 'O', 'b', 'j', 'e', 'c', 't', 0})), EReadError);
  EXPECT_THROW(load(B({2, 0, 1, 5, 0})), Exception);             // a float is no item
  EXPECT_THROW(load(B({2, 0, 1})), EReadError);                  // truncated
  try {
    load(B({2, 0, 1, 13, 0}));
    FAIL() << "no exception";
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, "Broken ObjectList archive");
  }
  // A stored reference is not turned into a pointer.
  TPersistentObjectList l;
  l.LoadFromString(Raw(B({2, 0, 1, 9, 4, 0x78, 0x56, 0x34, 0x12, 8, 2, 0, 0})));
  ASSERT_EQ(l.Count(), 2);
  EXPECT_EQ(l.Get(0), nullptr);
  EXPECT_EQ(l.Get(1), nullptr);
  // Deeply nested lists are refused instead of exhausting the stack.
  Bytes deep = B({2, 0, 1, 6, 21});
  for (char ch : std::string("TPersistentObjectList")) deep.push_back(static_cast<uint8_t>(ch));
  deep.insert(deep.end(), {2, 0, 1});
  for (int i = 0; i < 5000; ++i) deep.insert(deep.end(), {2, 0, 2, 0, 1});
  EXPECT_THROW(load(deep), EReadError);
}
