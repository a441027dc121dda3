// Colours, face properties, texture images, textures and the material
// library without a rendering context.
#include <gtest/gtest.h>

#include <cstring>

#include "Assertions.h"
#include "GLTestWindow.h"
#include "TestPaths.h"
#include "classlib/Jpeg.h"
#include "scene3d/Base/XOpenGL.h"
#include "scene3d/GLState.h"
#include "scene3d/GLTexture.h"
#include "scene3d/GLTextureCodecs.h"

namespace {
class Appearance : public testing::Test {
protected:
  void SetUp() override {
    XOpenGL_Initialize();
    GLTexture_Initialize();
  }
  void TearDown() override {
    GLTexture_Finalize();
    XOpenGL_Finalize();
    GLSceneHooks() = {};
  }
};

// Counts the state cache's calls that would reach OpenGL (no context here).
struct TCountedCalls {
  TGLStateCalls Saved = GLStateCalls();
  static inline int Count = 0;
  TCountedCalls() {
    Count = 0;
    auto& c = GLStateCalls();
    c.Materialfv = [](GLenum, GLenum, const GLfloat*) APIENTRY { ++Count; };
    c.Materiali = [](GLenum, GLenum, GLint) APIENTRY { ++Count; };
    c.PolygonMode = [](GLenum, GLenum) APIENTRY { ++Count; };
    c.Enable = [](GLenum) APIENTRY { ++Count; };
    c.Disable = [](GLenum) APIENTRY { ++Count; };
  }
  ~TCountedCalls() { GLStateCalls() = Saved; }
};
}  // namespace

TEST_F(Appearance, ColoursConvertNotifyAndStream) {
  const TVector v = ColorToVector(0x00FF8000, 1.0f);
  EXPECT_EQ(v, (TVector{0.0f, 128 / 255.0f, 1.0f, 1.0f}));
  TGLMaterial owner(nullptr);
  int changes = 0;
  TGLColor c(&owner, TVector{0.5f, 0.25f, 0.0f, 1.0f}, [&](TObject*) { ++changes; });
  c.SetRed(0.5f);
  EXPECT_EQ(changes, 0) << "the value it already holds";
  c.SetRed(0.75f);
  c.SetAlpha(0.5f);
  EXPECT_EQ(changes, 2);
  EXPECT_EQ(c.Color(), (TVector{0.75f, 0.25f, 0.0f, 0.5f}));
  EXPECT_EQ(c.AsAddress()[3], 0.5f);

  // "Color": always written, 16 bytes; anything but 16 bytes is refused and changes nothing
  struct TFiler : ::TFiler {
    std::function<void(TStream&)> Read, Write;
    bool HasData = false;
    std::string Name;
    void DefineBinaryProperty(const std::string& N, std::function<void(TStream&)> R, std::function<void(TStream&)> W,
                              bool H) override {
      Name = N, Read = std::move(R), Write = std::move(W), HasData = H;
    }
  } filer;
  TGLColor plain(nullptr);
  plain.DefineProperties(&filer);
  EXPECT_EQ(filer.Name, "Color");
  EXPECT_TRUE(filer.HasData) << "even with its initial value";
  TMemoryStream out;
  filer.Write(out);
  ASSERT_EQ(out.Size(), 16);
  const float stored[4] = {0.0f, 0.0f, 0.0f, 1.0f};
  EXPECT_EQ(std::memcmp(out.Memory(), stored, 16), 0);
  c.DefineProperties(&filer);
  for (int n : {12, 20}) {
    TStringStream bad(std::string(size_t(n), '\x3F'));
    EXPECT_THROW(filer.Read(bad), EReadError) << n;
    EXPECT_EQ(c.Color(), (TVector{0.75f, 0.25f, 0.0f, 0.5f}));
  }
  out.SetPosition(0);
  filer.Read(out);
  EXPECT_EQ(c.Color(), (TVector{0.0f, 0.0f, 0.0f, 1.0f}));
}

