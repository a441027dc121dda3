#include "wizard/HTTPGet.h"

#include <windows.h>
#include <wininet.h>

#include <cstdlib>
#include <vector>

#include "classlib/SysUtils.h"

IMPLEMENT_CLASSINFO(THTTPGetThread, TThread)
IMPLEMENT_CLASSINFO(THTTPGet, TComponent)

namespace {

constexpr DWORD BlockSize = 1025;
constexpr DWORD LengthBufferSize = 1024;

}  // namespace

THTTPGetThread::THTTPGetThread(const std::string& AAcceptTypes, const std::string& AAgent, const std::string& AURL,
                               const std::string& AFileName, const std::string& AUserName,
                               const std::string& APassword, const std::string& APostQuery,
                               const std::string& AReferer, bool AUseCache, bool ABinaryData,
                               TOnProgressEvent AProgress)
    : FAcceptTypes(AAcceptTypes), FAgent(AAgent), FURL(AURL), FFileName(AFileName), FUserName(AUserName),
      FPassword(APassword), FPostQuery(APostQuery), FReferer(AReferer), FUseCache(AUseCache),
      FBinaryData(ABinaryData), FProgress(std::move(AProgress)) {}

void THTTPGetThread::SplitURL(const std::string& URL, std::string& Host, std::string& Path, unsigned& Port) {
  std::string u = URL;
  if (LowerCase(u).rfind("http://", 0) == 0) u.erase(0, 7);
  const size_t slash = u.find('/');
  if (slash == std::string::npos) {
    Host.clear();
    Path = u;
  } else {
    Host = u.substr(0, slash);
    Path = u.substr(slash);
  }
  if (!Host.empty() && Host.back() == '/') Host.pop_back();
  Port = INTERNET_DEFAULT_HTTP_PORT;
  const size_t colon = Host.rfind(':');
  if (colon != std::string::npos) {
    int p = 0;
    if (TryStrToInt(Host.substr(colon + 1), p) && p > 0 && p < 65536) {
      Port = static_cast<unsigned>(p);
      Host.erase(colon);
    }
  }
}

bool THTTPGetThread::Keep(void* Handle) {
  std::lock_guard<std::mutex> g(FHandleLock);
  if (FClosed || FHandleCount == 3) {
    InternetCloseHandle(static_cast<HINTERNET>(Handle));
    return false;
  }
  FHandles[FHandleCount++] = Handle;
  return true;
}

void THTTPGetThread::CloseConnection() {
  std::lock_guard<std::mutex> g(FHandleLock);
  if (FClosed) return;
  FClosed = true;
  // request, connection, Internet
  while (FHandleCount > 0) InternetCloseHandle(static_cast<HINTERNET>(FHandles[--FHandleCount]));
}

void THTTPGetThread::Execute() {
  FResult = false;
  try {
    if (!Terminated()) FResult = Download();
    if (Terminated()) FResult = false;
  } catch (...) {
    FResult = false;   // nothing leaves the worker
  }
  CloseConnection();
}

