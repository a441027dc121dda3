// The detail window: made at start-up with the other windows and never
// shown; it holds one label.
#pragma once
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"

class TForm1 : public TForm {
  DECLARE_CLASSINFO(TForm1)
public:
  explicit TForm1(TComponent* AOwner);
  TLabel* Label1;
};

extern TForm1* Form1;
