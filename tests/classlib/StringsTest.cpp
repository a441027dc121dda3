#include <gtest/gtest.h>

#include "TestPaths.h"
#include "classlib/Classes.h"
#include "classlib/TypedFile.h"

TEST(SysUtils, IntegerConversions) {
  EXPECT_EQ(StrToInt("42"), 42);
  EXPECT_EQ(StrToInt(" -7 "), -7);
  EXPECT_EQ(StrToInt("$1F"), 31);
  EXPECT_EQ(StrToInt("2147483647"), 2147483647);
  EXPECT_THROW(StrToInt("2147483648"), EConvertError);
  EXPECT_THROW(StrToInt(""), EConvertError);
  EXPECT_THROW(StrToInt("12a"), EConvertError);
  try {
    StrToInt("x1");
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "'x1' is not a valid integer value");
  }
  EXPECT_EQ(StrToIntDef("nope", 9), 9);
  EXPECT_EQ(IntToStr(-12345), "-12345");
  EXPECT_TRUE(StrToBool("1"));
  EXPECT_TRUE(StrToBool("-1"));
  EXPECT_FALSE(StrToBool("0"));
  EXPECT_THROW(StrToBool("yes"), EConvertError);
}

TEST(SysUtils, OneBasedTextHelpers) {
  EXPECT_EQ(Pos("b", "abc"), 2);
  EXPECT_EQ(Pos("x", "abc"), 0);
  EXPECT_EQ(Pos("", "abc"), 0);
  EXPECT_EQ(Copy("abcdef", 3, 2), "cd");
  EXPECT_EQ(Copy("abcdef", 5, 100), "ef");
  EXPECT_EQ(Copy("abc", 4, 1), "");
  EXPECT_EQ(Copy("abc", 0, 2), "ab");
  std::string s = "abcdef";
  Delete(s, 2, 3);
  EXPECT_EQ(s, "aef");
  EXPECT_EQ(Trim(" \t x y \r\n"), "x y");
  EXPECT_EQ(UpperCase("aZ1"), "AZ1");
  EXPECT_EQ(ExtractFilePath("c:\\a\\b.txt"), "c:\\a\\");
  EXPECT_EQ(ExtractFileName("c:\\a\\b.txt"), "b.txt");
}

TEST(StringList, AddIndexOfAndBounds) {
  TStringList l;
  EXPECT_EQ(l.Add("One"), 0);
  EXPECT_EQ(l.Add("two"), 1);
  EXPECT_EQ(l.Count(), 2);
  EXPECT_EQ(l[1], "two");
  EXPECT_EQ(l.IndexOf("ONE"), 0);   // case-insensitive by default
  l.CaseSensitive = true;
  EXPECT_EQ(l.IndexOf("ONE"), -1);
  EXPECT_EQ(l.IndexOf("three"), -1);
  EXPECT_THROW(l.Strings(2), EListError);
  EXPECT_THROW(l.Delete(-1), EListError);
  l.Delete(0);
  EXPECT_EQ(l.Text(), "two\r\n");
}

TEST(StringList, TextSplitsEveryLineBreakAndKeepsTrailingCrLf) {
  TStringList l;
  l.SetText("a\r\nb\nc\rd");
  ASSERT_EQ(l.Count(), 4);
  EXPECT_EQ(l[3], "d");
  EXPECT_EQ(l.Text(), "a\r\nb\r\nc\r\nd\r\n");
  l.SetText("");
  EXPECT_EQ(l.Count(), 0);
  EXPECT_EQ(l.Text(), "");
  l.SetText("x\r\n\r\n");
  ASSERT_EQ(l.Count(), 2);
  EXPECT_EQ(l[1], "");
}

TEST(StringList, SortedListKeepsOrderAndIgnoresDuplicates) {
  TStringList l;
  l.SetSorted(true);
  l.Add("m");
  l.Add("B");
  l.Add("a");
  l.Add("b");
  ASSERT_EQ(l.Count(), 3);
  EXPECT_EQ(l[0], "a");
  EXPECT_EQ(l[2], "m");
  EXPECT_EQ(l.IndexOf("M"), 2);
  EXPECT_THROW(l.Insert(0, "z"), EListError);
}

TEST(StringList, FileRoundTripInAnsiWithCrLf) {
  std::string dir = TempFolder("strings");
  TStringList l;
  l.Add("first");
  l.Add("caf\xe9");   // ANSI byte kept as it is
  l.Add("");
  l.SaveToFile(dir + "\\l.txt");
  EXPECT_EQ(ReadTextFile(dir + "\\l.txt"), "first\r\ncaf\xe9\r\n\r\n");
  TStringList m;
  m.LoadFromFile(dir + "\\l.txt");
  EXPECT_EQ(m.Text(), l.Text());
  EXPECT_THROW(m.LoadFromFile(dir + "\\missing.txt"), EFOpenError);
  EXPECT_EQ(m.Count(), 3);   // a failed load leaves the list as it was
}

TEST(StringList, NameValueLines) {
  TStringList l;
  l.SetText("a=1\r\nKey=x=y\r\nnoequals");
  EXPECT_EQ(l.Values("key"), "x=y");
  EXPECT_EQ(l.Values("noequals"), "");
  EXPECT_EQ(l.IndexOfName("A"), 0);
}

TEST(Streams, MemoryStreamReadsNoFurtherThanItsData) {
  TMemoryStream m;
  const char data[] = "abcdef";
  m.WriteBuffer(data, 6);
  EXPECT_EQ(m.Size(), 6);
  m.SetPosition(4);
  char buf[8] = {};
  EXPECT_EQ(m.Read(buf, 8), 2);
  EXPECT_STREQ(buf, "ef");
  m.SetPosition(5);
  EXPECT_THROW(m.ReadBuffer(buf, 2), EReadError);
  TStringStream s("xyz");
  EXPECT_EQ(s.DataString(), "xyz");
}

TEST(Streams, FileStreamModes) {
  std::string dir = TempFolder("streams");
  {
    TFileStream f(dir + "\\a.bin", fmCreate);
    f.WriteBuffer("12345", 5);
  }
  TFileStream r(dir + "\\a.bin", fmOpenRead | fmShareDenyWrite);
  EXPECT_EQ(r.Size(), 5);
  r.SetPosition(3);
  char b[2];
  r.ReadBuffer(b, 2);
  EXPECT_EQ(std::string(b, 2), "45");
  EXPECT_THROW(TFileStream(dir + "\\none.bin", fmOpenRead), EFOpenError);
}

TEST(TypedFile, SeekAndReadRecords) {
  struct Rec { uint32_t A, B, C; };
  std::string dir = TempFolder("typed");
  WriteTextFile(dir + "\\r.dat", std::string("\x01\0\0\0\x02\0\0\0\x03\0\0\0\x04\0\0\0\x05\0\0\0\x06\0\0\0\x07\0", 26));
  TTypedFile<Rec> f;
  EXPECT_FALSE(f.IsOpen());
  f.Reset(dir + "\\r.dat");
  EXPECT_EQ(f.FileSize(), 2);
  Rec r{};
  f.Seek(1);
  f.Read(r);
  EXPECT_EQ(r.A, 4u);
  EXPECT_EQ(r.C, 6u);
  // the partial third record is never read as a whole one
  try {
    f.Read(r);
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, 100);
  }
  try {
    TTypedFile<Rec> g;
    g.Reset(dir + "\\missing.dat");
    FAIL();
  } catch (const EInOutError& e) {
    EXPECT_EQ(e.ErrorCode, 2);
  }
}
