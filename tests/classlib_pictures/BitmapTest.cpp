#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "TestPaths.h"
#include "classlib/Graphics.h"

namespace {
uint8_t* Row(TBitmap& B, int Y) { return static_cast<uint8_t*>(B.ScanLine(Y)); }

// A 24-bit picture whose pixel (x, y) is (x * 40, y * 60, x + y) as R, G, B.
void Paint24(TBitmap& B, int W, int H) {
  B.SetPixelFormat(TPixelFormat::pf24bit);
  B.SetSize(W, H);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      uint8_t* p = Row(B, y) + 3 * x;
      p[0] = static_cast<uint8_t>(x + y);
      p[1] = static_cast<uint8_t>(y * 60);
      p[2] = static_cast<uint8_t>(x * 40);
    }
}

std::string Saved(TBitmap& B) {
  TStringStream s;
  B.SaveToStream(s);
  return s.DataString();
}

void PutDword(std::string& S, size_t At, uint32_t V) { std::memcpy(&S[At], &V, 4); }
void PutWord(std::string& S, size_t At, uint16_t V) { std::memcpy(&S[At], &V, 2); }

bool Rejects(const std::string& File) {
  TBitmap b;
  b.SetSize(2, 2);
  TStringStream s(File);
  try {
    b.LoadFromStream(s);
  } catch (const EInvalidGraphic& e) {
    return e.Message == "Bitmap image is not valid" && b.Width() == 2;
  }
  return false;
}
}  // namespace

