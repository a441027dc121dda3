// A small HTTP/1.0 server on 127.0.0.1 (an ephemeral port) for tests: it
// serves fixed answers by path, each with a chosen fault, one request at a
// time on a thread of its own, and records the requests it saw.
#pragma once
#include <winsock.h>

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

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
  TTestHttpServer();    // starts Winsock, binds port 0 and listens
  ~TTestHttpServer();   // stops the thread
  bool Listening() const { return FListener != INVALID_SOCKET; }
  unsigned short Port() const { return FPort; }
  std::string Host() const;   // "127.0.0.1:<port>"

  void Set(const std::string& Path, const TTestHttpAnswer& Answer);
  void SetFile(const std::string& Path, const std::string& Body) { Set(Path, TTestHttpAnswer{200, Body}); }
  // Answers for the next requests of Path, one each, before its own answer.
  void SetSequence(const std::string& Path, const std::vector<TTestHttpAnswer>& First);
  // Paths without an answer get 404 with a short page and its length.
  std::vector<std::string> Requests() const;   // the request lines and headers, one text each
  int Count(const std::string& Path) const;    // how often Path was asked for

private:
  void Run();
  void Serve(SOCKET S);
  SOCKET FListener = INVALID_SOCKET;
  unsigned short FPort = 0;
  std::atomic<bool> FStop{false};
  mutable std::mutex FLock;
  std::map<std::string, TTestHttpAnswer> FAnswers;
  std::map<std::string, std::vector<TTestHttpAnswer>> FFirst;
  std::vector<std::string> FRequests;
  std::map<std::string, int> FCounts;
  std::thread FThread;
};
