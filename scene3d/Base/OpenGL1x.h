// The binding to OpenGL. The 1.1 core, GLU and WGL are linked from the system
// libraries; every later or vendor entry point is a global function pointer of
// its own name, looked up once a rendering context is current (null when the
// implementation lacks it). The implementation's version and extension
// strings become the capability flags in GL, GLU and WGL below, which callers
// test before using a feature.
#pragma once
#include <windows.h>

#include <GL/gl.h>
#include <GL/glu.h>
#include <GL/glext.h>
#include <GL/wglext.h>

#include <string>

// Entry points the system headers give no type for.
typedef void(APIENTRYP PFNGLSAMPLEPASSARBPROC)(GLenum pass);
typedef void(APIENTRYP PFNGLADDSWAPHINTRECTWINPROC)(GLint x, GLint y, GLsizei width, GLsizei height);
typedef void(APIENTRYP PFNGLUNURBSCALLBACKDATAEXTPROC)(GLUnurbs* nurb, GLvoid* userData);
typedef GLUnurbs*(APIENTRYP PFNGLUNEWNURBSTESSELLATOREXTPROC)();
typedef void(APIENTRYP PFNGLUDELETENURBSTESSELLATOREXTPROC)(GLUnurbs* nurb);

// Every entry point ReadExtensions looks up, as X(type, name).
#define OPENGL1X_ENTRY_POINTS(X)                                                    \
  /* OpenGL 1.2 core and the imaging subset */                                      \
  X(PFNGLDRAWRANGEELEMENTSPROC, glDrawRangeElements)                                \
  X(PFNGLTEXIMAGE3DPROC, glTexImage3D)                                              \
  X(PFNGLBLENDCOLORPROC, glBlendColor)                                              \
  X(PFNGLBLENDEQUATIONPROC, glBlendEquation)                                        \
  X(PFNGLCOLORTABLEPROC, glColorTable)                                              \
  X(PFNGLCOLORTABLEPARAMETERFVPROC, glColorTableParameterfv)                        \
  X(PFNGLCOLORTABLEPARAMETERIVPROC, glColorTableParameteriv)                        \
  X(PFNGLCOPYCOLORTABLEPROC, glCopyColorTable)                                      \
  X(PFNGLGETCOLORTABLEPROC, glGetColorTable)                                        \
  X(PFNGLGETCOLORTABLEPARAMETERFVPROC, glGetColorTableParameterfv)                  \
  X(PFNGLGETCOLORTABLEPARAMETERIVPROC, glGetColorTableParameteriv)                  \
  X(PFNGLCOLORSUBTABLEPROC, glColorSubTable)                                        \
  X(PFNGLCOPYCOLORSUBTABLEPROC, glCopyColorSubTable)                                \
  X(PFNGLCONVOLUTIONFILTER1DPROC, glConvolutionFilter1D)                            \
  X(PFNGLCONVOLUTIONFILTER2DPROC, glConvolutionFilter2D)                            \
  X(PFNGLCONVOLUTIONPARAMETERFPROC, glConvolutionParameterf)                        \
  X(PFNGLCONVOLUTIONPARAMETERFVPROC, glConvolutionParameterfv)                      \
  X(PFNGLCONVOLUTIONPARAMETERIPROC, glConvolutionParameteri)                        \
  X(PFNGLCONVOLUTIONPARAMETERIVPROC, glConvolutionParameteriv)                      \
  X(PFNGLCOPYCONVOLUTIONFILTER1DPROC, glCopyConvolutionFilter1D)                    \
  X(PFNGLCOPYCONVOLUTIONFILTER2DPROC, glCopyConvolutionFilter2D)                    \
  X(PFNGLGETCONVOLUTIONFILTERPROC, glGetConvolutionFilter)                          \
  X(PFNGLGETCONVOLUTIONPARAMETERFVPROC, glGetConvolutionParameterfv)                \
  X(PFNGLGETCONVOLUTIONPARAMETERIVPROC, glGetConvolutionParameteriv)                \
  X(PFNGLGETSEPARABLEFILTERPROC, glGetSeparableFilter)                              \
  X(PFNGLSEPARABLEFILTER2DPROC, glSeparableFilter2D)                                \
  X(PFNGLGETHISTOGRAMPROC, glGetHistogram)                                          \
  X(PFNGLGETHISTOGRAMPARAMETERFVPROC, glGetHistogramParameterfv)                    \
  X(PFNGLGETHISTOGRAMPARAMETERIVPROC, glGetHistogramParameteriv)                    \
  X(PFNGLHISTOGRAMPROC, glHistogram)                                                \
  X(PFNGLRESETHISTOGRAMPROC, glResetHistogram)                                      \
  X(PFNGLGETMINMAXPROC, glGetMinmax)                                                \
  X(PFNGLGETMINMAXPARAMETERFVPROC, glGetMinmaxParameterfv)                          \
  X(PFNGLGETMINMAXPARAMETERIVPROC, glGetMinmaxParameteriv)                          \
  X(PFNGLMINMAXPROC, glMinmax)                                                      \
  X(PFNGLRESETMINMAXPROC, glResetMinmax)                                            \
  /* EXT functions promoted to the core */                                          \
  X(PFNGLARRAYELEMENTEXTPROC, glArrayElementEXT)                                    \
  X(PFNGLCOLORTABLEEXTPROC, glColorTableEXT)                                        \
  X(PFNGLCOLORSUBTABLEEXTPROC, glColorSubTableEXT)                                  \
  X(PFNGLCOPYCOLORSUBTABLEEXTPROC, glCopyColorSubTableEXT)                          \
  X(PFNGLGETCOLORTABLEEXTPROC, glGetColorTableEXT)                                  \
  X(PFNGLGETCOLORTABLEPARAMETERIVEXTPROC, glGetColorTableParameterivEXT)            \
  X(PFNGLGETCOLORTABLEPARAMETERFVEXTPROC, glGetColorTableParameterfvEXT)            \
  X(PFNGLCOPYTEXIMAGE1DEXTPROC, glCopyTexImage1DEXT)                                \
  X(PFNGLCOPYTEXIMAGE2DEXTPROC, glCopyTexImage2DEXT)                                \
  X(PFNGLCOPYTEXSUBIMAGE1DEXTPROC, glCopyTexSubImage1DEXT)                          \
  X(PFNGLCOPYTEXSUBIMAGE2DEXTPROC, glCopyTexSubImage2DEXT)                          \
  X(PFNGLCOPYTEXSUBIMAGE3DEXTPROC, glCopyTexSubImage3DEXT)                          \
  X(PFNGLTEXSUBIMAGE1DEXTPROC, glTexSubImage1DEXT)                                  \
  X(PFNGLTEXSUBIMAGE2DEXTPROC, glTexSubImage2DEXT)                                  \
  X(PFNGLTEXSUBIMAGE3DEXTPROC, glTexSubImage3DEXT)                                  \
  X(PFNGLINDEXFUNCEXTPROC, glIndexFuncEXT)                                          \
  X(PFNGLINDEXMATERIALEXTPROC, glIndexMaterialEXT)                                  \
  X(PFNGLPOLYGONOFFSETEXTPROC, glPolygonOffsetEXT)                                  \
  X(PFNGLGENTEXTURESEXTPROC, glGenTexturesEXT)                                      \
  X(PFNGLDELETETEXTURESEXTPROC, glDeleteTexturesEXT)                                \
  X(PFNGLBINDTEXTUREEXTPROC, glBindTextureEXT)                                      \
  X(PFNGLPRIORITIZETEXTURESEXTPROC, glPrioritizeTexturesEXT)                        \
  X(PFNGLARETEXTURESRESIDENTEXTPROC, glAreTexturesResidentEXT)                      \
  X(PFNGLISTEXTUREEXTPROC, glIsTextureEXT)                                          \
  X(PFNGLLOCKARRAYSEXTPROC, glLockArraysEXT)                                        \
  X(PFNGLUNLOCKARRAYSEXTPROC, glUnlockArraysEXT)                                    \
  X(PFNGLACTIVESTENCILFACEEXTPROC, glActiveStencilFaceEXT)                          \
  X(PFNGLBLENDCOLOREXTPROC, glBlendColorEXT)                                        \
  X(PFNGLTEXIMAGE3DEXTPROC, glTexImage3DEXT)                                        \
  X(PFNGLBLENDEQUATIONEXTPROC, glBlendEquationEXT)                                  \
  X(PFNGLDRAWRANGEELEMENTSEXTPROC, glDrawRangeElementsEXT)                          \
  X(PFNGLSECONDARYCOLOR3BEXTPROC, glSecondaryColor3bEXT)                            \
  X(PFNGLSECONDARYCOLOR3BVEXTPROC, glSecondaryColor3bvEXT)                          \
  X(PFNGLSECONDARYCOLOR3DEXTPROC, glSecondaryColor3dEXT)                            \
  X(PFNGLSECONDARYCOLOR3DVEXTPROC, glSecondaryColor3dvEXT)                          \
  X(PFNGLSECONDARYCOLOR3FEXTPROC, glSecondaryColor3fEXT)                            \
  X(PFNGLSECONDARYCOLOR3FVEXTPROC, glSecondaryColor3fvEXT)                          \
  X(PFNGLSECONDARYCOLOR3IEXTPROC, glSecondaryColor3iEXT)                            \
  X(PFNGLSECONDARYCOLOR3IVEXTPROC, glSecondaryColor3ivEXT)                          \
  X(PFNGLSECONDARYCOLOR3SEXTPROC, glSecondaryColor3sEXT)                            \
  X(PFNGLSECONDARYCOLOR3SVEXTPROC, glSecondaryColor3svEXT)                          \
  X(PFNGLSECONDARYCOLOR3UBEXTPROC, glSecondaryColor3ubEXT)                          \
  X(PFNGLSECONDARYCOLOR3UBVEXTPROC, glSecondaryColor3ubvEXT)                        \
  X(PFNGLSECONDARYCOLOR3UIEXTPROC, glSecondaryColor3uiEXT)                          \
  X(PFNGLSECONDARYCOLOR3UIVEXTPROC, glSecondaryColor3uivEXT)                        \
  X(PFNGLSECONDARYCOLOR3USEXTPROC, glSecondaryColor3usEXT)                          \
  X(PFNGLSECONDARYCOLOR3USVEXTPROC, glSecondaryColor3usvEXT)                        \
  X(PFNGLSECONDARYCOLORPOINTEREXTPROC, glSecondaryColorPointerEXT)                  \
  X(PFNGLMULTIDRAWARRAYSEXTPROC, glMultiDrawArraysEXT)                              \
  X(PFNGLMULTIDRAWELEMENTSEXTPROC, glMultiDrawElementsEXT)                          \
  X(PFNGLFOGCOORDFEXTPROC, glFogCoordfEXT)                                          \
  X(PFNGLFOGCOORDFVEXTPROC, glFogCoordfvEXT)                                        \
  X(PFNGLFOGCOORDDEXTPROC, glFogCoorddEXT)                                          \
  X(PFNGLFOGCOORDDVEXTPROC, glFogCoorddvEXT)                                        \
  X(PFNGLFOGCOORDPOINTEREXTPROC, glFogCoordPointerEXT)                              \
  X(PFNGLBLENDFUNCSEPARATEEXTPROC, glBlendFuncSeparateEXT)                          \
  X(PFNGLSAMPLEMASKEXTPROC, glSampleMaskEXT)                                        \
  X(PFNGLSAMPLEPATTERNEXTPROC, glSamplePatternEXT)                                  \
  /* ARB multitexture */                                                            \
  X(PFNGLMULTITEXCOORD1DARBPROC, glMultiTexCoord1dARB)                              \
  X(PFNGLMULTITEXCOORD1DVARBPROC, glMultiTexCoord1dvARB)                            \
  X(PFNGLMULTITEXCOORD1FARBPROC, glMultiTexCoord1fARB)                              \
  X(PFNGLMULTITEXCOORD1FVARBPROC, glMultiTexCoord1fvARB)                            \
  X(PFNGLMULTITEXCOORD1IARBPROC, glMultiTexCoord1iARB)                              \
  X(PFNGLMULTITEXCOORD1IVARBPROC, glMultiTexCoord1ivARB)                            \
  X(PFNGLMULTITEXCOORD1SARBPROC, glMultiTexCoord1sARB)                              \
  X(PFNGLMULTITEXCOORD1SVARBPROC, glMultiTexCoord1svARB)                            \
  X(PFNGLMULTITEXCOORD2DARBPROC, glMultiTexCoord2dARB)                              \
  X(PFNGLMULTITEXCOORD2DVARBPROC, glMultiTexCoord2dvARB)                            \
  X(PFNGLMULTITEXCOORD2FARBPROC, glMultiTexCoord2fARB)                              \
  X(PFNGLMULTITEXCOORD2FVARBPROC, glMultiTexCoord2fvARB)                            \
  X(PFNGLMULTITEXCOORD2IARBPROC, glMultiTexCoord2iARB)                              \
  X(PFNGLMULTITEXCOORD2IVARBPROC, glMultiTexCoord2ivARB)                            \
  X(PFNGLMULTITEXCOORD2SARBPROC, glMultiTexCoord2sARB)                              \
  X(PFNGLMULTITEXCOORD2SVARBPROC, glMultiTexCoord2svARB)                            \
  X(PFNGLMULTITEXCOORD3DARBPROC, glMultiTexCoord3dARB)                              \
  X(PFNGLMULTITEXCOORD3DVARBPROC, glMultiTexCoord3dvARB)                            \
  X(PFNGLMULTITEXCOORD3FARBPROC, glMultiTexCoord3fARB)                              \
  X(PFNGLMULTITEXCOORD3FVARBPROC, glMultiTexCoord3fvARB)                            \
  X(PFNGLMULTITEXCOORD3IARBPROC, glMultiTexCoord3iARB)                              \
  X(PFNGLMULTITEXCOORD3IVARBPROC, glMultiTexCoord3ivARB)                            \
  X(PFNGLMULTITEXCOORD3SARBPROC, glMultiTexCoord3sARB)                              \
  X(PFNGLMULTITEXCOORD3SVARBPROC, glMultiTexCoord3svARB)                            \
  X(PFNGLMULTITEXCOORD4DARBPROC, glMultiTexCoord4dARB)                              \
  X(PFNGLMULTITEXCOORD4DVARBPROC, glMultiTexCoord4dvARB)                            \
  X(PFNGLMULTITEXCOORD4FARBPROC, glMultiTexCoord4fARB)                              \
  X(PFNGLMULTITEXCOORD4FVARBPROC, glMultiTexCoord4fvARB)                            \
  X(PFNGLMULTITEXCOORD4IARBPROC, glMultiTexCoord4iARB)                              \
  X(PFNGLMULTITEXCOORD4IVARBPROC, glMultiTexCoord4ivARB)                            \
  X(PFNGLMULTITEXCOORD4SARBPROC, glMultiTexCoord4sARB)                              \
  X(PFNGLMULTITEXCOORD4SVARBPROC, glMultiTexCoord4svARB)                            \
  X(PFNGLACTIVETEXTUREARBPROC, glActiveTextureARB)                                  \
  X(PFNGLCLIENTACTIVETEXTUREARBPROC, glClientActiveTextureARB)                      \
  /* other ARB extensions */                                                        \
  X(PFNGLPOINTPARAMETERFARBPROC, glPointParameterfARB)                              \
  X(PFNGLPOINTPARAMETERFVARBPROC, glPointParameterfvARB)                            \
  X(PFNGLLOADTRANSPOSEMATRIXFARBPROC, glLoadTransposeMatrixfARB)                    \
  X(PFNGLLOADTRANSPOSEMATRIXDARBPROC, glLoadTransposeMatrixdARB)                    \
  X(PFNGLMULTTRANSPOSEMATRIXFARBPROC, glMultTransposeMatrixfARB)                    \
  X(PFNGLMULTTRANSPOSEMATRIXDARBPROC, glMultTransposeMatrixdARB)                    \
  X(PFNGLSAMPLECOVERAGEARBPROC, glSampleCoverageARB)                                \
  X(PFNGLSAMPLEPASSARBPROC, glSamplePassARB)                                        \
  X(PFNGLCOMPRESSEDTEXIMAGE3DARBPROC, glCompressedTexImage3DARB)                    \
  X(PFNGLCOMPRESSEDTEXIMAGE2DARBPROC, glCompressedTexImage2DARB)                    \
  X(PFNGLCOMPRESSEDTEXIMAGE1DARBPROC, glCompressedTexImage1DARB)                    \
  X(PFNGLCOMPRESSEDTEXSUBIMAGE3DARBPROC, glCompressedTexSubImage3DARB)              \
  X(PFNGLCOMPRESSEDTEXSUBIMAGE2DARBPROC, glCompressedTexSubImage2DARB)              \
  X(PFNGLCOMPRESSEDTEXSUBIMAGE1DARBPROC, glCompressedTexSubImage1DARB)              \
  X(PFNGLGETCOMPRESSEDTEXIMAGEARBPROC, glGetCompressedTexImageARB)                  \
  X(PFNGLVERTEXATTRIB1DARBPROC, glVertexAttrib1dARB)                                \
  X(PFNGLVERTEXATTRIB1DVARBPROC, glVertexAttrib1dvARB)                              \
  X(PFNGLVERTEXATTRIB1FARBPROC, glVertexAttrib1fARB)                                \
  X(PFNGLVERTEXATTRIB1FVARBPROC, glVertexAttrib1fvARB)                              \
  X(PFNGLVERTEXATTRIB1SARBPROC, glVertexAttrib1sARB)                                \
  X(PFNGLVERTEXATTRIB1SVARBPROC, glVertexAttrib1svARB)                              \
  X(PFNGLVERTEXATTRIB2DARBPROC, glVertexAttrib2dARB)                                \
  X(PFNGLVERTEXATTRIB2DVARBPROC, glVertexAttrib2dvARB)                              \
  X(PFNGLVERTEXATTRIB2FARBPROC, glVertexAttrib2fARB)                                \
  X(PFNGLVERTEXATTRIB2FVARBPROC, glVertexAttrib2fvARB)                              \
  X(PFNGLVERTEXATTRIB2SARBPROC, glVertexAttrib2sARB)                                \
  X(PFNGLVERTEXATTRIB2SVARBPROC, glVertexAttrib2svARB)                              \
  X(PFNGLVERTEXATTRIB3DARBPROC, glVertexAttrib3dARB)                                \
  X(PFNGLVERTEXATTRIB3DVARBPROC, glVertexAttrib3dvARB)                              \
  X(PFNGLVERTEXATTRIB3FARBPROC, glVertexAttrib3fARB)                                \
  X(PFNGLVERTEXATTRIB3FVARBPROC, glVertexAttrib3fvARB)                              \
  X(PFNGLVERTEXATTRIB3SARBPROC, glVertexAttrib3sARB)                                \
  X(PFNGLVERTEXATTRIB3SVARBPROC, glVertexAttrib3svARB)                              \
  X(PFNGLVERTEXATTRIB4NBVARBPROC, glVertexAttrib4NbvARB)                            \
  X(PFNGLVERTEXATTRIB4NIVARBPROC, glVertexAttrib4NivARB)                            \
  X(PFNGLVERTEXATTRIB4NSVARBPROC, glVertexAttrib4NsvARB)                            \
  X(PFNGLVERTEXATTRIB4NUBARBPROC, glVertexAttrib4NubARB)                            \
  X(PFNGLVERTEXATTRIB4NUBVARBPROC, glVertexAttrib4NubvARB)                          \
  X(PFNGLVERTEXATTRIB4NUIVARBPROC, glVertexAttrib4NuivARB)                          \
  X(PFNGLVERTEXATTRIB4NUSVARBPROC, glVertexAttrib4NusvARB)                          \
  X(PFNGLVERTEXATTRIB4BVARBPROC, glVertexAttrib4bvARB)                              \
  X(PFNGLVERTEXATTRIB4DARBPROC, glVertexAttrib4dARB)                                \
  X(PFNGLVERTEXATTRIB4DVARBPROC, glVertexAttrib4dvARB)                              \
  X(PFNGLVERTEXATTRIB4FARBPROC, glVertexAttrib4fARB)                                \
  X(PFNGLVERTEXATTRIB4FVARBPROC, glVertexAttrib4fvARB)                              \
  X(PFNGLVERTEXATTRIB4IVARBPROC, glVertexAttrib4ivARB)                              \
  X(PFNGLVERTEXATTRIB4SARBPROC, glVertexAttrib4sARB)                                \
  X(PFNGLVERTEXATTRIB4SVARBPROC, glVertexAttrib4svARB)                              \
  X(PFNGLVERTEXATTRIB4UBVARBPROC, glVertexAttrib4ubvARB)                            \
  X(PFNGLVERTEXATTRIB4UIVARBPROC, glVertexAttrib4uivARB)                            \
  X(PFNGLVERTEXATTRIB4USVARBPROC, glVertexAttrib4usvARB)                            \
  X(PFNGLVERTEXATTRIBPOINTERARBPROC, glVertexAttribPointerARB)                      \
  X(PFNGLENABLEVERTEXATTRIBARRAYARBPROC, glEnableVertexAttribArrayARB)              \
  X(PFNGLDISABLEVERTEXATTRIBARRAYARBPROC, glDisableVertexAttribArrayARB)            \
  X(PFNGLPROGRAMSTRINGARBPROC, glProgramStringARB)                                  \
  X(PFNGLBINDPROGRAMARBPROC, glBindProgramARB)                                      \
  X(PFNGLDELETEPROGRAMSARBPROC, glDeleteProgramsARB)                                \
  X(PFNGLGENPROGRAMSARBPROC, glGenProgramsARB)                                      \
  X(PFNGLPROGRAMENVPARAMETER4DARBPROC, glProgramEnvParameter4dARB)                  \
  X(PFNGLPROGRAMENVPARAMETER4DVARBPROC, glProgramEnvParameter4dvARB)                \
  X(PFNGLPROGRAMENVPARAMETER4FARBPROC, glProgramEnvParameter4fARB)                  \
  X(PFNGLPROGRAMENVPARAMETER4FVARBPROC, glProgramEnvParameter4fvARB)                \
  X(PFNGLPROGRAMLOCALPARAMETER4DARBPROC, glProgramLocalParameter4dARB)              \
  X(PFNGLPROGRAMLOCALPARAMETER4DVARBPROC, glProgramLocalParameter4dvARB)            \
  X(PFNGLPROGRAMLOCALPARAMETER4FARBPROC, glProgramLocalParameter4fARB)              \
  X(PFNGLPROGRAMLOCALPARAMETER4FVARBPROC, glProgramLocalParameter4fvARB)            \
  X(PFNGLGETPROGRAMENVPARAMETERDVARBPROC, glGetProgramEnvParameterdvARB)            \
  X(PFNGLGETPROGRAMENVPARAMETERFVARBPROC, glGetProgramEnvParameterfvARB)            \
  X(PFNGLGETPROGRAMLOCALPARAMETERDVARBPROC, glGetProgramLocalParameterdvARB)        \
  X(PFNGLGETPROGRAMLOCALPARAMETERFVARBPROC, glGetProgramLocalParameterfvARB)        \
  X(PFNGLGETPROGRAMIVARBPROC, glGetProgramivARB)                                    \
  X(PFNGLGETPROGRAMSTRINGARBPROC, glGetProgramStringARB)                            \
  X(PFNGLGETVERTEXATTRIBDVARBPROC, glGetVertexAttribdvARB)                          \
  X(PFNGLGETVERTEXATTRIBFVARBPROC, glGetVertexAttribfvARB)                          \
  X(PFNGLGETVERTEXATTRIBIVARBPROC, glGetVertexAttribivARB)                          \
  X(PFNGLGETVERTEXATTRIBPOINTERVARBPROC, glGetVertexAttribPointervARB)              \
  X(PFNGLISPROGRAMARBPROC, glIsProgramARB)                                          \
  X(PFNGLBINDBUFFERARBPROC, glBindBufferARB)                                        \
  X(PFNGLDELETEBUFFERSARBPROC, glDeleteBuffersARB)                                  \
  X(PFNGLGENBUFFERSARBPROC, glGenBuffersARB)                                        \
  X(PFNGLISBUFFERARBPROC, glIsBufferARB)                                            \
  X(PFNGLBUFFERDATAARBPROC, glBufferDataARB)                                        \
  X(PFNGLBUFFERSUBDATAARBPROC, glBufferSubDataARB)                                  \
  X(PFNGLGETBUFFERSUBDATAARBPROC, glGetBufferSubDataARB)                            \
  X(PFNGLMAPBUFFERARBPROC, glMapBufferARB)                                          \
  X(PFNGLUNMAPBUFFERARBPROC, glUnmapBufferARB)                                      \
  X(PFNGLGETBUFFERPARAMETERIVARBPROC, glGetBufferParameterivARB)                    \
  X(PFNGLGETBUFFERPOINTERVARBPROC, glGetBufferPointervARB)                          \
  X(PFNGLDELETEOBJECTARBPROC, glDeleteObjectARB)                                    \
  X(PFNGLGETHANDLEARBPROC, glGetHandleARB)                                          \
  X(PFNGLDETACHOBJECTARBPROC, glDetachObjectARB)                                    \
  X(PFNGLCREATESHADEROBJECTARBPROC, glCreateShaderObjectARB)                        \
  X(PFNGLSHADERSOURCEARBPROC, glShaderSourceARB)                                    \
  X(PFNGLCOMPILESHADERARBPROC, glCompileShaderARB)                                  \
  X(PFNGLCREATEPROGRAMOBJECTARBPROC, glCreateProgramObjectARB)                      \
  X(PFNGLATTACHOBJECTARBPROC, glAttachObjectARB)                                    \
  X(PFNGLLINKPROGRAMARBPROC, glLinkProgramARB)                                      \
  X(PFNGLUSEPROGRAMOBJECTARBPROC, glUseProgramObjectARB)                            \
  X(PFNGLVALIDATEPROGRAMARBPROC, glValidateProgramARB)                              \
  X(PFNGLUNIFORM1FARBPROC, glUniform1fARB)                                          \
  X(PFNGLUNIFORM2FARBPROC, glUniform2fARB)                                          \
  X(PFNGLUNIFORM3FARBPROC, glUniform3fARB)                                          \
  X(PFNGLUNIFORM4FARBPROC, glUniform4fARB)                                          \
  X(PFNGLUNIFORM1IARBPROC, glUniform1iARB)                                          \
  X(PFNGLUNIFORM2IARBPROC, glUniform2iARB)                                          \
  X(PFNGLUNIFORM3IARBPROC, glUniform3iARB)                                          \
  X(PFNGLUNIFORM4IARBPROC, glUniform4iARB)                                          \
  X(PFNGLUNIFORM1FVARBPROC, glUniform1fvARB)                                        \
  X(PFNGLUNIFORM2FVARBPROC, glUniform2fvARB)                                        \
  X(PFNGLUNIFORM3FVARBPROC, glUniform3fvARB)                                        \
  X(PFNGLUNIFORM4FVARBPROC, glUniform4fvARB)                                        \
  X(PFNGLUNIFORM1IVARBPROC, glUniform1ivARB)                                        \
  X(PFNGLUNIFORM2IVARBPROC, glUniform2ivARB)                                        \
  X(PFNGLUNIFORM3IVARBPROC, glUniform3ivARB)                                        \
  X(PFNGLUNIFORM4IVARBPROC, glUniform4ivARB)                                        \
  X(PFNGLUNIFORMMATRIX2FVARBPROC, glUniformMatrix2fvARB)                            \
  X(PFNGLUNIFORMMATRIX3FVARBPROC, glUniformMatrix3fvARB)                            \
  X(PFNGLUNIFORMMATRIX4FVARBPROC, glUniformMatrix4fvARB)                            \
  X(PFNGLGETOBJECTPARAMETERFVARBPROC, glGetObjectParameterfvARB)                    \
  X(PFNGLGETOBJECTPARAMETERIVARBPROC, glGetObjectParameterivARB)                    \
  X(PFNGLGETINFOLOGARBPROC, glGetInfoLogARB)                                        \
  X(PFNGLGETATTACHEDOBJECTSARBPROC, glGetAttachedObjectsARB)                        \
  X(PFNGLGETUNIFORMLOCATIONARBPROC, glGetUniformLocationARB)                        \
  X(PFNGLGETACTIVEUNIFORMARBPROC, glGetActiveUniformARB)                            \
  X(PFNGLGETUNIFORMFVARBPROC, glGetUniformfvARB)                                    \
  X(PFNGLGETUNIFORMIVARBPROC, glGetUniformivARB)                                    \
  X(PFNGLGETSHADERSOURCEARBPROC, glGetShaderSourceARB)                              \
  X(PFNGLBINDATTRIBLOCATIONARBPROC, glBindAttribLocationARB)                        \
  X(PFNGLGETACTIVEATTRIBARBPROC, glGetActiveAttribARB)                              \
  X(PFNGLGETATTRIBLOCATIONARBPROC, glGetAttribLocationARB)                          \
  /* NV extensions */                                                               \
  X(PFNGLVERTEXARRAYRANGENVPROC, glVertexArrayRangeNV)                              \
  X(PFNGLFLUSHVERTEXARRAYRANGENVPROC, glFlushVertexArrayRangeNV)                    \
  X(PFNWGLALLOCATEMEMORYNVPROC, wglAllocateMemoryNV)                                \
  X(PFNWGLFREEMEMORYNVPROC, wglFreeMemoryNV)                                        \
  X(PFNGLCOMBINERPARAMETERFVNVPROC, glCombinerParameterfvNV)                        \
  X(PFNGLCOMBINERPARAMETERFNVPROC, glCombinerParameterfNV)                          \
  X(PFNGLCOMBINERPARAMETERIVNVPROC, glCombinerParameterivNV)                        \
  X(PFNGLCOMBINERPARAMETERINVPROC, glCombinerParameteriNV)                          \
  X(PFNGLCOMBINERINPUTNVPROC, glCombinerInputNV)                                    \
  X(PFNGLCOMBINEROUTPUTNVPROC, glCombinerOutputNV)                                  \
  X(PFNGLFINALCOMBINERINPUTNVPROC, glFinalCombinerInputNV)                          \
  X(PFNGLGETCOMBINERINPUTPARAMETERFVNVPROC, glGetCombinerInputParameterfvNV)        \
  X(PFNGLGETCOMBINERINPUTPARAMETERIVNVPROC, glGetCombinerInputParameterivNV)        \
  X(PFNGLGETCOMBINEROUTPUTPARAMETERFVNVPROC, glGetCombinerOutputParameterfvNV)      \
  X(PFNGLGETCOMBINEROUTPUTPARAMETERIVNVPROC, glGetCombinerOutputParameterivNV)      \
  X(PFNGLGETFINALCOMBINERINPUTPARAMETERFVNVPROC, glGetFinalCombinerInputParameterfvNV) \
  X(PFNGLGETFINALCOMBINERINPUTPARAMETERIVNVPROC, glGetFinalCombinerInputParameterivNV) \
  X(PFNGLGENFENCESNVPROC, glGenFencesNV)                                            \
  X(PFNGLDELETEFENCESNVPROC, glDeleteFencesNV)                                      \
  X(PFNGLSETFENCENVPROC, glSetFenceNV)                                              \
  X(PFNGLTESTFENCENVPROC, glTestFenceNV)                                            \
  X(PFNGLFINISHFENCENVPROC, glFinishFenceNV)                                        \
  X(PFNGLISFENCENVPROC, glIsFenceNV)                                                \
  X(PFNGLGETFENCEIVNVPROC, glGetFenceivNV)                                          \
  X(PFNGLGENOCCLUSIONQUERIESNVPROC, glGenOcclusionQueriesNV)                        \
  X(PFNGLDELETEOCCLUSIONQUERIESNVPROC, glDeleteOcclusionQueriesNV)                  \
  X(PFNGLISOCCLUSIONQUERYNVPROC, glIsOcclusionQueryNV)                              \
  X(PFNGLBEGINOCCLUSIONQUERYNVPROC, glBeginOcclusionQueryNV)                        \
  X(PFNGLENDOCCLUSIONQUERYNVPROC, glEndOcclusionQueryNV)                            \
  X(PFNGLGETOCCLUSIONQUERYIVNVPROC, glGetOcclusionQueryivNV)                        \
  X(PFNGLGETOCCLUSIONQUERYUIVNVPROC, glGetOcclusionQueryuivNV)                      \
  X(PFNGLAREPROGRAMSRESIDENTNVPROC, glAreProgramsResidentNV)                        \
  X(PFNGLBINDPROGRAMNVPROC, glBindProgramNV)                                        \
  X(PFNGLDELETEPROGRAMSNVPROC, glDeleteProgramsNV)                                  \
  X(PFNGLEXECUTEPROGRAMNVPROC, glExecuteProgramNV)                                  \
  X(PFNGLGENPROGRAMSNVPROC, glGenProgramsNV)                                        \
  X(PFNGLGETPROGRAMPARAMETERDVNVPROC, glGetProgramParameterdvNV)                    \
  X(PFNGLGETPROGRAMPARAMETERFVNVPROC, glGetProgramParameterfvNV)                    \
  X(PFNGLGETPROGRAMIVNVPROC, glGetProgramivNV)                                      \
  X(PFNGLGETPROGRAMSTRINGNVPROC, glGetProgramStringNV)                              \
  X(PFNGLGETTRACKMATRIXIVNVPROC, glGetTrackMatrixivNV)                              \
  X(PFNGLGETVERTEXATTRIBDVNVPROC, glGetVertexAttribdvNV)                            \
  X(PFNGLGETVERTEXATTRIBFVNVPROC, glGetVertexAttribfvNV)                            \
  X(PFNGLGETVERTEXATTRIBIVNVPROC, glGetVertexAttribivNV)                            \
  X(PFNGLGETVERTEXATTRIBPOINTERVNVPROC, glGetVertexAttribPointervNV)                \
  X(PFNGLISPROGRAMNVPROC, glIsProgramNV)                                            \
  X(PFNGLLOADPROGRAMNVPROC, glLoadProgramNV)                                        \
  X(PFNGLPROGRAMPARAMETER4DNVPROC, glProgramParameter4dNV)                          \
  X(PFNGLPROGRAMPARAMETER4DVNVPROC, glProgramParameter4dvNV)                        \
  X(PFNGLPROGRAMPARAMETER4FNVPROC, glProgramParameter4fNV)                          \
  X(PFNGLPROGRAMPARAMETER4FVNVPROC, glProgramParameter4fvNV)                        \
  X(PFNGLPROGRAMPARAMETERS4DVNVPROC, glProgramParameters4dvNV)                      \
  X(PFNGLPROGRAMPARAMETERS4FVNVPROC, glProgramParameters4fvNV)                      \
  X(PFNGLREQUESTRESIDENTPROGRAMSNVPROC, glRequestResidentProgramsNV)                \
  X(PFNGLTRACKMATRIXNVPROC, glTrackMatrixNV)                                        \
  X(PFNGLVERTEXATTRIBPOINTERNVPROC, glVertexAttribPointerNV)                        \
  X(PFNGLVERTEXATTRIB1DNVPROC, glVertexAttrib1dNV)                                  \
  X(PFNGLVERTEXATTRIB1DVNVPROC, glVertexAttrib1dvNV)                                \
  X(PFNGLVERTEXATTRIB1FNVPROC, glVertexAttrib1fNV)                                  \
  X(PFNGLVERTEXATTRIB1FVNVPROC, glVertexAttrib1fvNV)                                \
  X(PFNGLVERTEXATTRIB1SNVPROC, glVertexAttrib1sNV)                                  \
  X(PFNGLVERTEXATTRIB1SVNVPROC, glVertexAttrib1svNV)                                \
  X(PFNGLVERTEXATTRIB2DNVPROC, glVertexAttrib2dNV)                                  \
  X(PFNGLVERTEXATTRIB2DVNVPROC, glVertexAttrib2dvNV)                                \
  X(PFNGLVERTEXATTRIB2FNVPROC, glVertexAttrib2fNV)                                  \
  X(PFNGLVERTEXATTRIB2FVNVPROC, glVertexAttrib2fvNV)                                \
  X(PFNGLVERTEXATTRIB2SNVPROC, glVertexAttrib2sNV)                                  \
  X(PFNGLVERTEXATTRIB2SVNVPROC, glVertexAttrib2svNV)                                \
  X(PFNGLVERTEXATTRIB3DNVPROC, glVertexAttrib3dNV)                                  \
  X(PFNGLVERTEXATTRIB3DVNVPROC, glVertexAttrib3dvNV)                                \
  X(PFNGLVERTEXATTRIB3FNVPROC, glVertexAttrib3fNV)                                  \
  X(PFNGLVERTEXATTRIB3FVNVPROC, glVertexAttrib3fvNV)                                \
  X(PFNGLVERTEXATTRIB3SNVPROC, glVertexAttrib3sNV)                                  \
  X(PFNGLVERTEXATTRIB3SVNVPROC, glVertexAttrib3svNV)                                \
  X(PFNGLVERTEXATTRIB4DNVPROC, glVertexAttrib4dNV)                                  \
  X(PFNGLVERTEXATTRIB4DVNVPROC, glVertexAttrib4dvNV)                                \
  X(PFNGLVERTEXATTRIB4FNVPROC, glVertexAttrib4fNV)                                  \
  X(PFNGLVERTEXATTRIB4FVNVPROC, glVertexAttrib4fvNV)                                \
  X(PFNGLVERTEXATTRIB4SNVPROC, glVertexAttrib4sNV)                                  \
  X(PFNGLVERTEXATTRIB4SVNVPROC, glVertexAttrib4svNV)                                \
  X(PFNGLVERTEXATTRIB4UBNVPROC, glVertexAttrib4ubNV)                                \
  X(PFNGLVERTEXATTRIB4UBVNVPROC, glVertexAttrib4ubvNV)                              \
  X(PFNGLVERTEXATTRIBS1DVNVPROC, glVertexAttribs1dvNV)                              \
  X(PFNGLVERTEXATTRIBS1FVNVPROC, glVertexAttribs1fvNV)                              \
  X(PFNGLVERTEXATTRIBS1SVNVPROC, glVertexAttribs1svNV)                              \
  X(PFNGLVERTEXATTRIBS2DVNVPROC, glVertexAttribs2dvNV)                              \
  X(PFNGLVERTEXATTRIBS2FVNVPROC, glVertexAttribs2fvNV)                              \
  X(PFNGLVERTEXATTRIBS2SVNVPROC, glVertexAttribs2svNV)                              \
  X(PFNGLVERTEXATTRIBS3DVNVPROC, glVertexAttribs3dvNV)                              \
  X(PFNGLVERTEXATTRIBS3FVNVPROC, glVertexAttribs3fvNV)                              \
  X(PFNGLVERTEXATTRIBS3SVNVPROC, glVertexAttribs3svNV)                              \
  X(PFNGLVERTEXATTRIBS4DVNVPROC, glVertexAttribs4dvNV)                              \
  X(PFNGLVERTEXATTRIBS4FVNVPROC, glVertexAttribs4fvNV)                              \
  X(PFNGLVERTEXATTRIBS4SVNVPROC, glVertexAttribs4svNV)                              \
  X(PFNGLVERTEXATTRIBS4UBVNVPROC, glVertexAttribs4ubvNV)                            \
  /* other vendors */                                                               \
  X(PFNGLADDSWAPHINTRECTWINPROC, glAddSwapHintRectWIN)                              \
  X(PFNGLSAMPLEMASKSGISPROC, glSampleMaskSGIS)                                      \
  X(PFNGLSAMPLEPATTERNSGISPROC, glSamplePatternSGIS)                                \
  X(PFNGLTEXTURECOLORMASKSGISPROC, glTextureColorMaskSGIS)                          \
  X(PFNGLRESIZEBUFFERSMESAPROC, glResizeBuffersMESA)                                \
  X(PFNGLTBUFFERMASK3DFXPROC, glTbufferMask3DFX)                                    \
  X(PFNGLDRAWBUFFERSATIPROC, glDrawBuffersATI)                                      \
  X(PFNGLUNURBSCALLBACKDATAEXTPROC, gluNurbsCallbackDataEXT)                        \
  X(PFNGLUNEWNURBSTESSELLATOREXTPROC, gluNewNurbsTessellatorEXT)                    \
  X(PFNGLUDELETENURBSTESSELLATOREXTPROC, gluDeleteNurbsTessellatorEXT)

