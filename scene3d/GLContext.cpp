#include "scene3d/GLContext.h"

#include <algorithm>
#include <exception>

#include "classlib/UnitInit.h"

TGLContextManager* GLContextManager = nullptr;

namespace {
const char* const SourceName = "scene3d\\GLContext";
TUnitCounter UnitCounter;
TGLContext* vCurrentGLContext = nullptr;
std::unique_ptr<TGLContextManager> ManagerOwner;

struct TContextClass {
  TClass Class;
  TGLContextFactory Factory;
};
std::vector<TContextClass>& ContextClasses() {
  static std::vector<TContextClass> c;
  return c;
}

template <typename T>
void Remove(std::vector<T*>& List, T* Item) {
  List.erase(std::remove(List.begin(), List.end(), Item), List.end());
}
template <typename T>
bool Contains(const std::vector<T*>& List, T* Item) {
  return std::find(List.begin(), List.end(), Item) != List.end();
}

// Takes the current context (another than Except) out of the way with all
// its activations, and puts it back as it was.
class TSuspendedContext {
public:
  explicit TSuspendedContext(TGLContext* Except) {
    TGLContext* c = vCurrentGLContext;
    if (!c || c == Except) return;
    FContext = c;
    FDepth = c->ActivationCount();
    c->SetActive(false);
  }
  ~TSuspendedContext() noexcept(false) {
    if (!FContext) return;
    if (std::uncaught_exceptions()) {
      try {
        Restore();
      } catch (...) {
      }
    } else {
      Restore();
    }
  }
  TSuspendedContext(const TSuspendedContext&) = delete;
  TSuspendedContext& operator=(const TSuspendedContext&) = delete;

private:
  void Restore() {
    while (FContext->ActivationCount() < FDepth) FContext->Activate();
  }
  TGLContext* FContext = nullptr;
  int FDepth = 0;
};
}  // namespace

void CheckOpenGLError() {
  const GLenum first = glGetError();
  if (first == GL_NO_ERROR) return;
  for (int i = 0; i < 7 && glGetError() != GL_NO_ERROR; ++i) {
  }
  const auto* text = reinterpret_cast<const char*>(gluErrorString(first));
  throw EOpenGLError(text ? text : Format("OpenGL error %u", first));
}

void ClearGLError() {
  for (int i = 0; i < 7 && glGetError() != GL_NO_ERROR; ++i) {
  }
}

TGLContext* CurrentGLContext() { return vCurrentGLContext; }

void RegisterGLContextClass(TClass AClass, TGLContextFactory Factory) {
  ContextClasses().push_back({AClass, Factory});
}

// ---- TGLContext ------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLContext, TObject)

TGLContext::TGLContext() : FManager(GLContextManager) {
  if (!FManager) throw EGLContext("Invalid context registration");
  FManager->RegisterContext(this);
}

TGLContext::~TGLContext() {
  // A platform context destroys itself in its own destructor, while its
  // operations still exist; here only the bookkeeping is left.
  if (vCurrentGLContext == this) vCurrentGLContext = nullptr;
  for (TGLContextHandle* h : FOwnedHandles) h->Forget();
  for (TGLContext* c : FSharedContexts)
    if (c != this) Remove(c->FSharedContexts, this);
  try {
    FManager->UnRegisterContext(this);
  } catch (...) {
  }
}

void TGLContext::CheckInactive() {
  if (Active()) throw EGLContext("Cannot alter an active context");
}

void TGLContext::SetColorBits(int Value) {
  CheckInactive();
  FColorBits = Value;
}
void TGLContext::SetAlphaBits(int Value) {
  CheckInactive();
  FAlphaBits = Value;
}
void TGLContext::SetDepthBits(int Value) {
  CheckInactive();
  FDepthBits = Value;
}
void TGLContext::SetStencilBits(int Value) {
  CheckInactive();
  FStencilBits = Value;
}
void TGLContext::SetAccumBits(int Value) {
  CheckInactive();
  FAccumBits = Value;
}
void TGLContext::SetAuxBuffers(int Value) {
  CheckInactive();
  FAuxBuffers = Value;
}
void TGLContext::SetAntiAliasing(TGLAntiAliasing Value) {
  CheckInactive();
  FAntiAliasing = Value;
}
void TGLContext::SetOptions(TGLRCOptions Value) {
  CheckInactive();
  FOptions = Value;
}

void TGLContext::SetActive(bool Value) {
  while (Active() != Value) {
    if (Value) Activate();
    else Deactivate();
  }
}

void TGLContext::Created() {
  FEverActivated = false;
  FSharedContexts.push_back(this);
  FManager->ContextCreatedBy(this);
}

