// Colours, face properties, the class registries, textures, extra textures,
// shaders and the unit's start-up. Texture images are in
// GLTextureImages.cpp, materials and the library in GLMaterial.cpp.
#include "scene3d/GLTexture.h"

#include <algorithm>

#include "classlib/Messages.h"
#include "classlib/UnitInit.h"
#include "scene3d/Base/ApplicationFileIO.h"
#include "scene3d/Base/XOpenGL.h"
#include "scene3d/GLCrossPlatform.h"
#include "scene3d/GLState.h"
#include "scene3d/PictureRegisteredFormats.h"

namespace {
const char* const SourceName = "scene3d\\GLTexture";
TUnitCounter InitCounter;

struct TPictureClassEntry {
  std::string Extension;
  TGraphicClass Class;
  TGraphicFactory Create;
};
std::unique_ptr<std::vector<TPictureClassEntry>> PictureClasses;
std::unique_ptr<std::vector<const TGLTextureImageClass*>> ImageClasses;

std::string FileExtension(const std::string& FileName) {
  const size_t dot = FileName.find_last_of(".\\/:");
  if (dot == std::string::npos || FileName[dot] != '.') return {};
  return LowerCase(FileName.substr(dot));
}

const char* const PolygonModeNames[] = {"pmFill", "pmLines", "pmPoints"};
const char* const TextureModeNames[] = {"tmDecal", "tmModulate", "tmBlend", "tmReplace"};
const char* const TextureWrapNames[] = {"twBoth", "twNone", "twVertical", "twHorizontal"};
const char* const TextureFormatNames[] = {"tfDefault",   "tfRGB",         "tfRGBA",          "tfRGB16",
                                          "tfRGBA16",    "tfAlpha",       "tfLuminance",     "tfLuminanceAlpha",
                                          "tfIntensity", "tfNormalMap",   "tfRGBAFloat16",   "tfRGBAFloat32"};
const char* const MinFilterNames[] = {"miNearest",           "miLinear",
                                      "miNearestMipmapNearest", "miLinearMipmapNearest",
                                      "miNearestMipmapLinear",  "miLinearMipmapLinear"};
const char* const MagFilterNames[] = {"maNearest", "maLinear"};
const char* const ImageAlphaNames[] = {"tiaDefault",       "tiaAlphaFromIntensity",          "tiaSuperBlackTransparent",
                                       "tiaLuminance",     "tiaLuminanceSqrt",               "tiaOpaque",
                                       "tiaTopLeftPointColorTransparent", "tiaInverseLuminance",
                                       "tiaInverseLuminanceSqrt"};
const char* const MappingModeNames[] = {"tmmUser",          "tmmObjectLinear",      "tmmEyeLinear",
                                        "tmmSphere",        "tmmCubeMapReflection", "tmmCubeMapNormal",
                                        "tmmCubeMapLight0", "tmmCubeMapCamera"};
const char* const CompressionNames[] = {"tcDefault", "tcNone", "tcStandard", "tcHighQuality", "tcHighSpeed"};
const char* const FilteringQualityNames[] = {"tfIsotropic", "tfAnisotropic"};
const TVector DefaultMappingPlane{1.0f, 0.0f, 0.0f, 0.0f};

GLenum GLFace(TPolygonMode Mode) {
  switch (Mode) {
    case TPolygonMode::pmLines: return GL_LINE;
    case TPolygonMode::pmPoints: return GL_POINT;
    default: return GL_FILL;
  }
}
}  // namespace

TGLSceneHooks& GLSceneHooks() {
  static TGLSceneHooks hooks;
  return hooks;
}

bool vUseDefaultColorSets = false;
bool vSecondTextureUnitForbidden = false;
TGLTextureFormat vDefaultTextureFormat = TGLTextureFormat::tfRGBA;
TGLTextureCompression vDefaultTextureCompression = TGLTextureCompression::tcNone;

TVector ColorToVector(TColor Color, float Alpha) {
  const COLORREF c = ColorToRGB(Color);
  return {GetRedValue(c) / 255.0f, GetGreenValue(c) / 255.0f, GetBlueValue(c) / 255.0f, Alpha};
}

// ---- TGLColor -----------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLColor, TGLUpdateAbleObject)

TGLColor::TGLColor(TPersistent* AOwner) : TGLUpdateAbleObject(AOwner) {}

TGLColor::TGLColor(TPersistent* AOwner, const TVector& AColor, TNotifyEvent AOnChange)
    : TGLUpdateAbleObject(AOwner), FColor(AColor) {
  if (vUseDefaultColorSets) FDefaultColor = std::make_unique<TVector>(AColor);
  OnNotifyChange = std::move(AOnChange);
}

void TGLColor::SetColor(const TVector& Value) {
  FColor = Value;
  NotifyChange(this);
}

void TGLColor::SetColorComponent(int Index, float Value) {
  float& c = FColor.at(static_cast<size_t>(Index));
  if (c == Value) return;
  c = Value;
  NotifyChange(this);
}

void TGLColor::Assign(TPersistent* Source) {
  if (auto* c = dynamic_cast<TGLColor*>(Source)) {
    FColor = c->FColor;
    NotifyChange(this);
    return;
  }
  TGLUpdateAbleObject::Assign(Source);
}

void TGLColor::NotifyChange(TObject* Sender) {
  if (Owner() && GLSceneHooks().StructureChanged) GLSceneHooks().StructureChanged(Owner());
  TGLUpdateAbleObject::NotifyChange(Sender);
}

void TGLColor::DefineProperties(TFiler* Filer) {
  TGLUpdateAbleObject::DefineProperties(Filer);
  Filer->DefineBinaryProperty(
      "Color",
      [this](TStream& S) {
        TVector v;
        if (S.Size() - S.Position() != static_cast<int64_t>(sizeof v)) throw EReadError("Invalid property Color");
        S.ReadBuffer(v.data(), sizeof v);
        FColor = v;
      },
      [this](TStream& S) { S.WriteBuffer(FColor.data(), sizeof FColor); }, true);
}

// ---- TGLFaceProperties ------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLFaceProperties, TGLUpdateAbleObject)

