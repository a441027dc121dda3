// The globe as the main program shows it: a textured sphere lit by one
// parallel light, with point sets in front of it, in a window.
#include <gtest/gtest.h>

#include <cmath>

#include "ViewScene.h"
#include "scene3d/GLObjects.h"

namespace {
class GlobeScene : public testing::Test {
protected:
  TViewUnits Units;
};

const uint32_t Sea = 0x2050E0, Land = 0x40C040;
}  // namespace

TEST_F(GlobeScene, ALitTexturedSphereWithPointsShows) {
  TBaseScene s(320, 320);
  s.Buffer()->AmbientColor()->SetColor({0, 0, 0, 1});
  auto* globe = s.Scene->Objects()->AddNewChild<TGLSphere>();
  globe->SetSlices(32);
  globe->SetStacks(32);
  // Sea and land in stripes across the picture.
  std::unique_ptr<TBitmap> picture = MakeBitmap(128, 64, [](int x, int) { return x / 8 % 2 ? Land : Sea; });
  TGLTexture* texture = globe->Material()->Texture();
  texture->Assign(picture.get());
  texture->SetTextureMode(TGLTextureMode::tmModulate);
  texture->SetDisabled(false);
  auto* sun = s.Scene->Objects()->AddNewChild<TGLLightSource>();
  sun->SetLightStyle(TLightStyle::lsParallel);
  sun->SpotDirection()->SetVector(1, 0, 0);

  struct TSet {
    uint32_t Rgb;
    TAffineVector At[2];
  };
  const TSet sets[] = {{0xFFFF00, {{0.2f, 0.25f, 0.6f}, {0.3f, -0.1f, 0.6f}}},
                       {0xFF00FF, {{-0.25f, 0.3f, 0.6f}, {-0.1f, -0.3f, 0.6f}}}};
  for (const TSet& set : sets) {
    auto* points = s.Scene->Objects()->AddNewChild<TGLPoints>();
    points->SetSize(5);
    for (const TAffineVector& p : set.At) points->Positions()->Add(p);
    points->Colors()->Add(RgbVector(set.Rgb));
    points->StructureChanged();
  }

  TCapture f = s.Frame();
  SaveBmp(f, "globe.bmp");
  // 160 px per unit: the limbs at x = +-0.45 on the centre row.
  const uint32_t east = f.At(160 + 72, 160), west = f.At(160 - 72, 160);
  EXPECT_GT(Red(east) + Green(east) + Blue(east), 150) << std::hex << east << ": the lit limb";
  EXPECT_LT(Red(west) + Green(west) + Blue(west), 30) << std::hex << west << ": the limb away from the light";
  EXPECT_NE(east, 0u);
  // The texture shows: sea and land hues on the lit half.
  int sea = 0, land = 0;
  for (int x = 160; x < 240; ++x)
    for (int y = 90; y < 230; ++y) {
      const uint32_t c = f.At(x, y);
      if (Blue(c) > Green(c) + 30 && Blue(c) > Red(c) + 30) ++sea;
      if (Green(c) > Blue(c) + 30 && Green(c) > Red(c) + 30) ++land;
    }
  EXPECT_GT(sea + land, 2000);
  EXPECT_GT(land, 100);
  EXPECT_GT(sea, 100);
  // Each point lands where its position projects, in its colour, lit or not.
  for (const TSet& set : sets)
    for (const TAffineVector& p : set.At) {
      const TAffineVector w = s.Buffer()->WorldToScreen(p);
      const int x = static_cast<int>(std::floor(w[0])), y = 320 - 1 - static_cast<int>(std::floor(w[1]));
      EXPECT_EQ(f.At(x, y), set.Rgb) << p[0] << ", " << p[1];
      EXPECT_EQ(s.Buffer()->GetPixelColor(x, y), RGBColor(Red(set.Rgb), Green(set.Rgb), Blue(set.Rgb)));
    }
}
