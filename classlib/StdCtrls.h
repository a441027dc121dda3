// Standard controls: the label.
#pragma once
#include "classlib/Controls.h"

enum class TAlignment { taLeftJustify, taRightJustify, taCenter };

// A label draws its caption in its own small window (so it gets the mouse
// and its enter and leave messages from the system). With AutoSize it takes
// the size of its text.
class TLabel : public TWinControl {
  DECLARE_CLASSINFO(TLabel)
public:
  explicit TLabel(TComponent* AOwner);
  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool Value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool Value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment Value);
  bool ShowAccelChar = true;
  // Takes the colour of its parent unless a colour is set.
  bool ParentColor = true;
  void SetParent(TWinControl* AParent) override;

protected:
  void Paint(HDC DC) override;
  void TextChanged() override;
  void FontChanged() override;
  void CreateParams(TCreateParams& Params) override;
  virtual void AdjustBounds();
  UINT DrawTextFlags() const;

private:
  bool FAutoSize = true;
  bool FWordWrap = false;
  TAlignment FAlignment = TAlignment::taLeftJustify;
};
