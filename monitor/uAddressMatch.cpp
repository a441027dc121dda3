#include "monitor/uAddressMatch.h"

#include <emmintrin.h>

namespace {
bool IsDigit(char C) { return C >= '0' && C <= '9'; }
}  // namespace

bool IsWholeAddressAt(std::string_view Text, size_t Position, size_t Length) {
  if (Position > Text.size() || Length > Text.size() - Position) return false;
  if (Position >= 1) {
    const char before = Text[Position - 1];
    if (IsDigit(before)) return false;
    if (before == '.' && Position >= 2 && IsDigit(Text[Position - 2])) return false;
  }
  const size_t end = Position + Length;
  if (end < Text.size()) {
    const char after = Text[end];
    if (IsDigit(after)) return false;
    if (after == '.' && end + 1 < Text.size() && IsDigit(Text[end + 1])) return false;
  }
  return true;
}

size_t FindAddress(std::string_view Text, std::string_view Address, size_t From) {
  if (Address.empty()) return std::string::npos;
  for (size_t p = Text.find(Address, From); p != std::string::npos; p = Text.find(Address, p + 1))
    if (IsWholeAddressAt(Text, p, Address.size())) return p;
  return std::string::npos;
}

bool ContainsAddress(std::string_view Text, std::string_view Address) {
  return FindAddress(Text, Address) != std::string::npos;
}

const char* FindChar(const char* From, const char* To, char C) {
  const __m128i c = _mm_set1_epi8(C);
  for (; To - From >= 16; From += 16) {
    const int hits = _mm_movemask_epi8(_mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(From)), c));
    if (hits) return From + __builtin_ctz(static_cast<unsigned>(hits));
  }
  while (From < To && *From != C) ++From;
  return From;
}

bool TAddressScanner::Next(size_t& Position, size_t& Length, size_t Until) {
  const std::string_view t = FText;
  const size_t n = t.size();
  size_t i = FAt;
  while (i < n) {
    if (i >= Until) {   // a place the search can go on from: no run is cut
      FAt = i;
      return false;
    }
    if (!IsDigit(t[i])) {
      if (t[i] == '.') {
        ++i;
        continue;
      }
      // Only the digits just before a dot can begin an address: on to the
      // next dot, back to the start of the digits before it.
      size_t dot = static_cast<size_t>(FindChar(t.data() + i, t.data() + n, '.') - t.data());
      if (dot == n) break;
      while (IsDigit(t[dot - 1])) --dot;   // t[i] is no digit
      i = dot;
      continue;
    }
    // A run of digits starts here. An address begins only at the start of
    // a run that is not the continuation of a dotted number.
    const size_t start = i;
    const bool continues = start >= 2 && t[start - 1] == '.' && IsDigit(t[start - 2]);
    size_t p = start;
    bool ok = !continues;
    for (int group = 0; ok && group < 4; ++group) {
      const size_t from = p;
      while (p < n && IsDigit(t[p])) ++p;
      const size_t digits = p - from;
      if (digits == 0 || digits > 3) ok = false;
      else if (group < 3) {
        if (p < n && t[p] == '.') ++p;
        else ok = false;
      }
    }
    if (ok && IsWholeAddressAt(t, start, p - start)) {
      Position = start;
      Length = p - start;
      FAt = p;
      return true;
    }
    while (i < n && IsDigit(t[i])) ++i;   // the next candidate starts after this run
  }
  FAt = n;
  return false;
}
