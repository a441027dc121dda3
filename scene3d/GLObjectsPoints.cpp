// Point clouds and the distance attenuation of their size.
#include <algorithm>

#include "scene3d/GLObjects.h"

namespace {
const char* const UnitName = "scene3d\\GLObjects";
const char* const PointStyleNames[] = {"psSquare", "psRound", "psSmooth", "psSmoothAdditive", "psSquareAdditive"};
const float DefaultAttenuation[3] = {1, 0, 0};

bool PointParametersAvailable() { return GL.ARB_point_parameters && glPointParameterfARB && glPointParameterfvARB; }
}  // namespace

// ---- TGLPointParameters ---------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLPointParameters, TGLUpdateAbleObject)

TGLPointParameters::TGLPointParameters(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner),
      FDistanceAttenuation(std::make_unique<TGLCoordinates>(this, TVector{1, 0, 0, 0}, TGLCoordinatesStyle::csVector)) {}

TGLPointParameters::~TGLPointParameters() = default;

void TGLPointParameters::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TGLPointParameters*>(Source)) {
    FMinSize = src->FMinSize;
    FMaxSize = src->FMaxSize;
    FFadeTresholdSize = src->FFadeTresholdSize;
    FDistanceAttenuation->Assign(src->FDistanceAttenuation.get());
    NotifyChange(this);
    return;
  }
  TGLUpdateAbleObject::Assign(Source);
}

void TGLPointParameters::DefineProperties(TFiler* Filer) {
  TGLUpdateAbleObject::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefineBoolean("Enabled", FEnabled, [this](bool v) { SetEnabled(v); }, FEnabled);
  Filer->DefineBinaryProperty(
      "PointParams",
      [this](TStream& S) {
        float sizes[3];
        if (S.Size() - S.Position() != static_cast<int64_t>(sizeof sizes)) throw EReadError("Invalid property PointParams");
        S.ReadBuffer(sizes, sizeof sizes);
        FMinSize = sizes[0], FMaxSize = sizes[1], FFadeTresholdSize = sizes[2];
      },
      [this](TStream& S) {
        const float sizes[3] = {FMinSize, FMaxSize, FFadeTresholdSize};
        S.WriteBuffer(sizes, sizeof sizes);
      },
      FMinSize != 0.0f || FMaxSize != 128.0f || FFadeTresholdSize != 1.0f);
  f->DefinePersistent("DistanceAttenuation", FDistanceAttenuation.get());
}

void TGLPointParameters::Apply() {
  if (!FEnabled || !PointParametersAvailable()) return;
  glPointParameterfARB(GL_POINT_SIZE_MIN_ARB, FMinSize);
  glPointParameterfARB(GL_POINT_SIZE_MAX_ARB, FMaxSize);
  glPointParameterfARB(GL_POINT_FADE_THRESHOLD_SIZE_ARB, FFadeTresholdSize);
  glPointParameterfvARB(GL_POINT_DISTANCE_ATTENUATION_ARB, FDistanceAttenuation->AsAddress());
}

void TGLPointParameters::UnApply() {
  if (!FEnabled || !PointParametersAvailable()) return;
  glPointParameterfARB(GL_POINT_SIZE_MIN_ARB, 0.0f);
  glPointParameterfARB(GL_POINT_SIZE_MAX_ARB, 128.0f);
  glPointParameterfARB(GL_POINT_FADE_THRESHOLD_SIZE_ARB, 1.0f);
  glPointParameterfvARB(GL_POINT_DISTANCE_ATTENUATION_ARB, DefaultAttenuation);
}

void TGLPointParameters::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  FEnabled = Value;
  NotifyChange(this);
}

void TGLPointParameters::SetSize(float& Field, float Value) {
  if (Value < 0.0f) Value = 0.0f;
  if (Value == Field) return;
  Field = Value;
  NotifyChange(this);
}

void TGLPointParameters::SetMinSize(float Value) { SetSize(FMinSize, Value); }
void TGLPointParameters::SetMaxSize(float Value) { SetSize(FMaxSize, Value); }
void TGLPointParameters::SetFadeTresholdSize(float Value) { SetSize(FFadeTresholdSize, Value); }

// ---- TGLPoints ----------------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLPoints, TGLImmaterialSceneObject)

TGLPoints::TGLPoints(TComponent* AOwner)
    : TGLImmaterialSceneObject(AOwner),
      FPositions(std::make_unique<TAffineVectorList>()),
      FColors(std::make_unique<TVectorList>()),
      FPointParameters(std::make_unique<TGLPointParameters>(this)) {
  ObjectStyle.Include(TGLObjectStyle::osDirectDraw).Include(TGLObjectStyle::osNoVisibilityCulling);
}

TGLPoints::~TGLPoints() = default;

void TGLPoints::Assign(TPersistent* Source) {
  if (auto* src = dynamic_cast<TGLPoints*>(Source)) {
    FSize = src->FSize;
    FStyle = src->FStyle;
    FPositions->Assign(src->FPositions.get());
    FColors->Assign(src->FColors.get());
    StructureChanged();
  }
  TGLImmaterialSceneObject::Assign(Source);
}

