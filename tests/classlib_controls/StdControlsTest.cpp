#include <string>
#include <vector>

#include "ControlForm.h"
#include "classlib/Buttons.h"
#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Spin.h"
#include "classlib/StdCtrls.h"

namespace {
std::string WindowText(HWND Wnd) {
  char buf[512] = {};
  GetWindowTextA(Wnd, buf, sizeof buf);
  return buf;
}

std::string ClassOf(HWND Wnd) {
  char buf[64] = {};
  GetClassNameA(Wnd, buf, sizeof buf);
  return buf;
}
}  // namespace

TEST_F(ControlTest, ButtonsCheckBoxesAndRadioButtonsAnswerRealClicks) {
  std::vector<std::string> log;
  auto* button = Add<TButton>(Form, 10, 10, 90, 28);
  button->SetCaption("&Press");
  button->OnClick = [&](TObject* S) { log.push_back(S == button ? "button" : "?"); };
  auto* bit = Add<TBitBtn>(Form, 110, 10, 90, 28);
  bit->SetKind(TBitBtnKind::bkOK);
  bit->OnClick = [&](TObject*) { log.push_back("bitbtn"); };
  auto* check = Add<TCheckBox>(Form, 10, 50, 120, 20);
  check->SetCaption("Autorefresh");
  check->OnClick = [&](TObject*) { log.push_back(check->Checked() ? "check on" : "check off"); };
  // radio buttons in a group box: their notifications go to the box's window
  auto* group = Add<TGroupBox>(Form, 10, 80, 200, 90);
  group->SetCaption("Longitude");
  auto* east = Add<TRadioButton>(group, 10, 20, 100, 20);
  east->SetCaption("E");
  east->SetChecked(true);
  auto* west = Add<TRadioButton>(group, 10, 50, 100, 20);
  west->SetCaption("W");
  west->OnClick = [&](TObject*) { log.push_back("west"); };
  ShowForm();

  // wrapped system classes, made from the system's own
  EXPECT_EQ(ClassOf(button->Handle()), "TButton");
  EXPECT_EQ(TWinControl::FindControl(button->Handle()), button);
  EXPECT_EQ(WindowText(button->Handle()), "&Press");
  EXPECT_EQ(SendMessageA(east->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  EXPECT_EQ(GetParent(west->Handle()), group->Handle());

  ClickMiddle(button);
  ClickMiddle(bit);
  Click(check, 6, 10);
  EXPECT_EQ(SendMessageA(check->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);
  Click(check, 6, 10);
  Click(west, 6, 10);
  EXPECT_EQ(log, (std::vector<std::string>{"button", "bitbtn", "check on", "check off", "west"}));
  EXPECT_TRUE(west->Checked());
  EXPECT_FALSE(east->Checked());
  EXPECT_EQ(SendMessageA(east->Handle(), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(SendMessageA(west->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);

  // setting the state in code runs OnClick as a click does; the same state does not
  check->SetChecked(true);
  check->SetChecked(true);
  EXPECT_EQ(log.back(), "check on");
  EXPECT_EQ(log.size(), 6u);
  EXPECT_EQ(SendMessageA(check->Handle(), BM_GETCHECK, 0, 0), BST_CHECKED);

  // space on the focused button clicks it; a disabled button takes no click
  button->SetFocus();
  Press(VK_SPACE);
  EXPECT_EQ(log.back(), "button");
  button->SetEnabled(false);
  EXPECT_FALSE(IsWindowEnabled(button->Handle()));
  ClickMiddle(button);
  EXPECT_EQ(log.back(), "button");
  EXPECT_EQ(std::count(log.begin(), log.end(), "button"), 2);
}

TEST_F(ControlTest, EditsFollowTypingInTheirModes) {
  auto* edit = Add<TEdit>(Form, 10, 10, 200, 24);
  int changes = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  auto* digits = Add<TEdit>(Form, 10, 40, 200, 24);
  digits->SetNumbersOnly(true);
  auto* upper = Add<TEdit>(Form, 10, 70, 200, 24);
  upper->SetCharCase(TEditCharCase::ecUpperCase);
  upper->SetMaxLength(2);
  auto* fixed = Add<TEdit>(Form, 10, 100, 200, 24);
  fixed->SetText("fixed");
  fixed->SetReadOnly(true);
  auto* memo = Add<TMemo>(Form, 220, 10, 200, 120);
  ShowForm();

  ClickMiddle(edit);
  Type("Hello there");
  EXPECT_EQ(edit->Text(), "Hello there");
  EXPECT_EQ(WindowText(edit->Handle()), "Hello there");
  EXPECT_EQ(changes, 11);
  edit->SetSelStart(6);
  edit->SetSelLength(5);
  EXPECT_EQ(edit->SelText(), "there");
  Type("you");
  EXPECT_EQ(edit->Text(), "Hello you");
  edit->SetText("set");
  EXPECT_EQ(WindowText(edit->Handle()), "set");
  EXPECT_EQ(changes, 15);   // typed or set, each change is told

  ClickMiddle(digits);
  Type("a1b2-3");
  EXPECT_EQ(digits->Text(), "123");
  ClickMiddle(upper);
  Type("pl!");
  EXPECT_EQ(upper->Text(), "PL");
  ClickMiddle(fixed);
  Type("xyz");
  EXPECT_EQ(fixed->Text(), "fixed");
  EXPECT_TRUE(GetWindowLongPtrA(fixed->Handle(), GWL_STYLE) & ES_READONLY);

  // a memo: Enter makes lines; lines set in code are its text
  ClickMiddle(memo);
  Type("one");
  Press(VK_RETURN);
  Type("two");
  ASSERT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(memo->Lines()->Strings(1), "two");
  memo->Lines()->Add("three");
  EXPECT_EQ(WindowText(memo->Handle()), "one\r\ntwo\r\nthree");
  EXPECT_EQ(SendMessageA(memo->Handle(), EM_GETLINECOUNT, 0, 0), 3);
}

TEST_F(ControlTest, SpinEditAndUpDownStepWithTheirButtonsAndKeys) {
  auto* spin = Add<TSpinEdit>(Form, 10, 10, 80, 24);
  spin->SetMaxValue(59);
  spin->SetValue(57);
  spin->SetEditorEnabled(false);
  std::vector<int> seen;
  spin->OnChange = [&](TObject*) { seen.push_back(spin->Value()); };
  auto* display = Add<TEdit>(Form, 120, 10, 50, 24);
  auto* updown = Add<TUpDown>(Form, 172, 10, 17, 24);
  updown->SetMin(1);
  updown->SetMax(5);
  updown->SetPosition(2);
  updown->SetAssociate(display);
  std::vector<std::string> clicks;
  bool refuse = false;
  updown->OnChanging = [&](TObject*, bool& Allow) { Allow = !refuse; };
  updown->OnClick = [&](TObject*, TUDBtnType B) {
    clicks.push_back((B == TUDBtnType::btNext ? "next " : "prev ") + IntToStr(updown->Position()));
  };
  ShowForm();
  EXPECT_EQ(spin->Text(), "57");
  EXPECT_EQ(display->Text(), "2");

  // the spin edit's upper and lower button halves, inside its box
  TUpDown* b = spin->Button();
  EXPECT_EQ(GetParent(b->Handle()), spin->Handle());
  Click(b, b->ClientWidth() / 2, 3);
  Click(b, b->ClientWidth() / 2, 3);
  Click(b, b->ClientWidth() / 2, 3);   // held at 59
  EXPECT_EQ(spin->Value(), 59);
  Click(b, b->ClientWidth() / 2, b->ClientHeight() - 3);
  EXPECT_EQ(spin->Value(), 58);
  EXPECT_EQ(seen, (std::vector<int>{58, 59, 58}));
  // arrow keys step; typing does not change it with the editor disabled
  spin->SetFocus();
  Press(VK_DOWN);
  Press(VK_DOWN);
  Type("7");
  EXPECT_EQ(spin->Text(), "56");
  spin->SetValue(-4);   // held at the minimum
  EXPECT_EQ(spin->Text(), "0");

  // the up-down writes its position into the edit beside it
  Click(updown, updown->ClientWidth() / 2, 3);
  Click(updown, updown->ClientWidth() / 2, 3);
  EXPECT_EQ(display->Text(), "4");
  Click(updown, updown->ClientWidth() / 2, updown->ClientHeight() - 3);
  refuse = true;
  Click(updown, updown->ClientWidth() / 2, 3);
  EXPECT_EQ(updown->Position(), 3);
  EXPECT_EQ(clicks, (std::vector<std::string>{"next 3", "next 4", "prev 3"}));
  EXPECT_EQ(SendMessageA(updown->Handle(), UDM_GETPOS32, 0, 0), 3);
  EXPECT_EQ(display->Text(), "3");
}

TEST_F(ControlTest, ListBoxAndComboBoxSelectWithMouseAndKeys) {
  auto* list = Add<TListBox>(Form, 10, 10, 150, 120);
  list->SetSorted(true);
  for (const char* s : {"Hybrid", "normal", "Satellite", "3D", "Physical"}) list->Items()->Add(s);
  int clicks = 0, doubles = 0;
  list->OnClick = [&](TObject*) { ++clicks; };
  list->OnDblClick = [&](TObject*) { ++doubles; };
  auto* combo = Add<TComboBox>(Form, 200, 10, 120, 24);
  combo->SetStyle(TComboBoxStyle::csDropDownList);
  for (const char* s : {"W", "E"}) combo->Items()->Add(s);
  combo->SetItemIndex(1);
  std::vector<std::string> picked;
  combo->OnChange = [&](TObject*) { picked.push_back(combo->Text()); };
  auto* typed = Add<TComboBox>(Form, 200, 60, 120, 24);
  typed->Items()->Add("1 (Minimum)");
  ShowForm();

  // sorted without regard to case, here and in the window
  EXPECT_EQ(list->Items()->Text(), "3D\r\nHybrid\r\nnormal\r\nPhysical\r\nSatellite\r\n");
  char text[64] = {};
  SendMessageA(list->Handle(), LB_GETTEXT, 2, reinterpret_cast<LPARAM>(text));
  EXPECT_STREQ(text, "normal");
  int h = static_cast<int>(SendMessageA(list->Handle(), LB_GETITEMHEIGHT, 0, 0));
  Click(list, 20, h + h / 2);
  EXPECT_EQ(list->ItemIndex(), 1);
  EXPECT_EQ(clicks, 1);
  DoubleClickAt(list->ClientToScreen(Point(20, 3 * h + h / 2)).x, list->ClientToScreen(Point(20, 3 * h + h / 2)).y);
  PumpFor(80);
  EXPECT_EQ(doubles, 1);
  EXPECT_EQ(list->ItemIndex(), 3);
  list->Items()->Delete(0);
  EXPECT_EQ(SendMessageA(list->Handle(), LB_GETCOUNT, 0, 0), 4);

  // the drop-down list: open it, click its first item
  EXPECT_EQ(combo->Text(), "E");
  EXPECT_EQ(SendMessageA(combo->Handle(), CB_GETCURSEL, 0, 0), 1);
  ClickMiddle(combo);
  ASSERT_TRUE(PumpUntil([&] { return combo->DroppedDown(); }, 2000));
  COMBOBOXINFO info{};
  info.cbSize = sizeof info;
  ASSERT_TRUE(GetComboBoxInfo(combo->Handle(), &info));
  RECT drop;
  GetWindowRect(info.hwndList, &drop);
  int ih = static_cast<int>(SendMessageA(combo->Handle(), CB_GETITEMHEIGHT, 0, 0));
  ClickAt(drop.left + 10, drop.top + 1 + ih / 2);
  ASSERT_TRUE(PumpUntil([&] { return !combo->DroppedDown(); }, 2000));
  PumpFor(50);
  EXPECT_EQ(combo->ItemIndex(), 0);
  EXPECT_EQ(combo->Text(), "W");
  // and with the keyboard
  combo->SetFocus();
  Press(VK_DOWN);
  EXPECT_EQ(picked, (std::vector<std::string>{"W", "E"}));
  EXPECT_EQ(combo->ItemIndex(), 1);

  // a drop-down combo takes typed text
  ClickMiddle(typed);
  Type("19");
  EXPECT_EQ(typed->Text(), "19");
  EXPECT_EQ(typed->ItemIndex(), -1);
  typed->SetItemIndex(0);
  EXPECT_EQ(WindowText(typed->Handle()), "1 (Minimum)");
}
