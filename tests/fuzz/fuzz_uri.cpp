// The URL splitter of the HTTP client on hostile text: the parts never
// hold the characters that end them, and a URL built from the parts splits
// into the same server, credentials, path and document again.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "netlib/NetURI.h"

namespace {
void Check(bool Condition) {
  if (!Condition) std::abort();
}

bool Holds(const std::string& S, const char* Chars) { return S.find_first_of(Chars) != std::string::npos; }
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
  const std::string text(reinterpret_cast<const char*>(Data), Size);
  TNetURI u;
  u.SetURI(text);
  Check(!Holds(u.Host, "/?#@:\\") && !Holds(u.Port, "/?#@\\"));
  Check(!Holds(u.Username, ":/?#\\") && !Holds(u.Password, "/?#\\"));
  Check(!u.Path.empty() && u.Path.front() == '/' && u.Path.back() == '/');
  Check(!Holds(u.Document, "/?"));
  Check(u.Params.empty() || u.Params[0] == '?' || u.Params[0] == '=');
  if (u.Protocol.empty() || u.Host.empty()) return 0;
  TNetURI again;
  again.SetURI(u.URI());
  Check(again.Protocol == u.Protocol && again.Host == u.Host && again.Port == u.Port && again.Path == u.Path &&
        again.Document == u.Document);
  if (!u.Username.empty()) Check(again.Username == u.Username && again.Password == u.Password);
  return 0;
}
