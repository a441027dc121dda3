// Texture images: blank and float storage, pictures kept with the texture,
// picture files read when needed, and cube maps.
#include "scene3d/Base/ApplicationFileIO.h"
#include "scene3d/GLTexture.h"
#include "scene3d/GLTextureCodecs.h"
#include "scene3d/GLUtils.h"

namespace {
const char* const SourceName = "scene3d\\GLTexture";

[[noreturn]] void CouldNotOpen(const std::string& FileName) {
  throw ETexture(Format("Could not open file: %s", FileName.c_str()));
}

// A picture holds only the formats it knows; others are drawn into a bitmap.
void SetPictureGraphic(TPicture* Picture, TGraphic* Graphic) {
  if (!Graphic || TPicture::NewGraphic(Graphic->ClassType())) {
    Picture->SetGraphic(Graphic);
    return;
  }
  TBitmap bitmap;
  bitmap.Assign(Graphic);
  Picture->SetGraphic(&bitmap);
}

// A picture as a binary property: its graphic's class name (a length byte,
// then the name), then the graphic's file as that class writes it. An empty
// picture is not stored.
void DefinePicture(TFiler* Filer, const std::string& Name, TPicture* Picture) {
  Filer->DefineBinaryProperty(
      Name,
      [Picture](TStream& S) {
        uint8_t length = 0;
        S.ReadBuffer(&length, 1);
        std::string className(length, '\0');
        if (length) S.ReadBuffer(className.data(), length);
        std::unique_ptr<TGraphic> graphic;
        for (const TPicture::TFileFormat& f : TPicture::FileFormats())
          if (className == f.GraphicClass->Name) graphic = f.Create();
        if (!graphic) throw EReadError("Unknown picture class " + className);
        const int64_t rest = S.Size() - S.Position();
        if (rest <= 0) throw EReadError("Picture data missing");
        TMemoryStream data;
        data.CopyFrom(S, rest);
        data.SetPosition(0);
        graphic->LoadFromStream(data);
        Picture->SetGraphic(graphic.get());
      },
      [Picture](TStream& S) {
        const std::string className = Picture->Graphic()->ClassName();
        const auto length = static_cast<uint8_t>(className.size());
        S.WriteBuffer(&length, 1);
        S.WriteBuffer(className.data(), length);
        Picture->Graphic()->SaveToStream(S);
      },
      Picture->Graphic() && !Picture->Graphic()->Empty());
}
}  // namespace

std::string BitmapFileOf(TGraphic* Graphic) {
  TBitmap bitmap;
  bitmap.Assign(Graphic);
  TStringStream s;
  bitmap.SaveToStream(s);
  return s.DataString();
}

// ---- TGLTextureImage ------------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLTextureImage, TGLUpdateAbleObject)

TGLTextureImage::TGLTextureImage(TPersistent* AOwner)
    : TGLUpdateAbleObject(AOwner), FOwnerTexture(dynamic_cast<TGLTexture*>(AOwner)) {
  if (!FOwnerTexture) throw EInvalidCast("Invalid class typecast");
}

void TGLTextureImage::NotifyChange(TObject* Sender) {
  (void)Sender;
  FOwnerTexture->MarkChanged(TGLTextureChange::tcImage);
  FOwnerTexture->NotifyChange(this);
}

void TGLTextureImage::Invalidate() {
  ReleaseBitmap32();
  FOwnerTexture->MarkChanged(TGLTextureChange::tcImage);
  NotifyChange(this);
}

// ---- Blank and float images ----------------------------------------------------------

void TGLStorageImage::SetWidth(int Value) {
  if (Value == FWidth) return;
  FWidth = Value < 1 ? 1 : Value;
  Invalidate();
}

void TGLStorageImage::SetHeight(int Value) {
  if (Value == FHeight) return;
  FHeight = Value < 1 ? 1 : Value;
  Invalidate();
}

TGLBitmap32* TGLStorageImage::GetBitmap32(GLenum Target) {
  (void)Target;
  if (!FBitmap) {
    FBitmap = std::make_unique<TGLBitmap32>();
    FBitmap->SetWidth(FWidth);
    FBitmap->SetHeight(FHeight);
  }
  return FBitmap.get();
}

void TGLStorageImage::SaveToFile(const std::string& FileName) {
  SaveStringToFile(FileName, WriteImageSizeFile(FFileHeader, FWidth, FHeight));
}

void TGLStorageImage::LoadFromFile(const std::string& FileName) {
  std::string name = FileName;
  DoTextureNeeded(name);
  if (!FileStreamExists(name)) CouldNotOpen(name);
  ReadImageSizeFile(LoadStringFromFile(name), FWidth, FHeight);   // no Invalidate: as stored
}

void TGLStorageImage::DefineProperties(TFiler* Filer) {
  TGLTextureImage::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefineInteger("Width", FWidth, [this](int32_t v) { SetWidth(v); }, FWidth != 256);
  f->DefineInteger("Height", FHeight, [this](int32_t v) { SetHeight(v); }, FHeight != 256);
}

void TGLStorageImage::AssignSize(const TGLStorageImage& Source) {
  FWidth = Source.FWidth;
  FHeight = Source.FHeight;
  Invalidate();
}