void TGLContext::CreateContext(HDC OutputDevice) {
  if (IsValid()) throw EGLContext("Context already created");
  FAcceleration = TGLContextAcceleration::chaUnknown;
  DoCreateContext(OutputDevice);
  Created();
}

void TGLContext::CreateMemoryContext(HDC OutputDevice, int Width, int Height, int BufferCount) {
  if (IsValid()) throw EGLContext("Context already created");
  FAcceleration = TGLContextAcceleration::chaUnknown;
  DoCreateMemoryContext(OutputDevice, Width, Height, BufferCount);
  Created();
}

void TGLContext::ShareLists(TGLContext* Other) {
  if (!IsValid()) throw EGLContext("Context not created");
  if (!Other || Other == this || Contains(FSharedContexts, Other)) return;
  // Only a context that has never been current may receive another's lists
  // (the platform refuses anything else), so the fresh one is the receiver.
  if (!FEverActivated) DoShareLists(Other, false);
  else if (!Other->FEverActivated) DoShareLists(Other, true);
  else throw EGLContext("Cannot share lists: both contexts have been current");
  std::vector<TGLContext*> all = FSharedContexts;
  for (TGLContext* c : Other->FSharedContexts)
    if (!Contains(all, c)) all.push_back(c);
  if (!Contains(all, Other)) all.push_back(Other);
  for (TGLContext* c : all) c->FSharedContexts = all;
}

void TGLContext::Activate() {
  if (FActivationCount > 0) {
    Assert(vCurrentGLContext == this, "", SourceName, 915);
  } else {
    if (!IsValid()) throw EGLContext("Context not created");
    DoActivate();
    vCurrentGLContext = this;
    FEverActivated = true;
  }
  ++FActivationCount;
}

void TGLContext::Deactivate() {
  Assert(vCurrentGLContext == this, "", SourceName, 923);
  --FActivationCount;
  if (FActivationCount == 0) {
    if (!IsValid()) throw EGLContext("Context not created");
    DoDeactivate();
    vCurrentGLContext = nullptr;
  } else if (FActivationCount < 0) {
    FActivationCount = 0;
    throw EGLContext("Unbalanced context activations");
  }
}

TGLContext* TGLContext::FindCompatibleContext() const {
  for (TGLContext* c : FSharedContexts)
    if (c != this) return c;
  return nullptr;
}

void TGLContext::DestroyContext() {
  TSuspendedContext other(this);
  Activate();
  std::exception_ptr failure;
  TGLContext* heir = FindCompatibleContext();
  for (size_t i = FOwnedHandles.size(); i-- > 0;) {
    TGLContextHandle* h = FOwnedHandles[i];
    if (heir && h->Transferable()) {
      heir->FOwnedHandles.push_back(h);
      h->FRenderingContext = heir;
      continue;
    }
    try {
      h->DoDestroyHandle();
    } catch (...) {
      if (!failure) failure = std::current_exception();
    }
    h->Forget();
  }
  FOwnedHandles.clear();
  FManager->DestroyingContextBy(this);
  Remove(FSharedContexts, this);
  for (TGLContext* c : FSharedContexts) c->FSharedContexts = FSharedContexts;
  FSharedContexts.clear();
  // The first failure is the one raised; the context is gone either way.
  try {
    SetActive(false);
  } catch (...) {
    if (!failure) failure = std::current_exception();
    FActivationCount = 0;
    if (vCurrentGLContext == this) vCurrentGLContext = nullptr;
  }
  try {
    DoDestroyContext();
  } catch (...) {
    if (!failure) failure = std::current_exception();
  }
  FEverActivated = false;
  FAcceleration = TGLContextAcceleration::chaUnknown;
  if (failure) std::rethrow_exception(failure);
}

// ---- TGLContextManager ------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLContextManager, TObject)

TGLContextManager::~TGLContextManager() = default;

std::unique_ptr<TGLContext> TGLContextManager::CreateContext() {
  if (ContextClasses().empty()) return nullptr;
  return ContextClasses().front().Factory();
}

int TGLContextManager::ContextCount() {
  TLockGuard g(FLock);
  return static_cast<int>(FList.size());
}

void TGLContextManager::RegisterContext(TGLContext* AContext) {
  TLockGuard g(FLock);
  if (Contains(FList, AContext)) throw EGLContext("Invalid context registration");
  FList.push_back(AContext);
}

void TGLContextManager::UnRegisterContext(TGLContext* AContext) {
  bool last;
  {
    TLockGuard g(FLock);
    if (!Contains(FList, AContext)) throw EGLContext("Invalid context registration");
    Remove(FList, AContext);
    last = FList.empty();
  }
  if (last && FTerminated && ManagerOwner.get() == this) {
    GLContextManager = nullptr;
    ManagerOwner.reset();   // this manager ends here
  }
}