// The WGL entry points ReadWGLExtensions looks up.
#define OPENGL1X_WGL_ENTRY_POINTS(X)                                                \
  X(PFNWGLGETEXTENSIONSSTRINGARBPROC, wglGetExtensionsStringARB)                    \
  X(PFNWGLGETPIXELFORMATATTRIBIVARBPROC, wglGetPixelFormatAttribivARB)              \
  X(PFNWGLGETPIXELFORMATATTRIBFVARBPROC, wglGetPixelFormatAttribfvARB)              \
  X(PFNWGLCHOOSEPIXELFORMATARBPROC, wglChoosePixelFormatARB)                        \
  X(PFNWGLCREATEPBUFFERARBPROC, wglCreatePbufferARB)                                \
  X(PFNWGLGETPBUFFERDCARBPROC, wglGetPbufferDCARB)                                  \
  X(PFNWGLRELEASEPBUFFERDCARBPROC, wglReleasePbufferDCARB)                          \
  X(PFNWGLDESTROYPBUFFERARBPROC, wglDestroyPbufferARB)                              \
  X(PFNWGLQUERYPBUFFERARBPROC, wglQueryPbufferARB)                                  \
  X(PFNWGLCREATEBUFFERREGIONARBPROC, wglCreateBufferRegionARB)                      \
  X(PFNWGLDELETEBUFFERREGIONARBPROC, wglDeleteBufferRegionARB)                      \
  X(PFNWGLSAVEBUFFERREGIONARBPROC, wglSaveBufferRegionARB)                          \
  X(PFNWGLRESTOREBUFFERREGIONARBPROC, wglRestoreBufferRegionARB)                    \
  X(PFNWGLSWAPINTERVALEXTPROC, wglSwapIntervalEXT)                                  \
  X(PFNWGLGETSWAPINTERVALEXTPROC, wglGetSwapIntervalEXT)

