#include "TestHttpServer.h"

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>

#include "LoopbackSockets.h"

namespace {
std::string StatusText(int Status) {
  switch (Status) {
    case 200: return "OK";
    case 404: return "Not Found";
    case 500: return "Internal Server Error";
    case 503: return "Service Unavailable";
    default: return "Status";
  }
}

bool SendAll(SOCKET S, const char* P, size_t N) {
  while (N > 0) {
    const int n = send(S, P, static_cast<int>(std::min<size_t>(N, 1 << 20)), 0);
    if (n <= 0) return false;
    P += n;
    N -= static_cast<size_t>(n);
  }
  return true;
}
}  // namespace

TTestHttpServer::TTestHttpServer() {
  WSADATA wsa;
  WSAStartup(MAKEWORD(1, 1), &wsa);
  u_short port = 0;
  FListener = ListenOnLoopback(16, &port);
  if (FListener == INVALID_SOCKET) return;
  FPort = port;
  FThread = std::thread([this] { Run(); });
}

TTestHttpServer::~TTestHttpServer() {
  FStop = true;
  if (FListener != INVALID_SOCKET) closesocket(FListener);   // ends the accept
  if (FThread.joinable()) FThread.join();
  WSACleanup();
}

std::string TTestHttpServer::Host() const { return "127.0.0.1:" + std::to_string(FPort); }

void TTestHttpServer::Set(const std::string& Path, const TTestHttpAnswer& Answer) {
  std::lock_guard<std::mutex> g(FLock);
  FAnswers[Path] = Answer;
}

void TTestHttpServer::SetSequence(const std::string& Path, const std::vector<TTestHttpAnswer>& First) {
  std::lock_guard<std::mutex> g(FLock);
  FFirst[Path] = First;
}

std::vector<std::string> TTestHttpServer::Requests() const {
  std::lock_guard<std::mutex> g(FLock);
  return FRequests;
}

int TTestHttpServer::Count(const std::string& Path) const {
  std::lock_guard<std::mutex> g(FLock);
  auto it = FCounts.find(Path);
  return it == FCounts.end() ? 0 : it->second;
}

void TTestHttpServer::Run() {
  while (!FStop) {
    SOCKET s = accept(FListener, nullptr, nullptr);
    if (s == INVALID_SOCKET) {
      if (FStop) return;
      continue;
    }
    Serve(s);
    closesocket(s);
  }
}

void TTestHttpServer::Serve(SOCKET S) {
  std::string req;
  char buf[4096];
  // The request line and headers, then a body of the announced length.
  while (req.find("\r\n\r\n") == std::string::npos) {
    const int n = recv(S, buf, sizeof buf, 0);
    if (n <= 0) return;
    req.append(buf, static_cast<size_t>(n));
    if (req.size() > 1 << 20) return;
  }
  const size_t headEnd = req.find("\r\n\r\n") + 4;
  size_t bodyLength = 0;
  std::string lower = req.substr(0, headEnd);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  const size_t cl = lower.find("content-length:");
  if (cl != std::string::npos) bodyLength = std::strtoul(lower.c_str() + cl + 15, nullptr, 10);
  while (req.size() < headEnd + bodyLength) {
    const int n = recv(S, buf, sizeof buf, 0);
    if (n <= 0) break;
    req.append(buf, static_cast<size_t>(n));
  }
  const size_t sp1 = req.find(' ');
  const size_t sp2 = req.find(' ', sp1 + 1);
  const std::string path = sp1 == std::string::npos ? "" : req.substr(sp1 + 1, sp2 - sp1 - 1);

  TTestHttpAnswer a;
  {
    std::lock_guard<std::mutex> g(FLock);
    FRequests.push_back(req);
    ++FCounts[path];
    auto first = FFirst.find(path);
    auto it = FAnswers.find(path);
    if (first != FFirst.end() && !first->second.empty()) {
      a = first->second.front();
      first->second.erase(first->second.begin());
    } else if (it != FAnswers.end()) {
      a = it->second;
    }
    else a = TTestHttpAnswer{404, "<html><body>Not Found</body></html>"};
  }
  if (a.Refuse) return;
  std::string head = "HTTP/1.0 " + std::to_string(a.Status) + " " + StatusText(a.Status) + "\r\n";
  if (a.SendLength) head += "Content-Length: " + std::to_string(a.Body.size() + a.LengthDelta) + "\r\n";
  head += "Content-Type: application/octet-stream\r\nConnection: close\r\n\r\n";
  if (!SendAll(S, head.data(), head.size())) return;
  const size_t total = std::min(a.Body.size(), a.CloseAfter);
  const size_t chunk = a.DelayMs ? 4096 : total;
  for (size_t at = 0; at < total && !FStop; at += chunk) {
    if (!SendAll(S, a.Body.data() + at, std::min(chunk, total - at))) return;
    // (a long pause, a stalled server, ends when the server stops)
    for (unsigned slept = 0; slept < a.DelayMs && !FStop; slept += 10)
      std::this_thread::sleep_for(std::chrono::milliseconds(std::min(10u, a.DelayMs - slept)));
  }
  shutdown(S, 1);
}
