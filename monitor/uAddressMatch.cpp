#include "monitor/uAddressMatch.h"

namespace {
bool IsDigit(char C) { return C >= '0' && C <= '9'; }
}  // namespace

bool IsWholeAddressAt(const std::string& Text, size_t Position, size_t Length) {
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

size_t FindAddress(const std::string& Text, const std::string& Address, size_t From) {
  if (Address.empty()) return std::string::npos;
  for (size_t p = Text.find(Address, From); p != std::string::npos; p = Text.find(Address, p + 1))
    if (IsWholeAddressAt(Text, p, Address.size())) return p;
  return std::string::npos;
}

bool ContainsAddress(const std::string& Text, const std::string& Address) {
  return FindAddress(Text, Address) != std::string::npos;
}

bool TAddressScanner::Next(size_t& Position, size_t& Length, size_t Until) {
  const std::string& t = FText;
  const size_t n = t.size();
  size_t i = FAt;
  while (i < n) {
    if (i >= Until) {   // a place the search can go on from: no run is cut
      FAt = i;
      return false;
    }
    if (!IsDigit(t[i])) {
      ++i;
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
