// Materials, library materials and the material library with its archive.
#include <algorithm>

#include "classlib/Messages.h"
#include "scene3d/Base/ApplicationFileIO.h"
#include "scene3d/Base/XOpenGL.h"
#include "scene3d/GLState.h"
#include "scene3d/GLTexture.h"
#include "scene3d/GLTextureCodecs.h"

namespace {
const char* const SourceName = "scene3d\\GLTexture";
// A chain of library materials this long is taken for a cycle.
constexpr int MaxMaterialChain = 16;

const char* const BlendingModeNames[] = {"bmOpaque",      "bmTransparency", "bmAdditive",
                                         "bmAlphaTest50", "bmAlphaTest100", "bmModulate"};
const char* const MaterialOptionNames[] = {"moIgnoreFog", "moNoLighting"};
const char* const FaceCullingNames[] = {"fcBufferDefault", "fcCull", "fcNoCull"};

bool IsIdentityOffset(const TGLCoordinates& Offset) { return Offset.Equals(NullHmgVector); }
bool IsIdentityScale(const TGLCoordinates& Scale) { return Scale.Equals(TVector{1.0f, 1.0f, 1.0f, 0.0f}); }
}  // namespace

// ---- TGLMaterial -----------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLMaterial, TGLUpdateAbleObject)

TGLMaterial::TGLMaterial(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner), FFrontProperties(std::make_unique<TGLFaceProperties>(this)) {}

TGLMaterial::~TGLMaterial() {
  if (FCurrentLibMaterial) FCurrentLibMaterial->UnRegisterUser(this);
  if (FMaterialLibrary) FMaterialLibrary->RemoveReferrer(this);
}

void TGLMaterial::SetFrontProperties(TGLFaceProperties* Value) {
  FFrontProperties->Assign(Value);
  NotifyChange(this);
}

TGLFaceProperties* TGLMaterial::BackProperties() {
  if (!FBackProperties) FBackProperties = std::make_unique<TGLFaceProperties>(this);
  return FBackProperties.get();
}

void TGLMaterial::SetBackProperties(TGLFaceProperties* Value) {
  BackProperties()->Assign(Value);
  NotifyChange(this);
}

void TGLMaterial::SetBlendingMode(TBlendingMode Value) {
  if (Value == FBlendingMode) return;
  FBlendingMode = Value;
  NotifyChange(this);
}

void TGLMaterial::SetMaterialOptions(TMaterialOptions Value) {
  if (Value == FMaterialOptions) return;
  FMaterialOptions = Value;
  NotifyChange(this);
}

void TGLMaterial::SetFaceCulling(TFaceCulling Value) {
  if (Value == FFaceCulling) return;
  FFaceCulling = Value;
  NotifyChange(this);
}

TGLTexture* TGLMaterial::Texture() {
  if (!FTexture) {
    FTexture = std::make_unique<TGLTexture>(this);
    if (auto* lib = dynamic_cast<TGLLibMaterial*>(Owner()))
      FTexture->OnTextureNeeded = [lib](TObject* Sender, std::string& Name) { lib->DoOnTextureNeeded(Sender, Name); };
  }
  return FTexture.get();
}

void TGLMaterial::SetTexture(TGLTexture* Value) {
  if (Value) Texture()->Assign(Value);
  else if (FTexture) {
    FTexture.reset();
    NotifyChange(this);
  }
}

TGLTextureEx* TGLMaterial::TextureEx() {
  if (!FTextureEx) FTextureEx = std::make_unique<TGLTextureEx>(this);
  return FTextureEx.get();
}

void TGLMaterial::SetTextureEx(TGLTextureEx* Value) { TextureEx()->Assign(Value); }

void TGLMaterial::SetMaterialLibrary(TGLMaterialLibrary* Value) {
  if (Value != FMaterialLibrary) {
    if (FMaterialLibrary) FMaterialLibrary->RemoveReferrer(this);
    FMaterialLibrary = Value;
    if (Value) Value->AddReferrer(this);
  }
  SetLibMaterialName(FLibMaterialName);
}

void TGLMaterial::SetLibMaterialName(const std::string& Value) {
  TGLLibMaterial* found = LibMaterialByName(FMaterialLibrary, Value);
  // Refused when the chain of references starting at the new material
  // comes back to this one or runs too long.
  int steps = 0;
  for (TGLLibMaterial* m = found; m; m = m->Material()->FCurrentLibMaterial) {
    Assert(m->Material() != this && ++steps < MaxMaterialChain, "Error: Cyclic material reference detected!",
           SourceName, 3878);
  }
  FLibMaterialName = Value;
  ResolveLibMaterial(found);
}

