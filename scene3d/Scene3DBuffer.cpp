// The scene buffer: context, OpenGL set-up, the frame loop and read-backs.
#include <algorithm>
#include <cstring>

#include "scene3d/Base/XOpenGL.h"
#include "scene3d/GLCrossPlatform.h"
#include "scene3d/Scene3D.h"

namespace {
const char* const UnitName = "scene3d\\Scene3D";

// Activates a context for the lifetime of the guard.
class TActivation {
public:
  explicit TActivation(TGLContext* Context) : FContext(Context) { FContext->Activate(); }
  ~TActivation() noexcept(false) {
    if (!std::uncaught_exceptions()) {
      FContext->Deactivate();
      return;
    }
    try {
      FContext->Deactivate();
    } catch (...) {
    }
  }
  TActivation(const TActivation&) = delete;
  TActivation& operator=(const TActivation&) = delete;

private:
  TGLContext* FContext;
};

int ColorBitsOf(TGLColorDepth Depth) {
  switch (Depth) {
    case TGLColorDepth::cd8bits: return 8;
    case TGLColorDepth::cd16bits: return 16;
    case TGLColorDepth::cdFloat64bits: return 64;
    case TGLColorDepth::cdFloat128bits: return 128;
    default: return 24;
  }
}

int DepthBitsOf(TGLDepthPrecision Precision) {
  switch (Precision) {
    case TGLDepthPrecision::dp16bits: return 16;
    case TGLDepthPrecision::dp32bits: return 32;
    default: return 24;
  }
}

bool IsDesigning(TPersistent* Owner) {
  auto* c = dynamic_cast<TComponent*>(Owner);
  return c && c->ComponentState.Contains(TComponentStateItem::csDesigning);
}
}  // namespace

IMPLEMENT_CLASSINFO(TScene3DBuffer, TGLUpdateAbleObject)

TScene3DBuffer::TScene3DBuffer(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner),
      FStateCache(std::make_unique<TGLStateCache>()),
      FAmbientColor(std::make_unique<TGLColor>(this, TVector{0.2f, 0.2f, 0.2f, 1.0f})),
      FFogEnvironment(std::make_unique<TGLFogEnvironment>(this)) {}

TScene3DBuffer::~TScene3DBuffer() {
  OnChange = nullptr;   // the owner hears nothing more
  OnStructuralChange = nullptr;
  Melt();
  SetCamera(nullptr);
  try {
    DestroyRC();
  } catch (...) {   // the context is gone either way
  }
}

bool TScene3DBuffer::DesigningOwner() const { return IsDesigning(Owner()); }

void TScene3DBuffer::NotifyChange(TObject* Sender) {
  (void)Sender;
  if (!FRendering && OnChange) OnChange(this);
}

void TScene3DBuffer::Assign(TPersistent* Source) {
  auto* src = dynamic_cast<TScene3DBuffer*>(Source);
  if (!src) {
    TGLUpdateAbleObject::Assign(Source);
    return;
  }
  FFaceCulling = src->FFaceCulling;
  FFogEnable = src->FFogEnable;
  FLighting = src->FLighting;
  FDepthTest = src->FDepthTest;
  FBackgroundColor = src->FBackgroundColor;
  FBackgroundAlpha = src->FBackgroundAlpha;
  FAmbientColor->SetColor(src->FAmbientColor->Color());
  FFogEnvironment->Assign(src->FFogEnvironment.get());
  FShadeModel = src->FShadeModel;
  FAccumBufferBits = src->FAccumBufferBits;
  FAntiAliasing = src->FAntiAliasing;
  FDepthPrecision = src->FDepthPrecision;
  FColorDepth = src->FColorDepth;
  FContextOptions = src->FContextOptions;
  StructuralChange();
}

// ---- Settings -------------------------------------------------------------------------------

void TScene3DBuffer::ChangeSetting(bool& Field, bool Value) {
  if (Field == Value) return;
  Field = Value;
  NotifyChange(this);
}

