#include <string>
#include <vector>

#include "ControlForm.h"
#include "classlib/Buttons.h"
#include "classlib/ExtCtrls.h"
#include "classlib/StdCtrls.h"

namespace {
// A dialog as the program's windows make them: an edit, OK (default) and
// Cancel, with the form previewing keys.
struct TDialog {
  explicit TDialog(TForm* Owner) {
    Form = new TForm(Owner);
    Form->SetBounds(200, 150, 320, 160);
    Form->SetBorderStyle(TFormBorderStyle::bsDialog);
    Form->KeyPreview = true;
    Edit = new TEdit(Form);
    Edit->SetParent(Form);
    Edit->SetBounds(10, 10, 200, 24);
    Ok = new TBitBtn(Form);
    Ok->SetParent(Form);
    Ok->SetBounds(60, 80, 80, 28);
    Ok->SetKind(TBitBtnKind::bkOK);
    Cancel = new TBitBtn(Form);
    Cancel->SetParent(Form);
    Cancel->SetBounds(150, 80, 80, 28);
    Cancel->SetKind(TBitBtnKind::bkCancel);
  }
  TForm* Form;
  TEdit* Edit;
  TBitBtn* Ok;
  TBitBtn* Cancel;
};

// Runs Script once the modal loop of the form has shown it.
void WhenShown(TForm* Form, std::function<void()> Script) {
  auto* t = new TTimer(Form);
  t->SetInterval(30);
  t->OnTimer = [Form, t, Script](TObject*) {
    if (GetForegroundWindow() != Form->Handle() || Form->ActiveControl() == nullptr) return;
    t->SetEnabled(false);
    Script();
  };
}
}  // namespace

TEST_F(ControlTest, EnterAndEscCloseAModalDialogWithTheirResults) {
  ShowForm();
  TDialog d(Form);
  std::vector<std::string> log;
  d.Form->OnKeyDown = [&](TObject* S, WORD& Key, TShiftState) {
    if (S == d.Form) log.push_back("form " + std::to_string(Key));
  };
  d.Edit->OnKeyDown = [&](TObject*, WORD& Key, TShiftState) { log.push_back("edit " + std::to_string(Key)); };
  WhenShown(d.Form, [&] {
    EXPECT_EQ(d.Form->ActiveControl(), d.Edit);   // the first control with TabStop has the focus
    TypeText("ok");
    PressKey(VK_RETURN);
  });
  EXPECT_EQ(d.Form->ShowModal(), mrOk);
  EXPECT_EQ(d.Edit->Text(), "ok");
  // the form saw each key before the edit; Enter went no further than the form
  EXPECT_EQ(log, (std::vector<std::string>{"form 79", "edit 79", "form 75", "edit 75", "form 13"}));

  WhenShown(d.Form, [&] {
    TypeText("x");
    PressKey(VK_ESCAPE);
  });
  EXPECT_EQ(d.Form->ShowModal(), mrCancel);
  EXPECT_EQ(d.Edit->Text(), "okx");

  // Tab moves to OK: Enter on a focused button clicks that one
  int cancelClicks = 0;
  d.Cancel->OnClick = [&](TObject*) { ++cancelClicks; };
  WhenShown(d.Form, [&] {
    PressKey(VK_TAB);
    PressKey(VK_TAB);
    PressKey(VK_RETURN);
  });
  EXPECT_EQ(d.Form->ShowModal(), mrCancel);
  EXPECT_EQ(cancelClicks, 1);
}

TEST_F(ControlTest, KeyPreviewTakesKeysAndTabFollowsTheOrderOfCreation) {
  Form->KeyPreview = true;
  auto* panel = Add<TPanel>(Form, 10, 10, 300, 100);
  auto* a = Add<TEdit>(panel, 10, 10, 100, 24);
  auto* label = Add<TLabel>(panel, 120, 10, 0, 0);
  label->SetCaption("no tab stop");
  auto* b = Add<TEdit>(panel, 10, 50, 100, 24);
  auto* hidden = new TEdit(Form);
  hidden->SetParent(Form);
  hidden->SetVisible(false);
  auto* c = Add<TMemo>(Form, 10, 120, 200, 80);
  std::string pressed;
  Form->OnKeyPress = [&](TObject*, char& Key) {
    pressed += Key;
    if (Key == 'x') Key = 0;   // taken by the form
    if (Key == 'u') Key = 'U';
  };
  ShowForm();
  EXPECT_EQ(Form->ActiveControl(), a);
  Type("axu");
  EXPECT_EQ(a->Text(), "aU");
  EXPECT_EQ(pressed, "axu");
  Press(VK_TAB);
  EXPECT_EQ(Form->ActiveControl(), b);
  Press(VK_TAB);
  EXPECT_EQ(Form->ActiveControl(), c);
  // a memo keeps Enter, and Tab takes the focus on (back to the first)
  Type("1");
  Press(VK_RETURN);
  Type("2");
  EXPECT_EQ(c->Lines()->Count(), 2);
  Press(VK_TAB);
  EXPECT_EQ(Form->ActiveControl(), a);
  KeyDown(VK_SHIFT);
  PressKey(VK_TAB);
  KeyUp(VK_SHIFT);
  PumpFor(60);
  EXPECT_EQ(Form->ActiveControl(), c);

  // the wheel over a child that does not want it reaches the form
  std::vector<int> wheel;
  Form->OnMouseWheel = [&](TObject* S, TShiftState, int Delta, TPoint, bool& Handled) {
    if (S == Form) wheel.push_back(Delta);
    Handled = true;
  };
  a->SetFocus();
  TPoint p = a->ClientToScreen(Point(5, 5));
  WheelAt(p.x, p.y, WHEEL_DELTA);
  WheelAt(p.x, p.y, -2 * WHEEL_DELTA);
  PumpFor(80);
  EXPECT_EQ(wheel, (std::vector<int>{120, -240}));
}

