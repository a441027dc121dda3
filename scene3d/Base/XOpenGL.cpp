#include "scene3d/Base/XOpenGL.h"

#include "classlib/SysUtils.h"
#include "classlib/UnitInit.h"

void(APIENTRY* xglTexCoord2f)(GLfloat, GLfloat) = nullptr;
void(APIENTRY* xglTexCoord2fv)(const GLfloat*) = nullptr;
void(APIENTRY* xglTexCoord3f)(GLfloat, GLfloat, GLfloat) = nullptr;
void(APIENTRY* xglTexCoord3fv)(const GLfloat*) = nullptr;
void(APIENTRY* xglTexCoord4f)(GLfloat, GLfloat, GLfloat, GLfloat) = nullptr;
void(APIENTRY* xglTexCoord4fv)(const GLfloat*) = nullptr;
void(APIENTRY* xglTexGenf)(GLenum, GLenum, GLfloat) = nullptr;
void(APIENTRY* xglTexGenfv)(GLenum, GLenum, const GLfloat*) = nullptr;
void(APIENTRY* xglTexGeni)(GLenum, GLenum, GLint) = nullptr;
void(APIENTRY* xglTexGeniv)(GLenum, GLenum, const GLint*) = nullptr;
void(APIENTRY* xglTexCoordPointer)(GLint, GLenum, GLsizei, const GLvoid*) = nullptr;
void(APIENTRY* xglEnableClientState)(GLenum) = nullptr;
void(APIENTRY* xglDisableClientState)(GLenum) = nullptr;
void(APIENTRY* xglEnable)(GLenum) = nullptr;
void(APIENTRY* xglDisable)(GLenum) = nullptr;