#define OPENGL1X_DECLARE(Type, Name) extern Type Name;
OPENGL1X_ENTRY_POINTS(OPENGL1X_DECLARE)
OPENGL1X_WGL_ENTRY_POINTS(OPENGL1X_DECLARE)
#undef OPENGL1X_DECLARE

// The extension names of each flag group, as X(flag, name searched for). The
// system headers define the GL_..., GLU_... and WGL_... names as macros, so
// the flags are members without the prefix: GL.ARB_multitexture,
// GLU.EXT_nurbs_tessellator, WGL.ARB_pbuffer.
#define OPENGL1X_GL_EXTENSIONS(X)                                                   \
  X(_3DFX_multisample, "GL_3DFX_multisample")                                       \
  X(_3DFX_tbuffer, "GL_3DFX_tbuffer")                                               \
  X(_3DFX_texture_compression_FXT1, "GL_3DFX_texture_compression_FXT1")             \
  X(ARB_imaging, "GL_ARB_imaging")                                                  \
  X(ARB_multisample, " GL_ARB_multisample")                                         \
  X(ARB_multitexture, "GL_ARB_multitexture")                                        \
  X(ARB_depth_texture, "GL_ARB_depth_texture")                                      \
  X(ARB_shadow, "GL_ARB_shadow")                                                    \
  X(ARB_texture_border_clamp, "GL_ARB_texture_border_clamp")                        \
  X(ARB_texture_compression, "GL_ARB_texture_compression")                          \
  X(ARB_texture_cube_map, "GL_ARB_texture_cube_map")                                \
  X(ARB_transpose_matrix, "GL_ARB_transpose_matrix")                                \
  X(ARB_vertex_blend, "GL_ARB_vertex_blend")                                        \
  X(ARB_point_parameters, "GL_ARB_point_parameters")                                \
  X(ARB_texture_env_combine, "GL_ARB_texture_env_combine")                          \
  X(ARB_texture_env_crossbar, "GL_ARB_texture_env_crossbar")                        \
  X(ARB_texture_env_dot3, "GL_ARB_texture_env_dot3")                                \
  X(ARB_vertex_program, "GL_ARB_vertex_program")                                    \
  X(ARB_vertex_buffer_object, "GL_ARB_vertex_buffer_object")                        \
  X(ARB_shader_objects, "GL_ARB_shader_objects")                                    \
  X(ARB_vertex_shader, "GL_ARB_vertex_shader")                                      \
  X(ARB_fragment_shader, "GL_ARB_fragment_shader")                                  \
  X(ARB_fragment_program, "GL_ARB_fragment_program")                                \
  X(EXT_abgr, "GL_EXT_abgr")                                                        \
  X(EXT_bgra, "GL_EXT_bgra")                                                        \
  X(EXT_blend_color, "GL_EXT_blend_color")                                          \
  X(EXT_blend_func_separate, "GL_EXT_blend_func_separate")                          \
  X(EXT_blend_logic_op, "GL_EXT_blend_logic_op")                                    \
  X(EXT_blend_minmax, "GL_EXT_blend_minmax")                                        \
  X(EXT_blend_subtract, "GL_EXT_blend_subtract")                                    \
  X(EXT_Cg_shader, "GL_EXT_Cg_shader")                                              \
  X(EXT_compiled_vertex_array, "GL_EXT_compiled_vertex_array")                      \
  X(EXT_copy_texture, "GL_EXT_copy_texture")                                        \
  X(EXT_draw_range_elements, "GL_EXT_draw_range_elements")                          \
  X(EXT_fog_coord, "GL_EXT_fog_coord")                                              \
  X(EXT_multi_draw_arrays, "GL_EXT_multi_draw_arrays")                              \
  X(EXT_multisample, "GL_EXT_multisample")                                          \
  X(EXT_packed_pixels, "GL_EXT_packed_pixels")                                      \
  X(EXT_paletted_texture, "GL_EXT_paletted_texture")                                \
  X(EXT_polygon_offset, "GL_EXT_polygon_offset")                                    \
  X(EXT_rescale_normal, "GL_EXT_rescale_normal")                                    \
  X(EXT_secondary_color, "GL_EXT_secondary_color")                                  \
  X(EXT_separate_specular_color, "GL_EXT_separate_specular_color")                  \
  X(EXT_shared_texture_palette, "GL_EXT_shared_texture_palette")                    \
  X(EXT_stencil_wrap, "GL_EXT_stencil_wrap")                                        \
  X(EXT_stencil_two_side, "EXT_stencil_two_side")                                   \
  X(EXT_texture_compression_s3tc, "GL_EXT_texture_compression_s3tc")                \
  X(EXT_texture_cube_map, "GL_EXT_texture_cube_map")                                \
  X(EXT_texture_edge_clamp, "GL_EXT_texture_edge_clamp")                            \
  X(EXT_texture_env_add, "GL_EXT_texture_env_add")                                  \
  X(EXT_texture_env_combine, "GL_EXT_texture_env_combine")                          \
  X(EXT_texture_filter_anisotropic, "GL_EXT_texture_filter_anisotropic")            \
  X(EXT_texture_lod_bias, "GL_EXT_texture_lod_bias")                                \
  X(EXT_texture_object, "GL_EXT_texture_object")                                    \
  X(EXT_texture3D, "GL_EXT_texture3D")                                              \
  X(EXT_clip_volume_hint, "GL_EXT_clip_volume_hint")                                \
  X(HP_occlusion_test, "GL_HP_occlusion_test")                                      \
  X(IBM_rasterpos_clip, "GL_IBM_rasterpos_clip")                                    \
  X(KTX_buffer_region, "GL_KTX_buffer_region")                                      \
  X(MESA_resize_buffers, "GL_MESA_resize_buffers")                                  \
  X(NV_blend_square, "GL_NV_blend_square")                                          \
  X(NV_fog_distance, "GL_NV_fog_distance")                                          \
  X(NV_light_max_exponent, "GL_NV_light_max_exponent")                              \
  X(NV_register_combiners, "GL_NV_register_combiners")                              \
  X(NV_texgen_reflection, "GL_NV_texgen_reflection")                                \
  X(NV_texture_env_combine4, "GL_NV_texture_env_combine4")                          \
  X(NV_vertex_array_range, "GL_NV_vertex_array_range")                              \
  X(NV_multisample_filter_hint, "GL_NV_multisample_filter_hint")                    \
  X(NV_vertex_program, "GL_NV_vertex_program")                                      \
  X(NV_fence, "GL_NV_fence")                                                        \
  X(NV_occlusion_query, "GL_NV_occlusion_query")                                    \
  X(NV_texture_rectangle, "GL_NV_texture_rectangle")                                \
  X(ATI_texture_float, "GL_ATI_texture_float")                                      \
  X(ATI_draw_buffers, "GL_ATI_draw_buffers")                                        \
  X(SGI_color_matrix, "GL_SGI_color_matrix")                                        \
  X(SGIS_generate_mipmap, "GL_SGIS_generate_mipmap")                                \
  X(SGIS_multisample, "GL_SGIS_multisample")                                        \
  X(SGIS_texture_border_clamp, "GL_SGIS_texture_border_clamp")                      \
  X(SGIS_texture_color_mask, "GL_SGIS_texture_color_mask")                          \
  X(SGIS_texture_edge_clamp, "GL_SGIS_texture_edge_clamp")                          \
  X(SGIS_texture_lod, "GL_SGIS_texture_lod")                                        \
  X(SGIX_depth_texture, "GL_SGIX_depth_texture")                                    \
  X(SGIX_shadow, "GL_SGIX_shadow")                                                  \
  X(SGIX_shadow_ambient, "GL_SGIX_shadow_ambient")                                  \
  X(WIN_swap_hint, "GL_WIN_swap_hint")

