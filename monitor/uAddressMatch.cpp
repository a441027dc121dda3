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