TGLFaceProperties::TGLFaceProperties(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner),
      FAmbient(std::make_unique<TGLColor>(this, TVector{0.2f, 0.2f, 0.2f, 1.0f})),
      FDiffuse(std::make_unique<TGLColor>(this, TVector{0.8f, 0.8f, 0.8f, 1.0f})),
      FSpecular(std::make_unique<TGLColor>(this, TVector{0.0f, 0.0f, 0.0f, 1.0f})),
      FEmission(std::make_unique<TGLColor>(this, TVector{0.0f, 0.0f, 0.0f, 1.0f})) {}

TGLFaceProperties::~TGLFaceProperties() = default;

void TGLFaceProperties::SetAmbient(TGLColor* Value) {
  FAmbient->FColor = Value->Color();
  NotifyChange(this);
}
void TGLFaceProperties::SetDiffuse(TGLColor* Value) {
  FDiffuse->FColor = Value->Color();
  NotifyChange(this);
}
void TGLFaceProperties::SetSpecular(TGLColor* Value) {
  FSpecular->FColor = Value->Color();
  NotifyChange(this);
}
void TGLFaceProperties::SetEmission(TGLColor* Value) {
  FEmission->FColor = Value->Color();
  NotifyChange(this);
}

void TGLFaceProperties::SetPolygonMode(TPolygonMode Value) {
  if (Value == FPolygonMode) return;
  FPolygonMode = Value;
  NotifyChange(this);
}

void TGLFaceProperties::SetShininess(TShininess Value) {
  if (Value == FShininess) return;
  FShininess = Value;
  NotifyChange(this);
}

void TGLFaceProperties::Assign(TPersistent* Source) {
  if (auto* f = dynamic_cast<TGLFaceProperties*>(Source)) {
    FAmbient->FColor = f->FAmbient->Color();
    FDiffuse->FColor = f->FDiffuse->Color();
    FSpecular->FColor = f->FSpecular->Color();
    FEmission->FColor = f->FEmission->Color();
    FPolygonMode = f->FPolygonMode;
    FShininess = f->FShininess;
    NotifyChange(this);
    return;
  }
  TGLUpdateAbleObject::Assign(Source);
}

void TGLFaceProperties::DefineProperties(TFiler* Filer) {
  TGLUpdateAbleObject::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefinePersistent("Ambient", FAmbient.get());
  f->DefinePersistent("Diffuse", FDiffuse.get());
  f->DefinePersistent("Emission", FEmission.get());
  f->DefinePersistent("Specular", FSpecular.get());
  f->DefineEnum<TPolygonMode>("PolygonMode", PolygonModeNames, FPolygonMode,
                              [this](TPolygonMode v) { SetPolygonMode(v); }, FPolygonMode != TPolygonMode::pmFill);
  f->DefineInteger(
      "Shininess", FShininess, [this](int32_t v) { SetShininess(static_cast<TShininess>(std::clamp(v, 0, 255))); },
      FShininess != 0);
}

void TGLFaceProperties::Apply(TRenderContextInfo& rci, GLenum AFace) {
  rci.stateCache->SetGLMaterialColors(AFace, FEmission->Color(), FAmbient->Color(), FDiffuse->Color(),
                                      FSpecular->Color(), FShininess);
  rci.stateCache->SetGLPolygonMode(AFace, GLFace(FPolygonMode));
}

void TGLFaceProperties::ApplyNoLighting(TRenderContextInfo& rci, GLenum AFace) {
  glColor4fv(FDiffuse->AsAddress());
  rci.stateCache->SetGLPolygonMode(AFace, GLFace(FPolygonMode));
}

// ---- Registries ---------------------------------------------------------------------

void RegisterPictureClassForExtension(const std::string& Extension, TGraphicClass AClass, TGraphicFactory Create) {
  if (!PictureClasses) PictureClasses = std::make_unique<std::vector<TPictureClassEntry>>();
  PictureClasses->push_back({LowerCase(Extension), AClass, Create});
}

std::unique_ptr<TGraphic> CreatePictureFromFile(const std::string& FileName) {
  if (!FileStreamExists(FileName)) return nullptr;
  const std::string ext = FileExtension(FileName);
  std::unique_ptr<TGraphic> graphic;
  if (PictureClasses)
    for (const TPictureClassEntry& e : *PictureClasses)
      if (e.Extension == ext) {
        graphic = e.Create();
        break;
      }
  if (!graphic)
    if (TGraphicClass cls = GraphicClassForExtension(ext)) graphic = TPicture::NewGraphic(cls);
  if (!graphic) return nullptr;
  std::unique_ptr<TStream> stream = CreateFileStream(FileName, fmOpenRead | fmShareDenyWrite);
  graphic->LoadFromStream(*stream);
  return graphic;
}

void RegisterGLTextureImageClass(const TGLTextureImageClass* AClass) {
  if (!ImageClasses) ImageClasses = std::make_unique<std::vector<const TGLTextureImageClass*>>();
  ImageClasses->push_back(AClass);
}

const TGLTextureImageClass* FindGLTextureImageClass(const std::string& ClassName) {
  if (ImageClasses)
    for (const TGLTextureImageClass* c : *ImageClasses)
      if (c->ClassName() == ClassName) return c;
  return nullptr;
}

const std::vector<const TGLTextureImageClass*>& GLTextureImageClasses() {
  static const std::vector<const TGLTextureImageClass*> none;
  return ImageClasses ? *ImageClasses : none;
}

// ---- TGLTexture -------------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLTexture, TGLUpdateAbleObject)

TGLTexture::TGLTexture(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner),
      FHandle(std::make_unique<TGLTextureHandle>()),
      FImage(std::make_unique<TGLPersistentImage>(this)),
      FEnvColor(std::make_unique<TGLColor>(this, TVector{0.0f, 0.0f, 0.0f, 0.0f})) {
  BindImageEvents();
}

TGLTexture::~TGLTexture() = default;

void TGLTexture::BindImageEvents() {
  FImage->OnTextureNeeded = [this](TObject* Sender, std::string& FileName) {
    (void)Sender;
    if (OnTextureNeeded) OnTextureNeeded(this, FileName);
  };
}

void TGLTexture::SetChangedParams(bool Changed) {
  if (!Changed) return;
  FChanges.Include(TGLTextureChange::tcParams);
  NotifyChange(this);
}

void TGLTexture::SetChangedImage(bool Changed) {
  if (!Changed) return;
  FChanges.Include(TGLTextureChange::tcImage);
  NotifyChange(this);
}

