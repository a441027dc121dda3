// HTTP/1.0 and 1.1 client: persistent connections, redirects,
// authentication retries, proxies (plain, and a CONNECT tunnel for TLS),
// cookies and chunked bodies.
#pragma once
#include <functional>
#include <memory>
#include <string>

#include "classlib/Sets.h"
#include "netlib/NetAuthenticationManager.h"
#include "netlib/NetCookieManager.h"
#include "netlib/NetHTTPHeaderInfo.h"
#include "netlib/NetHTTPWire.h"
#include "netlib/NetTCPClient.h"
#include "netlib/NetURI.h"

enum class TNetHTTPMethod { hmHead, hmGet, hmPost, hmOptions, hmTrace, hmPut, hmConnect };
enum class TNetHTTPProtocolVersion { pv1_0, pv1_1 };
enum class TNetHTTPOption { hoInProcessAuth, hoKeepOrigProtocol, hoForceEncodeParams };
using TNetHTTPOptions = TSet<TNetHTTPOption>;
enum class TNetHTTPWhatsNext { wnGoToURL, wnJustExit, wnDontKnow, wnReadAndGo, wnAuthRequest };

// The request word of a method ("GET ").
std::string HTTPMethodWord(TNetHTTPMethod AMethod);

class TNetCustomHTTP;

class TNetHTTPRequest : public TNetRequestHeaderInfo {
  DECLARE_CLASSINFO(TNetHTTPRequest)
public:
  explicit TNetHTTPRequest(TNetCustomHTTP* AHTTP) : FHTTP(AHTTP) {}
  std::string URL;   // what the request line carries
  TNetHTTPMethod Method = TNetHTTPMethod::hmGet;
  TStream* Source = nullptr;   // not owned
  TNetCustomHTTP* HTTP() const { return FHTTP; }

private:
  TNetCustomHTTP* FHTTP;
};

class TNetHTTPResponse : public TNetResponseHeaderInfo {
  DECLARE_CLASSINFO(TNetHTTPResponse)
public:
  explicit TNetHTTPResponse(TNetCustomHTTP* AHTTP) : FHTTP(AHTTP) {}
  std::string ResponseText;      // the status line
  std::string ResponseVersion;   // "1.0" or "1.1"
  TStream* ContentStream = nullptr;   // not owned
  int ResponseCode() const { return FResponseCode; }
  void SetResponseText(const std::string& AText);
  // Whether the connection stays open after this response.
  bool KeepAlive();

private:
  TNetCustomHTTP* FHTTP;
  int FResponseCode = -1;
};

// One request and its response.
class TNetHTTPProtocol : public TObject {
  DECLARE_CLASSINFO(TNetHTTPProtocol)
public:
  explicit TNetHTTPProtocol(TNetCustomHTTP* AHTTP);
  TNetHTTPRequest Request;
  TNetHTTPResponse Response;
  TNetHTTPWhatsNext ProcessResponse();

private:
  TNetCustomHTTP* FHTTP;
};

using TNetHTTPOnRedirectEvent = std::function<void(TObject* Sender, std::string& dest, int& NumRedirect,
                                                   bool& Handled, TNetHTTPMethod& VMethod)>;
using TNetOnSelectAuthorization =
    std::function<void(TObject* Sender, TNetAuthenticationClass& AuthenticationClass, TNetHeaderList& AuthInfo)>;
using TNetOnAuthorization = std::function<void(TObject* Sender, TNetAuthentication* Authentication, bool& Handled)>;

class TNetCustomHTTP : public TNetTCPClient, private TNetHTTPSource {
  DECLARE_CLASSINFO(TNetCustomHTTP)
  friend class TNetHTTPProtocol;

public:
  explicit TNetCustomHTTP(TComponent* AOwner);
  ~TNetCustomHTTP() override;

  int AuthRetries = 3;
  bool AllowCookies = true;
  bool HandleRedirects = false;
  TNetHTTPProtocolVersion ProtocolVersion = TNetHTTPProtocolVersion::pv1_1;
  int RedirectMaximum = 15;
  TNetHTTPOptions HTTPOptions{TNetHTTPOption::hoForceEncodeParams};
  int ConnectTimeout = 0;
  TNetProxyConnectionInfo ProxyParams;
  TNetHTTPOnRedirectEvent OnRedirect;
  TNetOnSelectAuthorization OnSelectAuthorization;
  TNetOnSelectAuthorization OnSelectProxyAuthorization;
  TNetOnAuthorization OnAuthorization;
  TNetOnAuthorization OnProxyAuthorization;

  TNetHTTPRequest& Request() { return FHTTPProto->Request; }
  TNetHTTPResponse& Response() { return FHTTPProto->Response; }
  int ResponseCode() { return Response().ResponseCode(); }
  std::string ResponseText() { return Response().ResponseText; }
  TNetURI& URL() { return FURI; }
  int RedirectCount() const { return FRedirectCount; }

