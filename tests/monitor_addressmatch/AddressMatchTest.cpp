#include <gtest/gtest.h>

#include "monitor/uAddressMatch.h"

TEST(AddressMatch, LongerAddressesAroundItDoNotMatch) {
  for (const char* text : {"11.2.3.45", "1.2.3.45", "11.2.3.4", "1.2.3.4.5", "0.1.2.3.4",
                           "21.2.3.4 and 1.2.3.40", "1.2.3.40", "91.2.3.4"})
    EXPECT_FALSE(ContainsAddress(text, "1.2.3.4")) << text;
}

TEST(AddressMatch, AddressBetweenOtherCharactersMatches) {
  for (const char* text : {"1.2.3.4", "to 1.2.3.4.", "[1.2.3.4]", "x.1.2.3.4", "1.2.3.4:80",
                           "1.2.3.4.x", "ip=1.2.3.4,", "a\r\n1.2.3.4\r\n", "1.2.3.4."})
    EXPECT_TRUE(ContainsAddress(text, "1.2.3.4")) << text;
}

TEST(AddressMatch, FindSkipsPartialOccurrencesAndHonoursTheStart) {
  const std::string text = "11.2.3.45 1.2.3.45 1.2.3.4 [1.2.3.4]";
  EXPECT_EQ(FindAddress(text, "1.2.3.4"), 19u);
  EXPECT_EQ(FindAddress(text, "1.2.3.4", 20), 28u);
  EXPECT_EQ(FindAddress(text, "1.2.3.4", 29), std::string::npos);
  EXPECT_EQ(FindAddress(text, ""), std::string::npos);
  EXPECT_EQ(FindAddress(text, "1.2.3.4", 500), std::string::npos);
}

TEST(AddressMatch, WholeAtChecksBothEdges) {
  const std::string text = "5.1.2.3.4 1.2.3.4";
  EXPECT_FALSE(IsWholeAddressAt(text, 2, 7));   // after "5."
  EXPECT_TRUE(IsWholeAddressAt(text, 10, 7));
  EXPECT_FALSE(IsWholeAddressAt(text, 10, 8));  // runs past the end
  EXPECT_FALSE(IsWholeAddressAt(text, 18, 0));
}
