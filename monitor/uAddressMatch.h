// Finding a dotted IPv4 address in text as a whole address: "1.2.3.4" is
// found in "to 1.2.3.4." or "[1.2.3.4]" but not in "11.2.3.45", "1.2.3.45",
// "0.1.2.3.4" or "1.2.3.4.5". An occurrence is whole when it is neither
// preceded by a digit or by a digit and a dot, nor followed by a digit or by
// a dot and a digit.
#pragma once
#include <cstddef>
#include <string>

// Whether the Length characters of Text at Position (0-based) stand alone
// as an address would.
bool IsWholeAddressAt(const std::string& Text, size_t Position, size_t Length);

// 0-based position of the first whole occurrence of Address at or after
// From; std::string::npos when there is none (or Address is empty).
size_t FindAddress(const std::string& Text, const std::string& Address, size_t From = 0);

bool ContainsAddress(const std::string& Text, const std::string& Address);
