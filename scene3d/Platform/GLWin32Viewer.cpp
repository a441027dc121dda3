#include "scene3d/Platform/GLWin32Viewer.h"

#include "classlib/UnitInit.h"
#include "scene3d/Platform/GLWin32Context.h"

namespace {
const char* const UnitName = "scene3d\\Platform\\GLWin32Viewer";
TUnitCounter UnitCounter;
}  // namespace

void SetupVSync(TVSyncMode VSync) {
  if (!WGL.EXT_swap_control || !wglGetSwapIntervalEXT || !wglSwapIntervalEXT || !CurrentGLContext()) return;
  const int interval = wglGetSwapIntervalEXT();
  switch (VSync) {
    case TVSyncMode::vsmSync:
      if (interval != 1) wglSwapIntervalEXT(1);
      break;
    case TVSyncMode::vsmNoSync:
      if (interval != 0) wglSwapIntervalEXT(0);
      break;
    default: Assert(false, "", UnitName, 177);
  }
}

IMPLEMENT_CLASSINFO(TScene3DViewer, TWinControl)

TScene3DViewer::TScene3DViewer(TComponent* AOwner)
    : TWinControl(AOwner), FBuffer(std::make_unique<TScene3DBuffer>(this)) {
  FOwnDCOpenGL = InitOpenGL();
  SetBounds(0, 0, 100, 100);
  // The swap interval belongs to the current context: it is set once the
  // new context is current, on its first frame.
  FBuffer->OnPrepareGLContext = [this](TObject*) { FVSyncPending = true; };
  FBuffer->ViewerBeforeRender = [this](TObject*) {
    if (!FVSyncPending) return;
    FVSyncPending = false;
    SetupVSync(VSync);
  };
  FBuffer->OnChange = [this](TObject*) {
    if (!FBuffer->Frozen() && !FBuffer->Rendering()) Invalidate();
  };
  FBuffer->OnStructuralChange = [this](TObject*) {
    if (!HandleAllocated()) return;
    DestroyHandle();
    HandleNeeded();
  };
}

TScene3DViewer::~TScene3DViewer() {
  if (Camera()) Camera()->RemoveFreeNotification(this);
  DestroyContext();
  FBuffer.reset();
}

void TScene3DViewer::SetCamera(TGLCamera* Value) {
  if (TGLCamera* former = Camera(); former && former != Value) former->RemoveFreeNotification(this);
  FBuffer->SetCamera(Value);
  if (Camera()) Camera()->FreeNotification(this);
}

void TScene3DViewer::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == TOperation::opRemove && FBuffer && AComponent == FBuffer->Camera()) SetCamera(nullptr);
  TWinControl::Notification(AComponent, Operation);
}

float TScene3DViewer::FieldOfView() const {
  if (!Camera()) return 0.0f;
  return Camera()->GetFieldOfView(static_cast<float>(std::max(Width(), Height())));
}

void TScene3DViewer::SetFieldOfView(float Value) {
  if (Camera()) Camera()->SetFieldOfView(Value, static_cast<float>(std::max(Width(), Height())));
}

void TScene3DViewer::Loaded() {
  TWinControl::Loaded();
  HandleNeeded();
}

void TScene3DViewer::CreateParams(TCreateParams& Params) {
  TWinControl::CreateParams(Params);
  Params.Style |= WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
  Params.ClassStyle |= CS_OWNDC;
}

void TScene3DViewer::CreateWnd() {
  TWinControl::CreateWnd();
  if (!FOwnDCOpenGL) return;
  FBuffer->Resize(Width(), Height());
  FOwnDC = GetDC(Handle());
  FBuffer->CreateRC(FOwnDC, false);
}

void TScene3DViewer::DestroyContext() {
  if (FBuffer) FBuffer->DestroyRC();
  if (FOwnDC) {
    ReleaseDC(HandleAllocated() ? Handle() : nullptr, FOwnDC);
    FOwnDC = nullptr;
  }
}

void TScene3DViewer::Paint() {
  POINT origin{0, 0};
  ::ClientToScreen(Handle(), &origin);
  if ((origin.x != FLastScreenPos.x || origin.y != FLastScreenPos.y) && FBuffer->RCInstantiated())
    PostMessageA(Handle(), WM_SIZE, 0, MAKELPARAM(Width(), Height()));
  FLastScreenPos = {origin.x, origin.y};
  PAINTSTRUCT ps;
  BeginPaint(Handle(), &ps);
  try {
    if (FOwnDCOpenGL && Width() > 0 && Height() > 0) FBuffer->Render();
  } catch (...) {
    EndPaint(Handle(), &ps);
    throw;
  }
  EndPaint(Handle(), &ps);
}

void TScene3DViewer::WndProc(TMessage& Message) {
  switch (Message.Msg) {
    case WM_ERASEBKGND:
      if (FOwnDCOpenGL) {
        Message.Result = 1;
        return;
      }
      break;
    case WM_SIZE:
      TWinControl::WndProc(Message);
      FBuffer->Resize(LOWORD(Message.LParam), HIWORD(Message.LParam));
      return;
    case WM_PAINT:
      Paint();
      Message.Result = 0;
      return;
    case WM_DESTROY:
      DestroyContext();
      break;
    default:
      break;
  }
  TWinControl::WndProc(Message);
}

void GLWin32Viewer_Initialize() {
  if (!UnitCounter.Enter()) return;
  GLWin32Context_Initialize();
  Scene3D_Initialize();
  RegisterClass(TScene3DViewer::StaticClass(), [] { return std::unique_ptr<TObject>(new TScene3DViewer(nullptr)); });
}

void GLWin32Viewer_Finalize() {
  if (!UnitCounter.Leave()) return;
  UnRegisterClass(TScene3DViewer::StaticClass());
  Scene3D_Finalize();
  GLWin32Context_Finalize();
}
