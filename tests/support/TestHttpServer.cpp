#include "TestHttpServer.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <thread>

namespace {
std::string Lower(std::string S) {
  for (char& c : S) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return S;
}

std::string StatusText(int Status) {
  switch (Status) {
    case 200: return "OK";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
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

std::string TSeenRequest::Text() const {
  return Method + " " + Target + " " + Version + "\r\n" + Head + "\r\n" + Body;
}

std::string HttpResponse(const std::string& Status, const std::string& Body, const std::string& Headers) {
  return "HTTP/1.1 " + Status + "\r\n" + Headers + "Content-Length: " + std::to_string(Body.size()) + "\r\n\r\n" + Body;
}

THttpServer::THttpServer(TResponder Responder)
    : THttpServer(
          [Responder = std::move(Responder)](const TSeenRequest& R, TTestPeer& Peer) {
            bool close = false;
            Peer.Send(Responder(R, close));
            return !close;
          },
          8) {}

THttpServer::THttpServer(TAnswerer Answerer, int Backlog)
    : FAnswerer(std::move(Answerer)), FServer([this](TTestPeer& P, int Index) { Serve(P, Index); }, Backlog) {}

std::vector<TSeenRequest> THttpServer::Seen() const {
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
    if (!FAnswerer(r, Peer)) {
      Peer.Close();
      return;
    }
  }
}

TTestHttpServer::TTestHttpServer()
    : FServer([this](const TSeenRequest& R, TTestPeer& Peer) { return Answer(R, Peer); }, 16) {}

TTestHttpServer::~TTestHttpServer() { FStop = true; }

std::string TTestHttpServer::Host() const { return "127.0.0.1:" + std::to_string(Port()); }

void TTestHttpServer::Set(const std::string& Path, const TTestHttpAnswer& Answer) {
  std::lock_guard<std::mutex> g(FLock);
  FAnswers[Path] = Answer;
}

void TTestHttpServer::SetSequence(const std::string& Path, const std::vector<TTestHttpAnswer>& First) {
  std::lock_guard<std::mutex> g(FLock);
  FFirst[Path] = First;
}

std::vector<std::string> TTestHttpServer::Requests() const {
  std::vector<std::string> r;
  for (const TSeenRequest& s : FServer.Seen()) r.push_back(s.Text());
  return r;
}

int TTestHttpServer::Count(const std::string& Path) const {
  const std::vector<TSeenRequest> seen = FServer.Seen();
  return static_cast<int>(std::count_if(seen.begin(), seen.end(), [&](const TSeenRequest& s) { return s.Target == Path; }));
}

bool TTestHttpServer::Answer(const TSeenRequest& Request, TTestPeer& Peer) {
  TTestHttpAnswer a{404, "<html><body>Not Found</body></html>"};
  {
    std::lock_guard<std::mutex> g(FLock);
    auto first = FFirst.find(Request.Target);
    auto it = FAnswers.find(Request.Target);
    if (first != FFirst.end() && !first->second.empty()) {
      a = first->second.front();
      first->second.erase(first->second.begin());
    } else if (it != FAnswers.end()) {
      a = it->second;
    }
  }
  if (a.Refuse) return false;
  std::string head = "HTTP/1.0 " + std::to_string(a.Status) + " " + StatusText(a.Status) + "\r\n";
  if (a.SendLength) head += "Content-Length: " + std::to_string(a.Body.size() + a.LengthDelta) + "\r\n";
  head += "Content-Type: application/octet-stream\r\nConnection: close\r\n\r\n";
  Peer.Send(head);
  const size_t total = std::min(a.Body.size(), a.CloseAfter);
  const size_t chunk = a.DelayMs ? 4096 : total;
  for (size_t at = 0; at < total && !FStop; at += chunk) {
    Peer.Send(a.Body.substr(at, std::min(chunk, total - at)));
    // (a long pause, a stalled server, ends when the server stops)
    for (unsigned slept = 0; slept < a.DelayMs && !FStop; slept += 10)
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min(10u, a.DelayMs - slept)));
  }
  return false;   // HTTP/1.0: the connection ends with the answer
}