void TGLPoints::DefineProperties(TFiler* Filer) {
  TGLImmaterialSceneObject::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  // The lists as their own binary data.
  auto defineList = [Filer, this](const char* Name, TBaseList* List) {
    Filer->DefineBinaryProperty(
        Name,
        [this, List](TStream& S) {
          std::string data(static_cast<size_t>(S.Size() - S.Position()), '\0');
          S.ReadBuffer(data.data(), static_cast<int64_t>(data.size()));
          List->LoadFromString(data);
          StructureChanged();
        },
        [List](TStream& S) {
          const std::string data = List->SaveToString();
          S.WriteBuffer(data.data(), static_cast<int64_t>(data.size()));
        },
        List->Count() > 0);
  };
  defineList("Positions", FPositions.get());
  defineList("Colors", FColors.get());
  f->DefineSingle("Size", FSize, [this](float v) { SetSize(v); }, FSize != 1.0f);
  f->DefineEnum<TGLPointStyle>("Style", PointStyleNames, FStyle, [this](TGLPointStyle v) { SetStyle(v); },
                               FStyle != TGLPointStyle::psSquare);
  f->DefinePersistent("PointParameters", FPointParameters.get());
  f->DefineBoolean("NoZWrite", FNoZWrite, [this](bool v) { SetNoZWrite(v); }, FNoZWrite);
  f->DefineBoolean("Static", FStatic, [this](bool v) { SetStatic(v); }, FStatic);
}

void TGLPoints::BuildList(TRenderContextInfo& rci) {
  static const TAffineVector origin{0, 0, 0};
  TGLStateCache* cache = rci.stateCache;
  int n = FPositions->Count();
  const int k = FColors->Count();
  if (k == 0) glColor4f(1, 1, 1, 1);
  else if (k == 1) glColor4fv(FColors->List()[0].data());
  else {
    n = std::min(n, k);
    glColorPointer(4, GL_FLOAT, 0, FColors->List());
    glEnableClientState(GL_COLOR_ARRAY);
  }
  {
    TGLPushedAttrib pushed(cache, GL_ENABLE_BIT);
    cache->Disable(TGLState::stLighting);
    if (n == 0) {
      glVertexPointer(3, GL_FLOAT, 0, origin.data());
      n = 1;
    } else {
      glVertexPointer(3, GL_FLOAT, 0, FPositions->List());
    }
    glEnableClientState(GL_VERTEX_ARRAY);
    if (FNoZWrite) glDepthMask(GL_FALSE);
    glPointSize(FSize);
    FPointParameters->Apply();
    const bool locked = GL.EXT_compiled_vertex_array && glLockArraysEXT && glUnlockArraysEXT && n > 64;
    if (locked) glLockArraysEXT(0, n);
    switch (FStyle) {
      case TGLPointStyle::psSquare:
        cache->Disable(TGLState::stBlend);
        break;
      case TGLPointStyle::psRound:
        cache->Enable(TGLState::stPointSmooth);
        cache->Enable(TGLState::stAlphaTest);
        glAlphaFunc(GL_GREATER, 0.5f);
        cache->Disable(TGLState::stBlend);
        break;
      case TGLPointStyle::psSmooth:
      case TGLPointStyle::psSmoothAdditive:
        cache->Enable(TGLState::stPointSmooth);
        cache->Enable(TGLState::stAlphaTest);
        glAlphaFunc(GL_NOTEQUAL, 0.0f);
        cache->Enable(TGLState::stBlend);
        glBlendFunc(GL_SRC_ALPHA, FStyle == TGLPointStyle::psSmooth ? GL_ONE_MINUS_SRC_ALPHA : GL_ONE);
        break;
      case TGLPointStyle::psSquareAdditive:
        cache->Enable(TGLState::stBlend);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        break;
      default:
        Assert(false, "", UnitName, 1720);
    }
    glDrawArrays(GL_POINTS, 0, n);
    if (locked) glUnlockArraysEXT();
    FPointParameters->UnApply();
    if (FNoZWrite) glDepthMask(GL_TRUE);
    glDisableClientState(GL_VERTEX_ARRAY);
    if (k > 1) glDisableClientState(GL_COLOR_ARRAY);
  }
  glAlphaFunc(GL_GREATER, 0.0f);
}

void TGLPoints::SetPositions(TAffineVectorList* Value) {
  FPositions->Assign(Value);
  StructureChanged();
}

void TGLPoints::SetSize(float Value) {
  if (Value == FSize) return;
  FSize = Value;
  StructureChanged();
}

void TGLPoints::SetStyle(TGLPointStyle Value) {
  if (Value == FStyle) return;
  FStyle = Value;
  StructureChanged();
}

void TGLPoints::SetNoZWrite(bool Value) {
  if (Value == FNoZWrite) return;
  FNoZWrite = Value;
  StructureChanged();
}

void TGLPoints::SetStatic(bool Value) {
  if (Value == FStatic) return;
  FStatic = Value;
  if (Value) ObjectStyle.Exclude(TGLObjectStyle::osDirectDraw);
  else ObjectStyle.Include(TGLObjectStyle::osDirectDraw);
  StructureChanged();
}
