// Controls: windows with a window procedure, geometry, caption, font,
// colour, cursor, alignment, keyboard and mouse events; controls without a
// window of their own, painted by their parent.
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
using TMouseWheelEvent =
    std::function<void(TObject* Sender, TShiftState Shift, int WheelDelta, TPoint MousePos, bool& Handled)>;
using TKeyEvent = std::function<void(TObject* Sender, WORD& Key, TShiftState Shift)>;
using TKeyPressEvent = std::function<void(TObject* Sender, char& Key)>;
TShiftState KeysToShiftState(WPARAM Keys);   // MK_ flags of a mouse message, plus Alt
TShiftState KeyboardShiftState();            // Shift, Ctrl and Alt held now

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

enum class TAlign { alNone, alTop, alBottom, alLeft, alRight, alClient };
enum class TAnchorKind { akLeft, akTop, akRight, akBottom };
using TAnchors = TSet<TAnchorKind>;

// What a control's window is created with; a control adjusts it in
// CreateParams. A control that wraps a window class of the system names it
// in SystemClass: its own class (WinClassName) is then made from the
// system's, with the class library's window procedure in front.
struct TCreateParams {
  std::string Caption;
  DWORD Style = 0;
  DWORD ExStyle = 0;
  int X = 0, Y = 0, Width = 0, Height = 0;
  HWND WndParent = nullptr;
  UINT ClassStyle = CS_DBLCLKS;
  std::string WinClassName;
  std::string SystemClass;
};

// Notifications a parent window receives from a child control come back to
// the child as CN_BASE + the message (CN_COMMAND, CN_NOTIFY, CN_CTLCOLOR...).
constexpr UINT CN_BASE = 0xBC00;
constexpr UINT CN_COMMAND = CN_BASE + WM_COMMAND;
constexpr UINT CN_NOTIFY = CN_BASE + WM_NOTIFY;
constexpr UINT CN_DRAWITEM = CN_BASE + WM_DRAWITEM;
constexpr UINT CN_MEASUREITEM = CN_BASE + WM_MEASUREITEM;
constexpr UINT CN_HSCROLL = CN_BASE + WM_HSCROLL;
constexpr UINT CN_VSCROLL = CN_BASE + WM_VSCROLL;
constexpr UINT CN_CTLCOLORMSGBOX = CN_BASE + WM_CTLCOLORMSGBOX;
constexpr UINT CN_CTLCOLORSTATIC = CN_BASE + WM_CTLCOLORSTATIC;

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
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  virtual int ClientWidth() const { return FWidth; }
  virtual int ClientHeight() const { return FHeight; }
  TRect ClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign Value);
  TAnchors Anchors() const { return FAnchors; }
  void SetAnchors(TAnchors Value) { FAnchors = Value; }
  int HelpContext = 0;   // the topic of the application's help about it; 0: none

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& Value);
  const std::string& Text() const { return FCaption; }   // the same text, as edits call it
  void SetText(const std::string& Value) { SetCaption(Value); }
  bool Visible() const { return FVisible; }
  void SetVisible(bool Value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);
  TFont* Font() { return &FFont; }
  void SetFont(TFont* Value) { FFont.Assign(Value); }
  // With ParentFont (the default) a control takes its parent's font and
  // follows its changes; changing the control's own font clears it.
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool Value);
  TColor Color() const { return FColor; }
  void SetColor(TColor Value);   // clears ParentColor
  // With ParentColor a control takes its parent's colour and follows it.
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool Value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value) { FCursor = Value; }
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);
  std::string Hint;
  bool ShowHint = false;
  bool MouseInControl() const { return FMouseInControl; }

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TMouseWheelEvent OnMouseWheel;
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
  TPoint ClientToScreen(TPoint P);
  TPoint ScreenToClient(TPoint P);

protected:
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual bool DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos);   // true when handled
  virtual void Resize();
  virtual void TextChanged() { Invalidate(); }
  virtual void FontChanged() { Invalidate(); }
  virtual void ColorChanged() { Invalidate(); }
  virtual void VisibleChanged() {}
  virtual void EnabledChanged() {}
  virtual void BoundsChanged() {}
  virtual void DefaultHandler(TMessage& Message);
  void Notification(TComponent* AComponent, TOperation Operation) override;
  void RequestAlign();   // the parent lays out its aligned controls again

  TWinControl* FParent = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = TAlign::alNone;
  TAnchors FAnchors{TAnchorKind::akLeft, TAnchorKind::akTop};
  std::string FCaption;
  bool FVisible = true;
  bool FEnabled = true;
  TFont FFont;
  TColor FColor = clBtnFace;
  TCursor FCursor = crDefault;
  TPopupMenu* FPopupMenu = nullptr;
  bool FMouseInControl = false;
  bool FClicked = false;
  bool FMouseClicks = true;   // OnClick from a press and release inside; wrapped controls click themselves

