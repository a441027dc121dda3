// Appearance of the 3D library: colours and per-face lighting properties,
// texture images (where a texture's pixels come from), textures (the OpenGL
// texture object with its filters, wrap, environment and coordinate
// generation), shaders, materials and the material library that objects
// share by name.
#pragma once
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Collections.h"
#include "classlib/Graphics.h"
#include "scene3d/Base/OpenGL1x.h"
#include "scene3d/Base/PersistentClasses.h"
#include "scene3d/Base/VectorGeometry.h"
#include "scene3d/GLContext.h"
#include "scene3d/GLGraphics.h"
#include "scene3d/GLMisc.h"
#include "scene3d/GLRenderContextInfo.h"

class TScene3D;
class TGLTexture;
class TGLMaterial;
class TGLLibMaterial;
class TGLMaterialLibrary;

CLASSLIB_EXCEPTION(EGLShaderException, Exception);

// What these classes need of the scene objects that own them (unit Scene3D,
// which fills the hooks at its start-up). Unset hooks answer false.
struct TGLSceneHooks {
  // Owner is a scene object: its compiled geometry must be built again
  // (StructureChanged). False for any other owner.
  bool (*StructureChanged)(TPersistent* Owner) = nullptr;
  // The absolute matrix of the scene's first light source; false without one.
  bool (*FirstLightMatrix)(TScene3D* Scene, TMatrix& Matrix) = nullptr;
};
TGLSceneHooks& GLSceneHooks();

// ---- Colours ---------------------------------------------------------------------

// A colour value (red in the low byte; a system colour is resolved first)
// as (R/255, G/255, B/255, Alpha).
TVector ColorToVector(TColor Color, float Alpha = 1.0f);

// Off: a colour keeps no copy of its initial value.
extern bool vUseDefaultColorSets;

// An RGBA colour property; components are not clamped. Streamed as the
// 16-byte binary property "Color" (red, green, blue, alpha).
class TGLColor : public TGLUpdateAbleObject {
  DECLARE_CLASSINFO(TGLColor)
public:
  explicit TGLColor(TPersistent* AOwner);   // (0, 0, 0, 1)
  TGLColor(TPersistent* AOwner, const TVector& AColor, TNotifyEvent AOnChange = nullptr);   // CreateInitialized
  const TVector& Color() const { return FColor; }
  void SetColor(const TVector& Value);
  float Red() const { return FColor[0]; }
  float Green() const { return FColor[1]; }
  float Blue() const { return FColor[2]; }
  float Alpha() const { return FColor[3]; }
  void SetRed(float Value) { SetColorComponent(0, Value); }
  void SetGreen(float Value) { SetColorComponent(1, Value); }
  void SetBlue(float Value) { SetColorComponent(2, Value); }
  void SetAlpha(float Value) { SetColorComponent(3, Value); }
  void SetColorComponent(int Index, float Value);   // nothing when unchanged
  // The four floats, for glMaterialfv, glLightfv, glTexEnvfv...
  float* AsAddress() { return FColor.data(); }
  const TVector* DefaultColor() const { return FDefaultColor.get(); }
  void Assign(TPersistent* Source) override;
  // An owning scene object first hears that its structure changed.
  void NotifyChange(TObject* Sender) override;
  void DefineProperties(TFiler* Filer) override;

private:
  friend class TGLFaceProperties;
  TVector FColor{0.0f, 0.0f, 0.0f, 1.0f};
  std::unique_ptr<TVector> FDefaultColor;
};

enum class TPolygonMode : uint8_t { pmFill, pmLines, pmPoints };
using TShininess = uint8_t;

// The lighting material of one face side.
class TGLFaceProperties : public TGLUpdateAbleObject {
  DECLARE_CLASSINFO(TGLFaceProperties)
public:
  explicit TGLFaceProperties(TPersistent* AOwner);
  ~TGLFaceProperties() override;
  TGLColor* Ambient() const { return FAmbient.get(); }
  TGLColor* Diffuse() const { return FDiffuse.get(); }
  TGLColor* Specular() const { return FSpecular.get(); }
  TGLColor* Emission() const { return FEmission.get(); }
  // Copy the given colour's values, then notify.
  void SetAmbient(TGLColor* Value);
  void SetDiffuse(TGLColor* Value);
  void SetSpecular(TGLColor* Value);
  void SetEmission(TGLColor* Value);
  TPolygonMode PolygonMode() const { return FPolygonMode; }
  void SetPolygonMode(TPolygonMode Value);
  TShininess Shininess() const { return FShininess; }
  void SetShininess(TShininess Value);
  void Assign(TPersistent* Source) override;
  // Material colours and polygon mode of AFace through the state cache.
  void Apply(TRenderContextInfo& rci, GLenum AFace);
  // glColor of Diffuse and the polygon mode.
  void ApplyNoLighting(TRenderContextInfo& rci, GLenum AFace);
  // The four colours (always), the polygon mode and the shininess.
  void DefineProperties(TFiler* Filer) override;

private:
  std::unique_ptr<TGLColor> FAmbient, FDiffuse, FSpecular, FEmission;
  TPolygonMode FPolygonMode = TPolygonMode::pmFill;
  TShininess FShininess = 0;
};

// ---- Picture classes by file extension ----------------------------------------------

