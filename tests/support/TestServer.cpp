#include "TestServer.h"

#include <stdexcept>
#include <utility>

#include "LoopbackSockets.h"

void StartTestWinsock() {
  static bool started = false;
  if (started) return;
  WSADATA wsa;
  if (WSAStartup(MAKEWORD(1, 1), &wsa) == 0) started = true;
}

TTestPeer::TTestPeer(SOCKET S) : FSocket(S) {
  const int timeout = 10000;
  setsockopt(FSocket, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout), sizeof timeout);
}

TTestPeer::~TTestPeer() { Close(); }

void TTestPeer::Close() {
  if (FSocket == INVALID_SOCKET) return;
  shutdown(FSocket, 1);
  closesocket(FSocket);
  FSocket = INVALID_SOCKET;
}

bool TTestPeer::Fill() {
  if (FSocket == INVALID_SOCKET) return false;
  char buf[4096];
  const int n = recv(FSocket, buf, sizeof buf, 0);
  if (n <= 0) return false;
  FBuffer.append(buf, static_cast<size_t>(n));
  return true;
}

std::string TTestPeer::ReadLine() {
  size_t p;
  while ((p = FBuffer.find('\n')) == std::string::npos)
    if (!Fill()) throw std::runtime_error("peer closed before a line ended: " + FBuffer);
  std::string line = FBuffer.substr(0, p);
  FBuffer.erase(0, p + 1);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

std::string TTestPeer::Read(size_t Count) {
  while (FBuffer.size() < Count && Fill()) {
  }
  std::string r = FBuffer.substr(0, Count);
  FBuffer.erase(0, r.size());
  return r;
}

std::string TTestPeer::ReadHead() {
  std::string head;
  for (std::string line = ReadLine(); !line.empty(); line = ReadLine()) head += line + "\r\n";
  return head;
}

std::string TTestPeer::ReadAll() {
  while (Fill()) {
  }
  return std::exchange(FBuffer, std::string());
}

void TTestPeer::Send(const std::string& Data) {
  size_t sent = 0;
  while (sent < Data.size()) {
    const int n = send(FSocket, Data.data() + sent, static_cast<int>(Data.size() - sent), 0);
    if (n <= 0) throw std::runtime_error("send failed");
    sent += static_cast<size_t>(n);
  }
}

TTestServer::TTestServer(THandler Handler, int Backlog, bool Accept) : FHandler(std::move(Handler)) {
  StartTestWinsock();
  u_short port = 0;
  FListener = ListenOnLoopback(Backlog, &port);
  if (FListener == INVALID_SOCKET) throw std::runtime_error("cannot listen on 127.0.0.1");
  FPort = port;
  if (Accept) FThread = std::thread([this] { Run(); });
}

TTestServer::~TTestServer() {
  FStop = true;
  if (FThread.joinable()) FThread.join();
  for (std::thread& t : FWorkers) t.join();
  closesocket(FListener);
}

std::vector<std::string> TTestServer::Errors() {
  std::lock_guard<std::mutex> g(FLock);
  return FErrors;
}

void TTestServer::Run() {
  while (!FStop) {
    fd_set r;
    FD_ZERO(&r);
    FD_SET(FListener, &r);
    timeval tv{0, 50000};
    if (select(0, &r, nullptr, nullptr, &tv) != 1) continue;
    SOCKET s = accept(FListener, nullptr, nullptr);
    if (s == INVALID_SOCKET) continue;
    const int index = FAccepted++;
    FWorkers.emplace_back([this, s, index] {
      TTestPeer peer(s);
      try {
        FHandler(peer, index);
      } catch (const std::exception& e) {
        std::lock_guard<std::mutex> g(FLock);
        FErrors.push_back(e.what());
      }
    });
  }
}
