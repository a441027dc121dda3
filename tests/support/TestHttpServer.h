// The HTTP server of the tests, on a loopback listener of TTestServer: it
// reads each request (head and a Content-Length body), records it and
// answers. THttpServer answers with what the test's responder returns, on
// kept-alive connections; TTestHttpServer serves fixed answers by path,
// each with a chosen fault, one request per connection (HTTP/1.0).
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "TestServer.h"

struct TSeenRequest {
  std::string Method, Target, Version, Head, Body;
  int Connection = 0;   // index of the connection it came on
  std::string Header(const std::string& Name) const;   // "" when absent
  std::string Text() const;   // the request as it came: line, headers, empty line, body
};

class THttpServer {
public:
  // Returns the whole response; sets Close to end the connection after it.
  using TResponder = std::function<std::string(const TSeenRequest& Request, bool& Close)>;
  // Answers on the connection itself (in parts, slowly or not at all);
  // returns false to end the connection after it.
  using TAnswerer = std::function<bool(const TSeenRequest& Request, TTestPeer& Peer)>;
  explicit THttpServer(TResponder Responder);
  THttpServer(TAnswerer Answerer, int Backlog);
  u_short Port() const { return FServer.Port(); }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(Port()); }
  std::vector<TSeenRequest> Seen() const;
  int Connections() const { return FServer.Accepted(); }
  std::vector<std::string> Errors() { return FServer.Errors(); }

private:
  void Serve(TTestPeer& Peer, int Index);
  TAnswerer FAnswerer;
  mutable std::mutex FLock;
  std::vector<TSeenRequest> FSeen;
  TTestServer FServer;   // last: its connections end before the rest goes
};

// "HTTP/1.1 <status>", the headers, Content-Length and the body.
std::string HttpResponse(const std::string& Status, const std::string& Body, const std::string& Headers = "");

struct TTestHttpAnswer {
  int Status = 200;
  std::string Body;
  bool SendLength = true;      // Content-Length header
  int LengthDelta = 0;         // added to the announced length (a short body when > 0)
  size_t CloseAfter = SIZE_MAX;   // close the connection after this many body bytes
  unsigned DelayMs = 0;        // pause between chunks of 4 KB
  bool Refuse = false;         // close at once without answering
};

class TTestHttpServer {
public:
  TTestHttpServer();    // listens on 127.0.0.1 at a port the system picks
  ~TTestHttpServer();   // ends the answers under way, then the server
  bool Listening() const { return Port() != 0; }
  unsigned short Port() const { return FServer.Port(); }
  std::string Host() const;   // "127.0.0.1:<port>"

  void Set(const std::string& Path, const TTestHttpAnswer& Answer);
  void SetFile(const std::string& Path, const std::string& Body) { Set(Path, TTestHttpAnswer{200, Body}); }
  // Answers for the next requests of Path, one each, before its own answer.
  void SetSequence(const std::string& Path, const std::vector<TTestHttpAnswer>& First);
  // Paths without an answer get 404 with a short page and its length.
  std::vector<std::string> Requests() const;   // the requests as they came, one text each
  int Count(const std::string& Path) const;    // how often Path was asked for

private:
  bool Answer(const TSeenRequest& Request, TTestPeer& Peer);
  std::atomic<bool> FStop{false};
  std::mutex FLock;
  std::map<std::string, TTestHttpAnswer> FAnswers;
  std::map<std::string, std::vector<TTestHttpAnswer>> FFirst;
  THttpServer FServer;   // last: its connections end before the answers go
};