#define OPENGL1X_GLU_EXTENSIONS(X)                                                  \
  X(EXT_TEXTURE, "GLU_EXT_TEXTURE")                                                 \
  X(EXT_object_space_tess, "GLU_EXT_object_space_tess")                             \
  X(EXT_nurbs_tessellator, "GLU_EXT_nurbs_tessellator")

#define OPENGL1X_WGL_EXTENSIONS(X)                                                  \
  X(ARB_multisample, "WGL_ARB_multisample")                                         \
  X(EXT_swap_control, "WGL_EXT_swap_control")                                       \
  X(ARB_buffer_region, "WGL_ARB_buffer_region")                                     \
  X(ARB_extensions_string, "WGL_ARB_extensions_string")                             \
  X(ARB_pbuffer, "WGL_ARB_pbuffer ")                                                \
  X(ARB_pixel_format, "WGL_ARB_pixel_format")                                       \
  X(ATI_pixel_format_float, "WGL_ATI_pixel_format_float")

#define OPENGL1X_FLAG(Flag, Text) bool Flag = false;
struct TGLCapabilities {
  bool VERSION_1_0 = false, VERSION_1_1 = false, VERSION_1_2 = false, VERSION_1_3 = false,
       VERSION_1_4 = false, VERSION_1_5 = false;
  OPENGL1X_GL_EXTENSIONS(OPENGL1X_FLAG)
};
struct TGLUCapabilities {
  bool VERSION_1_0 = false, VERSION_1_1 = false, VERSION_1_2 = false;
  OPENGL1X_GLU_EXTENSIONS(OPENGL1X_FLAG)
};
// ARB_extensions_string is first set from the GL extension string, then
// again from the WGL one.
struct TWGLCapabilities {
  OPENGL1X_WGL_EXTENSIONS(OPENGL1X_FLAG)
};
#undef OPENGL1X_FLAG

