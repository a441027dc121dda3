#include "scene3d/Base/OpenGL1x.h"

#include <cctype>

#include "classlib/SysUtils.h"
#include "classlib/UnitInit.h"
#include "classlib/WinHandles.h"

#define OPENGL1X_DEFINE(Type, Name) Type Name = nullptr;
OPENGL1X_ENTRY_POINTS(OPENGL1X_DEFINE)
OPENGL1X_WGL_ENTRY_POINTS(OPENGL1X_DEFINE)
#undef OPENGL1X_DEFINE

TGLCapabilities GL;
TGLUCapabilities GLU;
TWGLCapabilities WGL;

const char* const SDefaultGLLibrary = "OpenGL32.dll";
const char* const SDefaultGLULibrary = "GLU32.dll";

namespace {
TUnitCounter UnitCounter;
TLibraryHandle GLLibrary;
TLibraryHandle GLULibrary;

template <typename F>
void Lookup(F& Proc, const char* Name) {
  Proc = reinterpret_cast<F>(reinterpret_cast<void*>(wglGetProcAddress(Name)));
}

std::string Text(const char* S) { return S ? S : ""; }

// Major 1 and the minor number: VERSION_1_n for every n up to it.
template <typename T>
void SetVersionFlags(T& Caps, int Max, int Min);
template <>
void SetVersionFlags(TGLCapabilities& Caps, int Max, int Min) {
  Caps.VERSION_1_0 = true;
  Caps.VERSION_1_1 = Min >= 1 || Max > 1;
  Caps.VERSION_1_2 = Min >= 2 || Max > 1;
  Caps.VERSION_1_3 = Min >= 3 || Max > 1;
  Caps.VERSION_1_4 = Min >= 4 || Max > 1;
  Caps.VERSION_1_5 = Min >= 5 || Max > 1;
}
template <>
void SetVersionFlags(TGLUCapabilities& Caps, int Max, int Min) {
  Caps.VERSION_1_0 = true;
  Caps.VERSION_1_1 = Min >= 1 || Max > 1;
  Caps.VERSION_1_2 = Min >= 2 || Max > 1;
}
}  // namespace

bool InitOpenGLFromLibrary(const std::string& GLName, const std::string& GLUName) {
  CloseOpenGL();
  TLibraryHandle gl(LoadLibraryA(GLName.c_str()));
  TLibraryHandle glu(LoadLibraryA(GLUName.c_str()));
  if (!gl || !glu) return false;   // whichever loaded is released here
  GLLibrary = std::move(gl);
  GLULibrary = std::move(glu);
  return true;
}

bool InitOpenGL() {
  if (IsOpenGLInitialized()) return true;
  return InitOpenGLFromLibrary(SDefaultGLLibrary, SDefaultGLULibrary);
}

void CloseOpenGL() {
  GLLibrary.Reset();
  GLULibrary.Reset();
}

bool IsOpenGLInitialized() { return GLLibrary && GLULibrary; }
HMODULE GLHandle() { return GLLibrary.Get(); }
HMODULE GLUHandle() { return GLULibrary.Get(); }

bool IsMesaGL() { return GetProc<void (*)()>(GLLibrary.Get(), "glResizeBuffersMESA") != nullptr; }

void ReadExtensions() {
#define OPENGL1X_LOOKUP(Type, Name) Lookup(Name, #Name);
  OPENGL1X_ENTRY_POINTS(OPENGL1X_LOOKUP)
  ReadWGLExtensions();
}

void ReadWGLExtensions() {
  OPENGL1X_WGL_ENTRY_POINTS(OPENGL1X_LOOKUP)
#undef OPENGL1X_LOOKUP
}

