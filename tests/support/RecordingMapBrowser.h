// A browser that records what the map window asks of it, in place of the
// system's web browser control (there is no browser engine here).
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "classlib/SysUtils.h"
#include "viewer/unit4.h"

struct TBrowserLog {
  std::vector<std::string> Calls;
  std::vector<std::string> Scripts;
  std::string Document;
  int ReadyAfter = 0;   // ready-state questions answered 1 before "complete"
  bool HasDocument = true;
  std::function<void()> OnReadyState;   // runs at each ready-state question
};

class TRecordingBrowser : public TMapBrowser {
public:
  explicit TRecordingBrowser(TBrowserLog& L) : Log(L) {}
  void Navigate(const std::string& URL) override { Log.Calls.push_back("Navigate " + URL); }
  int ReadyState() override {
    if (Log.OnReadyState) Log.OnReadyState();
    return Log.ReadyAfter-- > 0 ? 1 : 4;
  }
  bool HasDocument() override { return Log.HasDocument; }
  void LoadDocument(const std::string& Text) override {
    Log.Calls.push_back("LoadDocument");
    Log.Document = Text;
    if (OnDocumentComplete) OnDocumentComplete();
  }
  void ExecScript(const std::string& Code, const std::string& Language) override {
    Log.Scripts.push_back(Language + ": " + Code);
  }
  void SetBodyStyle(const std::string& Name, const std::string& Value) override {
    Log.Calls.push_back("Style " + Name + "=" + Value);
  }
  TBrowserLog& Log;
};

// While it lives, map windows get a recording browser writing to Log.
class TRecordingBrowsers {
public:
  explicit TRecordingBrowsers(TBrowserLog& Log) : FSaved(NewMapBrowser) {
    NewMapBrowser = [&Log](TWinControl*, const TRect& R) -> std::unique_ptr<TMapBrowser> {
      Log.Calls.push_back(Format("Made %d,%d %dx%d", static_cast<int>(R.left), static_cast<int>(R.top),
                                 static_cast<int>(R.right - R.left), static_cast<int>(R.bottom - R.top)));
      return std::make_unique<TRecordingBrowser>(Log);
    };
  }
  ~TRecordingBrowsers() { NewMapBrowser = FSaved; }

private:
  decltype(NewMapBrowser) FSaved;
};
