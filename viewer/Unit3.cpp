#include "viewer/Unit3.h"

IMPLEMENT_CLASSINFO(Taform, TForm)

Taform* aform = nullptr;

Taform::Taform(TComponent* AOwner) : TForm(AOwner) {
  Name = "aform";
  SetBorderStyle(TFormBorderStyle::bsSingle);
  SetClientSize(472, 453);
  Font()->SetName("Arial");
  // centred on the desktop
  RECT work{};
  SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
  SetBounds(work.left + (work.right - work.left - Width()) / 2, work.top + (work.bottom - work.top - Height()) / 2,
            Width(), Height());
}

void Taform::CreateParams(TCreateParams& Params) {
  TForm::CreateParams(Params);
  Params.Style &= ~static_cast<DWORD>(WS_MINIMIZEBOX | WS_MAXIMIZEBOX);   // the system menu only
  Params.ExStyle |= WS_EX_APPWINDOW;
  Params.WndParent = GetDesktopWindow();
}
