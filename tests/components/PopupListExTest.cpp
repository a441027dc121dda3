#include <gtest/gtest.h>

#include <vector>

#include "GuiTest.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "viewer/components/PopupListEx.h"

namespace {
// A form that records the popup list's notifications as they arrive.
class TListeningForm : public TForm {
public:
  using TForm::TForm;
  struct TNote {
    UINT Msg;
    WPARAM WParam;
    LPARAM LParam;
  };
  std::vector<TNote> Notes;
  std::vector<UINT> Msgs() const {
    std::vector<UINT> r;
    for (auto& n : Notes) r.push_back(n.Msg);
    return r;
  }

protected:
  void WndProc(TMessage& M) override {
    if (M.Msg >= CM_MENUCLOSED && M.Msg <= CM_EXITMENULOOP) Notes.push_back({M.Msg, M.WParam, M.LParam});
    TForm::WndProc(M);
  }
};

// Records what reaches the list's window itself.
class TCountingList : public TPopupListEx {
public:
  std::vector<UINT> Seen;

protected:
  void WndProc(TMessage& M) override {
    if (M.Msg == WM_ENTERMENULOOP || M.Msg == WM_EXITMENULOOP) Seen.push_back(M.Msg);
    TPopupListEx::WndProc(M);
  }
};

class PopupListExTest : public testing::Test {
protected:
  void SetUp() override {
    Forms_Initialize();
    PopupListEx_Initialize();
  }
  void TearDown() override {
    PopupListEx_Finalize();
    Forms_Finalize();
  }
  // Pops the menu up and lets a timer end it with EndMenu.
  static void PopupAndEnd(TPopupMenu* Menu, std::function<void()> InMenu = {}) {
    auto* t = new TTimer(nullptr);
    std::unique_ptr<TTimer> own(t);
    t->SetInterval(150);
    t->OnTimer = [&](TObject*) {
      t->SetEnabled(false);
      if (InMenu) InMenu();
      else EndMenu();
    };
    Menu->Popup(120, 120);
  }
};
}  // namespace

TEST_F(PopupListExTest, ReplacesTheGlobalListAndKeepsItsMenus) {
  EXPECT_TRUE(PopupList()->InheritsFrom(TPopupListEx::StaticClass()));
  auto* menu = new TPopupMenu(Application);
  EXPECT_EQ(PopupList()->Count(), 1);
  PopupListEx_Finalize();
  EXPECT_FALSE(PopupList()->InheritsFrom(TPopupListEx::StaticClass()));
  EXPECT_EQ(PopupList()->Menus(0), menu);
  PopupListEx_Initialize();
  EXPECT_EQ(PopupList()->Menus(0), menu);
  EXPECT_EQ(CM_MENUCLOSED, 46057u);
  EXPECT_EQ(CM_ENTERMENULOOP, 46058u);
  EXPECT_EQ(CM_EXITMENULOOP, 46059u);
}

TEST_F(PopupListExTest, MenuDismissedTellsTheActiveFormEnterClosedExit) {
  auto* f = new TListeningForm(Application);
  f->Show();
  ASSERT_TRUE(PumpUntil([&] { return Screen->ActiveForm() == f; }));
  auto* menu = new TPopupMenu(f);
  auto* item = new TMenuItem(menu);
  item->Caption = "Traceroute";
  menu->Items()->Add(item);
  bool openWhileTimer = false;
  PopupAndEnd(menu, [&] {
    openWhileTimer = f->Msgs() == std::vector<UINT>{CM_ENTERMENULOOP};
    EndMenu();
  });
  EXPECT_TRUE(openWhileTimer);
  ASSERT_EQ(f->Msgs(), (std::vector<UINT>{CM_ENTERMENULOOP, CM_MENUCLOSED, CM_EXITMENULOOP}));
  // the parameters are those of the messages that caused them
  EXPECT_EQ(f->Notes[0].WParam, static_cast<WPARAM>(TRUE));   // WM_ENTERMENULOOP: a popup menu
  EXPECT_EQ(f->Notes[1].WParam, static_cast<WPARAM>(MAKEWPARAM(0, 0xFFFF)));
  EXPECT_EQ(f->Notes[1].LParam, 0);
}