#define TEXTURE_WRITER(Name, Type, Field, Mark)        \
  void TGLTexture::Set##Name(Type Value) {             \
    if (Value == Field) return;                        \
    Field = Value;                                     \
    Mark(true);                                        \
  }
TEXTURE_WRITER(TextureMode, TGLTextureMode, FTextureMode, SetChangedParams)
TEXTURE_WRITER(TextureWrap, TGLTextureWrap, FTextureWrap, SetChangedParams)
TEXTURE_WRITER(TextureFormat, TGLTextureFormat, FTextureFormat, SetChangedParams)
TEXTURE_WRITER(MinFilter, TGLMinFilter, FMinFilter, SetChangedParams)
TEXTURE_WRITER(MagFilter, TGLMagFilter, FMagFilter, SetChangedParams)
TEXTURE_WRITER(Compression, TGLTextureCompression, FCompression, SetChangedParams)
TEXTURE_WRITER(FilteringQuality, TGLTextureFilteringQuality, FFilteringQuality, SetChangedParams)
TEXTURE_WRITER(ImageAlpha, TGLTextureImageAlpha, FImageAlpha, SetChangedImage)
TEXTURE_WRITER(ImageBrightness, float, FImageBrightness, SetChangedImage)
TEXTURE_WRITER(ImageGamma, float, FImageGamma, SetChangedImage)
#undef TEXTURE_WRITER

void TGLTexture::SetEnvColor(TGLColor* Value) {
  if (Value->Color() == FEnvColor->Color()) return;
  FEnvColor->SetColor(Value->Color());   // the colour's notification marks the parameters
}

void TGLTexture::SetNormalMapScale(float Value) {
  if (Value == FNormalMapScale) return;
  FNormalMapScale = Value;
  if (FTextureFormat == TGLTextureFormat::tfNormalMap) SetChangedImage(true);
}

void TGLTexture::SetDisabled(bool Value) {
  if (Value == FDisabled) return;
  FDisabled = Value;
  if (auto* m = dynamic_cast<TGLMaterial*>(Owner())) m->NotifyTexMapChange(this);
  else if (auto* item = dynamic_cast<TGLTextureExItem*>(Owner())) item->NotifyChange(this);
  else if (!Owner()) NotifyChange(this);
}

void TGLTexture::SetMappingMode(TGLTextureMappingMode Value) {
  if (Value == FMappingMode) return;
  const bool toUser = FMappingMode != TGLTextureMappingMode::tmmUser && Value == TGLTextureMappingMode::tmmUser;
  FMappingMode = Value;
  auto* material = dynamic_cast<TGLMaterial*>(Owner());
  if (toUser && material) material->NotifyTexMapChange(this);
  else NotifyChange(this);
}

TGLCoordinates4* TGLTexture::MappingSCoordinates() {
  if (!FMapSCoordinates)
    FMapSCoordinates = std::make_unique<TGLCoordinates4>(this, TVector{1.0f, 0.0f, 0.0f, 0.0f});
  return FMapSCoordinates.get();
}

TGLCoordinates4* TGLTexture::MappingTCoordinates() {
  if (!FMapTCoordinates)
    FMapTCoordinates = std::make_unique<TGLCoordinates4>(this, TVector{1.0f, 0.0f, 0.0f, 0.0f});
  return FMapTCoordinates.get();
}

void TGLTexture::SetImage(TGLTextureImage* Value) {
  if (!Value) {
    FImage = std::make_unique<TGLPersistentImage>(this);
    BindImageEvents();
  } else {
    if (Value->ClassType() != FImage->ClassType()) {
      FImage = Value->ImageClass()->Create(this);
      BindImageEvents();
    }
    FImage->Assign(Value);
  }
  SetChangedImage(true);
}

void TGLTexture::SetImageClassName(const std::string& Value) {
  if (Value == FImage->ClassName()) return;
  const TGLTextureImageClass* cls = FindGLTextureImageClass(Value);
  if (!cls) return;
  FImage = cls->Create(this);
  BindImageEvents();
  SetChangedImage(true);
}

bool TGLTexture::StoreImageClassName() const { return FImage->ClassType() != TGLPersistentImage::StaticClass(); }

void TGLTexture::Assign(TPersistent* Source) {
  if (!Source) {
    SetDisabled(true);
    SetImage(nullptr);
    FChanges = {TGLTextureChange::tcImage, TGLTextureChange::tcParams};
    return;
  }
  if (auto* t = dynamic_cast<TGLTexture*>(Source)) {
    if (t == this) return;
    FImageAlpha = t->FImageAlpha;
    FTextureMode = t->FTextureMode;
    FTextureWrap = t->FTextureWrap;
    FTextureFormat = t->FTextureFormat;
    FCompression = t->FCompression;
    FMinFilter = t->FMinFilter;
    FMagFilter = t->FMagFilter;
    FMappingMode = t->FMappingMode;
    MappingSCoordinates()->Assign(t->MappingSCoordinates());
    MappingTCoordinates()->Assign(t->MappingTCoordinates());
    SetDisabled(t->FDisabled);
    SetImage(t->FImage.get());
    FChanges = {TGLTextureChange::tcImage, TGLTextureChange::tcParams};
    return;
  }
  if (dynamic_cast<TGraphic*>(Source) || dynamic_cast<TPicture*>(Source)) {
    FImage->Assign(Source);
    return;
  }
  TGLUpdateAbleObject::Assign(Source);
}

