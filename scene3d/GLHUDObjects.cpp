#include "scene3d/GLHUDObjects.h"

#include "classlib/UnitInit.h"
#include "scene3d/Base/XOpenGL.h"
#include "scene3d/GLState.h"

namespace {
TUnitCounter InitCounter;

// Pixels of the render DPI against the 96 the sizes are given in.
float DPIFactor(const TRenderContextInfo& rci) {
  return rci.renderDPI == 96 || rci.renderDPI <= 0 ? 1.0f : static_cast<float>(rci.renderDPI) / 96.0f;
}

// From here to the end of the scope, the model-view matrix maps pixels
// (y up, origin at Position) onto the viewport and the projection is the
// identity. The start is the buffer's base projection, not the camera's
// view: the identity, or the pick matrix while picking, so that the object
// keeps its place on screen whatever the camera does.
class THUDTransform {
public:
  THUDTransform(const TRenderContextInfo& rci, const TGLBaseSceneObject& Object, float Rotation) {
    const float w = static_cast<float>(rci.viewPortSize[0]), h = static_cast<float>(rci.viewPortSize[1]);
    const float f = DPIFactor(rci);
    const TGLCoordinates& p = *Object.Position();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixf(rci.buffer ? rci.buffer->BaseProjectionMatrix()[0].data() : IdentityHmgMatrix[0].data());
    glScalef(2.0f / w, 2.0f / h, 1.0f);
    glTranslatef(f * p.X() - w * 0.5f, h * 0.5f - f * p.Y(), p.Z());
    if (Rotation != 0.0f) glRotatef(Rotation, 0, 0, 1);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
  }
  ~THUDTransform() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
  }
  THUDTransform(const THUDTransform&) = delete;
  THUDTransform& operator=(const THUDTransform&) = delete;
};
}  // namespace

IMPLEMENT_CLASSINFO(TGLHUDSprite, TGLSprite)
IMPLEMENT_CLASSINFO(TGLHUDText, TGLBitmapTextObject)

// ---- HUD sprite ----------------------------------------------------------------------------------

TGLHUDSprite::TGLHUDSprite(TComponent* AOwner) : TGLSprite(AOwner) {
  ObjectStyle.Include(TGLObjectStyle::osDirectDraw).Include(TGLObjectStyle::osNoVisibilityCulling);
  SetWidth(16);
  SetHeight(16);
}

void TGLHUDSprite::SetXTiles(int Value) {
  if (Value == FXTiles) return;
  FXTiles = Value;
  StructureChanged();
}

void TGLHUDSprite::SetYTiles(int Value) {
  if (Value == FYTiles) return;
  FYTiles = Value;
  StructureChanged();
}

void TGLHUDSprite::DefineProperties(TFiler* Filer) {
  TGLSprite::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefineInteger("XTiles", FXTiles, [this](int32_t v) { SetXTiles(v); }, FXTiles != 1);
  f->DefineInteger("YTiles", FYTiles, [this](int32_t v) { SetYTiles(v); }, FYTiles != 1);
}

void TGLHUDSprite::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (rci.ignoreMaterials) return;
  if (renderSelf) {
    if (Scene()) Scene()->CurrentRenderedObject = this;
    const float f = DPIFactor(rci);
    Material()->Apply(rci);
    do {
      if (AlphaChannel() != 1.0f) {
        if (rci.lightingDisabledCounter == 0) {
          rci.stateCache->SetGLMaterialAlphaChannel(GL_FRONT, AlphaChannel());
        } else {
          const TVector& d = Material()->FrontProperties()->Diffuse()->Color();
          glColor4f(d[0], d[1], d[2], AlphaChannel());
        }
      }
      THUDTransform hud(rci, *this, Rotation());
      TGLPushedAttrib enableBits(rci.stateCache, GL_ENABLE_BIT);
      rci.stateCache->Disable(TGLState::stDepthTest);
      glDepthMask(GL_FALSE);
      const float x0 = -Width() * 0.5f * f, x1 = x0 + Width() * f;
      const float y0 = Height() * 0.5f * f, y1 = y0 - Height() * f;
      const float u = static_cast<float>(FXTiles), v = static_cast<float>(FYTiles);
      glBegin(GL_QUADS);
      glNormal3f(0, 1, 0);
      xglTexCoord2f(0, 0), glVertex2f(x0, y1);
      xglTexCoord2f(u, 0), glVertex2f(x1, y1);
      xglTexCoord2f(u, v), glVertex2f(x1, y0);
      xglTexCoord2f(0, v), glVertex2f(x0, y0);
      glEnd();
      glDepthMask(GL_TRUE);
    } while (Material()->UnApply(rci));
  }
  if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

// ---- HUD text ------------------------------------------------------------------------------------

void TGLHUDText::SetRotation(float Value) {
  if (Value == FRotation) return;
  FRotation = Value;
  StructureChanged();
}

void TGLHUDText::DefineProperties(TFiler* Filer) {
  TGLBitmapTextObject::DefineProperties(Filer);
  if (auto* f = dynamic_cast<TGLObjectFiler*>(Filer))
    f->DefineSingle("Rotation", FRotation, [this](float v) { SetRotation(v); }, FRotation != 0.0f);
}

void TGLHUDText::DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) {
  if (renderSelf && HasText()) {
    rci.stateCache->SetGLPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    THUDTransform hud(rci, *this, FRotation);
    const float f = DPIFactor(rci);
    glScalef(Scale()->X() * f, Scale()->Y() * f, 1.0f);
    TGLPushedAttrib enableBits(rci.stateCache, GL_ENABLE_BIT);
    rci.stateCache->Disable(TGLState::stDepthTest);
    RenderText(rci);
  }
  if (renderChildren) RenderChildren(0, Count() - 1, rci);
}

// ---- Start-up ---------------------------------------------------------------------------------------

void GLHUDObjects_Initialize() {
  if (!InitCounter.Enter()) return;
  GLObjects_Initialize();
  GLBitmapFont_Initialize();
  RegisterClass(TGLHUDSprite::StaticClass(), [] { return std::unique_ptr<TObject>(new TGLHUDSprite(nullptr)); });
  RegisterClass(TGLHUDText::StaticClass(), [] { return std::unique_ptr<TObject>(new TGLHUDText(nullptr)); });
}

void GLHUDObjects_Finalize() {
  if (!InitCounter.Leave()) return;
  UnRegisterClass(TGLHUDText::StaticClass());
  UnRegisterClass(TGLHUDSprite::StaticClass());
  GLBitmapFont_Finalize();
  GLObjects_Finalize();
}
