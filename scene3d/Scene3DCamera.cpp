// Cameras (view and projection) and light sources.
#include <cmath>

#include "scene3d/Scene3D.h"

namespace {
const char* const UnitName = "scene3d\\Scene3D";
const char* const CameraStyleNames[] = {"csPerspective", "csOrthogonal", "csOrtho2D", "csCustom",
                                        "csInfinitePerspective"};
const char* const LightStyleNames[] = {"lsSpot", "lsOmni", "lsParallel"};

void DefineFloat(TGLObjectFiler* f, const std::string& Name, float Value, std::function<void(float)> Set,
                 bool HasData) {
  f->DefineValue(
      Name, [Set](TVirtualReader& R) { Set(static_cast<float>(R.ReadFloat())); },
      [Value](TVirtualWriter& W) { W.WriteFloat(Value); }, HasData);
}
}  // namespace

IMPLEMENT_CLASSINFO(TGLCamera, TGLBaseSceneObject)
IMPLEMENT_CLASSINFO(TGLLightSource, TGLBaseSceneObject)

// ---- TGLCamera ------------------------------------------------------------------------------

TGLCamera::TGLCamera(TComponent* AOwner) : TGLBaseSceneObject(AOwner) {
  Direction()->Initialize({0.0f, 0.0f, -1.0f, 0.0f});
}

TGLCamera::~TGLCamera() {
  SetTargetObject(nullptr);
  while (!FBuffers.empty()) FBuffers.back()->SetCamera(nullptr);
}

void TGLCamera::DefineProperties(TFiler* Filer) {
  TGLBaseSceneObject::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefinePersistent("Position", Position());
  f->DefinePersistent("Direction", Direction());
  f->DefinePersistent("Up", Up());
  DefineFloat(f, "FocalLength", FFocalLength, [this](float v) { SetFocalLength(v); }, FFocalLength != 50.0f);
  DefineFloat(f, "DepthOfView", FDepthOfView, [this](float v) { SetDepthOfView(v); }, FDepthOfView != 100.0f);
  DefineFloat(f, "NearPlaneBias", FNearPlaneBias, [this](float v) { SetNearPlaneBias(v); }, FNearPlaneBias != 1.0f);
  DefineFloat(f, "SceneScale", FSceneScale, [this](float v) { SetSceneScale(v); }, FSceneScale != 1.0f);
  f->DefineValue(
      "CameraStyle",
      [this](TVirtualReader& R) { SetCameraStyle(EnumFromName<TGLCameraStyle>(CameraStyleNames, R.ReadString())); },
      [this](TVirtualWriter& W) { W.WriteString(CameraStyleNames[static_cast<size_t>(FCameraStyle)]); },
      FCameraStyle != TGLCameraStyle::csPerspective);
  f->DefineReference(
      "TargetObject", [this](TComponent* C) { SetTargetObject(dynamic_cast<TGLBaseSceneObject*>(C)); },
      FTargetObject);
}

bool TGLCamera::RayCastIntersect(const TVector&, const TVector&, TVector*, TVector*) { return false; }

void TGLCamera::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  (void)renderSelf;
  if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

void TGLCamera::Notification(TComponent* AComponent, TOperation Operation) {
  if (Operation == TOperation::opRemove && AComponent == FTargetObject) FTargetObject = nullptr;
  TGLBaseSceneObject::Notification(AComponent, Operation);
}

void TGLCamera::SetFocalLength(float Value) {
  if (Value <= 0.0f) Value = 1.0f;
  if (Value == FFocalLength) return;
  FFocalLength = Value;
  if (!IsLoading()) TransformationChanged();
}

void TGLCamera::SetDepthOfView(float Value) {
  if (Value == FDepthOfView) return;
  FDepthOfView = Value;
  if (!IsLoading()) TransformationChanged();
}

void TGLCamera::SetNearPlaneBias(float Value) {
  if (Value <= 0.0f) Value = 1.0f;
  if (Value == FNearPlaneBias) return;
  FNearPlaneBias = Value;
  NotifyChange(this);
}

void TGLCamera::SetSceneScale(float Value) {
  if (Value == 0.0f) Value = 1.0f;
  if (Value == FSceneScale) return;
  FSceneScale = Value;
  NotifyChange(this);
}

