// Authentications that succeeded, kept by URL.
#pragma once
#include <string>

#include "classlib/Collections.h"
#include "netlib/NetAuthentication.h"
#include "netlib/NetBaseComponent.h"
#include "netlib/NetURI.h"

class TNetAuthenticationItem : public TCollectionItem {
  DECLARE_CLASSINFO(TNetAuthenticationItem)
public:
  explicit TNetAuthenticationItem(TCollection* ACollection) : TCollectionItem(ACollection) {}
  TNetURI URI;
  TStringList Params;
};

class TNetAuthenticationManager : public TNetBaseComponent {
  DECLARE_CLASSINFO(TNetAuthenticationManager)
public:
  explicit TNetAuthenticationManager(TComponent* AOwner);
  TOwnedCollection Authentications;
  // Stores the authentication's parameters under the URL (one item per URL).
  void AddAuthentication(TNetAuthentication& AAuthentication, const std::string& AURL);
  TNetAuthenticationItem* Find(const std::string& AURL) const;
};