TEST_F(Appearance, FacePropertiesGoThroughTheStateCache) {
  TGLFaceProperties f(nullptr);
  EXPECT_EQ(f.Ambient()->Color(), (TVector{0.2f, 0.2f, 0.2f, 1.0f}));
  EXPECT_EQ(f.Diffuse()->Color(), (TVector{0.8f, 0.8f, 0.8f, 1.0f}));
  EXPECT_EQ(f.Emission()->Color(), (TVector{0.0f, 0.0f, 0.0f, 1.0f}));
  TCountedCalls calls;
  TGLStateCache cache;
  TRenderContextInfo rci;
  rci.stateCache = &cache;
  f.SetShininess(20);
  f.SetPolygonMode(TPolygonMode::pmLines);
  f.Apply(rci, GL_BACK);
  EXPECT_EQ(calls.Count, 4) << "shininess, ambient, diffuse, polygon mode (emission and specular are black as cached)";
  f.Apply(rci, GL_BACK);
  EXPECT_EQ(calls.Count, 4) << "nothing changed: nothing reaches OpenGL";
  f.Diffuse()->SetAlpha(0.5f);
  f.Apply(rci, GL_BACK);
  EXPECT_EQ(calls.Count, 5);

  TPersistent holder;
  TGLMaterial m(&holder);
  int changes = 0;
  m.OnNotifyChange = [&](TObject*) { ++changes; };
  TGLFaceProperties& g = *m.FrontProperties();
  g.Assign(&f);
  EXPECT_EQ(g.PolygonMode(), TPolygonMode::pmLines);
  EXPECT_EQ(g.Shininess(), 20);
  EXPECT_EQ(g.Diffuse()->Alpha(), 0.5f);
  EXPECT_EQ(changes, 1);
  g.SetShininess(20);
  EXPECT_EQ(changes, 1) << "no real change";
  g.Ambient()->SetBlue(0.5f);
  EXPECT_EQ(changes, 2) << "a colour's change reaches the material";
}

TEST_F(Appearance, PicturesByExtensionAndImageClasses) {
  const std::string dir = TempFolder("pictures");
  MakeBitmap(3, 2, [](int, int) { return 0x102030u; })->SaveToFile(dir + "\\UP.BMP");
  std::unique_ptr<TGraphic> g = CreatePictureFromFile(dir + "\\UP.BMP");
  ASSERT_TRUE(g);
  EXPECT_TRUE(g->InheritsFrom(TBitmap::StaticClass()));
  EXPECT_EQ(g->Width(), 3);
  EXPECT_FALSE(CreatePictureFromFile(dir + "\\missing.bmp"));
  WriteTextFile(dir + "\\x.xyz", "abc");
  EXPECT_FALSE(CreatePictureFromFile(dir + "\\x.xyz"));

  std::vector<std::string> names;
  for (const TGLTextureImageClass* c : GLTextureImageClasses()) names.push_back(c->ClassName());
  EXPECT_EQ(names, (std::vector<std::string>{"TGLBlankImage", "TGLPersistentImage", "TGLPicFileImage",
                                             "TGLCubeMapImage", "TGLFloatDataImage"}));
  EXPECT_EQ(FindGLTextureImageClass("TGLCubeMapImage")->NativeTextureTarget(), GLenum(GL_TEXTURE_CUBE_MAP_ARB));
  EXPECT_EQ(FindGLTextureImageClass("tglcubemapimage"), nullptr);
  EXPECT_EQ(FindGLTextureImageClass("TGLFloatDataImage")->FriendlyDescription(),
            "Image to be dynamically generated by OpenGL");
  EXPECT_THROW(TGLBlankImage(nullptr), EInvalidCast);
}