void TGLCamera::SetCameraStyle(TGLCameraStyle Value) {
  if (Value == FCameraStyle) return;
  FCameraStyle = Value;
  NotifyChange(this);
}

void TGLCamera::SetTargetObject(TGLBaseSceneObject* Value) {
  if (Value == FTargetObject) return;
  if (FTargetObject) FTargetObject->RemoveFreeNotification(this);
  FTargetObject = Value;
  if (FTargetObject) FTargetObject->FreeNotification(this);
  if (!IsLoading()) TransformationChanged();
}

void TGLCamera::MoveAroundTarget(float pitchDelta, float turnDelta) {
  if (FTargetObject) MoveObjectAround(FTargetObject, pitchDelta, turnDelta);
}

float TGLCamera::GetFieldOfView(float viewportDimension) const {
  if (FFocalLength == 0.0f) return 0.0f;
  return RadToDeg(2.0f * std::atan((viewportDimension * 0.5f) / FFocalLength));
}

void TGLCamera::SetFieldOfView(float fieldOfView, float viewportDimension) {
  SetFocalLength(viewportDimension / (2.0f * std::tan(DegToRad(fieldOfView / 2.0f))));
}

void TGLCamera::Apply() {
  if (DeferredApply) {
    DeferredApply(this);
    return;
  }
  const TVector eye = AbsolutePosition();
  if (!FTargetObject) {
    const TMatrix& parent = Parent() ? Parent()->AbsoluteMatrix() : IdentityHmgMatrix;
    const TVector direction = VectorTransform(Direction()->AsVector(), parent);
    const TVector up = VectorTransform(Up()->AsVector(), parent);
    FLastDirection = direction;
    gluLookAt(eye[0], eye[1], eye[2], eye[0] + direction[0], eye[1] + direction[1], eye[2] + direction[2], up[0],
              up[1], up[2]);
  } else {
    const TVector centre = FTargetObject->AbsolutePosition();
    FLastDirection = VectorNormalize(VectorSubtract(centre, eye));
    FLastDirection[3] = 0.0f;
    const TVector& up = Up()->AsVector();
    gluLookAt(eye[0], eye[1], eye[2], centre[0], centre[1], centre[2], up[0], up[1], up[2]);
  }
  ClearStructureChanged();
}

void TGLCamera::ApplyPerspective(const TRectangle& viewport, int width, int height, int DPI) {
  if (width <= 0 || height <= 0) return;
  const float w = static_cast<float>(width), h = static_cast<float>(height);
  switch (FCameraStyle) {
    case TGLCameraStyle::csOrtho2D:
      gluOrtho2D(0, width, 0, height);
      FNearPlane = -1.0f;
      FViewPortRadius = std::sqrt(h * h + w * w) / 2.0f;
      return;
    case TGLCameraStyle::csCustom:
      FViewPortRadius = std::sqrt(h * h + w * w) / 2.0f;
      if (OnCustomPerspective) OnCustomPerspective(viewport, width, height, DPI, FViewPortRadius);
      return;
    case TGLCameraStyle::csPerspective:
    case TGLCameraStyle::csOrthogonal:
    case TGLCameraStyle::csInfinitePerspective:
      break;
    default:
      Assert(false, "", UnitName, 1735);
      return;
  }
  const float maxDim = std::max(w, h);
  float fx, fy;
  if (FCameraStyle == TGLCameraStyle::csOrthogonal) {
    fx = FNearPlaneBias * 100.0f / (w * FFocalLength * FSceneScale);
    fy = FNearPlaneBias * 100.0f / (h * FFocalLength * FSceneScale);
  } else {
    fx = FNearPlaneBias / (w * FSceneScale);
    fy = FNearPlaneBias / (h * FSceneScale);
  }
  const float vl = static_cast<float>(viewport.Left), vt = static_cast<float>(viewport.Top);
  const float vw = static_cast<float>(viewport.Width), vh = static_cast<float>(viewport.Height);
  const float right = w * (2.0f * vw + 2.0f * vl - w) * fx / (2.0f * maxDim);
  const float left = -w * (w - 2.0f * vl) * fx / (2.0f * maxDim);
  const float top = h * (2.0f * vh + 2.0f * vt - h) * fy / (2.0f * maxDim);
  const float bottom = -h * (h - 2.0f * vt) * fy / (2.0f * maxDim);
  FNearPlane = (static_cast<float>(DPI) * FFocalLength * 2.0f) / (25.4f * maxDim) * FNearPlaneBias;
  const float farPlane = FNearPlane + FDepthOfView;
  switch (FCameraStyle) {
    case TGLCameraStyle::csPerspective:
      glFrustum(left, right, bottom, top, FNearPlane, farPlane);
      break;
    case TGLCameraStyle::csOrthogonal:
      glOrtho(left, right, bottom, top, FNearPlane, farPlane);
      break;
    default: {
      const float eps = 0.0001f;
      TMatrix m = IdentityHmgMatrix;
      m[0][0] = 2.0f * FNearPlane / (right - left);
      m[1][1] = 2.0f * FNearPlane / (top - bottom);
      m[2][0] = (right + left) / (right - left);
      m[2][1] = (top + bottom) / (top - bottom);
      m[2][2] = eps - 1.0f;
      m[2][3] = -1.0f;
      m[3][2] = (eps - 2.0f) * FNearPlane;
      m[3][3] = 0.0f;
      glMultMatrixf(m[0].data());
    }
  }
  FViewPortRadius = std::sqrt(top * top + right * right) / FNearPlane;
}