TEST(Bitmap, FilesRoundTripInEachPixelFormatAndLeaveTheStreamAfterThem) {
  TBitmap a;
  Paint24(a, 5, 3);
  TBitmap c;
  c.SetPixelFormat(TPixelFormat::pf32bit);
  c.SetSize(3, 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x) std::memcpy(Row(c, y) + 4 * x, "\x10\x20\x30\x80", 4);
  Row(c, 1)[11] = 0x7F;   // the fourth byte travels too
  TStringStream s;
  a.SaveToStream(s);
  c.SaveToStream(s);
  EXPECT_EQ(s.Size(), 54 + 3 * 16 + 54 + 2 * 12);

  s.SetPosition(0);
  TBitmap a2, c2;
  a2.LoadFromStream(s);
  EXPECT_EQ(s.Position(), 54 + 3 * 16) << "the second picture is still to come";
  c2.LoadFromStream(s);
  EXPECT_EQ(a2.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(c2.PixelFormat(), TPixelFormat::pf32bit);
  ASSERT_EQ(a2.Width(), 5);
  ASSERT_EQ(a2.Height(), 3);
  for (int y = 0; y < 3; ++y) EXPECT_EQ(std::memcmp(Row(a2, y), Row(a, y), 15), 0) << "row " << y;
  EXPECT_EQ(std::memcmp(Row(c2, 1), Row(c, 1), 12), 0);
  EXPECT_EQ(Row(c2, 1)[11], 0x7F);

  // paletted and 5-6-5 pictures keep their layout and palette
  for (TPixelFormat f : {TPixelFormat::pf1bit, TPixelFormat::pf4bit, TPixelFormat::pf8bit, TPixelFormat::pf15bit,
                         TPixelFormat::pf16bit}) {
    TBitmap p;
    p.SetPixelFormat(f);
    p.SetSize(9, 4);
    p.Canvas()->Brush()->SetColor(clWhite);
    p.Canvas()->FillRect(Rect(0, 0, 4, 2));
    const std::string file = Saved(p);
    TBitmap q;
    TStringStream in(file);
    q.LoadFromStream(in);
    EXPECT_EQ(q.PixelFormat(), f) << static_cast<int>(f);
    EXPECT_EQ(Saved(q), file) << static_cast<int>(f);
    EXPECT_EQ(q.Canvas()->Pixels(1, 1), clWhite) << static_cast<int>(f);
    EXPECT_EQ(q.Canvas()->Pixels(5, 3), clBlack) << static_cast<int>(f);
  }
}

TEST(Bitmap, EveryHeaderFieldIsCheckedAgainstTheData) {
  TBitmap a;
  Paint24(a, 5, 3);
  const std::string good = Saved(a);
  ASSERT_FALSE(Rejects(good));
  for (size_t n = 0; n < good.size(); ++n) EXPECT_TRUE(Rejects(good.substr(0, n))) << "cut at " << n;

  struct TMutation {
    const char* What;
    std::function<void(std::string&)> Apply;
  };
  const TMutation mutations[] = {
      {"signature", [](std::string& f) { f[1] = 'A'; }},
      {"file size beyond the data", [&](std::string& f) { PutDword(f, 2, static_cast<uint32_t>(good.size() + 1)); }},
      {"file size below the pixels", [](std::string& f) { PutDword(f, 2, 60); }},
      {"pixel offset beyond the file", [](std::string& f) { PutDword(f, 10, 200); }},
      {"pixel offset inside the header", [](std::string& f) { PutDword(f, 10, 40); }},
      {"header size", [](std::string& f) { PutDword(f, 14, 44); }},
      {"zero width", [](std::string& f) { PutDword(f, 18, 0); }},
      {"negative width", [](std::string& f) { PutDword(f, 18, 0xFFFFFFFB); }},
      {"zero height", [](std::string& f) { PutDword(f, 22, 0); }},
      {"more rows than data", [](std::string& f) { PutDword(f, 22, 4); }},
      {"rows as wide as memory", [](std::string& f) { PutDword(f, 18, 0x7FFFFFFF); }},
      {"planes", [](std::string& f) { PutWord(f, 26, 2); }},
      {"bit count", [](std::string& f) { PutWord(f, 28, 7); }},
      {"run-length compression", [](std::string& f) { PutDword(f, 30, 1); }},
      {"bit fields on 24 bits", [](std::string& f) { PutDword(f, 30, 3); }},
  };
  for (const TMutation& m : mutations) {
    std::string f = good;
    m.Apply(f);
    EXPECT_TRUE(Rejects(f)) << m.What;
  }

  // an 8-bit picture may not name more colours than its palette holds
  TBitmap p;
  p.SetPixelFormat(TPixelFormat::pf8bit);
  p.SetSize(4, 1);
  std::string f = Saved(p);
  PutDword(f, 46, 257);
  EXPECT_TRUE(Rejects(f));
  PutDword(f, 46, 0x40000000);
  EXPECT_TRUE(Rejects(f));
}

TEST(Bitmap, OtherFileLayoutsRead) {
  // top-down rows, a core header with a 3-byte palette, and 32-bit bit
  // fields with red in the low byte
  std::string top = Saved(*[] {
    static TBitmap a;
    Paint24(a, 2, 2);
    return &a;
  }());
  std::string rows = top.substr(54);
  PutDword(top, 22, static_cast<uint32_t>(-2));
  top.replace(54, std::string::npos, rows.substr(8) + rows.substr(0, 8));
  TBitmap t;
  TStringStream ts(top);
  t.LoadFromStream(ts);
  EXPECT_EQ(t.Canvas()->Pixels(1, 0), TColor(40 | 0 << 8 | 1 << 16));
  EXPECT_EQ(t.Canvas()->Pixels(0, 1), TColor(0 | 60 << 8 | 1 << 16));

  std::string core("BM", 2);
  core.resize(14 + 12 + 6 + 4);
  PutDword(core, 2, static_cast<uint32_t>(core.size()));
  PutDword(core, 10, 14 + 12 + 6);
  PutDword(core, 14, 12);
  PutWord(core, 18, 3);
  PutWord(core, 20, 1);
  PutWord(core, 22, 1);
  PutWord(core, 24, 1);
  core.replace(26, 6, std::string("\x00\x00\xFF\xFF\x00\x00", 6));   // red, blue
  core[32] = static_cast<char>(0x40);                                 // pixels 0, 1, 0
  TBitmap c;
  TStringStream cs(core);
  c.LoadFromStream(cs);
  EXPECT_EQ(c.PixelFormat(), TPixelFormat::pf1bit);
  EXPECT_EQ(c.Canvas()->Pixels(0, 0), clRed);
  EXPECT_EQ(c.Canvas()->Pixels(1, 0), clBlue);

  std::string bf("BM", 2);
  bf.resize(14 + 40 + 12 + 4);
  PutDword(bf, 2, static_cast<uint32_t>(bf.size()));
  PutDword(bf, 10, 14 + 40 + 12);
  PutDword(bf, 14, 40);
  PutDword(bf, 18, 1);
  PutDword(bf, 22, 1);
  PutWord(bf, 26, 1);
  PutWord(bf, 28, 32);
  PutDword(bf, 30, 3);
  PutDword(bf, 54, 0xFF);
  PutDword(bf, 58, 0xFF00);
  PutDword(bf, 62, 0xFF0000);
  PutDword(bf, 66, 0x00302010);   // R 0x10, G 0x20, B 0x30
  TBitmap b;
  TStringStream bs(bf);
  b.LoadFromStream(bs);
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_EQ(b.Canvas()->Pixels(0, 0), TColor(0x302010));
}

TEST(Bitmap, CanvasSizeAndFormatChangesKeepThePicture) {
  TBitmap b;
  EXPECT_TRUE(b.Empty());
  EXPECT_THROW(b.ScanLine(0), EInvalidGraphic);
  b.SetPixelFormat(TPixelFormat::pf24bit);
  b.SetSize(6, 4);
  b.Canvas()->Brush()->SetColor(TColor(0x0080FF));
  b.Canvas()->FillRect(Rect(0, 0, 3, 4));
  EXPECT_EQ(Row(b, 3)[0], 0x00);   // B, G, R of the drawn colour
  EXPECT_EQ(Row(b, 3)[1], 0x80);
  EXPECT_EQ(Row(b, 3)[2], 0xFF);
  EXPECT_EQ(Row(b, 3)[9], 0x00) << "right half untouched";
  BITMAP bm;
  EXPECT_TRUE(GetObjectA(b.Handle(), sizeof bm, &bm)) << "the handle is free for others";
  HDC dc = CreateCompatibleDC(nullptr);
  EXPECT_NE(SelectObject(dc, b.Handle()), nullptr) << "and not selected into the canvas's context";
  DeleteDC(dc);
  EXPECT_THROW(b.ScanLine(4), EInvalidGraphic);

  b.SetSize(8, 5);
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf24bit);
  EXPECT_EQ(b.Canvas()->Pixels(2, 3), TColor(0x0080FF)) << "kept";
  EXPECT_EQ(b.Canvas()->Pixels(7, 4), clBlack) << "new area black";
  b.SetPixelFormat(TPixelFormat::pf32bit);
  EXPECT_EQ(Row(b, 0)[4 * 2 + 2], 0xFF);
  EXPECT_EQ(b.Width(), 8);

  TBitmap copy;
  copy.Assign(&b);
  EXPECT_EQ(copy.PixelFormat(), TPixelFormat::pf32bit);
  EXPECT_EQ(copy.Canvas()->Pixels(2, 3), TColor(0x0080FF));
  EXPECT_NE(copy.Handle(), b.Handle());
  b.SetSize(0, 0);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(b.PixelFormat(), TPixelFormat::pf32bit);
}
