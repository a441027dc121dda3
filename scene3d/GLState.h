// The state cache: a shadow of the OpenGL state the library changes
// (capabilities, material colours, bound textures, polygon modes, texture
// matrix, front face). It is the only door to that state: callers go through
// it so that redundant changes never reach OpenGL.
#pragma once
#include <array>
#include <cstdint>

#include "classlib/Classes.h"
#include "scene3d/Base/OpenGL1x.h"
#include "scene3d/Base/VectorGeometry.h"

enum class TGLState : uint8_t {
  stAlphaTest, stAutoNormal, stBlend, stColorMaterial, stCullFace, stDepthTest, stDither, stFog, stLighting,
  stLineSmooth, stLineStipple, stLogicOp, stNormalize, stPointSmooth, stPolygonSmooth, stPolygonStipple,
  stScissorTest, stStencilTest, stTexture1D, stTexture2D, stTextureCubeMap, stTextureRect
};
using TGLStates = TSet<TGLState>;
GLenum GLStateCapability(TGLState State);   // GL_ALPHA_TEST ... GL_TEXTURE_RECTANGLE_NV

// Every OpenGL call the cache makes goes through these, the real functions
// unless a test wraps them (to count the calls that reach OpenGL).
struct TGLStateCalls {
  void(APIENTRY* Enable)(GLenum);
  void(APIENTRY* Disable)(GLenum);
  void(APIENTRY* PolygonMode)(GLenum, GLenum);
  void(APIENTRY* Materiali)(GLenum, GLenum, GLint);
  void(APIENTRY* Materialfv)(GLenum, GLenum, const GLfloat*);
  void(APIENTRY* BindTexture)(GLenum, GLuint);
  void(APIENTRY* MatrixMode)(GLenum);
  void(APIENTRY* LoadMatrixf)(const GLfloat*);
  void(APIENTRY* LoadIdentity)();
  void(APIENTRY* FrontFace)(GLenum);
};
TGLStateCalls& GLStateCalls();

class TGLStateCache : public TObject {
  DECLARE_CLASSINFO(TGLStateCache)
public:
  TGLStateCache();
  const TGLStates& States() const { return FStates; }
  void Enable(TGLState State);
  void Disable(TGLState State);
  // GL_FRONT, GL_BACK or GL_FRONT_AND_BACK; other faces are ignored.
  void SetGLPolygonMode(GLenum Face, GLenum Mode);
  void ResetGLPolygonMode();
  // Red, green and blue of emission, ambient and specular are compared,
  // all four of diffuse. Face GL_FRONT, GL_BACK or GL_FRONT_AND_BACK (both
  // cached faces compared and set).
  void SetGLMaterialColors(GLenum Face, const TVector& Emission, const TVector& Ambient, const TVector& Diffuse,
                           const TVector& Specular, int Shininess);
  void SetGLMaterialAlphaChannel(GLenum Face, float Alpha);
  void ResetGLMaterialColors();
  // Binds on the active unit (the caller selects it) when Unit's cached
  // name differs.
  void SetGLCurrentTexture(int Unit, GLenum Target, GLuint Handle);
  void ResetGLCurrentTexture();
  void SetGLTextureMatrix(const TMatrix& Matrix);
  void ResetGLTextureMatrix();
  void InvertGLFrontFace();
  void ResetGLFrontFace();
  bool FrontFaceCCW() const { return FFrontFaceCCW; }
  void ResetAll();

private:
  struct TMaterial {
    TVector Emission{}, Ambient{}, Diffuse{}, Specular{};
    int Shininess = 0;
  };
  void SetFaceColors(GLenum Face, const TVector& Emission, const TVector& Ambient, const TVector& Diffuse,
                     const TVector& Specular, int Shininess);
  TMaterial FFront, FBack;
  TGLStates FStates;
  std::array<int64_t, 8> FTextures;   // -1: unknown
  GLenum FFrontPolygonMode = 0, FBackPolygonMode = 0;
  bool FFrontFaceCCW = true;
  bool FTextureMatrixIsIdentity = true;
};

// Pushes OpenGL attribute groups for its lifetime. At the end the cache's
// capabilities are set back to what it knew at the start and the groups are
// popped, so that cache and OpenGL agree again whatever was changed between.
class TGLPushedAttrib {
public:
  TGLPushedAttrib(TGLStateCache* Cache, GLbitfield Mask) : FCache(Cache), FSaved(Cache->States()) {
    glPushAttrib(Mask);
  }
  ~TGLPushedAttrib();
  TGLPushedAttrib(const TGLPushedAttrib&) = delete;
  TGLPushedAttrib& operator=(const TGLPushedAttrib&) = delete;

private:
  TGLStateCache* FCache;
  TGLStates FSaved;
};
