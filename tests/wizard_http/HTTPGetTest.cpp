// The HTTP download component against a local server on an ephemeral port.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "GuiTest.h"
#include "TestHttpServer.h"
#include "TestPaths.h"
#include "classlib/Forms.h"
#include "wizard/HTTPGet.h"

namespace {

std::string Bytes(size_t N) {
  std::string s(N, '\0');
  for (size_t i = 0; i < N; ++i) s[i] = static_cast<char>((i * 131 + i / 977) & 0xFF);
  return s;
}

class HTTPGetTest : public testing::Test {
protected:
  void SetUp() override {
    Forms_Initialize();
    ASSERT_TRUE(Server.Listening());
    Dir = TempFolder("http");
    Get = std::make_unique<THTTPGet>(nullptr);
    Get->FileName = Dir + "\\file.bin";
    Get->OnDoneFile = [this](TObject* S, const std::string& F, int Size) {
      EXPECT_EQ(S, Get.get());
      Done.push_back(F + "|" + std::to_string(Size));
    };
    Get->OnError = [this](TObject* S) {
      EXPECT_EQ(S, Get.get());
      ++Errors;
    };
  }
  void TearDown() override {
    Get.reset();
    Forms_Finalize();
  }
  std::string Url(const std::string& Path) { return "http://" + Server.Host() + Path; }
  bool Finished() { return !Done.empty() || Errors > 0; }

