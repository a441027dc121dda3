#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "Assertions.h"
#include "GLTestWindow.h"
#include "TestPaths.h"
#include "scene3d/GLContext.h"
#include "scene3d/Platform/GLWin32Context.h"

namespace {
class ContextTest : public testing::Test {
protected:
  void SetUp() override {
    Forms_Initialize();
    OpenGL1x_Initialize();
    GLContext_Initialize();
    GLWin32Context_Initialize();
  }
  void TearDown() override {
    GLWin32Context_Finalize();
    GLContext_Finalize();
    OpenGL1x_Finalize();
    Forms_Finalize();
  }
  std::unique_ptr<TGLWin32Context> WindowContext(TGLTestForm* Form) {
    auto c = std::make_unique<TGLWin32Context>();
    c->SetDepthBits(24);
    c->SetOptions({TGLRCOption::rcoDoubleBuffered});
    c->CreateContext(Form->View->DC());
    return c;
  }
  std::unique_ptr<TGLWin32Context> MemoryContext(int Width, int Height) {
    auto c = std::make_unique<TGLWin32Context>();
    c->SetColorBits(24);   // see ARCHITECTURE.md: no alpha in pbuffers under Xvfb
    c->SetDepthBits(24);
    c->CreateMemoryContext(nullptr, Width, Height);
    return c;
  }
};

std::string Raised(const std::function<void()>& F) { return MessageOf<EGLContext>(F); }

std::vector<GLuint> Deletions;
void APIENTRY CountingDeleteTextures(GLsizei N, const GLuint* Names) {
  Deletions.insert(Deletions.end(), Names, Names + N);
  glDeleteTextures(N, Names);
}

// A platform whose context cannot be deleted.
class TUndeletableContext : public TGLContext {
public:
  bool IsValid() const override { return FValid; }
  void SwapBuffers() override {}
  HDC RenderOutputDevice() const override { return nullptr; }

protected:
  void DoCreateContext(HDC) override {
    FValid = true;
    SetAcceleration(TGLContextAcceleration::chaSoftware);
  }
  void DoCreateMemoryContext(HDC, int, int, int) override {}
  void DoShareLists(TGLContext*, bool) override {}
  void DoDestroyContext() override {
    FValid = false;
    throw EGLContext("Delete context failed");
  }
  void DoActivate() override {}
  void DoDeactivate() override {}

private:
  bool FValid = false;
};

// The ARB choice of a pixel format, asked directly.
class TChoosingContext : public TGLWin32Context {
public:
  using TGLWin32Context::ChooseWGLFormat;
};

// A driver that offers formats only without the acceleration requirement,
// and its deepest depth buffer has 24 bits: every attribute list asked is kept.
std::vector<std::vector<int>> Asked;
PFNWGLCHOOSEPIXELFORMATARBPROC RealChoose = nullptr;
BOOL WINAPI SoftwareOnlyChoose(HDC DC, const int* IAttribs, const FLOAT* FAttribs, UINT Max, int* Formats,
                               UINT* Count) {
  std::vector<int> asked;
  for (const int* a = IAttribs; *a; a += 2) asked.insert(asked.end(), {a[0], a[1]});
  Asked.push_back(asked);
  *Count = 0;
  for (size_t i = 0; i < asked.size(); i += 2) {
    if (asked[i] == WGL_ACCELERATION_ARB) return TRUE;
    if (asked[i] == WGL_DEPTH_BITS_ARB) asked[i + 1] = std::min(asked[i + 1], 24);
  }
  asked.push_back(0);
  return RealChoose(DC, asked.data(), FAttribs, Max, Formats, Count);
}

int Attrib(const std::vector<int>& List, int Name) {
  for (size_t i = 0; i + 1 < List.size(); i += 2)
    if (List[i] == Name) return List[i + 1];
  return -1;
}

uint32_t PixelAt(int X, int Y) {
  uint8_t p[4] = {};
  glReadPixels(X, Y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
  return uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
}

// A 2 x 2 texture of one colour, made in the current context.
void FillTexture(GLuint Name, uint32_t Rgb) {
  const uint8_t texel[4] = {uint8_t(Rgb >> 16), uint8_t(Rgb >> 8), uint8_t(Rgb), 255};
  uint8_t texels[16];
  for (int i = 0; i < 4; ++i) std::memcpy(texels + 4 * i, texel, 4);
  glBindTexture(GL_TEXTURE_2D, Name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
}

// The whole viewport covered by texture Name.
void DrawTextured(GLuint Name, int Width, int Height) {
  glViewport(0, 0, Width, Height);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_TEXTURE_2D);
  glBindTexture(GL_TEXTURE_2D, Name);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glBegin(GL_QUADS);
  glTexCoord2f(0, 0);
  glVertex2f(-1, -1);
  glTexCoord2f(1, 0);
  glVertex2f(1, -1);
  glTexCoord2f(1, 1);
  glVertex2f(1, 1);
  glTexCoord2f(0, 1);
  glVertex2f(-1, 1);
  glEnd();
  glDisable(GL_TEXTURE_2D);
  glFinish();
}
}  // namespace

TEST_F(ContextTest, WindowContextByTheArbPathShowsItsClearColour) {
  auto* form = new TGLTestForm(Application, 160, 120);
  auto rc = WindowContext(form);
  EXPECT_TRUE(rc->IsValid());
  EXPECT_EQ(rc->Acceleration(), TGLContextAcceleration::chaHardware) << "llvmpipe's formats are not generic";
  EXPECT_EQ(TrackedWindowCount(), 1);
  EXPECT_EQ(GLContextManager->CreatedContextCount(), 1);
  rc->Activate();
  const std::string version = reinterpret_cast<const char*>(glGetString(GL_VERSION));
  EXPECT_FALSE(version.empty());
  EXPECT_TRUE(GL.VERSION_1_5 && GL.ARB_multitexture && WGL.ARB_pixel_format && WGL.ARB_pbuffer);
  EXPECT_NE(glActiveTextureARB, nullptr);
  PIXELFORMATDESCRIPTOR pfd{};
  DescribePixelFormat(rc->RenderOutputDevice(), GetPixelFormat(rc->RenderOutputDevice()), sizeof pfd, &pfd);
  EXPECT_TRUE(pfd.dwFlags & PFD_DOUBLEBUFFER);
  EXPECT_GE(pfd.cDepthBits, 24);
  int sampleBuffers = -1;
  const int query = WGL_SAMPLE_BUFFERS_ARB;
  wglGetPixelFormatAttribivARB(rc->RenderOutputDevice(), GetPixelFormat(rc->RenderOutputDevice()), 0, 1, &query,
                               &sampleBuffers);
  EXPECT_EQ(sampleBuffers, 0) << "the default asks for a format without multisampling";

  glViewport(0, 0, 160, 120);
  glClearColor(0.0f, 0.5f, 1.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glFinish();
  const TCapture frame = ReadGLPixels(160, 120);
  EXPECT_EQ(frame.Count(0x0080FF), 160 * 120);
  SaveBmp(frame, "window-context.bmp");
  rc->SwapBuffers();
  rc->Deactivate();
  delete form;   // the form's end takes the context with it
}

TEST_F(ContextTest, MultisampleWhenAskedFor) {
  auto* form = new TGLTestForm(Application, 64, 64);
  TGLWin32Context rc;
  rc.SetAntiAliasing(TGLAntiAliasing::aa4x);
  rc.CreateContext(form->View->DC());
  int samples = 0;
  const int query = WGL_SAMPLES_ARB;
  wglGetPixelFormatAttribivARB(rc.RenderOutputDevice(), GetPixelFormat(rc.RenderOutputDevice()), 0, 1, &query,
                               &samples);
  EXPECT_EQ(samples, WGL.ARB_multisample && GL.ARB_multisample ? 4 : 0);
  rc.DestroyContext();
  delete form;
}

TEST_F(ContextTest, ActivationNestsAndTheMessagesAreTheSystems) {
  auto* form = new TGLTestForm(Application, 64, 64);
  TGLWin32Context rc;
  EXPECT_EQ(Raised([&] { rc.Activate(); }), "Context not created");
  rc.CreateContext(form->View->DC());
  EXPECT_EQ(Raised([&] { rc.CreateContext(form->View->DC()); }), "Context already created");
  for (int i = 0; i < 3; ++i) rc.Activate();
  EXPECT_EQ(rc.ActivationCount(), 3);
  EXPECT_EQ(wglGetCurrentContext(), rc.RC());
  EXPECT_EQ(Raised([&] { rc.SetDepthBits(16); }), "Cannot alter an active context");
  rc.Deactivate();
  rc.Deactivate();
  EXPECT_EQ(CurrentGLContext(), &rc) << "one activation left";
  EXPECT_EQ(wglGetCurrentContext(), rc.RC());
  rc.Deactivate();
  EXPECT_EQ(CurrentGLContext(), nullptr);
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
  EXPECT_NE(AssertionOf([&] { rc.Deactivate(); }).find("scene3d\\GLContext, line 923"), std::string::npos);
  EXPECT_EQ(Raised([&] { GLContextManager->RegisterContext(&rc); }), "Invalid context registration");
  rc.SetActive(true);
  rc.SetActive(true);
  EXPECT_EQ(rc.ActivationCount(), 1);
  rc.SetActive(false);

  TGLListHandle list;
  EXPECT_NE(AssertionOf([&] { list.AllocateHandle(); }).find("line 983"), std::string::npos) << "no current context";
  delete form;
  EXPECT_FALSE(rc.IsValid());
}

TEST_F(ContextTest, OpenGLErrorsCarryTheGluText) {
  auto* form = new TGLTestForm(Application, 32, 32);
  auto rc = WindowContext(form);
  rc->Activate();
  glClear(GL_COLOR_BUFFER_BIT);
  EXPECT_NO_THROW(CheckOpenGLError());
  glEnable(0x1234);
  try {
    CheckOpenGLError();
    ADD_FAILURE() << "no error raised";
  } catch (const EOpenGLError& e) {
    EXPECT_EQ(e.Message, reinterpret_cast<const char*>(gluErrorString(GL_INVALID_ENUM)));
  }
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)) << "drained";
  glEnable(0x1234);
  ClearGLError();
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  rc->Deactivate();
  delete form;
}