private:
  friend class TWinControl;
  void MouseMessage(TMessage& Message);
  void TakeParentFont();
  void TakeParentColor();
  bool FParentFont = true;
  bool FParentColor = false;
  bool FInheriting = false;   // font or colour being taken from the parent
};

// A control with a window of its own. The window is made when Handle() is
// first asked for (with the parent's); its class is registered under
// TCreateParams::WinClassName, the control's class name by default.
// Notifications that the window receives from its child controls are
// handed to those controls (CN_ messages), so each control handles its own.
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
  bool CanFocus();   // visible and enabled, its parents too
  void SetFocus();
  bool TabStop = false;   // Tab moves the focus here
  TBrush* Brush() { return &FBrush; }   // the control's colour, for its background
  void Realign();   // lays out the aligned and anchored controls
  // The area aligned controls share; a control with a frame of its own
  // (page control) makes it smaller.
  virtual void AdjustClientRect(TRect& Rect);

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;
  TNotifyEvent OnPaint;

  // The control behind a window of the class library, or null.
  static TWinControl* FindControl(HWND Wnd);

protected:
  virtual void CreateParams(TCreateParams& Params);
  virtual void CreateWnd();
  virtual void CreateHandleDone() {}   // the window exists: push state kept while it did not
  virtual void PaintWindow(HDC DC);    // Paint, OnPaint, then the controls without windows
  virtual void Paint(HDC DC);          // WM_PAINT of a window that draws itself
  void WndProc(TMessage& Message) override;
  void DefaultHandler(TMessage& Message) override;
  void TextChanged() override;
  void FontChanged() override;
  void ColorChanged() override;
  void VisibleChanged() override;
  void EnabledChanged() override;
  virtual void UpdateShowing();
  bool FPaints = false;   // paints its client area in Paint
  bool Wrapped() const { return FDefWndProc != nullptr; }   // a window class of the system

private:
  friend LRESULT CALLBACK ControlWndProc(HWND, UINT, WPARAM, LPARAM);
  friend class TControl;
  bool ReflectNotification(TMessage& Message);
  bool RouteToGraphicControl(TMessage& Message);
  void PaintGraphicControls(HDC DC);
  void AlignControls();
  HWND FHandle = nullptr;
  WNDPROC FDefWndProc = nullptr;
  std::vector<TControl*> FControls;
  TBrush FBrush;
  int FAlignedWidth = -1, FAlignedHeight = -1;   // client size of the last layout
  bool FAligning = false;
};

// A windowed control that paints itself on its Canvas (valid during Paint
// and OnPaint).
class TCustomControl : public TWinControl {
  DECLARE_CLASSINFO(TCustomControl)
public:
  explicit TCustomControl(TComponent* AOwner);
  TCanvas* Canvas() { return &FCanvas; }

protected:
  void PaintWindow(HDC DC) override;

private:
  TCanvas FCanvas;
};

// A control without a window: its parent paints it (on the control's
// Canvas, clipped to its bounds, in the control's coordinates) and hands it
// the mouse messages over its area.
class TGraphicControl : public TControl {
  DECLARE_CLASSINFO(TGraphicControl)
public:
  explicit TGraphicControl(TComponent* AOwner);
  TCanvas* Canvas() { return &FCanvas; }
  void Invalidate() override;
  TNotifyEvent OnPaint;

protected:
  friend class TWinControl;
  virtual void Paint() {}
  void BoundsChanged() override;
  void VisibleChanged() override { Invalidate(); }
  void EnabledChanged() override { Invalidate(); }

private:
  void PaintOn(HDC DC);
  TCanvas FCanvas;
  TRect FPainted{0, 0, 0, 0};   // the area last invalidated
};

// The cursor handle of a TCursor: the screen's (set by the Forms unit),
// else the system cursor; crNone gives null.
HCURSOR CursorHandle(TCursor Cursor);
HCURSOR SystemCursorHandle(TCursor Cursor);
extern HCURSOR (*ScreenCursorHandle)(TCursor Cursor);
