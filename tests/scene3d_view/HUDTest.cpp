// Objects drawn over the view in window pixels: a HUD sprite and a HUD
// text stay where they were put while the camera orbits, and the globe
// scene gets its label, HUD picture and line.
#include <gtest/gtest.h>

#include "ViewScene.h"
#include "scene3d/GLCanvas.h"
#include "scene3d/GLHUDObjects.h"
#include "scene3d/GLWindowsFont.h"

namespace {
class HUD : public testing::Test {
protected:
  void SetUp() override { GLHUDObjects_Initialize(); }
  void TearDown() override { GLHUDObjects_Finalize(); }
  TViewUnits Units;
};

// The pixels of a frame inside a rectangle, row by row.
std::vector<uint32_t> Region(const TCapture& C, int Left, int Top, int Right, int Bottom) {
  std::vector<uint32_t> r;
  for (int y = Top; y < Bottom; ++y)
    for (int x = Left; x < Right; ++x) r.push_back(C.At(x, y));
  return r;
}

// The smallest box of the pixels that pass inside a rectangle.
RECT Lit(const TCapture& C, RECT Within, bool (*Passes)(uint32_t)) {
  RECT box{1 << 30, 1 << 30, -1, -1};
  for (int y = int(Within.top); y < int(Within.bottom); ++y)
    for (int x = int(Within.left); x < int(Within.right); ++x) {
      const uint32_t p = C.At(x, y);
      if (!Passes(p)) continue;
      box.left = std::min(box.left, LONG(x)), box.right = std::max(box.right, LONG(x));
      box.top = std::min(box.top, LONG(y)), box.bottom = std::max(box.bottom, LONG(y));
    }
  return box;
}
bool Greenish(uint32_t P) { return Green(P) > 64 && Red(P) < 64 && Blue(P) < 64; }
bool Whitish(uint32_t P) { return Red(P) > 96 && Green(P) > 96 && Blue(P) > 96; }
}  // namespace

TEST_F(HUD, SpriteAndTextKeepTheirPixelsWhileTheCameraOrbits) {
  TBaseScene view(200, 200);
  view.AddBall(0x0000FF);
  auto* sprite = view.Scene->Objects()->AddNewChild<TGLHUDSprite>();
  sprite->Position()->SetPoint(8, 8, 0);
  sprite->Material()->SetMaterialOptions({TMaterialOption::moNoLighting});
  sprite->Material()->FrontProperties()->Diffuse()->SetColor(RgbVector(0xFF0000));
  EXPECT_EQ(sprite->Width(), 16.0f);

  TGLWindowsBitmapFont font(nullptr);
  font.Font()->SetName("Tahoma");
  font.Font()->SetHeight(-14);
  auto* text = view.Scene->Objects()->AddNewChild<TGLHUDText>();
  text->SetBitmapFont(&font);
  text->SetText("H");
  text->Position()->SetPoint(150, 20, 0);
  text->ModulateColor()->SetColor(RgbVector(0x00FF00));

  TCapture first;
  for (int step = 0; step < 6; ++step) {
    SCOPED_TRACE(step);
    const TCapture c = view.Frame();
    for (int y = 1; y < 15; ++y)
      for (int x = 1; x < 15; ++x) ASSERT_EQ(c.At(x, y), 0xFF0000u) << x << "," << y;
    for (int i = 0; i < 24; ++i) {
      EXPECT_EQ(c.At(16, i), 0u) << "right of the sprite, row " << i;
      EXPECT_EQ(c.At(i, 16), 0u) << "below the sprite, column " << i;
    }
    const RECT h = Lit(c, {100, 0, 200, 60}, Greenish);
    EXPECT_GE(h.left, 150);
    EXPECT_LE(h.right, 150 + font.TextWidth("H"));
    EXPECT_GE(h.top, 20);
    EXPECT_LE(h.bottom, 20 + font.CharHeight());
    EXPECT_GT(Green(c.At((h.left + h.right) / 2, (h.top + h.bottom) / 2)), 200) << "the bar of the H";
    EXPECT_EQ(Blue(c.At(100, 100)), 255) << "the ball is drawn under the HUD";
    if (step == 0) {
      first = c;
      SaveBmp(c, "hud_orbit.bmp");
    } else {
      EXPECT_TRUE(Region(c, 0, 0, 24, 24) == Region(first, 0, 0, 24, 24)) << "the sprite did not move";
      EXPECT_TRUE(Region(c, 140, 10, 180, 50) == Region(first, 140, 10, 180, 50)) << "the text did not move";
    }
    view.Camera->MoveAroundTarget(17, 29);
  }
  // A text without a font draws nothing but still renders its children.
  text->SetBitmapFont(nullptr);
  EXPECT_EQ(font.UserCount(), 0);
  auto* child = text->AddNewChild<TGLHUDSprite>();
  child->Position()->SetPoint(100, 190, 0);
  child->Material()->SetMaterialOptions({TMaterialOption::moNoLighting});
  child->Material()->FrontProperties()->Diffuse()->SetColor(RgbVector(0xFF0000));
  const TCapture c = view.Frame();
  EXPECT_EQ(Lit(c, {100, 0, 200, 60}, Greenish).right, -1) << "no text";
  EXPECT_EQ(c.At(100, 190), 0xFF0000u) << "the child";
}