TEST_F(ContextTest, MemoryContextThroughAPbuffer) {
  ASSERT_TRUE(InitOpenGL());
  auto mem = MemoryContext(96, 48);
  EXPECT_NE(mem->PBuffer(), nullptr) << "Wine with llvmpipe offers WGL_ARB_pbuffer";
  mem->Activate();
  int w = 0, h = 0;
  wglQueryPbufferARB(mem->PBuffer(), WGL_PBUFFER_WIDTH_ARB, &w);
  wglQueryPbufferARB(mem->PBuffer(), WGL_PBUFFER_HEIGHT_ARB, &h);
  EXPECT_EQ(w, 96);
  EXPECT_EQ(h, 48);
  glViewport(0, 0, 96, 48);
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glFinish();
  EXPECT_EQ(PixelAt(95, 47), 0xFF0000u);
  mem->SwapBuffers();   // nothing for a pbuffer
  mem->Deactivate();
  mem->DestroyContext();
  EXPECT_EQ(mem->PBuffer(), nullptr);
}

// A texture made in the window's context draws in a second context that
// shares with it: the new context receives the lists before its first
// activation, whichever of the two asks.
TEST_F(ContextTest, SharedContextsDrawEachOthersTextures) {
  auto* form = new TGLTestForm(Application, 64, 64);
  auto base = WindowContext(form);
  base->Activate();
  TGLTextureHandle tex;
  tex.AllocateHandle();
  FillTexture(tex.Handle(), 0x20C040);
  DrawTextured(tex.Handle(), 64, 64);
  EXPECT_EQ(PixelAt(10, 10), 0x20C040u);
  base->Deactivate();

  for (bool baseAsks : {false, true}) {
    auto mem = MemoryContext(32, 32);
    if (baseAsks) base->ShareLists(mem.get());
    else mem->ShareLists(base.get());
    EXPECT_EQ(mem->SharedContexts().size(), 2u);
    EXPECT_EQ(base->FindCompatibleContext(), mem.get());
    mem->Activate();
    EXPECT_TRUE(glIsTexture(tex.Handle()));
    DrawTextured(tex.Handle(), 32, 32);
    EXPECT_EQ(PixelAt(16, 16), 0x20C040u) << "base asks: " << baseAsks;
    mem->Deactivate();
  }

  // two contexts that have both been current cannot share any more
  auto late = MemoryContext(8, 8);
  late->Activate();
  late->Deactivate();
  EXPECT_EQ(Raised([&] { late->ShareLists(base.get()); }), "Cannot share lists: both contexts have been current");
  EXPECT_EQ(late->SharedContexts().size(), 1u);
  delete form;
}

