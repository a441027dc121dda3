// The text side of cookies, free of system calls (the native fuzzer runs
// it): splitting a "Set-Cookie" value into its name, value and attributes,
// and which domains a cookie may name and which hosts it goes to.
#pragma once
#include <string>
#include <vector>

struct TCookieAttribute {
  std::string Name;    // as written
  std::string Value;   // empty for a bare word such as "secure"
};

struct TCookieParts {
  std::string Name;
  std::string Value;
  std::vector<TCookieAttribute> Attributes;
};

// Split at ";" into trimmed parts: the first is name "=" value, the rest
// attributes of the same form or bare words. Empty parts are skipped, but
// an empty first part gives nothing (no name: no cookie).
TCookieParts ParseCookieText(const std::string& AText);

bool HasLineBreak(const std::string& AText);

// Whether Host lies in Domain: equal to it, or ending in "." + Domain (a
// leading "." of Domain ignored), ignoring case. "ample.com" is not in
// "example.com".
bool CookieDomainMatches(const std::string& AHost, const std::string& ADomain);

// Whether a response from AHost may set a cookie for ADomain: an address
// host only for itself; a host name for itself or a domain it lies in that
// has at least two labels (".com" and "com" are refused).
bool CookieDomainAllowed(const std::string& AHost, const std::string& ADomain);

// Four dot-separated decimal numbers of 0..255 (blanks around them allowed).
bool IsDottedQuad(const std::string& AText);
