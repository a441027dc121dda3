// The cookie text parser and the domain rules on hostile input: the first
// line is the request host, the rest a "Set-Cookie" value.
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "netlib/NetCookieText.h"

namespace {
void Check(bool Condition) {
  if (!Condition) std::abort();
}

std::string Lower(std::string S) {
  for (char& c : S) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return S;
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string all(reinterpret_cast<const char*>(Data), Size);
  const size_t nl = all.find('\n');
  const std::string host = nl == std::string::npos ? "www.example.com" : all.substr(0, nl);
  const std::string text = nl == std::string::npos ? all : all.substr(nl + 1);
  const TCookieParts parts = ParseCookieText(text);
  Check(parts.Name.find(';') == std::string::npos && parts.Value.find(';') == std::string::npos);
  // Nothing before the first ";" but blanks: no cookie at all.
  if (text.substr(0, text.find(';')).find_first_not_of(" \t") == std::string::npos)
    Check(parts.Name.empty() && parts.Value.empty() && parts.Attributes.empty());
  for (const TCookieAttribute& a : parts.Attributes) {
    Check(a.Name.find(';') == std::string::npos);
    if (Lower(a.Name) != "domain") continue;
    const bool allowed = CookieDomainAllowed(host, a.Value);
    const bool matches = CookieDomainMatches(host, a.Value);
    if (allowed) Check(matches || Lower(host) == Lower(a.Value));
    if (matches) {
      std::string d = Lower(a.Value);
      if (!d.empty() && d[0] == '.') d.erase(0, 1);
      const std::string h = Lower(host);
      Check(h == d || (h.size() > d.size() && h.compare(h.size() - d.size(), d.size(), d) == 0 &&
                       h[h.size() - d.size() - 1] == '.'));
    }
  }
  return 0;
}
