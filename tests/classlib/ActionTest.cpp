#include <gtest/gtest.h>

#include "classlib/ActnList.h"

TEST(Action, ListKeepsOrderAndForgetsFreedActions) {
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* list = new TActionList(owner.get());
  auto* a = new TAction(owner.get());
  auto* b = new TAction(owner.get());
  auto* c = new TAction(owner.get());
  a->SetActionList(list);
  b->SetActionList(list);
  c->SetActionList(list);
  ASSERT_EQ(list->ActionCount(), 3);
  EXPECT_EQ(list->Actions(1), b);
  EXPECT_EQ(c->Index(), 2);
  delete b;
  ASSERT_EQ(list->ActionCount(), 2);
  EXPECT_EQ(list->Actions(1), c);
  // freeing the list first leaves the actions without one
  delete list;
  EXPECT_EQ(a->ActionList(), nullptr);
  EXPECT_EQ(a->Index(), -1);
}

TEST(Action, ExecuteRunsTheHandlerOnlyWhenEnabled) {
  TAction a(nullptr);
  EXPECT_FALSE(a.Execute());   // no handler
  int runs = 0;
  TObject* sender = nullptr;
  a.OnExecute = [&](TObject* S) { ++runs; sender = S; };
  EXPECT_TRUE(a.Execute());
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(sender, &a);
  a.SetEnabled(false);
  EXPECT_FALSE(a.Execute());
  EXPECT_EQ(runs, 1);
  a.SetEnabled(true);
  a.AutoCheck = true;
  a.Execute();
  EXPECT_TRUE(a.Checked());
  a.Execute();
  EXPECT_FALSE(a.Checked());
}

TEST(Action, ChangesAreAnnouncedOnce) {
  TAction a(nullptr);
  int changes = 0;
  a.OnChange = [&](TObject*) { ++changes; };
  a.SetChecked(true);
  a.SetChecked(true);
  a.SetCaption("Refresh");
  a.SetCaption("Refresh");
  a.SetEnabled(false);
  a.SetHint("h");
  a.SetImageIndex(3);
  a.SetVisible(false);
  EXPECT_EQ(changes, 6);
}

TEST(Action, ListHandlerAndShortCuts) {
  auto owner = std::make_unique<TComponent>(nullptr);
  auto* list = new TActionList(owner.get());
  auto* a = new TAction(owner.get());
  a->SetActionList(list);
  a->ShortCut = VK_F2;
  int own = 0, listed = 0;
  a->OnExecute = [&](TObject*) { ++own; };
  list->OnExecute = [&](TBasicAction* Act, bool& Handled) {
    ++listed;
    Handled = Act->Tag == 1;
  };
  a->Execute();
  EXPECT_EQ(listed, 1);
  EXPECT_EQ(own, 1);
  a->Tag = 1;
  a->Execute();
  EXPECT_EQ(listed, 2);
  EXPECT_EQ(own, 1);
  EXPECT_EQ(list->FindShortCut(VK_F2), a);
  EXPECT_EQ(list->FindShortCut(VK_F4), nullptr);
  a->SetEnabled(false);
  EXPECT_EQ(list->FindShortCut(VK_F2), nullptr);
}
