// A HUD sprite drawn straight into a view at another DPI: its size and
// position grow alike, counted from the viewport's top-left corner.
#include "TextFixture.h"
#include "scene3d/GLHUDObjects.h"

namespace {
class HUDDpi : public GLView {
protected:
  void SetUp() override {
    GLView::SetUp();
    GLHUDObjects_Initialize();
  }
  void TearDown() override {
    GLHUDObjects_Finalize();
    GLView::TearDown();
  }
};
}  // namespace

TEST_F(HUDDpi, At120DpiASpriteIsLargerAndItsPositionScaledAlike) {
  TGLHUDSprite sprite(nullptr);
  sprite.Position()->SetPoint(8, 8, 0);
  sprite.Material()->SetMaterialOptions({TMaterialOption::moNoLighting});
  sprite.Material()->FrontProperties()->Diffuse()->SetColor({1, 1, 1, 1});
  for (int dpi : {96, 120}) {
    SCOPED_TRACE(dpi);
    rci.renderDPI = dpi;
    Clear();
    sprite.Render(rci);
    const TLitBox box = LitBox(Frame());
    const int size = dpi == 96 ? 16 : 20;
    EXPECT_EQ(box.Left, 0);
    EXPECT_EQ(box.Top, 0);
    EXPECT_EQ(box.Right, size - 1);
    EXPECT_EQ(box.Bottom, size - 1);
    EXPECT_EQ(box.Count, size * size);
  }
}