void TGLMaterial::ResolveLibMaterial(TGLLibMaterial* NewLibMaterial) {
  if (NewLibMaterial == FCurrentLibMaterial) return;
  if (FCurrentLibMaterial) FCurrentLibMaterial->UnRegisterUser(this);
  FCurrentLibMaterial = NewLibMaterial;
  if (NewLibMaterial) NewLibMaterial->RegisterUser(this);
  NotifyTexMapChange(this);
}

void TGLMaterial::Assign(TPersistent* Source) {
  auto* m = dynamic_cast<TGLMaterial*>(Source);
  if (!m) {
    TGLUpdateAbleObject::Assign(Source);
    return;
  }
  if (m == this) return;
  if (m->FBackProperties) BackProperties()->Assign(m->FBackProperties.get());
  else FBackProperties.reset();
  FFrontProperties->Assign(m->FFrontProperties.get());
  FBlendingMode = m->FBlendingMode;
  FMaterialOptions = m->FMaterialOptions;
  if (m->FTexture) Texture()->Assign(m->FTexture.get());
  else FTexture.reset();
  FFaceCulling = m->FFaceCulling;
  if (m->FMaterialLibrary != FMaterialLibrary) {
    if (FMaterialLibrary) FMaterialLibrary->RemoveReferrer(this);
    FMaterialLibrary = m->FMaterialLibrary;
    if (FMaterialLibrary) FMaterialLibrary->AddReferrer(this);
  }
  SetLibMaterialName(m->FLibMaterialName);
  if (m->FTextureEx) TextureEx()->Assign(m->FTextureEx.get());
  else FTextureEx.reset();
  NotifyChange(this);
}

void TGLMaterial::DefineProperties(TFiler* Filer) {
  TGLUpdateAbleObject::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefinePersistent("FrontProperties", FFrontProperties.get());
  f->DefineOptionalPersistent("BackProperties", FBackProperties.get(), [this] { return BackProperties(); },
                              FBackProperties != nullptr);
  f->DefineEnum<TBlendingMode>("BlendingMode", BlendingModeNames, FBlendingMode,
                               [this](TBlendingMode v) { SetBlendingMode(v); },
                               FBlendingMode != TBlendingMode::bmOpaque);
  f->DefineOptionalPersistent("Texture", FTexture.get(), [this] { return Texture(); }, FTexture != nullptr);
  f->DefineCollection(
      "TextureEx", FTextureEx ? FTextureEx->Count() : 0, [this](int i) { return TextureEx()->Items(i); },
      [this] { return TextureEx()->Add(); }, [this] { TextureEx()->Clear(); }, StoreTextureEx());
  f->DefineReference(
      "MaterialLibrary", [this](TComponent* c) { SetMaterialLibrary(dynamic_cast<TGLMaterialLibrary*>(c)); },
      FMaterialLibrary);
  f->DefineString("LibMaterialName", FLibMaterialName, [this](const std::string& v) { SetLibMaterialName(v); },
                  !FLibMaterialName.empty());
  f->DefineSet<TMaterialOption>("MaterialOptions", MaterialOptionNames, FMaterialOptions,
                                [this](TMaterialOptions v) { SetMaterialOptions(v); }, !FMaterialOptions.Empty());
  f->DefineEnum<TFaceCulling>("FaceCulling", FaceCullingNames, FFaceCulling,
                              [this](TFaceCulling v) { SetFaceCulling(v); },
                              FFaceCulling != TFaceCulling::fcBufferDefault);
}

void TGLMaterial::NotifyChange(TObject* Sender) {
  if (auto* lib = dynamic_cast<TGLLibMaterial*>(Owner())) {
    lib->NotifyUsers();
    return;
  }
  // An owning scene object hears of it through the update chain: it repaints,
  // its geometry stays compiled.
  TGLUpdateAbleObject::NotifyChange(Sender);
}

void TGLMaterial::NotifyTexMapChange(TObject* Sender) {
  if (auto* lib = dynamic_cast<TGLLibMaterial*>(Owner())) {
    lib->NotifyTexMapChange(Sender);
    return;
  }
  if (Owner() && GLSceneHooks().StructureChanged) GLSceneHooks().StructureChanged(Owner());
}

bool TGLMaterial::Blended() const {
  if (FCurrentLibMaterial) return FCurrentLibMaterial->Material()->Blended();
  return FBlendingMode != TBlendingMode::bmOpaque && FBlendingMode != TBlendingMode::bmAlphaTest50 &&
         FBlendingMode != TBlendingMode::bmAlphaTest100;
}

void TGLMaterial::DestroyHandles() {
  if (FTexture) FTexture->DestroyHandles();
}

void TGLMaterial::Loaded() {
  if (FTextureEx) FTextureEx->Loaded();
}