using TGraphicFactory = std::unique_ptr<TGraphic> (*)();
// Extension with its dot (".bmp"), stored lower-cased.
void RegisterPictureClassForExtension(const std::string& Extension, TGraphicClass AClass, TGraphicFactory Create);
template <typename T>
void RegisterPictureClassForExtension(const std::string& Extension) {
  RegisterPictureClassForExtension(Extension, T::StaticClass(), [] { return std::unique_ptr<TGraphic>(new T); });
}
// Null when the file does not exist or no class reads its extension (the
// registrations above first, then the class library's picture formats).
std::unique_ptr<TGraphic> CreatePictureFromFile(const std::string& FileName);

// ---- Texture images -----------------------------------------------------------------

class TGLTextureImage;
using TTextureNeededEvent = std::function<void(TObject* Sender, std::string& TextureFileName)>;

// The class operations of a texture-image class, answered without an instance.
class TGLTextureImageClass {
public:
  explicit TGLTextureImageClass(TClass AClass) : Class(AClass) {}
  virtual ~TGLTextureImageClass() = default;
  const TClass Class;
  std::string ClassName() const { return Class->Name; }
  virtual std::unique_ptr<TGLTextureImage> Create(TPersistent* AOwner) const = 0;
  virtual std::string FriendlyName() const = 0;
  virtual std::string FriendlyDescription() const = 0;
  virtual GLenum NativeTextureTarget() const = 0;
};

template <typename T>
class TGLTextureImageClassOf final : public TGLTextureImageClass {
public:
  TGLTextureImageClassOf() : TGLTextureImageClass(T::StaticClass()) {}
  std::unique_ptr<TGLTextureImage> Create(TPersistent* AOwner) const override { return std::make_unique<T>(AOwner); }
  std::string FriendlyName() const override { return T::FriendlyName(); }
  std::string FriendlyDescription() const override {
    if constexpr (requires { T::FriendlyDescription(); }) return T::FriendlyDescription();
    else return T::FriendlyName();
  }
  GLenum NativeTextureTarget() const override {
    if constexpr (requires { T::NativeTextureTarget(); }) return T::NativeTextureTarget();
    else return GL_TEXTURE_2D;
  }
};

// In an image class body: DECLARE_TEXTUREIMAGE(TFoo); in its .cpp:
// IMPLEMENT_CLASSINFO(TFoo, TParent) and IMPLEMENT_TEXTUREIMAGE(TFoo).
#define DECLARE_TEXTUREIMAGE(T)                         \
  DECLARE_CLASSINFO(T)                                  \
 public:                                                \
  static const TGLTextureImageClass* StaticImageClass(); \
  const TGLTextureImageClass* ImageClass() const override;
#define IMPLEMENT_TEXTUREIMAGE(T)                              \
  const TGLTextureImageClass* T::StaticImageClass() {          \
    static const TGLTextureImageClassOf<T> Info;               \
    return &Info;                                              \
  }                                                            \
  const TGLTextureImageClass* T::ImageClass() const { return StaticImageClass(); }

void RegisterGLTextureImageClass(const TGLTextureImageClass* AClass);
const TGLTextureImageClass* FindGLTextureImageClass(const std::string& ClassName);   // exact; null when absent
const std::vector<const TGLTextureImageClass*>& GLTextureImageClasses();

// Where a texture's pixels come from. Its owner is a TGLTexture (another
// owner raises EInvalidCast).
class TGLTextureImage : public TGLUpdateAbleObject {
  DECLARE_CLASSINFO(TGLTextureImage)
public:
  explicit TGLTextureImage(TPersistent* AOwner);
  virtual const TGLTextureImageClass* ImageClass() const = 0;
  TGLTexture* OwnerTexture() const { return FOwnerTexture; }
  virtual int Height() const = 0;
  virtual int Width() const = 0;
  std::string FriendlyName() const { return ImageClass()->FriendlyName(); }
  std::string FriendlyDescription() const { return ImageClass()->FriendlyDescription(); }
  GLenum NativeTextureTarget() const { return ImageClass()->NativeTextureTarget(); }
  // The pixels, owned by the image; null or empty when there are none.
  virtual TGLBitmap32* GetBitmap32(GLenum Target) = 0;
  virtual void ReleaseBitmap32() {}
  virtual void SaveToFile(const std::string& FileName) = 0;
  virtual void LoadFromFile(const std::string& FileName) = 0;
  virtual void Invalidate();
  // The owning texture's image is marked changed, then the texture hears it.
  void NotifyChange(TObject* Sender) override;
  TTextureNeededEvent OnTextureNeeded;

protected:
  void DoTextureNeeded(std::string& FileName) {
    if (OnTextureNeeded) OnTextureNeeded(this, FileName);
  }

private:
  TGLTexture* FOwnerTexture;
};

