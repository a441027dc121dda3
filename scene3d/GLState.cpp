#include "scene3d/GLState.h"

#include <cstring>

namespace {
const GLenum Capabilities[] = {GL_ALPHA_TEST,      GL_AUTO_NORMAL,    GL_BLEND,           GL_COLOR_MATERIAL,
                               GL_CULL_FACE,       GL_DEPTH_TEST,     GL_DITHER,          GL_FOG,
                               GL_LIGHTING,        GL_LINE_SMOOTH,    GL_LINE_STIPPLE,    GL_LOGIC_OP,
                               GL_NORMALIZE,       GL_POINT_SMOOTH,   GL_POLYGON_SMOOTH,  GL_POLYGON_STIPPLE,
                               GL_SCISSOR_TEST,    GL_STENCIL_TEST,   GL_TEXTURE_1D,      GL_TEXTURE_2D,
                               GL_TEXTURE_CUBE_MAP, GL_TEXTURE_RECTANGLE_NV};
static_assert(sizeof Capabilities / sizeof Capabilities[0] == 22);

bool SameRGB(const TVector& A, const TVector& B) { return std::memcmp(A.data(), B.data(), 3 * sizeof(float)) == 0; }
bool SameRGBA(const TVector& A, const TVector& B) { return std::memcmp(A.data(), B.data(), 4 * sizeof(float)) == 0; }
}  // namespace

GLenum GLStateCapability(TGLState State) { return Capabilities[static_cast<int>(State)]; }

TGLStateCalls& GLStateCalls() {
  static TGLStateCalls calls{glEnable,   glDisable,  glPolygonMode,  glMateriali,  glMaterialfv,
                             glBindTexture, glMatrixMode, glLoadMatrixf, glLoadIdentity, glFrontFace};
  return calls;
}

IMPLEMENT_CLASSINFO(TGLStateCache, TObject)

TGLStateCache::TGLStateCache() { FTextures.fill(-1); }

void TGLStateCache::Enable(TGLState State) {
  if (FStates.Contains(State)) return;
  FStates.Include(State);
  GLStateCalls().Enable(GLStateCapability(State));
}

void TGLStateCache::Disable(TGLState State) {
  if (!FStates.Contains(State)) return;
  FStates.Exclude(State);
  GLStateCalls().Disable(GLStateCapability(State));
}

void TGLStateCache::SetGLPolygonMode(GLenum Face, GLenum Mode) {
  switch (Face) {
    case GL_FRONT:
      if (FFrontPolygonMode != Mode) GLStateCalls().PolygonMode(Face, Mode);
      FFrontPolygonMode = Mode;
      break;
    case GL_BACK:
      if (FBackPolygonMode != Mode) GLStateCalls().PolygonMode(Face, Mode);
      FBackPolygonMode = Mode;
      break;
    case GL_FRONT_AND_BACK:
      if (FFrontPolygonMode != Mode || FBackPolygonMode != Mode) GLStateCalls().PolygonMode(Face, Mode);
      FFrontPolygonMode = FBackPolygonMode = Mode;
      break;
    default: break;
  }
}

void TGLStateCache::ResetGLPolygonMode() { FFrontPolygonMode = FBackPolygonMode = 0; }

void TGLStateCache::SetFaceColors(GLenum Face, const TVector& Emission, const TVector& Ambient,
                                  const TVector& Diffuse, const TVector& Specular, int Shininess) {
  // For both faces a value goes out when either cached face differs.
  TMaterial* faces[2] = {Face == GL_BACK ? &FBack : &FFront, Face == GL_FRONT_AND_BACK ? &FBack : nullptr};
  auto differs = [&](auto Same, TVector TMaterial::*Field, const TVector& V) {
    for (TMaterial* m : faces)
      if (m && !Same(m->*Field, V)) return true;
    return false;
  };
  auto store = [&](TVector TMaterial::*Field, const TVector& V) {
    for (TMaterial* m : faces)
      if (m) m->*Field = V;
  };
  bool shininess = false;
  for (TMaterial* m : faces) shininess |= m && m->Shininess != Shininess;
  if (shininess) {
    GLStateCalls().Materiali(Face, GL_SHININESS, Shininess);
    for (TMaterial* m : faces)
      if (m) m->Shininess = Shininess;
  }
  if (differs(SameRGB, &TMaterial::Emission, Emission)) {
    GLStateCalls().Materialfv(Face, GL_EMISSION, Emission.data());
    store(&TMaterial::Emission, Emission);
  }
  if (differs(SameRGB, &TMaterial::Ambient, Ambient)) {
    GLStateCalls().Materialfv(Face, GL_AMBIENT, Ambient.data());
    store(&TMaterial::Ambient, Ambient);
  }
  if (differs(SameRGBA, &TMaterial::Diffuse, Diffuse)) {
    GLStateCalls().Materialfv(Face, GL_DIFFUSE, Diffuse.data());
    store(&TMaterial::Diffuse, Diffuse);
  }
  if (differs(SameRGB, &TMaterial::Specular, Specular)) {
    GLStateCalls().Materialfv(Face, GL_SPECULAR, Specular.data());
    store(&TMaterial::Specular, Specular);
  }
}