namespace {
const char* const SourceName = "scene3d\\Base\\XOpenGL";

TUnitCounter UnitCounter;
TMapTexCoordMode Mode = TMapTexCoordMode::mtcmUndefined;
TMapTexCoordMode UpdRequestedMode = TMapTexCoordMode::mtcmUndefined;
int UpdCount = 0;
std::vector<GLenum> ArbitraryUnits;

// Runs Call on every unit of the current second, dual or arbitrary mapping,
// each after selecting it with Select, then selects unit 0 again.
template <typename F>
void OnUnits(PFNGLACTIVETEXTUREARBPROC Select, F Call) {
  if (Mode == TMapTexCoordMode::mtcmArbitrary) {
    for (GLenum u : ArbitraryUnits) {
      Select(u);
      Call();
    }
  } else {
    Select(GL_TEXTURE1_ARB);
    Call();
  }
  Select(GL_TEXTURE0_ARB);
}
template <typename F>
void OnUnitsTex(F Call) {   // tex-coords: glMultiTexCoord on each unit
  if (Mode == TMapTexCoordMode::mtcmArbitrary)
    for (GLenum u : ArbitraryUnits) Call(u);
  else
    Call(GL_TEXTURE1_ARB);
}
bool Dual() { return Mode == TMapTexCoordMode::mtcmDual; }

// ---- null ----
void APIENTRY NullTexCoord2f(GLfloat, GLfloat) {}
void APIENTRY NullTexCoord2fv(const GLfloat*) {}
void APIENTRY NullTexCoord3f(GLfloat, GLfloat, GLfloat) {}
void APIENTRY NullTexCoord3fv(const GLfloat*) {}
void APIENTRY NullTexCoord4f(GLfloat, GLfloat, GLfloat, GLfloat) {}
void APIENTRY NullTexCoord4fv(const GLfloat*) {}
void APIENTRY NullTexGenf(GLenum, GLenum, GLfloat) {}
void APIENTRY NullTexGenfv(GLenum, GLenum, const GLfloat*) {}
void APIENTRY NullTexGeni(GLenum, GLenum, GLint) {}
void APIENTRY NullTexGeniv(GLenum, GLenum, const GLint*) {}
void APIENTRY NullTexCoordPointer(GLint, GLenum, GLsizei, const GLvoid*) {}
void APIENTRY NullState(GLenum) {}

// ---- second, dual and arbitrary: the dual mode first feeds unit 0 plainly ----
void APIENTRY UnitsTexCoord2f(GLfloat s, GLfloat t) {
  if (Dual()) glTexCoord2f(s, t);
  OnUnitsTex([&](GLenum u) { glMultiTexCoord2fARB(u, s, t); });
}
void APIENTRY UnitsTexCoord2fv(const GLfloat* v) {
  if (Dual()) glTexCoord2fv(v);
  OnUnitsTex([&](GLenum u) { glMultiTexCoord2fvARB(u, v); });
}
void APIENTRY UnitsTexCoord3f(GLfloat s, GLfloat t, GLfloat r) {
  if (Dual()) glTexCoord3f(s, t, r);
  OnUnitsTex([&](GLenum u) { glMultiTexCoord3fARB(u, s, t, r); });
}
void APIENTRY UnitsTexCoord3fv(const GLfloat* v) {
  if (Dual()) glTexCoord3fv(v);
  OnUnitsTex([&](GLenum u) { glMultiTexCoord3fvARB(u, v); });
}
void APIENTRY UnitsTexCoord4f(GLfloat s, GLfloat t, GLfloat r, GLfloat q) {
  if (Dual()) glTexCoord4f(s, t, r, q);
  OnUnitsTex([&](GLenum u) { glMultiTexCoord4fARB(u, s, t, r, q); });
}
void APIENTRY UnitsTexCoord4fv(const GLfloat* v) {
  if (Dual()) glTexCoord4fv(v);
  OnUnitsTex([&](GLenum u) { glMultiTexCoord4fvARB(u, v); });
}
void APIENTRY UnitsTexGenf(GLenum c, GLenum p, GLfloat v) {
  if (Dual()) glTexGenf(c, p, v);
  OnUnits(glActiveTextureARB, [&] { glTexGenf(c, p, v); });
}
void APIENTRY UnitsTexGenfv(GLenum c, GLenum p, const GLfloat* v) {
  if (Dual()) glTexGenfv(c, p, v);
  OnUnits(glActiveTextureARB, [&] { glTexGenfv(c, p, v); });
}
void APIENTRY UnitsTexGeni(GLenum c, GLenum p, GLint v) {
  if (Dual()) glTexGeni(c, p, v);
  OnUnits(glActiveTextureARB, [&] { glTexGeni(c, p, v); });
}
void APIENTRY UnitsTexGeniv(GLenum c, GLenum p, const GLint* v) {
  if (Dual()) glTexGeniv(c, p, v);
  OnUnits(glActiveTextureARB, [&] { glTexGeniv(c, p, v); });
}
void APIENTRY UnitsTexCoordPointer(GLint n, GLenum t, GLsizei s, const GLvoid* p) {
  if (Dual()) glTexCoordPointer(n, t, s, p);
  OnUnits(glClientActiveTextureARB, [&] { glTexCoordPointer(n, t, s, p); });
}
void APIENTRY UnitsEnableClientState(GLenum a) {
  if (Dual()) glEnableClientState(a);
  OnUnits(glClientActiveTextureARB, [&] { glEnableClientState(a); });
}
void APIENTRY UnitsDisableClientState(GLenum a) {
  if (Dual()) glDisableClientState(a);
  OnUnits(glClientActiveTextureARB, [&] { glDisableClientState(a); });
}
void APIENTRY UnitsEnable(GLenum c) {
  if (Dual()) glEnable(c);
  OnUnits(glActiveTextureARB, [&] { glEnable(c); });
}
void APIENTRY UnitsDisable(GLenum c) {
  if (Dual()) glDisable(c);
  OnUnits(glActiveTextureARB, [&] { glDisable(c); });
}

void SetNull() {
  xglTexCoord2f = NullTexCoord2f;
  xglTexCoord2fv = NullTexCoord2fv;
  xglTexCoord3f = NullTexCoord3f;
  xglTexCoord3fv = NullTexCoord3fv;
  xglTexCoord4f = NullTexCoord4f;
  xglTexCoord4fv = NullTexCoord4fv;
  xglTexGenf = NullTexGenf;
  xglTexGenfv = NullTexGenfv;
  xglTexGeni = NullTexGeni;
  xglTexGeniv = NullTexGeniv;
  xglTexCoordPointer = NullTexCoordPointer;
  xglEnableClientState = NullState;
  xglDisableClientState = NullState;
  xglEnable = NullState;
  xglDisable = NullState;
}

void SetMain() {
  xglTexCoord2f = glTexCoord2f;
  xglTexCoord2fv = glTexCoord2fv;
  xglTexCoord3f = glTexCoord3f;
  xglTexCoord3fv = glTexCoord3fv;
  xglTexCoord4f = glTexCoord4f;
  xglTexCoord4fv = glTexCoord4fv;
  xglTexGenf = glTexGenf;
  xglTexGenfv = glTexGenfv;
  xglTexGeni = glTexGeni;
  xglTexGeniv = glTexGeniv;
  xglTexCoordPointer = glTexCoordPointer;
  xglEnableClientState = glEnableClientState;
  xglDisableClientState = glDisableClientState;
  xglEnable = glEnable;
  xglDisable = glDisable;
}

void SetUnits() {
  xglTexCoord2f = UnitsTexCoord2f;
  xglTexCoord2fv = UnitsTexCoord2fv;
  xglTexCoord3f = UnitsTexCoord3f;
  xglTexCoord3fv = UnitsTexCoord3fv;
  xglTexCoord4f = UnitsTexCoord4f;
  xglTexCoord4fv = UnitsTexCoord4fv;
  xglTexGenf = UnitsTexGenf;
  xglTexGenfv = UnitsTexGenfv;
  xglTexGeni = UnitsTexGeni;
  xglTexGeniv = UnitsTexGeniv;
  xglTexCoordPointer = UnitsTexCoordPointer;
  xglEnableClientState = UnitsEnableClientState;
  xglDisableClientState = UnitsDisableClientState;
  xglEnable = UnitsEnable;
  xglDisable = UnitsDisable;
}

// Switches unless an update is open, in which case the mode is only recorded.
bool Request(TMapTexCoordMode M) {
  if (UpdCount > 0) {
    UpdRequestedMode = M;
    return false;
  }
  return true;
}
}  // namespace