TEST_F(Appearance, TextureImagesAndTheirFiles) {
  const std::string dir = TempFolder("images");
  TGLTexture t(nullptr);
  EXPECT_TRUE(t.Disabled());
  EXPECT_EQ(t.ImageClassName(), "TGLPersistentImage");
  EXPECT_FALSE(t.StoreImageClassName());
  t.SetImageClassName("TNoSuchImage");
  EXPECT_EQ(t.ImageClassName(), "TGLPersistentImage") << "unregistered names are refused";

  // blank image: sizes at least 1, a description file
  t.SetImageClassName("TGLBlankImage");
  auto* blank = static_cast<TGLBlankImage*>(t.Image());
  blank->SetWidth(0);
  EXPECT_EQ(blank->Width(), 1);
  blank->SetWidth(40);
  blank->SetHeight(24);
  blank->SaveToFile(dir + "\\blank.txt");
  EXPECT_EQ(ReadTextFile(dir + "\\blank.txt"), "[BlankImage]\r\nWidth=40\r\nHeight=24");
  WriteTextFile(dir + "\\other.txt", "[BlankImage]\r\nHeight=7\r\nWidth=9\r\n");
  blank->LoadFromFile(dir + "\\other.txt");
  EXPECT_EQ(blank->Width(), 9);
  EXPECT_EQ(blank->Height(), 7);
  EXPECT_EQ(blank->GetBitmap32(GL_TEXTURE_2D)->Height(), 7);
  for (const char* bad : {"Width=x\r\nHeight=2", "Width=99999999\r\nHeight=1", "Width=-4\r\nHeight=2", "Height=3"}) {
    WriteTextFile(dir + "\\bad.txt", bad);
    EXPECT_THROW(blank->LoadFromFile(dir + "\\bad.txt"), EReadError) << bad;
    EXPECT_EQ(blank->Width(), 9);
  }
  EXPECT_THROW(blank->LoadFromFile(dir + "\\none.txt"), ETexture);

  // a picture file named by a short text file; missing files reported once
  MakeBitmap(8, 4, [](int x, int) { return x < 4 ? 0xFF0000u : 0x0000FFu; })->SaveToFile(dir + "\\pic.bmp");
  const std::string link = dir + "\\pic.bmp";
  WriteTextFile(dir + "\\link.txt", link);
  t.SetImageClassName("TGLPicFileImage");
  auto* pic = static_cast<TGLPicFileImage*>(t.Image());
  pic->LoadFromFile(dir + "\\link.txt");
  EXPECT_EQ(pic->PictureFileName(), link);
  TGLBitmap32* b = pic->GetBitmap32(GL_TEXTURE_2D);
  ASSERT_EQ(b->Width(), 8);
  EXPECT_EQ(b->ScanLine(0)[0], (TGLPixel32{255, 0, 0, 255}));
  EXPECT_EQ(pic->Width(), 0) << "the file's picture is not kept";
  pic->LoadFromFile(link);
  EXPECT_EQ(pic->PictureFileName(), link) << "any other file is the picture itself";
  pic->SetPictureFileName(dir + "\\gone.bmp");
  EXPECT_NE(AssertionOf([&] { pic->GetBitmap32(GL_TEXTURE_2D); }).find("Could not open file: " + dir + "\\gone.bmp"),
            std::string::npos);
  pic->ReleaseBitmap32();
  EXPECT_EQ(AssertionOf([&] { pic->GetBitmap32(GL_TEXTURE_2D); }), "(none)") << "once per name";
  EXPECT_TRUE(pic->GetBitmap32(GL_TEXTURE_2D)->IsEmpty());
  std::string asked;
  t.OnTextureNeeded = [&](TObject*, std::string& Name) {
    asked = Name;
    Name = link;
  };
  pic->SetPictureFileName("elsewhere.bmp");
  EXPECT_EQ(pic->GetBitmap32(GL_TEXTURE_2D)->Width(), 8) << "the handler's name is read";
  EXPECT_EQ(asked, "elsewhere.bmp");
  t.OnTextureNeeded = nullptr;

  // persistent image: a missing file raises ETexture and clears the picture
  t.SetImageClassName("TGLPersistentImage");
  auto* persistent = static_cast<TGLPersistentImage*>(t.Image());
  persistent->LoadFromFile(link);
  EXPECT_EQ(persistent->Width(), 8);
  EXPECT_THROW(persistent->LoadFromFile(dir + "\\gone.bmp"), ETexture);
  EXPECT_FALSE(persistent->HasPicture());

  // cube map: six pictures round trip; a wrong version fails the assertion
  t.SetImageClassName("TGLCubeMapImage");
  auto* cube = static_cast<TGLCubeMapImage*>(t.Image());
  for (int f = 0; f < 6; ++f)
    cube->Picture(TGLCubeMapFace(f))->SetGraphic(MakeBitmap(4, 4, [f](int, int) { return 0x010101u * (f + 1); }).get());
  cube->SaveToFile(dir + "\\cube.cub");
  TGLTexture t2(nullptr);
  t2.SetImageClassName("TGLCubeMapImage");
  auto* cube2 = static_cast<TGLCubeMapImage*>(t2.Image());
  cube2->LoadFromFile(dir + "\\cube.cub");
  TGLBitmap32* nz = cube2->GetBitmap32(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z_ARB);
  ASSERT_EQ(nz->Width(), 4);
  EXPECT_EQ(nz->Data()[0], (TGLPixel32{6, 6, 6, 255}));
  std::string data = ReadTextFile(dir + "\\cube.cub");
  data[1] = 2;
  WriteTextFile(dir + "\\bad.cub", data);
  EXPECT_NE(AssertionOf([&] { cube2->LoadFromFile(dir + "\\bad.cub"); }).find("line 2896"), std::string::npos);
  WriteTextFile(dir + "\\short.cub", ReadTextFile(dir + "\\cube.cub").substr(0, 300));
  EXPECT_THROW(cube2->LoadFromFile(dir + "\\short.cub"), EReadError);
  EXPECT_EQ(cube2->GetBitmap32(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z_ARB)->Data()[0], (TGLPixel32{6, 6, 6, 255}))
      << "a bad file changes nothing";
}