TEST_F(ContextTest, DestroyedContextHandsItsNamesToASharingContext) {
  auto* form = new TGLTestForm(Application, 32, 32);
  auto a = WindowContext(form);
  auto b = MemoryContext(16, 16);
  b->ShareLists(a.get());
  a->Activate();
  TGLTextureHandle tex;
  tex.AllocateHandle();
  FillTexture(tex.Handle(), 0xFF00FF);
  TGLListHandle list;
  list.AllocateHandle();
  TGLVirtualHandle lonely;   // a handle that never got a name
  lonely.AllocateHandle();
  EXPECT_EQ(lonely.Handle(), 0u);
  EXPECT_EQ(a->OwnedHandles().size(), 2u);
  a->Deactivate();
  a->DestroyContext();
  EXPECT_EQ(tex.RenderingContext(), b.get());
  EXPECT_EQ(list.RenderingContext(), b.get());
  EXPECT_EQ(b->OwnedHandles().size(), 2u);
  EXPECT_EQ(b->SharedContexts().size(), 1u);
  b->Activate();
  EXPECT_TRUE(glIsTexture(tex.Handle()));
  EXPECT_TRUE(glIsList(list.Handle()));
  // a name that is no longer a texture is not deleted again
  const GLuint name = tex.Handle();
  glDeleteTextures(1, &name);
  Deletions.clear();
  const TGLHandleCalls real = GLHandleCalls();
  GLHandleCalls().DeleteTextures = CountingDeleteTextures;
  EXPECT_NO_THROW(tex.DestroyHandle());
  EXPECT_EQ(tex.Handle(), 0u);
  EXPECT_TRUE(Deletions.empty());
  TGLTextureHandle live;
  live.AllocateHandle();
  FillTexture(live.Handle(), 0x102030);
  const GLuint liveName = live.Handle();
  live.DestroyHandle();
  EXPECT_EQ(Deletions, std::vector<GLuint>{liveName}) << "a texture is deleted";
  GLHandleCalls() = real;
  list.DestroyHandle();
  EXPECT_FALSE(glIsList(name));
  b->Deactivate();
  delete form;
}

