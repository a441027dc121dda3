// The check list box: a list box whose items each have a check box.
#pragma once
#include <vector>

#include "classlib/StdCtrls.h"

// A click on an item's box, or Space on the selected item, toggles it and
// runs OnClickCheck.
class TCheckListBox : public TListBox {
  DECLARE_CLASSINFO(TCheckListBox)
public:
  explicit TCheckListBox(TComponent* AOwner);
  bool Checked(int Index) const;
  void SetChecked(int Index, bool Value);
  TNotifyEvent OnClickCheck;

protected:
  void CreateParams(TCreateParams& Params) override;
  void WndProc(TMessage& Message) override;

private:
  void Toggle(int Index);
  void DrawItem(const DRAWITEMSTRUCT& Item);
  std::vector<bool> FChecked;   // by item; items past its end are unchecked
};
