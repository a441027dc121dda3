// The typed request, response and proxy headers of the HTTP client, read
// from and written to their raw header lines.
#pragma once
#include <cstdint>
#include <memory>
#include <string>

#include "netlib/NetAuthentication.h"
#include "netlib/NetHeaderList.h"

class TNetEntityHeaderInfo : public TPersistent {
  DECLARE_CLASSINFO(TNetEntityHeaderInfo)
public:
  TNetEntityHeaderInfo();
  std::string CacheControl, Connection, ContentEncoding, ContentLanguage, ContentType, ContentVersion, Pragma;
  uint32_t ContentRangeStart = 0, ContentRangeEnd = 0;
  TNetHeaderList CustomHeaders;
  TDateTime Date = 0, Expires = 0, LastModified = 0;   // local time
  TNetHeaderList RawHeaders;   // fold width 1024

  int64_t ContentLength() const { return FContentLength; }
  // Also records whether a length is present (any value from 0 up).
  void SetContentLength(int64_t Value);
  bool HasContentLength() const { return FHasContentLength; }

  virtual void Clear();
  // The typed fields from RawHeaders.
  virtual void ProcessHeaders();
  // RawHeaders from the typed fields (then the custom headers).
  virtual void SetHeaders();
  void Assign(TPersistent* Source) override;

protected:
  void AddHeader(const std::string& AName, const std::string& AValue);
  void AddDate(const std::string& AName, TDateTime AValue);

private:
  int64_t FContentLength = -1;
  bool FHasContentLength = false;
};

class TNetRequestHeaderInfo : public TNetEntityHeaderInfo {
  DECLARE_CLASSINFO(TNetRequestHeaderInfo)
public:
  TNetRequestHeaderInfo();
  ~TNetRequestHeaderInfo() override;
  std::string Accept, AcceptCharSet, AcceptEncoding, AcceptLanguage, Host, From, Password, Referer, UserAgent,
      Username, ProxyConnection;
  bool BasicAuthentication = false;
  // The current authentication (made by the client on a challenge).
  std::unique_ptr<TNetAuthentication> Authentication;

  void Clear() override;
  void ProcessHeaders() override;
  void SetHeaders() override;
};

class TNetResponseHeaderInfo : public TNetEntityHeaderInfo {
  DECLARE_CLASSINFO(TNetResponseHeaderInfo)
public:
  TNetResponseHeaderInfo();
  std::string Location, Server, ProxyConnection;
  TNetHeaderList ProxyAuthenticate, WWWAuthenticate;   // every challenge line
  void Clear() override;
  void ProcessHeaders() override;
};

class TNetProxyConnectionInfo : public TPersistent {
  DECLARE_CLASSINFO(TNetProxyConnectionInfo)
public:
  TNetProxyConnectionInfo();
  ~TNetProxyConnectionInfo() override;
  bool BasicAuthentication = false;
  std::string ProxyPassword, ProxyUsername;
  std::unique_ptr<TNetAuthentication> Authentication;

  const std::string& ProxyServer() const { return FProxyServer; }
  void SetProxyServer(const std::string& Value);   // a change frees the authentication
  int ProxyPort() const { return FProxyPort; }
  void SetProxyPort(int Value);
  // "Proxy-Authorization" into AHeaders.
  void SetHeaders(TNetHeaderList& AHeaders);
  void Clear();
  void Assign(TPersistent* Source) override;

private:
  std::string FProxyServer;
  int FProxyPort = 0;
};
