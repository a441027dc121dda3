#include "netlib/NetHTTPHeaderInfo.h"

#include "netlib/NetGlobal.h"

IMPLEMENT_CLASSINFO(TNetEntityHeaderInfo, TPersistent)
IMPLEMENT_CLASSINFO(TNetRequestHeaderInfo, TNetEntityHeaderInfo)
IMPLEMENT_CLASSINFO(TNetResponseHeaderInfo, TNetEntityHeaderInfo)
IMPLEMENT_CLASSINFO(TNetProxyConnectionInfo, TPersistent)

namespace {
TDateTime ReadDate(const TNetHeaderList& H, const char* Name) {
  const std::string v = H.Values(Name);
  return v.empty() ? 0 : DateTextToGMT(v);
}

std::string BasicCredentials(const std::string& User, const std::string& Password) {
  TNetBasicAuthentication a;
  a.SetUsername(User);
  a.SetPassword(Password);
  return a.Authentication();
}
}  // namespace

TNetEntityHeaderInfo::TNetEntityHeaderInfo() {
  RawHeaders.FoldWidth = 1024;
  CustomHeaders.FoldLongLines = false;
}

void TNetEntityHeaderInfo::SetContentLength(int64_t Value) {
  FContentLength = Value;
  FHasContentLength = Value >= 0;
}

void TNetEntityHeaderInfo::Clear() {
  CacheControl.clear(); Connection.clear(); ContentEncoding.clear(); ContentLanguage.clear();
  ContentType.clear(); ContentVersion.clear(); Pragma.clear();
  ContentRangeStart = ContentRangeEnd = 0;
  Date = Expires = LastModified = 0;
  FContentLength = -1;
  FHasContentLength = false;
  RawHeaders.Clear();
}

void TNetEntityHeaderInfo::ProcessHeaders() {
  const TNetHeaderList& h = RawHeaders;
  Connection = h.Values("Connection");
  ContentVersion = h.Values("Content-Version");
  ContentEncoding = h.Values("Content-Encoding");
  ContentLanguage = h.Values("Content-Language");
  ContentType = h.Values("Content-Type");
  CacheControl = h.Values("Cache-control");
  FHasContentLength = h.IndexOfName("Content-Length") >= 0;
  FContentLength = -1;
  if (FHasContentLength) {
    const std::string t = Trim(h.Values("Content-Length"));
    bool digits = !t.empty() && t.size() <= 18;
    for (char c : t) digits = digits && c >= '0' && c <= '9';
    FContentLength = digits ? std::stoll(t) : -1;
  }
  Date = ReadDate(h, "Date");
  LastModified = ReadDate(h, "Last-Modified");
  Expires = ReadDate(h, "Expires");
  Pragma = h.Values("Pragma");
}

void TNetEntityHeaderInfo::AddHeader(const std::string& AName, const std::string& AValue) {
  if (!AValue.empty()) RawHeaders.SetValues(AName, AValue);
}

void TNetEntityHeaderInfo::AddDate(const std::string& AName, TDateTime AValue) {
  if (AValue > 0) RawHeaders.SetValues(AName, GMTDateText(AValue - LocalUtcOffset()));
}

void TNetEntityHeaderInfo::SetHeaders() {
  RawHeaders.Clear();
  AddHeader("Connection", Connection);
  AddHeader("Content-Version", ContentVersion);
  AddHeader("Content-Encoding", ContentEncoding);
  AddHeader("Content-Language", ContentLanguage);
  AddHeader("Content-Type", ContentType);
  if (FHasContentLength) AddHeader("Content-Length", IntToStr(FContentLength));
  AddHeader("Cache-control", CacheControl);
  AddDate("Date", Date);
  AddDate("Expires", Expires);
  AddDate("Last-Modified", LastModified);
  AddHeader("Pragma", Pragma);
  if (ContentRangeStart > 0 || ContentRangeEnd > 0)
    AddHeader("Content-Range", "bytes " + IntToStr(ContentRangeStart) + "-" + IntToStr(ContentRangeEnd) + "/*");
}

void TNetEntityHeaderInfo::Assign(TPersistent* Source) {
  if (auto* e = dynamic_cast<TNetEntityHeaderInfo*>(Source)) {
    CacheControl = e->CacheControl; Connection = e->Connection; ContentEncoding = e->ContentEncoding;
    ContentLanguage = e->ContentLanguage; ContentType = e->ContentType; ContentVersion = e->ContentVersion;
    Pragma = e->Pragma; ContentRangeStart = e->ContentRangeStart; ContentRangeEnd = e->ContentRangeEnd;
    Date = e->Date; Expires = e->Expires; LastModified = e->LastModified;
    FContentLength = e->FContentLength; FHasContentLength = e->FHasContentLength;
    CustomHeaders.Assign(&e->CustomHeaders);
    RawHeaders.Assign(&e->RawHeaders);
    return;
  }
  TPersistent::Assign(Source);
}

TNetRequestHeaderInfo::TNetRequestHeaderInfo() { Clear(); }
TNetRequestHeaderInfo::~TNetRequestHeaderInfo() = default;

void TNetRequestHeaderInfo::Clear() {
  TNetEntityHeaderInfo::Clear();
  Accept = "text/html, */*";
  AcceptCharSet.clear(); AcceptEncoding.clear(); AcceptLanguage.clear(); Host.clear(); From.clear();
  Password.clear(); Referer.clear(); Username.clear(); ProxyConnection.clear();
  UserAgent = "Mozilla/3.0 (compatible; Net Library)";
  BasicAuthentication = false;
}