// Blank and float images: a size and storage for that many pixels,
// described in a file of name=value lines under a header.
class TGLStorageImage : public TGLTextureImage {
public:
  int Width() const override { return FWidth; }
  int Height() const override { return FHeight; }
  void SetWidth(int Value);    // at least 1
  void SetHeight(int Value);
  TGLBitmap32* GetBitmap32(GLenum Target) override;
  void ReleaseBitmap32() override { FBitmap.reset(); }
  // The header line, then Width= and Height= lines.
  void SaveToFile(const std::string& FileName) override;
  void LoadFromFile(const std::string& FileName) override;
  void DefineProperties(TFiler* Filer) override;   // Width and Height

protected:
  TGLStorageImage(TPersistent* AOwner, const char* AFileHeader) : TGLTextureImage(AOwner), FFileHeader(AFileHeader) {}
  void AssignSize(const TGLStorageImage& Source);

private:
  const char* FFileHeader;
  int FWidth = 256, FHeight = 256;
  std::unique_ptr<TGLBitmap32> FBitmap;
};

class TGLBlankImage : public TGLStorageImage {
  DECLARE_TEXTUREIMAGE(TGLBlankImage)
public:
  explicit TGLBlankImage(TPersistent* AOwner) : TGLStorageImage(AOwner, "[BlankImage]") {}
  static std::string FriendlyName() { return "Blank Image"; }
  static std::string FriendlyDescription() { return "Blank Image (Width x Height)"; }
  void Assign(TPersistent* Source) override;
};

// An image held as a picture of the class library.
class TGLPictureImage : public TGLTextureImage {
  DECLARE_CLASSINFO(TGLPictureImage)
public:
  explicit TGLPictureImage(TPersistent* AOwner) : TGLTextureImage(AOwner) {}
  ~TGLPictureImage() override;
  TPicture* Picture();   // made on first use
  void SetPicture(TPicture* Value) { Picture()->Assign(Value); }
  bool HasPicture() const { return FPicture && FPicture->Graphic() && !FPicture->Graphic()->Empty(); }
  int Width() const override { return FPicture ? FPicture->Width() : 0; }
  int Height() const override { return FPicture ? FPicture->Height() : 0; }
  TGLBitmap32* GetBitmap32(GLenum Target) override;
  void ReleaseBitmap32() override { FBitmap.reset(); }
  // Another picture image, a graphic, a picture or a TGLBitmap32.
  void Assign(TPersistent* Source) override;

protected:
  // The picture's change event is detached while the image itself edits it.
  void BeginUpdate();
  void EndUpdate();
  void PictureChanged(TObject* Sender);
  std::unique_ptr<TGLBitmap32> FBitmap;

private:
  std::unique_ptr<TPicture> FPicture;
  int FUpdating = 0;
};

class TGLPersistentImage : public TGLPictureImage {
  DECLARE_TEXTUREIMAGE(TGLPersistentImage)
public:
  explicit TGLPersistentImage(TPersistent* AOwner) : TGLPictureImage(AOwner) {}
  static std::string FriendlyName() { return "Persistent Image"; }
  static std::string FriendlyDescription() {
    return "Image data is stored in its original format with other form resources,ie. in the DFM at design-time, "
           "and embedded in the EXE at run-time.";
  }
  void SaveToFile(const std::string& FileName) override;
  // ETexture "Could not open file: <name>" when the picture cannot be read.
  void LoadFromFile(const std::string& FileName) override;
  // The picture as the binary property "Picture": its class name, then its
  // file as that class writes it.
  void DefineProperties(TFiler* Filer) override;
};

class TGLPicFileImage : public TGLPictureImage {
  DECLARE_TEXTUREIMAGE(TGLPicFileImage)
public:
  explicit TGLPicFileImage(TPersistent* AOwner) : TGLPictureImage(AOwner) {}
  static std::string FriendlyName() { return "PicFile Image"; }
  static std::string FriendlyDescription() { return "Image data is retrieved from a file."; }
  const std::string& PictureFileName() const { return FPictureFileName; }
  void SetPictureFileName(const std::string& Value);
  // The file is read here and not kept; a missing one is reported once per
  // name ("Could not open file: <name>") and leaves no pixels.
  TGLBitmap32* GetBitmap32(GLenum Target) override;
  void Invalidate() override;
  // The file name is the file's whole content.
  void SaveToFile(const std::string& FileName) override;
  // A short text file names the picture; any other file is the picture.
  void LoadFromFile(const std::string& FileName) override;
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler* Filer) override;   // PictureFileName

private:
  std::string FPictureFileName;
  bool FAlreadyWarnedAboutMissingFile = false;
};

enum class TGLCubeMapFace { cmtPX, cmtNX, cmtPY, cmtNY, cmtPZ, cmtNZ };