void TGLTexture::DefineProperties(TFiler* Filer) {
  TGLUpdateAbleObject::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefineString(
      "ImageClassName", ImageClassName(),
      [this](const std::string& v) {
        if (!FindGLTextureImageClass(v)) throw EReadError("Unknown texture image class " + v);
        SetImageClassName(v);
      },
      StoreImageClassName());
  f->DefineEnum<TGLTextureMode>("TextureMode", TextureModeNames, FTextureMode,
                                [this](TGLTextureMode v) { SetTextureMode(v); },
                                FTextureMode != TGLTextureMode::tmDecal);
  f->DefineEnum<TGLTextureWrap>("TextureWrap", TextureWrapNames, FTextureWrap,
                                [this](TGLTextureWrap v) { SetTextureWrap(v); },
                                FTextureWrap != TGLTextureWrap::twBoth);
  f->DefineEnum<TGLTextureFormat>("TextureFormat", TextureFormatNames, FTextureFormat,
                                  [this](TGLTextureFormat v) { SetTextureFormat(v); },
                                  FTextureFormat != TGLTextureFormat::tfDefault);
  f->DefineEnum<TGLMinFilter>("MinFilter", MinFilterNames, FMinFilter, [this](TGLMinFilter v) { SetMinFilter(v); },
                              FMinFilter != TGLMinFilter::miLinearMipmapLinear);
  f->DefineEnum<TGLMagFilter>("MagFilter", MagFilterNames, FMagFilter, [this](TGLMagFilter v) { SetMagFilter(v); },
                              FMagFilter != TGLMagFilter::maLinear);
  f->DefineBoolean("Disabled", FDisabled, [this](bool v) { SetDisabled(v); }, !FDisabled);
  f->DefinePersistent("Image", FImage.get());
  f->DefineEnum<TGLTextureImageAlpha>("ImageAlpha", ImageAlphaNames, FImageAlpha,
                                      [this](TGLTextureImageAlpha v) { SetImageAlpha(v); },
                                      FImageAlpha != TGLTextureImageAlpha::tiaDefault);
  f->DefineSingle("ImageBrightness", FImageBrightness, [this](float v) { SetImageBrightness(v); },
                  FImageBrightness != 1.0f);
  f->DefineSingle("ImageGamma", FImageGamma, [this](float v) { SetImageGamma(v); }, FImageGamma != 1.0f);
  f->DefineEnum<TGLTextureMappingMode>("MappingMode", MappingModeNames, FMappingMode,
                                       [this](TGLTextureMappingMode v) { SetMappingMode(v); },
                                       FMappingMode != TGLTextureMappingMode::tmmUser);
  f->DefineOptionalPersistent(
      "MappingSCoordinates", FMapSCoordinates.get(), [this] { return MappingSCoordinates(); },
      FMapSCoordinates && !FMapSCoordinates->Equals(DefaultMappingPlane));
  f->DefineOptionalPersistent(
      "MappingTCoordinates", FMapTCoordinates.get(), [this] { return MappingTCoordinates(); },
      FMapTCoordinates && !FMapTCoordinates->Equals(DefaultMappingPlane));
  f->DefineEnum<TGLTextureCompression>("Compression", CompressionNames, FCompression,
                                       [this](TGLTextureCompression v) { SetCompression(v); },
                                       FCompression != TGLTextureCompression::tcDefault);
  f->DefineEnum<TGLTextureFilteringQuality>("FilteringQuality", FilteringQualityNames, FFilteringQuality,
                                            [this](TGLTextureFilteringQuality v) { SetFilteringQuality(v); },
                                            FFilteringQuality != TGLTextureFilteringQuality::tfIsotropic);
  f->DefinePersistent("EnvColor", FEnvColor.get());
  f->DefineSingle("NormalMapScale", FNormalMapScale, [this](float v) { SetNormalMapScale(v); },
                  FNormalMapScale != 0.125f);
}

void TGLTexture::NotifyChange(TObject* Sender) {
  if (Sender && Sender == FEnvColor.get()) FChanges.Include(TGLTextureChange::tcParams);
  if (auto* item = dynamic_cast<TGLTextureExItem*>(Owner())) {
    item->NotifyChange(this);
    return;
  }
  TGLUpdateAbleObject::NotifyChange(Sender);
}

void TGLTexture::DestroyHandles() {
  FHandle->DestroyHandle();
  FChanges = {TGLTextureChange::tcImage, TGLTextureChange::tcParams};
  FRequiredMemorySize = -1;
}

bool TGLTexture::IsFloatType() const {
  return FTextureFormat == TGLTextureFormat::tfRGBAFloat16 || FTextureFormat == TGLTextureFormat::tfRGBAFloat32;
}

GLenum TGLTexture::OpenGLTextureFormat() const {
  using F = TGLTextureFormat;
  F format = FTextureFormat == F::tfDefault ? vDefaultTextureFormat : FTextureFormat;
  if (format == F::tfDefault) format = F::tfRGBA;
  TGLTextureCompression compression = TGLTextureCompression::tcNone;
  if (GL.ARB_texture_compression && !IsFloatType()) {
    compression = FCompression == TGLTextureCompression::tcDefault ? vDefaultTextureCompression : FCompression;
    if (compression == TGLTextureCompression::tcDefault) compression = TGLTextureCompression::tcNone;
  }
  if (compression == TGLTextureCompression::tcNone) {
    switch (format) {
      case F::tfRGB: return GL_RGB8;
      case F::tfRGB16: return GL_RGB5;
      case F::tfRGBA16: return GL_RGBA4;
      case F::tfAlpha: return GL_ALPHA8;
      case F::tfLuminance: return GL_LUMINANCE8;
      case F::tfLuminanceAlpha: return GL_LUMINANCE8_ALPHA8;
      case F::tfIntensity: return GL_INTENSITY8;
      case F::tfNormalMap: return GL_RGB8;
      case F::tfRGBAFloat16: return GL.ATI_texture_float ? 0x881A : GL_FLOAT_RGBA16_NV;
      case F::tfRGBAFloat32: return GL.ATI_texture_float ? 0x8814 : GL_FLOAT_RGBA32_NV;
      default: return GL_RGBA8;
    }
  }
  switch (compression) {
    case TGLTextureCompression::tcStandard: glHint(GL_TEXTURE_COMPRESSION_HINT_ARB, GL_DONT_CARE); break;
    case TGLTextureCompression::tcHighQuality: glHint(GL_TEXTURE_COMPRESSION_HINT_ARB, GL_NICEST); break;
    default: glHint(GL_TEXTURE_COMPRESSION_HINT_ARB, GL_FASTEST); break;
  }
  switch (format) {
    case F::tfRGB:
    case F::tfRGB16:
    case F::tfNormalMap: return GL_COMPRESSED_RGB_ARB;
    case F::tfAlpha: return GL_COMPRESSED_ALPHA_ARB;
    case F::tfLuminance: return GL_COMPRESSED_LUMINANCE_ARB;
    case F::tfLuminanceAlpha: return GL_COMPRESSED_LUMINANCE_ALPHA_ARB;
    case F::tfIntensity: return GL_COMPRESSED_INTENSITY_ARB;
    default: return GL_COMPRESSED_RGBA_ARB;
  }
}