TEST_F(Appearance, TextureChangesMarkWhatMustBeRedone) {
  TPersistent holder;
  TGLMaterial m(&holder);
  TGLTexture* t = m.Texture();
  EXPECT_EQ(t->Changes(), (TGLTextureChanges{TGLTextureChange::tcImage, TGLTextureChange::tcParams}));
  int changes = 0;
  m.OnNotifyChange = [&](TObject*) { ++changes; };
  t->SetMinFilter(TGLMinFilter::miLinearMipmapLinear);
  EXPECT_EQ(changes, 0) << "no real change";
  t->SetMagFilter(TGLMagFilter::maNearest);
  t->SetImageAlpha(TGLTextureImageAlpha::tiaOpaque);
  t->EnvColor()->SetRed(1.0f);
  EXPECT_EQ(changes, 3);
  t->SetNormalMapScale(0.5f);
  EXPECT_EQ(changes, 3) << "only matters for normal maps";
  EXPECT_EQ(t->OpenGLTextureFormat(), GLenum(GL_RGBA8)) << "tfDefault stands for tfRGBA";
  t->SetTextureFormat(TGLTextureFormat::tfLuminanceAlpha);
  EXPECT_EQ(t->OpenGLTextureFormat(), GLenum(GL_LUMINANCE8_ALPHA8));

  TGLTexture copy(nullptr);
  t->SetDisabled(false);
  t->SetTextureWrap(TGLTextureWrap::twVertical);
  t->SetMappingMode(TGLTextureMappingMode::tmmEyeLinear);
  t->MappingSCoordinates()->SetVector(0, 2, 0, 1);
  copy.Assign(t);
  EXPECT_FALSE(copy.Disabled());
  EXPECT_EQ(copy.TextureWrap(), TGLTextureWrap::twVertical);
  EXPECT_EQ(copy.MagFilter(), TGLMagFilter::maNearest);
  EXPECT_EQ(copy.MappingSCoordinates()->AsVector(), (TVector{0, 2, 0, 1}));
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.Disabled());
  const int before = changes;
  m.SetTexture(nullptr);
  EXPECT_FALSE(m.HasTexture());
  EXPECT_EQ(changes, before + 1) << "dropping the texture repaints";
  m.SetTexture(nullptr);
  EXPECT_EQ(changes, before + 1) << "no texture to drop: no change";
}

