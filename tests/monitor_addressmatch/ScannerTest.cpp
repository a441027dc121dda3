#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "monitor/uAddressMatch.h"

namespace {
std::vector<std::string> Found(const std::string& Text) {
  std::vector<std::string> r;
  TAddressScanner s(Text);
  size_t p, n;
  while (s.Next(p, n)) r.push_back(Text.substr(p, n));
  return r;
}
using V = std::vector<std::string>;
}  // namespace

TEST(AddressScanner, FindsEachStandaloneAddressOnce) {
  EXPECT_EQ(Found("1.2.3.4 11.2.3.45"), (V{"1.2.3.4", "11.2.3.45"}));
  EXPECT_EQ(Found("1.2.3.4 1.2.3.4"), (V{"1.2.3.4", "1.2.3.4"}));
  EXPECT_EQ(Found("[1.2.3.4]:80, to 5.6.7.8. x.9.9.9.9 7.7.7.7..8"), (V{"1.2.3.4", "5.6.7.8", "9.9.9.9", "7.7.7.7"}));
  EXPECT_EQ(Found("1.2.3.4..5.6.7.8"), (V{"1.2.3.4", "5.6.7.8"}));
}

TEST(AddressScanner, NumbersThatContinueAnAddressMakeNone) {
  for (const char* text : {"1.2.3.4.5", "1191.2.3.4", "1.2.3.4567", "0.1.2.3.4", "1.2.3", "1.2..3.4", "1.2.3.", ".", ""})
    EXPECT_EQ(Found(text), V{}) << text;
}

TEST(AddressScanner, AStopPositionLetsALongTextBeScannedInPieces) {
  std::string text;
  for (int i = 0; i < 3000; ++i) text += "x 10.0." + std::to_string(i / 250) + "." + std::to_string(i % 250) + " y ";
  std::vector<std::string> pieces;
  TAddressScanner s(text);
  size_t p, n;
  for (size_t until = 97; !s.AtEnd(); until += 97)   // stops fall inside addresses too
    while (s.Next(p, n, until)) pieces.push_back(text.substr(p, n));
  EXPECT_EQ(pieces, Found(text));
  EXPECT_EQ(pieces.size(), 3000u);
}
