// Finding a dotted IPv4 address in text as a whole address: "1.2.3.4" is
// found in "to 1.2.3.4." or "[1.2.3.4]" but not in "11.2.3.45", "1.2.3.45",
// "0.1.2.3.4" or "1.2.3.4.5". An occurrence is whole when it is neither
// preceded by a digit or by a digit and a dot, nor followed by a digit or by
// a dot and a digit.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>

// Whether the Length characters of Text at Position (0-based) stand alone
// as an address would.
bool IsWholeAddressAt(std::string_view Text, size_t Position, size_t Length);

// 0-based position of the first whole occurrence of Address at or after
// From; std::string::npos when there is none (or Address is empty).
size_t FindAddress(std::string_view Text, std::string_view Address, size_t From = 0);

bool ContainsAddress(std::string_view Text, std::string_view Address);

// Finds the dotted addresses written in text: four groups of one to three
// digits joined by dots that stand alone as above. "1.2.3.4.5", "1191.2.3.4"
// and "1.2.3.4567" hold none; "1.2.3.4 11.2.3.45" holds two. Each occurrence
// is reported once, left to right, as its 0-based position and length.
class TAddressScanner {
public:
  explicit TAddressScanner(std::string_view Text) : FText(Text) {}
  // The next address after the last one found; false when there is none
  // (or none starts before Until: the search goes on from there next time).
  bool Next(size_t& Position, size_t& Length, size_t Until = std::string::npos);
  bool AtEnd() const { return FAt >= FText.size(); }

private:
  std::string_view FText;
  size_t FAt = 0;
};

// The first C in [From, To), To when there is none; 16 bytes at a time.
const char* FindChar(const char* From, const char* To, char C);
