#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>

#include "Assertions.h"
#include "GLTestWindow.h"
#include "classlib/Jpeg.h"
#include "scene3d/GLGraphics.h"
#include "scene3d/GLUtils.h"
#include "scene3d/Platform/GLWin32Context.h"

void PrintTo(const TGLPixel32& P, std::ostream* S) {
  *S << "(" << int(P.r) << ", " << int(P.g) << ", " << int(P.b) << ", " << int(P.a) << ")";
}

namespace {

// A bitmap whose top row is red, green, blue, white... and whose other rows
// are black; in 24 or 32 bits (the fourth byte 0x40 + x).
std::unique_ptr<TBitmap> Picture(TPixelFormat Format, int Width, int Height) {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(Format);
  b->SetSize(Width, Height);
  const uint8_t colours[4][3] = {{0, 0, 255}, {0, 255, 0}, {255, 0, 0}, {255, 255, 255}};   // B, G, R
  const int bpp = Format == TPixelFormat::pf24bit ? 3 : 4;
  auto* top = static_cast<uint8_t*>(b->ScanLine(0));
  for (int x = 0; x < Width; ++x) {
    std::memcpy(top + bpp * x, colours[x % 4], 3);
    if (bpp == 4) top[4 * x + 3] = static_cast<uint8_t>(0x40 + x);
  }
  return b;
}

void Fill(TGLBitmap32& B, std::initializer_list<TGLPixel32> Pixels) {
  B.SetWidth(static_cast<int>(Pixels.size()));
  B.SetHeight(1);
  std::copy(Pixels.begin(), Pixels.end(), B.Data());
}

const TGLPixel32 Red{255, 0, 0, 255}, Green{0, 255, 0, 255}, Blue{0, 0, 255, 255}, White{255, 255, 255, 255},
    Black{0, 0, 0, 255};
}  // namespace

