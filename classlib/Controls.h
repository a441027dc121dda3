// Controls: windows with a window procedure, geometry, caption, font,
// colour, cursor and mouse events.
#pragma once
#include <windows.h>

#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/Graphics.h"
#include "classlib/Messages.h"

class TWinControl;
class TPopupMenu;

enum class TMouseButton { mbLeft, mbRight, mbMiddle };
enum class TShiftStateItem { ssShift, ssAlt, ssCtrl, ssLeft, ssRight, ssMiddle, ssDouble };
using TShiftState = TSet<TShiftStateItem>;
using TMouseEvent = std::function<void(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y)>;
using TMouseMoveEvent = std::function<void(TObject* Sender, TShiftState Shift, int X, int Y)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
TShiftState KeysToShiftState(WPARAM Keys);   // MK_ flags of a mouse message, plus Alt

// Cursors: negative values are the system's, positive ones are set on the
// screen (TScreen::SetCursors).
using TCursor = int;
constexpr TCursor crDefault = 0;
constexpr TCursor crNone = -1;
constexpr TCursor crArrow = -2;
constexpr TCursor crCross = -3;
constexpr TCursor crIBeam = -4;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crHandPoint = -21;

// What a control's window is created with; a control adjusts it in CreateParams.
struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  UINT ClassStyle = CS_DBLCLKS;
  std::string WinClassName;
};

class TControl : public TComponent {
  DECLARE_CLASSINFO(TControl)
public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* AParent);
  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int Value) { SetBounds(Value, FTop, FWidth, FHeight); }
  void SetTop(int Value) { SetBounds(FLeft, Value, FWidth, FHeight); }
  void SetWidth(int Value) { SetBounds(FLeft, FTop, Value, FHeight); }
  void SetHeight(int Value) { SetBounds(FLeft, FTop, FWidth, Value); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  virtual int ClientWidth() const { return FWidth; }
  virtual int ClientHeight() const { return FHeight; }

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  TFont* Font() { return &FFont; }
  void SetFont(TFont* Value) { FFont.Assign(Value); }
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value) { FCursor = Value; }
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);
  std::string Hint;
  bool MouseInControl() const { return FMouseInControl; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TNotifyEvent OnMouseEnter;
  TNotifyEvent OnMouseLeave;
  TNotifyEvent OnResize;

  // Sends a message to the control's own message handling.
  LRESULT Perform(UINT Msg, WPARAM WParam = 0, LPARAM LParam = 0);
  virtual void WndProc(TMessage& Message);
  virtual void Click();
  virtual void DblClick();
  virtual void Invalidate() {}
  void Repaint();

protected:
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void Resize();
  virtual void TextChanged() { Invalidate(); }
  virtual void FontChanged() { Invalidate(); }
  virtual void VisibleChanged() {}
  virtual void EnabledChanged() {}
  virtual void BoundsChanged() {}
  virtual void DefaultHandler(TMessage& Message);
  void Notification(TComponent* AComponent, TOperation Operation) override;

  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  std::string FCaption;
  bool FVisible = true;
  bool FEnabled = true;
  TFont FFont;
  TColor FColor = clBtnFace;
  TCursor FCursor = crDefault;
  TPopupMenu* FPopupMenu = nullptr;
  bool FMouseInControl = false;
  bool FClicked = false;

private:
  friend class TWinControl;
  void MouseMessage(TMessage& Message);
};

// A control with a window of its own. The window is made when Handle() is
// first asked for (with the parent's); its class is registered under
// TCreateParams::WinClassName, the control's class name by default.
class TWinControl : public TControl {
  DECLARE_CLASSINFO(TWinControl)
public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  HWND Handle();
  bool HandleAllocated() const { return FHandle != nullptr; }
  void HandleNeeded() { Handle(); }
  void DestroyHandle();
  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int Index) const { return FControls.at(static_cast<size_t>(Index)); }
  void InsertControl(TControl* AControl);
  void RemoveControl(TControl* AControl);
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;
  int ClientWidth() const override;
  int ClientHeight() const override;
  void Invalidate() override;
  bool Focused() const;
  void SetFocus();
  TKeyEvent OnKeyDown;
  TNotifyEvent OnPaint;

  // The control behind a window of the class library, or null.
  static TWinControl* FindControl(HWND Wnd);

protected:
  virtual void CreateParams(TCreateParams& Params);
  virtual void CreateWnd();
  virtual void Paint(HDC DC);   // WM_PAINT of a window that draws itself
  void WndProc(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  void TextChanged() override;
  void VisibleChanged() override;
  void EnabledChanged() override;
  virtual void UpdateShowing();
  bool FPaints = false;   // paints its client area in Paint

private:
  friend LRESULT CALLBACK ControlWndProc(HWND, UINT, WPARAM, LPARAM);
  HWND FHandle = nullptr;
  std::vector<TControl*> FControls;
};

// The cursor handle of a TCursor: the screen's (set by the Forms unit),
// else the system cursor; crNone gives null.
HCURSOR CursorHandle(TCursor Cursor);
HCURSOR SystemCursorHandle(TCursor Cursor);
extern HCURSOR (*ScreenCursorHandle)(TCursor Cursor);
