// Keeps the cookies that responses set and gives the "Cookie" header text
// for a request.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "netlib/NetBaseComponent.h"
#include "netlib/NetCookie.h"

using TOnManagerEvent = std::function<void(TObject* Sender, TNetCookies& ACookieCollection)>;
using TOnNewCookieEvent = std::function<void(TObject* Sender, TNetNetscapeCookie* ACookie, bool& VAccept)>;

class TNetCookieManager : public TNetBaseComponent {
  DECLARE_CLASSINFO(TNetCookieManager)
public:
  explicit TNetCookieManager(TComponent* AOwner);
  ~TNetCookieManager() override;   // expired cookies go, then OnDestroy

  TOnManagerEvent OnCreate;
  TOnManagerEvent OnDestroy;
  TOnNewCookieEvent OnNewCookie;

  TNetCookies& CookieCollection() { return *FCookies; }
  // From a "Set-Cookie" value (Netscape form, RFC 2109 attributes) for a
  // response of AHost; false when refused (a domain the host may not set,
  // a line break, or OnNewCookie).
  bool AddCookie(const std::string& ACookie, const std::string& AHost);
  // From a "Set-Cookie2" value (RFC 2965).
  bool AddCookie2(const std::string& ACookie, const std::string& AHost);
  // "n1=v1; n2=v2" of the unexpired cookies for the host and path.
  std::string GenerateCookieList(const std::string& AHost, const std::string& APath, bool ASecure);
  void CleanupCookieList();

  // Fires OnCreate (which cannot be assigned before the constructor runs).
  void Loaded() override;

private:
  bool Accept(std::unique_ptr<TNetNetscapeCookie> ACookie, const std::string& AHost);
  std::unique_ptr<TNetCookies> FCookies;
};
