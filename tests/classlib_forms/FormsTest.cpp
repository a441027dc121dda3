#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <vector>

#include "GuiTest.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "classlib/Threads.h"

namespace {
class FormsTest : public testing::Test {
protected:
  void SetUp() override { Forms_Initialize(); }
  void TearDown() override { Forms_Finalize(); }
};

// A secondary window as the program's side windows make it.
class TSideForm : public TForm {
public:
  using TForm::TForm;
  std::vector<std::string> Log;

protected:
  void CreateParams(TCreateParams& P) override {
    TForm::CreateParams(P);
    P.ExStyle |= WS_EX_APPWINDOW;
    P.WndParent = GetDesktopWindow();
  }
};
}  // namespace

TEST_F(FormsTest, ExceptionInTimerHandlerReachesHandlerAndLoopGoesOn) {
  std::vector<std::string> caught;
  TObject* sender = nullptr;
  Application->OnException = [&](TObject* S, Exception& E) {
    sender = S;
    caught.push_back(E.ClassName() + ": " + E.Message);
  };
  auto* t = new TTimer(Application);
  t->SetInterval(20);
  int ticks = 0;
  t->OnTimer = [&](TObject*) {
    if (++ticks == 1) throw EConvertError("bad tick");
    if (ticks == 2) throw std::runtime_error("plain");
  };
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 4; }));
  ASSERT_GE(caught.size(), 2u);
  EXPECT_EQ(caught[0], "EConvertError: bad tick");
  EXPECT_EQ(caught[1], "Exception: plain");
  EXPECT_EQ(sender, t);
  EXPECT_EQ(caught.size(), 2u);
}

TEST_F(FormsTest, ExceptionInWindowHandlerAndInOnExceptionItself) {
  auto* f = new TForm(Application);
  f->Show();
  int clicks = 0, handled = 0;
  f->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) {
    ++clicks;
    throw Exception("in click");
  };
  Application->OnException = [&](TObject* S, Exception& E) {
    EXPECT_EQ(S, f);
    EXPECT_EQ(E.Message, "in click");
    ++handled;
  };
  PostMessageA(f->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
  PostMessageA(f->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(6, 6));
  ASSERT_TRUE(PumpUntil([&] { return handled == 2; }));
  EXPECT_EQ(clicks, 2);
}

TEST_F(FormsTest, RunEndsWhenTheMainFormCloses) {
  TForm* main = nullptr;
  std::vector<std::string> log;
  struct TMain : TForm {
    using TForm::TForm;
  };
  TMain* m = nullptr;
  Application->SetTitle("Vantrel");
  Application->CreateForm(m);
  main = m;
  EXPECT_EQ(Application->MainForm(), main);
  main->OnShow = [&](TObject*) { log.push_back("show"); };
  main->OnClose = [&](TObject*, TCloseAction&) { log.push_back("close"); };
  int idle = 0;
  Application->OnIdle = [&](TObject*, bool& Done) {
    if (++idle == 1) PostMessageA(main->Handle(), WM_CLOSE, 0, 0);
    Done = true;
  };
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
  EXPECT_EQ(log, (std::vector<std::string>{"show", "close"}));
  char title[64] = {};
  GetWindowTextA(Application->Handle(), title, sizeof title);
  EXPECT_STREQ(title, "Vantrel");
}

TEST_F(FormsTest, CreateFormRunsOnCreateAndHandsItsExceptionOver) {
  struct TBadForm : TForm {
    explicit TBadForm(TComponent* O) : TForm(O) {
      OnCreate = [this](TObject*) {
        Steps.push_back("create");
        throw EFOpenError("Cannot open file \"data\\r.dat\"");
      };
    }
    std::vector<std::string> Steps;
  };
  std::string shown;
  Application->OnException = [&](TObject*, Exception& E) { shown = E.Message; };
  TBadForm* f = nullptr;
  Application->CreateForm(f);
  ASSERT_NE(f, nullptr);
  EXPECT_EQ(f->Steps, std::vector<std::string>{"create"});
  EXPECT_EQ(shown, "Cannot open file \"data\\r.dat\"");
  EXPECT_EQ(f->Owner(), Application);
}

