#include "netlib/NetHTTP.h"

#include "classlib/UnitInit.h"
#include "netlib/NetCookieText.h"
#include "netlib/NetException.h"
#include "netlib/NetGlobal.h"
#include "netlib/NetResourceStrings.h"
#include "netlib/NetSSLOpenSSL.h"

IMPLEMENT_CLASSINFO(TNetHTTPRequest, TNetRequestHeaderInfo)
IMPLEMENT_CLASSINFO(TNetHTTPResponse, TNetResponseHeaderInfo)
IMPLEMENT_CLASSINFO(TNetHTTPProtocol, TObject)
IMPLEMENT_CLASSINFO(TNetCustomHTTP, TNetTCPClient)
IMPLEMENT_CLASSINFO(TNetHTTP, TNetCustomHTTP)

namespace {
TUnitCounter UnitCounter;
constexpr int DropBodyTimeout = 4000;
constexpr int64_t DropBlock = 65536;

constexpr size_t MaxErrorBody = 65536;   // kept of an error body for the exception

// Takes what is written and keeps nothing.
class TDiscardStream : public TStream {
public:
  int64_t Read(void*, int64_t) override { return 0; }
  int64_t Write(const void*, int64_t Count) override { return Count; }
  int64_t Seek(int64_t, TSeekOrigin) override { return 0; }
  void SetSize(int64_t) override {}
};

std::string FirstWord(const std::string& S) {
  const std::string t = Trim(S);
  return t.substr(0, t.find(' '));
}

bool IsRedirect(int Code, const std::string& Location) {
  return (Code >= 300 && Code < 400 && Code != 304) || !Location.empty();
}
}  // namespace

std::string HTTPMethodWord(TNetHTTPMethod AMethod) {
  switch (AMethod) {
    case TNetHTTPMethod::hmHead: return "HEAD ";
    case TNetHTTPMethod::hmGet: return "GET ";
    case TNetHTTPMethod::hmPost: return "POST ";
    case TNetHTTPMethod::hmOptions: return "OPTIONS ";
    case TNetHTTPMethod::hmTrace: return "TRACE ";
    case TNetHTTPMethod::hmPut: return "PUT ";
    case TNetHTTPMethod::hmConnect: return "CONNECT ";
  }
  return "";
}

void TNetHTTPResponse::SetResponseText(const std::string& AText) {
  ResponseText = AText;
  const TNetStatusLine s = ParseStatusLine(AText);
  FResponseCode = s.Code;
  ResponseVersion = s.Version;
}

bool TNetHTTPResponse::KeepAlive() {
  if (!FHTTP->IsOpen()) return false;
  if (ResponseVersion == "1.1") return !SameText(Connection, "close") && !SameText(ProxyConnection, "close");
  return SameText(Connection, "keep-alive") || SameText(ProxyConnection, "keep-alive");
}

TNetHTTPProtocol::TNetHTTPProtocol(TNetCustomHTTP* AHTTP) : Request(AHTTP), Response(AHTTP), FHTTP(AHTTP) {}

TNetHTTPWhatsNext TNetHTTPProtocol::ProcessResponse() {
  TNetCustomHTTP& h = *FHTTP;
  const int code = Response.ResponseCode();
  if (IsRedirect(code, Response.Location)) {
    if (h.HandleRedirects && h.FRedirectCount < h.RedirectMaximum) {
      std::string location = Response.Location;
      TNetHTTPMethod method = Request.Method;
      if (!h.DoOnRedirect(location, method, h.FRedirectCount + 1)) {
        h.ReadAndDropBody(Response);
        throw ENetHTTPProtocolException(code, Response.ResponseText, "");
      }
      h.ReadAndDropBody(Response);
      ++h.FRedirectCount;
      Request.URL = location;
      Request.Method = method;
      return TNetHTTPWhatsNext::wnGoToURL;
    }
    h.ReadAndDropBody(Response);   // final: Location tells the caller where
    return TNetHTTPWhatsNext::wnJustExit;
  }
  if (code >= 200 && code < 300) {
    h.ReadResult(Response, Response.ContentStream);
    return TNetHTTPWhatsNext::wnJustExit;
  }
  if (code == 401 || code == 407) {
    const bool proxy = code == 407;
    int& tries = proxy ? h.FAuthProxyRetries : h.FAuthRetries;
    if (tries < h.AuthRetries && (proxy ? h.DoOnProxyAuthorization(Request, Response)
                                        : h.DoOnAuthorization(Request, Response))) {
      ++tries;
      h.ReadAndDropBody(Response);
      return h.HTTPOptions.Contains(TNetHTTPOption::hoInProcessAuth) ? TNetHTTPWhatsNext::wnAuthRequest
                                                                     : TNetHTTPWhatsNext::wnReadAndGo;
    }
    if (proxy) h.ProxyParams.Authentication.reset();
    else Request.Authentication.reset();
  }
  const std::string body = h.ReadErrorBody(Response);
  throw ENetHTTPProtocolException(code, Response.ResponseText, body);
}

