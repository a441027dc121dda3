#include "scene3d/GLGraphics.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "scene3d/GLUtils.h"

namespace {
const char* const SourceName = "scene3d\\GLGraphics";

int RoundNearest(double X) { return static_cast<int>(std::nearbyint(X)); }   // ties to even

bool IsFloatFormat(GLenum Format) { return Format == 0x8814 || Format == 0x881A || Format == 0x888A || Format == 0x888B; }
}  // namespace

// Rounded, where the update chain's ramp (GetSqrt255Array) truncates: each
// unit keeps its own rule.
const uint8_t* GLGraphicsSqrtTable() {
  static uint8_t table[256] = {};
  if (table[255] != 255)
    for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(RoundNearest(std::sqrt(i / 255.0) * 255.0));
  return table;
}

IMPLEMENT_CLASSINFO(TGLBitmap32, TPersistent)

void TGLBitmap32::Resize() {
  FDataSize = FWidth * FHeight * 4;
  FData.resize(static_cast<size_t>(FDataSize));   // keeps the old bytes as far as they reach
  if (FDataSize == 0) FData.shrink_to_fit();
}

void TGLBitmap32::CheckSize(int64_t Width, int64_t Height) {
  if (Width * Height * 4 > std::numeric_limits<int32_t>::max())
    throw ETexture("Image too large: " + std::to_string(Width) + " x " + std::to_string(Height) + " pixels");
}

void TGLBitmap32::SetWidth(int Value) {
  Assert(Value >= 0, "", SourceName, 753);
  int64_t width = Value;
  if (width & 3) width = (width | 3) + 1;
  if (width == FWidth) return;
  CheckSize(width, FHeight);
  FWidth = static_cast<int>(width);
  Resize();
}

void TGLBitmap32::SetHeight(int Value) {
  Assert(Value >= 0, "", SourceName, 765);
  if (Value == FHeight) return;
  CheckSize(FWidth, Value);
  FHeight = Value;
  Resize();
}

void TGLBitmap32::Assign(TPersistent* Source) {
  if (!Source) {
    FWidth = FHeight = 0;
    Resize();
    return;
  }
  if (auto* b = dynamic_cast<TGLBitmap32*>(Source)) {
    if (b == this) return;
    FWidth = b->FWidth;
    FHeight = b->FHeight;
    FDataSize = b->FDataSize;
    FData = b->FData;
    return;
  }
  if (auto* bmp = dynamic_cast<TBitmap*>(Source); bmp && (bmp->Width() & 3) == 0) {
    if (bmp->PixelFormat() == TPixelFormat::pf24bit) return AssignFromBitmap(bmp, false);
    if (bmp->PixelFormat() == TPixelFormat::pf32bit) return AssignFromBitmap(bmp, true);
  }
  if (auto* g = dynamic_cast<TGraphic*>(Source)) {
    TBitmap temp;
    temp.SetPixelFormat(TPixelFormat::pf24bit);
    const int w = (g->Width() + 3) & ~3;
    temp.SetSize(w, g->Height());
    if (temp.Empty()) {
      Assign(nullptr);
      return;
    }
    if (w != g->Width()) temp.Canvas()->StretchDraw(Rect(0, 0, w, g->Height()), g);
    else temp.Canvas()->Draw(0, 0, g);
    AssignFromBitmap(&temp, false);
    return;
  }
  TPersistent::Assign(Source);
}

// Direct conversion of a 24- or 32-bit bitmap whose width is a multiple of 4.
void TGLBitmap32::AssignFromBitmap(TBitmap* Bitmap, bool Bits32) {
  if (Bits32) Assert(Bitmap->PixelFormat() == TPixelFormat::pf32bit, "", SourceName, 612);
  else Assert(Bitmap->PixelFormat() == TPixelFormat::pf24bit, "", SourceName, 544);
  Assert((Bitmap->Width() & 3) == 0, "", SourceName, Bits32 ? 613 : 545);
  const int step = Bits32 ? 4 : 3;
  CheckSize(Bitmap->Width(), Bitmap->Height());
  FWidth = Bitmap->Width();
  FHeight = Bitmap->Height();
  Resize();
  for (int y = 0; y < FHeight; ++y) {
    // the buffer fills from its last row down: scan line 0 (or, reversed,
    // the last one) first
    const auto* src = static_cast<const uint8_t*>(Bitmap->ScanLine(RowsReversed ? FHeight - 1 - y : y));
    TGLPixel32* dst = ScanLine(FHeight - 1 - y);
    for (int x = 0; x < FWidth; ++x, src += step) dst[x] = {src[2], src[1], src[0], Bits32 ? src[3] : uint8_t(255)};
  }
}