void TGLMaterial::Apply(TRenderContextInfo& rci) {
  if (FCurrentLibMaterial) {
    FCurrentLibMaterial->Apply(rci);
    return;
  }
  TGLStateCache& cache = *rci.stateCache;
  if (FMaterialOptions.Contains(TMaterialOption::moNoLighting) && cache.States().Contains(TGLState::stLighting)) {
    cache.Disable(TGLState::stLighting);
    ++rci.lightingDisabledCounter;
  }
  if (cache.States().Contains(TGLState::stLighting)) FFrontProperties->Apply(rci, GL_FRONT);
  else FFrontProperties->ApplyNoLighting(rci, GL_FRONT);
  const bool culling = cache.States().Contains(TGLState::stCullFace);
  bool back = false;
  switch (FFaceCulling) {
    case TFaceCulling::fcBufferDefault:
      if (culling && !rci.bufferFaceCull) {
        cache.Disable(TGLState::stCullFace);
        back = true;
      } else if (!culling && rci.bufferFaceCull) {
        cache.Enable(TGLState::stCullFace);
      } else if (!culling) {
        back = true;
      }
      break;
    case TFaceCulling::fcCull:
      if (!culling) cache.Enable(TGLState::stCullFace);
      break;
    case TFaceCulling::fcNoCull:
      if (culling) cache.Disable(TGLState::stCullFace);
      back = true;
      break;
  }
  if (back) BackProperties()->Apply(rci, GL_BACK);
  if (!rci.ignoreBlendingRequests) {
    auto blend = [&cache](GLenum Source, GLenum Destination) {
      cache.Enable(TGLState::stBlend);
      cache.Enable(TGLState::stAlphaTest);
      glBlendFunc(Source, Destination);
    };
    switch (FBlendingMode) {
      case TBlendingMode::bmOpaque:
        cache.Disable(TGLState::stBlend);
        cache.Disable(TGLState::stAlphaTest);
        break;
      case TBlendingMode::bmTransparency: blend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); break;
      case TBlendingMode::bmAdditive: blend(GL_SRC_ALPHA, GL_ONE); break;
      case TBlendingMode::bmAlphaTest50:
      case TBlendingMode::bmAlphaTest100:
        cache.Disable(TGLState::stBlend);
        cache.Enable(TGLState::stAlphaTest);
        glAlphaFunc(GL_GEQUAL, FBlendingMode == TBlendingMode::bmAlphaTest50 ? 0.5f : 1.0f);
        break;
      case TBlendingMode::bmModulate: blend(GL_DST_COLOR, GL_ZERO); break;
    }
  }
  if (FMaterialOptions.Contains(TMaterialOption::moIgnoreFog) && cache.States().Contains(TGLState::stFog)) {
    cache.Disable(TGLState::stFog);
    ++rci.fogDisabledCounter;
  }
  if (!FTextureEx) {
    if (FTexture) FTexture->Apply(rci);
  } else if (!FTexture || FTextureEx->IsTextureEnabled(0)) {
    if (FTextureEx->Count() > 0) FTextureEx->Apply(rci);
  } else {
    FTexture->Apply(rci);
  }
}

bool TGLMaterial::UnApply(TRenderContextInfo& rci) {
  if (FCurrentLibMaterial) return FCurrentLibMaterial->UnApply(rci);
  TGLStateCache& cache = *rci.stateCache;
  if (FBlendingMode == TBlendingMode::bmAlphaTest50 || FBlendingMode == TBlendingMode::bmAlphaTest100)
    glAlphaFunc(GL_GREATER, 0.0f);
  if (FMaterialOptions.Contains(TMaterialOption::moNoLighting) && rci.lightingDisabledCounter > 0)
    if (--rci.lightingDisabledCounter == 0) cache.Enable(TGLState::stLighting);
  if (FMaterialOptions.Contains(TMaterialOption::moIgnoreFog) && rci.fogDisabledCounter > 0)
    if (--rci.fogDisabledCounter == 0) cache.Enable(TGLState::stFog);
  const bool textureEnabled = FTexture && FTexture->Enabled();
  if (FTextureEx && (!textureEnabled || FTextureEx->IsTextureEnabled(0))) FTextureEx->UnApply(rci);
  else if (FTexture) FTexture->UnApply(rci);
  return false;
}

// ---- TGLLibMaterial ---------------------------------------------------------------------

uint32_t GLMaterialNameHash(const std::string& Name) {
  uint32_t h = static_cast<uint32_t>(Name.size());
  for (unsigned char c : Name) h = h * 2u + c;
  return h;
}

IMPLEMENT_CLASSINFO(TGLLibMaterial, TCollectionItem)

TGLLibMaterial::TGLLibMaterial(TCollection* ACollection)
    : TCollectionItem(ACollection),
      FMaterial(std::make_unique<TGLMaterial>(this)),
      FTextureOffset(std::make_unique<TGLCoordinates>(this, TVector{0.0f, 0.0f, 0.0f, 0.0f})),
      FTextureScale(std::make_unique<TGLCoordinates>(this, TVector{1.0f, 1.0f, 1.0f, 0.0f})) {
  FMaterial->Texture();   // binds the texture to the path search
  FTextureOffset->OnNotifyChange = [this](TObject* Sender) { CoordinatesChanged(Sender); };
  FTextureScale->OnNotifyChange = [this](TObject* Sender) { CoordinatesChanged(Sender); };
  auto* list = dynamic_cast<TGLLibMaterials*>(ACollection);
  FName = list ? list->MakeUniqueName("LibMaterial") : "LibMaterial";
  FNameHashKey = GLMaterialNameHash(FName);
}

