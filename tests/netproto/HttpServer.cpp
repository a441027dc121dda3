#include "HttpServer.h"

#include <cctype>

namespace {
std::string Lower(std::string S) {
  for (char& c : S) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return S;
}
}  // namespace

std::string TSeenRequest::Header(const std::string& Name) const {
  const std::string key = Lower(Name) + ":";
  size_t start = 0;
  while (start < Head.size()) {
    const size_t end = Head.find("\r\n", start);
    const std::string line = Head.substr(start, end - start);
    if (Lower(line.substr(0, key.size())) == key) {
      const size_t v = line.find_first_not_of(' ', key.size());
      return v == std::string::npos ? "" : line.substr(v);
    }
    start = end == std::string::npos ? Head.size() : end + 2;
  }
  return "";
}

std::string HttpResponse(const std::string& Status, const std::string& Body, const std::string& Headers) {
  return "HTTP/1.1 " + Status + "\r\n" + Headers + "Content-Length: " + std::to_string(Body.size()) + "\r\n\r\n" + Body;
}

THttpServer::THttpServer(TResponder Responder)
    : FResponder(std::move(Responder)), FServer([this](TTestPeer& P, int Index) { Serve(P, Index); }) {}

std::vector<TSeenRequest> THttpServer::Seen() {
  std::lock_guard<std::mutex> g(FLock);
  return FSeen;
}

void THttpServer::Serve(TTestPeer& Peer, int Index) {
  while (true) {
    TSeenRequest r;
    try {
      std::string line = Peer.ReadLine();
      const size_t a = line.find(' '), b = line.rfind(' ');
      r.Method = line.substr(0, a);
      r.Target = line.substr(a + 1, b - a - 1);
      r.Version = line.substr(b + 1);
      r.Head = Peer.ReadHead();
    } catch (const std::exception&) {
      return;   // the client closed
    }
    const std::string length = r.Header("Content-Length");
    if (!length.empty()) r.Body = Peer.Read(std::stoul(length));
    r.Connection = Index;
    {
      std::lock_guard<std::mutex> g(FLock);
      FSeen.push_back(r);
    }
    bool close = false;
    Peer.Send(FResponder(r, close));
    if (close) {
      Peer.Close();
      return;
    }
  }
}
