// The notice shown when a selected connection has no plotted place.
#pragma once
#include "classlib/Buttons.h"
#include "classlib/StdCtrls.h"
#include "monitor/uMonitorHost.h"

class TForm7 : public TAppWindowForm {
  DECLARE_CLASSINFO(TForm7)
public:
  explicit TForm7(TComponent* AOwner);
  TLabel* Label1;
  TBitBtn* BitBtn1;   // OK: closes the window
  void BitBtn1Click(TObject* Sender);
};

extern TForm7* Form7;