TGLLibMaterial::~TGLLibMaterial() {
  // Users lose their reference; nothing they hold points here afterwards.
  for (TObject* u : std::vector<TObject*>(FUserList)) {
    if (auto* m = dynamic_cast<TGLMaterial*>(u)) {
      if (m->FCurrentLibMaterial == this) m->FCurrentLibMaterial = nullptr;
    } else if (auto* l = dynamic_cast<TGLLibMaterial*>(u)) {
      if (l->FLibMatTexture2 == this) {
        l->FLibMatTexture2 = nullptr;
        l->FTexture2Resolved = false;
      }
    }
  }
  FUserList.clear();
  if (FLibMatTexture2) FLibMatTexture2->UnRegisterUser(this);
  if (FShader) FShader->UnRegisterUser(this);
  if (TGLMaterialLibrary* lib = MaterialLibrary())
    if (lib->FLastAppliedMaterial == this) lib->FLastAppliedMaterial = nullptr;
}

TGLMaterialLibrary* TGLLibMaterial::MaterialLibrary() const {
  auto* list = dynamic_cast<TGLLibMaterials*>(Collection());
  return list ? list->MaterialLibrary() : nullptr;
}

void TGLLibMaterial::SetName(const std::string& Value) {
  if (Value == FName) return;
  auto* list = dynamic_cast<TGLLibMaterials*>(Collection());
  TGLMaterialLibrary* lib = MaterialLibrary();
  FName.clear();   // the item's own name does not count as taken
  FNameHashKey = GLMaterialNameHash(FName);
  if (!list || (lib && lib->ComponentState.Contains(TComponentStateItem::csLoading)))
    FName = Value;
  else
    FName = list->MakeUniqueName(Value);
  FNameHashKey = GLMaterialNameHash(FName);
}

void TGLLibMaterial::SetTextureOffset(TGLCoordinates* Value) {
  FTextureOffset->Assign(Value);
  CoordinatesChanged(FTextureOffset.get());
}

void TGLLibMaterial::SetTextureScale(TGLCoordinates* Value) {
  FTextureScale->Assign(Value);
  CoordinatesChanged(FTextureScale.get());
}

void TGLLibMaterial::CoordinatesChanged(TObject* Sender) {
  (void)Sender;
  CalculateTextureMatrix();
  NotifyUsers();
}

void TGLLibMaterial::CalculateTextureMatrix() {
  FTextureMatrixIsIdentity = IsIdentityOffset(*FTextureOffset) && IsIdentityScale(*FTextureScale);
  FTextureMatrix = FTextureMatrixIsIdentity
                       ? IdentityHmgMatrix
                       : CreateScaleAndTranslationMatrix(FTextureScale->AsVector(), FTextureOffset->AsVector());
}

void TGLLibMaterial::SetTexture2Name(const std::string& Value) {
  if (Value == FTexture2Name) return;
  if (FLibMatTexture2) {
    FLibMatTexture2->UnRegisterUser(this);
    FLibMatTexture2 = nullptr;
  }
  FTexture2Resolved = false;
  FTexture2Name = Value;
  NotifyUsers();
}

void TGLLibMaterial::SetShader(TGLShader* Value) {
  if (Value == FShader) return;
  if (FShader) FShader->UnRegisterUser(this);
  FShader = Value;
  if (FShader) FShader->RegisterUser(this);
  NotifyUsers();
}

void TGLLibMaterial::Assign(TPersistent* Source) {
  if (auto* l = dynamic_cast<TGLLibMaterial*>(Source)) {
    if (l == this) return;
    FMaterial->Assign(l->FMaterial.get());
    FTextureOffset->Assign(l->FTextureOffset.get());
    FTextureScale->Assign(l->FTextureScale.get());
    CalculateTextureMatrix();
    SetName(l->FName);
    SetTexture2Name(l->FTexture2Name);
    SetShader(l->FShader);
    Tag = l->Tag;
    NotifyUsers();
    return;
  }
  TCollectionItem::Assign(Source);
}

void TGLLibMaterial::RegisterUser(TObject* Obj) {
  Assert(Obj && std::find(FUserList.begin(), FUserList.end(), Obj) == FUserList.end(), "", SourceName, 3506);
  FUserList.push_back(Obj);
}

void TGLLibMaterial::UnRegisterUser(TObject* Obj) {
  FUserList.erase(std::remove(FUserList.begin(), FUserList.end(), Obj), FUserList.end());
}