class TGLCubeMapImage : public TGLTextureImage {
  DECLARE_TEXTUREIMAGE(TGLCubeMapImage)
public:
  explicit TGLCubeMapImage(TPersistent* AOwner);
  ~TGLCubeMapImage() override;
  static std::string FriendlyName() { return "CubeMap Image"; }
  static GLenum NativeTextureTarget() { return GL_TEXTURE_CUBE_MAP_ARB; }
  TPicture* Picture(TGLCubeMapFace Face) const { return FPicture[static_cast<size_t>(Face)].get(); }
  TPicture* PicturePX() const { return Picture(TGLCubeMapFace::cmtPX); }
  TPicture* PictureNX() const { return Picture(TGLCubeMapFace::cmtNX); }
  TPicture* PicturePY() const { return Picture(TGLCubeMapFace::cmtPY); }
  TPicture* PictureNY() const { return Picture(TGLCubeMapFace::cmtNY); }
  TPicture* PicturePZ() const { return Picture(TGLCubeMapFace::cmtPZ); }
  TPicture* PictureNZ() const { return Picture(TGLCubeMapFace::cmtNZ); }
  void SetPicture(TGLCubeMapFace Face, TPicture* Value) { Picture(Face)->Assign(Value); }
  int Width() const override { return PicturePX()->Width(); }
  int Height() const override { return PicturePX()->Height(); }
  // The face that Target names (GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB...), rebuilt on every call.
  TGLBitmap32* GetBitmap32(GLenum Target) override;
  void ReleaseBitmap32() override { FBitmap.reset(); }
  // Version word 256, then six bitmap files PX, NX, PY, NY, PZ, NZ.
  void SaveToFile(const std::string& FileName) override;
  void LoadFromFile(const std::string& FileName) override;
  void DefineProperties(TFiler* Filer) override;   // the six pictures, as a persistent image's
  void Assign(TPersistent* Source) override;

private:
  void PictureChanged(TObject* Sender);
  std::array<std::unique_ptr<TPicture>, 6> FPicture;
  std::unique_ptr<TGLBitmap32> FBitmap;
  int FUpdating = 0;
};

// Storage that OpenGL fills (floating-point rectangle textures).
class TGLFloatDataImage : public TGLStorageImage {
  DECLARE_TEXTUREIMAGE(TGLFloatDataImage)
public:
  explicit TGLFloatDataImage(TPersistent* AOwner) : TGLStorageImage(AOwner, "[FloatDataImage]") {}
  static std::string FriendlyName() { return "FloatData Image"; }
  static std::string FriendlyDescription() { return "Image to be dynamically generated by OpenGL"; }
  static GLenum NativeTextureTarget() { return GL_TEXTURE_RECTANGLE_NV; }
  void Assign(TPersistent* Source) override;
};

// The graphic as a complete bitmap file (drawn into a bitmap first).
std::string BitmapFileOf(TGraphic* Graphic);

// ---- Texture ---------------------------------------------------------------------

enum class TGLTextureMode { tmDecal, tmModulate, tmBlend, tmReplace };
enum class TGLTextureWrap { twBoth, twNone, twVertical, twHorizontal };
enum class TGLTextureFormat {
  tfDefault, tfRGB, tfRGBA, tfRGB16, tfRGBA16, tfAlpha, tfLuminance, tfLuminanceAlpha, tfIntensity, tfNormalMap,
  tfRGBAFloat16, tfRGBAFloat32
};
enum class TGLMagFilter { maNearest, maLinear };
enum class TGLTextureImageAlpha {
  tiaDefault, tiaAlphaFromIntensity, tiaSuperBlackTransparent, tiaLuminance, tiaLuminanceSqrt, tiaOpaque,
  tiaTopLeftPointColorTransparent, tiaInverseLuminance, tiaInverseLuminanceSqrt
};
enum class TGLTextureMappingMode {
  tmmUser, tmmObjectLinear, tmmEyeLinear, tmmSphere, tmmCubeMapReflection, tmmCubeMapNormal, tmmCubeMapLight0,
  tmmCubeMapCamera
};
enum class TGLTextureCompression { tcDefault, tcNone, tcStandard, tcHighQuality, tcHighSpeed };
enum class TGLTextureFilteringQuality { tfIsotropic, tfAnisotropic };
enum class TGLTextureChange { tcImage, tcParams };
using TGLTextureChanges = TSet<TGLTextureChange>;

// An image's alpha made by mode (tiaDefault leaves it; the top-left point is
// the picture's, whichever way its rows run).
void ApplyTextureImageAlpha(TGLBitmap32& Bitmap, TGLTextureImageAlpha Alpha);
// OpenGL's values of the filters.
GLint GLMinFilterValue(TGLMinFilter Filter);
GLint GLMagFilterValue(TGLMagFilter Filter);

// What tfDefault and tcDefault stand for.
extern TGLTextureFormat vDefaultTextureFormat;             // tfRGBA
extern TGLTextureCompression vDefaultTextureCompression;   // tcNone

// The OpenGL texture of a material: one image, uploaded on first use and
// after every change, applied with its environment, filters, wrap and
// coordinate generation. A new texture is disabled.
class TGLTexture : public TGLUpdateAbleObject {
  DECLARE_CLASSINFO(TGLTexture)
public:
  explicit TGLTexture(TPersistent* AOwner);
  ~TGLTexture() override;

