#include "netlib/NetCookie.h"

#include <vector>

#include "netlib/NetCookieText.h"
#include "netlib/NetException.h"
#include "netlib/NetGlobal.h"
#include "netlib/NetResourceStrings.h"

IMPLEMENT_CLASSINFO(TNetNetscapeCookie, TCollectionItem)
IMPLEMENT_CLASSINFO(TNetCookieRFC2109, TNetNetscapeCookie)
IMPLEMENT_CLASSINFO(TNetCookieRFC2965, TNetCookieRFC2109)
IMPLEMENT_CLASSINFO(TNetCookieList, TStringList)
IMPLEMENT_CLASSINFO(TNetCookies, TOwnedCollection)

namespace {
std::string Unquoted(const std::string& S) {
  if (S.size() >= 2 && S.front() == '"' && S.back() == '"') return S.substr(1, S.size() - 2);
  return S;
}

void AddAttribute(std::string& Text, const char* Name, const std::string& Value) {
  if (!Value.empty()) Text += std::string("; ") + Name + "=" + Value;
}

class TWriteGuard {
public:
  explicit TWriteGuard(TMultiReadExclusiveWriteSynchronizer& Lock) : FLock(Lock) { FLock.BeginWrite(); }
  ~TWriteGuard() { FLock.EndWrite(); }
  TWriteGuard(const TWriteGuard&) = delete;
  TWriteGuard& operator=(const TWriteGuard&) = delete;

private:
  TMultiReadExclusiveWriteSynchronizer& FLock;
};
}  // namespace

TNetNetscapeCookie::TNetNetscapeCookie(TCollection* ACollection) : TCollectionItem(ACollection) {}

TNetNetscapeCookie::~TNetNetscapeCookie() {
  if (auto* cookies = dynamic_cast<TNetCookies*>(Collection())) cookies->ForgetCookie(this);
}

void TNetNetscapeCookie::SetCookieText(const std::string& AText) {
  const TCookieParts parts = ParseCookieText(AText);
  CookieName = parts.Name;
  Value = parts.Value;
  for (const TCookieAttribute& a : parts.Attributes) ReadAttribute(UpperCase(a.Name), a.Value);
  AfterParse();
}

bool TNetNetscapeCookie::ReadAttribute(const std::string& AName, const std::string& AValue) {
  if (AName == "PATH") Path = Unquoted(AValue);
  else if (AName == "EXPIRES") Expires = AValue;
  else if (AName == "DOMAIN") Domain = AValue;
  else if (AName == "SECURE") Secure = true;
  else return false;
  return true;
}

std::string TNetNetscapeCookie::CookieText() const {
  std::string t = ClientCookie();
  AddAttribute(t, "path", Path);
  AddAttribute(t, "expires", Expires);
  AddAttribute(t, "domain", Domain);
  if (Secure) t += "; secure";
  return t;
}

TDateTime TNetNetscapeCookie::ExpiresDate() const { return Expires.empty() ? 0 : DateTextToGMT(Expires); }

bool TNetNetscapeCookie::Expired(TDateTime ANow) const {
  const TDateTime d = ExpiresDate();
  return !Expires.empty() && d != 0 && d < ANow;
}

void TNetNetscapeCookie::Assign(TPersistent* Source) {
  if (auto* c = dynamic_cast<TNetNetscapeCookie*>(Source)) {
    CookieName = c->CookieName;
    Value = c->Value;
    Domain = c->Domain;
    Path = c->Path;
    Expires = c->Expires;
    Secure = c->Secure;
    return;
  }
  TCollectionItem::Assign(Source);
}

TNetCookieRFC2109::TNetCookieRFC2109(TCollection* ACollection) : TNetNetscapeCookie(ACollection) { FVersion = 1; }

bool TNetCookieRFC2109::ReadAttribute(const std::string& AName, const std::string& AValue) {
  if (TNetNetscapeCookie::ReadAttribute(AName, AValue)) return true;
  if (AName == "MAX-AGE") {
    int v = 0;
    MaxAge = TryStrToInt(Trim(Unquoted(AValue)), v) ? v : -1;
  } else if (AName == "VERSION") {
    VersionText = Unquoted(AValue);
  } else if (AName == "COMMENT") {
    Comment = AValue;
  } else {
    return false;
  }
  return true;
}

void TNetCookieRFC2109::AfterParse() {
  if (MaxAge >= 0) Expires = LocalDateText(Now() + static_cast<double>(MaxAge) / 86400.0);
}

std::string TNetCookieRFC2109::CookieText() const {
  std::string t = TNetNetscapeCookie::CookieText();
  if (MaxAge >= 0) t += "; max-age=" + IntToStr(MaxAge);
  AddAttribute(t, "comment", Comment);
  AddAttribute(t, "version", VersionText);
  return t;
}