// Freeing a name of another context while one is current at some depth
// makes the owner current for the deletion, then puts the other back at its
// depth.
TEST_F(ContextTest, DestroyingNamesAndContextsKeepsNestedActivationsBalanced) {
  auto* form = new TGLTestForm(Application, 32, 32);
  auto a = WindowContext(form);
  auto b = MemoryContext(16, 16);
  b->Activate();
  TGLVirtualHandle v;
  v.OnAllocate = [](TGLContextHandle*, GLuint& H) { H = 7; };
  TGLContext* currentAtDeletion = nullptr;
  HGLRC wglAtDeletion = nullptr;
  v.OnDestroy = [&](TGLContextHandle*, GLuint& H) {
    EXPECT_EQ(H, 7u);
    currentAtDeletion = CurrentGLContext();
    wglAtDeletion = wglGetCurrentContext();
  };
  v.AllocateHandle();
  TGLTextureHandle t;
  t.AllocateHandle();
  b->Deactivate();

  for (int i = 0; i < 3; ++i) a->Activate();
  auto c = MemoryContext(8, 8);   // its pixel format is asked of a probe context
  EXPECT_EQ(wglGetCurrentContext(), a->RC()) << "the current context is current again afterwards";
  c.reset();
  EXPECT_EQ(a->ActivationCount(), 3);
  v.DestroyHandle();
  EXPECT_EQ(currentAtDeletion, b.get());
  EXPECT_EQ(wglAtDeletion, b->RC());
  EXPECT_EQ(CurrentGLContext(), a.get());
  EXPECT_EQ(a->ActivationCount(), 3);
  EXPECT_EQ(b->ActivationCount(), 0);
  EXPECT_EQ(wglGetCurrentContext(), a->RC());

  b->DestroyContext();   // takes t with it
  EXPECT_EQ(t.Handle(), 0u);
  EXPECT_EQ(CurrentGLContext(), a.get());
  EXPECT_EQ(a->ActivationCount(), 3);
  EXPECT_EQ(wglGetCurrentContext(), a->RC());
  for (int i = 0; i < 3; ++i) a->Deactivate();
  EXPECT_EQ(wglGetCurrentContext(), nullptr);
  delete form;
}

