// The options and about window: an empty form on which the main window
// builds the controls each time it opens it (TMainForm::aboutform).
#pragma once
#include "classlib/Forms.h"

class Taform : public TForm {
  DECLARE_CLASSINFO(Taform)
public:
  explicit Taform(TComponent* AOwner);

protected:
  // Its own task-bar button: WS_EX_APPWINDOW, the desktop as parent.
  void CreateParams(TCreateParams& Params) override;
};

extern Taform* aform;