// ---- Client ------------------------------------------------------------------

TNetCustomHTTP::TNetCustomHTTP(TComponent* AOwner)
    : TNetTCPClient(AOwner), FHTTPProto(std::make_unique<TNetHTTPProtocol>(this)) {
  Port = 80;
}

TNetCustomHTTP::~TNetCustomHTTP() {
  SetCookieManager(nullptr);
  SetAuthenticationManager(nullptr);
}

void TNetCustomHTTP::SetCookieManager(TNetCookieManager* Value) {
  if (Value == FCookieManager) return;
  if (FCookieManager && FCookieManager != FOwnCookieManager.get()) FCookieManager->RemoveFreeNotification(this);
  FOwnCookieManager.reset();
  FCookieManager = Value;
  if (FCookieManager) FCookieManager->FreeNotification(this);
}

void TNetCustomHTTP::SetAuthenticationManager(TNetAuthenticationManager* Value) {
  if (Value == FAuthenticationManager) return;
  if (FAuthenticationManager) FAuthenticationManager->RemoveFreeNotification(this);
  FAuthenticationManager = Value;
  if (FAuthenticationManager) FAuthenticationManager->FreeNotification(this);
}

void TNetCustomHTTP::Notification(TComponent* AComponent, TOperation Operation) {
  TNetTCPClient::Notification(AComponent, Operation);
  if (Operation != TOperation::opRemove) return;
  if (AComponent == FCookieManager && FCookieManager != FOwnCookieManager.get()) FCookieManager = nullptr;
  if (AComponent == FAuthenticationManager) FAuthenticationManager = nullptr;
}

void TNetCustomHTTP::ReadBytes(int64_t ACount, TStream* ADest) {
  TDiscardStream discard;
  ReceiveStream(ADest ? *ADest : discard, ACount);
}

std::string TNetCustomHTTP::ReadLine() { return TNetTCPConnection::ReadLine(); }

int TNetCustomHTTP::FillInputBuffer(bool ARaiseExceptionIfDisconnected, int ATimeout, bool ARaiseExceptionOnTimeout) {
  if (FDropping) {
    // No wait of a dropped body goes past the time the whole drop has.
    const uint32_t spent = TicksBetween(FDropStart, TickCount());
    if (spent >= static_cast<uint32_t>(DropBodyTimeout)) throw ENetReadTimeout(RSReadTimeout);
    const int left = DropBodyTimeout - static_cast<int>(spent);
    if (ATimeout == NetTimeoutDefault) ATimeout = ReadTimeout == 0 ? NetTimeoutInfinite : ReadTimeout;
    if (ATimeout < 0 || ATimeout > left) ATimeout = left;
  }
  return TNetTCPClient::FillInputBuffer(ARaiseExceptionIfDisconnected, ATimeout, ARaiseExceptionOnTimeout);
}

bool TNetCustomHTTP::DoOnRedirect(std::string& Location, TNetHTTPMethod& VMethod, int RedirectCount) {
  bool handled = true;
  if (OnRedirect) OnRedirect(this, Location, RedirectCount, handled, VMethod);
  return handled;
}

