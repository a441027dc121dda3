#include <gtest/gtest.h>

#include "scene3d/Base/PersistentClasses.h"

namespace {
using Bytes = std::vector<uint8_t>;

template <typename F>
Bytes Written(F f) {
  TMemoryStream s;
  TBinaryWriter w(&s);
  f(w);
  return s.Data();
}
Bytes B(std::initializer_list<int> v) {
  Bytes r;
  for (int x : v) r.push_back(static_cast<uint8_t>(x));
  return r;
}
Bytes Cat(Bytes a, const std::string& s) {
  a.insert(a.end(), s.begin(), s.end());
  return a;
}
std::string Raw(const Bytes& b) { return std::string(b.begin(), b.end()); }
}  // namespace

TEST(BinaryWriter, IntegersTakeTheSmallestTag) {
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(127); }), B({2, 0x7F}));
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(128); }), B({3, 0x80, 0}));
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(-128); }), B({2, 0x80}));
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(-129); }), B({3, 0x7F, 0xFF}));
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(32767); }), B({3, 0xFF, 0x7F}));
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(-32769); }), B({4, 0xFF, 0x7F, 0xFF, 0xFF}));
  EXPECT_EQ(Written([](auto& w) { w.WriteInteger(40000); }), B({4, 0x40, 0x9C, 0, 0}));
}

TEST(BinaryWriter, BooleansStringsFloatsAndLists) {
  EXPECT_EQ(Written([](auto& w) { w.WriteBoolean(false); w.WriteBoolean(true); }), B({8, 9}));
  EXPECT_EQ(Written([](auto& w) { w.WriteString(""); }), B({6, 0}));
  EXPECT_EQ(Written([](auto& w) { w.WriteString("abc"); }), Cat(B({6, 3}), "abc"));
  const std::string s255(255, 'x'), s256(256, 'y');
  EXPECT_EQ(Written([&](auto& w) { w.WriteString(s255); }), Cat(B({6, 255}), s255));
  EXPECT_EQ(Written([&](auto& w) { w.WriteString(s256); }), Cat(B({12, 0, 1, 0, 0}), s256));
  // Tag 5 and the ten bytes of the 80-bit value: 1.0 is 8000000000000000h, exponent 3FFFh.
  EXPECT_EQ(Written([](auto& w) { w.WriteFloat(1.0L); }), B({5, 0, 0, 0, 0, 0, 0, 0, 0x80, 0xFF, 0x3F}));
  EXPECT_EQ(Written([](auto& w) { w.WriteFloat(-2.5L); }), B({5, 0, 0, 0, 0, 0, 0, 0, 0xA0, 0x00, 0xC0}));
  EXPECT_EQ(Written([](auto& w) { w.WriteListBegin(); w.WriteListEnd(); }), B({1, 0}));
}

TEST(BinaryReader, ReadsBackWhatTheWriterWrote) {
  TMemoryStream s;
  TBinaryWriter w(&s);
  for (int v : {0, -1, 127, 128, -129, 40000, -2147483647 - 1, 2147483647}) w.WriteInteger(v);
  w.WriteBoolean(true);
  w.WriteString(std::string(300, 'q'));
  w.WriteFloat(3.25e300L);
  w.WriteListBegin();
  w.WriteListEnd();
  s.SetPosition(0);
  TBinaryReader r(&s);
  for (int v : {0, -1, 127, 128, -129, 40000, -2147483647 - 1, 2147483647}) EXPECT_EQ(r.ReadInteger(), v);
  EXPECT_TRUE(r.ReadBoolean());
  EXPECT_EQ(r.NextValue(), TValueType::vaLString);
  EXPECT_EQ(r.NextValue(), TValueType::vaLString) << "NextValue does not move";
  EXPECT_EQ(r.ReadString(), std::string(300, 'q'));
  EXPECT_EQ(r.ReadFloat(), 3.25e300L);
  r.ReadListBegin();
  EXPECT_TRUE(r.EndOfList());
  r.ReadListEnd();
  EXPECT_EQ(s.Position(), s.Size());
}

TEST(BinaryReader, WideAndUtf8Strings) {
  TStringStream s(Raw(Cat(Cat(B({18, 3, 0, 0, 0}), std::string("H\0i\0!\0", 6)), "")));
  TBinaryReader r(&s);
  EXPECT_EQ(r.ReadString(), "Hi!");
  TStringStream u(Raw(Cat(B({20, 5, 0, 0, 0}), "ab\xC3\xA9z")));
  TBinaryReader ru(&u);
  std::string got = ru.ReadString();
  ASSERT_EQ(got.size(), 4u);   // one ANSI character for U+00E9
  EXPECT_EQ(got.substr(0, 2), "ab");
  EXPECT_EQ(got[3], 'z');
}