TEST_F(ControlTest, FormFontReachesItsControlsThroughTheSystem) {
  auto* edit = new TEdit(Form);
  edit->SetParent(Form);
  auto* own = new TEdit(Form);
  own->SetParent(Form);
  own->SetTop(40);
  own->Font()->SetName("Courier New");
  auto* label = new TLabel(Form);
  label->SetParent(Form);
  label->SetTop(80);
  label->SetCaption("Labels font:");
  ShowForm();
  auto faceOf = [](HWND W) {
    HFONT f = reinterpret_cast<HFONT>(SendMessageA(W, WM_GETFONT, 0, 0));
    LOGFONTA lf{};
    GetObjectA(f, sizeof lf, &lf);
    return std::make_pair(std::string(lf.lfFaceName), static_cast<int>(lf.lfHeight));
  };
  EXPECT_EQ(faceOf(edit->Handle()), std::make_pair(std::string("Arial"), -13));
  EXPECT_EQ(faceOf(own->Handle()).first, "Courier New");
  int w = label->Width();
  Form->Font()->SetHeight(-26);
  EXPECT_EQ(faceOf(edit->Handle()), std::make_pair(std::string("Arial"), -26));
  EXPECT_EQ(faceOf(own->Handle()), std::make_pair(std::string("Courier New"), -13));
  EXPECT_TRUE(edit->ParentFont());
  EXPECT_FALSE(own->ParentFont());
  EXPECT_GT(label->Width(), w * 3 / 2);   // the label sized itself to the larger font
}

TEST_F(ControlTest, AlignedAndAnchoredControlsFollowTheirParent) {
  auto* top = new TPanel(Form);
  top->SetParent(Form);
  top->SetHeight(40);
  top->SetAlign(TAlign::alTop);
  auto* status = new TPanel(Form);
  status->SetParent(Form);
  status->SetHeight(20);
  status->SetAlign(TAlign::alBottom);
  auto* side = new TPanel(Form);
  side->SetParent(Form);
  side->SetWidth(60);
  side->SetAlign(TAlign::alLeft);
  auto* client = new TMemo(Form);
  client->SetParent(Form);
  client->SetAlign(TAlign::alClient);
  auto* ok = Add<TButton>(top, 0, 5, 75, 25);
  ShowForm();
  Form->SetClientSize(400, 300);
  PumpFor(50);
  ok->SetLeft(400 - 85);
  ok->SetAnchors({TAnchorKind::akTop, TAnchorKind::akRight});
  auto rectOf = [](TWinControl* C) {
    RECT r;
    GetWindowRect(C->Handle(), &r);
    MapWindowPoints(nullptr, GetParent(C->Handle()), reinterpret_cast<POINT*>(&r), 2);
    return std::vector<LONG>{r.left, r.top, r.right, r.bottom};
  };
  EXPECT_EQ(rectOf(top), (std::vector<LONG>{0, 0, 400, 40}));
  EXPECT_EQ(rectOf(status), (std::vector<LONG>{0, 280, 400, 300}));
  EXPECT_EQ(rectOf(side), (std::vector<LONG>{0, 40, 60, 280}));
  EXPECT_EQ(rectOf(client), (std::vector<LONG>{60, 40, 400, 280}));
  Form->SetClientSize(500, 360);
  PumpFor(50);
  EXPECT_EQ(rectOf(client), (std::vector<LONG>{60, 40, 500, 340}));
  EXPECT_EQ(rectOf(ok), (std::vector<LONG>{415, 5, 490, 30}));   // 10 from the right, as before
  status->SetVisible(false);
  EXPECT_EQ(rectOf(client), (std::vector<LONG>{60, 40, 500, 360}));
}
