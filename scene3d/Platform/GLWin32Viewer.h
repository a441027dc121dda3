// The windowed control that shows a scene: it owns a scene buffer, gives it
// the window's device context, renders a frame on every WM_PAINT and keeps
// the viewport at the window's size.
#pragma once
#include "classlib/Controls.h"
#include "scene3d/Scene3D.h"

enum class TVSyncMode : uint8_t { vsmSync, vsmNoSync };

// The current context's swap interval (with WGL_EXT_swap_control only).
void SetupVSync(TVSyncMode VSync);

class TScene3DViewer : public TWinControl {
  DECLARE_CLASSINFO(TScene3DViewer)
public:
  explicit TScene3DViewer(TComponent* AOwner);
  ~TScene3DViewer() override;

  TScene3DBuffer* Buffer() const { return FBuffer.get(); }
  void SetBuffer(TScene3DBuffer* Value) { FBuffer->Assign(Value); }
  TGLCamera* Camera() const { return FBuffer->Camera(); }
  void SetCamera(TGLCamera* Value);
  TVSyncMode VSync = TVSyncMode::vsmNoSync;
  // Stored in the buffer.
  const TNotifyEvent& BeforeRender() const { return FBuffer->BeforeRender; }
  void SetBeforeRender(TNotifyEvent Value) { FBuffer->BeforeRender = std::move(Value); }
  const TNotifyEvent& PostRender() const { return FBuffer->PostRender; }
  void SetPostRender(TNotifyEvent Value) { FBuffer->PostRender = std::move(Value); }
  const TNotifyEvent& AfterRender() const { return FBuffer->AfterRender; }
  void SetAfterRender(TNotifyEvent Value) { FBuffer->AfterRender = std::move(Value); }
  // Degrees across the larger of Width and Height, as the camera's
  // projection spans the larger dimension; 0 without camera.
  float FieldOfView() const;
  void SetFieldOfView(float Value);
  bool OpenGLAvailable() const { return FOwnDCOpenGL; }
  void Loaded() override;

protected:
  void CreateParams(TCreateParams& Params) override;
  void CreateWnd() override;
  void WndProc(TMessage& Message) override;
  void Notification(TComponent* AComponent, TOperation Operation) override;

private:
  void DestroyContext();
  void Paint();
  std::unique_ptr<TScene3DBuffer> FBuffer;
  HDC FOwnDC = nullptr;
  bool FOwnDCOpenGL = false;   // OpenGL could be loaded
  bool FVSyncPending = false;   // set on the new context's first frame
  TPoint FLastScreenPos{0, 0};
};

void GLWin32Viewer_Initialize();   // registers TScene3DViewer for streaming
void GLWin32Viewer_Finalize();
