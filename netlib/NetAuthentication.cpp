#include "netlib/NetAuthentication.h"

#include <vector>

#include "classlib/UnitInit.h"
#include "netlib/NetCoderMIME.h"
#include "netlib/NetException.h"
#include "netlib/NetGlobal.h"
#include "netlib/NetResourceStrings.h"

IMPLEMENT_CLASSINFO(TNetAuthentication, TPersistent)
IMPLEMENT_CLASSINFO(TNetBasicAuthentication, TNetAuthentication)

namespace {
TUnitCounter UnitCounter;
struct TRegistered {
  std::string Name;
  TNetAuthenticationClass Class;
};
std::unique_ptr<std::vector<TRegistered>> Registry;
}  // namespace

TNetAuthentication::TNetAuthentication() {
  Params.NameSeparator = "=";
  Params.FoldLongLines = false;
  Params.UnfoldContinuations = false;
}

std::string TNetAuthentication::Param(const std::string& AName) const {
  const int i = Params.IndexOfName(AName);
  if (i < 0) return "";
  const std::string& line = Params[i];
  return line.substr(line.find('=') + 1);
}
TNetAuthentication::~TNetAuthentication() = default;

TNetHeaderList& TNetAuthentication::AuthParams() {
  if (!FAuthParams) {
    FAuthParams = std::make_unique<TNetHeaderList>();
    FAuthParams->NameSeparator = "=";
  }
  return *FAuthParams;
}

void TNetAuthentication::SetChallenge(const std::string& AChallenge) {
  std::string rest = AChallenge;
  CutAtDelimiter(rest, " ");   // the scheme
  TNetHeaderList& p = AuthParams();
  p.Clear();
  while (!Trim(rest).empty()) p.Add(Trim(CutAtDelimiter(rest, ",")));
}

void TNetBasicAuthentication::SetChallenge(const std::string& AChallenge) {
  TNetAuthentication::SetChallenge(AChallenge);
  Realm = AuthParams().Values("realm");
  if (Realm.size() >= 2 && Realm.front() == '"' && Realm.back() == '"') Realm = Realm.substr(1, Realm.size() - 2);
}

TNetAuthWhatsNext TNetBasicAuthentication::Next() {
  if (Username().empty()) return TNetAuthWhatsNext::wnAskTheProgram;
  return TNetAuthWhatsNext::wnDoRequest;
}

std::string TNetBasicAuthentication::Authentication() {
  FCurrentStep = 1;
  return "Basic " + TNetEncoderMIME::EncodeString(Username() + ":" + Password());
}

void RegisterAuthenticationMethod(const std::string& AName, TNetAuthenticationClass AClass) {
  if (!Registry) Registry = std::make_unique<std::vector<TRegistered>>();
  for (const TRegistered& r : *Registry)
    if (SameText(r.Name, AName))
      throw ENetAlreadyRegisteredAuthenticationMethod(
          Format(RSAuthenticationMethodAlreadyRegistered, r.Class.Class->Name));
  Registry->push_back({AName, AClass});
}

void UnregisterAuthenticationMethod(const std::string& AName) {
  if (!Registry) return;
  std::erase_if(*Registry, [&](const TRegistered& r) { return SameText(r.Name, AName); });
}

TNetAuthenticationClass FindAuthenticationMethod(const std::string& AName) {
  if (Registry)
    for (const TRegistered& r : *Registry)
      if (SameText(r.Name, AName)) return r.Class;
  return {};
}

void NetAuthentication_Initialize() {
  if (!UnitCounter.Enter()) return;
  NetCoderMIME_Initialize();
  RegisterAuthenticationMethod("Basic", AuthenticationClassOf<TNetBasicAuthentication>());
}

void NetAuthentication_Finalize() {
  if (!UnitCounter.Leave()) return;
  Registry.reset();
  NetCoderMIME_Finalize();
}
