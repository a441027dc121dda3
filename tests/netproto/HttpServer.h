// A scripted HTTP/1.x server on loopback for the client tests: it reads
// each request (head and a Content-Length body) on a kept-alive
// connection, records it, and sends what the test's responder returns.
#pragma once
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "TestServer.h"

struct TSeenRequest {
  std::string Method, Target, Version, Head, Body;
  int Connection = 0;   // index of the connection it came on
  std::string Header(const std::string& Name) const;   // "" when absent
};

class THttpServer {
public:
  // Returns the whole response; sets Close to end the connection after it.
  using TResponder = std::function<std::string(const TSeenRequest& Request, bool& Close)>;
  explicit THttpServer(TResponder Responder);
  u_short Port() const { return FServer.Port(); }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(Port()); }
  std::vector<TSeenRequest> Seen();
  int Connections() const { return FServer.Accepted(); }
  std::vector<std::string> Errors() { return FServer.Errors(); }

private:
  void Serve(TTestPeer& Peer, int Index);
  TResponder FResponder;
  std::mutex FLock;
  std::vector<TSeenRequest> FSeen;
  TTestServer FServer;
};

// "HTTP/1.1 <status>", the headers, Content-Length and the body.
std::string HttpResponse(const std::string& Status, const std::string& Body, const std::string& Headers = "");
