// Actions: named commands with a caption, a checked and enabled state and an
// execute event, kept in an action list that a form owns.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "classlib/Classes.h"

class TBasicAction;
class TActionList;

class TBasicAction : public TComponent {
  DECLARE_CLASSINFO(TBasicAction)
public:
  explicit TBasicAction(TComponent* AOwner) : TComponent(AOwner) {}
  // Runs OnExecute; true when a handler ran.
  virtual bool Execute();
  TNotifyEvent OnExecute;
};

// Handlers of the whole list see every action first; Handled stops it.
using TActionEvent = std::function<void(TBasicAction* Action, bool& Handled)>;

class TContainedAction : public TBasicAction {
  DECLARE_CLASSINFO(TContainedAction)
public:
  explicit TContainedAction(TComponent* AOwner) : TBasicAction(AOwner) {}
  ~TContainedAction() override;
  TActionList* ActionList() const { return FActionList; }
  void SetActionList(TActionList* Value);
  int Index() const;
  std::string Category;
  bool Execute() override;

private:
  TActionList* FActionList = nullptr;
};

// Its property writers store a changed value and fire OnChange, which the
// controls and menu items showing the action follow.
class TCustomAction : public TContainedAction {
  DECLARE_CLASSINFO(TCustomAction)
public:
  explicit TCustomAction(TComponent* AOwner) : TContainedAction(AOwner) {}

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  bool Checked() const { return FChecked; }
  void SetChecked(bool Value);
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& Value);
  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int Value);
  TShortCut ShortCut = 0;
  bool AutoCheck = false;   // Execute toggles Checked first
  TNotifyEvent OnChange;

  // A disabled action does not execute.
  bool Execute() override;

private:
  void Changed();
  std::string FCaption, FHint;
  bool FChecked = false, FEnabled = true, FVisible = true;
  int FImageIndex = -1;
};

class TAction : public TCustomAction {
  DECLARE_CLASSINFO(TAction)
public:
  explicit TAction(TComponent* AOwner) : TCustomAction(AOwner) {}
};

// The list does not own its actions; their owner (the form) does.
class TActionList : public TComponent {
  DECLARE_CLASSINFO(TActionList)
public:
  explicit TActionList(TComponent* AOwner) : TComponent(AOwner) {}
  ~TActionList() override;
  int ActionCount() const { return static_cast<int>(FActions.size()); }
  TContainedAction* Actions(int Index) const { return FActions.at(static_cast<size_t>(Index)); }
  // The enabled action whose shortcut is Key, or null.
  TCustomAction* FindShortCut(TShortCut Key) const;
  TActionEvent OnExecute;

private:
  friend class TContainedAction;
  std::vector<TContainedAction*> FActions;
};