void TScene3DBuffer::SetDepthTest(bool Value) { ChangeSetting(FDepthTest, Value); }
void TScene3DBuffer::SetFaceCulling(bool Value) { ChangeSetting(FFaceCulling, Value); }
void TScene3DBuffer::SetLighting(bool Value) { ChangeSetting(FLighting, Value); }
void TScene3DBuffer::SetFogEnable(bool Value) { ChangeSetting(FFogEnable, Value); }

void TScene3DBuffer::SetBackgroundColor(TColor Value) {
  if (Value == FBackgroundColor) return;
  FBackgroundColor = Value;
  NotifyChange(this);
}

void TScene3DBuffer::SetBackgroundAlpha(float Value) {
  if (Value == FBackgroundAlpha) return;
  FBackgroundAlpha = Value;
  NotifyChange(this);
}

void TScene3DBuffer::SetShadeModel(TGLShadeModel Value) {
  if (Value == FShadeModel) return;
  FShadeModel = Value;
  NotifyChange(this);
}

void TScene3DBuffer::SetFogEnvironment(TGLFogEnvironment* Value) {
  FFogEnvironment->Assign(Value);
  NotifyChange(this);
}

void TScene3DBuffer::StructuralChange() {
  if (OnStructuralChange) OnStructuralChange(this);
}

void TScene3DBuffer::SetContextOptions(TContextOptions Value) {
  if (Value == FContextOptions) return;
  FContextOptions = Value;
  StructuralChange();
}

void TScene3DBuffer::SetAntiAliasing(TGLAntiAliasing Value) {
  if (Value == FAntiAliasing) return;
  FAntiAliasing = Value;
  StructuralChange();
}

void TScene3DBuffer::SetDepthPrecision(TGLDepthPrecision Value) {
  if (Value == FDepthPrecision) return;
  FDepthPrecision = Value;
  StructuralChange();
}

void TScene3DBuffer::SetColorDepth(TGLColorDepth Value) {
  if (Value == FColorDepth) return;
  FColorDepth = Value;
  StructuralChange();
}

void TScene3DBuffer::SetAccumBufferBits(int Value) {
  if (Value == FAccumBufferBits) return;
  FAccumBufferBits = Value;
  StructuralChange();
}

void TScene3DBuffer::SetCamera(TGLCamera* Value) {
  if (Value == FCamera) return;
  if (FCamera) {
    if (FCamera->Scene()) FCamera->Scene()->RemoveBuffer(this);
    auto& list = FCamera->FBuffers;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
    FCamera = nullptr;
  }
  if (Value && Value->Scene()) {
    FCamera = Value;
    FCamera->FBuffers.push_back(this);
    FCamera->TransformationChanged();
  }
  NotifyChange(this);
}

// ---- Context --------------------------------------------------------------------------------

void TScene3DBuffer::PrepareGLContext() {
  if (OnPrepareGLContext) OnPrepareGLContext(this);
}

void TScene3DBuffer::CreateRC(HDC deviceHandle, bool memoryContext) {
  DestroyRC();
  FRendering = true;
  try {
    std::unique_ptr<TGLContext> rc = GLContextManager ? GLContextManager->CreateContext() : nullptr;
    if (!rc) throw EGLContext("Failed to create RenderingContext.");
    TGLRCOptions options;
    if (FContextOptions.Contains(TContextOption::roDoubleBuffer)) options.Include(TGLRCOption::rcoDoubleBuffered);
    if (FContextOptions.Contains(TContextOption::roStereo)) options.Include(TGLRCOption::rcoStereo);
    rc->SetOptions(options);
    rc->SetColorBits(FContextOptions.Contains(TContextOption::roNoColorBuffer) ? 0 : ColorBitsOf(FColorDepth));
    rc->SetDepthBits(DepthBitsOf(FDepthPrecision));
    rc->SetStencilBits(FContextOptions.Contains(TContextOption::roStencilBuffer) ? 8 : 0);
    rc->SetAlphaBits(FContextOptions.Contains(TContextOption::roDestinationAlpha) ? 8 : 0);
    rc->SetAccumBits(FAccumBufferBits);
    rc->SetAuxBuffers(0);
    rc->SetAntiAliasing(FAntiAliasing);
    PrepareGLContext();
    if (memoryContext) rc->CreateMemoryContext(deviceHandle, FViewPort.Width, FViewPort.Height);
    else rc->CreateContext(deviceHandle);
    // A context receives another's lists only before it is first current.
    if (FCamera && FCamera->Scene())
      if (TGLContext* base = FCamera->Scene()->BaseContext(); base && base != rc.get()) rc->ShareLists(base);
    FRenderingContext = std::move(rc);
    FDevice = deviceHandle;
    FMemoryContext = memoryContext;
    FPresentedFrame.clear();
    FStateCache = std::make_unique<TGLStateCache>();
    FStateCache->Enable(TGLState::stDither);   // OpenGL starts with dithering on
    TActivation active(FRenderingContext.get());
    if (!GL.VERSION_1_1) throw EOpenGLError("Need at least OpenGL version 1.1");
    glViewport(0, 0, FViewPort.Width, FViewPort.Height);
    SetupRenderingContext();
    const TVector background = ColorToVector(FBackgroundColor, FBackgroundAlpha);
    glClearColor(background[0], background[1], background[2], background[3]);
  } catch (...) {
    FRendering = false;
    throw;
  }
  FRendering = false;
}

