// The spin edit: a number in an edit box with up-down buttons inside it.
#pragma once
#include "classlib/ComCtrls.h"
#include "classlib/StdCtrls.h"

class TSpinEdit : public TCustomEdit {
  DECLARE_CLASSINFO(TSpinEdit)
public:
  explicit TSpinEdit(TComponent* AOwner);
  int MinValue() const { return FMinValue; }
  void SetMinValue(int Value);
  int MaxValue() const { return FMaxValue; }
  void SetMaxValue(int Value);
  // The text's number, held between MinValue and MaxValue (unless both are 0);
  // MinValue when the text is no number.
  int Value() const;
  void SetValue(int Value);
  int Increment = 1;
  // False: the number changes only through the buttons and arrow keys.
  bool EditorEnabled() const { return FEditorEnabled; }
  void SetEditorEnabled(bool Value);
  TUpDown* Button() const { return FButton; }

protected:
  void CreateHandleDone() override;
  void WndProc(TMessage& Message) override;
  void Resize() override;

private:
  int Clamp(int Value) const;
  void PlaceButton();
  TUpDown* FButton;   // owned as a component, a child of the edit
  int FMinValue = 0, FMaxValue = 0;
  bool FEditorEnabled = true;
};