bool THTTPGetThread::Download() {
  HINTERNET internet =
      InternetOpenA(FAgent.empty() ? nullptr : FAgent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
  if (!internet || !Keep(internet)) return false;
  std::string host, path;
  unsigned port = 0;
  SplitURL(FURL, host, path, port);
  HINTERNET connection = InternetConnectA(internet, host.c_str(), static_cast<INTERNET_PORT>(port),
                                          FUserName.c_str(), FPassword.c_str(), INTERNET_SERVICE_HTTP, 0, 0);
  if (!connection || !Keep(connection)) return false;
  const std::string accept = "Accept: " + FAcceptTypes;
  LPCSTR acceptTypes[] = {accept.c_str(), nullptr};
  HINTERNET request = HttpOpenRequestA(connection, FPostQuery.empty() ? "GET" : "POST", path.c_str(), "HTTP/1.0",
                                       FReferer.empty() ? nullptr : FReferer.c_str(), acceptTypes,
                                       FUseCache ? 0 : INTERNET_FLAG_RELOAD, 0);
  if (!request || !Keep(request)) return false;
  // After every call that may block, the handles may have been closed by an
  // abort: Terminated() is asked before they are used again.
  BOOL sent;
  if (!FPostQuery.empty()) {
    std::string body = FPostQuery;
    sent = HttpSendRequestA(request, "Content-Type: application/x-www-form-urlencoded", 47, body.data(),
                            static_cast<DWORD>(body.size()));
  } else {
    sent = HttpSendRequestA(request, nullptr, 0, nullptr, 0);
  }
  if (!sent || Terminated()) return false;

  // An error page is no download, whatever its length.
  DWORD status = 0, statusSize = sizeof status;
  if (!HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &statusSize, nullptr) ||
      status < 200 || status > 299)
    return false;

  char length[LengthBufferSize] = {};
  DWORD lengthSize = sizeof length - 1;
  const bool haveLength = HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH, length, &lengthSize, nullptr);
  if (Terminated()) return false;
  if (!haveLength && FBinaryData) return false;
  FTotalSize = haveLength ? std::atoi(length) : 0;
  FReaded = 0;

  const std::string partName = FFileName + ".part";
  bool ok = false;
  {
    TFileHandle file(CreateFileA(partName.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                 nullptr));
    if (!file) return false;
    std::vector<char> block(BlockSize);
    bool failed = false;
    for (;;) {
      if (Terminated()) {
        failed = true;
        break;
      }
      DWORD got = 0;
      if (!InternetReadFile(request, block.data(), BlockSize, &got) || got == 0) break;
      DWORD put = 0;
      if (!WriteFile(file.Get(), block.data(), got, &put, nullptr) || put != got) {
        failed = true;
        break;
      }
      FReaded += static_cast<int>(got);
      if (FProgress && !FDropProgress)
        Synchronize([this] {
          if (!FDropProgress) FProgress(this, FTotalSize, FReaded);
        });
    }
    ok = !failed && !Terminated() && FTotalSize == FReaded;
  }
  if (ok) ok = MoveFileExA(partName.c_str(), FFileName.c_str(), MOVEFILE_REPLACE_EXISTING) != 0;
  if (!ok) DeleteFileA(partName.c_str());
  return ok;
}

THTTPGet::THTTPGet(TComponent* AOwner) : TComponent(AOwner) {}

THTTPGet::~THTTPGet() {
  FDestroying = true;
  if (FThread) LetWorkerGo();
}

void THTTPGet::DownloadToFile() {
  if (FThread) return;
  auto* t = new THTTPGetThread(AcceptTypes, Agent, URL, FileName, UserName, Password, PostQuery, Referer, UseCache,
                               BinaryData, OnProgress);
  t->FreeOnTerminate = true;
  t->OnTerminate = [this](TObject* Sender) { DownloadDone(Sender); };
  FThread = t;
  t->Start();
  if (WaitThread) WaitForWorker();
}

void THTTPGet::AbortDownload() {
  if (!FThread) return;
  FThread->Terminate();
  FThread->MarkFailed();
  FThread->CloseConnection();
}

void THTTPGet::DownloadDone(TObject* Sender) {
  auto* t = static_cast<THTTPGetThread*>(Sender);
  FResult = t->Result();
  if (!FDestroying) {
    if (FResult) {
      if (OnDoneFile) OnDoneFile(this, t->FileName(), t->TotalSize());
    } else if (OnError) {
      OnError(this);
    }
  }
  FThread = nullptr;
}

// The worker is stopped and forgotten: its end reaches no one (OnTerminate
// is read on this, the main, thread), and it frees itself.
void THTTPGet::LetWorkerGo() {
  THTTPGetThread* t = FThread;
  AbortDownload();
  t->DropProgress();
  t->OnTerminate = nullptr;
  FThread = nullptr;
  FResult = false;
}

void THTTPGet::WaitForWorker() {
  while (FThread) {
    MSG m;
    while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
      if (m.message == WM_QUIT) {
        // The program is ending: no wait for a worker that may be stuck on
        // a stalled server. The download ends here, as failed.
        LetWorkerGo();
        if (OnError) OnError(this);
        PostQuitMessage(static_cast<int>(m.wParam));
        return;
      }
      TranslateMessage(&m);
      DispatchMessageA(&m);
      if (!FThread) return;
    }
    CheckSynchronize();
    if (!FThread) return;
    HANDLE ev = SyncEvent();
    MsgWaitForMultipleObjects(ev ? 1 : 0, ev ? &ev : nullptr, FALSE, 50, QS_ALLINPUT);
  }
}
