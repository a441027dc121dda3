#include "monitor/Unit7.h"

IMPLEMENT_CLASSINFO(TForm7, TAppWindowForm)

TForm7* Form7 = nullptr;

TForm7::TForm7(TComponent* AOwner) : TAppWindowForm(AOwner) {
  Name = "Form7";
  SetCaption("Vantrel");
  SetBorderStyle(TFormBorderStyle::bsDialog);
  SetClientSize(381, 131);
  CenterOnScreen();

  Label1 = new TLabel(this);
  Label1->Name = "Label1";
  Label1->SetParent(this);
  Label1->SetAutoSize(false);
  Label1->SetWordWrap(true);
  Label1->SetBounds(24, 28, 333, 40);
  Label1->SetCaption("Could not retrieve coordinates for selected location.");

  BitBtn1 = new TBitBtn(this);
  BitBtn1->Name = "BitBtn1";
  BitBtn1->SetParent(this);
  BitBtn1->SetKind(TBitBtnKind::bkOK);
  BitBtn1->ModalResult = 0;   // a plain window: the click closes it
  BitBtn1->SetBounds(153, 88, 75, 25);
  BitBtn1->OnClick = [this](TObject* S) { BitBtn1Click(S); };
}

void TForm7::BitBtn1Click(TObject*) { Close(); }