namespace {
// The challenge line for the scheme of A (its class name less "TNet").
std::string ChallengeFor(const TNetHeaderList& Challenges, const std::string& Scheme) {
  for (int i = 0; i < Challenges.Count(); ++i)
    if (SameText(FirstWord(Challenges[i]), Scheme)) return Challenges[i];
  return Challenges.Count() > 0 ? Challenges[0] : std::string();
}

// What the program answers goes into the object only: credentials given for
// one server are never copied to where another server's challenge finds them.
bool Authorize(TObject* Sender, std::unique_ptr<TNetAuthentication>& Auth, TNetHeaderList& Challenges,
               const std::string& Username, const std::string& Password, const TNetOnSelectAuthorization& OnSelect,
               const TNetOnAuthorization& OnAuthorization) {
  std::string scheme;
  if (!Auth) {
    if (Challenges.Count() == 0) return false;
    scheme = FirstWord(Challenges[0]);
    TNetAuthenticationClass cls = FindAuthenticationMethod(scheme);
    if (OnSelect) OnSelect(Sender, cls, Challenges);
    if (!cls) return false;
    Auth = cls.Create();
    Auth->SetUsername(Username);
    Auth->SetPassword(Password);
  } else if (Auth->Finished()) {
    Auth->SetUsername("");   // rejected: the program is asked again
    Auth->Reset();
  }
  if (scheme.empty()) scheme = FirstWord(Challenges.Count() > 0 ? Challenges[0] : std::string());
  Auth->SetChallenge(ChallengeFor(Challenges, scheme));
  switch (Auth->Next()) {
    case TNetAuthWhatsNext::wnDoRequest: break;
    case TNetAuthWhatsNext::wnAskTheProgram: {
      bool handled = false;
      if (OnAuthorization) OnAuthorization(Sender, Auth.get(), handled);
      if (!handled || Auth->Next() != TNetAuthWhatsNext::wnDoRequest) return false;
      break;
    }
    case TNetAuthWhatsNext::wnFail: return false;
  }
  return true;
}
}  // namespace

bool TNetCustomHTTP::DoOnAuthorization(TNetHTTPRequest& ARequest, TNetHTTPResponse& AResponse) {
  const bool fresh = !ARequest.Authentication;
  const bool ok = Authorize(this, ARequest.Authentication, AResponse.WWWAuthenticate, ARequest.Username,
                            ARequest.Password, OnSelectAuthorization, OnAuthorization);
  if (fresh && ARequest.Authentication) {
    FAuthOrigin = Origin();
    FAuthURL = FURI.URI();
  }
  return ok;
}

bool TNetCustomHTTP::DoOnProxyAuthorization(TNetHTTPRequest&, TNetHTTPResponse& AResponse) {
  return Authorize(this, ProxyParams.Authentication, AResponse.ProxyAuthenticate, ProxyParams.ProxyUsername,
                   ProxyParams.ProxyPassword, OnSelectProxyAuthorization, OnProxyAuthorization);
}

