// Rendering contexts and the OpenGL names they own. TGLContext is an
// abstract context with counted activation and list sharing; the platform
// (TGLWin32Context) fills in the operations. Handles wrap one OpenGL name so
// that it is made, moved and deleted in the right context.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "classlib/Classes.h"
#include "classlib/SyncObjs.h"
#include "scene3d/Base/OpenGL1x.h"

CLASSLIB_EXCEPTION(EGLContext, Exception);
CLASSLIB_EXCEPTION(EOpenGLError, Exception);

// glGetError until clean (at most 8 reads); EOpenGLError with the GLU text
// of the first error.
void CheckOpenGLError();
void ClearGLError();

enum class TGLRCOption { rcoDoubleBuffered, rcoStereo };
using TGLRCOptions = TSet<TGLRCOption>;
enum class TGLAntiAliasing : uint8_t { aaDefault, aaNone, aa2x, aa2xHQ, aa4x, aa4xHQ };
enum class TGLContextAcceleration : uint8_t { chaUnknown, chaHardware, chaSoftware };

class TGLContextManager;
class TGLContextHandle;

class TGLContext : public TObject {
  DECLARE_CLASSINFO(TGLContext)
public:
  TGLContext();   // registers with the global manager
  ~TGLContext() override;

  // The pixel format asked for; EGLContext "Cannot alter an active context"
  // while active.
  int ColorBits() const { return FColorBits; }
  void SetColorBits(int Value);
  int AlphaBits() const { return FAlphaBits; }
  void SetAlphaBits(int Value);
  int DepthBits() const { return FDepthBits; }
  void SetDepthBits(int Value);
  int StencilBits() const { return FStencilBits; }
  void SetStencilBits(int Value);
  int AccumBits() const { return FAccumBits; }
  void SetAccumBits(int Value);
  int AuxBuffers() const { return FAuxBuffers; }
  void SetAuxBuffers(int Value);
  TGLAntiAliasing AntiAliasing() const { return FAntiAliasing; }
  void SetAntiAliasing(TGLAntiAliasing Value);
  TGLRCOptions Options() const { return FOptions; }
  void SetOptions(TGLRCOptions Value);
  TGLContextAcceleration Acceleration() const { return FAcceleration; }
  TGLContextManager* Manager() const { return FManager; }

  bool Active() const { return FActivationCount > 0; }
  void SetActive(bool Value);
  int ActivationCount() const { return FActivationCount; }
  // Contexts sharing lists and textures with this one, itself included.
  const std::vector<TGLContext*>& SharedContexts() const { return FSharedContexts; }
  const std::vector<TGLContextHandle*>& OwnedHandles() const { return FOwnedHandles; }

  void CreateContext(HDC OutputDevice);
  void CreateMemoryContext(HDC OutputDevice, int Width, int Height, int BufferCount = 1);
  // Shares display lists and textures with Other. Call it on a new context
  // right after CreateContext, before its first activation: the context that
  // has never been current receives the other's lists. EGLContext when
  // neither is fresh or the platform refuses.
  void ShareLists(TGLContext* Other);
  void DestroyContext();
  void Activate();
  void Deactivate();
  // The first other member of the shared list, or null.
  TGLContext* FindCompatibleContext() const;
  // Whether the context has been current since it was created.
  bool EverActivated() const { return FEverActivated; }

  virtual bool IsValid() const = 0;
  virtual void SwapBuffers() = 0;
  virtual HDC RenderOutputDevice() const = 0;

protected:
  virtual void DoCreateContext(HDC OutputDevice) = 0;
  virtual void DoCreateMemoryContext(HDC OutputDevice, int Width, int Height, int BufferCount) = 0;
  // Makes this context share Other's lists, or Other share this one's when
  // IntoOther (the fresh context is the one that receives).
  virtual void DoShareLists(TGLContext* Other, bool IntoOther) = 0;
  virtual void DoDestroyContext() = 0;
  virtual void DoActivate() = 0;
  virtual void DoDeactivate() = 0;
  void SetAcceleration(TGLContextAcceleration Value) { FAcceleration = Value; }

private:
  friend class TGLContextHandle;
  void CheckInactive();
  void Created();
  int FColorBits = 32, FAlphaBits = 0, FDepthBits = 0, FStencilBits = 0, FAccumBits = 0, FAuxBuffers = 0;
  TGLAntiAliasing FAntiAliasing = TGLAntiAliasing::aaDefault;
  TGLRCOptions FOptions;
  TGLContextManager* FManager;
  int FActivationCount = 0;
  std::vector<TGLContext*> FSharedContexts;
  std::vector<TGLContextHandle*> FOwnedHandles;
  TGLContextAcceleration FAcceleration = TGLContextAcceleration::chaUnknown;
  bool FEverActivated = false;
};

