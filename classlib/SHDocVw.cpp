#include "classlib/SHDocVw.h"

#include <exdispid.h>

IMPLEMENT_CLASSINFO(TWebBrowser, TOleControl)

namespace {
// The variant an event argument refers to.
const VARIANT& Deref(const VARIANT& V) {
  return V_VT(&V) == (VT_VARIANT | VT_BYREF) && V_VARIANTREF(&V) ? *V_VARIANTREF(&V) : V;
}
}  // namespace

TWebBrowser::TWebBrowser(TComponent* AOwner) : TOleControl(AOwner, CLSID_WebBrowser) {
  FBrowser = OleObject().As<IWebBrowser2>(IID_IWebBrowser2);
  if (FBrowser) ConnectEvents(DIID_DWebBrowserEvents2);
}

void TWebBrowser::Navigate(const std::string& URL) {
  if (!FBrowser) throw EOleSysError("No web browser", E_NOINTERFACE);
  TBStr url(URL);
  TOleVariant flags, frame, postData, headers;
  OleCheck(FBrowser->Navigate(url.Get(), &flags.Value, &frame.Value, &postData.Value, &headers.Value));
}

READYSTATE TWebBrowser::ReadyState() {
  READYSTATE r = READYSTATE_UNINITIALIZED;
  if (!FBrowser || FAILED(FBrowser->get_ReadyState(&r))) return READYSTATE_UNINITIALIZED;
  return r;
}

TComPtr<IDispatch> TWebBrowser::Document() {
  TComPtr<IDispatch> d;
  if (FBrowser && FAILED(FBrowser->get_Document(d.Out()))) d.Reset();
  return d;
}

void TWebBrowser::InvokeEvent(DISPID DispID, const DISPPARAMS& Params) {
  // arguments come last first: (pDisp, URL) is rgvarg[1], rgvarg[0]
  if (DispID != DISPID_DOCUMENTCOMPLETE || Params.cArgs < 2 || !OnDocumentComplete) return;
  const VARIANT& disp = Deref(Params.rgvarg[1]);
  const VARIANT& url = Deref(Params.rgvarg[0]);
  OnDocumentComplete(this, V_VT(&disp) == VT_DISPATCH ? V_DISPATCH(&disp) : nullptr,
                     V_VT(&url) == VT_BSTR ? OleStrToString(V_BSTR(&url)) : std::string());
}