void TNetCustomHTTP::PrepareRequest(TNetHTTPRequest& ARequest) {
  TNetURI uri(ARequest.URL);
  const bool relative = uri.Host.empty();
  if (relative) {
    uri.Protocol = FURI.Protocol;
    uri.Host = FURI.Host;
    if (uri.Port.empty()) uri.Port = FURI.Port;
  }
  if (uri.Protocol.empty()) uri.Protocol = "http";
  int port = 0;
  if (!uri.Port.empty()) {
    port = StrToIntDef(uri.Port, 0);
    if (port < 1 || port > 65535) throw ENetURIException(Format(RSURIInvalidPort, uri.Port.c_str()));
  } else if (SameText(uri.Protocol, "http")) port = 80;
  else if (SameText(uri.Protocol, "https")) port = 443;
  else if (!relative && FHasTarget) port = Port;
  if (port <= 0) throw ENetUnknownProtocol(RSHTTPUnknownProtocol);

  // Credentials go only where they were given: a redirected pass to
  // another server goes without the caller's, a pass back gets them again.
  // Those of the URL serve this request only; the caller's own come back
  // when it ends.
  if (!FCaller.Saved) {
    FCaller = {true, uri.Host, port, ARequest.Username, ARequest.Password, ARequest.BasicAuthentication,
               ARequest.Username, ARequest.Password};
    if (!uri.Username.empty()) {
      FCaller.Username = uri.Username;
      FCaller.Password = uri.Password;
    }
  }
  if (FRedirecting) {
    const bool home = SameText(uri.Host, FCaller.Host) && port == FCaller.Port;
    ARequest.Username = home ? FCaller.Username : std::string();
    ARequest.Password = home ? FCaller.Password : std::string();
    ARequest.BasicAuthentication = home && FCaller.BasicAuthentication;
  }
  if (!uri.Username.empty()) {
    ARequest.Username = uri.Username;
    ARequest.Password = uri.Password;
  }
  uri.Path = ResolvePath(FURI.Path.empty() ? "/" : FURI.Path, uri.Path);
  if (uri.Path.empty()) uri.Path = "/";
  uri.Port = IntToStr(port);
  FURI.Protocol = uri.Protocol;
  FURI.Host = uri.Host;
  FURI.Port = uri.Port;
  FURI.Path = uri.Path;
  FURI.Document = uri.Document;
  FURI.Params = uri.Params;
  FURI.Bookmark = uri.Bookmark;
  FURI.Username.clear();
  FURI.Password.clear();

  const TNetHTTPMethod m = ARequest.Method;
  ARequest.URL = (m == TNetHTTPMethod::hmOptions && uri.Document == "*") ? "*" : uri.Path + uri.Document + uri.Params;
  if ((m == TNetHTTPMethod::hmOptions || m == TNetHTTPMethod::hmTrace || m == TNetHTTPMethod::hmPut) &&
      ProtocolVersion != TNetHTTPProtocolVersion::pv1_1)
    throw ENetException(RSHTTPMethodRequiresVersion);
  if ((m == TNetHTTPMethod::hmPost || m == TNetHTTPMethod::hmPut) && ARequest.Source)
    ARequest.SetContentLength(ARequest.Source->Size());
  else
    ARequest.SetContentLength(-1);
  ARequest.Host = port == 80 ? uri.Host : uri.Host + ":" + uri.Port;
}

void TNetCustomHTTP::OpenTunnel(TNetHTTPResponse& AResponse) {
  const std::string target = FURI.Host + ":" + FURI.Port;
  TNetHTTPProtocol tunnel(this);
  TNetHTTPRequest& req = tunnel.Request;
  TNetHTTPResponse& resp = tunnel.Response;
  req.Method = TNetHTTPMethod::hmConnect;
  req.Pragma = "no-cache";
  req.ProxyConnection = "keep-alive";
  req.Host = target;
  req.Accept.clear();
  req.UserAgent = Request().UserAgent;
  FAuthProxyRetries = 0;
  while (true) {
    ComposeRequest(req, target, "");
    if (!IsOpen()) OpenConnection(ConnectTimeout);
    SendRequest(req, target, "");
    resp.Clear();
    resp.SetResponseText(ReadConnectReplyHead(*this, resp.RawHeaders));
    resp.ProcessHeaders();
    const int code = resp.ResponseCode();
    if (code == 200) {
      FTunnelTarget = target;
      return;
    }
    if (code == 407 && FAuthProxyRetries < AuthRetries && DoOnProxyAuthorization(req, resp)) {
      ++FAuthProxyRetries;
      ReadAndDropBody(resp);
      if (!resp.KeepAlive()) CloseConnection();
      continue;
    }
    AResponse.Assign(&resp);
    AResponse.SetResponseText(resp.ResponseText);
    const std::string body = ReadErrorBody(resp);
    throw ENetHTTPProtocolException(code, resp.ResponseText, body);
  }
}

