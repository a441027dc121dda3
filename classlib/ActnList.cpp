#include "classlib/ActnList.h"

#include <algorithm>

IMPLEMENT_CLASSINFO(TBasicAction, TComponent)
IMPLEMENT_CLASSINFO(TContainedAction, TBasicAction)
IMPLEMENT_CLASSINFO(TCustomAction, TContainedAction)
IMPLEMENT_CLASSINFO(TAction, TCustomAction)
IMPLEMENT_CLASSINFO(TActionList, TComponent)

bool TBasicAction::Execute() {
  if (!OnExecute) return false;
  OnExecute(this);
  return true;
}

TContainedAction::~TContainedAction() { SetActionList(nullptr); }

void TContainedAction::SetActionList(TActionList* Value) {
  if (Value == FActionList) return;
  if (FActionList) {
    auto& v = FActionList->FActions;
    v.erase(std::remove(v.begin(), v.end(), this), v.end());
  }
  FActionList = Value;
  if (Value) Value->FActions.push_back(this);
}

int TContainedAction::Index() const {
  if (!FActionList) return -1;
  auto& v = FActionList->FActions;
  auto it = std::find(v.begin(), v.end(), this);
  return it == v.end() ? -1 : static_cast<int>(it - v.begin());
}

bool TContainedAction::Execute() {
  if (FActionList && FActionList->OnExecute) {
    bool handled = false;
    FActionList->OnExecute(this, handled);
    if (handled) return true;
  }
  return TBasicAction::Execute();
}

void TCustomAction::Changed() {
  if (OnChange) OnChange(this);
}

void TCustomAction::SetCaption(const std::string& Value) {
  if (Value == FCaption) return;
  FCaption = Value;
  Changed();
}

void TCustomAction::SetChecked(bool Value) {
  if (Value == FChecked) return;
  FChecked = Value;
  Changed();
}

void TCustomAction::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  Changed();
}

void TCustomAction::SetVisible(bool Value) {
  if (Value == FVisible) return;
  FVisible = Value;
  Changed();
}

void TCustomAction::SetHint(const std::string& Value) {
  if (Value == FHint) return;
  FHint = Value;
  Changed();
}

void TCustomAction::SetImageIndex(int Value) {
  if (Value == FImageIndex) return;
  FImageIndex = Value;
  Changed();
}

bool TCustomAction::Execute() {
  if (!FEnabled) return false;
  if (AutoCheck) SetChecked(!FChecked);
  return TContainedAction::Execute();
}

TActionList::~TActionList() {
  for (TContainedAction* a : std::vector<TContainedAction*>(FActions)) a->SetActionList(nullptr);
}

TCustomAction* TActionList::FindShortCut(TShortCut Key) const {
  for (TContainedAction* a : FActions)
    if (auto* c = dynamic_cast<TCustomAction*>(a); c && c->ShortCut == Key && c->Enabled()) return c;
  return nullptr;
}
