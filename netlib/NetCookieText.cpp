#include "netlib/NetCookieText.h"

#include <cctype>

namespace {
std::string TrimBlanks(const std::string& S) {
  const size_t b = S.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  const size_t e = S.find_last_not_of(" \t");
  return S.substr(b, e - b + 1);
}

std::string Lower(std::string S) {
  for (char& c : S) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return S;
}

std::string WithoutLeadingDot(const std::string& S) { return !S.empty() && S[0] == '.' ? S.substr(1) : S; }
}  // namespace

TCookieParts ParseCookieText(const std::string& AText) {
  TCookieParts r;
  bool first = true;
  size_t start = 0;
  while (start <= AText.size()) {
    size_t end = AText.find(';', start);
    if (end == std::string::npos) end = AText.size();
    const std::string part = TrimBlanks(AText.substr(start, end - start));
    start = end + 1;
    if (part.empty()) {
      if (first) break;   // no name: no cookie, whatever follows
      continue;
    }
    const size_t eq = part.find('=');
    const std::string name = TrimBlanks(eq == std::string::npos ? part : part.substr(0, eq));
    const std::string value = eq == std::string::npos ? std::string() : TrimBlanks(part.substr(eq + 1));
    if (first) {
      r.Name = name;
      r.Value = value;
      first = false;
    } else {
      r.Attributes.push_back({name, value});
    }
  }
  return r;
}

bool HasLineBreak(const std::string& AText) { return AText.find_first_of("\r\n") != std::string::npos; }

bool IsDottedQuad(const std::string& AText) {
  int parts = 0;
  size_t i = 0;
  const std::string t = TrimBlanks(AText);
  while (true) {
    size_t digits = 0;
    int v = 0;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i])) && digits < 4) {
      v = v * 10 + (t[i++] - '0');
      ++digits;
    }
    if (digits == 0 || digits > 3 || v > 255) return false;
    ++parts;
    if (i == t.size()) return parts == 4;
    if (t[i] != '.' || parts == 4) return false;
    ++i;
  }
}

bool CookieDomainMatches(const std::string& AHost, const std::string& ADomain) {
  const std::string host = Lower(AHost), domain = Lower(WithoutLeadingDot(ADomain));
  if (host.empty() || domain.empty()) return false;
  if (host == domain) return true;
  if (IsDottedQuad(host)) return false;
  return host.size() > domain.size() && host.compare(host.size() - domain.size(), domain.size(), domain) == 0 &&
         host[host.size() - domain.size() - 1] == '.';
}

bool CookieDomainAllowed(const std::string& AHost, const std::string& ADomain) {
  const std::string domain = WithoutLeadingDot(ADomain);
  if (domain.empty() || domain.find_first_of(" \t;,\r\n") != std::string::npos) return false;
  if (IsDottedQuad(AHost)) return Lower(ADomain) == Lower(AHost);
  if (Lower(domain) == Lower(AHost)) return true;
  const size_t dot = domain.find('.');
  if (dot == std::string::npos || dot == 0 || domain.back() == '.') return false;
  return CookieDomainMatches(AHost, domain);
}
