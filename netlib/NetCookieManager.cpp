#include "netlib/NetCookieManager.h"

#include <algorithm>
#include <vector>

#include "netlib/NetCookieText.h"
#include "netlib/NetGlobal.h"

IMPLEMENT_CLASSINFO(TNetCookieManager, TNetBaseComponent)

TNetCookieManager::TNetCookieManager(TComponent* AOwner)
    : TNetBaseComponent(AOwner), FCookies(std::make_unique<TNetCookies>(this)) {}

void TNetCookieManager::Loaded() {
  TNetBaseComponent::Loaded();
  if (OnCreate) OnCreate(this, *FCookies);
}

TNetCookieManager::~TNetCookieManager() {
  try {
    CleanupCookieList();
  } catch (...) {
    // freeing goes on
  }
  if (OnDestroy) {
    try {
      OnDestroy(this, *FCookies);
    } catch (...) {
    }
  }
}

bool TNetCookieManager::Accept(std::unique_ptr<TNetNetscapeCookie> ACookie, const std::string& AHost) {
  TNetNetscapeCookie* c = ACookie.get();
  if (c->Domain.empty()) c->Domain = AHost;
  bool ok = !c->CookieName.empty() && !HasLineBreak(c->CookieName + c->Value + c->Domain + c->Path) &&
            CookieDomainAllowed(AHost, c->Domain);
  if (ok && OnNewCookie) OnNewCookie(this, c, ok);
  if (!ok) return false;
  FCookies->AddCookie(ACookie.release());   // joins the collection under its lock
  return true;
}

bool TNetCookieManager::AddCookie(const std::string& ACookie, const std::string& AHost) {
  auto c = std::make_unique<TNetCookieRFC2109>();
  c->SetCookieText(ACookie);
  return Accept(std::move(c), AHost);
}

bool TNetCookieManager::AddCookie2(const std::string& ACookie, const std::string& AHost) {
  auto c = std::make_unique<TNetCookieRFC2965>();
  c->SetCookieText(ACookie);
  return Accept(std::move(c), AHost);
}

void TNetCookieManager::CleanupCookieList() { FCookies->RemoveExpired(Now()); }

std::string TNetCookieManager::GenerateCookieList(const std::string& AHost, const std::string& APath, bool ASecure) {
  CleanupCookieList();
  const std::string path = APath.empty() ? "/" : APath;
  TStringList collected;
  collected.Duplicates = TDuplicates::dupAccept;
  const TStringList& domains = FCookies->LockCookieListByDomain();
  for (int d = 0; d < domains.Count(); ++d) {
    if (!CookieDomainMatches(AHost, domains[d])) continue;
    auto* list = static_cast<TNetCookieList*>(domains.Objects(d));
    for (int i = 0; i < list->Count(); ++i) {
      TNetNetscapeCookie* c = list->Cookies(i);
      const std::string cpath = c->Path.empty() ? "/" : c->Path;
      if (path.compare(0, cpath.size(), cpath) != 0 || c->Value.empty() || (c->Secure && !ASecure)) continue;
      collected.Add(c->ClientCookie());
    }
  }
  FCookies->UnlockCookieListByDomain();
  collected.Sort();
  std::string r;
  for (int i = 0; i < collected.Count(); ++i) r += (i ? "; " : "") + collected[i];
  return r;
}