TEST_F(Appearance, LibraryNamesPathsAndReferences) {
  const std::string dir = TempFolder("library");
  MakeBitmap(4, 4, [](int, int) { return 0x00FF00u; })->SaveToFile(dir + "\\earth.bmp");
  auto lib = std::make_unique<TGLMaterialLibrary>(nullptr);
  TGLLibMaterial* earth = lib->AddTextureMaterial("Earth", dir + "\\earth.bmp");
  TGLLibMaterial* earth1 = lib->AddTextureMaterial("Earth", dir + "\\earth.bmp");
  EXPECT_EQ(earth->Name(), "Earth");
  EXPECT_EQ(earth1->Name(), "Earth1");
  EXPECT_EQ(lib->AddTextureMaterial("Earth", "", true)->Name(), "Earth2");
  TGLTexture* t = earth->Material()->Texture();
  EXPECT_FALSE(t->Disabled());
  EXPECT_EQ(t->TextureMode(), TGLTextureMode::tmModulate);
  EXPECT_EQ(t->Image()->Width(), 4);
  EXPECT_THROW(lib->AddTextureMaterial("Moon", dir + "\\moon.bmp"), ETexture);
  EXPECT_EQ(lib->Materials()->Count(), 3) << "a failed addition adds nothing";
  EXPECT_EQ(lib->LibMaterialByName("earth"), nullptr) << "case-sensitive";
  EXPECT_EQ(LibMaterialByName(nullptr, "Earth"), nullptr);
  earth1->SetName("Earth");
  EXPECT_EQ(earth1->Name(), "Earth1");
  EXPECT_EQ(GLMaterialNameHash("ab"), uint32_t((2 * 2 + 'a') * 2 + 'b'));

  // path search: the handler first, then the paths; never for absolute names
  lib->SetTexturePaths("a; ;b\\;;  c  ");
  EXPECT_EQ(lib->TexturePathList(), (std::vector<std::string>{"a\\", "b\\", "c\\"}));
  lib->SetTexturePaths(dir + "\\none;" + dir);
  TGLLibMaterial* named = lib->AddTextureMaterial("Named", "earth.bmp", false);
  EXPECT_EQ(named->Material()->Texture()->Image()->GetBitmap32(GL_TEXTURE_2D)->Width(), 4);
  std::string asked;
  lib->OnTextureNeeded = [&](TObject*, std::string& Name) { asked = Name; };
  std::string name = "C:earth.bmp";
  lib->DoTextureNeeded(nullptr, name);
  EXPECT_EQ(name, "C:earth.bmp");
  name = "\\earth.bmp";
  lib->DoTextureNeeded(nullptr, name);
  EXPECT_EQ(name, "\\earth.bmp");
  EXPECT_EQ(asked, "\\earth.bmp");

  // references: a cycle is refused before anything changes
  TGLLibMaterial* a = lib->Materials()->Add();
  TGLLibMaterial* b = lib->Materials()->Add();
  EXPECT_EQ(b->Name(), "LibMaterial1");
  a->Material()->SetMaterialLibrary(lib.get());
  a->Material()->SetLibMaterialName(b->Name());
  EXPECT_EQ(a->Material()->LibMaterial(), b);
  b->Material()->SetMaterialLibrary(lib.get());
  EXPECT_NE(AssertionOf([&] { b->Material()->SetLibMaterialName(a->Name()); })
                .find("Error: Cyclic material reference detected!"),
            std::string::npos);
  EXPECT_EQ(b->Material()->LibMaterialName(), "");
  EXPECT_EQ(b->Material()->LibMaterial(), nullptr);
  EXPECT_NE(AssertionOf([&] { a->Material()->SetLibMaterialName(a->Name()); }), "(none)") << "itself";
  EXPECT_EQ(a->Material()->LibMaterial(), b);

  TGLMaterial m(nullptr);
  m.SetMaterialLibrary(lib.get());
  m.SetLibMaterialName("Earth");
  EXPECT_EQ(m.LibMaterial(), earth);
  EXPECT_FALSE(m.Blended());
  earth->Material()->SetBlendingMode(TBlendingMode::bmTransparency);
  EXPECT_TRUE(m.Blended()) << "the library material decides";
  TGLMaterial copy(nullptr);
  copy.Assign(&m);
  EXPECT_EQ(copy.LibMaterial(), earth);
  EXPECT_EQ(earth->UserCount(), 2);

  // a library material that goes, then the library that goes, leave no dangling reference
  delete earth;
  EXPECT_EQ(m.LibMaterial(), nullptr);
  EXPECT_EQ(copy.LibMaterial(), nullptr);
  m.SetLibMaterialName("Earth1");
  EXPECT_EQ(m.LibMaterial(), earth1);
  lib.reset();
  EXPECT_EQ(m.MaterialLibrary(), nullptr);
  EXPECT_EQ(m.LibMaterial(), nullptr);
  EXPECT_EQ(copy.MaterialLibrary(), nullptr);
  m.SetLibMaterialName("Earth");   // no library: nothing to find, nothing to crash
  EXPECT_EQ(m.LibMaterial(), nullptr);
}