TEST_F(FormsTest, WindowClassStylesAndSecondaryWindowParams) {
  auto* side = new TSideForm(Application);
  side->SetBounds(10, 20, 300, 200);
  HWND h = side->Handle();
  char cls[64];
  GetClassNameA(h, cls, sizeof cls);
  EXPECT_EQ(std::string(cls), "TForm");   // the class name of the form's class
  EXPECT_TRUE(GetWindowLongPtrA(h, GWL_EXSTYLE) & WS_EX_APPWINDOW);
  EXPECT_EQ(GetWindow(h, GW_OWNER), nullptr);   // the desktop is its parent: no owner
  EXPECT_TRUE(GetWindowLongPtrA(h, GWL_STYLE) & WS_THICKFRAME);

  auto* plain = new TForm(Application);
  EXPECT_EQ(GetWindow(plain->Handle(), GW_OWNER), Application->Handle());

  side->SetBorderStyle(TFormBorderStyle::bsNone);
  LONG_PTR st = GetWindowLongPtrA(h, GWL_STYLE);
  EXPECT_FALSE(st & WS_CAPTION);
  EXPECT_FALSE(st & WS_THICKFRAME);
  EXPECT_TRUE(st & WS_POPUP);
  side->SetBorderStyle(TFormBorderStyle::bsSizeable);
  EXPECT_TRUE(GetWindowLongPtrA(h, GWL_STYLE) & WS_THICKFRAME);
  side->SetFormStyle(TFormStyle::fsStayOnTop);
  EXPECT_TRUE(GetWindowLongPtrA(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
  side->SetFormStyle(TFormStyle::fsNormal);
  EXPECT_FALSE(GetWindowLongPtrA(h, GWL_EXSTYLE) & WS_EX_TOPMOST);
}

TEST_F(FormsTest, ShowHideCloseResizeAndActiveForm) {
  auto* f = new TForm(Application);
  std::vector<std::string> log;
  f->OnShow = [&](TObject*) { log.push_back("show"); };
  f->OnHide = [&](TObject*) { log.push_back("hide"); };
  f->OnResize = [&](TObject*) { log.push_back("resize"); };
  bool allow = false;
  f->OnCloseQuery = [&](TObject*, bool& CanClose) { CanClose = allow; };
  f->Show();
  EXPECT_TRUE(IsWindowVisible(f->Handle()));
  ASSERT_TRUE(PumpUntil([&] { return Screen->ActiveForm() == f; }));
  log.clear();
  f->SetBounds(50, 60, 400, 300);
  EXPECT_EQ(log, std::vector<std::string>{"resize"});
  EXPECT_EQ(f->Width(), 400);
  log.clear();
  f->Close();   // refused
  EXPECT_TRUE(f->Visible());
  allow = true;
  f->Close();
  EXPECT_FALSE(f->Visible());
  EXPECT_FALSE(IsWindowVisible(f->Handle()));
  EXPECT_EQ(log, std::vector<std::string>{"hide"});
  // the user minimising and restoring through ShowWindow
  f->Show();
  ShowWindow(f->Handle(), SW_MINIMIZE);
  EXPECT_EQ(f->WindowState(), TWindowState::wsMinimized);
  f->SetWindowState(TWindowState::wsNormal);
  EXPECT_EQ(f->WindowState(), TWindowState::wsNormal);
}

TEST_F(FormsTest, CloseWithCaFreeReleasesTheFormAndOnDestroyRunsOnce) {
  auto* f = new TForm(Application);
  int destroyed = 0;
  f->OnDestroy = [&](TObject*) { ++destroyed; };
  f->OnClose = [](TObject*, TCloseAction& A) { A = TCloseAction::caFree; };
  f->Show();
  int before = Application->ComponentCount();
  f->Close();
  ASSERT_TRUE(PumpUntil([&] { return Application->ComponentCount() == before - 1; }));
  EXPECT_EQ(destroyed, 1);
  EXPECT_EQ(Screen->FormCount(), 0);
}

TEST_F(FormsTest, ShowModalEndsWithModalResultAndReenablesOthers) {
  auto* owner = new TForm(Application);
  owner->Show();
  auto* dlg = new TForm(Application);
  auto* t = new TTimer(Application);
  t->SetInterval(50);
  bool ownerDisabled = false;
  t->OnTimer = [&](TObject*) {
    ownerDisabled = !IsWindowEnabled(owner->Handle());
    dlg->ModalResult = mrOk;
    t->SetEnabled(false);
  };
  EXPECT_EQ(dlg->ShowModal(), mrOk);
  EXPECT_TRUE(ownerDisabled);
  EXPECT_TRUE(IsWindowEnabled(owner->Handle()));
  EXPECT_FALSE(dlg->Visible());
  EXPECT_THROW({ owner->ShowModal(); }, EInvalidOperation);
}

TEST_F(FormsTest, TimerIntervalEnabledAndNoTicksWhenDisabled) {
  auto* t = new TTimer(Application);
  int ticks = 0;
  t->OnTimer = [&](TObject*) { ++ticks; };
  t->SetEnabled(false);
  t->SetInterval(10);
  PumpFor(150);
  EXPECT_EQ(ticks, 0);
  t->SetEnabled(true);
  ASSERT_TRUE(PumpUntil([&] { return ticks >= 3; }, 2000));
  delete t;   // freed early: the owner is told, no tick afterwards
  int at = ticks;
  PumpFor(100);
  EXPECT_EQ(ticks, at);
}

TEST_F(FormsTest, LabelSizesToTextAndReportsMouseEnterLeaveAndClick) {
  auto* f = new TForm(Application);
  f->SetBounds(0, 0, 300, 200);
  auto* l = new TLabel(f);
  l->SetParent(f);
  l->SetBounds(10, 10, 0, 0);
  l->SetCaption("A label of some width");
  EXPECT_GT(l->Width(), 60);
  EXPECT_GT(l->Height(), 8);
  int w = l->Width();
  l->Font()->SetHeight(-24);
  EXPECT_GT(l->Width(), w);
  f->Show();
  std::vector<std::string> log;
  l->OnMouseEnter = [&](TObject*) { log.push_back("enter"); };
  l->OnMouseLeave = [&](TObject*) { log.push_back("leave"); };
  l->OnClick = [&](TObject*) { log.push_back("click"); };
  SendMessageA(l->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  SendMessageA(l->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(4, 3));
  EXPECT_TRUE(l->MouseInControl());
  SendMessageA(l->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 3));
  SendMessageA(l->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(4, 3));
  SendMessageA(l->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 3));
  SendMessageA(l->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(-40, 3));   // released outside: no click
  SendMessageA(l->Handle(), WM_MOUSELEAVE, 0, 0);
  EXPECT_EQ(log, (std::vector<std::string>{"enter", "click", "leave"}));
  EXPECT_EQ(TWinControl::FindControl(l->Handle()), l);
  EXPECT_EQ(GetParent(l->Handle()), f->Handle());
}

TEST_F(FormsTest, SynchronizeRunsOnTheMainThreadAndRaisesBackInTheWorker) {
  struct TWorker : TThread {
    DWORD RanOn = 0;
    std::string Error;
    void Execute() override {
      Synchronize([this] { RanOn = GetCurrentThreadId(); });
      try {
        Synchronize([] { throw EListError("from main"); });
      } catch (const EListError& e) {
        Error = e.Message;
      }
      throw EConvertError("worker failed");
    }
  };
  TWorker w;
  DWORD terminatedOn = 0;
  w.OnTerminate = [&](TObject*) { terminatedOn = GetCurrentThreadId(); };
  w.Start();
  w.WaitFor();
  EXPECT_EQ(w.RanOn, GetCurrentThreadId());
  EXPECT_EQ(terminatedOn, GetCurrentThreadId());
  EXPECT_EQ(w.Error, "from main");
  ASSERT_TRUE(w.FatalException());
  try {
    std::rethrow_exception(w.FatalException());
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message, "worker failed");
  }
}