void TScene3DBuffer::DestroyRC() {
  if (!FRenderingContext) return;
  Melt();
  if (FCamera && FCamera->Scene()) FCamera->Scene()->RemoveBuffer(this);
  std::unique_ptr<TGLContext> rc = std::move(FRenderingContext);
  FPresentedFrame.clear();
  // A context whose window's ancestor went has destroyed itself already.
  if (rc->IsValid()) rc->DestroyContext();
}

void TScene3DBuffer::ShareWithScene(TScene3D* Scene) {
  TGLContext* base = Scene->BaseContext();
  TGLContext* own = FRenderingContext.get();
  if (!base || base == own) return;
  const auto& shared = own->SharedContexts();
  if (std::find(shared.begin(), shared.end(), base) != shared.end()) return;
  if (!own->EverActivated() || !base->EverActivated()) return;   // the scene can still share them
  CreateRC(FDevice, FMemoryContext);
}

void TScene3DBuffer::Resize(int newWidth, int newHeight) {
  FViewPort.Width = std::max(newWidth, 1);
  FViewPort.Height = std::max(newHeight, 1);
  if (!FRenderingContext) return;
  TActivation active(FRenderingContext.get());
  glViewport(0, 0, FViewPort.Width, FViewPort.Height);
}

void TScene3DBuffer::SetViewPort(int X, int Y, int W, int H) {
  FViewPort = {X, Y, W, H};
  NotifyChange(this);
}

void TScene3DBuffer::SetupRenderingContext() {
  glLightModelfv(GL_LIGHT_MODEL_AMBIENT, FAmbientColor->AsAddress());
  glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, FContextOptions.Contains(TContextOption::roTwoSideLighting) ? 1 : 0);
  TGLStateCache& cache = *FStateCache;
  auto set = [&cache](TGLState State, bool On) {
    if (On) cache.Enable(State);
    else cache.Disable(State);
  };
  set(TGLState::stNormalize, true);
  set(TGLState::stDepthTest, FDepthTest);
  set(TGLState::stCullFace, FFaceCulling);
  set(TGLState::stLighting, FLighting);
  set(TGLState::stFog, FFogEnable);
  GLint blueBits = 0;
  glGetIntegerv(GL_BLUE_BITS, &blueBits);
  set(TGLState::stDither, blueBits < 8);
  glDepthFunc(GL_LESS);
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  switch (FShadeModel) {
    case TGLShadeModel::smDefault:
    case TGLShadeModel::smSmooth: glShadeModel(GL_SMOOTH); break;
    case TGLShadeModel::smFlat: glShadeModel(GL_FLAT); break;
    default: Assert(false, "", UnitName, 6433);
  }
}

// ---- Frames ---------------------------------------------------------------------------------