extern TGLCapabilities GL;
extern TGLUCapabilities GLU;
extern TWGLCapabilities WGL;

// The library names, resource strings of the unit.
extern const char* const SDefaultGLLibrary;    // "OpenGL32.dll"
extern const char* const SDefaultGLULibrary;   // "GLU32.dll"

// True when both libraries are loaded (loading them by the default names).
bool InitOpenGL();
// Releases what is loaded, then loads both; false (nothing loaded) when
// either fails.
bool InitOpenGLFromLibrary(const std::string& GLName, const std::string& GLUName);
void CloseOpenGL();
bool IsOpenGLInitialized();
// The loaded OpenGL library exports glResizeBuffersMESA.
bool IsMesaGL();
HMODULE GLHandle();
HMODULE GLUHandle();

// Entry points of the current context: every extension, then the WGL ones.
void ReadExtensions();
void ReadWGLExtensions();
// Capability flags of the current context, ending with the WGL properties.
void ReadImplementationProperties();
void ReadWGLImplementationProperties();

// The flag rules on given strings (the readers above pass the driver's).
void ReadImplementationPropertiesFrom(const char* Version, const char* Extensions, const char* GLUVersion,
                                      const char* GLUExtensions, const char* WGLExtensions);
// "1.5.2 Vendor" gives 1 and 5; a text without a digit on both sides of its
// first dot gives 0 and 0.
void TrimAndSplitVersionString(const std::string& Buffer, int& Max, int& Min);
// The extension test: Name occurs in Buffer and is followed by a blank or
// ends it.
bool CheckExtension(const std::string& Buffer, const std::string& Name);

// All floating-point exceptions masked, round to nearest: x87 control word
// 0x133F (64-bit precision) and the SSE control register's masks.
void MaskFPUExceptions();

void OpenGL1x_Initialize();
void OpenGL1x_Finalize();