  TTestHttpServer Server;
  std::string Dir;
  std::unique_ptr<THTTPGet> Get;
  std::vector<std::string> Done;
  int Errors = 0;
};

TEST_F(HTTPGetTest, DownloadsWithProgressOnTheGuiThread) {
  const std::string body = Bytes(100000);
  Server.SetFile("/db/feb10.part01.zip", body);
  Get->URL = Url("/db/feb10.part01.zip");
  Get->BinaryData = true;
  Get->WaitThread = true;
  std::vector<int> read;
  Get->OnProgress = [&](TObject* Sender, int Total, int Readed) {
    EXPECT_TRUE(InMainThread());
    EXPECT_TRUE(Sender->InheritsFrom(THTTPGetThread::StaticClass()));
    EXPECT_EQ(Total, 100000);
    read.push_back(Readed);
  };
  Get->DownloadToFile();
  EXPECT_FALSE(Get->Running());
  ASSERT_EQ(Done, (std::vector<std::string>{Get->FileName + "|100000"}));
  EXPECT_EQ(Errors, 0);
  EXPECT_TRUE(ReadTextFile(Get->FileName) == body);
  EXPECT_FALSE(FileExists(Get->FileName + ".part"));
  ASSERT_FALSE(read.empty());
  EXPECT_EQ(read.back(), 100000);
  EXPECT_LE(read.front(), 1025);   // blocks of at most 1025 bytes
  EXPECT_TRUE(std::is_sorted(read.begin(), read.end()));
  const std::string req = Server.Requests().at(0);
  EXPECT_EQ(req.rfind("GET /db/feb10.part01.zip HTTP/1.0\r\n", 0), 0u) << req;
  EXPECT_NE(req.find("User-Agent: Ferntask HTTPGet\r\n"), std::string::npos) << req;
}

TEST_F(HTTPGetTest, MessagesRunWhileWaitingAndAClickCanAbort) {
  TTestHttpAnswer slow{200, Bytes(400000)};
  slow.DelayMs = 20;
  Server.Set("/slow", slow);
  WriteTextFile(Get->FileName, "previous");
  Get->URL = Url("/slow");
  Get->WaitThread = true;
  // A "click" that arrives while the download runs: a posted message whose
  // handler aborts, dispatched by the component's wait loop.
  bool clicked = false;
  THiddenWindow w([&](TMessage& M) {
    if (M.Msg == WM_USER + 1) {
      clicked = true;
      Get->AbortDownload();
    } else {
      M.Result = DefaultHandler(w.Handle(), M);
    }
  });
  int progress = 0;
  Get->OnProgress = [&](TObject*, int, int) {
    if (++progress == 5) PostMessageA(w.Handle(), WM_USER + 1, 0, 0);
  };
  Get->DownloadToFile();
  EXPECT_TRUE(clicked);
  EXPECT_EQ(Errors, 1);
  EXPECT_TRUE(Done.empty());
  EXPECT_FALSE(Get->LastResult());
  // The aborted body never took the final name; nothing partial is left.
  EXPECT_EQ(ReadTextFile(Get->FileName), "previous");
  EXPECT_FALSE(FileExists(Get->FileName + ".part"));
}

TEST_F(HTTPGetTest, FailuresNeverCountAsSuccess) {
  struct TCase {
    const char* Name;
    TTestHttpAnswer Answer;
    bool Binary;
  };
  TTestHttpAnswer shortBody{200, Bytes(50000)};
  shortBody.LengthDelta = 1000;   // announces more than it sends
  TTestHttpAnswer closesEarly{200, Bytes(50000)};
  closesEarly.CloseAfter = 20000;
  TTestHttpAnswer notFound{404, "<html>gone</html>"};
  TTestHttpAnswer serverError{500, Bytes(3000)};
  TTestHttpAnswer noLength{200, Bytes(3000)};
  noLength.SendLength = false;
  TTestHttpAnswer refused{200, "x"};
  refused.Refuse = true;
  const TCase cases[] = {{"short", shortBody, true},        {"early", closesEarly, true},
                         {"404", notFound, false},          {"500", serverError, true},
                         {"nolength-binary", noLength, true}, {"nolength-file", noLength, false},
                         {"refused", refused, false}};
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Name);
    Errors = 0;
    Done.clear();
    Server.Set(std::string("/") + c.Name, c.Answer);
    WriteTextFile(Get->FileName, "previous");
    Get->URL = Url(std::string("/") + c.Name);
    Get->BinaryData = c.Binary;
    Get->WaitThread = true;
    Get->DownloadToFile();
    EXPECT_EQ(Errors, 1);
    EXPECT_TRUE(Done.empty());
    EXPECT_EQ(ReadTextFile(Get->FileName), "previous");
    EXPECT_FALSE(FileExists(Get->FileName + ".part"));
  }
  // Without a length, file mode succeeds only for an empty body.
  Errors = 0;
  TTestHttpAnswer empty{200, ""};
  empty.SendLength = false;
  Server.Set("/empty", empty);
  Get->URL = Url("/empty");
  Get->BinaryData = false;
  Get->DownloadToFile();
  EXPECT_EQ(Errors, 0);
  EXPECT_EQ(Done.size(), 1u);
  EXPECT_EQ(ReadTextFile(Get->FileName), "");
}

TEST_F(HTTPGetTest, ASecondStartWhileRunningIsIgnored) {
  TTestHttpAnswer slow{200, Bytes(60000)};
  slow.DelayMs = 10;
  Server.Set("/one", slow);
  Get->URL = Url("/one");
  Get->DownloadToFile();   // WaitThread off: returns at once
  EXPECT_TRUE(Get->Running());
  Get->URL = Url("/two");
  Get->DownloadToFile();
  ASSERT_TRUE(PumpUntil([&] { return Finished(); }, 20000));
  EXPECT_EQ(Done.size(), 1u);
  EXPECT_EQ(Server.Count("/one"), 1);
  EXPECT_EQ(Server.Count("/two"), 0);
}

// A server that stalls after its first bytes: neither a WM_QUIT met while
// waiting nor freeing the component waits for the worker stuck reading.
TTestHttpAnswer Stalled() {
  TTestHttpAnswer a{200, Bytes(400000)};
  a.DelayMs = 60000;   // after the first 4 KB
  return a;
}