void xglMapTexCoordToNull() {
  if (!Request(TMapTexCoordMode::mtcmNull) || Mode == TMapTexCoordMode::mtcmNull) return;
  Mode = TMapTexCoordMode::mtcmNull;
  SetNull();
}

void xglMapTexCoordToMain() {
  if (!Request(TMapTexCoordMode::mtcmMain) || Mode == TMapTexCoordMode::mtcmMain) return;
  Mode = TMapTexCoordMode::mtcmMain;
  SetMain();
}

void xglMapTexCoordToSecond() {
  if (!Request(TMapTexCoordMode::mtcmSecond) || Mode == TMapTexCoordMode::mtcmSecond) return;
  Assert(GL.ARB_multitexture, "", SourceName, 685);
  Mode = TMapTexCoordMode::mtcmSecond;
  SetUnits();
}

void xglMapTexCoordToDual() {
  if (!Request(TMapTexCoordMode::mtcmDual) || Mode == TMapTexCoordMode::mtcmDual) return;
  Assert(GL.ARB_multitexture, "", SourceName, 720);
  Mode = TMapTexCoordMode::mtcmDual;
  SetUnits();
}

void xglMapTexCoordToArbitrary(const std::vector<GLenum>& Units) {
  ArbitraryUnits = Units;   // the entry points read the list on every call
  if (!Request(TMapTexCoordMode::mtcmArbitrary) || Mode == TMapTexCoordMode::mtcmArbitrary) return;
  Assert(GL.ARB_multitexture, "", SourceName, 765);
  Mode = TMapTexCoordMode::mtcmArbitrary;
  SetUnits();
}

void xglMapTexCoordToArbitrary(uint32_t BitWiseUnits) {
  std::vector<GLenum> units;
  for (GLenum i = 0; i < 8; ++i)
    if (BitWiseUnits & (1u << i)) units.push_back(GL_TEXTURE0_ARB + i);
  xglMapTexCoordToArbitrary(units);
}

void xglMapTexCoordToArbitraryAdd(uint32_t BitWiseUnits) {
  xglMapTexCoordToArbitrary(xglGetBitWiseMapping() | BitWiseUnits);
}

uint32_t xglGetBitWiseMapping() {
  switch (Mode) {
    case TMapTexCoordMode::mtcmNull: return 0;
    case TMapTexCoordMode::mtcmMain: return 1;
    case TMapTexCoordMode::mtcmDual: return 3;
    case TMapTexCoordMode::mtcmSecond: return 2;
    case TMapTexCoordMode::mtcmArbitrary: {
      uint32_t r = 0;
      for (GLenum u : ArbitraryUnits) r |= 1u << (u & 31);
      return r;
    }
    default: Assert(false, "", SourceName, 841); return 0;
  }
}

TMapTexCoordMode xglMapTexCoordMode() { return Mode; }

void xglBeginUpdate() {
  if (UpdCount++ == 0) UpdRequestedMode = Mode;
}

void xglEndUpdate() {
  if (UpdCount == 0 || --UpdCount > 0 || UpdRequestedMode == Mode) return;
  switch (UpdRequestedMode) {
    case TMapTexCoordMode::mtcmNull: xglMapTexCoordToNull(); break;
    case TMapTexCoordMode::mtcmMain: xglMapTexCoordToMain(); break;
    case TMapTexCoordMode::mtcmDual: xglMapTexCoordToDual(); break;
    case TMapTexCoordMode::mtcmSecond: xglMapTexCoordToSecond(); break;
    case TMapTexCoordMode::mtcmArbitrary: xglMapTexCoordToArbitrary(ArbitraryUnits); break;
    default: Assert(false, "", SourceName, 561);
  }
}

void XOpenGL_Initialize() {
  if (!UnitCounter.Enter()) return;
  xglMapTexCoordToNull();
}

void XOpenGL_Finalize() { UnitCounter.Leave(); }
