#include "monitor/uMonitorHost.h"

TMonitorHost* MonitorHost = nullptr;

IMPLEMENT_CLASSINFO(TAppWindowForm, TForm)

void TAppWindowForm::CreateParams(TCreateParams& P) {
  TForm::CreateParams(P);
  P.ExStyle |= WS_EX_APPWINDOW;
  P.WndParent = GetDesktopWindow();
}

void TAppWindowForm::CenterOnScreen() {
  SetBounds((Screen->Width() - Width()) / 2, (Screen->Height() - Height()) / 2, Width(), Height());
}
