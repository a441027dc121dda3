#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>

#include "TestPaths.h"
#include "classlib/Jpeg.h"

namespace {
class JpegTest : public testing::Test {
protected:
  void SetUp() override { Jpeg_Initialize(); }
  void TearDown() override { Jpeg_Finalize(); }
};

// A smooth 96 x 64 picture: red across, green down, blue a diagonal.
void Paint(TBitmap& B) {
  B.SetPixelFormat(TPixelFormat::pf24bit);
  B.SetSize(96, 64);
  for (int y = 0; y < 64; ++y) {
    auto* p = static_cast<uint8_t*>(B.ScanLine(y));
    for (int x = 0; x < 96; ++x, p += 3) {
      p[2] = static_cast<uint8_t>(x * 255 / 95);
      p[1] = static_cast<uint8_t>(y * 255 / 63);
      p[0] = static_cast<uint8_t>((x + y) * 255 / 158);
    }
  }
}

std::string Encoded(TBitmap& B, int Quality) {
  TJPEGImage j;
  j.SetCompressionQuality(Quality);
  j.Assign(&B);
  TStringStream s;
  j.SaveToStream(s);
  return s.DataString();
}

bool RaisesPictureError(const std::string& Data, TJPEGImage& J) {
  TStringStream s(Data);
  try {
    J.LoadFromStream(s);
  } catch (const EInvalidGraphic& e) {
    return dynamic_cast<const EJPEG*>(&e) && e.Message.rfind("JPEG error", 0) == 0;
  }
  return false;
}
}  // namespace

TEST_F(JpegTest, QualityNinetyDecodesWithinJpegTolerance) {
  TBitmap original;
  Paint(original);
  const std::string q90 = Encoded(original, 90);
  ASSERT_GT(q90.size(), 100u);
  EXPECT_EQ(q90.substr(0, 2), "\xFF\xD8");
  EXPECT_LT(Encoded(original, 10).size(), q90.size());

  TJPEGImage j;
  TStringStream s(q90);
  j.LoadFromStream(s);
  ASSERT_EQ(j.Width(), 96);
  ASSERT_EQ(j.Height(), 64);
  TBitmap decoded;
  decoded.Assign(&j);
  EXPECT_EQ(decoded.PixelFormat(), TPixelFormat::pf24bit);
  int worst = 0;
  double sum = 0;
  for (int y = 0; y < 64; ++y) {
    auto* a = static_cast<uint8_t*>(original.ScanLine(y));
    auto* b = static_cast<uint8_t*>(decoded.ScanLine(y));
    for (int i = 0; i < 96 * 3; ++i) {
      const int d = std::abs(a[i] - b[i]);
      worst = std::max(worst, d);
      sum += d;
    }
  }
  EXPECT_LE(worst, 16);
  EXPECT_LT(sum / (96 * 64 * 3), 2.0);

  // saved unchanged, the file is the one loaded; a new quality compresses again
  TStringStream again;
  j.SaveToStream(again);
  EXPECT_EQ(again.DataString(), q90);
  j.SetCompressionQuality(10);
  TStringStream low;
  j.SaveToStream(low);
  EXPECT_LT(low.Size(), static_cast<int64_t>(q90.size()));
  EXPECT_THROW(j.SetWidth(3), EInvalidGraphicOperation);
}

TEST_F(JpegTest, TruncatedOrNoiseRaisesThePictureErrorAndKeepsThePicture) {
  TBitmap original;
  Paint(original);
  const std::string file = Encoded(original, 90);
  TJPEGImage j;
  TStringStream s(file);
  j.LoadFromStream(s);

  for (size_t cut : {size_t(0), size_t(2), size_t(20), file.size() / 3, file.size() / 2, file.size() - 2})
    EXPECT_TRUE(RaisesPictureError(file.substr(0, cut), j)) << "cut at " << cut;
  std::string noise(4000, '\0');
  srand(7);
  for (char& c : noise) c = static_cast<char>(rand());
  EXPECT_TRUE(RaisesPictureError(noise, j));
  noise.replace(0, 2, "\xFF\xD8");
  EXPECT_TRUE(RaisesPictureError(noise, j));
  EXPECT_EQ(j.Width(), 96) << "the picture is kept";

  // a huge size in the frame header is refused before any pixel is made
  std::string big = file;
  const size_t sof = big.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  big[sof + 5] = big[sof + 6] = big[sof + 7] = big[sof + 8] = '\xFF';
  EXPECT_TRUE(RaisesPictureError(big, j));
}

TEST_F(JpegTest, PicturesPickTheirClassByExtension) {
  const std::string dir = TempFolder("pictures");
  TBitmap original;
  Paint(original);
  original.SaveToFile(dir + "\\a.bmp");
  TJPEGImage j;
  j.Assign(&original);
  j.SaveToFile(dir + "\\b.JPG");
  WriteTextFile(dir + "\\c.jpeg", "not a picture");

  TPicture p;
  int changes = 0;
  p.OnChange = [&](TObject*) { ++changes; };
  p.LoadFromFile(dir + "\\a.bmp");
  EXPECT_TRUE(p.Graphic()->InheritsFrom(TBitmap::StaticClass()));
  p.LoadFromFile(dir + "\\b.JPG");
  EXPECT_TRUE(p.Graphic()->InheritsFrom(TJPEGImage::StaticClass()));
  EXPECT_EQ(p.Width(), 96);
  EXPECT_EQ(changes, 2);
  EXPECT_THROW(p.LoadFromFile(dir + "\\c.jpeg"), EJPEG);
  EXPECT_TRUE(p.Graphic()->InheritsFrom(TJPEGImage::StaticClass())) << "kept after a failed load";
  try {
    p.LoadFromFile(dir + "\\a.xyz");
    ADD_FAILURE();
  } catch (const EInvalidGraphic& e) {
    EXPECT_EQ(e.Message, "Unknown picture file extension (.xyz)");
  }

  TBitmap* b = p.Bitmap();   // the JPEG picture gives way to an empty bitmap
  EXPECT_TRUE(b->Empty());
  p.Assign(&j);
  EXPECT_NE(p.Graphic(), &j);
  TBitmap drawn;
  drawn.Assign(&p);
  EXPECT_EQ(drawn.Width(), 96);
  EXPECT_NEAR(drawn.Canvas()->Pixels(95, 0) & 0xFF, 255, 16);

  Jpeg_Finalize();
  EXPECT_THROW(p.LoadFromFile(dir + "\\b.JPG"), EInvalidGraphic) << "unregistered with its unit";
  Jpeg_Initialize();
}
