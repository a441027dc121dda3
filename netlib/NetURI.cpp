#include "netlib/NetURI.h"

#include <windows.h>

#include "netlib/NetException.h"
#include "netlib/NetGlobal.h"
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
    std::string authority = CutAtDelimiter(rest, "/");
    if (authority.find('@') != std::string::npos) {
      std::string user = CutAtDelimiter(authority, "@");
      Username = CutAtDelimiter(user, ":");
      Password = user;
    }
    Host = CutAtDelimiter(authority, ":");
    Port = authority;
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
