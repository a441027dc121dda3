#include "viewer/detailform.h"

IMPLEMENT_CLASSINFO(TForm1, TForm)

TForm1* Form1 = nullptr;

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) {
  Name = "Form1";
  SetCaption("Details");
  Label1 = new TLabel(this);
  Label1->Name = "Label1";
  Label1->SetParent(this);
  Label1->SetBounds(8, 8, 100, 13);
}