void TGLBitmap32::SetAlphaFromIntensity() {
  TGLPixel32* p = Data();
  for (int i = 0; i < FDataSize / 4; ++i) p[i].a = static_cast<uint8_t>((p[i].r + p[i].g + p[i].b) / 3);
}

void TGLBitmap32::SetAlphaFromIntensitySqrt() {
  const uint8_t* table = GLGraphicsSqrtTable();
  TGLPixel32* p = Data();
  for (int i = 0; i < FDataSize / 4; ++i) p[i].a = table[(p[i].r + p[i].g + p[i].b) / 3];
}

void TGLBitmap32::SetAlphaTransparentForColor(TColor Color) {
  SetAlphaTransparentForColor(TGLPixel24{static_cast<uint8_t>(Color & 0xFF), static_cast<uint8_t>((Color >> 8) & 0xFF),
                                         static_cast<uint8_t>((Color >> 16) & 0xFF)});
}

void TGLBitmap32::SetAlphaTransparentForColor(const TGLPixel24& Color) {
  TGLPixel32* p = Data();
  for (int i = 0; i < FDataSize / 4; ++i)
    p[i].a = p[i].r == Color.r && p[i].g == Color.g && p[i].b == Color.b ? 0 : 255;
}

void TGLBitmap32::SetAlphaToValue(uint8_t Value) {
  TGLPixel32* p = Data();
  for (int i = 0; i < FDataSize / 4; ++i) p[i].a = Value;
}

void TGLBitmap32::InvertAlpha() {
  TGLPixel32* p = Data();
  for (int i = 0; i < FDataSize / 4; ++i) p[i].a = static_cast<uint8_t>(255 - p[i].a);
}

void TGLBitmap32::GammaCorrection(float Gamma) {
  Assert(Gamma > 0, "", SourceName, 271);
  if (FData.empty()) return;
  const double exponent = Gamma <= 0.1f ? 10.0 : 1.0 / Gamma;
  uint8_t table[256];
  for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(RoundNearest(std::pow(i / 255.0, exponent) * 255.0));
  TGLPixel32* p = Data();
  for (int i = 0; i < FDataSize / 4; ++i) p[i] = {table[p[i].r], table[p[i].g], table[p[i].b], p[i].a};
}

void TGLBitmap32::BrightnessCorrection(float Factor) {
  Assert(Factor >= 0, "", SourceName, 324);
  if (FData.empty()) return;
  uint8_t table[256];
  for (int i = 0; i < 256; ++i) table[i] = static_cast<uint8_t>(RoundNearest(std::min(i * double(Factor), 255.0)));
  TGLPixel32* p = Data();
  for (int i = 0; i < FDataSize / 4; ++i) p[i] = {table[p[i].r], table[p[i].g], table[p[i].b], p[i].a};
}

void TGLBitmap32::GrayScaleToNormalMap(float Scale, bool WrapX, bool WrapY) {
  if (IsEmpty()) return;
  // Steeper than 1e15 per level the normals are flat on the ground already;
  // beyond it the squares below would overflow.
  Scale = std::isnan(Scale) ? 0.0f : std::clamp(Scale, -1e15f, 1e15f);
  std::vector<TGLPixel32> out(static_cast<size_t>(FWidth) * FHeight);
  const TGLPixel32* in = Data();
  auto height = [&](int X, int Y) { return static_cast<float>(in[static_cast<size_t>(Y) * FWidth + X].g); };
  auto clamp = [](float V) { return std::min(std::max(V, -128.0f), 127.0f); };
  for (int y = 0; y < FHeight; ++y) {
    const int above = y > 0 ? y - 1 : WrapY ? FHeight - 1 : y;
    const int below = y < FHeight - 1 ? y + 1 : WrapY ? 0 : y;
    for (int x = 0; x < FWidth; ++x) {
      const int left = x > 0 ? x - 1 : WrapX ? FWidth - 1 : x;
      const int right = x < FWidth - 1 ? x + 1 : WrapX ? 0 : x;
      const float dx = (height(left, y) - height(right, y)) * Scale;
      const float dy = (height(x, above) - height(x, below)) * Scale;
      const float n = 1.0f / std::sqrt(dx * dx + dy * dy + 1.0f) * 127.0f;
      out[static_cast<size_t>(y) * FWidth + x] = {static_cast<uint8_t>(RoundNearest(clamp(dx * n) + 128.0f)),
                                                  static_cast<uint8_t>(RoundNearest(clamp(dy * n) + 128.0f)),
                                                  static_cast<uint8_t>(RoundNearest(clamp(n) + 128.0f)), 255};
    }
  }
  std::memcpy(FData.data(), out.data(), FData.size());
}

