// Loopback servers that tests start themselves: a listener on
// 127.0.0.1 at a port the system picks, serving each accepted connection
// on its own thread with a handler of the test's.
#pragma once
#include <winsock.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One accepted connection, read with a 10 s limit per call.
class TTestPeer {
public:
  explicit TTestPeer(SOCKET S);
  ~TTestPeer();
  TTestPeer(const TTestPeer&) = delete;
  TTestPeer& operator=(const TTestPeer&) = delete;

  std::string ReadLine();             // up to LF; a CR before it dropped
  std::string Read(size_t Count);     // exactly Count bytes (fewer at the end)
  std::string ReadHead();             // lines up to an empty one, each with CRLF
  std::string ReadAll();              // until the peer closes
  void Send(const std::string& Data);
  void Close();                       // closes now (a graceful close)
  SOCKET Socket() const { return FSocket; }

private:
  bool Fill();
  SOCKET FSocket;
  std::string FBuffer;
};

class TTestServer {
public:
  using THandler = std::function<void(TTestPeer& Peer, int Index)>;
  explicit TTestServer(THandler Handler, int Backlog = 8, bool Accept = true);
  ~TTestServer();   // stops listening and waits for the handlers
  TTestServer(const TTestServer&) = delete;
  TTestServer& operator=(const TTestServer&) = delete;

  u_short Port() const { return FPort; }
  int Accepted() const { return FAccepted; }
  // Failures a handler threw, as text.
  std::vector<std::string> Errors();

private:
  void Run();
  SOCKET FListener = INVALID_SOCKET;
  u_short FPort = 0;
  THandler FHandler;
  std::atomic<bool> FStop{false};
  std::atomic<int> FAccepted{0};
  std::thread FThread;
  std::vector<std::thread> FWorkers;
  std::mutex FLock;
  std::vector<std::string> FErrors;
};

// Winsock 1.1 for the servers, started once per test program.
void StartTestWinsock();
