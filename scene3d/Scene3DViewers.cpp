// Viewers without a window: the non-visual base and the memory viewer.
#include "scene3d/Scene3D.h"

IMPLEMENT_CLASSINFO(TGLNonVisualViewer, TComponent)
IMPLEMENT_CLASSINFO(TGLMemoryViewer, TGLNonVisualViewer)

TGLNonVisualViewer::TGLNonVisualViewer(TComponent* AOwner)
    : TComponent(AOwner), FBuffer(std::make_unique<TScene3DBuffer>(this)) {
  FBuffer->OnChange = [this](TObject* Sender) { DoBufferChange(Sender); };
  FBuffer->OnStructuralChange = [this](TObject* Sender) { DoBufferStructuralChange(Sender); };
  FBuffer->OnPrepareGLContext = [this](TObject*) { PrepareGLContext(); };
}

TGLNonVisualViewer::~TGLNonVisualViewer() {
  if (Camera()) Camera()->RemoveFreeNotification(this);
  FBuffer.reset();
}

void TGLNonVisualViewer::SetCamera(TGLCamera* Value) {
  if (TGLCamera* former = Camera(); former && former != Value) former->RemoveFreeNotification(this);
  FBuffer->SetCamera(Value);
  if (Camera()) Camera()->FreeNotification(this);
}

void TGLNonVisualViewer::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == TOperation::opRemove && FBuffer && AComponent == FBuffer->Camera()) SetCamera(nullptr);
  TComponent::Notification(AComponent, Operation);
}

void TGLNonVisualViewer::SetWidth(int Value) {
  if (Value < 1) Value = 1;
  if (Value == FWidth) return;
  FWidth = Value;
  DoBufferStructuralChange(this);
}

void TGLNonVisualViewer::SetHeight(int Value) {
  if (Value < 1) Value = 1;
  if (Value == FHeight) return;
  FHeight = Value;
  DoBufferStructuralChange(this);
}

void TGLNonVisualViewer::DoBufferStructuralChange(TObject* Sender) {
  (void)Sender;
  FBuffer->DestroyRC();
}

void TGLNonVisualViewer::CopyToTexture(TGLTexture* aTexture) {
  FBuffer->CopyToTexture(aTexture, 0, 0, FWidth, FHeight, 0, 0);
}

TGLMemoryViewer::TGLMemoryViewer(TComponent* AOwner) : TGLNonVisualViewer(AOwner) {
  SetWidth(256);
  SetHeight(256);
}

void TGLMemoryViewer::Render(TGLBaseSceneObject* baseObject) {
  if (!Buffer()->RCInstantiated()) {
    Buffer()->SetViewPort(0, 0, Width(), Height());
    Buffer()->CreateRC(nullptr, true);
  }
  Buffer()->Render(baseObject);
}