  TGLTextureHandle* Handle() const { return FHandle.get(); }
  TGLTextureMode TextureMode() const { return FTextureMode; }
  void SetTextureMode(TGLTextureMode Value);
  TGLTextureWrap TextureWrap() const { return FTextureWrap; }
  void SetTextureWrap(TGLTextureWrap Value);
  TGLTextureFormat TextureFormat() const { return FTextureFormat; }
  void SetTextureFormat(TGLTextureFormat Value);
  TGLMinFilter MinFilter() const { return FMinFilter; }
  void SetMinFilter(TGLMinFilter Value);
  TGLMagFilter MagFilter() const { return FMagFilter; }
  void SetMagFilter(TGLMagFilter Value);
  TGLTextureChanges Changes() const { return FChanges; }
  void MarkChanged(TGLTextureChange Change) { FChanges.Include(Change); }
  bool Disabled() const { return FDisabled; }
  void SetDisabled(bool Value);
  bool Enabled() const { return !FDisabled; }
  void SetEnabled(bool Value) { SetDisabled(!Value); }
  TGLTextureImage* Image() const { return FImage.get(); }
  void SetImage(TGLTextureImage* Value);
  std::string ImageClassName() const { return FImage->ClassName(); }
  void SetImageClassName(const std::string& Value);   // unregistered names are refused
  bool StoreImageClassName() const;
  TGLTextureImageAlpha ImageAlpha() const { return FImageAlpha; }
  void SetImageAlpha(TGLTextureImageAlpha Value);
  float ImageBrightness() const { return FImageBrightness; }
  void SetImageBrightness(float Value);
  float ImageGamma() const { return FImageGamma; }
  void SetImageGamma(float Value);
  TGLTextureMappingMode MappingMode() const { return FMappingMode; }
  void SetMappingMode(TGLTextureMappingMode Value);
  TGLCoordinates4* MappingSCoordinates();   // made on first read, (1, 0, 0, 0)
  TGLCoordinates4* MappingTCoordinates();
  void SetMappingSCoordinates(TGLCoordinates4* Value) { MappingSCoordinates()->Assign(Value); }
  void SetMappingTCoordinates(TGLCoordinates4* Value) { MappingTCoordinates()->Assign(Value); }
  TGLTextureCompression Compression() const { return FCompression; }
  void SetCompression(TGLTextureCompression Value);
  TGLTextureFilteringQuality FilteringQuality() const { return FFilteringQuality; }
  void SetFilteringQuality(TGLTextureFilteringQuality Value);
  TGLColor* EnvColor() const { return FEnvColor.get(); }
  void SetEnvColor(TGLColor* Value);
  float NormalMapScale() const { return FNormalMapScale; }
  void SetNormalMapScale(float Value);
  int TextureImageRequiredMemory() const { return FRequiredMemorySize; }   // -1 when unknown
  int TexWidth() const { return FTexWidth; }
  int TexHeight() const { return FTexHeight; }
  TTextureNeededEvent OnTextureNeeded;

  // A texture, a graphic or picture (into the image), or nil (disabled, fresh image).
  void Assign(TPersistent* Source) override;
  void NotifyChange(TObject* Sender) override;
  // The published values that differ from their defaults, the image class
  // before the image's own values; the environment colour always.
  void DefineProperties(TFiler* Filer) override;
  void DestroyHandles();
  // The texture name, made and uploaded first when needed.
  virtual GLuint GetHandle();
  void Apply(TRenderContextInfo& rci);
  void UnApply(TRenderContextInfo& rci);
  // On unit 1, or on unit N (1-based); the library material's texture
  // matrix is loaded there when it is not the identity.
  void ApplyAsTexture2(TRenderContextInfo& rci, TGLLibMaterial* LibMaterial = nullptr);
  void UnApplyAsTexture2(TRenderContextInfo& rci, TGLLibMaterial* LibMaterial = nullptr);
  void ApplyAsTextureN(int N, TRenderContextInfo& rci, TGLLibMaterial* LibMaterial = nullptr);
  void UnApplyAsTextureN(int N, TRenderContextInfo& rci, TGLLibMaterial* LibMaterial = nullptr);
  // OpenGL's internal format for the current format and compression.
  GLenum OpenGLTextureFormat() const;
  bool IsFloatType() const;

protected:
  virtual void PrepareImage(GLenum Target);
  virtual void PrepareParams(GLenum Target);

private:
  void SetChangedParams(bool Changed);
  void SetChangedImage(bool Changed);
  void ApplyMappingMode();
  void UnApplyMappingMode();
  // The texture matrix of the cube-map modes; false for the others.
  bool CubeMapMatrix(TRenderContextInfo& rci, TMatrix& Matrix);
  void BindImageEvents();
  std::unique_ptr<TGLTextureHandle> FHandle;
  TGLTextureMode FTextureMode = TGLTextureMode::tmDecal;
  TGLTextureWrap FTextureWrap = TGLTextureWrap::twBoth;
  TGLTextureFormat FTextureFormat = TGLTextureFormat::tfDefault;
  TGLMinFilter FMinFilter = TGLMinFilter::miLinearMipmapLinear;
  TGLMagFilter FMagFilter = TGLMagFilter::maLinear;
  TGLTextureChanges FChanges{TGLTextureChange::tcImage, TGLTextureChange::tcParams};
  bool FDisabled = true;
  std::unique_ptr<TGLTextureImage> FImage;
  TGLTextureImageAlpha FImageAlpha = TGLTextureImageAlpha::tiaDefault;
  float FImageBrightness = 1.0f, FImageGamma = 1.0f;
  TGLTextureMappingMode FMappingMode = TGLTextureMappingMode::tmmUser;
  std::unique_ptr<TGLCoordinates4> FMapSCoordinates, FMapTCoordinates;
  TGLTextureCompression FCompression = TGLTextureCompression::tcDefault;
  int FRequiredMemorySize = -1;
  TGLTextureFilteringQuality FFilteringQuality = TGLTextureFilteringQuality::tfIsotropic;
  int FTexWidth = 0, FTexHeight = 0;
  std::unique_ptr<TGLColor> FEnvColor;
  float FNormalMapScale = 0.125f;
};