void TScene3DBuffer::ClearBuffers() {
  GLbitfield bits = GL_DEPTH_BUFFER_BIT;
  if (!FContextOptions.Contains(TContextOption::roNoColorBuffer) &&
      !FContextOptions.Contains(TContextOption::roNoColorBufferClear))
    bits |= GL_COLOR_BUFFER_BIT;
  if (FContextOptions.Contains(TContextOption::roStencilBuffer)) bits |= GL_STENCIL_BUFFER_BIT;
  glClear(bits);
}

void TScene3DBuffer::ResetPerformanceMonitor() {
  FFrameCount = 0;
  FFramesPerSecond = 0.0f;
  FFirstPerfCounter = 0;
}

void TScene3DBuffer::Melt() {
  FFreezeBuffer.clear();
  FFreezedViewPortWidth = FFreezedViewPortHeight = 0;
  FFrozen = false;
}

void TScene3DBuffer::PushModelViewMatrix(const TMatrix& newMatrix) {
  FModelViewMatrixStack.push_back(FModelViewMatrix);
  FModelViewMatrix = newMatrix;
}

void TScene3DBuffer::PopModelViewMatrix() {
  Assert(!FModelViewMatrixStack.empty(), "Unbalanced PopModelViewMatrix", UnitName, 8902);
  FModelViewMatrix = FModelViewMatrixStack.back();
  FModelViewMatrixStack.pop_back();
}

void TScene3DBuffer::DoBaseRender(const TRectangle& viewport, TDrawState drawState, TGLBaseSceneObject* baseObject,
                                  const TRect* pickRect) {
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  if (pickRect) {
    GLint vp[4] = {viewport.Left, viewport.Top, viewport.Width, viewport.Height};
    gluPickMatrix((pickRect->left + pickRect->right) / 2, FViewPort.Height - (pickRect->top + pickRect->bottom) / 2,
                  std::abs(pickRect->right - pickRect->left), std::abs(pickRect->bottom - pickRect->top), vp);
  }
  glGetFloatv(GL_PROJECTION_MATRIX, FBaseProjectionMatrix[0].data());
  if (FCamera) {
    FCamera->ApplyPerspective(viewport, FViewPort.Width, FViewPort.Height, FRenderDPI);
    glGetFloatv(GL_PROJECTION_MATRIX, FProjectionMatrix[0].data());
  }
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
  if (FCamera) {
    if (FCamera->Scene()) FCamera->Scene()->CurrentGLCamera = FCamera;
    FCamera->Apply();
    FCameraAbsolutePosition = FCamera->AbsolutePosition();
  }
  glGetFloatv(GL_MODELVIEW_MATRIX, FModelViewMatrix[0].data());
  xglMapTexCoordToNull();
  xglMapTexCoordToMain();
  if (ViewerBeforeRender) ViewerBeforeRender(this);
  if (BeforeRender && !DesigningOwner()) BeforeRender(this);
  if (FCamera && FCamera->Scene()) {
    GLint maxLights = 0;
    glGetIntegerv(GL_MAX_LIGHTS, &maxLights);
    FCamera->Scene()->SetupLights(maxLights);
    if (FFogEnable) {
      FStateCache->Enable(TGLState::stFog);
      FFogEnvironment->ApplyFog();
    } else {
      FStateCache->Disable(TGLState::stFog);
    }
    FCamera->Scene()->RenderScene(this, FViewPort.Width, FViewPort.Height, drawState, baseObject);
  }
  if (PostRender && !DesigningOwner()) PostRender(this);
  Assert(FModelViewMatrixStack.empty(), "Unbalance Push/PopModelViewMatrix.", UnitName, 6727);
}

