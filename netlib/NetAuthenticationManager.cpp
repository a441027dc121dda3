#include "netlib/NetAuthenticationManager.h"

IMPLEMENT_CLASSINFO(TNetAuthenticationItem, TCollectionItem)
IMPLEMENT_CLASSINFO(TNetAuthenticationManager, TNetBaseComponent)

TNetAuthenticationManager::TNetAuthenticationManager(TComponent* AOwner)
    : TNetBaseComponent(AOwner), Authentications(this, CollectionItemClassOf<TNetAuthenticationItem>()) {}

TNetAuthenticationItem* TNetAuthenticationManager::Find(const std::string& AURL) const {
  for (int i = 0; i < Authentications.Count(); ++i) {
    auto* item = static_cast<TNetAuthenticationItem*>(Authentications.Items(i));
    if (item->URI.URI() == TNetURI(AURL).URI()) return item;
  }
  return nullptr;
}

void TNetAuthenticationManager::AddAuthentication(TNetAuthentication& AAuthentication, const std::string& AURL) {
  TNetAuthenticationItem* item = Find(AURL);
  if (!item) {
    item = static_cast<TNetAuthenticationItem*>(Authentications.Add());
    item->URI.SetURI(AURL);
  }
  item->Params.Clear();
  item->Params.Add("Username=" + AAuthentication.Username());
  item->Params.Add("Password=" + AAuthentication.Password());
}