// One extra texture of a material, on a texture unit of its own.
class TGLTextureExItem : public TCollectionItem {
  DECLARE_CLASSINFO(TGLTextureExItem)
public:
  explicit TGLTextureExItem(TCollection* ACollection);
  ~TGLTextureExItem() override;
  std::string DisplayName() const override;   // "Tex [<index>]"
  TGLTexture* Texture() const { return FTexture.get(); }
  void SetTexture(TGLTexture* Value) { FTexture->Assign(Value); }
  int TextureIndex() const { return FTextureIndex; }
  void SetTextureIndex(int Value);   // never below 0
  TGLCoordinates* TextureOffset() const { return FTextureOffset.get(); }
  TGLCoordinates* TextureScale() const { return FTextureScale.get(); }
  void SetTextureOffset(TGLCoordinates* Value);
  void SetTextureScale(TGLCoordinates* Value);
  bool TextureMatrixIsIdentity() const { return FTextureMatrixIsIdentity; }
  const TMatrix& TextureMatrix() const { return FTextureMatrix; }
  void CalculateTextureMatrix();
  void Assign(TPersistent* Source) override;
  void DefineProperties(TFiler* Filer) override;
  // Tells the owning material.
  void NotifyChange(TObject* Sender);
  void Apply(TRenderContextInfo& rci);
  void UnApply(TRenderContextInfo& rci);

private:
  friend class TGLTextureEx;
  std::unique_ptr<TGLTexture> FTexture;
  int FTextureIndex = 0;
  std::unique_ptr<TGLCoordinates> FTextureOffset, FTextureScale;
  bool FTextureMatrixIsIdentity = true;
  TMatrix FTextureMatrix = IdentityHmgMatrix;
  bool FApplied = false;
};

class TGLTextureEx : public TOwnedCollection {
  DECLARE_CLASSINFO(TGLTextureEx)
public:
  explicit TGLTextureEx(TGLMaterial* AOwner);
  TGLTextureExItem* Items(int Index) const { return static_cast<TGLTextureExItem*>(TCollection::Items(Index)); }
  TGLTextureExItem* Add() { return static_cast<TGLTextureExItem*>(TCollection::Add()); }
  TGLMaterial* Material() const;
  void NotifyChange(TObject* Sender);
  void Apply(TRenderContextInfo& rci);     // with GL_ARB_multitexture only
  void UnApply(TRenderContextInfo& rci);
  bool IsTextureEnabled(int Index) const;   // an enabled item uses unit Index
  void Loaded();

protected:
  void Update(TCollectionItem* Item) override;
};

// ---- Shader ----------------------------------------------------------------------

// Where a shader runs relative to the library material it serves.
enum class TGLShaderStyle { ssBefore, ssAfter, ssReplace };

// Takes over the rendering of the library materials that name it. Its
// finalisation (DoFinalize) runs when its handles are destroyed or in its
// Destroying step, while the whole shader exists; a shader deleted directly
// by its holder gets no Destroying step, and its class frees what it made
// in its own destructor.
class TGLShader : public TGLUpdateAbleComponent {
  DECLARE_CLASSINFO(TGLShader)
public:
  explicit TGLShader(TComponent* AOwner);
  ~TGLShader() override;
  bool Enabled() const { return FEnabled; }
  void SetEnabled(bool Value);   // a change raises EGLShaderException "Shader is active." while applied
  TGLShaderStyle ShaderStyle = TGLShaderStyle::ssAfter;
  bool ShaderActive() const { return FShaderActive; }
  void Apply(TRenderContextInfo& rci, TObject* Sender);
  // True asks for another rendering pass (the shader stays applied).
  bool UnApply(TRenderContextInfo& rci);
  void RegisterUser(TGLLibMaterial* LibMaterial);
  void UnRegisterUser(TGLLibMaterial* LibMaterial);
  void NotifyChange(TObject* Sender) override;   // the users hear it
  // Frees what the shader made for OpenGL (its finalisation runs).
  void DestroyHandles();

protected:
  void Destroying() override;
  virtual void DoInitialize() {}
  virtual void DoApply(TRenderContextInfo& rci, TObject* Sender) = 0;
  virtual bool DoUnApply(TRenderContextInfo& rci) = 0;
  virtual void DoFinalize() {}

private:
  void InitializeShader();
  void FinalizeShader();
  bool FEnabled = true;
  bool FShaderActive = false;
  bool FShaderInitialized = false;
  std::vector<TGLLibMaterial*> FLibMatUsers;
  std::unique_ptr<TGLVirtualHandle> FVirtualHandle;
};

// Set: library materials never use a second texture unit.
extern bool vSecondTextureUnitForbidden;

// ---- Materials ---------------------------------------------------------------------

enum class TBlendingMode { bmOpaque, bmTransparency, bmAdditive, bmAlphaTest50, bmAlphaTest100, bmModulate };
enum class TMaterialOption { moIgnoreFog, moNoLighting };
using TMaterialOptions = TSet<TMaterialOption>;
enum class TFaceCulling { fcBufferDefault, fcCull, fcNoCull };

// The appearance of a scene object: face properties, blending, culling,
// options and textures, or a library material named in a material library.
class TGLMaterial : public TGLUpdateAbleObject {
  DECLARE_CLASSINFO(TGLMaterial)
public:
  explicit TGLMaterial(TPersistent* AOwner);
  ~TGLMaterial() override;