void TScene3DBuffer::Render(TGLBaseSceneObject* baseObject) {
  if (FRendering || !FRenderingContext || !FRenderingContext->IsValid()) return;
  const TVector background = ColorToVector(FBackgroundColor, FBackgroundAlpha);
  if (FFrozen && !FFreezeBuffer.empty()) {
    TActivation active(FRenderingContext.get());
    glClearColor(background[0], background[1], background[2], background[3]);
    ClearBuffers();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRasterPos2f(-1.0f, -1.0f);
    glDrawPixels(FFreezedViewPortWidth, FFreezedViewPortHeight, GL_RGBA, GL_UNSIGNED_BYTE, FFreezeBuffer.data());
    if (!FContextOptions.Contains(TContextOption::roNoSwapBuffers)) FRenderingContext->SwapBuffers();
    return;
  }
  int64_t t0 = 0, t1 = 0;
  QueryPerformanceCounter(t0);
  if (FCamera && FCamera->Scene()) {
    FCamera->AbsoluteMatrix();
    ShareWithScene(FCamera->Scene());
    FCamera->Scene()->AddBuffer(this);
  }
  FRendering = true;
  try {
    {
      TActivation active(FRenderingContext.get());
      if (FFrameCount == 0) QueryPerformanceCounter(FFirstPerfCounter);
      FRenderDPI = 96;
      ClearGLError();
      SetupRenderingContext();
      glClearColor(background[0], background[1], background[2], background[3]);
      ClearBuffers();
      CheckOpenGLError();
      FDrawing = true;
      DoBaseRender(FViewPort, TDrawState::dsRendering, baseObject, nullptr);
      CheckOpenGLError();
      if (!FContextOptions.Contains(TContextOption::roNoSwapBuffers)) {
        KeepPresentedFrame();
        FRenderingContext->SwapBuffers();
      }
      ++FFrameCount;
      QueryPerformanceCounter(t1);
      const int64_t frequency = Scene3DCounterFrequency();
      if (frequency > 0) {
        FLastRenderTime = static_cast<float>(static_cast<double>(t1 - t0) / static_cast<double>(frequency));
        if (t1 > FFirstPerfCounter)
          FFramesPerSecond = static_cast<float>(static_cast<double>(FFrameCount) * static_cast<double>(frequency) /
                                                static_cast<double>(t1 - FFirstPerfCounter));
      }
      CheckOpenGLError();
    }
    FDrawing = false;
    if (AfterRender && !DesigningOwner()) AfterRender(this);
  } catch (...) {
    FDrawing = false;
    FModelViewMatrixStack.clear();
    FRendering = false;
    throw;
  }
  FRendering = false;
}

// ---- Read-backs ------------------------------------------------------------------------------

TVector TScene3DBuffer::WorldToScreen(const TVector& aPoint) const {
  if (!FCamera) return aPoint;
  GLdouble modelView[16], projection[16];
  for (int i = 0; i < 16; ++i) {
    modelView[i] = FModelViewMatrix[static_cast<size_t>(i / 4)][static_cast<size_t>(i % 4)];
    projection[i] = FProjectionMatrix[static_cast<size_t>(i / 4)][static_cast<size_t>(i % 4)];
  }
  const GLint viewport[4] = {FViewPort.Left, FViewPort.Top, FViewPort.Width, FViewPort.Height};
  GLdouble x = 0, y = 0, z = 0;
  gluProject(aPoint[0], aPoint[1], aPoint[2], modelView, projection, viewport, &x, &y, &z);
  return {static_cast<float>(x), static_cast<float>(y), static_cast<float>(z), aPoint[3]};
}

TAffineVector TScene3DBuffer::WorldToScreen(const TAffineVector& aPoint) const {
  const TVector v = WorldToScreen(TVector{aPoint[0], aPoint[1], aPoint[2], 1.0f});
  return {v[0], v[1], v[2]};
}

// A double-buffered window's back buffer is undefined once swapped, and its
// front buffer cannot always be read (OpenGL in a child window under Wine):
// the frame is kept as it goes on screen, and read-backs outside a frame
// come from that copy.
void TScene3DBuffer::KeepPresentedFrame() {
  if (FMemoryContext || !FRenderingContext->Options().Contains(TGLRCOption::rcoDoubleBuffered)) return;
  FPresentedWidth = FViewPort.Width;
  FPresentedHeight = FViewPort.Height;
  FPresentedFrame.resize(static_cast<size_t>(FPresentedWidth) * static_cast<size_t>(FPresentedHeight) * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, FPresentedWidth, FPresentedHeight, GL_RGBA, GL_UNSIGNED_BYTE, FPresentedFrame.data());
}

bool TScene3DBuffer::PresentedFrameShown() const {
  return !FDrawing && !FPresentedFrame.empty() && FPresentedWidth == FViewPort.Width &&
         FPresentedHeight == FViewPort.Height;
}

