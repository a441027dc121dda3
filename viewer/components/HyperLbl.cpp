#include "viewer/components/HyperLbl.h"

#include <shellapi.h>

HINSTANCE(WINAPI* HyperLinkShellExecute)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT) = ShellExecuteA;

IMPLEMENT_CLASSINFO(THyperLabel, TLabel)

THyperLabel::THyperLabel(TComponent* AOwner) : TLabel(AOwner) {
  FFont.SetColor(clNavy);
  FFont.SetStyle({TFontStyle::fsUnderline});
  FCursor = crHandPoint;
  FSavedColour = clNavy;
}

void THyperLabel::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  FFont.SetColor(PressedColour);
  FPressed = true;
  TLabel::MouseDown(Button, Shift, X, Y);
}

void THyperLabel::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  FFont.SetColor(FHovering ? HyperColour : FSavedColour);
  FPressed = false;
  if (FHovering && !URL.empty())
    HyperLinkShellExecute(HandleAllocated() ? Handle() : nullptr, "Open", URL.c_str(), nullptr, nullptr,
                          SW_SHOWNORMAL);
  TLabel::MouseUp(Button, Shift, X, Y);
}

void THyperLabel::WndProc(TMessage& M) {
  if (M.Msg == CM_MOUSEENTER) {
    FSavedColour = FFont.Color();
    FFont.SetColor(FPressed ? PressedColour : HyperColour);
    FHovering = true;
  } else if (M.Msg == CM_MOUSELEAVE) {
    FFont.SetColor(FSavedColour);
    FHovering = false;
  }
  TLabel::WndProc(M);
}