TEST_F(ContextTest, ManagerCountsAndNotifiesWhenTheLastContextGoes) {
  auto* form = new TGLTestForm(Application, 32, 32);
  std::vector<int> order;
  {
    auto made = GLContextManager->CreateContext();
    ASSERT_NE(dynamic_cast<TGLWin32Context*>(made.get()), nullptr) << "the registered class";
    made->CreateContext(form->View->DC());
    auto second = MemoryContext(8, 8);
    EXPECT_EQ(GLContextManager->ContextCount(), 2);
    EXPECT_EQ(GLContextManager->CreatedContextCount(), 2);
    GLContextManager->NotifyWhenNoContextLeft(nullptr, [&](TObject*) { order.push_back(1); });
    GLContextManager->NotifyWhenNoContextLeft(nullptr, [&](TObject*) { order.push_back(2); });
    second->DestroyContext();
    EXPECT_TRUE(order.empty());
  }
  EXPECT_EQ(order, (std::vector<int>{2, 1}));
  EXPECT_EQ(GLContextManager->ContextCount(), 0);
  delete form;
}

TEST_F(ContextTest, ContextGoesWithItsFormBeforeTheWindow) {
  auto* form = new TGLTestForm(Application, 48, 48);
  auto rc = WindowContext(form);
  rc->Activate();
  TGLTextureHandle tex;
  tex.AllocateHandle();
  rc->Deactivate();
  const HWND view = form->View->Handle();
  bool windowAliveAtDestroy = false;
  TGLVirtualHandle probe;
  rc->Activate();
  probe.OnAllocate = [](TGLContextHandle*, GLuint& H) { H = 1; };
  probe.OnDestroy = [&](TGLContextHandle*, GLuint&) { windowAliveAtDestroy = IsWindow(view); };
  probe.AllocateHandle();
  rc->Deactivate();
  delete form;
  EXPECT_FALSE(rc->IsValid());
  EXPECT_TRUE(windowAliveAtDestroy);
  EXPECT_EQ(tex.Handle(), 0u);
  EXPECT_EQ(TrackedWindowCount(), 0);
  EXPECT_EQ(CurrentGLContext(), nullptr);
}

// A handle freed while it still holds a name deletes the name in its context
// (the base class can no longer reach the deletion of its subclass).
TEST_F(ContextTest, HandlesFreedWithTheirNamesDeleteThem) {
  auto* form = new TGLTestForm(Application, 32, 32);
  auto a = WindowContext(form);
  a->Activate();
  GLuint list = 0, texture = 0;
  int destroyed = 0;
  {
    TGLListHandle l;
    l.AllocateHandle();
    list = l.Handle();
    TGLTextureHandle t;
    t.AllocateHandle();
    texture = t.Handle();
    glBindTexture(GL_TEXTURE_2D, texture);
    glBindTexture(GL_TEXTURE_2D, 0);
    TGLVirtualHandle v;
    v.OnAllocate = [](TGLContextHandle*, GLuint& H) { H = 9; };
    v.OnDestroy = [&](TGLContextHandle*, GLuint&) { ++destroyed; };
    v.AllocateHandle();
    EXPECT_TRUE(glIsList(list));
    EXPECT_TRUE(glIsTexture(texture));
    EXPECT_EQ(a->OwnedHandles().size(), 3u);
  }
  EXPECT_FALSE(glIsList(list));
  EXPECT_FALSE(glIsTexture(texture));
  EXPECT_EQ(destroyed, 1);
  EXPECT_TRUE(a->OwnedHandles().empty());
  a->Deactivate();
  a.reset();
  delete form;
}