GLuint TGLTexture::GetHandle() {
  if (FHandle->Handle() != 0 && FChanges.Empty()) return FHandle->Handle();
  if (FHandle->Handle() == 0) FHandle->AllocateHandle();
  Assert(FHandle->Handle() != 0, "", SourceName, 2960);
  const GLenum target = FImage->NativeTextureTarget();
  const bool cube = target == GL_TEXTURE_CUBE_MAP_ARB;
  if (!cube || GL.ARB_texture_cube_map) {
    glBindTexture(target, FHandle->Handle());
    PrepareParams(target);
    FChanges = {};
  }
  if (target == GL_TEXTURE_2D || target == GL_TEXTURE_RECTANGLE_NV) {
    PrepareImage(target);
  } else if (cube && GL.ARB_texture_cube_map) {
    auto* cubeImage = static_cast<TGLCubeMapImage*>(FImage.get());
    const int w = cubeImage->PicturePX()->Width();
    bool square = true;
    for (int f = 0; f < 6; ++f) {
      TPicture* p = cubeImage->Picture(static_cast<TGLCubeMapFace>(f));
      square = square && p->Width() == w && p->Height() == w;
    }
    if (square)
      for (GLenum face = GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB; face <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z_ARB; ++face)
        PrepareImage(face);
  }
  return FHandle->Handle();
}

GLint GLMinFilterValue(TGLMinFilter Filter) {
  static const GLint minFilters[] = {GL_NEAREST, GL_LINEAR, GL_NEAREST_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_NEAREST,
                                     GL_NEAREST_MIPMAP_LINEAR, GL_LINEAR_MIPMAP_LINEAR};
  return minFilters[static_cast<int>(Filter)];
}

GLint GLMagFilterValue(TGLMagFilter Filter) { return Filter == TGLMagFilter::maNearest ? GL_NEAREST : GL_LINEAR; }

void ApplyTextureImageAlpha(TGLBitmap32& Bitmap, TGLTextureImageAlpha Alpha) {
  if (Bitmap.IsEmpty()) return;
  using A = TGLTextureImageAlpha;
  switch (Alpha) {
    case A::tiaAlphaFromIntensity:
    case A::tiaLuminance: Bitmap.SetAlphaFromIntensity(); break;
    case A::tiaSuperBlackTransparent: Bitmap.SetAlphaTransparentForColor(TGLPixel24{0, 0, 0}); break;
    case A::tiaLuminanceSqrt: Bitmap.SetAlphaFromIntensitySqrt(); break;
    case A::tiaOpaque: Bitmap.SetAlphaToValue(255); break;
    case A::tiaTopLeftPointColorTransparent: {
      // The picture's top row is the buffer's last unless the rows were reversed.
      const TGLPixel32 p = Bitmap.ScanLine(Bitmap.RowsReversed ? 0 : Bitmap.Height() - 1)[0];
      Bitmap.SetAlphaTransparentForColor(TGLPixel24{p.r, p.g, p.b});
      break;
    }
    case A::tiaInverseLuminance:
      Bitmap.SetAlphaFromIntensity();
      Bitmap.InvertAlpha();
      break;
    case A::tiaInverseLuminanceSqrt:
      Bitmap.SetAlphaFromIntensitySqrt();
      Bitmap.InvertAlpha();
      break;
    default: break;
  }
}

