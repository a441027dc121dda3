// A shown, active form for control tests driven with real input.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include "GuiTest.h"
#include "classlib/Forms.h"

// A control owned by Owner, on Parent at the given bounds.
template <typename T>
T* Place(TComponent* Owner, TWinControl* Parent, int X, int Y, int W, int H) {
  auto* c = new T(Owner);
  c->SetParent(Parent);
  c->SetBounds(X, Y, W, H);
  return c;
}

class ControlTest : public testing::Test {
protected:
  // A control of the form on Parent.
  template <typename T>
  T* Add(TWinControl* Parent, int X, int Y, int W, int H) {
    return Place<T>(Form, Parent, X, Y, W, H);
  }

  void SetUp() override {
    Forms_Initialize();
    Form = new TForm(Application);
    Form->SetCaption("Controls");
    Form->SetBounds(30, 30, 560, 420);
    Form->Font()->SetName("Arial");
    Form->Font()->SetHeight(-13);
  }
  void TearDown() override { Forms_Finalize(); }

  // Shows the form and waits until it is the active window with its
  // controls painted.
  void ShowForm() {
    Form->Show();
    ASSERT_TRUE(PumpUntil([&] { return Screen->ActiveForm() == Form && GetForegroundWindow() == Form->Handle(); }));
    RedrawWindow(Form->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    PumpFor(50);
  }

  // A click at a point of a control (its client coordinates), served.
  static void Click(TWinControl* C, int X, int Y, TInputButton Button = TInputButton::Left) {
    ClickClient(C->Handle(), X, Y, Button);
    PumpFor(60);
  }
  static void ClickMiddle(TWinControl* C) { Click(C, C->ClientWidth() / 2, C->ClientHeight() / 2); }

  static void Type(const std::string& Text) {
    TypeText(Text);
    PumpFor(60);
  }
  static void Press(WORD Vk) {
    PressKey(Vk);
    PumpFor(60);
  }

  TForm* Form = nullptr;
};