void TNetRequestHeaderInfo::ProcessHeaders() {
  TNetEntityHeaderInfo::ProcessHeaders();
  const TNetHeaderList& h = RawHeaders;
  Accept = h.Values("Accept");
  AcceptCharSet = h.Values("Accept-Charset");
  AcceptEncoding = h.Values("Accept-Encoding");
  AcceptLanguage = h.Values("Accept-Language");
  Host = h.Values("Host");
  From = h.Values("From");
  Referer = h.Values("Referer");
  UserAgent = h.Values("User-Agent");
  std::string range = h.Values("Range");
  if (!range.empty()) {
    CutAtDelimiter(range, "=");
    ContentRangeStart = static_cast<uint32_t>(StrToIntDef(Trim(CutAtDelimiter(range, "-")), 0));
    ContentRangeEnd = static_cast<uint32_t>(StrToIntDef(Trim(range), 0));
  }
}

void TNetRequestHeaderInfo::SetHeaders() {
  TNetEntityHeaderInfo::SetHeaders();
  // A request asks with these two instead (below).
  RawHeaders.SetValues("Last-Modified", "");
  RawHeaders.SetValues("Content-Range", "");
  AddHeader("Accept", Accept);
  AddHeader("Accept-Charset", AcceptCharSet);
  AddHeader("Accept-Encoding", AcceptEncoding);
  AddHeader("Accept-Language", AcceptLanguage);
  AddHeader("From", From);
  AddHeader("Referer", Referer);
  AddHeader("User-Agent", UserAgent);
  AddHeader("Host", Host);
  AddHeader("Proxy-Connection", ProxyConnection);
  AddDate("If-Modified-Since", LastModified);
  if (ContentRangeStart > 0 || ContentRangeEnd > 0)
    AddHeader("Range", "bytes=" + IntToStr(ContentRangeStart) + "-" +
                           (ContentRangeEnd > 0 ? IntToStr(ContentRangeEnd) : std::string()));
  if (Authentication) AddHeader("Authorization", Authentication->Authentication());
  else if (BasicAuthentication && !Username.empty()) AddHeader("Authorization", BasicCredentials(Username, Password));
  for (int i = 0; i < CustomHeaders.Count(); ++i) RawHeaders.Add(CustomHeaders[i]);
}

TNetResponseHeaderInfo::TNetResponseHeaderInfo() { Clear(); }

void TNetResponseHeaderInfo::Clear() {
  TNetEntityHeaderInfo::Clear();
  ContentType = "text/html";
  Location.clear(); Server.clear(); ProxyConnection.clear();
  ProxyAuthenticate.Clear();
  WWWAuthenticate.Clear();
}

void TNetResponseHeaderInfo::ProcessHeaders() {
  TNetEntityHeaderInfo::ProcessHeaders();
  const TNetHeaderList& h = RawHeaders;
  Location = h.Values("Location");
  Server = h.Values("Server");
  ProxyConnection = h.Values("Proxy-Connection");
  std::string range = h.Values("Content-Range");
  if (!range.empty()) {
    CutAtDelimiter(range, " ");   // the unit
    ContentRangeStart = static_cast<uint32_t>(StrToIntDef(Trim(CutAtDelimiter(range, "-")), 0));
    ContentRangeEnd = static_cast<uint32_t>(StrToIntDef(Trim(CutAtDelimiter(range, "/")), 0));
  }
  WWWAuthenticate.Clear();
  h.ExtractValues("WWW-Authenticate", WWWAuthenticate);
  ProxyAuthenticate.Clear();
  h.ExtractValues("Proxy-Authenticate", ProxyAuthenticate);
}

TNetProxyConnectionInfo::TNetProxyConnectionInfo() = default;
TNetProxyConnectionInfo::~TNetProxyConnectionInfo() = default;

void TNetProxyConnectionInfo::SetProxyServer(const std::string& Value) {
  if (Value == FProxyServer) return;
  FProxyServer = Value;
  Authentication.reset();
}

void TNetProxyConnectionInfo::SetProxyPort(int Value) {
  if (Value == FProxyPort) return;
  FProxyPort = Value;
  Authentication.reset();
}

void TNetProxyConnectionInfo::SetHeaders(TNetHeaderList& AHeaders) {
  if (Authentication) AHeaders.SetValues("Proxy-Authorization", Authentication->Authentication());
  else if (BasicAuthentication && !ProxyUsername.empty())
    AHeaders.SetValues("Proxy-Authorization", BasicCredentials(ProxyUsername, ProxyPassword));
}

void TNetProxyConnectionInfo::Clear() {
  BasicAuthentication = false;
  ProxyPassword.clear();
  ProxyUsername.clear();
  SetProxyServer("");
  SetProxyPort(0);
}

void TNetProxyConnectionInfo::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TNetProxyConnectionInfo*>(Source)) {
    BasicAuthentication = p->BasicAuthentication;
    ProxyPassword = p->ProxyPassword;
    ProxyUsername = p->ProxyUsername;
    SetProxyServer(p->FProxyServer);
    SetProxyPort(p->FProxyPort);
    return;
  }
  TPersistent::Assign(Source);
}
