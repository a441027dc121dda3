#include <gtest/gtest.h>

#include "classlib/Graphics.h"

TEST(ColorText, NamesAndNumbers) {
  EXPECT_EQ(ColorToString(clRed), "clRed");
  EXPECT_EQ(ColorToString(clWindowText), "clWindowText");
  EXPECT_EQ(ColorToString(0x0080FF), "$000080FF");
  EXPECT_EQ(ColorToString(0x80000018), "clInfoBk");
  EXPECT_EQ(StringToColor("clRed"), clRed);
  EXPECT_EQ(StringToColor("CLRED"), clRed);
  EXPECT_EQ(StringToColor("clOlive"), 0x008080u);
  EXPECT_EQ(StringToColor("$000080FF"), 0x0080FFu);
  EXPECT_EQ(StringToColor("33023"), 33023u);
  EXPECT_EQ(StringToColor("$80000008"), clWindowText);
  for (TColor c : {clBlack, clNone, TColor(0x123456), TColor(0x80000000), TColor(0x20000000)})
    EXPECT_EQ(StringToColor(ColorToString(c)), c);
  EXPECT_THROW(StringToColor("clReddish"), EConvertError);
  EXPECT_THROW(StringToColor(""), EConvertError);
}
