// The system's web browser control, hosted for real. Wine here has the
// browser object but no HTML engine: the object is made, activated in place
// and navigates, but its ready state stays at "loading" and it never has a
// document. So the map window must end its wait and load nothing, and
// everything must close without leaving a COM object of ours behind.
#include <gtest/gtest.h>

#include <exdispid.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "GuiTest.h"
#include "TestPaths.h"
#include "classlib/SHDocVw.h"
#include "netlib/NetComponent.h"
#include "viewer/NsMain.h"
#include "viewer/NsMainCommands.h"
#include "viewer/unit4.h"

namespace {
// A browser that keeps the numbers of the events it receives.
class TEventLoggingBrowser : public TWebBrowser {
public:
  using TWebBrowser::TWebBrowser;
  std::vector<DISPID> Events;
  void InvokeEvent(DISPID DispID, const DISPPARAMS& Params) override {
    Events.push_back(DispID);
    TWebBrowser::InvokeEvent(DispID, Params);
  }
};

// A window's rectangle in its parent's client coordinates.
RECT RectInParent(HWND Wnd) {
  RECT r;
  GetWindowRect(Wnd, &r);
  MapWindowPoints(HWND_DESKTOP, GetParent(Wnd), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void ExpectRect(HWND Wnd, int Left, int Top, int Width, int Height) {
  const RECT r = RectInParent(Wnd);
  EXPECT_EQ(r.left, Left);
  EXPECT_EQ(r.top, Top);
  EXPECT_EQ(r.right - r.left, Width);
  EXPECT_EQ(r.bottom - r.top, Height);
}

class SystemBrowser : public testing::Test {
protected:
  std::vector<std::string> Errors;
  void SetUp() override {
    ComObj_Initialize();
    Forms_Initialize();
    NetComponent_Initialize();
    Application->OnException = [this](TObject*, Exception& E) { Errors.push_back(E.ClassName() + ": " + E.Message); };
    ASSERT_EQ(OleControlObjectsAlive(), 0);
  }
  void TearDown() override {
    Forms_Finalize();
    NetComponent_Finalize();
    frmMain = nullptr;
    EXPECT_EQ(OleControlObjectsAlive(), 0);   // every site and event sink freed
    ComObj_Finalize();
  }
};

TEST_F(SystemBrowser, IsActivatedInPlaceFollowsItsBoundsHearsItsEventsAndFreesItsSite) {
  auto form = std::make_unique<TForm>(nullptr);
  form->SetClientSize(552, 420);
  auto browser = std::make_unique<TEventLoggingBrowser>(nullptr);
  ASSERT_EQ(browser->CreateResult(), S_OK);
  ASSERT_TRUE(browser->DefaultInterface());
  EXPECT_EQ(OleControlObjectsAlive(), 2);   // its site and its event sink
  browser->SetBounds(-12, -18, 585, 443);
  browser->SetParent(form.get());
  form->Show();
  EXPECT_EQ(browser->ActivateResult(), S_OK);
  EXPECT_TRUE(browser->InPlaceActive());
  ExpectRect(browser->Handle(), -12, -18, 585, 443);
  // the object's own window fills the control
  HWND object = GetWindow(browser->Handle(), GW_CHILD);
  ASSERT_NE(object, nullptr);
  EXPECT_TRUE(IsWindowVisible(object));
  ExpectRect(object, 0, 0, 585, 443);
  browser->SetBounds(10, 20, 300, 200);
  ExpectRect(browser->Handle(), 10, 20, 300, 200);
  ExpectRect(object, 0, 0, 300, 200);

  browser->Navigate("about:blank");
  // Wine's browser tells of the navigation and of its failure (no engine)
  ASSERT_TRUE(PumpUntil([&] {
    return std::count(browser->Events.begin(), browser->Events.end(), DISPID_NAVIGATEERROR) > 0 ||
           std::count(browser->Events.begin(), browser->Events.end(), DISPID_DOCUMENTCOMPLETE) > 0;
  }));
  EXPECT_EQ(browser->Events.front(), DISPID_BEFORENAVIGATE2);
  EXPECT_LT(browser->ReadyState(), READYSTATE_INTERACTIVE);
  EXPECT_FALSE(browser->Document());

  // a document complete as the browser sends it: (pDisp, URL by reference), last first
  IDispatch* told = nullptr;
  std::string toldURL;
  browser->OnDocumentComplete = [&](TObject* Sender, IDispatch* Disp, const std::string& URL) {
    EXPECT_EQ(Sender, browser.get());
    told = Disp;
    toldURL = URL;
  };
  TBStr url("about:blank");
  VARIANT args[2], urlValue;
  VariantInit(&urlValue);
  V_VT(&urlValue) = VT_BSTR;
  V_BSTR(&urlValue) = url.Get();
  V_VT(&args[0]) = VT_VARIANT | VT_BYREF;
  V_VARIANTREF(&args[0]) = &urlValue;
  V_VT(&args[1]) = VT_DISPATCH;
  V_DISPATCH(&args[1]) = browser->DefaultInterface().Get();
  DISPPARAMS params{args, nullptr, 2, 0};
  browser->InvokeEvent(DISPID_DOCUMENTCOMPLETE, params);
  EXPECT_EQ(told, browser->DefaultInterface().Get());
  EXPECT_EQ(toldURL, "about:blank");

  // freed with the object in place: the object lets go of site and sink
  browser.reset();
  EXPECT_FALSE(IsWindow(object));
  EXPECT_EQ(OleControlObjectsAlive(), 0);

  // the parent's window goes first: the object is deactivated with it
  browser = std::make_unique<TEventLoggingBrowser>(nullptr);
  browser->SetBounds(0, 0, 100, 100);
  browser->SetParent(form.get());
  object = GetWindow(browser->Handle(), GW_CHILD);
  ASSERT_TRUE(browser->InPlaceActive());
  form.reset();
  EXPECT_FALSE(IsWindow(object));
  EXPECT_FALSE(browser->InPlaceActive());
  browser.reset();
  EXPECT_TRUE(Errors.empty());
}

TEST_F(SystemBrowser, TheMapWindowWaitsForTheControlABoundedTimeAndClosesCleanly) {
  TForm* mainWindow;   // as in the program, the map window is not the main one
  Application->CreateForm(mainWindow);
  Application->CreateForm(frmMain);
  frmMain->TemplateFile = SourcePath("viewer/gmap.ini");
  EXPECT_EQ(OleControlObjectsAlive(), 2);   // the system's control, not the blank browser
  Selection.SelectedLocationIndex = 0;
  Selection.SelectedLocationText = "Paris, France";
  Selection.SelectedIPList = "1.2.3.4";

  const DWORD start = GetTickCount();
  frmMain->Show();   // navigates, waits for an interactive page that never comes
  const DWORD waited = GetTickCount() - start;
  EXPECT_GE(waited, frmMain->DocumentTimeout);
  EXPECT_LT(frmMain->WebBrowser1->ReadyState(), 3);
  EXPECT_FALSE(frmMain->WebBrowser1->HasDocument());
  PumpFor(100);

  HWND control = FindWindowExA(frmMain->Handle(), nullptr, "TWebBrowser", nullptr);
  ASSERT_NE(control, nullptr);
  EXPECT_TRUE(IsWindowVisible(control));
  ExpectRect(control, -12, -18, 585, 443);
  HWND object = GetWindow(control, GW_CHILD);
  ASSERT_NE(object, nullptr);
  ExpectRect(object, 0, 0, 585, 443);
  // Wine's browser window, white, covers the whole client area
  const TCapture shot = CaptureClient(frmMain->Handle());
  SaveBmp(shot, "webmap-wine.bmp");
  EXPECT_EQ(shot.Count(0xFFFFFF), shot.Width * shot.Height);

  // scripts without a document go nowhere
  frmMain->btnAddMarkerClick(frmMain->btnAddMarker);
  frmMain->btnCenterMapClick(frmMain->btnCenterMap);
  SendMessageA(frmMain->Handle(), WM_CLOSE, 0, 0);
  PumpFor(50);
  EXPECT_FALSE(IsWindowVisible(frmMain->Handle()));
  EXPECT_TRUE(Errors.empty()) << (Errors.empty() ? "" : Errors.front());
}
}  // namespace