void TGLLibMaterial::NotifyEachUser(const std::function<void(TObject* User)>& Notify) {
  if (FNotifying) return;
  FNotifying = true;
  struct TDone {
    bool& Flag;
    ~TDone() { Flag = false; }
  } done{FNotifying};
  for (TObject* u : std::vector<TObject*>(FUserList)) Notify(u);
}

void TGLLibMaterial::NotifyUsers() {
  NotifyEachUser([this](TObject* u) {
    if (auto* o = dynamic_cast<TGLUpdateAbleObject*>(u)) o->NotifyChange(this);
    else if (auto* c = dynamic_cast<TGLUpdateAbleComponent*>(u)) c->NotifyChange(this);
    else if (auto* l = dynamic_cast<TGLLibMaterial*>(u)) l->NotifyUsers();
  });
}

void TGLLibMaterial::NotifyTexMapChange(TObject* Sender) {
  NotifyEachUser([Sender](TObject* u) {
    if (auto* m = dynamic_cast<TGLMaterial*>(u)) m->NotifyTexMapChange(Sender);
    else if (auto* l = dynamic_cast<TGLLibMaterial*>(u)) l->NotifyTexMapChange(Sender);
  });
}

void TGLLibMaterial::DoOnTextureNeeded(TObject* Sender, std::string& TextureFileName) {
  if (TGLMaterialLibrary* lib = MaterialLibrary()) lib->DoTextureNeeded(Sender, TextureFileName);
}

void TGLLibMaterial::Loaded() {
  CalculateTextureMatrix();
  FMaterial->Loaded();
}

void TGLLibMaterial::Apply(TRenderContextInfo& rci) {
  xglBeginUpdate();
  struct TEnd {
    ~TEnd() { xglEndUpdate(); }
  } end;
  if (FShader && FShader->ShaderStyle == TGLShaderStyle::ssBefore) FShader->Apply(rci, this);
  if (FShader && FShader->ShaderStyle == TGLShaderStyle::ssReplace) {
    FShader->Apply(rci, this);
    return;
  }
  FTexture2Applied = false;
  FTextureMatrixLoaded = false;
  TGLLibMaterial* second = nullptr;
  if (!FTexture2Name.empty() && GL.ARB_multitexture && !vSecondTextureUnitForbidden) {
    if (!FTexture2Resolved) {
      FTexture2Resolved = true;
      TGLMaterialLibrary* lib = MaterialLibrary();
      FLibMatTexture2 = lib ? lib->LibMaterialByName(FTexture2Name) : nullptr;
      if (FLibMatTexture2) FLibMatTexture2->RegisterUser(this);
      else FTexture2Name.clear();
    }
    if (FLibMatTexture2 && FLibMatTexture2->FMaterial->HasTexture() &&
        FLibMatTexture2->FMaterial->Texture()->Enabled())
      second = FLibMatTexture2;
  }
  if (second) {
    if (!FTextureMatrixIsIdentity) {
      rci.stateCache->SetGLTextureMatrix(FTextureMatrix);
      FTextureMatrixLoaded = true;
    }
    FMaterial->Apply(rci);
    TGLTexture* t2 = second->FMaterial->Texture();
    t2->ApplyAsTexture2(rci, second);
    FTexture2Applied = true;
    TGLTexture* t1 = FMaterial->HasTexture() ? FMaterial->Texture() : nullptr;
    if (t2->MappingMode() != TGLTextureMappingMode::tmmUser) xglMapTexCoordToMain();
    else if (!t1 || t1->Disabled() || t1->MappingMode() != TGLTextureMappingMode::tmmUser) xglMapTexCoordToSecond();
    else xglMapTexCoordToDual();
  } else {
    if (FMaterial->HasTexture() && FMaterial->Texture()->Enabled() && !FTextureMatrixIsIdentity) {
      rci.stateCache->SetGLTextureMatrix(FTextureMatrix);
      FTextureMatrixLoaded = true;
    }
    FMaterial->Apply(rci);
  }
  if (FShader && FShader->ShaderStyle == TGLShaderStyle::ssAfter) FShader->Apply(rci, this);
}

bool TGLLibMaterial::UnApply(TRenderContextInfo& rci) {
  if (FShader && FShader->ShaderStyle == TGLShaderStyle::ssAfter && FShader->UnApply(rci)) return true;
  if (FShader && FShader->ShaderStyle == TGLShaderStyle::ssReplace) return FShader->UnApply(rci);
  if (FTexture2Applied && FLibMatTexture2) {
    FLibMatTexture2->FMaterial->Texture()->UnApplyAsTexture2(rci, FLibMatTexture2);
    xglMapTexCoordToMain();
  }
  FTexture2Applied = false;
  // A chained library material that asks for another pass ends the call, as
  // an "after" shader does; the rest is undone after its last pass.
  if (FMaterial->UnApply(rci)) return true;
  if (FTextureMatrixLoaded) {
    rci.stateCache->ResetGLTextureMatrix();
    FTextureMatrixLoaded = false;
  }
  if (FShader && FShader->ShaderStyle == TGLShaderStyle::ssBefore) return FShader->UnApply(rci);
  return false;
}

