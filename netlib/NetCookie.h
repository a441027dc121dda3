// Cookies (Netscape, RFC 2109, RFC 2965) and the collection that keeps
// them, with a list of cookie lists by domain.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "classlib/Collections.h"
#include "classlib/SyncObjs.h"

class TNetNetscapeCookie : public TCollectionItem {
  DECLARE_CLASSINFO(TNetNetscapeCookie)
public:
  explicit TNetNetscapeCookie(TCollection* ACollection = nullptr);
  ~TNetNetscapeCookie() override;   // leaves its domain's list

  std::string CookieName;
  std::string Value;
  std::string Domain;
  std::string Path;
  std::string Expires;   // as the server wrote it
  bool Secure = false;
  int Version() const { return FVersion; }

  // Parses a "Set-Cookie" value; attributes this kind does not know are ignored.
  void SetCookieText(const std::string& AText);
  // name=value; path=...; expires=...; domain=...; secure
  virtual std::string CookieText() const;
  // name=value, as a request carries it.
  std::string ClientCookie() const { return CookieName + "=" + Value; }
  // The expiry as local time; 0 without one.
  TDateTime ExpiresDate() const;
  bool Expired(TDateTime ANow) const;
  void Assign(TPersistent* Source) override;

protected:
  // One attribute (its name upper-cased); false when unknown here.
  virtual bool ReadAttribute(const std::string& AName, const std::string& AValue);
  virtual void AfterParse() {}
  int FVersion = 0;
};

class TNetCookieRFC2109 : public TNetNetscapeCookie {
  DECLARE_CLASSINFO(TNetCookieRFC2109)
public:
  explicit TNetCookieRFC2109(TCollection* ACollection = nullptr);
  int64_t MaxAge = -1;
  std::string Comment;
  std::string VersionText;
  std::string CookieText() const override;

protected:
  bool ReadAttribute(const std::string& AName, const std::string& AValue) override;
  void AfterParse() override;   // a max-age gives the expiry
};

class TNetCookieRFC2965 : public TNetCookieRFC2109 {
  DECLARE_CLASSINFO(TNetCookieRFC2965)
public:
  explicit TNetCookieRFC2965(TCollection* ACollection = nullptr);
  std::string CommentURL;
  bool Discard = false;
  std::string PortList;
  std::string CookieText() const override;

protected:
  bool ReadAttribute(const std::string& AName, const std::string& AValue) override;
};

// What the store keeps at most; the oldest cookies make room.
inline constexpr int MaxCookiesPerDomain = 50;
inline constexpr int MaxCookies = 3000;

// The cookies of one domain by name; owns nothing.
class TNetCookieList : public TStringList {
  DECLARE_CLASSINFO(TNetCookieList)
public:
  TNetNetscapeCookie* Cookies(int Index) const { return static_cast<TNetNetscapeCookie*>(Objects(Index)); }
};

// All cookies (owned), and by domain a TNetCookieList. Readers share the
// lists; adding and removing cookies (collection and lists) writes.
class TNetCookies : public TOwnedCollection {
  DECLARE_CLASSINFO(TNetCookies)
public:
  explicit TNetCookies(TPersistent* AOwner);
  ~TNetCookies() override;

  // ENetException "Index out of range." outside the collection.
  TNetNetscapeCookie* Cookie(int Index) const;
  // Files a cookie (taken into the collection when it is not yet there) in
  // its domain's list, replacing (and freeing) one of the same name there.
  void AddCookie(TNetNetscapeCookie* ACookie);
  TNetNetscapeCookie* FindCookie(const std::string& AName, const std::string& ADomain);
  // The domain lists; hold the read lock while using them.
  const TStringList& LockCookieListByDomain();
  void UnlockCookieListByDomain();
  // Frees every cookie whose expiry lies before ANow.
  void RemoveExpired(TDateTime ANow);
  // A cookie being freed leaves its domain's list and the collection.
  void ForgetCookie(TNetNetscapeCookie* ACookie);

private:
  // Out of the domain lists and the collection (the write lock held).
  void Detach(TNetNetscapeCookie* ACookie);
  TStringList FCookieListByDomain;   // domain -> TNetCookieList (owned)
  TMultiReadExclusiveWriteSynchronizer FLock;
  bool FClearing = false;
};