void TGLContextManager::ContextCreatedBy(TGLContext*) { ++FCreatedContextCount; }

void TGLContextManager::DestroyingContextBy(TGLContext*) {
  if (--FCreatedContextCount != 0) return;
  while (!FNotifications.empty()) {
    TNotification n = FNotifications.back();
    FNotifications.pop_back();
    n.Event(n.Parameter);
  }
}

void TGLContextManager::NotifyWhenNoContextLeft(TObject* Parameter, TNotifyEvent Event) {
  FNotifications.push_back({Parameter, std::move(Event)});
}

void TGLContextManager::Terminate() {
  FTerminated = true;
  if (ContextCount() == 0 && ManagerOwner.get() == this) {
    GLContextManager = nullptr;
    ManagerOwner.reset();
  }
}

// ---- Handles -------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLContextHandle, TObject)

TGLContextHandle::~TGLContextHandle() {
  // A handle class that did not free its name leaves it to its context.
  if (FHandle && FRenderingContext) Remove(FRenderingContext->FOwnedHandles, this);
}

void TGLContextHandle::DestroyHandleInDestructor() noexcept {
  try {
    DestroyHandle();
  } catch (...) {   // an OpenGL error while freeing: the name is gone either way
  }
}

void TGLContextHandle::Forget() {
  FHandle = 0;
  FRenderingContext = nullptr;
}

void TGLContextHandle::AllocateHandle() {
  Assert(FHandle == 0, "", SourceName, 982);
  Assert(vCurrentGLContext != nullptr, "", SourceName, 983);
  FHandle = DoAllocateHandle();
  if (FHandle) {
    FRenderingContext = vCurrentGLContext;
    FRenderingContext->FOwnedHandles.push_back(this);
  }
}

void TGLContextHandle::DestroyHandle() {
  if (!FHandle) return;
  TGLContext* rc = FRenderingContext;
  Remove(rc->FOwnedHandles, this);
  TGLContext* current = vCurrentGLContext;
  struct TForget {
    TGLContextHandle* H;
    ~TForget() { H->Forget(); }
  } forget{this};
  if (current == rc || (current && Contains(current->FSharedContexts, rc))) {
    DoDestroyHandle();
    return;
  }
  TSuspendedContext other(rc);
  rc->Activate();
  struct TLeave {
    TGLContext* C;
    ~TLeave() noexcept(false) {
      if (!std::uncaught_exceptions()) C->Deactivate();
      else try {
          C->Deactivate();
        } catch (...) {
        }
    }
  } leave{rc};
  DoDestroyHandle();
}

IMPLEMENT_CLASSINFO(TGLListHandle, TGLContextHandle)

GLuint TGLListHandle::DoAllocateHandle() { return glGenLists(1); }

void TGLListHandle::Record(const std::function<void()>& Draw) {
  AllocateHandle();
  glNewList(Handle(), GL_COMPILE);
  try {
    Draw();
  } catch (...) {
    glEndList();
    DestroyHandle();
    throw;
  }
  glEndList();
}

void TGLListHandle::DoDestroyHandle() {
  ClearGLError();
  glDeleteLists(Handle(), 1);
  CheckOpenGLError();
}

IMPLEMENT_CLASSINFO(TGLTextureHandle, TGLContextHandle)

GLuint TGLTextureHandle::DoAllocateHandle() {
  GLuint name = 0;
  glGenTextures(1, &name);
  return name;
}

TGLHandleCalls& GLHandleCalls() {
  static TGLHandleCalls calls{glDeleteTextures};
  return calls;
}

void TGLTextureHandle::DoDestroyHandle() {
  glGetError();
  const GLuint name = Handle();
  if (glIsTexture(name)) GLHandleCalls().DeleteTextures(1, &name);
  CheckOpenGLError();
}

IMPLEMENT_CLASSINFO(TGLVirtualHandle, TGLContextHandle)

GLuint TGLVirtualHandle::DoAllocateHandle() {
  GLuint name = 0;
  if (OnAllocate) OnAllocate(this, name);
  return name;
}

void TGLVirtualHandle::DoDestroyHandle() {
  ClearGLError();
  GLuint name = Handle();
  if (OnDestroy) OnDestroy(this, name);
  CheckOpenGLError();
}

void GLContext_Initialize() {
  if (!UnitCounter.Enter()) return;
  // Contexts of the earlier run point to their manager: it carries on.
  if (ManagerOwner) ManagerOwner->FTerminated = false;
  else ManagerOwner = std::make_unique<TGLContextManager>();
  GLContextManager = ManagerOwner.get();
}

void GLContext_Finalize() {
  if (!UnitCounter.Leave()) return;
  if (GLContextManager) GLContextManager->Terminate();
  ContextClasses().clear();
}
