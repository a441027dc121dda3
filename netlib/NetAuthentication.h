// HTTP authentication schemes ("Basic" only) and their registry by name.
#pragma once
#include <memory>
#include <string>

#include "netlib/NetHeaderList.h"

enum class TNetAuthWhatsNext { wnAskTheProgram, wnDoRequest, wnFail };

class TNetAuthentication : public TPersistent {
  DECLARE_CLASSINFO(TNetAuthentication)
public:
  TNetAuthentication();
  ~TNetAuthentication() override;

  TNetHeaderList Params;   // "Username=..." and "Password=...", kept as given
  // The parameters of the server's challenge (made on first use).
  TNetHeaderList& AuthParams();

  std::string Username() const { return Param("Username"); }
  void SetUsername(const std::string& Value) { Params.SetValues("Username", Value); }
  std::string Password() const { return Param("Password"); }
  void SetPassword(const std::string& Value) { Params.SetValues("Password", Value); }
  int CurrentStep() const { return FCurrentStep; }

  // Reads a challenge line ("Basic realm=...").
  virtual void SetChallenge(const std::string& AChallenge);
  // What to do next: ask the program for credentials or send them.
  virtual TNetAuthWhatsNext Next() = 0;
  // The credentials text for the "Authorization" header.
  virtual std::string Authentication() = 0;
  virtual void Reset() { FCurrentStep = 0; }
  // True once the credentials were sent.
  virtual bool Finished() const { return FCurrentStep > 0; }

protected:
  int FCurrentStep = 0;

private:
  // The value of a line of Params untrimmed: blanks are part of a password.
  std::string Param(const std::string& AName) const;
  std::unique_ptr<TNetHeaderList> FAuthParams;
};

class TNetBasicAuthentication : public TNetAuthentication {
  DECLARE_CLASSINFO(TNetBasicAuthentication)
public:
  std::string Realm;
  void SetChallenge(const std::string& AChallenge) override;
  TNetAuthWhatsNext Next() override;
  // "Basic " and the base64 of username ":" password.
  std::string Authentication() override;
};

// A class reference of the registry.
struct TNetAuthenticationClass {
  TClass Class = nullptr;
  std::unique_ptr<TNetAuthentication> (*Create)() = nullptr;
  explicit operator bool() const { return Class != nullptr; }
};
template <typename T>
TNetAuthenticationClass AuthenticationClassOf() {
  return {T::StaticClass(), []() -> std::unique_ptr<TNetAuthentication> { return std::make_unique<T>(); }};
}

// ENetAlreadyRegisteredAuthenticationMethod when the name is taken.
void RegisterAuthenticationMethod(const std::string& AName, TNetAuthenticationClass AClass);
void UnregisterAuthenticationMethod(const std::string& AName);
// By scheme name, ignoring case; empty when unknown.
TNetAuthenticationClass FindAuthenticationMethod(const std::string& AName);

void NetAuthentication_Initialize();   // registers "Basic"
void NetAuthentication_Finalize();