void TNetCustomHTTP::ConnectToHost(TNetHTTPRequest& ARequest, TNetHTTPResponse& AResponse) {
  const bool https = SameText(FURI.Protocol, "https");
  const int port = StrToIntDef(FURI.Port, 80);
  auto* ssl = dynamic_cast<TNetSSLIOHandlerSocket*>(IOHandler());
  if (https && !ssl) throw ENetIOHandlerPropInvalid(RSIOHandlerPropInvalid);
  std::string requestURL = ARequest.URL;
  if (UsesProxy() && !https) requestURL = FURI.BuildURL(false, false);
  if (ProtocolVersion == TNetHTTPProtocolVersion::pv1_0) {
    if (UsesProxy() && !https) {
      if (ARequest.ProxyConnection.empty()) ARequest.ProxyConnection = "keep-alive";
    } else if (ARequest.Connection.empty()) {
      ARequest.Connection = "keep-alive";
    }
  }
  // An authentication answers the server that asked for it only.
  if (ARequest.Authentication && !SameText(FAuthOrigin, Origin())) EndAuthentication(false);
  std::string cookies;
  if (CookieManager()) cookies = CookieManager()->GenerateCookieList(FURI.Host, FURI.Path + FURI.Document, https);
  ComposeRequest(ARequest, requestURL, cookies);

  // A kept connection that the server has closed meanwhile, or that holds
  // bytes nobody asked for, is not reused.
  if (IsOpen() && (PollForClose(false) || InputBuffer().Available() > 0)) CloseConnection();
  if (!UsesProxy()) {
    if (IsOpen() && (!SameText(Host, FURI.Host) || Port != port || !FTunnelTarget.empty())) CloseConnection();
    Host = FURI.Host;
    Port = port;
    FHasTarget = true;
    if (ssl && !IsOpen()) ssl->SetPassThrough(!https);
  } else {
    const std::string target = FURI.Host + ":" + FURI.Port;
    if (IsOpen() && (!SameText(Host, ProxyParams.ProxyServer()) || Port != ProxyParams.ProxyPort() ||
                     FTunnelTarget != (https ? target : std::string())))
      CloseConnection();
    Host = ProxyParams.ProxyServer();
    Port = ProxyParams.ProxyPort();
    FHasTarget = true;
    if (https) {
      if (!IsOpen()) {
        FTunnelTarget.clear();
        ssl->SetPassThrough(true);
        OpenTunnel(AResponse);
        ssl->SetPassThrough(false);
      }
    } else if (ssl && !IsOpen()) {
      ssl->SetPassThrough(true);
    }
  }
  if (!IsOpen()) {
    FTunnelTarget.clear();
    OpenConnection(ConnectTimeout);
  }
  SendRequest(ARequest, requestURL, cookies);
}

void TNetCustomHTTP::CheckNoLineBreaks(TNetHTTPRequest& ARequest, const std::string& ARequestURL,
                                       const std::string& ACookies) {
  auto check = [](const std::string& Text, const char* What) {
    if (HasLineBreak(Text)) throw ENetException(Format(RSLineBreakInHeader, What));
  };
  check(ARequestURL, "the request target");
  check(ARequest.Username + ARequest.Password + ProxyParams.ProxyUsername + ProxyParams.ProxyPassword,
        "the credentials");
  check(ACookies, "a cookie");
  for (int i = 0; i < ARequest.RawHeaders.Count(); ++i) check(ARequest.RawHeaders[i], "a header");
}

void TNetCustomHTTP::ComposeRequest(TNetHTTPRequest& ARequest, const std::string& ARequestURL,
                                    const std::string& ACookies) {
  ARequest.SetHeaders();
  // Proxy credentials are for the proxy: what goes through a tunnel is
  // read by the origin server.
  if (UsesProxy() && (ARequest.Method == TNetHTTPMethod::hmConnect || !SameText(FURI.Protocol, "https")))
    ProxyParams.SetHeaders(ARequest.RawHeaders);
  CheckNoLineBreaks(ARequest, ARequestURL, ACookies);
}