  TGLFaceProperties* FrontProperties() const { return FFrontProperties.get(); }
  void SetFrontProperties(TGLFaceProperties* Value);
  TGLFaceProperties* BackProperties();   // made on first read
  bool HasBackProperties() const { return FBackProperties != nullptr; }
  void SetBackProperties(TGLFaceProperties* Value);
  TBlendingMode BlendingMode() const { return FBlendingMode; }
  void SetBlendingMode(TBlendingMode Value);
  TGLTexture* Texture();   // made on first read
  bool HasTexture() const { return FTexture != nullptr; }
  void SetTexture(TGLTexture* Value);   // nil frees the texture
  TGLTextureEx* TextureEx();   // made on first read
  bool StoreTextureEx() const { return FTextureEx && FTextureEx->Count() > 0; }
  void SetTextureEx(TGLTextureEx* Value);
  TGLMaterialLibrary* MaterialLibrary() const { return FMaterialLibrary; }
  void SetMaterialLibrary(TGLMaterialLibrary* Value);
  const std::string& LibMaterialName() const { return FLibMaterialName; }
  // Refuses a reference that would make a cycle ("Error: Cyclic material
  // reference detected!"), before anything changes.
  void SetLibMaterialName(const std::string& Value);
  TGLLibMaterial* LibMaterial() const { return FCurrentLibMaterial; }
  TMaterialOptions MaterialOptions() const { return FMaterialOptions; }
  void SetMaterialOptions(TMaterialOptions Value);
  TFaceCulling FaceCulling() const { return FFaceCulling; }
  void SetFaceCulling(TFaceCulling Value);

  void Assign(TPersistent* Source) override;
  // Face properties, blending, texture and extra textures, the library (by
  // name) and library material name, options and culling.
  void DefineProperties(TFiler* Filer) override;
  void NotifyChange(TObject* Sender) override;
  // The texture's enabling or coordinate generation changed.
  void NotifyTexMapChange(TObject* Sender);
  bool Blended() const;
  void DestroyHandles();
  void Loaded();
  void Apply(TRenderContextInfo& rci);
  // True asks for another rendering pass.
  bool UnApply(TRenderContextInfo& rci);

private:
  friend class TGLLibMaterial;
  friend class TGLMaterialLibrary;
  void ResolveLibMaterial(TGLLibMaterial* NewLibMaterial);
  std::unique_ptr<TGLFaceProperties> FFrontProperties, FBackProperties;
  TBlendingMode FBlendingMode = TBlendingMode::bmOpaque;
  std::unique_ptr<TGLTexture> FTexture;
  std::unique_ptr<TGLTextureEx> FTextureEx;
  TGLMaterialLibrary* FMaterialLibrary = nullptr;
  std::string FLibMaterialName;
  TMaterialOptions FMaterialOptions;
  TFaceCulling FFaceCulling = TFaceCulling::fcBufferDefault;
  TGLLibMaterial* FCurrentLibMaterial = nullptr;
};

// A named material of a library, shared by the materials that refer to it.
class TGLLibMaterial : public TCollectionItem {
  DECLARE_CLASSINFO(TGLLibMaterial)
public:
  explicit TGLLibMaterial(TCollection* ACollection);
  ~TGLLibMaterial() override;   // every user is detached first

  const std::string& Name() const { return FName; }
  void SetName(const std::string& Value);   // made unique unless the library is loading
  std::string DisplayName() const override { return FName; }
  uint32_t NameHashKey() const { return FNameHashKey; }
  TGLMaterial* Material() const { return FMaterial.get(); }
  void SetMaterial(TGLMaterial* Value) { FMaterial->Assign(Value); }
  TGLCoordinates* TextureOffset() const { return FTextureOffset.get(); }
  TGLCoordinates* TextureScale() const { return FTextureScale.get(); }
  void SetTextureOffset(TGLCoordinates* Value);
  void SetTextureScale(TGLCoordinates* Value);
  bool TextureMatrixIsIdentity() const { return FTextureMatrixIsIdentity; }
  const TMatrix& TextureMatrix() const { return FTextureMatrix; }
  void CalculateTextureMatrix();
  const std::string& Texture2Name() const { return FTexture2Name; }
  void SetTexture2Name(const std::string& Value);
  TGLShader* Shader() const { return FShader; }
  void SetShader(TGLShader* Value);
  int Tag = 0;

  TGLMaterialLibrary* MaterialLibrary() const;
  void Assign(TPersistent* Source) override;
  // Users: materials, library materials, and update-able objects or
  // components to notify. Registering twice fails an assertion.
  void RegisterUser(TObject* Obj);
  void UnRegisterUser(TObject* Obj);
  int UserCount() const { return static_cast<int>(FUserList.size()); }
  void NotifyUsers();
  void NotifyTexMapChange(TObject* Sender);
  void Apply(TRenderContextInfo& rci);
  bool UnApply(TRenderContextInfo& rci);

private:
  friend class TGLShader;
  friend class TGLMaterial;
  void Loaded();
  // Calls Notify on every user, once: a notification that comes round again stops.
  void NotifyEachUser(const std::function<void(TObject* User)>& Notify);
  void DoOnTextureNeeded(TObject* Sender, std::string& TextureFileName);
  void CoordinatesChanged(TObject* Sender);
  std::vector<TObject*> FUserList;
  std::string FName;
  uint32_t FNameHashKey = 0;
  std::unique_ptr<TGLMaterial> FMaterial;
  std::unique_ptr<TGLCoordinates> FTextureOffset, FTextureScale;
  bool FTextureMatrixIsIdentity = true;
  TMatrix FTextureMatrix = IdentityHmgMatrix;
  std::string FTexture2Name;
  TGLShader* FShader = nullptr;
  bool FNotifying = false;
  TGLLibMaterial* FLibMatTexture2 = nullptr;
  bool FTexture2Resolved = false;
  // What the last Apply did, for UnApply.
  bool FTextureMatrixLoaded = false, FTexture2Applied = false;
  friend class TGLLibMaterials;
};