void TGLTexture::PrepareParams(GLenum Target) {
  glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
  const GLint minFilter = GLMinFilterValue(FMinFilter);
  const GLint magFilter = GLMagFilterValue(FMagFilter);
  if (IsFloatType()) {
    glTexParameteri(Target, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(Target, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    const bool chosen = GL.ATI_texture_float && FTextureFormat == TGLTextureFormat::tfRGBAFloat16;
    glTexParameteri(Target, GL_TEXTURE_MIN_FILTER, chosen ? minFilter : GL_NEAREST);
    glTexParameteri(Target, GL_TEXTURE_MAG_FILTER, chosen ? magFilter : GL_NEAREST);
    return;
  }
  const GLint clamp = GL.VERSION_1_2 || GL.EXT_texture_edge_clamp ? GL_CLAMP_TO_EDGE : GL_CLAMP;
  const bool clampS = FTextureWrap == TGLTextureWrap::twNone || FTextureWrap == TGLTextureWrap::twVertical;
  const bool clampT = FTextureWrap == TGLTextureWrap::twNone || FTextureWrap == TGLTextureWrap::twHorizontal;
  glTexParameteri(Target, GL_TEXTURE_WRAP_S, clampS ? clamp : GL_REPEAT);
  glTexParameteri(Target, GL_TEXTURE_WRAP_T, clampT ? clamp : GL_REPEAT);
  glTexParameteri(Target, GL_TEXTURE_MIN_FILTER, minFilter);
  glTexParameteri(Target, GL_TEXTURE_MAG_FILTER, magFilter);
  if (GL.EXT_texture_filter_anisotropic)
    glTexParameteri(Target, GL_TEXTURE_MAX_ANISOTROPY_EXT,
                    FFilteringQuality == TGLTextureFilteringQuality::tfIsotropic ? 1 : 2);
}

void TGLTexture::PrepareImage(GLenum Target) {
  TGLBitmap32* bitmap = FImage->GetBitmap32(Target);
  if (!bitmap || bitmap->IsEmpty()) return;
  if (FTextureFormat == TGLTextureFormat::tfNormalMap)
    bitmap->GrayScaleToNormalMap(FNormalMapScale,
                                 FTextureWrap == TGLTextureWrap::twBoth || FTextureWrap == TGLTextureWrap::twHorizontal,
                                 FTextureWrap == TGLTextureWrap::twBoth || FTextureWrap == TGLTextureWrap::twVertical);
  ApplyTextureImageAlpha(*bitmap, FImageAlpha);
  if (FImageBrightness != 1.0f) bitmap->BrightnessCorrection(FImageBrightness);
  if (FImageGamma != 1.0f) bitmap->GammaCorrection(FImageGamma);
  CheckOpenGLError();
  bitmap->RegisterAsOpenGLTexture(Target, FMinFilter, OpenGLTextureFormat(), FTexWidth, FTexHeight);
  GLint size = 0;
  glGetTexLevelParameteriv(Target, 0, GL_TEXTURE_COMPRESSED_IMAGE_SIZE_ARB, &size);
  FRequiredMemorySize = glGetError() == GL_NO_ERROR ? size : -1;
  ClearGLError();
  FImage->ReleaseBitmap32();
}

bool TGLTexture::CubeMapMatrix(TRenderContextInfo& rci, TMatrix& Matrix) {
  using M = TGLTextureMappingMode;
  if (FMappingMode != M::tmmCubeMapReflection && FMappingMode != M::tmmCubeMapNormal &&
      FMappingMode != M::tmmCubeMapLight0 && FMappingMode != M::tmmCubeMapCamera)
    return false;
  TMatrix modelView;
  glGetFloatv(GL_MODELVIEW_MATRIX, modelView[0].data());
  NormalizeMatrix(modelView);
  TransposeMatrix(modelView);
  Matrix = modelView;
  if (FMappingMode == M::tmmCubeMapLight0) {
    TMatrix light;
    if (GLSceneHooks().FirstLightMatrix && GLSceneHooks().FirstLightMatrix(rci.scene, light)) {
      NormalizeMatrix(light);
      Matrix = MatrixMultiply(light, modelView);
    }
  } else if (FMappingMode == M::tmmCubeMapCamera) {
    TMatrix camera = IdentityHmgMatrix;
    camera[2] = rci.cameraDirection;
    camera[1] = rci.cameraUp;
    VectorCrossProduct(camera[2], camera[1], camera[0]);
    NormalizeMatrix(camera);
    Matrix = MatrixMultiply(camera, modelView);
  }
  return true;
}

void TGLTexture::ApplyMappingMode() {
  using M = TGLTextureMappingMode;
  auto generate = [](GLenum Mode, bool R) {
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, static_cast<GLint>(Mode));
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, static_cast<GLint>(Mode));
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    if (R) {
      glTexGeni(GL_R, GL_TEXTURE_GEN_MODE, static_cast<GLint>(Mode));
      glEnable(GL_TEXTURE_GEN_R);
    }
  };
  switch (FMappingMode) {
    case M::tmmUser: break;
    case M::tmmObjectLinear:
      glTexGenfv(GL_S, GL_OBJECT_PLANE, MappingSCoordinates()->AsAddress());
      glTexGenfv(GL_T, GL_OBJECT_PLANE, MappingTCoordinates()->AsAddress());
      generate(GL_OBJECT_LINEAR, false);
      break;
    case M::tmmEyeLinear:
      glTexGenfv(GL_S, GL_EYE_PLANE, MappingSCoordinates()->AsAddress());
      glTexGenfv(GL_T, GL_EYE_PLANE, MappingTCoordinates()->AsAddress());
      generate(GL_EYE_LINEAR, false);
      break;
    case M::tmmSphere: generate(GL_SPHERE_MAP, false); break;
    case M::tmmCubeMapReflection:
    case M::tmmCubeMapCamera: generate(GL_REFLECTION_MAP_ARB, true); break;
    case M::tmmCubeMapNormal:
    case M::tmmCubeMapLight0:
      if (GL.ARB_texture_cube_map) generate(GL_NORMAL_MAP_ARB, true);
      break;
    default: Assert(false, "", SourceName, 3571);
  }
}

void TGLTexture::UnApplyMappingMode() {
  if (FMappingMode == TGLTextureMappingMode::tmmUser) return;
  glDisable(GL_TEXTURE_GEN_S);
  glDisable(GL_TEXTURE_GEN_T);
  glDisable(GL_TEXTURE_GEN_R);
}

void TGLTexture::Apply(TRenderContextInfo& rci) {
  if (FDisabled) {
    rci.stateCache->Disable(TGLState::stTexture2D);
    rci.stateCache->Disable(TGLState::stTextureRect);
    return;
  }
  const GLenum target = FImage->NativeTextureTarget();
  if (target == GL_TEXTURE_CUBE_MAP_ARB) {
    if (GL.ARB_texture_cube_map) {
      rci.stateCache->Enable(TGLState::stTextureCubeMap);
      rci.stateCache->SetGLCurrentTexture(0, target, GetHandle());
      TMatrix m;
      if (CubeMapMatrix(rci, m)) rci.stateCache->SetGLTextureMatrix(m);
    }
  } else {
    rci.stateCache->Enable(target == GL_TEXTURE_2D ? TGLState::stTexture2D : TGLState::stTextureRect);
    rci.stateCache->SetGLCurrentTexture(0, target, GetHandle());
  }
  static const GLint modes[] = {GL_DECAL, GL_MODULATE, GL_BLEND, GL_REPLACE};
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, modes[static_cast<int>(FTextureMode)]);
  glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, FEnvColor->AsAddress());
  ApplyMappingMode();
  xglMapTexCoordToMain();
}

void TGLTexture::UnApply(TRenderContextInfo& rci) {
  if (FDisabled) return;
  const GLenum target = FImage->NativeTextureTarget();
  if (target == GL_TEXTURE_CUBE_MAP_ARB) {
    rci.stateCache->Disable(TGLState::stTextureCubeMap);
    rci.stateCache->ResetGLTextureMatrix();
  } else {
    rci.stateCache->Disable(target == GL_TEXTURE_2D ? TGLState::stTexture2D : TGLState::stTextureRect);
  }
  UnApplyMappingMode();
}

void TGLTexture::ApplyAsTexture2(TRenderContextInfo& rci, TGLLibMaterial* LibMaterial) {
  ApplyAsTextureN(2, rci, LibMaterial);
}

void TGLTexture::UnApplyAsTexture2(TRenderContextInfo& rci, TGLLibMaterial* LibMaterial) {
  UnApplyAsTextureN(2, rci, LibMaterial);
}