namespace {
std::string Archive(TGLMaterialLibrary& Lib) {
  TStringStream s;
  Lib.SaveToStream(s);
  return s.DataString();
}
void Load(TGLMaterialLibrary& Lib, const std::string& Data) {
  TStringStream s(Data);
  Lib.LoadFromStream(s);
}
}  // namespace

TEST_F(Appearance, MaterialArchiveVersions) {
  TGLMaterialLibrary lib(nullptr);
  std::unique_ptr<TBitmap> pic = MakeBitmap(8, 2, [](int x, int y) { return 0x010203u * (x + 8 * y); });
  TGLLibMaterial* textured = lib.AddTextureMaterial("Earth", pic.get());
  TGLMaterial* m = textured->Material();
  m->FrontProperties()->Diffuse()->SetColor({0.1f, 0.2f, 0.3f, 0.4f});
  m->FrontProperties()->SetShininess(77);
  m->BackProperties()->SetPolygonMode(TPolygonMode::pmPoints);
  m->BackProperties()->Emission()->SetColor({1, 0.5f, 0.25f, 1});
  m->SetBlendingMode(TBlendingMode::bmModulate);
  m->SetMaterialOptions({TMaterialOption::moNoLighting});
  textured->TextureOffset()->SetVector(0.5f, 0.25f, 0);
  textured->SetTexture2Name("Detail");
  TGLTextureExItem* ex = m->TextureEx()->Add();
  ex->SetTextureIndex(3);
  ex->Texture()->SetDisabled(false);
  ex->Texture()->Image()->Assign(pic.get());
  ex->TextureScale()->SetVector(2, 2, 1);
  TGLLibMaterial* plain = lib.Materials()->Add();
  plain->SetName("Detail");
  plain->Material()->SetFaceCulling(TFaceCulling::fcNoCull);

  const std::string v2 = Archive(lib);
  TGLMaterialLibrary back(nullptr);
  back.Materials()->Add()->SetName("Old");
  Load(back, v2);
  EXPECT_EQ(Archive(back), v2) << "byte-exact round trip";
  ASSERT_EQ(back.Materials()->Count(), 2) << "emptied first";
  TGLLibMaterial* e = back.LibMaterialByName("Earth");
  ASSERT_TRUE(e);
  EXPECT_EQ(e->Material()->FrontProperties()->Diffuse()->Color(), (TVector{0.1f, 0.2f, 0.3f, 0.4f}));
  EXPECT_EQ(e->Material()->BackProperties()->PolygonMode(), TPolygonMode::pmPoints);
  EXPECT_EQ(e->Material()->BlendingMode(), TBlendingMode::bmModulate);
  EXPECT_FALSE(e->TextureMatrixIsIdentity());
  EXPECT_EQ(e->Texture2Name(), "Detail");
  ASSERT_EQ(e->Material()->TextureEx()->Count(), 1);
  EXPECT_EQ(e->Material()->TextureEx()->Items(0)->TextureIndex(), 3);
  EXPECT_EQ(e->Material()->Texture()->Image()->Width(), 8);

  // every truncation raises the read error and leaves the library as it was
  for (size_t n = 0; n < v2.size(); n += (n < 64 ? 1 : 97)) {
    EXPECT_THROW(Load(back, v2.substr(0, n)), EReadError) << n;
    ASSERT_EQ(back.Materials()->Count(), 2) << n;
  }
  EXPECT_THROW(Load(back, std::string("\x02\x03", 2) + v2.substr(2)), EFilerException) << "version 3";

  // hand-built version 0 and 1 archives
  auto singles = [](TBinaryWriter& W, std::initializer_list<float> V) {
    for (float f : V) W.Write(&f, 4);
  };
  TStringStream s0;
  TBinaryWriter w0(&s0);
  w0.WriteInteger(0);
  w0.WriteInteger(1);
  w0.WriteString("Old");
  w0.WriteBoolean(false);
  singles(w0, {0.1f, 0.1f, 0.1f, 0.5f, 0.6f, 0.7f, 0.8f, 0, 0, 0.25f, 1, 1, 1});
  TGLMaterialLibrary lib0(nullptr);
  Load(lib0, s0.DataString());
  ASSERT_EQ(lib0.Materials()->Count(), 1);
  TGLMaterial* old = lib0.Materials()->Items(0)->Material();
  EXPECT_EQ(lib0.Materials()->Items(0)->Name(), "Old");
  EXPECT_EQ(old->FrontProperties()->Diffuse()->Color(), (TVector{0.5f, 0.6f, 0.7f, 0.8f}));
  EXPECT_EQ(old->FrontProperties()->Emission()->Color(), (TVector{0, 0, 0.25f, 1}));
  EXPECT_EQ(old->FrontProperties()->Specular()->Color(), (TVector{1, 1, 1, 1}));

  TStringStream s1;
  TBinaryWriter w1(&s1);
  w1.WriteInteger(1);
  w1.WriteInteger(1);
  w1.WriteString("One");
  w1.WriteBoolean(true);
  TStringStream bmp;
  pic->SaveToStream(bmp);
  w1.WriteString(bmp.DataString());
  for (int face = 0; face < 2; ++face) {
    singles(w1, {0.2f, 0.2f, 0.2f, 0.8f, 0.8f, 0.8f, 1, 0, 0, 0, 0, 0, 0});
    uint8_t shininess = 9;
    w1.Write(&shininess, 1);
    w1.WriteInteger(face);   // fill, lines
  }
  w1.WriteInteger(1);   // transparency
  w1.WriteInteger(1);
  uint8_t options = 1;
  w1.Write(&options, 1);
  singles(w1, {0, 0, 0, 1, 1, 1});
  w1.WriteString("");
  TGLMaterialLibrary lib1(nullptr);
  Load(lib1, s1.DataString());
  TGLLibMaterial* one = lib1.LibMaterialByName("One");
  ASSERT_TRUE(one);
  EXPECT_FALSE(one->Material()->Texture()->Disabled()) << "a stored picture makes a texture material";
  EXPECT_EQ(one->Material()->Texture()->Image()->Width(), 8);
  EXPECT_EQ(one->Material()->BackProperties()->PolygonMode(), TPolygonMode::pmLines);
  EXPECT_EQ(one->Material()->BlendingMode(), TBlendingMode::bmTransparency);
  EXPECT_TRUE(one->Material()->MaterialOptions().Contains(TMaterialOption::moIgnoreFog));
  EXPECT_TRUE(one->TextureMatrixIsIdentity());
  std::string bad = s1.DataString();
  bad[bad.size() - 2 - 24 - 1 - 2 - 1] = 9;   // the blending mode
  EXPECT_THROW(Load(lib1, bad), EReadError);
  EXPECT_TRUE(lib1.LibMaterialByName("One"));

  lib1.DoNotClearMaterialsOnLoad = true;
  Load(lib1, s0.DataString());
  EXPECT_EQ(lib1.Materials()->Count(), 2) << "kept, and the stored one added";
}