std::unique_ptr<TBitmap> TGLBitmap32::Create32BitBitmap() const {
  auto b = std::make_unique<TBitmap>();
  b->SetPixelFormat(TPixelFormat::pf32bit);
  b->SetSize(FWidth, FHeight);
  for (int y = 0; y < FHeight; ++y) {
    auto* dst = static_cast<uint8_t*>(b->ScanLine(y));
    const TGLPixel32* src = Data() + static_cast<size_t>(FHeight - 1 - y) * FWidth;
    for (int x = 0; x < FWidth; ++x, dst += 4) {
      dst[0] = src[x].b;
      dst[1] = src[x].g;
      dst[2] = src[x].r;
      dst[3] = src[x].a;
    }
  }
  return b;
}

void TGLBitmap32::ReadPixels(const TRect& Area) {
  const int width = std::max(0, static_cast<int>(Area.right - Area.left)) & ~3;
  const int height = std::max(0, static_cast<int>(Area.bottom - Area.top));
  CheckSize(width, height);
  FWidth = width;
  FHeight = height;
  Resize();
  if (FDataSize) glReadPixels(0, 0, FWidth, FHeight, GL_RGBA, GL_UNSIGNED_BYTE, FData.data());
}

void TGLBitmap32::RegisterAsOpenGLTexture(GLenum Target, TGLMinFilter MinFilter, GLenum TextureFormat) {
  int w, h;
  RegisterAsOpenGLTexture(Target, MinFilter, TextureFormat, w, h);
}

void TGLBitmap32::RegisterAsOpenGLTexture(GLenum Target, TGLMinFilter MinFilter, GLenum TextureFormat,
                                          int& TexWidth, int& TexHeight) {
  if (FDataSize <= 0) return;
  GLint maxSize = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSize);
  TexWidth = RoundUpToPowerOf2(FWidth);
  TexHeight = RoundUpToPowerOf2(FHeight);
  if (maxSize > 0) {
    TexWidth = std::min(TexWidth, static_cast<int>(maxSize));
    TexHeight = std::min(TexHeight, static_cast<int>(maxSize));
  }
  if (IsFloatFormat(TextureFormat)) {
    Assert(Target == GL_TEXTURE_RECTANGLE_NV, "NV Float-type texture must use GL_TEXTURE_RECTANGLE_NV", SourceName,
           1025);
    glTexImage2D(Target, 0, static_cast<GLint>(TextureFormat), TexWidth, TexHeight, 0, GL_RGBA, GL_FLOAT, nullptr);
    return;
  }
  std::vector<uint8_t> scaled;
  const uint8_t* pixels = FData.data();
  if (TexWidth != FWidth || TexHeight != FHeight) {
    scaled.resize(static_cast<size_t>(TexWidth) * TexHeight * 4);
    gluScaleImage(GL_RGBA, FWidth, FHeight, GL_UNSIGNED_BYTE, FData.data(), TexWidth, TexHeight, GL_UNSIGNED_BYTE,
                  scaled.data());
    pixels = scaled.data();
  }
  if (MinFilter == TGLMinFilter::miNearest || MinFilter == TGLMinFilter::miLinear) {
    glTexImage2D(Target, 0, static_cast<GLint>(TextureFormat), TexWidth, TexHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixels);
  } else if (GL.SGIS_generate_mipmap && Target == GL_TEXTURE_2D) {
    glTexParameteri(Target, GL_GENERATE_MIPMAP_SGIS, 1);
    glTexImage2D(Target, 0, static_cast<GLint>(TextureFormat), TexWidth, TexHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 pixels);
  } else {
    gluBuild2DMipmaps(Target, static_cast<GLint>(TextureFormat), TexWidth, TexHeight, GL_RGBA, GL_UNSIGNED_BYTE,
                      pixels);
  }
}