// h := length; then h := h * 2 + code for each character (32-bit wrap-around).
uint32_t GLMaterialNameHash(const std::string& Name);

class TGLLibMaterials : public TOwnedCollection {
  DECLARE_CLASSINFO(TGLLibMaterials)
public:
  explicit TGLLibMaterials(TGLMaterialLibrary* AOwner);
  TGLLibMaterial* Items(int Index) const { return static_cast<TGLLibMaterial*>(TCollection::Items(Index)); }
  TGLLibMaterial* Add() { return static_cast<TGLLibMaterial*>(TCollection::Add()); }
  TGLMaterialLibrary* MaterialLibrary() const;
  // Case-sensitive; null when absent.
  TGLLibMaterial* GetLibMaterialByName(const std::string& AName) const;
  // AName, or AName followed by 1, 2... until no item has it.
  std::string MakeUniqueName(const std::string& NameRoot) const;
  void Loaded();
  void DestroyHandles();
};

// A component of named library materials that objects share.
class TGLMaterialLibrary : public TGLCadenceAbleComponent {
  DECLARE_CLASSINFO(TGLMaterialLibrary)
public:
  explicit TGLMaterialLibrary(TComponent* AOwner);
  // Materials that still name the library are left without one; a material
  // still applied through it is reported as in Destroying.
  ~TGLMaterialLibrary() override;

  TGLLibMaterials* Materials() const { return FMaterials.get(); }
  void SetMaterials(TGLLibMaterials* Value) { FMaterials->Assign(Value); }
  bool StoreMaterials() const { return FMaterials->Count() > 0; }
  const std::string& TexturePaths() const { return FTexturePaths; }
  // Split at ";", trimmed, empty parts skipped, each ending in "\".
  void SetTexturePaths(const std::string& Value);
  const std::vector<std::string>& TexturePathList() const { return FTexturePathList; }
  TTextureNeededEvent OnTextureNeeded;
  // Off: loading an archive empties the library first.
  bool DoNotClearMaterialsOnLoad = false;

  // A library material named Name (made unique) with an enabled,
  // modulating, mipmapped texture; persistent: the file is read now into a
  // persistent image, else a picture-file image reads it when needed.
  TGLLibMaterial* AddTextureMaterial(const std::string& MaterialName, const std::string& FileName,
                                     bool Persistent = true);
  TGLLibMaterial* AddTextureMaterial(const std::string& MaterialName, TGraphic* Graphic);
  TGLLibMaterial* LibMaterialByName(const std::string& AName) const;
  // Applies the named material and remembers it; false when absent.
  bool ApplyMaterial(const std::string& MaterialName, TRenderContextInfo& rci);
  bool UnApplyMaterial(TRenderContextInfo& rci);
  void DestroyHandles();
  void Loaded() override;
  // The search along the paths for a texture file that a material names
  // (its textures' OnTextureNeeded): the handler above first, then, for a
  // name without ":" that does not start with "\", the first path where
  // the file exists.
  void DoTextureNeeded(TObject* Sender, std::string& TextureFileName);

  // The binary archive (version 2; versions 0 to 2 are read). A bad archive
  // raises EReadError and leaves the library as it was.
  void WriteToFiler(TVirtualWriter* Writer);
  void ReadFromFiler(TVirtualReader* Reader);
  void SaveToStream(TStream& Stream);
  void LoadFromStream(TStream& Stream);
  void SaveToFile(const std::string& FileName);
  void LoadFromFile(const std::string& FileName);

protected:
  // A material still applied through the library is reported here
  // ("Unbalanced material application", through the application's
  // exception handler) and forgotten.
  void Destroying() override;

private:
  friend class TGLMaterial;
  friend class TGLLibMaterial;
  void AddReferrer(TGLMaterial* Material);
  void RemoveReferrer(TGLMaterial* Material);
  void ReportUnbalancedApplication();
  std::unique_ptr<TGLLibMaterials> FMaterials;
  std::string FTexturePaths;
  std::vector<std::string> FTexturePathList;
  TGLLibMaterial* FLastAppliedMaterial = nullptr;
  std::vector<TGLMaterial*> FReferrers;   // materials whose MaterialLibrary is this one
};

// The name as a library material reference resolves it: nil for a nil library.
inline TGLLibMaterial* LibMaterialByName(TGLMaterialLibrary* Library, const std::string& Name) {
  return Library ? Library->LibMaterialByName(Name) : nullptr;
}

void GLTexture_Initialize();
void GLTexture_Finalize();