  TNetCookieManager* CookieManager() const { return FCookieManager; }
  // Another manager frees one the client made itself.
  void SetCookieManager(TNetCookieManager* Value);
  TNetAuthenticationManager* AuthenticationManager() const { return FAuthenticationManager; }
  void SetAuthenticationManager(TNetAuthenticationManager* Value);

  // One request: passes of prepare, send, read and decide until one is final.
  void DoRequest(TNetHTTPMethod AMethod, const std::string& AURL, TStream* ASource, TStream* AResponseContent);
  void Get(const std::string& AURL, TStream& AResponseContent);
  std::string Get(const std::string& AURL);
  void Head(const std::string& AURL);
  void Post(const std::string& AURL, TStream& ASource, TStream& AResponseContent);
  std::string Post(const std::string& AURL, const std::string& ABody);
  void Put(const std::string& AURL, TStream& ASource, TStream& AResponseContent);
  void Options(const std::string& AURL, TStream& AResponseContent);
  void Trace(const std::string& AURL, TStream& AResponseContent);
  // Also ends a finished authentication: it belonged to this connection.
  void CloseConnection() override;
  // While a body is dropped, no wait goes past the time the drop has.
  int FillInputBuffer(bool ARaiseExceptionIfDisconnected = true, int ATimeout = NetTimeoutDefault,
                      bool ARaiseExceptionOnTimeout = true) override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;
  virtual bool DoOnRedirect(std::string& Location, TNetHTTPMethod& VMethod, int RedirectCount);
  virtual bool DoOnAuthorization(TNetHTTPRequest& ARequest, TNetHTTPResponse& AResponse);
  virtual bool DoOnProxyAuthorization(TNetHTTPRequest& ARequest, TNetHTTPResponse& AResponse);

private:
  std::string ReadLine() override;
  void ReadBytes(int64_t ACount, TStream* ADest) override;
  void PrepareRequest(TNetHTTPRequest& ARequest);
  void ConnectToHost(TNetHTTPRequest& ARequest, TNetHTTPResponse& AResponse);
  void OpenTunnel(TNetHTTPResponse& AResponse);
  // The header lines of the request, refused (before any connecting) when
  // a line break hides in any part of it.
  void ComposeRequest(TNetHTTPRequest& ARequest, const std::string& ARequestURL, const std::string& ACookies);
  void SendRequest(TNetHTTPRequest& ARequest, const std::string& ARequestURL, const std::string& ACookies);
  void RetrieveHeaders(TNetHTTPResponse& AResponse);
  // The body into AResponse.ContentStream (or ADest when given).
  void ReadResult(TNetHTTPResponse& AResponse, TStream* ADest);
  void ReadAndDropBody(TNetHTTPResponse& AResponse);
  std::string ReadErrorBody(TNetHTTPResponse& AResponse);
  bool UsesProxy() const { return !ProxyParams.ProxyServer().empty(); }
  void CheckNoLineBreaks(TNetHTTPRequest& ARequest, const std::string& ARequestURL, const std::string& ACookies);
  // Protocol, host and port of the current target.
  std::string Origin() const;
  // Stores a finished authentication under the URL it was made for and
  // frees it; an unfinished one too unless AKeepUnfinished.
  void EndAuthentication(bool AKeepUnfinished);
  void RestoreCallerCredentials();

  std::unique_ptr<TNetHTTPProtocol> FHTTPProto;
  TNetURI FURI;
  int FRedirectCount = 0;
  int FAuthRetries = 0;
  int FAuthProxyRetries = 0;
  bool FRedirecting = false;
  // The credentials of the request's first pass (the URL's when it has
  // some) and where it went; the caller's own, given back when it ends.
  struct TCallerCredentials {
    bool Saved = false;
    std::string Host;
    int Port = 0;
    std::string Username, Password;
    bool BasicAuthentication = false;
    std::string OwnUsername, OwnPassword;
  } FCaller;
  std::string FAuthOrigin, FAuthURL;   // where the request's authentication was made
  TNetCookieManager* FCookieManager = nullptr;
  std::unique_ptr<TNetCookieManager> FOwnCookieManager;
  TNetAuthenticationManager* FAuthenticationManager = nullptr;
  bool FDropping = false;     // a body is being dropped, since FDropStart
  uint32_t FDropStart = 0;
  std::string FTunnelTarget;   // host:port of an open CONNECT tunnel
  bool FHasTarget = false;     // Host and Port name where the connection goes
};

class TNetHTTP : public TNetCustomHTTP {
  DECLARE_CLASSINFO(TNetHTTP)
public:
  explicit TNetHTTP(TComponent* AOwner) : TNetCustomHTTP(AOwner) {}
};

void NetHTTP_Initialize();
void NetHTTP_Finalize();