TEST_F(HTTPGetTest, QuitWhileWaitingAbortsAtOnceAndIsPostedAgain) {
  Server.Set("/stalled", Stalled());
  Get->URL = Url("/stalled");
  Get->WaitThread = true;
  int progress = 0;
  Get->OnProgress = [&](TObject*, int, int) {
    if (++progress == 3) PostQuitMessage(7);
  };
  const DWORD start = GetTickCount();
  Get->DownloadToFile();
  EXPECT_LT(GetTickCount() - start, 8000u);   // did not wait for the stalled worker
  EXPECT_FALSE(Get->Running());
  EXPECT_EQ(Errors, 1);
  EXPECT_FALSE(FileExists(Get->FileName));
  MSG m;
  ASSERT_TRUE(PeekMessageA(&m, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  EXPECT_EQ(m.wParam, 7u);
}

TEST_F(HTTPGetTest, FreeingTheComponentLetsItsWorkerGo) {
  auto stalling = std::make_unique<TTestHttpServer>();
  stalling->Set("/stalled", Stalled());
  Get->URL = "http://" + stalling->Host() + "/stalled";
  int progress = 0;
  Get->OnProgress = [&](TObject*, int, int) { ++progress; };
  const std::string file = Get->FileName;
  Get->DownloadToFile();
  // The first 4 KB in (three whole blocks): the worker waits for more.
  ASSERT_TRUE(PumpUntil([&] { return progress >= 3; }, 10000));
  PumpFor(500);
  const DWORD start = GetTickCount();
  Get.reset();   // does not wait for the worker stuck reading
  EXPECT_LT(GetTickCount() - start, 2000u);
  const int seen = progress;
  stalling.reset();   // the server goes: the worker's read ends, then the worker
  ASSERT_TRUE(PumpUntil([&] { return !FileExists(file + ".part"); }, 10000));
  PumpFor(300);
  EXPECT_EQ(progress, seen);   // no progress after the component went
  EXPECT_EQ(Errors, 0);        // and no events
  EXPECT_TRUE(Done.empty());
  EXPECT_FALSE(FileExists(file));
}

TEST_F(HTTPGetTest, PostQueryAndRequestShape) {
  Server.SetFile("/form", "ok");
  Get->URL = "HTTP://" + Server.Host() + "/form";
  Get->PostQuery = "a=1&b=2";
  Get->Referer = "http://127.0.0.1/";
  Get->Agent = "";
  Get->WaitThread = true;
  Get->DownloadToFile();
  EXPECT_EQ(Done.size(), 1u);
  const std::string req = Server.Requests().at(0);
  EXPECT_EQ(req.rfind("POST /form HTTP/1.0\r\n", 0), 0u) << req;
  EXPECT_NE(req.find("Content-Type: application/x-www-form-urlencoded"), std::string::npos) << req;
  EXPECT_NE(req.find("Referer: http://127.0.0.1/"), std::string::npos) << req;
  EXPECT_EQ(req.substr(req.size() - 7), "a=1&b=2");
}

TEST(HTTPGetURL, SplitsHostPortAndPath) {
  std::string h, p;
  unsigned port = 0;
  THTTPGetThread::SplitURL("http://mirror.example/feb10.part01.zip", h, p, port);
  EXPECT_EQ(h, "mirror.example");
  EXPECT_EQ(p, "/feb10.part01.zip");
  EXPECT_EQ(port, 80u);
  THTTPGetThread::SplitURL("HTTP://127.0.0.1:8123/a/b", h, p, port);
  EXPECT_EQ(h, "127.0.0.1");
  EXPECT_EQ(p, "/a/b");
  EXPECT_EQ(port, 8123u);
  THTTPGetThread::SplitURL("hostonly", h, p, port);
  EXPECT_EQ(h, "");
  EXPECT_EQ(p, "hostonly");
  THTTPGetThread::SplitURL("h/x?u=http://y", h, p, port);
  EXPECT_EQ(h, "h");
  EXPECT_EQ(p, "/x?u=http://y");
}

}  // namespace