void TrimAndSplitVersionString(const std::string& Buffer, int& Max, int& Min) {
  Max = 0;
  Min = 0;
  const size_t dot = Buffer.find('.');
  if (dot == std::string::npos || dot == 0 || dot + 1 >= Buffer.size() ||
      !std::isdigit(static_cast<unsigned char>(Buffer[dot - 1])) ||
      !std::isdigit(static_cast<unsigned char>(Buffer[dot + 1])))
    return;
  size_t first = dot;
  while (first > 0 && std::isdigit(static_cast<unsigned char>(Buffer[first - 1]))) --first;
  size_t last = dot + 1;
  while (last < Buffer.size() && std::isdigit(static_cast<unsigned char>(Buffer[last]))) ++last;
  const std::string major = Buffer.substr(first, dot - first);
  const std::string minor = Buffer.substr(dot + 1, last - dot - 1);
  int a = 0, b = 0;
  if (major.size() > 9 || minor.size() > 9 || !TryStrToInt(major, a) || !TryStrToInt(minor, b)) return;
  Max = a;
  Min = b;
}

bool CheckExtension(const std::string& Buffer, const std::string& Name) {
  if (Name.empty()) return false;
  // Every occurrence counts, so a longer name listed first ("GL_ARB_shadow_ambient
  // GL_ARB_shadow") hides nothing.
  for (size_t p = Buffer.find(Name); p != std::string::npos; p = Buffer.find(Name, p + 1)) {
    const size_t end = p + Name.size();
    if (end == Buffer.size() || Buffer[end] == ' ') return true;
  }
  return false;
}

void ReadImplementationPropertiesFrom(const char* Version, const char* Extensions, const char* GLUVersion,
                                      const char* GLUExtensions, const char* WGLExtensions) {
  int max = 0, min = 0;
  TrimAndSplitVersionString(Text(Version), max, min);
  SetVersionFlags(GL, max, min);
  TrimAndSplitVersionString(Text(GLUVersion), max, min);
  SetVersionFlags(GLU, max, min);

  const std::string ext = Text(Extensions);
#define OPENGL1X_CHECK(Flag, Name) GL.Flag = CheckExtension(ext, Name);
  OPENGL1X_GL_EXTENSIONS(OPENGL1X_CHECK)
#undef OPENGL1X_CHECK
  WGL.ARB_extensions_string = CheckExtension(ext, "WGL_ARB_extensions_string");

  const std::string gluExt = Text(GLUExtensions);
#define OPENGL1X_CHECK(Flag, Name) GLU.Flag = CheckExtension(gluExt, Name);
  OPENGL1X_GLU_EXTENSIONS(OPENGL1X_CHECK)
#undef OPENGL1X_CHECK

  const std::string wgl = Text(WGLExtensions);
#define OPENGL1X_CHECK(Flag, Name) WGL.Flag = wgl.find(Name) != std::string::npos;
  OPENGL1X_WGL_EXTENSIONS(OPENGL1X_CHECK)
#undef OPENGL1X_CHECK
}

void ReadWGLImplementationProperties() {
  const std::string wgl = wglGetExtensionsStringARB ? Text(wglGetExtensionsStringARB(wglGetCurrentDC())) : "";
#define OPENGL1X_CHECK(Flag, Name) WGL.Flag = wgl.find(Name) != std::string::npos;
  OPENGL1X_WGL_EXTENSIONS(OPENGL1X_CHECK)
#undef OPENGL1X_CHECK
}

void ReadImplementationProperties() {
  const std::string wgl = wglGetExtensionsStringARB ? Text(wglGetExtensionsStringARB(wglGetCurrentDC())) : "";
  ReadImplementationPropertiesFrom(reinterpret_cast<const char*>(glGetString(GL_VERSION)),
                                   reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS)),
                                   reinterpret_cast<const char*>(gluGetString(GLU_VERSION)),
                                   reinterpret_cast<const char*>(gluGetString(GLU_EXTENSIONS)), wgl.c_str());
}

void MaskFPUExceptions() {
  const uint16_t cw = 0x133F;
  asm volatile("fclex\n\tfldcw %0" : : "m"(cw));
  uint32_t mxcsr = 0;
  asm volatile("stmxcsr %0" : "=m"(mxcsr));
  mxcsr = (mxcsr & ~0x6000u) | 0x1F80u;   // every exception masked, round to nearest
  asm volatile("ldmxcsr %0" : : "m"(mxcsr));
}

void OpenGL1x_Initialize() {
  if (!UnitCounter.Enter()) return;
  MaskFPUExceptions();
}

void OpenGL1x_Finalize() {
  if (!UnitCounter.Leave()) return;
  CloseOpenGL();
}