// The state cache shadows the first unit's capabilities and texture matrix
// only, so the other units are switched here directly.
void TGLTexture::ApplyAsTextureN(int N, TRenderContextInfo& rci, TGLLibMaterial* LibMaterial) {
  if (FDisabled || N < 1 || !glActiveTextureARB) return;
  glActiveTextureARB(GL_TEXTURE0_ARB + static_cast<GLenum>(N - 1));
  const GLenum target = FImage->NativeTextureTarget();
  if (target == GL_TEXTURE_CUBE_MAP_ARB) {
    if (GL.ARB_texture_cube_map) {
      glEnable(GL_TEXTURE_CUBE_MAP_ARB);
      rci.stateCache->SetGLCurrentTexture(N - 1, target, GetHandle());
      TMatrix m;
      if (CubeMapMatrix(rci, m)) {
        glMatrixMode(GL_TEXTURE);
        glLoadMatrixf(m[0].data());
        glMatrixMode(GL_MODELVIEW);
      }
    }
  } else {
    glEnable(target);
    rci.stateCache->SetGLCurrentTexture(N - 1, target, GetHandle());
  }
  if (LibMaterial && !LibMaterial->TextureMatrixIsIdentity()) {
    glMatrixMode(GL_TEXTURE);
    glLoadMatrixf(LibMaterial->TextureMatrix()[0].data());
    glMatrixMode(GL_MODELVIEW);
  }
  static const GLint modes[] = {GL_DECAL, GL_MODULATE, GL_BLEND, GL_REPLACE};
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, modes[static_cast<int>(FTextureMode)]);
  glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, FEnvColor->AsAddress());
  ApplyMappingMode();
  glActiveTextureARB(GL_TEXTURE0_ARB);
}

void TGLTexture::UnApplyAsTextureN(int N, TRenderContextInfo& rci, TGLLibMaterial* LibMaterial) {
  (void)rci;
  if (FDisabled || N < 1 || !glActiveTextureARB) return;
  glActiveTextureARB(GL_TEXTURE0_ARB + static_cast<GLenum>(N - 1));
  UnApplyMappingMode();
  const GLenum target = FImage->NativeTextureTarget();
  if (target == GL_TEXTURE_CUBE_MAP_ARB || (LibMaterial && !LibMaterial->TextureMatrixIsIdentity())) {
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
  }
  glDisable(target);
  glActiveTextureARB(GL_TEXTURE0_ARB);
}

// ---- Extra textures ---------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLTextureExItem, TCollectionItem)

TGLTextureExItem::TGLTextureExItem(TCollection* ACollection)
    : TCollectionItem(ACollection),
      FTexture(std::make_unique<TGLTexture>(this)),
      FTextureIndex(std::max(0, Index())),
      FTextureOffset(std::make_unique<TGLCoordinates>(this, TVector{0.0f, 0.0f, 0.0f, 0.0f})),
      FTextureScale(std::make_unique<TGLCoordinates>(this, TVector{1.0f, 1.0f, 1.0f, 0.0f})) {
  auto changed = [this](TObject*) {
    CalculateTextureMatrix();
    NotifyChange(this);
  };
  FTextureOffset->OnNotifyChange = changed;
  FTextureScale->OnNotifyChange = changed;
}

TGLTextureExItem::~TGLTextureExItem() = default;

std::string TGLTextureExItem::DisplayName() const { return Format("Tex [%d]", FTextureIndex); }

void TGLTextureExItem::SetTextureIndex(int Value) {
  Value = std::max(0, Value);
  if (Value == FTextureIndex) return;
  FTextureIndex = Value;
  NotifyChange(this);
}

void TGLTextureExItem::SetTextureOffset(TGLCoordinates* Value) {
  FTextureOffset->Assign(Value);
  CalculateTextureMatrix();
  NotifyChange(this);
}

void TGLTextureExItem::SetTextureScale(TGLCoordinates* Value) {
  FTextureScale->Assign(Value);
  CalculateTextureMatrix();
  NotifyChange(this);
}

void TGLTextureExItem::CalculateTextureMatrix() {
  FTextureMatrixIsIdentity = FTextureOffset->Equals(NullHmgVector) && FTextureScale->Equals(TVector{1.0f, 1.0f, 1.0f, 0.0f});
  FTextureMatrix = FTextureMatrixIsIdentity
                       ? IdentityHmgMatrix
                       : CreateScaleAndTranslationMatrix(FTextureScale->AsVector(), FTextureOffset->AsVector());
}

void TGLTextureExItem::Assign(TPersistent* Source) {
  if (auto* i = dynamic_cast<TGLTextureExItem*>(Source)) {
    FTexture->Assign(i->FTexture.get());
    FTextureIndex = i->FTextureIndex;
    FTextureOffset->Assign(i->FTextureOffset.get());
    FTextureScale->Assign(i->FTextureScale.get());
    CalculateTextureMatrix();
    NotifyChange(this);
    return;
  }
  TCollectionItem::Assign(Source);
}

void TGLTextureExItem::DefineProperties(TFiler* Filer) {
  TCollectionItem::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefinePersistent("Texture", FTexture.get());
  f->DefineInteger("TextureIndex", FTextureIndex, [this](int32_t v) { SetTextureIndex(v); },
                   FTextureIndex != Index());
  f->DefineOptionalPersistent("TextureOffset", FTextureOffset.get(), nullptr, !FTextureOffset->Equals(NullHmgVector));
  f->DefineOptionalPersistent("TextureScale", FTextureScale.get(), nullptr,
                              !FTextureScale->Equals(TVector{1.0f, 1.0f, 1.0f, 0.0f}));
}

void TGLTextureExItem::NotifyChange(TObject* Sender) {
  if (auto* ex = dynamic_cast<TGLTextureEx*>(Collection())) ex->NotifyChange(Sender);
}

void TGLTextureExItem::Apply(TRenderContextInfo& rci) {
  FApplied = false;
  if (!FTexture->Enabled()) return;
  glActiveTextureARB(GL_TEXTURE0_ARB + static_cast<GLenum>(FTextureIndex));
  glMatrixMode(GL_TEXTURE);
  glPushMatrix();
  if (FTextureMatrixIsIdentity) glLoadIdentity();
  else glLoadMatrixf(FTextureMatrix[0].data());
  glMatrixMode(GL_MODELVIEW);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  if (FTextureIndex == 0) FTexture->Apply(rci);
  else if (FTextureIndex == 1) FTexture->ApplyAsTexture2(rci);
  else FTexture->ApplyAsTextureN(FTextureIndex + 1, rci);
  FApplied = true;
}

void TGLTextureExItem::UnApply(TRenderContextInfo& rci) {
  if (!FApplied) return;
  if (FTextureIndex == 0) FTexture->UnApply(rci);
  else if (FTextureIndex == 1) FTexture->UnApplyAsTexture2(rci);
  else FTexture->UnApplyAsTextureN(FTextureIndex + 1, rci);
  glActiveTextureARB(GL_TEXTURE0_ARB + static_cast<GLenum>(FTextureIndex));
  glMatrixMode(GL_TEXTURE);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glActiveTextureARB(GL_TEXTURE0_ARB);
  FApplied = false;
}