// A recording whose drawing fails leaves no list behind and the context
// drawing to the frame again; the next recording works.
TEST_F(ContextTest, AFailedRecordingLeavesNoListAndDrawsToTheFrameAgain) {
  auto* form = new TGLTestForm(Application, 32, 32);
  auto a = WindowContext(form);
  a->Activate();
  glViewport(0, 0, 32, 32);
  TGLListHandle l;
  GLuint name = 0;
  EXPECT_THROW(l.Record([&] {
    name = l.Handle();
    glClearColor(1, 0, 0, 1);
    throw EGLContext("drawing failed");
  }),
               EGLContext);
  EXPECT_NE(name, 0u);
  EXPECT_EQ(l.Handle(), 0u);
  EXPECT_FALSE(glIsList(name)) << "the half-made list is deleted";
  EXPECT_TRUE(a->OwnedHandles().empty());
  GLint compiling = -1;
  glGetIntegerv(GL_LIST_INDEX, &compiling);
  EXPECT_EQ(compiling, 0);
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glFinish();
  EXPECT_EQ(ReadGLPixels(32, 32).Count(0x0000FF), 32 * 32) << "the clear reaches the frame";
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
  l.Record([] { glClearColor(0, 1, 0, 1); });
  glCallList(l.Handle());
  glClear(GL_COLOR_BUFFER_BIT);
  glFinish();
  EXPECT_EQ(ReadGLPixels(32, 32).Count(0x00FF00), 32 * 32) << "the next recording plays";
  l.DestroyHandle();
  a->Deactivate();
  a.reset();
  delete form;
}

// Another pixel format may be another driver's: its entry points and flags
// are read again, whoever the vendor is.
TEST_F(ContextTest, AnotherPixelFormatReadsTheFlagsAgain) {
  auto* form = new TGLTestForm(Application, 32, 32);
  auto* second = new TGLTestForm(Application, 32, 32);
  auto a = WindowContext(form);
  a->Activate();
  ASSERT_TRUE(GL.ARB_multitexture);
  a->Deactivate();
  auto b = WindowContext(second);
  // What a driver without multitexturing would have left behind.
  GL.ARB_multitexture = false;
  glActiveTextureARB = nullptr;
  b->Activate();
  EXPECT_TRUE(GL.ARB_multitexture);
  EXPECT_NE(glActiveTextureARB, nullptr);
  b->Deactivate();
  delete second;
  delete form;
}

