// The system's web browser control (the WebBrowser object) hosted in a
// window of the class library.
#pragma once
#include <exdisp.h>

#include <functional>
#include <string>

#include "classlib/OleCtrls.h"

// Sender, the browser object of the page or frame, its address.
using TWebBrowserDocumentComplete =
    std::function<void(TObject* Sender, IDispatch* Disp, const std::string& URL)>;

class TWebBrowser : public TOleControl {
  DECLARE_CLASSINFO(TWebBrowser)
public:
  explicit TWebBrowser(TComponent* AOwner);
  // The object's browser interface; empty when the system has no browser.
  const TComPtr<IWebBrowser2>& DefaultInterface() const { return FBrowser; }
  // Raises EOleSysError when the browser refuses the address.
  void Navigate(const std::string& URL);
  READYSTATE ReadyState();   // READYSTATE_UNINITIALIZED without a browser
  TComPtr<IDispatch> Document();   // empty while there is none

  TWebBrowserDocumentComplete OnDocumentComplete;

protected:
  void InvokeEvent(DISPID DispID, const DISPPARAMS& Params) override;

private:
  TComPtr<IWebBrowser2> FBrowser;
};