IMPLEMENT_CLASSINFO(TGLTextureEx, TOwnedCollection)

TGLTextureEx::TGLTextureEx(TGLMaterial* AOwner)
    : TOwnedCollection(AOwner, CollectionItemClassOf<TGLTextureExItem>()) {}

TGLMaterial* TGLTextureEx::Material() const { return static_cast<TGLMaterial*>(GetOwner()); }

void TGLTextureEx::NotifyChange(TObject* Sender) {
  (void)Sender;
  if (UpdateCount() == 0 && Material()) Material()->NotifyChange(this);
}

void TGLTextureEx::Update(TCollectionItem* Item) {
  TOwnedCollection::Update(Item);
  NotifyChange(this);
}

void TGLTextureEx::Apply(TRenderContextInfo& rci) {
  if (!GL.ARB_multitexture) return;
  GLint units = 0;
  glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB, &units);
  uint32_t mask = 0;
  for (int i = 0; i < Count(); ++i) {
    TGLTextureExItem* item = Items(i);
    if (item->TextureIndex() >= units || !item->Texture()->Enabled()) continue;
    item->Apply(rci);
    if (item->TextureIndex() > 0 && item->TextureIndex() < 32 &&
        item->Texture()->MappingMode() == TGLTextureMappingMode::tmmUser)
      mask |= 1u << item->TextureIndex();
  }
  if (mask) xglMapTexCoordToArbitraryAdd(mask);
}

void TGLTextureEx::UnApply(TRenderContextInfo& rci) {
  if (!GL.ARB_multitexture) return;
  for (int i = 0; i < Count(); ++i) Items(i)->UnApply(rci);
}

bool TGLTextureEx::IsTextureEnabled(int Index) const {
  for (int i = 0; i < Count(); ++i)
    if (Items(i)->TextureIndex() == Index && Items(i)->Texture()->Enabled()) return true;
  return false;
}

void TGLTextureEx::Loaded() {
  for (int i = 0; i < Count(); ++i) Items(i)->CalculateTextureMatrix();
}

// ---- TGLShader -----------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLShader, TGLUpdateAbleComponent)

TGLShader::TGLShader(TComponent* AOwner)
    : TGLUpdateAbleComponent(AOwner), FVirtualHandle(std::make_unique<TGLVirtualHandle>()) {
  FVirtualHandle->OnAllocate = [](TGLContextHandle*, GLuint& Handle) { Handle = 1; };
  FVirtualHandle->OnDestroy = [this](TGLContextHandle*, GLuint&) { FinalizeShader(); };
}

TGLShader::~TGLShader() {
  for (TGLLibMaterial* m : std::vector<TGLLibMaterial*>(FLibMatUsers)) m->FShader = nullptr;
  FLibMatUsers.clear();
  FVirtualHandle->OnDestroy = nullptr;   // what a descendant made is its own destructor's to free
  FVirtualHandle.reset();
  FShaderInitialized = false;
}

void TGLShader::Destroying() {
  TGLUpdateAbleComponent::Destroying();
  try {
    DestroyHandles();
  } catch (...) {   // the shader goes either way
    HandleCallbackException(this);
  }
}

void TGLShader::SetEnabled(bool Value) {
  if (Value == FEnabled) return;
  if (FShaderActive) throw EGLShaderException("Shader is active.");
  FEnabled = Value;
  NotifyChange(this);
}

void TGLShader::InitializeShader() {
  if (FVirtualHandle->Handle() == 0 && CurrentGLContext()) FVirtualHandle->AllocateHandle();
  DoInitialize();
  FShaderInitialized = true;
}

void TGLShader::FinalizeShader() {
  if (!FShaderInitialized) return;
  FShaderInitialized = false;
  DoFinalize();
}

void TGLShader::DestroyHandles() {
  FVirtualHandle->DestroyHandle();
  FinalizeShader();
}

void TGLShader::Apply(TRenderContextInfo& rci, TObject* Sender) {
  if (FShaderActive) throw EGLShaderException("Unbalanced shader application.");
  if (FEnabled) {
    if (!FShaderInitialized) InitializeShader();
    DoApply(rci, Sender);
  }
  FShaderActive = true;
}

bool TGLShader::UnApply(TRenderContextInfo& rci) {
  if (!FShaderActive) throw EGLShaderException("Unbalanced shader application.");
  if (FEnabled && DoUnApply(rci)) return true;
  FShaderActive = false;
  return false;
}

void TGLShader::RegisterUser(TGLLibMaterial* LibMaterial) {
  if (std::find(FLibMatUsers.begin(), FLibMatUsers.end(), LibMaterial) == FLibMatUsers.end())
    FLibMatUsers.push_back(LibMaterial);
}

void TGLShader::UnRegisterUser(TGLLibMaterial* LibMaterial) {
  FLibMatUsers.erase(std::remove(FLibMatUsers.begin(), FLibMatUsers.end(), LibMaterial), FLibMatUsers.end());
}

void TGLShader::NotifyChange(TObject* Sender) {
  for (TGLLibMaterial* m : FLibMatUsers) m->NotifyUsers();
  TGLUpdateAbleComponent::NotifyChange(Sender);
}

// ---- Unit start-up ------------------------------------------------------------------

void GLTexture_Initialize() {
  if (!InitCounter.Enter()) return;
  InitWinColors();
  RegisterPictureClassForExtension<TBitmap>(".bmp");
  RegisterGLTextureImageClass(TGLBlankImage::StaticImageClass());
  RegisterGLTextureImageClass(TGLPersistentImage::StaticImageClass());
  RegisterGLTextureImageClass(TGLPicFileImage::StaticImageClass());
  RegisterGLTextureImageClass(TGLCubeMapImage::StaticImageClass());
  RegisterGLTextureImageClass(TGLFloatDataImage::StaticImageClass());
  RegisterClass(TGLMaterialLibrary::StaticClass(), [] { return std::make_unique<TGLMaterialLibrary>(nullptr); });
}

void GLTexture_Finalize() {
  if (!InitCounter.Leave()) return;
  UnRegisterClass(TGLMaterialLibrary::StaticClass());
  ImageClasses.reset();
  PictureClasses.reset();
}