// The context that is current in this process, or null.
TGLContext* CurrentGLContext();

// Makes a context of the first registered class.
using TGLContextFactory = std::unique_ptr<TGLContext> (*)();
void RegisterGLContextClass(TClass AClass, TGLContextFactory Factory);

// Keeps the live contexts; the last one destroyed runs the pending
// notifications, newest first.
class TGLContextManager : public TObject {
  DECLARE_CLASSINFO(TGLContextManager)
public:
  TGLContextManager() = default;
  ~TGLContextManager() override;
  std::unique_ptr<TGLContext> CreateContext();   // null when no class is registered
  int ContextCount();
  int CreatedContextCount() const { return FCreatedContextCount; }
  void RegisterContext(TGLContext* AContext);     // "Invalid context registration" when already there
  void UnRegisterContext(TGLContext* AContext);   // ... when absent
  void ContextCreatedBy(TGLContext* AContext);
  void DestroyingContextBy(TGLContext* AContext);
  // Event called with Parameter once no created context is left.
  void NotifyWhenNoContextLeft(TObject* Parameter, TNotifyEvent Event);
  // Frees the manager now or when its last context goes.
  void Terminate();
  bool Terminated() const { return FTerminated; }

private:
  friend void GLContext_Initialize();
  TCriticalSection FLock;
  std::vector<TGLContext*> FList;
  bool FTerminated = false;
  struct TNotification {
    TObject* Parameter;
    TNotifyEvent Event;
  };
  std::vector<TNotification> FNotifications;
  int FCreatedContextCount = 0;
};

extern TGLContextManager* GLContextManager;

// One OpenGL name, made in the current context and deleted in its own.
class TGLContextHandle : public TObject {
  DECLARE_CLASSINFO(TGLContextHandle)
public:
  TGLContextHandle() = default;
  ~TGLContextHandle() override;
  GLuint Handle() const { return FHandle; }
  TGLContext* RenderingContext() const { return FRenderingContext; }
  void AllocateHandle();
  void DestroyHandle();
  virtual bool Transferable() const { return true; }

protected:
  virtual GLuint DoAllocateHandle() = 0;
  virtual void DoDestroyHandle() = 0;
  // Each handle class frees its name from its own destructor: by the time
  // the base destructor runs, DoDestroyHandle is no longer the class's own.
  void DestroyHandleInDestructor() noexcept;

private:
  friend class TGLContext;
  void Forget();   // no name, no context: the name went with its context
  TGLContext* FRenderingContext = nullptr;
  GLuint FHandle = 0;
};

class TGLListHandle : public TGLContextHandle {
  DECLARE_CLASSINFO(TGLListHandle)
public:
  TGLListHandle() = default;
  // Makes a name and records what Draw draws into it; when Draw raises, the
  // half-recorded list is freed (never replayed) and the error goes on.
  void Record(const std::function<void()>& Draw);
  ~TGLListHandle() override { DestroyHandleInDestructor(); }

protected:
  GLuint DoAllocateHandle() override;
  void DoDestroyHandle() override;
};

class TGLTextureHandle : public TGLContextHandle {
  DECLARE_CLASSINFO(TGLTextureHandle)
public:
  TGLTextureHandle() = default;
  ~TGLTextureHandle() override { DestroyHandleInDestructor(); }

protected:
  GLuint DoAllocateHandle() override;
  void DoDestroyHandle() override;
};

// A name made and deleted by event handlers.
using TGLVirtualHandleEvent = std::function<void(TGLContextHandle* Sender, GLuint& Handle)>;
class TGLVirtualHandle : public TGLContextHandle {
  DECLARE_CLASSINFO(TGLVirtualHandle)
public:
  TGLVirtualHandle() = default;
  ~TGLVirtualHandle() override { DestroyHandleInDestructor(); }
  TGLVirtualHandleEvent OnAllocate;
  TGLVirtualHandleEvent OnDestroy;

protected:
  GLuint DoAllocateHandle() override;
  void DoDestroyHandle() override;
};

// The call by which a texture handle frees its name: the real function
// unless a test wraps it.
struct TGLHandleCalls {
  void(APIENTRY* DeleteTextures)(GLsizei, const GLuint*);
};
TGLHandleCalls& GLHandleCalls();

// Creates the manager; a manager of an earlier start-up that still has
// contexts is taken up again instead.
void GLContext_Initialize();
void GLContext_Finalize();
