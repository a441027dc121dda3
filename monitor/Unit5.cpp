#include "monitor/Unit5.h"

IMPLEMENT_CLASSINFO(TForm5, TAppWindowForm)

TForm5* Form5 = nullptr;

TForm5::TForm5(TComponent* AOwner) : TAppWindowForm(AOwner) {
  Name = "Form5";
  SetCaption(" Scanning file...");
  SetBorderStyle(TFormBorderStyle::bsSingle);
  SetClientSize(300, 112);
  CenterOnScreen();

  Label1 = new TLabel(this);
  Label1->Name = "Label1";
  Label1->SetParent(this);
  Label1->SetAutoSize(false);
  Label1->SetAlignment(TAlignment::taCenter);
  Label1->SetBounds(12, 14, 276, 17);

  ProgressBar1 = new TProgressBar(this);
  ProgressBar1->Name = "ProgressBar1";
  ProgressBar1->SetParent(this);
  ProgressBar1->SetBounds(12, 40, 276, 18);

  BitBtn1 = new TBitBtn(this);
  BitBtn1->Name = "BitBtn1";
  BitBtn1->SetParent(this);
  BitBtn1->SetBounds(112, 74, 76, 26);
  SetScanning(true);
  BitBtn1->OnClick = [this](TObject* S) { BitBtn1Click(S); };
}

// A dialog frame with a minimise button only.
void TForm5::CreateParams(TCreateParams& P) {
  TAppWindowForm::CreateParams(P);
  P.Style &= ~static_cast<DWORD>(WS_MAXIMIZEBOX);
}

void TForm5::SetScanning(bool Scanning) {
  BitBtn1->SetKind(Scanning ? TBitBtnKind::bkCancel : TBitBtnKind::bkOK);
  BitBtn1->ModalResult = 0;   // a plain window: the main window closes it
}

void TForm5::BitBtn1Click(TObject* Sender) {
  if (MonitorHost)
    MonitorHost->HideVisualization1Click(Sender);
  else
    Close();
}