IMPLEMENT_CLASSINFO(TGLBlankImage, TGLTextureImage)
IMPLEMENT_TEXTUREIMAGE(TGLBlankImage)

void TGLBlankImage::Assign(TPersistent* Source) {
  if (auto* b = dynamic_cast<TGLBlankImage*>(Source)) AssignSize(*b);
  else TGLTextureImage::Assign(Source);
}

IMPLEMENT_CLASSINFO(TGLFloatDataImage, TGLTextureImage)
IMPLEMENT_TEXTUREIMAGE(TGLFloatDataImage)

void TGLFloatDataImage::Assign(TPersistent* Source) {
  if (auto* f = dynamic_cast<TGLFloatDataImage*>(Source)) AssignSize(*f);
  else TGLTextureImage::Assign(Source);
}

// ---- Picture images ----------------------------------------------------------------

IMPLEMENT_CLASSINFO(TGLPictureImage, TGLTextureImage)

TGLPictureImage::~TGLPictureImage() {
  if (FPicture) FPicture->OnChange = nullptr;
}

TPicture* TGLPictureImage::Picture() {
  if (!FPicture) {
    FPicture = std::make_unique<TPicture>();
    if (FUpdating == 0) FPicture->OnChange = [this](TObject* Sender) { PictureChanged(Sender); };
  }
  return FPicture.get();
}

void TGLPictureImage::BeginUpdate() {
  if (FUpdating++ == 0) Picture()->OnChange = nullptr;
}

void TGLPictureImage::EndUpdate() {
  if (--FUpdating == 0) FPicture->OnChange = [this](TObject* Sender) { PictureChanged(Sender); };
}

void TGLPictureImage::PictureChanged(TObject* Sender) {
  (void)Sender;
  Invalidate();
}

TGLBitmap32* TGLPictureImage::GetBitmap32(GLenum Target) {
  (void)Target;
  if (!FBitmap) {
    FBitmap = std::make_unique<TGLBitmap32>();
    if (FPicture && FPicture->Graphic()) {
      BeginUpdate();
      struct TReattach {
        TGLPictureImage* Image;
        ~TReattach() { Image->EndUpdate(); }
      } reattach{this};
      FBitmap->Assign(FPicture->Graphic());
    }
  }
  return FBitmap.get();
}

void TGLPictureImage::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TGLPictureImage*>(Source)) {
    if (p != this) Picture()->Assign(p->FPicture.get());
    return;
  }
  if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    SetPictureGraphic(Picture(), g);
    return;
  }
  if (auto* pic = dynamic_cast<TPicture*>(Source)) {
    SetPictureGraphic(Picture(), pic->Graphic());
    return;
  }
  if (auto* b = dynamic_cast<TGLBitmap32*>(Source)) {
    std::unique_ptr<TBitmap> bitmap = b->Create32BitBitmap();
    Picture()->SetGraphic(bitmap.get());
    return;
  }
  TGLTextureImage::Assign(Source);
}

IMPLEMENT_CLASSINFO(TGLPersistentImage, TGLPictureImage)
IMPLEMENT_TEXTUREIMAGE(TGLPersistentImage)

void TGLPersistentImage::SaveToFile(const std::string& FileName) { Picture()->SaveToFile(FileName); }

void TGLPersistentImage::LoadFromFile(const std::string& FileName) {
  std::string name = FileName;
  DoTextureNeeded(name);
  if (FileStreamExists(name)) {
    try {
      Picture()->LoadFromFile(name);
      return;
    } catch (const Exception&) {   // reported below as the file it is
    }
  }
  Picture()->Assign(nullptr);
  CouldNotOpen(name);
}

void TGLPersistentImage::DefineProperties(TFiler* Filer) {
  TGLPictureImage::DefineProperties(Filer);
  DefinePicture(Filer, "Picture", Picture());
}

IMPLEMENT_CLASSINFO(TGLPicFileImage, TGLPictureImage)
IMPLEMENT_TEXTUREIMAGE(TGLPicFileImage)

void TGLPicFileImage::SetPictureFileName(const std::string& Value) {
  if (Value == FPictureFileName) return;
  FPictureFileName = Value;
  FAlreadyWarnedAboutMissingFile = false;
  Invalidate();
}

void TGLPicFileImage::Invalidate() {
  BeginUpdate();
  Picture()->Assign(nullptr);
  EndUpdate();
  FBitmap.reset();
  TGLPictureImage::Invalidate();
}

TGLBitmap32* TGLPicFileImage::GetBitmap32(GLenum Target) {
  if (HasPicture() || FPictureFileName.empty()) return TGLPictureImage::GetBitmap32(Target);
  BeginUpdate();
  struct TReattach {
    TGLPicFileImage* Image;
    ~TReattach() {
      Image->Picture()->Assign(nullptr);   // the file's picture is not kept
      Image->EndUpdate();
    }
  } reattach{this};
  std::string name = FPictureFileName;
  DoTextureNeeded(name);
  if (FileStreamExists(name)) {
    std::unique_ptr<TGraphic> graphic = CreatePictureFromFile(name);
    SetPictureGraphic(Picture(), graphic.get());
  } else {
    Picture()->Assign(nullptr);
    if (!FAlreadyWarnedAboutMissingFile) {
      FAlreadyWarnedAboutMissingFile = true;
      Assert(false, Format("Could not open file: %s", name.c_str()), SourceName, 2457);
    }
  }
  return TGLPictureImage::GetBitmap32(Target);
}

