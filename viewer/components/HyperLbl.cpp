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
  // the label holds the mouse while pressed, so no leave message came: a
  // release elsewhere is a leave
  bool inside = X >= 0 && Y >= 0 && X < ClientWidth() && Y < ClientHeight();
  if (!inside && FHovering) {
    FHovering = false;
    FMouseInControl = false;
  }
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
