#include "scene3d/Platform/GLWin32FullScreenViewer.h"

#include <exception>
#include <utility>

#include "classlib/Menus.h"
#include "classlib/Messages.h"
#include "classlib/UnitInit.h"
#include "scene3d/Base/OpenGL1x.h"
#include "scene3d/GLScreen.h"

namespace {
const char* const UnitName = "scene3d\\Platform\\GLWin32FullScreenViewer";
TUnitCounter InitCounter;

// The viewer's form: sizeable without a caption, with a class DC for
// OpenGL, and no background erasing under the frames. Its events reach the
// viewer only while it is attached.
class TGLFullScreenForm : public TForm {
public:
  using TForm::TForm;
  TGLFullScreenViewer* Viewer = nullptr;   // not owned; null once detached

protected:
  void CreateParams(TCreateParams& Params) override {
    TForm::CreateParams(Params);
    Params.Style &= ~static_cast<DWORD>(WS_CAPTION);
    Params.ClassStyle |= CS_OWNDC;
  }
  // The system gives every overlapped window a caption when it is made.
  void CreateHandleDone() override {
    TForm::CreateHandleDone();
    HWND h = Handle();
    SetWindowLongPtrA(h, GWL_STYLE, GetWindowLongPtrA(h, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_CAPTION));
    SetWindowPos(h, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
  }
  void WndProc(TMessage& Message) override {
    if (Message.Msg == WM_ERASEBKGND) {
      Message.Result = 1;
      return;
    }
    TForm::WndProc(Message);
  }
};

// A form event that calls the viewer's event of the same name, when set.
template <class TEvent>
auto Forwarded(TGLFullScreenForm* Form, TEvent TGLFullScreenViewer::*Event) {
  return [Form, Event](auto&&... Args) {
    if (Form->Viewer && Form->Viewer->*Event) (Form->Viewer->*Event)(std::forward<decltype(Args)>(Args)...);
  };
}

void ShowTaskBar(int Command) {
  if (HWND tray = FindWindowA("Shell_TrayWnd", nullptr)) ShowWindow(tray, Command);
}
}  // namespace

int ScreenDepthBits(TGLScreenDepth Depth) {
  switch (Depth) {
    case TGLScreenDepth::sd8bits: return 8;
    case TGLScreenDepth::sd16bits: return 16;
    case TGLScreenDepth::sd24bits: return 24;
    case TGLScreenDepth::sd32bits: return 32;
  }
  return 32;
}

IMPLEMENT_CLASSINFO(TGLFullScreenViewer, TGLNonVisualViewer)

TGLFullScreenViewer::TGLFullScreenViewer(TComponent* AOwner) : TGLNonVisualViewer(AOwner) {
  SetWidth(800);
  SetHeight(600);
  // The swap interval belongs to the current context: it is set on the new
  // context's first frame.
  Buffer()->ViewerBeforeRender = [this](TObject*) {
    if (!FVSyncPending) return;
    FVSyncPending = false;
    SetupVSync(VSync);
  };
}

TGLFullScreenViewer::~TGLFullScreenViewer() {
  if (FActive) try {
      Shutdown(true);
    } catch (...) {   // reported, never thrown out of a destructor
      HandleCallbackException(this);
    }
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
}

void TGLFullScreenViewer::SetActive(bool Value) {
  if (Value == FActive) return;
  if (Value) Startup();
  else Shutdown();
}

void TGLFullScreenViewer::MatchDesktopResolution() {
  BeginUpdate();
  try {
    int width = 0, height = 0, depth = 0;
    DesktopModeProc(width, height, depth);
    SetWidth(width);
    SetHeight(height);
    switch (depth) {
      case 8: SetScreenDepth(TGLScreenDepth::sd8bits); break;
      case 16: SetScreenDepth(TGLScreenDepth::sd16bits); break;
      case 24: SetScreenDepth(TGLScreenDepth::sd24bits); break;
      default: SetScreenDepth(TGLScreenDepth::sd32bits); break;
    }
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TGLFullScreenViewer::BeginUpdate() { ++FUpdateCount; }

void TGLFullScreenViewer::EndUpdate() {
  --FUpdateCount;
  if (FUpdateCount < 0) {
    FUpdateCount = 0;
    Assert(false, "Unbalanced Begin/EndUpdate", UnitName, 259);
  }
  if (FUpdateCount == 0) DoBufferStructuralChange(this);
}

void TGLFullScreenViewer::SetScreenDepth(TGLScreenDepth Value) {
  if (Value == FScreenDepth) return;
  FScreenDepth = Value;
  DoBufferStructuralChange(this);
}

void TGLFullScreenViewer::SetStayOnTop(bool Value) {
  if (Value == FStayOnTop) return;
  FStayOnTop = Value;
  DoBufferStructuralChange(this);
}

void TGLFullScreenViewer::SetCursor(TCursor Value) {
  FCursor = Value;
  if (FForm) FForm->SetCursor(Value);
}

void TGLFullScreenViewer::SetPopupMenu(TPopupMenu* Value) {
  if (Value == FPopupMenu) return;
  if (FPopupMenu) FPopupMenu->RemoveFreeNotification(this);
  FPopupMenu = Value;
  if (FPopupMenu) FPopupMenu->FreeNotification(this);
  if (FForm) FForm->SetPopupMenu(Value);
}

void TGLFullScreenViewer::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == TOperation::opRemove && AComponent == FPopupMenu) {
    FPopupMenu = nullptr;
    if (FForm) FForm->SetPopupMenu(nullptr);
  }
  TGLNonVisualViewer::Notification(AComponent, Operation);
}

void TGLFullScreenViewer::DoBufferChange(TObject* Sender) {
  (void)Sender;
  if (FForm && !Buffer()->Frozen()) FForm->Invalidate();
}

// Size, depth, stacking and pixel format only take effect on a new form.
void TGLFullScreenViewer::DoBufferStructuralChange(TObject* Sender) {
  (void)Sender;
  if (!FActive || FUpdateCount != 0) return;
  Shutdown();
  Startup();
}

void TGLFullScreenViewer::PrepareGLContext() { FVSyncPending = true; }

void TGLFullScreenViewer::Render(TGLBaseSceneObject* baseObject) {
  if (!InitOpenGL()) return;
  if (!Buffer()->RCInstantiated()) {
    if (!FForm) return;
    Buffer()->CreateRC(GetDC(FForm->Handle()), false);
  }
  Buffer()->Render(baseObject);
}

void TGLFullScreenViewer::BindFormEvents() {
  auto* form = static_cast<TGLFullScreenForm*>(FForm);
  form->OnMouseDown = Forwarded(form, &TGLFullScreenViewer::OnMouseDown);
  form->OnMouseUp = Forwarded(form, &TGLFullScreenViewer::OnMouseUp);
  form->OnMouseMove = Forwarded(form, &TGLFullScreenViewer::OnMouseMove);
  form->OnMouseWheel = Forwarded(form, &TGLFullScreenViewer::OnMouseWheel);
  form->OnClick = Forwarded(form, &TGLFullScreenViewer::OnClick);
  form->OnDblClick = Forwarded(form, &TGLFullScreenViewer::OnDblClick);
  form->OnKeyDown = Forwarded(form, &TGLFullScreenViewer::OnKeyDown);
  form->OnKeyUp = Forwarded(form, &TGLFullScreenViewer::OnKeyUp);
  form->OnKeyPress = Forwarded(form, &TGLFullScreenViewer::OnKeyPress);
  form->OnClose = Forwarded(form, &TGLFullScreenViewer::OnClose);
  form->OnCloseQuery = [form](TObject*, bool& CanClose) {
    TGLFullScreenViewer* viewer = form->Viewer;
    if (!viewer) return;
    if (viewer->OnCloseQuery) viewer->OnCloseQuery(viewer, CanClose);
    if (!CanClose) return;
    viewer->Shutdown();
  };
  form->OnPaint = [form](TObject*) {
    if (form->Viewer) form->Viewer->Render();
  };
  form->OnActivate = [form](TObject*) {
    if (form->Viewer && form->Viewer->StayOnTop()) form->SetFormStyle(TFormStyle::fsStayOnTop);
  };
  form->OnDeactivate = [form](TObject*) {
    if (form->Viewer && form->Viewer->StayOnTop()) form->SetFormStyle(TFormStyle::fsNormal);
  };
}

void TGLFullScreenViewer::Startup() {
  Assert(FForm == nullptr, "", UnitName, 300);
  const int index = GetIndexFromResolution(Width(), Height(), ScreenDepthBits(FScreenDepth));
  if (index == 0) throw Exception("Unsupported video mode");

  auto* form = new TGLFullScreenForm(nullptr);
  form->Viewer = this;
  FForm = form;
  FSwitchedResolution = false;
  try {
    form->SetFormStyle(FStayOnTop ? TFormStyle::fsStayOnTop : TFormStyle::fsNormal);
    form->SetBorderStyle(TFormBorderStyle::bsSizeable);
    form->SetCursor(FCursor);
    form->SetPopupMenu(FPopupMenu);
    form->SetClientSize(Width(), Height());
    form->SetWindowState(TWindowState::wsMaximized);
    BindFormEvents();

    ShowTaskBar(SW_HIDE);
    int width = 0, height = 0, depth = 0;
    DesktopModeProc(width, height, depth);
    if (width != Width() || height != Height() || depth != ScreenDepthBits(FScreenDepth))
      FSwitchedResolution = SetFullscreenMode(index, RefreshRate);

    form->Show();
    Buffer()->Resize(Width(), Height());
    Buffer()->CreateRC(GetDC(form->Handle()), false);
  } catch (...) {
    // Undone in reverse order: context, form, display mode, task bar. The
    // start's own failure is the one reported.
    try {
      Shutdown(true);
    } catch (...) {
    }
    throw;
  }
  FActive = true;
}

void TGLFullScreenViewer::Shutdown(bool FreeNow) {
  // The screen is given back whatever the context does; its failure is
  // reported afterwards.
  std::exception_ptr failure;
  try {
    Buffer()->DestroyRC();
  } catch (...) {
    failure = std::current_exception();
  }
  if (auto* form = static_cast<TGLFullScreenForm*>(FForm)) {
    FForm = nullptr;
    form->Viewer = nullptr;
    // Stopping may come from one of the form's own handlers (a key, a
    // click, the close query): the form goes once that returns.
    if (FreeNow) {
      delete form;
    } else {
      form->Hide();
      form->Release();
    }
  }
  if (FSwitchedResolution) RestoreDefaultMode();
  FSwitchedResolution = false;
  ShowTaskBar(SW_SHOWNA);
  FActive = false;
  if (failure) std::rethrow_exception(failure);
}

void GLWin32FullScreenViewer_Initialize() {
  if (!InitCounter.Enter()) return;
  GLWin32Viewer_Initialize();
  GLScreen_Initialize();
  RegisterClass(TGLFullScreenViewer::StaticClass(),
                [] { return std::unique_ptr<TObject>(new TGLFullScreenViewer(nullptr)); });
}

void GLWin32FullScreenViewer_Finalize() {
  if (!InitCounter.Leave()) return;
  UnRegisterClass(TGLFullScreenViewer::StaticClass());
  GLScreen_Finalize();
  GLWin32Viewer_Finalize();
}