TEST_F(HUD, TheGlobeWithALabelAHUDPictureAndALine) {
  TBaseScene view(320, 240);
  view.Buffer()->SetBackgroundColor(clBlack);
  view.Camera->SetFocalLength(40);
  auto* light = view.Scene->Objects()->AddNewChild<TGLLightSource>();
  light->Position()->SetPoint(2, 3, 4);
  auto* globe = view.Scene->Objects()->AddNewChild<TGLSphere>();
  globe->SetRadius(0.5f);
  globe->SetSlices(48);
  globe->SetStacks(24);
  globe->Material()->FrontProperties()->Diffuse()->SetColor(RgbVector(0x2060C0));

  auto* line = view.Scene->Objects()->AddNewChild<TGLLines>();
  line->SetNodesAspect(TLineNodesAspect::lnaInvisible);
  line->SetLineWidth(2);
  line->LineColor()->SetColor(RgbVector(0xFFFF00));
  for (auto [x, y] : {std::pair{-0.9f, -0.6f}, std::pair{0.9f, 0.6f}}) {
    TGLLinesNode* node = line->Nodes()->Add();
    node->SetX(x), node->SetY(y), node->SetZ(0.8f);
  }

  auto* picture = view.Scene->Objects()->AddNewChild<TGLHUDSprite>();
  picture->Position()->SetPoint(300, 20, 0);
  picture->SetWidth(24);
  picture->SetHeight(24);
  picture->Material()->SetMaterialOptions({TMaterialOption::moNoLighting});
  picture->Material()->FrontProperties()->Diffuse()->SetColor(RgbVector(0xFF00FF));

  // The label is drawn the way the globe's callback draws its texts.
  TGLWindowsBitmapFont font(nullptr);
  font.Font()->SetName("Tahoma");
  font.Font()->SetHeight(-12);
  const std::string label = "Vantrel 127.0.0.1";
  auto* labels = view.Scene->Objects()->AddNewChild<TGLDirectOpenGL>();
  labels->OnRender = [&](TObject*, TRenderContextInfo& rci) {
    TGLCanvas canvas(rci.viewPortSize[0], rci.viewPortSize[1], rci.stateCache);
    font.DrawTextAt(rci, label, 10, 10, {1, 1, 1, 1});
  };

  const TCapture c = view.Frame();
  SaveBmp(c, "globe_label.bmp");
  const RECT text = Lit(c, {0, 0, 200, 40}, Whitish);
  EXPECT_GE(text.left, 10);
  EXPECT_LE(text.right, 10 + font.TextWidth(label));
  EXPECT_GE(text.top, 10);
  EXPECT_LE(text.bottom, 10 + font.CharHeight());
  EXPECT_GT(text.right - text.left, font.TextWidth(label) / 2);
  EXPECT_EQ(c.At(300, 20), 0xFF00FFu) << "the HUD picture";
  EXPECT_EQ(c.At(289, 9), 0xFF00FFu);
  EXPECT_EQ(c.At(287, 20), 0u);
  const uint32_t lit = c.At(200, 60), shaded = c.At(120, 200);
  EXPECT_GT(Blue(lit), 2 * Red(lit)) << "the globe, lit from the upper right";
  EXPECT_GT(Blue(lit), Blue(shaded) + 40);
  int yellow = 0;
  for (int x = 0; x < 320; ++x)
    for (int y = 0; y < 240; ++y) yellow += Red(c.At(x, y)) > 200 && Green(c.At(x, y)) > 200 && Blue(c.At(x, y)) < 60;
  EXPECT_GT(yellow, 150) << "the line across the globe";
}

TEST_F(HUD, XTilesRepeatTheTextureAcross) {
  TBaseScene view(200, 200);
  auto* sprite = view.Scene->Objects()->AddNewChild<TGLHUDSprite>();
  sprite->Position()->SetPoint(100, 100, 0);
  sprite->SetWidth(60);
  sprite->SetHeight(20);
  sprite->SetXTiles(3);
  TGLMaterial* m = sprite->Material();
  m->SetMaterialOptions({TMaterialOption::moNoLighting});
  TGLTexture* t = m->Texture();
  t->SetDisabled(false);
  t->SetTextureMode(TGLTextureMode::tmReplace);
  t->SetMinFilter(TGLMinFilter::miNearest);
  t->SetMagFilter(TGLMagFilter::maNearest);
  std::unique_ptr<TBitmap> picture = MakeBitmap(2, 2, [](int x, int) { return x == 0 ? 0xFF0000u : 0x00FF00u; });
  t->Image()->Assign(picture.get());
  const TCapture c = view.Frame();
  SaveBmp(c, "hud_tiles.bmp");
  // The sprite spans x 70..129: three tiles of 20 pixels, each red then green.
  for (int tile = 0; tile < 3; ++tile) {
    SCOPED_TRACE(tile);
    EXPECT_EQ(c.At(70 + 20 * tile + 4, 100), 0xFF0000u);
    EXPECT_EQ(c.At(70 + 20 * tile + 15, 100), 0x00FF00u);
  }
  EXPECT_EQ(c.At(68, 100), 0u);
  EXPECT_EQ(c.At(131, 100), 0u);
}
