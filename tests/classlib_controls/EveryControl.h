// A form holding one of every control of the class library, as the
// program's windows use them.
#pragma once
#include "classlib/Buttons.h"
#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Menus.h"
#include "classlib/Spin.h"
#include "classlib/StdCtrls.h"

struct TEveryControl {
  TEdit* Edit;
  TButton* Button;
  TListView* List;
  TRichEdit* Rich;
  TMainMenu* Menu;
  int Clicks = 0;
};

// Fills Form (made 740 x 600, its controls and menu bar) and shows nothing.
void BuildEveryControl(TForm* Form, TEveryControl& C);