TEST_F(FormsTest, SynchronizeIsServedInsideAModalMenuLoop) {
  // A form that knows while its popup menu's modal loop runs.
  struct TMenuForm : TForm {
    using TForm::TForm;
    std::atomic<bool> InLoop{false};
    void WndProc(TMessage& M) override {
      if (M.Msg == WM_ENTERMENULOOP) InLoop = true;
      if (M.Msg == WM_EXITMENULOOP) InLoop = false;
      TForm::WndProc(M);
    }
  };
  struct TWorker : TThread {
    TMenuForm* Form = nullptr;
    bool InMenu = false;
    void Execute() override {
      // the call is made only once the menu loop runs, however slow the start
      for (int i = 0; i < 1000 && !Form->InLoop; ++i) Sleep(5);
      Synchronize([this] {
        InMenu = Form->InLoop;
        EndMenu();
      });
    }
  };
  auto* f = new TMenuForm(Application);
  f->Show();
  HMENU m = CreatePopupMenu();
  AppendMenuA(m, MF_STRING, 1, "Item");
  auto* guard = new TTimer(Application);   // ends the menu if the call never comes
  guard->SetInterval(6000);
  guard->OnTimer = [](TObject*) { EndMenu(); };
  TWorker w;
  w.Form = f;
  w.Start();
  SetForegroundWindow(f->Handle());
  TrackPopupMenu(m, TPM_LEFTALIGN, 100, 100, 0, f->Handle(), nullptr);
  DestroyMenu(m);
  w.WaitFor();
  EXPECT_TRUE(w.InMenu);
}

TEST_F(FormsTest, QueueRunsLaterFromAnyLoop) {
  struct TWorker : TThread {
    std::vector<int>* Out = nullptr;
    void Execute() override {
      for (int i = 0; i < 5; ++i) Queue(this, [this, i] { Out->push_back(i); });
    }
  };
  std::vector<int> got;
  TWorker w;
  w.Out = &got;
  w.Start();
  ASSERT_TRUE(PumpUntil([&] { return got.size() == 5; }));
  EXPECT_EQ(got, (std::vector<int>{0, 1, 2, 3, 4}));
}
