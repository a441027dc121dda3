// A label that looks and acts like a web link.
#pragma once
#include <windows.h>

#include <string>

#include "classlib/StdCtrls.h"

// The shell call that opens a link; tests put a recorder in its place.
extern HINSTANCE(WINAPI* HyperLinkShellExecute)(HWND Wnd, LPCSTR Operation, LPCSTR File, LPCSTR Parameters,
                                                LPCSTR Directory, INT ShowCmd);

class THyperLabel : public TLabel {
  DECLARE_CLASSINFO(THyperLabel)
public:
  explicit THyperLabel(TComponent* AOwner);
  TColor HyperColour = 0xFF0000;     // while hovered
  TColor PressedColour = 0x0000FF;   // while pressed
  std::string URL;
  bool Pressed() const { return FPressed; }
  bool Hovering() const { return FHovering; }

protected:
  void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;
  void WndProc(TMessage& Message) override;

private:
  TColor FSavedColour = 0;
  bool FPressed = false;
  bool FHovering = false;
};
