// The address scanner of the file analysis on any text. What it reports
// must be exactly the dotted quads (four groups of one to three digits)
// that stand alone, as a search of every position finds them, left to
// right; scanning in pieces (the first byte sets their size) must find the
// same.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "monitor/uAddressMatch.h"

namespace {
void Check(bool Condition) {
  if (!Condition) std::abort();
}

bool IsQuad(const std::string& T, size_t P, size_t N) {
  int groups = 0, digits = 0;
  for (size_t i = P; i < P + N; ++i) {
    const char c = T[i];
    if (c >= '0' && c <= '9') {
      if (++digits > 3) return false;
    } else if (c == '.') {
      if (digits == 0 || ++groups > 3) return false;
      digits = 0;
    } else {
      return false;
    }
  }
  return groups == 3 && digits > 0;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  if (Size == 0) return 0;
  const size_t piece = 1 + Data[0] % 64;
  const std::string text(reinterpret_cast<const char*>(Data + 1), Size - 1);

  std::vector<std::pair<size_t, size_t>> expected;
  for (size_t p = 0; p < text.size(); ++p)
    for (size_t n = 7; n <= 15 && p + n <= text.size(); ++n)
      if (IsQuad(text, p, n) && IsWholeAddressAt(text, p, n)) expected.emplace_back(p, n);

  std::vector<std::pair<size_t, size_t>> found, pieces;
  size_t p, n;
  TAddressScanner whole(text);
  while (whole.Next(p, n)) found.emplace_back(p, n);
  Check(whole.AtEnd());
  Check(found == expected);

  TAddressScanner sliced(text);
  for (size_t until = piece; !sliced.AtEnd(); until += piece) {
    while (sliced.Next(p, n, until)) pieces.emplace_back(p, n);
    Check(until <= text.size() + piece);   // it moves on
  }
  Check(pieces == expected);
  for (const auto& [at, length] : found) Check(FindAddress(text, text.substr(at, length), at) == at);
  return 0;
}