TEST_F(PopupListExTest, ChosenItemRunsItsClickFromThePostedCommand) {
  auto* f = new TListeningForm(Application);
  f->Show();
  ASSERT_TRUE(PumpUntil([&] { return Screen->ActiveForm() == f; }));
  auto* menu = new TPopupMenu(f);
  auto* a = new TMenuItem(menu);
  a->Caption = "IP Whois";
  auto* b = new TMenuItem(menu);
  b->Caption = "Exit";
  menu->Items()->Add(a);
  menu->Items()->Add(b);
  TObject* clicked = nullptr;
  b->OnClick = [&](TObject* S) { clicked = S; };
  PopupAndEnd(menu, [&] {
    // choose the second item by its command, as the menu loop does
    PostMessageA(PopupList()->Window(), WM_COMMAND, b->Command(), 0);
    EndMenu();
  });
  ASSERT_TRUE(PumpUntil([&] { return clicked != nullptr; }));
  EXPECT_EQ(clicked, b);
  EXPECT_EQ(f->Msgs().front(), CM_ENTERMENULOOP);
  EXPECT_EQ(f->Msgs().back(), CM_EXITMENULOOP);
}

TEST_F(PopupListExTest, MenuDismissedWithEscTellsTheActiveForm) {
  auto* f = new TListeningForm(Application);
  f->Show();
  ASSERT_TRUE(PumpUntil([&] { return Screen->ActiveForm() == f; }));
  auto* menu = new TPopupMenu(f);
  auto* item = new TMenuItem(menu);
  item->Caption = "Whois";
  menu->Items()->Add(item);
  bool clicked = false;
  item->OnClick = [&](TObject*) { clicked = true; };
  PopupAndEnd(menu, [] {
    PostMessageA(PopupList()->Window(), WM_KEYDOWN, VK_ESCAPE, 0);
    PostMessageA(PopupList()->Window(), WM_KEYUP, VK_ESCAPE, 0);
  });
  EXPECT_EQ(f->Msgs(), (std::vector<UINT>{CM_ENTERMENULOOP, CM_MENUCLOSED, CM_EXITMENULOOP}));
  PumpFor(30);
  EXPECT_FALSE(clicked);
}

TEST_F(PopupListExTest, NoActiveFormNothingIsSent) {
  auto* f = new TListeningForm(Application);   // never shown, never active
  ASSERT_EQ(Screen->ActiveForm(), nullptr);
  auto list = std::make_unique<TCountingList>();
  TCountingList* counting = list.get();
  SetPopupList(std::move(list));
  auto* menu = new TPopupMenu(f);
  auto* item = new TMenuItem(menu);
  item->Caption = "Details";
  menu->Items()->Add(item);
  PopupAndEnd(menu);
  // the menu loop ran, its messages reached the list, no form heard of them
  EXPECT_EQ(counting->Seen, (std::vector<UINT>{WM_ENTERMENULOOP, WM_EXITMENULOOP}));
  EXPECT_TRUE(f->Notes.empty());
}

TEST_F(PopupListExTest, SubItemsBitmapsAndClearFreesItems) {
  auto* menu = new TPopupMenu(Application);
  auto* parent = new TMenuItem(menu);
  parent->Caption = "Traceroute";
  parent->Bitmap()->SetSize(16, 16);
  menu->Items()->Add(parent);
  for (const char* addr : {"8.8.8.8", "1.1.1.1"}) {
    auto* sub = new TMenuItem(menu);
    sub->Caption = addr;
    parent->Add(sub);
  }
  auto* off = new TMenuItem(menu);
  off->Caption = "Unload analyzed file";
  off->Enabled = false;
  menu->Items()->Add(off);
  int owned = menu->ComponentCount();
  EXPECT_EQ(owned, 4);
  HMENU built = nullptr;
  PopupAndEnd(menu, [&] {
    built = menu->Handle();
    EndMenu();
  });
  ASSERT_NE(built, nullptr);
  EXPECT_EQ(GetMenuItemCount(built), 2);
  HMENU sub = GetSubMenu(built, 0);
  ASSERT_NE(sub, nullptr);
  char text[32];
  GetMenuStringA(sub, 1, text, sizeof text, MF_BYPOSITION);
  EXPECT_STREQ(text, "1.1.1.1");
  EXPECT_TRUE(GetMenuState(built, 1, MF_BYPOSITION) & MF_GRAYED);
  MENUITEMINFOA mi{};
  mi.cbSize = sizeof mi;
  mi.fMask = MIIM_BITMAP;
  GetMenuItemInfoA(built, 0, TRUE, &mi);
  EXPECT_EQ(mi.hbmpItem, parent->Bitmap()->Handle());
  menu->Items()->Clear();   // frees the items and their sub-items
  EXPECT_EQ(menu->Items()->Count(), 0);
  EXPECT_EQ(menu->ComponentCount(), 0);
}