void TGLStateCache::SetGLMaterialColors(GLenum Face, const TVector& Emission, const TVector& Ambient,
                                        const TVector& Diffuse, const TVector& Specular, int Shininess) {
  if (Face != GL_FRONT && Face != GL_BACK && Face != GL_FRONT_AND_BACK) return;
  SetFaceColors(Face, Emission, Ambient, Diffuse, Specular, Shininess);
}

void TGLStateCache::SetGLMaterialAlphaChannel(GLenum Face, float Alpha) {
  auto apply = [&](GLenum F, TMaterial& M) {
    if (std::memcmp(&M.Diffuse[3], &Alpha, sizeof Alpha) == 0) return;
    M.Diffuse[3] = Alpha;
    GLStateCalls().Materialfv(F, GL_DIFFUSE, M.Diffuse.data());
  };
  if (Face == GL_FRONT || Face == GL_FRONT_AND_BACK) apply(GL_FRONT, FFront);
  if (Face == GL_BACK || Face == GL_FRONT_AND_BACK) apply(GL_BACK, FBack);
}

void TGLStateCache::ResetGLMaterialColors() {
  static const TVector ambient{0.2f, 0.2f, 0.2f, 1.0f}, diffuse{0.8f, 0.8f, 0.8f, 1.0f},
      black{0.0f, 0.0f, 0.0f, 1.0f};
  GLStateCalls().Materialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambient.data());
  GLStateCalls().Materialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffuse.data());
  GLStateCalls().Materialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black.data());
  GLStateCalls().Materialfv(GL_FRONT_AND_BACK, GL_EMISSION, black.data());
  GLStateCalls().Materiali(GL_FRONT_AND_BACK, GL_SHININESS, 0);
  for (TMaterial* m : {&FFront, &FBack}) {   // no later value matches these bytes
    for (TVector* v : {&m->Emission, &m->Ambient, &m->Diffuse, &m->Specular}) std::memset(v->data(), 0x7F, 16);
    m->Shininess = 0;
  }
}

void TGLStateCache::SetGLCurrentTexture(int Unit, GLenum Target, GLuint Handle) {
  if (Unit < 0 || Unit >= static_cast<int>(FTextures.size())) return;
  if (FTextures[static_cast<size_t>(Unit)] == static_cast<int64_t>(Handle)) return;
  GLStateCalls().BindTexture(Target, Handle);
  FTextures[static_cast<size_t>(Unit)] = Handle;
}

void TGLStateCache::ResetGLCurrentTexture() { FTextures.fill(-1); }

void TGLStateCache::SetGLTextureMatrix(const TMatrix& Matrix) {
  FTextureMatrixIsIdentity = false;
  GLStateCalls().MatrixMode(GL_TEXTURE);
  GLStateCalls().LoadMatrixf(Matrix[0].data());
  GLStateCalls().MatrixMode(GL_MODELVIEW);
}

void TGLStateCache::ResetGLTextureMatrix() {
  if (FTextureMatrixIsIdentity) return;
  GLStateCalls().MatrixMode(GL_TEXTURE);
  GLStateCalls().LoadIdentity();
  GLStateCalls().MatrixMode(GL_MODELVIEW);
  FTextureMatrixIsIdentity = true;
}

void TGLStateCache::InvertGLFrontFace() {
  FFrontFaceCCW = !FFrontFaceCCW;
  GLStateCalls().FrontFace(FFrontFaceCCW ? GL_CCW : GL_CW);
}

void TGLStateCache::ResetGLFrontFace() {
  GLStateCalls().FrontFace(GL_CCW);
  FFrontFaceCCW = true;
}

void TGLStateCache::ResetAll() {
  ResetGLPolygonMode();
  ResetGLMaterialColors();
  ResetGLCurrentTexture();
  ResetGLFrontFace();
}

TGLPushedAttrib::~TGLPushedAttrib() {
  for (int i = 0; i <= static_cast<int>(TGLState::stTextureRect); ++i) {
    const auto s = static_cast<TGLState>(i);
    if (FSaved.Contains(s)) FCache->Enable(s);
    else FCache->Disable(s);
  }
  glPopAttrib();
}