// ---- TGLLibMaterials --------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLLibMaterials, TOwnedCollection)

TGLLibMaterials::TGLLibMaterials(TGLMaterialLibrary* AOwner)
    : TOwnedCollection(AOwner, CollectionItemClassOf<TGLLibMaterial>()) {}

TGLMaterialLibrary* TGLLibMaterials::MaterialLibrary() const { return static_cast<TGLMaterialLibrary*>(GetOwner()); }

TGLLibMaterial* TGLLibMaterials::GetLibMaterialByName(const std::string& AName) const {
  const uint32_t hash = GLMaterialNameHash(AName);
  for (int i = 0; i < Count(); ++i) {
    TGLLibMaterial* m = Items(i);
    if (m->FNameHashKey == hash && m->FName == AName) return m;
  }
  return nullptr;
}

std::string TGLLibMaterials::MakeUniqueName(const std::string& NameRoot) const {
  std::string name = NameRoot;
  for (int i = 1; GetLibMaterialByName(name); ++i) name = NameRoot + IntToStr(i);
  return name;
}

void TGLLibMaterials::Loaded() {
  for (int i = 0; i < Count(); ++i) Items(i)->Loaded();
}

void TGLLibMaterials::DestroyHandles() {
  for (int i = 0; i < Count(); ++i) Items(i)->Material()->DestroyHandles();
}

// ---- TGLMaterialLibrary ---------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLMaterialLibrary, TGLCadenceAbleComponent)

TGLMaterialLibrary::TGLMaterialLibrary(TComponent* AOwner)
    : TGLCadenceAbleComponent(AOwner), FMaterials(std::make_unique<TGLLibMaterials>(this)) {}

TGLMaterialLibrary::~TGLMaterialLibrary() {
  ReportUnbalancedApplication();
  for (TGLMaterial* m : std::vector<TGLMaterial*>(FReferrers)) {
    m->ResolveLibMaterial(nullptr);
    m->FMaterialLibrary = nullptr;
  }
  FReferrers.clear();
  FMaterials.reset();
}

void TGLMaterialLibrary::Destroying() {
  TGLCadenceAbleComponent::Destroying();
  ReportUnbalancedApplication();
}

void TGLMaterialLibrary::ReportUnbalancedApplication() {
  if (!FLastAppliedMaterial) return;
  FLastAppliedMaterial = nullptr;
  try {
    Assert(false, "Unbalanced material application", SourceName, 4181);
  } catch (...) {   // runs while the library is being freed: reported, never thrown on
    HandleCallbackException(this);
  }
}

void TGLMaterialLibrary::AddReferrer(TGLMaterial* Material) {
  if (std::find(FReferrers.begin(), FReferrers.end(), Material) == FReferrers.end()) FReferrers.push_back(Material);
}

void TGLMaterialLibrary::RemoveReferrer(TGLMaterial* Material) {
  FReferrers.erase(std::remove(FReferrers.begin(), FReferrers.end(), Material), FReferrers.end());
}

void TGLMaterialLibrary::SetTexturePaths(const std::string& Value) {
  std::vector<std::string> paths;
  size_t start = 0;
  while (start <= Value.size()) {
    size_t end = Value.find(';', start);
    if (end == std::string::npos) end = Value.size();
    std::string part = Trim(Value.substr(start, end - start));
    if (!part.empty()) {
      if (part.back() != '\\') part += '\\';
      paths.push_back(part);
    }
    start = end + 1;
  }
  FTexturePaths = Value;
  FTexturePathList = std::move(paths);
}

void TGLMaterialLibrary::DoTextureNeeded(TObject* Sender, std::string& TextureFileName) {
  if (OnTextureNeeded) OnTextureNeeded(Sender, TextureFileName);
  if (TextureFileName.find(':') != std::string::npos ||
      (!TextureFileName.empty() && TextureFileName[0] == '\\'))
    return;
  for (const std::string& path : FTexturePathList)
    if (FileStreamExists(path + TextureFileName)) {
      TextureFileName = path + TextureFileName;
      return;
    }
}