// ---- TGLLightSource -----------------------------------------------------------------------------

TGLLightSource::TGLLightSource(TComponent* AOwner)
    : TGLBaseSceneObject(AOwner),
      FSpotDirection(std::make_unique<TGLCoordinates>(this, TVector{0.0f, 0.0f, -1.0f, 0.0f},
                                                      TGLCoordinatesStyle::csVector)),
      FAmbient(std::make_unique<TGLColor>(this, TVector{0.0f, 0.0f, 0.0f, 1.0f})),
      FDiffuse(std::make_unique<TGLColor>(this, TVector{1.0f, 1.0f, 1.0f, 1.0f})),
      FSpecular(std::make_unique<TGLColor>(this, TVector{0.0f, 0.0f, 0.0f, 1.0f})) {}

TGLLightSource::~TGLLightSource() {
  // The base destructor no longer sees a light: leave the slot now.
  if (Scene()) Scene()->RemoveLight(this);
}

void TGLLightSource::DefineProperties(TFiler* Filer) {
  TGLBaseSceneObject::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefinePersistent("Position", Position());
  f->DefinePersistent("SpotDirection", FSpotDirection.get());
  DefineFloat(f, "SpotExponent", FSpotExponent, [this](float v) { SetSpotExponent(v); }, FSpotExponent != 0.0f);
  DefineFloat(f, "SpotCutOff", FSpotCutOff, [this](float v) { SetSpotCutOff(v); }, FSpotCutOff != 180.0f);
  DefineFloat(f, "ConstAttenuation", FConstAttenuation, [this](float v) { SetConstAttenuation(v); },
              FConstAttenuation != 1.0f);
  DefineFloat(f, "LinearAttenuation", FLinearAttenuation, [this](float v) { SetLinearAttenuation(v); },
              FLinearAttenuation != 0.0f);
  DefineFloat(f, "QuadraticAttenuation", FQuadraticAttenuation, [this](float v) { SetQuadraticAttenuation(v); },
              FQuadraticAttenuation != 0.0f);
  f->DefineValue(
      "Shining", [this](TVirtualReader& R) { SetShining(R.ReadBoolean()); },
      [this](TVirtualWriter& W) { W.WriteBoolean(FShining); }, !FShining);
  f->DefinePersistent("Ambient", FAmbient.get());
  f->DefinePersistent("Diffuse", FDiffuse.get());
  f->DefinePersistent("Specular", FSpecular.get());
  f->DefineValue(
      "LightStyle",
      [this](TVirtualReader& R) { SetLightStyle(EnumFromName<TLightStyle>(LightStyleNames, R.ReadString())); },
      [this](TVirtualWriter& W) { W.WriteString(LightStyleNames[static_cast<size_t>(FLightStyle)]); },
      FLightStyle != TLightStyle::lsSpot);
}