void TGLPicFileImage::SaveToFile(const std::string& FileName) { SaveStringToFile(FileName, FPictureFileName); }

void TGLPicFileImage::LoadFromFile(const std::string& FileName) {
  std::string copy = FileName;
  DoTextureNeeded(copy);
  std::string named;
  if (FileStreamExists(FileName) && SizeOfFile(FileName) < 512 &&
      ReadPictureNameFile(LoadStringFromFile(FileName), named))
    SetPictureFileName(named);
  else
    SetPictureFileName(FileName);
}

void TGLPicFileImage::Assign(TPersistent* Source) {
  if (auto* p = dynamic_cast<TGLPicFileImage*>(Source)) {
    FPictureFileName = p->FPictureFileName;
    FAlreadyWarnedAboutMissingFile = false;
  }
  TGLPictureImage::Assign(Source);
  if (dynamic_cast<TGLPicFileImage*>(Source)) Invalidate();
}

// ---- Cube maps -------------------------------------------------------------------

void TGLPicFileImage::DefineProperties(TFiler* Filer) {
  TGLPictureImage::DefineProperties(Filer);
  if (auto* f = dynamic_cast<TGLObjectFiler*>(Filer))
    f->DefineString("PictureFileName", FPictureFileName, [this](const std::string& v) { SetPictureFileName(v); },
                    !FPictureFileName.empty());
}

IMPLEMENT_CLASSINFO(TGLCubeMapImage, TGLTextureImage)
IMPLEMENT_TEXTUREIMAGE(TGLCubeMapImage)

TGLCubeMapImage::TGLCubeMapImage(TPersistent* AOwner) : TGLTextureImage(AOwner) {
  for (auto& p : FPicture) {
    p = std::make_unique<TPicture>();
    p->OnChange = [this](TObject* Sender) { PictureChanged(Sender); };
  }
}

TGLCubeMapImage::~TGLCubeMapImage() {
  for (auto& p : FPicture) p->OnChange = nullptr;
}

void TGLCubeMapImage::PictureChanged(TObject* Sender) {
  (void)Sender;
  if (FUpdating == 0) Invalidate();
}

TGLBitmap32* TGLCubeMapImage::GetBitmap32(GLenum Target) {
  size_t face = 0;
  if (Target >= GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB && Target <= GL_TEXTURE_CUBE_MAP_NEGATIVE_Z_ARB)
    face = Target - GL_TEXTURE_CUBE_MAP_POSITIVE_X_ARB;
  FBitmap = std::make_unique<TGLBitmap32>();
  FBitmap->RowsReversed = true;
  if (TGraphic* g = FPicture[face]->Graphic()) {
    ++FUpdating;
    struct TDone {
      int& Count;
      ~TDone() { --Count; }
    } done{FUpdating};
    FBitmap->Assign(g);
  }
  return FBitmap.get();
}

void TGLCubeMapImage::SaveToFile(const std::string& FileName) {
  std::array<std::string, 6> faces;
  for (size_t i = 0; i < 6; ++i) faces[i] = BitmapFileOf(FPicture[i]->Graphic());
  SaveStringToFile(FileName, WriteCubeMapFile(faces));
}

void TGLCubeMapImage::LoadFromFile(const std::string& FileName) {
  if (!FileStreamExists(FileName)) CouldNotOpen(FileName);
  const std::array<std::string, 6> faces = ReadCubeMapFile(LoadStringFromFile(FileName));
  std::array<TBitmap, 6> bitmaps;   // all six read before any picture changes
  for (size_t i = 0; i < 6; ++i) {
    TStringStream s(faces[i]);
    bitmaps[i].LoadFromStream(s);
  }
  ++FUpdating;
  for (size_t i = 0; i < 6; ++i) FPicture[i]->SetGraphic(&bitmaps[i]);
  --FUpdating;
  Invalidate();
}

void TGLCubeMapImage::DefineProperties(TFiler* Filer) {
  TGLTextureImage::DefineProperties(Filer);
  const char* const names[6] = {"PicturePX", "PictureNX", "PicturePY", "PictureNY", "PicturePZ", "PictureNZ"};
  for (int i = 0; i < 6; ++i) DefinePicture(Filer, names[i], Picture(static_cast<TGLCubeMapFace>(i)));
}

void TGLCubeMapImage::Assign(TPersistent* Source) {
  if (auto* c = dynamic_cast<TGLCubeMapImage*>(Source)) {
    if (c == this) return;
    ++FUpdating;
    for (size_t i = 0; i < 6; ++i) FPicture[i]->Assign(c->FPicture[i].get());
    --FUpdating;
    Invalidate();
    return;
  }
  TGLTextureImage::Assign(Source);
}