TEST(BinaryReader, Utf8DecodingNeverOverreadsAndReplacesBadSequences) {
  EXPECT_EQ(DecodeUTF8("h\xC3\xA9"), u"h\u00E9");
  EXPECT_EQ(DecodeUTF8("\xF0\x9F\x98\x80"), std::u16string({0xD83D, 0xDE00}));
  EXPECT_EQ(DecodeUTF8("\xF4\x8F\xBF\xBF"), std::u16string({0xDBFF, 0xDFFF}));   // U+10FFFF
  EXPECT_EQ(DecodeUTF8("\xF4\x90\x80\x80"), u"\uFFFD");                          // above U+10FFFF
  EXPECT_EQ(DecodeUTF8("\xF8\x88\x80\x80\x80"), u"\uFFFD");                      // five bytes
  EXPECT_EQ(DecodeUTF8("\xFD\xBF\xBF\xBF\xBF\xBF"), u"\uFFFD");                  // six bytes
  EXPECT_EQ(DecodeUTF8("\x80"), u"\uFFFD");
  EXPECT_EQ(DecodeUTF8("\xFF" "a"), u"\uFFFDa");
  EXPECT_EQ(DecodeUTF8("\xC0\xAF"), u"\uFFFD");         // overlong
  EXPECT_EQ(DecodeUTF8("\xED\xA0\x80"), u"\uFFFD");     // a surrogate
  EXPECT_EQ(DecodeUTF8("a\xE2\x82"), u"a\uFFFD");       // cut short at the end
  EXPECT_EQ(DecodeUTF8("\xE2" "ab"), u"\uFFFDab");      // the next character survives
  const std::string cut("\xF0\x9F", 2);
  EXPECT_EQ(DecodeUTF8(cut), u"\uFFFD");
}

TEST(BinaryReader, WrongTagsRaiseReadTypeError) {
  TStringStream s(Raw(Cat(B({6, 1}), "x")));
  TBinaryReader r(&s);
  try {
    r.ReadInteger();
    FAIL() << "no exception";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message, "TBinaryReader, read type error");
  }
  for (int tag : {7, 0, 5}) {
    TStringStream t(Raw(B({tag, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})));
    TBinaryReader rt(&t);
    EXPECT_THROW(rt.ReadString(), EReadError) << tag;
  }
  TStringStream t(Raw(B({2, 1})));
  TBinaryReader rt(&t);
  EXPECT_THROW(rt.ReadFloat(), EReadError);
  t.SetPosition(0);
  EXPECT_THROW(TBinaryReader(&t).ReadListBegin(), EReadError);
}

TEST(BinaryReader, CorruptOrTruncatedDataRaisesReadError) {
  const std::vector<Bytes> bad = {
      {},                                      // nothing at all
      B({4, 1, 2}),                            // short integer
      B({6, 5, 'a', 'b'}),                     // short string
      B({12, 0xFF, 0xFF, 0xFF, 0xFF}),         // negative length
      Cat(B({12, 0, 0, 0, 0x10}), "ab"),       // length beyond the data
      B({18, 0, 0, 0, 0x40, 'a', 0}),          // wide count beyond the data
      B({18, 0xFE, 0xFF, 0xFF, 0xFF}),         // negative wide count
      B({20, 0xFF, 0xFF, 0xFF, 0x7F}),         // UTF-8 length beyond the data
      B({5, 0, 0, 0}),                         // short float
  };
  for (size_t i = 0; i < bad.size(); ++i) {
    TStringStream s(Raw(bad[i]));
    TBinaryReader r(&s);
    EXPECT_THROW(r.ReadString(), EReadError) << "case " << i;
    s.SetPosition(0);
    EXPECT_THROW({ r.ReadInteger(); r.ReadFloat(); }, EReadError) << "case " << i;
  }
  TStringStream shortFloat(Raw(B({5, 0, 0, 0})));
  EXPECT_THROW(TBinaryReader(&shortFloat).ReadFloat(), EReadError);
  TStringStream empty("");
  EXPECT_THROW(TBinaryReader(&empty).NextValue(), EReadError);
}