TColor TScene3DBuffer::GetPixelColor(int x, int y) {
  if (!FCamera || !FRenderingContext) return 0;
  const int row = FViewPort.Height - 1 - y;
  if (PresentedFrameShown()) {
    if (x < 0 || row < 0 || x >= FPresentedWidth || row >= FPresentedHeight) return 0;
    const uint8_t* p = &FPresentedFrame[(static_cast<size_t>(row) * static_cast<size_t>(FPresentedWidth) + x) * 4];
    return RGBColor(p[0], p[1], p[2]);
  }
  TActivation active(FRenderingContext.get());
  uint8_t pixel[4] = {0, 0, 0, 0};
  glReadPixels(x, row, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, pixel);
  return RGBColor(pixel[0], pixel[1], pixel[2]);
}

std::unique_ptr<TGLBitmap32> TScene3DBuffer::CreateSnapShot() {
  auto bitmap = std::make_unique<TGLBitmap32>();
  // The image holds the columns its width can take: the viewport's width
  // rounded down to a multiple of 4, every one of them read (blank without
  // a scene to draw).
  bitmap->SetWidth(FViewPort.Width & ~3);
  bitmap->SetHeight(FViewPort.Height);
  if (!FCamera || !FCamera->Scene() || !FRenderingContext) return bitmap;
  if (PresentedFrameShown()) {   // kept at the viewport's size
    for (int row = 0; row < bitmap->Height(); ++row)
      std::memcpy(bitmap->ScanLine(row), &FPresentedFrame[static_cast<size_t>(row) * FPresentedWidth * 4],
                  static_cast<size_t>(bitmap->Width()) * 4);
  } else {
    TActivation active(FRenderingContext.get());
    bitmap->ReadPixels(Rect(0, 0, FViewPort.Width, FViewPort.Height));
  }
  return bitmap;
}

std::unique_ptr<TBitmap> TScene3DBuffer::CreateSnapShotBitmap() { return CreateSnapShot()->Create32BitBitmap(); }

void TScene3DBuffer::CopyToTexture(TGLTexture* aTexture, int xSrc, int ySrc, int AWidth, int AHeight, int xDest,
                                   int yDest, GLenum target, bool forceFullReCopy) {
  if (!FRenderingContext || !aTexture) return;
  TActivation active(FRenderingContext.get());
  GLenum bindTarget = target;
  if (target == 0) bindTarget = aTexture->Image()->NativeTextureTarget();
  else if (target >= GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB && target <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z_ARB)
    bindTarget = GL_TEXTURE_CUBE_MAP_ARB;
  const GLenum imageTarget = target == 0 ? bindTarget : target;
  TGLTextureHandle* handle = aTexture->Handle();
  bool created = false;
  if (handle->Handle() == 0) {
    handle->AllocateHandle();
    created = true;
  }
  FStateCache->SetGLCurrentTexture(0, bindTarget, handle->Handle());
  if (created || forceFullReCopy) {
    std::vector<uint8_t> pixels(static_cast<size_t>(std::max(AWidth, 0)) * static_cast<size_t>(std::max(AHeight, 0)) * 4);
    glReadPixels(0, 0, AWidth, AHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    const TGLMinFilter filter = aTexture->MinFilter();
    const bool mipmaps = filter != TGLMinFilter::miNearest && filter != TGLMinFilter::miLinear;
    if (!mipmaps) {
      glTexImage2D(imageTarget, 0, GL_RGBA8, AWidth, AHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    } else if (GL.SGIS_generate_mipmap && imageTarget == GL_TEXTURE_2D) {
      glTexParameteri(imageTarget, GL_GENERATE_MIPMAP_SGIS, GL_TRUE);
      glTexImage2D(imageTarget, 0, GL_RGBA8, AWidth, AHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    } else {
      gluBuild2DMipmaps(imageTarget, GL_RGBA8, AWidth, AHeight, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    }
  } else {
    glCopyTexSubImage2D(imageTarget, 0, xDest, yDest, xSrc, ySrc, AWidth, AHeight);
    ClearGLError();
  }
}
