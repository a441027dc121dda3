#include "GLTestWindow.h"

void TGLTestControl::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.ClassStyle |= CS_OWNDC;
}

void TGLTestControl::WndProc(TMessage& Message) {
  if (Message.Msg == WM_ERASEBKGND) {
    Message.Result = 1;
    return;
  }
  TWinControl::WndProc(Message);
}

TGLTestForm::TGLTestForm(TComponent* AOwner, int Width, int Height) : TForm(AOwner) {
  SetBorderStyle(TFormBorderStyle::bsNone);
  SetBounds(40, 40, Width, Height);
  View = new TGLTestControl(this);
  View->SetBounds(0, 0, Width, Height);
  View->SetParent(this);
  Show();
  View->Handle();
}