// A start-up after the last shut-down, while a context of the earlier run
// lives: the context's manager carries on.
TEST_F(ContextTest, AStartUpAfterTheLastShutDownKeepsTheLiveContextsManager) {
  auto* form = new TGLTestForm(Application, 32, 32);
  auto rc = WindowContext(form);
  TGLContextManager* manager = GLContextManager;
  GLWin32Context_Finalize();
  GLContext_Finalize();   // the last one: the manager waits for its context
  EXPECT_TRUE(manager->Terminated());
  GLContext_Initialize();
  GLWin32Context_Initialize();
  EXPECT_EQ(GLContextManager, manager);
  EXPECT_EQ(rc->Manager(), manager);
  EXPECT_FALSE(manager->Terminated());
  EXPECT_EQ(manager->ContextCount(), 1);
  rc->Activate();
  glClearColor(1, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glFinish();
  EXPECT_EQ(ReadGLPixels(32, 32).Count(0xFF00FF), 32 * 32);
  rc->Deactivate();
  rc.reset();
  EXPECT_EQ(GLContextManager->ContextCount(), 0);
  delete form;
}

// The first failure of a context's end is the one raised, and the context is
// gone all the same.
TEST_F(ContextTest, AFailedDeletionKeepsTheFirstErrorAndResetsTheAcceleration) {
  TUndeletableContext c;
  c.CreateContext(nullptr);
  EXPECT_EQ(c.Acceleration(), TGLContextAcceleration::chaSoftware);
  c.Activate();
  TGLVirtualHandle h;
  h.OnAllocate = [](TGLContextHandle*, GLuint& H) { H = 3; };
  h.OnDestroy = [](TGLContextHandle*, GLuint&) { throw EOpenGLError("name still in use"); };
  h.AllocateHandle();
  c.Deactivate();
  EXPECT_EQ(MessageOf<EOpenGLError>([&] { c.DestroyContext(); }), "name still in use");
  EXPECT_FALSE(c.IsValid());
  EXPECT_EQ(c.Acceleration(), TGLContextAcceleration::chaUnknown);
  EXPECT_EQ(h.Handle(), 0u);
  EXPECT_EQ(CurrentGLContext(), nullptr);
  c.CreateContext(nullptr);
  EXPECT_EQ(Raised([&] { c.DestroyContext(); }), "Delete context failed");
  EXPECT_EQ(c.Acceleration(), TGLContextAcceleration::chaUnknown);
}

// The ARB choice steps down one requirement at a time: samples, depth 32
// to 24, 24 to 16, colour to 16, then what was asked without acceleration.
TEST_F(ContextTest, PixelFormatFallBacksStepByStep) {
  auto* form = new TGLTestForm(Application, 64, 64);
  auto base = WindowContext(form);
  base->Activate();
  TChoosingContext c;
  c.SetColorBits(32);
  c.SetDepthBits(32);
  c.SetAntiAliasing(TGLAntiAliasing::aa4x);
  Asked.clear();
  RealChoose = wglChoosePixelFormatARB;
  wglChoosePixelFormatARB = SoftwareOnlyChoose;
  std::vector<int> formats;
  const int format = c.ChooseWGLFormat(base->RenderOutputDevice(), formats);
  wglChoosePixelFormatARB = RealChoose;
  base->Deactivate();
  ASSERT_NE(format, 0);
  const bool samples = WGL.ARB_multisample && GL.ARB_multisample;
  ASSERT_EQ(Asked.size(), samples ? 6u : 5u);
  if (samples) {
    EXPECT_EQ(Attrib(Asked[0], WGL_SAMPLES_ARB), 4);
    Asked.erase(Asked.begin());
  }
  struct TStep {
    int Colour, Depth;
    bool Accelerated;
  };
  const TStep steps[] = {{32, 32, true}, {32, 24, true}, {32, 16, true}, {16, 16, true}, {32, 32, false}};
  for (size_t i = 0; i < Asked.size(); ++i) {
    EXPECT_EQ(Attrib(Asked[i], WGL_SAMPLE_BUFFERS_ARB), -1) << i;
    EXPECT_EQ(Attrib(Asked[i], WGL_COLOR_BITS_ARB), steps[i].Colour) << i;
    EXPECT_EQ(Attrib(Asked[i], WGL_DEPTH_BITS_ARB), steps[i].Depth) << i;
    EXPECT_EQ(Attrib(Asked[i], WGL_ACCELERATION_ARB) != -1, steps[i].Accelerated) << i;
  }
  // The format found draws.
  auto* other = new TGLTestForm(Application, 64, 64);
  HDC dc = other->View->DC();
  PIXELFORMATDESCRIPTOR pfd{};
  DescribePixelFormat(dc, format, sizeof pfd, &pfd);
  ASSERT_TRUE(SetPixelFormat(dc, format, &pfd));
  HGLRC rc = wglCreateContext(dc);
  ASSERT_NE(rc, nullptr);
  wglMakeCurrent(dc, rc);
  glViewport(0, 0, 64, 64);
  glClearColor(0, 1, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glFinish();
  const TCapture frame = ReadGLPixels(64, 64);
  SaveBmp(frame, "fall-back-format.bmp");
  EXPECT_EQ(frame.Count(0x00FF00), 64 * 64);
  wglMakeCurrent(nullptr, nullptr);
  wglDeleteContext(rc);
  delete other;
  delete form;
}
