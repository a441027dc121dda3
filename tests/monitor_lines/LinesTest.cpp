// The analysed file's lines, kept as one text: split as a string list
// splits text, whatever pieces the text arrives in.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "monitor/uAnalyzedLines.h"

namespace {
std::vector<std::string> AsStringList(const std::string& Text) {
  TStringList l;
  l.SetText(Text);
  std::vector<std::string> r;
  for (int i = 0; i < l.Count(); ++i) r.push_back(l[i]);
  return r;
}
}  // namespace

TEST(AnalyzedLines, SplitAsAStringListWhateverThePieces) {
  std::mt19937 random(7);
  const char letters[] = {'a', '1', '.', '\r', '\n', '\r', '\n', ' '};
  std::vector<std::string> texts = {"", "a", "\r", "\n", "\r\n", "a\r\r\nb", "a\n\rb\r", "x\r\n\r\n", "\n\n\ra"};
  for (int n = 0; n < 300; ++n) {
    std::string t(random() % 200, ' ');
    for (char& c : t) c = letters[random() % sizeof letters];
    texts.push_back(t);
  }
  texts.push_back(std::string(40000, 'a') + "\r\n" + std::string(70, '\r') + std::string(3, '\n'));
  for (const std::string& text : texts) {
    TAnalyzedLines lines;
    lines.Reserve(random() % 2 ? text.size() : 0);   // grown as it comes, too
    for (size_t at = 0; at < text.size();) {
      const size_t piece = std::min<size_t>(1 + random() % 37, text.size() - at);
      lines.Append(std::string_view(text).substr(at, piece));
      at += piece;
    }
    const std::vector<std::string> want = AsStringList(text);
    ASSERT_EQ(lines.Count(), static_cast<int>(want.size())) << testing::PrintToString(text);
    std::vector<std::string> each, indexed;
    lines.ForEach([&](std::string_view Line) { each.emplace_back(Line); });
    for (int i = 0; i < lines.Count(); ++i) indexed.emplace_back(lines[i]);
    EXPECT_EQ(each, want) << testing::PrintToString(text);
    EXPECT_EQ(indexed, want) << testing::PrintToString(text);
    EXPECT_EQ(lines.Text(), text);
    TAnalyzedLines moved = std::move(lines);
    EXPECT_EQ(moved.Count(), static_cast<int>(want.size()));
    EXPECT_EQ(lines.Count(), 0);
  }
  // a large text: its memory is written ahead by helper threads
  std::string big;
  for (int i = 0; big.size() < (24u << 20); ++i) big += "line " + std::to_string(i) + (i % 3 ? "\r\n" : "\n");
  TAnalyzedLines lines;
  lines.Reserve(big.size());
  for (size_t at = 0; at < big.size(); at += 1u << 20) lines.Append(std::string_view(big).substr(at, 1u << 20));
  EXPECT_EQ(lines.Text(), big);
  ASSERT_EQ(lines.Count(), static_cast<int>(AsStringList(big).size()));
  EXPECT_EQ(lines[lines.Count() - 1], "line " + std::to_string(lines.Count() - 1));
}