void TGLLightSource::CoordinateChanged(TGLCoordinates* Sender) {
  TGLBaseSceneObject::CoordinateChanged(Sender);
  if (Sender == FSpotDirection.get()) TransformationChanged();
}

GLuint TGLLightSource::GetHandle(TRenderContextInfo&) { return 0; }

bool TGLLightSource::RayCastIntersect(const TVector&, const TVector&, TVector*, TVector*) { return false; }

std::unique_ptr<TGLSilhouette> TGLLightSource::GenerateSilhouette(const TGLSilhouetteParameters&) { return nullptr; }

void TGLLightSource::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  (void)renderSelf;
  if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

void TGLLightSource::SetSpotDirection(TGLCoordinates* Value) {
  TVector v = Value->AsVector();
  v[3] = 0.0f;
  FSpotDirection->SetDirectVector(v);
  NotifyChange(this);
}

void TGLLightSource::SetSpotExponent(float Value) {
  if (Value == FSpotExponent) return;
  FSpotExponent = Value;
  NotifyChange(this);
}

void TGLLightSource::SetSpotCutOff(float Value) {
  if (Value == FSpotCutOff) return;
  if ((Value >= 0.0f && Value <= 90.0f) || Value == 180.0f) {
    FSpotCutOff = Value;
    NotifyChange(this);
  }
}

void TGLLightSource::SetConstAttenuation(float Value) {
  if (Value == FConstAttenuation) return;
  FConstAttenuation = Value;
  NotifyChange(this);
}

void TGLLightSource::SetLinearAttenuation(float Value) {
  if (Value == FLinearAttenuation) return;
  FLinearAttenuation = Value;
  NotifyChange(this);
}

void TGLLightSource::SetQuadraticAttenuation(float Value) {
  if (Value == FQuadraticAttenuation) return;
  FQuadraticAttenuation = Value;
  NotifyChange(this);
}

void TGLLightSource::SetShining(bool Value) {
  if (Value == FShining) return;
  FShining = Value;
  NotifyChange(this);
}

void TGLLightSource::SetLightStyle(TLightStyle Value) {
  if (Value == FLightStyle) return;
  FLightStyle = Value;
  NotifyChange(this);
}

void TGLLightSource::SetAmbient(TGLColor* Value) {
  FAmbient->SetColor(Value->Color());
  NotifyChange(this);
}

void TGLLightSource::SetDiffuse(TGLColor* Value) {
  FDiffuse->SetColor(Value->Color());
  NotifyChange(this);
}

void TGLLightSource::SetSpecular(TGLColor* Value) {
  FSpecular->SetColor(Value->Color());
  NotifyChange(this);
}

void TGLLightSource::Setup() {
  const GLenum id = FLightID;
  if (!FShining) {
    glDisable(id);
    return;
  }
  glEnable(id);
  glPopMatrix();   // back to the camera's view
  glPushMatrix();
  LocalMatrix();   // rebuilt when stale
  if (FLightStyle == TLightStyle::lsParallel) {
    glMultMatrixf(AbsoluteMatrix()[0].data());
    glLightfv(id, GL_POSITION, FSpotDirection->AsVector().data());
  } else {
    if (Parent()) glMultMatrixf(Parent()->AbsoluteMatrix()[0].data());
    glLightfv(id, GL_POSITION, Position()->AsVector().data());
  }
  glLightfv(id, GL_AMBIENT, FAmbient->AsAddress());
  glLightfv(id, GL_DIFFUSE, FDiffuse->AsAddress());
  glLightfv(id, GL_SPECULAR, FSpecular->AsAddress());
  if (FLightStyle == TLightStyle::lsSpot) {
    if (FSpotCutOff != 180.0f) {
      glLightfv(id, GL_SPOT_DIRECTION, FSpotDirection->AsVector().data());
      glLightf(id, GL_SPOT_EXPONENT, FSpotExponent);
    }
    glLightf(id, GL_SPOT_CUTOFF, FSpotCutOff);
  } else {
    glLightf(id, GL_SPOT_CUTOFF, 180.0f);
  }
  glLightf(id, GL_CONSTANT_ATTENUATION, FConstAttenuation);
  glLightf(id, GL_LINEAR_ATTENUATION, FLinearAttenuation);
  glLightf(id, GL_QUADRATIC_ATTENUATION, FQuadraticAttenuation);
}