TNetCookieRFC2965::TNetCookieRFC2965(TCollection* ACollection) : TNetCookieRFC2109(ACollection) { FVersion = 2; }

bool TNetCookieRFC2965::ReadAttribute(const std::string& AName, const std::string& AValue) {
  if (TNetCookieRFC2109::ReadAttribute(AName, AValue)) return true;
  if (AName == "COMMENTURL") CommentURL = Unquoted(AValue);
  else if (AName == "DISCARD") Discard = true;
  else if (AName == "PORT") PortList = Unquoted(AValue);
  else return false;
  return true;
}

std::string TNetCookieRFC2965::CookieText() const {
  std::string t = TNetCookieRFC2109::CookieText();
  if (!CommentURL.empty()) t += "; CommentURL=\"" + CommentURL + "\"";
  if (Discard) t += "; Discard";
  if (!PortList.empty()) t += "; Port=\"" + PortList + "\"";
  return t;
}

TNetCookies::TNetCookies(TPersistent* AOwner)
    : TOwnedCollection(AOwner, CollectionItemClassOf<TNetNetscapeCookie>()) {
  FCookieListByDomain.OwnsObjects = true;
  FCookieListByDomain.CaseSensitive = false;
}

TNetCookies::~TNetCookies() {
  FClearing = true;
  Clear();
}

TNetNetscapeCookie* TNetCookies::Cookie(int Index) const {
  if (Index < 0 || Index >= Count()) throw ENetException(RSCookieIndexOutOfRange);
  return static_cast<TNetNetscapeCookie*>(Items(Index));
}

void TNetCookies::AddCookie(TNetNetscapeCookie* ACookie) {
  std::unique_ptr<TNetNetscapeCookie> old;
  std::vector<std::unique_ptr<TNetNetscapeCookie>> dropped;
  {
    TWriteGuard guard(FLock);
    if (ACookie->Collection() != this) ACookie->SetCollection(this);
    int d = FCookieListByDomain.IndexOf(ACookie->Domain);
    if (d < 0) d = FCookieListByDomain.AddObject(ACookie->Domain, new TNetCookieList);
    auto* list = static_cast<TNetCookieList*>(FCookieListByDomain.Objects(d));
    list->CaseSensitive = true;
    const int i = list->IndexOf(ACookie->CookieName);
    if (i >= 0 && list->Cookies(i) != ACookie) {
      old.reset(list->Cookies(i));
      Detach(old.get());
    } else if (i >= 0) {
      list->Delete(i);
    }
    list->AddObject(ACookie->CookieName, ACookie);
    // A server may set any number: the oldest go beyond the limits (both
    // the domain's list and the collection keep the order of setting).
    while (list->Count() > MaxCookiesPerDomain) {
      dropped.emplace_back(list->Cookies(0));
      Detach(dropped.back().get());
    }
    while (Count() > MaxCookies) {
      dropped.emplace_back(Cookie(0));
      Detach(dropped.back().get());
    }
  }
  // Replaced and dropped cookies are freed outside the lock, no longer in the collection.
}

TNetNetscapeCookie* TNetCookies::FindCookie(const std::string& AName, const std::string& ADomain) {
  FLock.BeginRead();
  TNetNetscapeCookie* r = nullptr;
  const int d = FCookieListByDomain.IndexOf(ADomain);
  if (d >= 0) {
    auto* list = static_cast<TNetCookieList*>(FCookieListByDomain.Objects(d));
    const int i = list->IndexOf(AName);
    if (i >= 0) r = list->Cookies(i);
  }
  FLock.EndRead();
  return r;
}

const TStringList& TNetCookies::LockCookieListByDomain() {
  FLock.BeginRead();
  return FCookieListByDomain;
}

void TNetCookies::UnlockCookieListByDomain() { FLock.EndRead(); }

void TNetCookies::Detach(TNetNetscapeCookie* ACookie) {
  for (int d = 0; d < FCookieListByDomain.Count(); ++d) {
    auto* list = static_cast<TNetCookieList*>(FCookieListByDomain.Objects(d));
    for (int i = list->Count() - 1; i >= 0; --i)
      if (list->Cookies(i) == ACookie) list->Delete(i);
  }
  ACookie->SetCollection(nullptr);
}

void TNetCookies::ForgetCookie(TNetNetscapeCookie* ACookie) {
  if (FClearing) return;
  TWriteGuard guard(FLock);
  Detach(ACookie);
}

void TNetCookies::RemoveExpired(TDateTime ANow) {
  std::vector<std::unique_ptr<TNetNetscapeCookie>> expired;
  {
    TWriteGuard guard(FLock);
    for (int i = Count() - 1; i >= 0; --i) {
      TNetNetscapeCookie* c = Cookie(i);
      if (!c->Expired(ANow)) continue;
      Detach(c);
      expired.emplace_back(c);
    }
  }
  // freed here, outside the lock
}
