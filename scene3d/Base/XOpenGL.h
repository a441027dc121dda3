// Texture-coordinate and texture-state entry points whose target texture
// units are switched at run time, so that one drawing routine can feed no
// unit, the first, the second, both, or any list of units.
#pragma once
#include <cstdint>
#include <vector>

#include "scene3d/Base/OpenGL1x.h"

enum class TMapTexCoordMode : uint8_t { mtcmUndefined, mtcmNull, mtcmMain, mtcmDual, mtcmSecond, mtcmArbitrary };

extern void(APIENTRY* xglTexCoord2f)(GLfloat s, GLfloat t);
extern void(APIENTRY* xglTexCoord2fv)(const GLfloat* v);
extern void(APIENTRY* xglTexCoord3f)(GLfloat s, GLfloat t, GLfloat r);
extern void(APIENTRY* xglTexCoord3fv)(const GLfloat* v);
extern void(APIENTRY* xglTexCoord4f)(GLfloat s, GLfloat t, GLfloat r, GLfloat q);
extern void(APIENTRY* xglTexCoord4fv)(const GLfloat* v);
extern void(APIENTRY* xglTexGenf)(GLenum coord, GLenum pname, GLfloat param);
extern void(APIENTRY* xglTexGenfv)(GLenum coord, GLenum pname, const GLfloat* params);
extern void(APIENTRY* xglTexGeni)(GLenum coord, GLenum pname, GLint param);
extern void(APIENTRY* xglTexGeniv)(GLenum coord, GLenum pname, const GLint* params);
extern void(APIENTRY* xglTexCoordPointer)(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
extern void(APIENTRY* xglEnableClientState)(GLenum array);
extern void(APIENTRY* xglDisableClientState)(GLenum array);
extern void(APIENTRY* xglEnable)(GLenum cap);
extern void(APIENTRY* xglDisable)(GLenum cap);

// While an update is open (xglBeginUpdate) these only record the mode asked for.
void xglMapTexCoordToNull();
void xglMapTexCoordToMain();
void xglMapTexCoordToSecond();       // needs GL_ARB_multitexture
void xglMapTexCoordToDual();         // needs GL_ARB_multitexture
void xglMapTexCoordToArbitrary(const std::vector<GLenum>& Units);   // GL_TEXTURE0_ARB + i each
void xglMapTexCoordToArbitrary(uint32_t BitWiseUnits);               // bit i: GL_TEXTURE0_ARB + i
void xglMapTexCoordToArbitraryAdd(uint32_t BitWiseUnits);
// The current mapping as a mask of units: null 0, main 1, second 2, dual 3.
uint32_t xglGetBitWiseMapping();
TMapTexCoordMode xglMapTexCoordMode();

void xglBeginUpdate();
void xglEndUpdate();   // the last mode asked for while the update was open

void XOpenGL_Initialize();   // null mode
void XOpenGL_Finalize();