TEST(Bitmap32, ConvertsBitmapsWithTheBottomRowFirst) {
  TGLBitmap32 b;
  auto p24 = Picture(TPixelFormat::pf24bit, 8, 3);
  b.Assign(p24.get());
  ASSERT_EQ(b.Width(), 8);
  ASSERT_EQ(b.Height(), 3);
  EXPECT_EQ(b.DataSize(), 8 * 3 * 4);
  EXPECT_EQ(b.ScanLine(2)[0], Red) << "the picture's top row is the buffer's last";
  EXPECT_EQ(b.ScanLine(2)[1], Green);
  EXPECT_EQ(b.ScanLine(2)[6], Blue);
  EXPECT_EQ(b.ScanLine(2)[7], White) << "the last pixel of a 24-bit row";
  EXPECT_EQ(b.ScanLine(0)[0], Black);

  b.RowsReversed = true;
  b.Assign(p24.get());
  EXPECT_EQ(b.ScanLine(0)[0], Red);
  b.RowsReversed = false;

  auto p32 = Picture(TPixelFormat::pf32bit, 4, 1);
  b.Assign(p32.get());
  EXPECT_EQ(b.Height(), 1) << "one row";
  EXPECT_EQ(b.Data()[2], (TGLPixel32{0, 0, 255, 0x42})) << "alpha from the fourth byte";

  // 3 pixels wide: through a 24-bit bitmap, stretched over 4
  auto p3 = Picture(TPixelFormat::pf24bit, 3, 2);
  b.Assign(p3.get());
  EXPECT_EQ(b.Width(), 4);
  EXPECT_EQ(b.ScanLine(1)[0], Red);
  EXPECT_EQ(b.ScanLine(1)[3], Blue);
  EXPECT_EQ(b.ScanLine(0)[2], Black);

  // any graphic: a JPEG picture
  Jpeg_Initialize();
  TJPEGImage j;
  auto big = Picture(TPixelFormat::pf24bit, 16, 16);
  big->Canvas()->Brush()->SetColor(clRed);
  big->Canvas()->FillRect(Rect(0, 0, 16, 16));
  j.Assign(big.get());
  TStringStream s;
  j.SaveToStream(s);
  s.SetPosition(0);
  TJPEGImage loaded;
  loaded.LoadFromStream(s);
  b.Assign(&loaded);
  EXPECT_EQ(b.Width(), 16);
  EXPECT_GT(b.Data()[0].r, 240);
  EXPECT_LT(b.Data()[0].g, 16);
  Jpeg_Finalize();

  TGLBitmap32 copy;
  copy.Assign(&b);
  EXPECT_EQ(std::memcmp(copy.Data(), b.Data(), static_cast<size_t>(b.DataSize())), 0);
  TFont font;
  EXPECT_THROW(copy.Assign(&font), EConvertError);
  copy.Assign(nullptr);
  EXPECT_TRUE(copy.IsEmpty());
  EXPECT_EQ(copy.DataSize(), 0);

  // back to a 32-bit bitmap: top row first, B, G, R, A
  TGLBitmap32 two;
  Fill(two, {Red, Green, Blue, {1, 2, 3, 4}});
  two.SetHeight(2);   // the new row keeps no old bytes: it is the top one
  two.ScanLine(1)[0] = White;
  auto bmp = two.Create32BitBitmap();
  EXPECT_EQ(bmp->PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_EQ(bmp->Canvas()->Pixels(0, 0), clWhite);
  EXPECT_EQ(bmp->Canvas()->Pixels(0, 1), clRed);
  EXPECT_EQ(std::memcmp(static_cast<uint8_t*>(bmp->ScanLine(1)) + 12, "\x03\x02\x01\x04", 4), 0);
}

TEST(Bitmap32, SizeRulesAndAssertions) {
  TGLBitmap32 b;
  b.SetWidth(5);
  b.SetHeight(2);
  EXPECT_EQ(b.Width(), 8) << "rounded up to a multiple of 4";
  EXPECT_EQ(b.DataSize(), 64);
  b.Data()[0] = Red;
  b.SetHeight(3);
  EXPECT_EQ(b.Data()[0], Red) << "kept as far as it reaches";
  EXPECT_NE(AssertionOf([&] { b.SetWidth(-1); }).find("GLGraphics, line 753"), std::string::npos);
  EXPECT_NE(AssertionOf([&] { b.SetHeight(-1); }).find("GLGraphics, line 765"), std::string::npos);
  // 2^29 pixels would take 2^31 bytes: refused before anything changes.
  b.SetWidth(1 << 15);
  EXPECT_EQ(MessageOf<ETexture>([&] { b.SetHeight(1 << 14); }), "Image too large: 32768 x 16384 pixels");
  EXPECT_EQ(b.Height(), 3);
  EXPECT_EQ(b.DataSize(), (1 << 15) * 3 * 4);
  b.SetWidth(4);
  b.SetHeight(1);
  EXPECT_THROW(b.SetWidth(INT32_MAX), ETexture) << "rounded up to 2^31";
  EXPECT_EQ(b.Width(), 4);
}

TEST(Bitmap32, AlphaRules) {
  TGLBitmap32 b;
  Fill(b, {{30, 60, 90, 7}, {64, 64, 64, 7}, {255, 255, 255, 7}, {1, 2, 3, 7}});
  b.SetAlphaFromIntensity();
  EXPECT_EQ(b.Data()[0].a, 60);
  EXPECT_EQ(b.Data()[3].a, 2);
  b.SetAlphaFromIntensitySqrt();
  EXPECT_EQ(b.Data()[1].a, 128) << "sqrt(64/255)*255 = 127.75, rounded";
  EXPECT_EQ(b.Data()[2].a, 255);
  EXPECT_EQ(b.Data()[3].a, 23) << "entry 2";
  EXPECT_EQ(GLGraphicsSqrtTable()[1], 16);
  EXPECT_EQ(GetSqrt255Array()[64], 127) << "the update chain's ramp truncates";
  b.InvertAlpha();
  EXPECT_EQ(b.Data()[1].a, 127);
  b.SetAlphaToValue(9);
  EXPECT_EQ(b.Data()[2].a, 9);
  b.SetAlphaTransparentForColor(TColor(0x030201));   // red in the low byte
  EXPECT_EQ(b.Data()[3].a, 0);
  EXPECT_EQ(b.Data()[0].a, 255);
  b.SetAlphaTransparentForColor(TGLPixel24{64, 64, 64});
  EXPECT_EQ(b.Data()[1].a, 0);
  EXPECT_EQ(b.Data()[3].a, 255);
}

TEST(Bitmap32, GammaAndBrightness) {
  TGLBitmap32 b, g;
  Fill(b, {{0, 64, 128, 10}, {255, 200, 250, 20}, {100, 1, 2, 30}, {0, 0, 0, 40}});
  g.Assign(&b);
  g.GammaCorrection(2.2f);
  EXPECT_EQ(g.Data()[0], (TGLPixel32{0, 136, 186, 10}));
  g.Assign(&b);
  g.GammaCorrection(0.05f);   // as exponent 10
  EXPECT_EQ(g.Data()[1], (TGLPixel32{255, 22, 209, 20}));
  g.Assign(&b);
  g.GammaCorrection(1.0f);
  EXPECT_EQ(std::memcmp(g.Data(), b.Data(), 16), 0);
  EXPECT_NE(AssertionOf([&] { g.GammaCorrection(0); }).find("GLGraphics, line 271"), std::string::npos);

  g.Assign(&b);
  b.BrightnessCorrection(2.0f);
  EXPECT_EQ(b.Data()[0], (TGLPixel32{0, 128, 255, 10}));
  EXPECT_EQ(b.Data()[2], (TGLPixel32{200, 2, 4, 30})) << "alpha untouched";
  // Factors far beyond the int range saturate as well.
  for (float factor : {1e7f, 3e38f, INFINITY}) {
    TGLBitmap32 bright;
    bright.Assign(&g);
    bright.BrightnessCorrection(factor);
    EXPECT_EQ(bright.Data()[1], (TGLPixel32{255, 255, 255, 20})) << factor;
    EXPECT_EQ(bright.Data()[3], (TGLPixel32{0, 0, 0, 40})) << factor;
  }
  EXPECT_NE(AssertionOf([&] { b.BrightnessCorrection(-1); }).find("line 324"), std::string::npos);
  TGLBitmap32 empty;
  empty.GammaCorrection(2.0f);
  EXPECT_TRUE(empty.IsEmpty());
}

TEST(Bitmap32, NormalMapUsesTheRealSize) {
  TGLBitmap32 flat;
  flat.SetWidth(8);
  flat.SetHeight(4);
  for (int i = 0; i < 32; ++i) flat.Data()[i] = {9, 77, 9, 9};
  flat.GrayScaleToNormalMap(4.0f);
  for (int i = 0; i < 32; ++i) ASSERT_EQ(flat.Data()[i], (TGLPixel32{128, 128, 255, 255})) << i;

  // 12 x 1, heights x * x: every pixel's neighbours are its real ones
  // (masking with width - 1 would take others), wrapping at the ends
  auto expectedR = [](float Left, float Right) {
    const float dx = (Left - Right) * 0.01f;
    const float n = 1.0f / std::sqrt(dx * dx + 1.0f) * 127.0f;
    return static_cast<int>(std::nearbyint(dx * n + 128.0f));
  };
  for (bool wrap : {true, false}) {
    TGLBitmap32 ramp;
    ramp.SetWidth(12);
    ramp.SetHeight(1);
    for (int x = 0; x < 12; ++x) ramp.Data()[x] = {0, static_cast<uint8_t>(x * x), 0, 0};
    ramp.GrayScaleToNormalMap(0.01f, wrap, wrap);
    EXPECT_EQ(ramp.Data()[5].r, expectedR(16, 36));
    EXPECT_EQ(ramp.Data()[0].r, expectedR(wrap ? 121 : 0, 1));
    EXPECT_EQ(ramp.Data()[11].r, expectedR(100, wrap ? 0 : 121));
    EXPECT_EQ(ramp.Data()[5].g, 128) << "one row: no slope across";
  }

  // A scale of NaN is flat; an infinite one is as steep as can be: the
  // normals lie on the ground, pointing down the slope.
  TGLBitmap32 step;
  step.SetWidth(4);
  step.SetHeight(1);
  for (int x = 0; x < 4; ++x) step.Data()[x] = {0, static_cast<uint8_t>(x < 2 ? 0 : 200), 0, 0};
  TGLBitmap32 copy;
  copy.Assign(&step);
  copy.GrayScaleToNormalMap(NAN, false, false);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(copy.Data()[x], (TGLPixel32{128, 128, 255, 255})) << x;
  for (float scale : {INFINITY, -INFINITY}) {
    copy.Assign(&step);
    copy.GrayScaleToNormalMap(scale, false, false);
    const uint8_t down = scale > 0 ? 1 : 255;   // (left - right) x scale, clamped to -128 or 127
    EXPECT_EQ(copy.Data()[1], (TGLPixel32{down, 128, 128, 255})) << scale;
    EXPECT_EQ(copy.Data()[2], (TGLPixel32{down, 128, 128, 255})) << scale;
    EXPECT_EQ(copy.Data()[0], (TGLPixel32{128, 128, 255, 255})) << "flat where the edge stands in";
  }
}

namespace {
class Bitmap32GLTest : public testing::Test {
protected:
  void SetUp() override {
    Forms_Initialize();
    OpenGL1x_Initialize();
    GLContext_Initialize();
  }
  void Open(int Width, int Height) {
    Form = new TGLTestForm(Application, Width, Height);
    Context = std::make_unique<TGLWin32Context>();
    Context->CreateContext(Form->View->DC());
    Context->Activate();
  }
  void TearDown() override {
    if (Context) Context->Deactivate();
    Context.reset();
    delete Form;
    GLContext_Finalize();
    OpenGL1x_Finalize();
    Forms_Finalize();
  }
  static GLint Level(int L, GLenum What, GLenum Target = GL_TEXTURE_2D) {
    GLint v = -1;
    glGetTexLevelParameteriv(Target, L, What, &v);
    return v;
  }
  TGLTestForm* Form = nullptr;
  std::unique_ptr<TGLWin32Context> Context;
};
}  // namespace

TEST_F(Bitmap32GLTest, UploadsAtPowerOfTwoSizeWithMipmaps) {
  Open(64, 64);
  TGLBitmap32 b;
  b.SetWidth(300);
  b.SetHeight(200);
  for (int y = 0; y < 200; ++y)
    for (int x = 0; x < 300; ++x) b.ScanLine(y)[x] = x < 150 ? Red : Blue;
  GLuint tex = 0;
  glGenTextures(1, &tex);
  glBindTexture(GL_TEXTURE_2D, tex);
  int w = 0, h = 0;
  b.RegisterAsOpenGLTexture(GL_TEXTURE_2D, TGLMinFilter::miLinearMipmapLinear, GL_RGBA8, w, h);
  EXPECT_EQ(w, 512);
  EXPECT_EQ(h, 256);
  EXPECT_EQ(Level(0, GL_TEXTURE_WIDTH), 512);
  EXPECT_EQ(Level(0, GL_TEXTURE_HEIGHT), 256);
  EXPECT_EQ(Level(1, GL_TEXTURE_WIDTH), 256) << "mipmaps";
  EXPECT_EQ(Level(9, GL_TEXTURE_WIDTH), 1);
  std::vector<TGLPixel32> texels(512 * 256);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  EXPECT_EQ(texels[128 * 512 + 200], Red) << "scaled over the whole texture";
  EXPECT_EQ(texels[128 * 512 + 300], Blue);
  std::vector<TGLPixel32> level8(2);
  glGetTexImage(GL_TEXTURE_2D, 8, GL_RGBA, GL_UNSIGNED_BYTE, level8.data());
  EXPECT_GT(level8[0].r, 200) << "a small level of the left half";

  // a power-of-two picture goes up as it is; a cube face through GLU
  TGLBitmap32 square;
  square.SetWidth(256);
  square.SetHeight(256);
  square.Data()[256 * 3 + 5] = {1, 2, 3, 4};
  square.RegisterAsOpenGLTexture(GL_TEXTURE_2D, TGLMinFilter::miNearest, GL_RGBA8, w, h);
  EXPECT_EQ(w, 256);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  EXPECT_EQ(texels[256 * 3 + 5], (TGLPixel32{1, 2, 3, 4}));
  GLuint cube = 0;
  glGenTextures(1, &cube);
  glBindTexture(GL_TEXTURE_CUBE_MAP, cube);
  square.RegisterAsOpenGLTexture(GL_TEXTURE_CUBE_MAP_POSITIVE_X, TGLMinFilter::miLinearMipmapNearest, GL_RGBA8);
  EXPECT_EQ(Level(1, GL_TEXTURE_WIDTH, GL_TEXTURE_CUBE_MAP_POSITIVE_X), 128);
  EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));

  EXPECT_NE(AssertionOf([&] { b.RegisterAsOpenGLTexture(GL_TEXTURE_2D, TGLMinFilter::miLinear, 0x8814); })
                .find("NV Float-type texture must use GL_TEXTURE_RECTANGLE_NV (scene3d\\GLGraphics, line 1025)"),
            std::string::npos);
  TGLBitmap32 empty;
  empty.RegisterAsOpenGLTexture(GL_TEXTURE_2D, TGLMinFilter::miLinear, GL_RGBA8);   // nothing to do
  glDeleteTextures(1, &tex);
  glDeleteTextures(1, &cube);
}

TEST_F(Bitmap32GLTest, ReadPixelsTakesWholeGroupsOfFourColumns) {
  Open(803, 20);
  glViewport(0, 0, 803, 20);
  glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, 0, 10, 5);
  glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  TGLBitmap32 b;
  b.ReadPixels(Rect(0, 0, 803, 20));
  EXPECT_EQ(b.Width(), 800);
  EXPECT_EQ(b.Height(), 20);
  EXPECT_EQ(b.ScanLine(0)[0], Red) << "row 0 is the bottom";
  EXPECT_EQ(b.ScanLine(19)[799], Green);
  auto shot = b.Create32BitBitmap();
  shot->SaveToFile("readpixels.bmp");
}