void TNetCustomHTTP::SendRequest(TNetHTTPRequest& ARequest, const std::string& ARequestURL,
                                 const std::string& ACookies) {
  OpenWriteBuffer();
  try {
    WriteLine(HTTPMethodWord(ARequest.Method) + ARequestURL + " HTTP/" +
              (ProtocolVersion == TNetHTTPProtocolVersion::pv1_0 ? "1.0" : "1.1"));
    for (int i = 0; i < ARequest.RawHeaders.Count(); ++i)
      if (!ARequest.RawHeaders[i].empty()) WriteLine(ARequest.RawHeaders[i]);
    if (!ACookies.empty()) WriteLine("Cookie: " + ACookies);
    WriteLine("");
    CloseWriteBuffer();
  } catch (...) {
    CancelWriteBuffer();
    throw;
  }
  if ((ARequest.Method == TNetHTTPMethod::hmPost || ARequest.Method == TNetHTTPMethod::hmPut) && ARequest.Source)
    SendStream(*ARequest.Source, true);
}

void TNetCustomHTTP::RetrieveHeaders(TNetHTTPResponse& AResponse) {
  AResponse.Clear();
  const std::string status = ReadResponseHead(*this, AResponse.RawHeaders);
  AResponse.SetResponseText(status);
  AResponse.ProcessHeaders();
  if (!FCookieManager && AllowCookies) {
    FOwnCookieManager = std::make_unique<TNetCookieManager>(nullptr);
    FCookieManager = FOwnCookieManager.get();
  }
  if (FCookieManager) {
    TStringList values;
    AResponse.RawHeaders.ExtractValues("Set-cookie", values);
    for (int i = 0; i < values.Count(); ++i) FCookieManager->AddCookie(values[i], FURI.Host);
    values.Clear();
    AResponse.RawHeaders.ExtractValues("Set-cookie2", values);
    for (int i = 0; i < values.Count(); ++i) FCookieManager->AddCookie2(values[i], FURI.Host);
  }
}

void TNetCustomHTTP::ReadResult(TNetHTTPResponse& AResponse, TStream* ADest) {
  const int code = AResponse.ResponseCode();
  if (Request().Method == TNetHTTPMethod::hmHead || code == 204 || code == 304 || (code >= 100 && code < 200))
    return;
  TDiscardStream discard;
  TStream& dest = ADest ? *ADest : discard;
  if (AResponse.HasContentLength() && AResponse.ContentLength() > 0) {
    ReceiveStream(dest, AResponse.ContentLength());
  } else if (TransferEncodingIsChunked(AResponse.RawHeaders.Values("Transfer-Encoding"))) {
    FireStatus(TNetStatus::nsStatusText, {RSHTTPChunkStarted});
    ReadChunkedBody(*this, &dest);
  } else if (!AResponse.HasContentLength()) {
    ReceiveStream(dest, -1, true);
  }
}

void TNetCustomHTTP::ReadAndDropBody(TNetHTTPResponse& AResponse) {
  struct TRestore {
    TNetCustomHTTP& H;
    int Saved;
    ~TRestore() {
      H.FDropping = false;
      H.ReadTimeout = Saved;
    }
  };
  const TRestore restore{*this, ReadTimeout};
  ReadTimeout = DropBodyTimeout;
  FDropStart = TickCount();
  FDropping = true;
  TDiscardStream drop;
  try {
    ReadResult(AResponse, &drop);
  } catch (const ENetException&) {
    CloseConnection();   // what is left of the body would be taken as the next response
  }
}

std::string TNetCustomHTTP::ReadErrorBody(TNetHTTPResponse& AResponse) {
  TNetCappedStream body(MaxErrorBody);
  try {
    ReadResult(AResponse, &body);
  } catch (const ENetException&) {
    CloseConnection();   // cut short or broken: the rest is not read
  }
  return body.Data();
}

std::string TNetCustomHTTP::Origin() const { return FURI.Protocol + "://" + FURI.Host + ":" + FURI.Port; }

void TNetCustomHTTP::EndAuthentication(bool AKeepUnfinished) {
  TNetAuthentication* a = Request().Authentication.get();
  if (!a || (AKeepUnfinished && !a->Finished())) return;
  if (a->Finished() && FAuthenticationManager) FAuthenticationManager->AddAuthentication(*a, FAuthURL);
  Request().Authentication.reset();
}

void TNetCustomHTTP::CloseConnection() {
  TNetTCPClient::CloseConnection();
  EndAuthentication(true);   // one made for the next pass is still to be sent
}

