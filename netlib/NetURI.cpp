#include "netlib/NetURI.h"

#include <windows.h>

#include <algorithm>

#include "netlib/NetException.h"
#include "netlib/NetResourceStrings.h"

IMPLEMENT_CLASSINFO(TNetURI, TObject)

namespace {
// "\" becomes "/", except inside double-byte characters.
std::string ForwardSlashes(const std::string& S) {
  std::string r = S;
  for (size_t i = 0; i < r.size(); ++i) {
    if (IsDBCSLeadByte(static_cast<BYTE>(r[i]))) ++i;
    else if (r[i] == '\\') r[i] = '/';
  }
  return r;
}

// Bookmark from the first "#" of Part on; Part keeps what is before it.
bool TakeBookmark(std::string& Part, std::string& Bookmark) {
  const size_t p = Part.find('#');
  if (p == std::string::npos) return false;
  Bookmark = Part.substr(p + 1);
  Part.erase(p);
  return true;
}
}  // namespace

TNetURI::TNetURI(const std::string& AURI) {
  if (!AURI.empty()) SetURI(AURI);
}

void TNetURI::SetURI(const std::string& Value) {
  FURI = Value;
  Document.clear(); Protocol.clear(); Port.clear(); Path.clear(); Host.clear();
  Bookmark.clear(); Username.clear(); Password.clear(); Params.clear();
  std::string rest = ForwardSlashes(Value);
  const size_t scheme = rest.find("://");
  if (scheme != std::string::npos) {
    Protocol = rest.substr(0, scheme);
    rest.erase(0, scheme + 3);
    // The authority ends at the path, the query or the bookmark; only a
    // "/" is taken away with it.
    const size_t end = std::min(rest.find_first_of("/?#"), rest.size());
    std::string authority = rest.substr(0, end);
    rest.erase(0, end < rest.size() && rest[end] == '/' ? end + 1 : end);
    // User information runs to the last "@" (a password may hold one).
    const size_t at = authority.rfind('@');
    if (at != std::string::npos) {
      const std::string user = authority.substr(0, at);
      authority.erase(0, at + 1);
      const size_t colon = user.find(':');
      Username = user.substr(0, colon);
      Password = colon == std::string::npos ? std::string() : user.substr(colon + 1);
    }
    const size_t colon = authority.find(':');
    Host = authority.substr(0, colon);
    Port = colon == std::string::npos ? std::string() : authority.substr(colon + 1);
  } else if (!rest.empty() && rest[0] == '/') {
    rest.erase(0, 1);
  }
  size_t split = rest.find('?');
  if (split == std::string::npos) split = rest.find('=');
  if (split == std::string::npos) split = rest.size();
  const std::string before = rest.substr(0, split);
  Params = rest.substr(split);
  const size_t slash = before.rfind('/');
  Path = "/" + (slash == std::string::npos ? std::string() : before.substr(0, slash + 1));
  Document = slash == std::string::npos ? before : before.substr(slash + 1);
  if (!TakeBookmark(Document, Bookmark)) TakeBookmark(Params, Bookmark);
}

std::string TNetURI::URI() {
  FURI = BuildURL(true, true);
  return FURI;
}

std::string TNetURI::BuildURL(bool WithUserPassword, bool WithBookmark) const {
  if (Protocol.empty()) throw ENetURIException(RSURINoProtocol);
  if (Host.empty()) throw ENetURIException(RSURINoHost);
  std::string r = Protocol + "://";
  if (WithUserPassword && !Username.empty()) {
    r += Username;
    if (!Password.empty()) r += ":" + Password;
    r += "@";
  }
  r += Host;
  if (!Port.empty()) r += ":" + Port;
  r += Path + Document + Params;
  if (WithBookmark && !Bookmark.empty()) r += "#" + Bookmark;
  return r;
}