TGLLibMaterial* TGLMaterialLibrary::AddTextureMaterial(const std::string& MaterialName, const std::string& FileName,
                                                       bool Persistent) {
  TGLLibMaterial* m = FMaterials->Add();
  try {
    m->SetName(MaterialName);
    TGLTexture* t = m->Material()->Texture();
    t->SetMinFilter(TGLMinFilter::miLinearMipmapLinear);
    t->SetMagFilter(TGLMagFilter::maLinear);
    t->SetTextureMode(TGLTextureMode::tmModulate);
    t->SetDisabled(false);
    if (Persistent) {
      t->SetImageClassName(TGLPersistentImage::StaticClass()->Name);
      if (!FileName.empty()) t->Image()->LoadFromFile(FileName);
    } else {
      t->SetImageClassName(TGLPicFileImage::StaticClass()->Name);
      static_cast<TGLPicFileImage*>(t->Image())->SetPictureFileName(FileName);
    }
  } catch (...) {
    delete m;   // an unreadable file adds nothing
    throw;
  }
  return m;
}

TGLLibMaterial* TGLMaterialLibrary::AddTextureMaterial(const std::string& MaterialName, TGraphic* Graphic) {
  TGLLibMaterial* m = FMaterials->Add();
  m->SetName(MaterialName);
  TGLTexture* t = m->Material()->Texture();
  t->SetMinFilter(TGLMinFilter::miLinearMipmapLinear);
  t->SetMagFilter(TGLMagFilter::maLinear);
  t->SetTextureMode(TGLTextureMode::tmModulate);
  t->SetDisabled(false);
  t->Image()->Assign(Graphic);
  return m;
}

TGLLibMaterial* TGLMaterialLibrary::LibMaterialByName(const std::string& AName) const {
  return FMaterials->GetLibMaterialByName(AName);
}

bool TGLMaterialLibrary::ApplyMaterial(const std::string& MaterialName, TRenderContextInfo& rci) {
  FLastAppliedMaterial = LibMaterialByName(MaterialName);
  if (!FLastAppliedMaterial) return false;
  FLastAppliedMaterial->Apply(rci);
  return true;
}

bool TGLMaterialLibrary::UnApplyMaterial(TRenderContextInfo& rci) {
  if (!FLastAppliedMaterial) return false;
  const bool again = FLastAppliedMaterial->UnApply(rci);
  if (!again) FLastAppliedMaterial = nullptr;
  return again;
}

void TGLMaterialLibrary::DestroyHandles() { FMaterials->DestroyHandles(); }

void TGLMaterialLibrary::Loaded() {
  TGLCadenceAbleComponent::Loaded();
  FMaterials->Loaded();
}

// ---- Archive --------------------------------------------------------------------------

namespace {
// The picture of a texture as a bitmap file, when the texture is enabled
// and its image is a persistent image holding one.
bool ArchiveImage(TGLTexture* Texture, std::string& Image) {
  auto* p = dynamic_cast<TGLPersistentImage*>(Texture->Image());
  if (!Texture->Enabled() || !p || !p->HasPicture()) return false;
  Image = BitmapFileOf(p->Picture()->Graphic());
  return true;
}

void StoreFace(TGLFaceProperties* F, TMaterialArchiveFace& A) {
  auto rgb = [](TGLColor* C) { return TAffineVector{C->Red(), C->Green(), C->Blue()}; };
  A.Ambient = rgb(F->Ambient());
  A.Diffuse = F->Diffuse()->Color();
  A.Emission = rgb(F->Emission());
  A.Specular = rgb(F->Specular());
  A.Shininess = F->Shininess();
  A.PolygonMode = static_cast<int32_t>(F->PolygonMode());
}

void LoadColours(TGLFaceProperties* F, const TMaterialArchiveFace& A) {
  auto set = [](TGLColor* C, const TAffineVector& V) { C->SetColor(TVector{V[0], V[1], V[2], C->Alpha()}); };
  set(F->Ambient(), A.Ambient);
  F->Diffuse()->SetColor(A.Diffuse);
  set(F->Emission(), A.Emission);
  set(F->Specular(), A.Specular);
}

void LoadFace(TGLFaceProperties* F, const TMaterialArchiveFace& A) {
  LoadColours(F, A);
  F->SetShininess(A.Shininess);
  F->SetPolygonMode(static_cast<TPolygonMode>(A.PolygonMode));
}

std::unique_ptr<TBitmap> ArchiveBitmap(const std::string& Image) {
  auto b = std::make_unique<TBitmap>();
  TStringStream s(Image);
  b->LoadFromStream(s);
  return b;
}

void LoadImage(TGLTexture* Texture, TBitmap* Bitmap) {
  if (!dynamic_cast<TGLPersistentImage*>(Texture->Image()))
    Texture->SetImageClassName(TGLPersistentImage::StaticClass()->Name);
  Texture->Image()->Assign(Bitmap);
}
}  // namespace

