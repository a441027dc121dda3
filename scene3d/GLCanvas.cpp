#include "scene3d/GLCanvas.h"

TGLCanvas::TGLCanvas(int Width, int Height, const TMatrix& ModelViewMatrix, TGLStateCache* StateCache)
    : FBufferSizeX(Width), FBufferSizeY(Height), FStateCache(StateCache) {
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  gluOrtho2D(0, Width, Height, 0);
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadMatrixf(ModelViewMatrix[0].data());
  SetupState();
}

TGLCanvas::TGLCanvas(int Width, int Height, TGLStateCache* StateCache)
    : TGLCanvas(Width, Height, IdentityHmgMatrix, StateCache) {}

TGLCanvas::~TGLCanvas() {
  SetupPrimitive(NoPrimitive);
  glColor4fv(FLastColor.data());
  glLineWidth(FLastLineWidth);
  glPointSize(FLastPointSize);
  if (FEnableBits) FEnableBits.reset();
  else glPopAttrib();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
}

void TGLCanvas::SetupState() {
  if (FStateCache) FEnableBits.emplace(FStateCache, GL_ENABLE_BIT);
  else glPushAttrib(GL_ENABLE_BIT);
  auto off = [this](TGLState State) {
    if (FStateCache) FStateCache->Disable(State);
    else glDisable(GLStateCapability(State));
  };
  for (TGLState s : {TGLState::stLighting, TGLState::stFog, TGLState::stCullFace, TGLState::stColorMaterial,
                     TGLState::stDepthTest, TGLState::stTexture1D, TGLState::stTexture2D})
    off(s);
  if (GL.EXT_texture3D) glDisable(GL_TEXTURE_3D);
  if (GL.ARB_texture_cube_map) off(TGLState::stTextureCubeMap);
  off(TGLState::stLineSmooth);
  off(TGLState::stPointSmooth);
  if (FStateCache) FStateCache->Enable(TGLState::stBlend);
  else glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glGetFloatv(GL_CURRENT_COLOR, FLastColor.data());
  glColor4fv(FCurrentPenColorVector.data());
  glGetFloatv(GL_LINE_WIDTH, &FLastLineWidth);
  glGetFloatv(GL_POINT_SIZE, &FLastPointSize);
  glLineWidth(1);
  glPointSize(1);
}

void TGLCanvas::SetupPrimitive(GLenum Primitive) {
  if (Primitive == FCurrentPrimitive) return;
  if (FCurrentPrimitive != NoPrimitive) glEnd();
  if (Primitive != NoPrimitive) glBegin(Primitive);
  FCurrentPrimitive = Primitive;
}
