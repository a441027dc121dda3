// A viewer without a window of its own that, while active, shows the scene
// in a borderless form covering the screen: it switches the display mode
// when the screen is not already at the asked size and depth, hides the
// task bar, and puts both back when it stops.
#pragma once
#include "classlib/Forms.h"
#include "scene3d/Platform/GLWin32Viewer.h"
#include "scene3d/Scene3D.h"

enum class TGLScreenDepth : uint8_t { sd8bits, sd16bits, sd24bits, sd32bits };
int ScreenDepthBits(TGLScreenDepth Depth);   // 8, 16, 24, 32

class TGLFullScreenViewer : public TGLNonVisualViewer {
  DECLARE_CLASSINFO(TGLFullScreenViewer)
public:
  explicit TGLFullScreenViewer(TComponent* AOwner);   // 800 x 600
  ~TGLFullScreenViewer() override;

  // Starting raises "Unsupported video mode" before anything changes when
  // no listed mode holds Width x Height at ScreenDepth.
  bool Active() const { return FActive; }
  void SetActive(bool Value);
  // Width, Height and ScreenDepth of the desktop as it is now.
  void MatchDesktopResolution();
  void BeginUpdate();
  void EndUpdate();   // below zero: "Unbalanced Begin/EndUpdate"

  TGLScreenDepth ScreenDepth() const { return FScreenDepth; }
  void SetScreenDepth(TGLScreenDepth Value);
  bool StayOnTop() const { return FStayOnTop; }
  void SetStayOnTop(bool Value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor Value);
  TPopupMenu* PopupMenu() const { return FPopupMenu; }
  void SetPopupMenu(TPopupMenu* Value);
  TVSyncMode VSync = TVSyncMode::vsmSync;
  int RefreshRate = 0;   // 0: the driver's choice
  // The form while active.
  TForm* Form() const { return FForm; }
  // Whether starting changed the display mode.
  bool SwitchedResolution() const { return FSwitchedResolution; }

  // The form calls whatever is set here when its own events fire (Sender
  // the form); OnCloseQuery gets the viewer.
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;
  TMouseWheelEvent OnMouseWheel;
  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TCloseEvent OnClose;
  TCloseQueryEvent OnCloseQuery;

  using TGLNonVisualViewer::Render;
  void Render(TGLBaseSceneObject* baseObject) override;
  void DoBufferChange(TObject* Sender) override;
  void DoBufferStructuralChange(TObject* Sender) override;
  void PrepareGLContext() override;

protected:
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void Startup();
  void Shutdown(bool FreeNow = false);   // FreeNow: not from the form's handlers (destruction)
  void BindFormEvents();
  TGLScreenDepth FScreenDepth = TGLScreenDepth::sd32bits;
  bool FActive = false;
  bool FSwitchedResolution = false;
  int FUpdateCount = 0;
  TForm* FForm = nullptr;   // owned while active
  bool FVSyncPending = false;
  bool FStayOnTop = false;
  TCursor FCursor = crDefault;
  TPopupMenu* FPopupMenu = nullptr;   // not owned
};

// Registers TScene3DViewer and TGLFullScreenViewer for streaming.
void GLWin32FullScreenViewer_Initialize();
void GLWin32FullScreenViewer_Finalize();