void TGLMaterialLibrary::WriteToFiler(TVirtualWriter* Writer) {
  std::vector<TMaterialArchiveEntry> entries;
  for (int i = 0; i < FMaterials->Count(); ++i) {
    TGLLibMaterial* lm = FMaterials->Items(i);
    TGLMaterial* m = lm->Material();
    TMaterialArchiveEntry e;
    e.Name = lm->Name();
    e.HasImage = m->HasTexture() && ArchiveImage(m->Texture(), e.Image);
    StoreFace(m->FrontProperties(), e.Front);
    StoreFace(m->BackProperties(), e.Back);
    e.BlendingMode = static_cast<int32_t>(m->BlendingMode());
    e.MaterialOptions = static_cast<uint8_t>(m->MaterialOptions().Raw());
    e.TextureOffset = lm->TextureOffset()->AsAffineVector();
    e.TextureScale = lm->TextureScale()->AsAffineVector();
    e.Texture2Name = lm->Texture2Name();
    if (m->StoreTextureEx())
      for (int k = 0; k < m->TextureEx()->Count(); ++k) {
        TGLTextureExItem* item = m->TextureEx()->Items(k);
        TMaterialArchiveTexture t;
        t.HasImage = ArchiveImage(item->Texture(), t.Image);
        t.TextureIndex = item->TextureIndex();
        t.Offset = item->TextureOffset()->AsAffineVector();
        t.Scale = item->TextureScale()->AsAffineVector();
        e.TextureEx.push_back(std::move(t));
      }
    entries.push_back(std::move(e));
  }
  WriteMaterialArchive(*Writer, entries);
}

void TGLMaterialLibrary::ReadFromFiler(TVirtualReader* Reader) {
  int version = 0;
  const std::vector<TMaterialArchiveEntry> entries = ReadMaterialArchive(*Reader, version);
  // Every picture is decoded before the library changes.
  std::vector<std::unique_ptr<TBitmap>> images, exImages;
  for (const TMaterialArchiveEntry& e : entries) {
    images.push_back(e.HasImage ? ArchiveBitmap(e.Image) : nullptr);
    for (const TMaterialArchiveTexture& t : e.TextureEx) exImages.push_back(t.HasImage ? ArchiveBitmap(t.Image) : nullptr);
  }
  if (!DoNotClearMaterialsOnLoad) FMaterials->Clear();
  size_t ex = 0;
  for (size_t i = 0; i < entries.size(); ++i) {
    const TMaterialArchiveEntry& e = entries[i];
    TGLLibMaterial* lm = LibMaterialByName(e.Name);
    if (images[i]) {
      if (lm) LoadImage(lm->Material()->Texture(), images[i].get());
      else lm = AddTextureMaterial(e.Name, images[i].get());
    } else if (!lm) {
      lm = FMaterials->Add();
      lm->SetName(e.Name);
    }
    TGLMaterial* m = lm->Material();
    if (version == 0) {
      LoadColours(m->FrontProperties(), e.Front);
      continue;
    }
    LoadFace(m->FrontProperties(), e.Front);
    LoadFace(m->BackProperties(), e.Back);
    m->SetBlendingMode(static_cast<TBlendingMode>(e.BlendingMode));
    TMaterialOptions options;
    if (e.MaterialOptions & 1) options.Include(TMaterialOption::moIgnoreFog);
    if (e.MaterialOptions & 2) options.Include(TMaterialOption::moNoLighting);
    m->SetMaterialOptions(options);
    lm->TextureOffset()->SetAsVector(TVector{e.TextureOffset[0], e.TextureOffset[1], e.TextureOffset[2], 0.0f});
    lm->TextureScale()->SetAsVector(TVector{e.TextureScale[0], e.TextureScale[1], e.TextureScale[2], 0.0f});
    lm->SetTexture2Name(e.Texture2Name);
    if (version < 2) continue;
    m->TextureEx()->Clear();
    for (const TMaterialArchiveTexture& t : e.TextureEx) {
      TGLTextureExItem* item = m->TextureEx()->Add();
      if (TBitmap* b = exImages[ex++].get()) {
        LoadImage(item->Texture(), b);
        item->Texture()->SetDisabled(false);
      }
      item->SetTextureIndex(t.TextureIndex);
      item->TextureOffset()->SetAsVector(TVector{t.Offset[0], t.Offset[1], t.Offset[2], 0.0f});
      item->TextureScale()->SetAsVector(TVector{t.Scale[0], t.Scale[1], t.Scale[2], 0.0f});
    }
  }
}

void TGLMaterialLibrary::SaveToStream(TStream& Stream) {
  TBinaryWriter w(&Stream);
  WriteToFiler(&w);
}

void TGLMaterialLibrary::LoadFromStream(TStream& Stream) {
  TBinaryReader r(&Stream);
  ReadFromFiler(&r);
}

void TGLMaterialLibrary::SaveToFile(const std::string& FileName) {
  std::unique_ptr<TStream> s = CreateFileStream(FileName, fmCreate);
  SaveToStream(*s);
}

void TGLMaterialLibrary::LoadFromFile(const std::string& FileName) {
  std::unique_ptr<TStream> s = CreateFileStream(FileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(*s);
}
