// Downloads one HTTP resource into a local file on a worker thread over
// WinInet; progress and the end are reported on the GUI thread.
//
// URL is "http://" (optional) + host + path; a host may carry ":port"
// (port 80 otherwise). The body goes to FileName + ".part" and takes the
// final name only when the whole body of a 2xx answer has arrived, so a
// failed or aborted download never leaves a partial file under FileName.
//
// An abort closes the worker's WinInet handles from the aborting side, which
// ends a call blocked on a stalled server where WinInet allows it (Windows;
// Wine lets the call run on). Neither the destructor nor a WM_QUIT met while
// waiting waits for the worker: it is told to stop, let go, and ends and
// frees itself on its own, reporting to no one.
#pragma once
#include <atomic>
#include <functional>
#include <mutex>
#include <string>

#include "classlib/Classes.h"
#include "classlib/Threads.h"

using TOnProgressEvent = std::function<void(TObject* Sender, int TotalSize, int Readed)>;
using TOnDoneFileEvent = std::function<void(TObject* Sender, const std::string& FileName, int FileSize)>;

class THTTPGetThread : public TThread {
  DECLARE_CLASSINFO(THTTPGetThread)
public:
  THTTPGetThread(const std::string& AAcceptTypes, const std::string& AAgent, const std::string& AURL,
                 const std::string& AFileName, const std::string& AUserName, const std::string& APassword,
                 const std::string& APostQuery, const std::string& AReferer, bool AUseCache, bool ABinaryData,
                 TOnProgressEvent AProgress);
  int TotalSize() const { return FTotalSize; }
  int Readed() const { return FReaded; }
  bool Result() const { return FResult; }
  const std::string& FileName() const { return FFileName; }
  void MarkFailed() { FResult = false; }
  // The owner is going: progress is no longer handed over.
  void DropProgress() { FDropProgress = true; }
  // Closes the WinInet handles of the download from any thread (once).
  void CloseConnection();

  // Host, object path and port of a URL as the worker splits it.
  static void SplitURL(const std::string& URL, std::string& Host, std::string& Path, unsigned& Port);

protected:
  void Execute() override;

private:
  bool Download();
  // Takes a new WinInet handle into the set CloseConnection closes; false
  // (the handle closed) once the connection has been closed.
  bool Keep(void* Handle);
  std::mutex FHandleLock;
  void* FHandles[3] = {};   // the Internet, connection and request handles
  int FHandleCount = 0;
  bool FClosed = false;
  const std::string FAcceptTypes, FAgent, FURL, FFileName, FUserName, FPassword, FPostQuery, FReferer;
  const bool FUseCache, FBinaryData;
  const TOnProgressEvent FProgress;
  std::atomic<bool> FDropProgress{false};
  int FTotalSize = 0;
  int FReaded = 0;
  std::atomic<bool> FResult{false};
};

class THTTPGet : public TComponent {
  DECLARE_CLASSINFO(THTTPGet)
public:
  explicit THTTPGet(TComponent* AOwner);
  // Stops a running download and lets its worker go.
  ~THTTPGet() override;

  std::string AcceptTypes = "*/*";
  std::string Agent = "Ferntask HTTPGet";
  bool BinaryData = false;
  std::string URL;
  bool UseCache = false;
  std::string FileName;
  std::string UserName;
  std::string Password;
  std::string PostQuery;
  std::string Referer;
  bool WaitThread = false;
  TOnProgressEvent OnProgress;
  TOnDoneFileEvent OnDoneFile;
  TNotifyEvent OnError;

  // Starts a download of URL into FileName (nothing while one runs); with
  // WaitThread returns when it has ended, dispatching window messages
  // meanwhile. A WM_QUIT met while waiting aborts the download at once
  // (OnError) and is posted again.
  void DownloadToFile();
  // Asks the worker to stop and closes its connection; OnError follows.
  void AbortDownload();
  bool Running() const { return FThread != nullptr; }
  bool LastResult() const { return FResult; }

private:
  void DownloadDone(TObject* Sender);
  void WaitForWorker();
  void LetWorkerGo();
  THTTPGetThread* FThread = nullptr;   // frees itself when it ends
  bool FResult = false;
  bool FDestroying = false;
};