void TNetCustomHTTP::RestoreCallerCredentials() {
  if (!FCaller.Saved) return;
  FCaller.Saved = false;
  Request().Username = FCaller.OwnUsername;
  Request().Password = FCaller.OwnPassword;
  Request().BasicAuthentication = FCaller.BasicAuthentication;
}

void TNetCustomHTTP::DoRequest(TNetHTTPMethod AMethod, const std::string& AURL, TStream* ASource,
                               TStream* AResponseContent) {
  std::string url = AURL;
  TNetHTTPMethod method = AMethod;
  FAuthRetries = 0;
  FAuthProxyRetries = 0;
  FRedirecting = false;
  FCaller.Saved = false;
  try {
    bool done = false;
    while (!done) {
      TNetHTTPRequest& req = Request();
      req.URL = url;
      req.Method = method;
      req.Source = ASource;
      Response().ContentStream = AResponseContent;
      if (ASource) ASource->SetPosition(0);
      PrepareRequest(req);
      ConnectToHost(req, Response());
      RetrieveHeaders(Response());
      switch (FHTTPProto->ProcessResponse()) {
        case TNetHTTPWhatsNext::wnJustExit: done = true; break;
        case TNetHTTPWhatsNext::wnGoToURL:
          url = req.URL;
          method = req.Method;
          FRedirecting = true;
          break;
        case TNetHTTPWhatsNext::wnReadAndGo: url = FURI.BuildURL(false, false); break;
        case TNetHTTPWhatsNext::wnAuthRequest: url = AURL; break;
        case TNetHTTPWhatsNext::wnDontKnow: throw ENetException(RSHTTPUndefinedSituation);
      }
      if (!done && !Response().KeepAlive()) CloseConnection();
    }
  } catch (...) {
    FRedirectCount = 0;
    FRedirecting = false;
    RestoreCallerCredentials();
    try {
      CloseConnection();
      EndAuthentication(false);
    } catch (...) {
    }
    throw;
  }
  FRedirecting = false;
  FRedirectCount = 0;
  RestoreCallerCredentials();
  if (!Response().KeepAlive()) {
    CloseConnection();
    EndAuthentication(false);
  }
}

void TNetCustomHTTP::Get(const std::string& AURL, TStream& AResponseContent) {
  DoRequest(TNetHTTPMethod::hmGet, AURL, nullptr, &AResponseContent);
}

std::string TNetCustomHTTP::Get(const std::string& AURL) {
  TStringStream s;
  Get(AURL, s);
  return s.DataString();
}

void TNetCustomHTTP::Head(const std::string& AURL) { DoRequest(TNetHTTPMethod::hmHead, AURL, nullptr, nullptr); }

void TNetCustomHTTP::Post(const std::string& AURL, TStream& ASource, TStream& AResponseContent) {
  DoRequest(TNetHTTPMethod::hmPost, AURL, &ASource, &AResponseContent);
}

std::string TNetCustomHTTP::Post(const std::string& AURL, const std::string& ABody) {
  TStringStream source(ABody), result;
  Post(AURL, source, result);
  return result.DataString();
}

void TNetCustomHTTP::Put(const std::string& AURL, TStream& ASource, TStream& AResponseContent) {
  DoRequest(TNetHTTPMethod::hmPut, AURL, &ASource, &AResponseContent);
}

void TNetCustomHTTP::Options(const std::string& AURL, TStream& AResponseContent) {
  DoRequest(TNetHTTPMethod::hmOptions, AURL, nullptr, &AResponseContent);
}

void TNetCustomHTTP::Trace(const std::string& AURL, TStream& AResponseContent) {
  DoRequest(TNetHTTPMethod::hmTrace, AURL, nullptr, &AResponseContent);
}

void NetHTTP_Initialize() {
  if (!UnitCounter.Enter()) return;
  NetTCPConnection_Initialize();
  NetAuthentication_Initialize();
  NetSSLOpenSSL_Initialize();
}

void NetHTTP_Finalize() {
  if (!UnitCounter.Leave()) return;
  NetSSLOpenSSL_Finalize();
  NetAuthentication_Finalize();
  NetTCPConnection_Finalize();
}
