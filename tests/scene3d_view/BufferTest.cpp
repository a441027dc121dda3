// The scene buffer behind a real viewer: frames, read-backs, snapshots and
// the memory viewer.
#include <gtest/gtest.h>

#include <cmath>

#include "ViewScene.h"

namespace {
class Buffer : public testing::Test {
protected:
  TViewUnits Units;
};

// Draws over the frame's top pixel row in Rgb.
void PaintTopRow(TBaseScene& S, uint32_t Rgb) {
  auto* row = S.Scene->Objects()->AddNewChild<TGLDirectOpenGL>();
  row->OnRender = [Rgb](TObject*, TRenderContextInfo& rci) {
    const TVector c = RgbVector(Rgb);
    rci.stateCache->Enable(TGLState::stScissorTest);
    glScissor(0, rci.viewPortSize[1] - 1, rci.viewPortSize[0], 1);
    glClearColor(c[0], c[1], c[2], 1);
    glClear(GL_COLOR_BUFFER_BIT);
    rci.stateCache->Disable(TGLState::stScissorTest);
  };
}

// Clears the back buffer of the buffer's context to blue: what a back
// buffer may hold once it has been swapped.
void ScribbleBackBuffer(TScene3DBuffer* B) {
  B->RenderingContext()->Activate();
  glDrawBuffer(GL_BACK);
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glFinish();
  B->RenderingContext()->Deactivate();
}

uint32_t BitmapPixel(TBitmap& B, int X, int Y) {   // a 32-bit bitmap, row 0 the top
  const auto* p = static_cast<const uint8_t*>(B.ScanLine(Y)) + 4 * X;
  return uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
}
}  // namespace

TEST_F(Buffer, ClearColourFillsTheFrameAndFramesAreCounted) {
  TBaseScene s(160, 120);
  s.Buffer()->SetBackgroundColor(RGBColor(0x20, 0x80, 0xC0));
  TCapture f = s.Frame();
  ASSERT_EQ(f.Width, 160);
  ASSERT_EQ(f.Height, 120);
  EXPECT_EQ(f.Count(0x2080C0), 160 * 120) << std::hex << f.At(0, 0) << " " << f.At(80, 60);
  SaveBmp(f, "clear.bmp");
  EXPECT_EQ(s.Buffer()->FrameCount(), 1);
  EXPECT_GT(s.Buffer()->LastRenderTime(), 0.0f);
  s.Buffer()->Render();
  EXPECT_EQ(s.Buffer()->FrameCount(), 2);
  EXPECT_GT(s.Buffer()->FramesPerSecond(), 0.0f);
  s.Buffer()->ResetPerformanceMonitor();
  EXPECT_EQ(s.Buffer()->FrameCount(), 0);
  EXPECT_EQ(s.Buffer()->FramesPerSecond(), 0.0f);

  // A pixel-format option makes the viewer make its window and context afresh.
  const HWND former = s.Form->Viewer->Handle();
  s.Buffer()->SetContextOptions({TContextOption::roDoubleBuffer, TContextOption::roRenderToWindow,
                                 TContextOption::roNoSwapBuffers});
  EXPECT_NE(s.Form->Viewer->Handle(), former);
  ASSERT_TRUE(s.Buffer()->RCInstantiated());
  s.Buffer()->SetBackgroundColor(clRed);
  s.Buffer()->Render();
  EXPECT_EQ(s.Buffer()->GetPixelColor(5, 5), clRed) << "drawn, though never presented";
}

TEST_F(Buffer, WithoutCameraNothingIsReadAndPointsStayAsTheyAre) {
  TBaseScene s;
  s.Buffer()->Render();
  s.Form->Viewer->SetCamera(nullptr);
  EXPECT_EQ(s.Buffer()->GetPixelColor(5, 5), 0u);
  const TVector p{0.25f, -3.0f, 7.0f, 1.0f};
  EXPECT_EQ(s.Buffer()->WorldToScreen(p), p);
  std::unique_ptr<TGLBitmap32> shot = s.Buffer()->CreateSnapShot();
  EXPECT_EQ(shot->Width(), 200);
  EXPECT_EQ(SnapshotPixel(*shot, 5, 5), 0u) << "an empty image, nothing read";

  TScene3DBuffer lone(nullptr);
  lone.Resize(0, -5);
  EXPECT_EQ(lone.Width(), 1);
  EXPECT_EQ(lone.Height(), 1);
  // A camera outside any scene is not attached.
  TGLCamera stray(nullptr);
  lone.SetCamera(&stray);
  EXPECT_EQ(lone.Camera(), nullptr);
  EXPECT_FALSE(lone.RCInstantiated());
  lone.Render();   // nothing without a context
  EXPECT_EQ(lone.FrameCount(), 0);
}

TEST_F(Buffer, WorldToScreenAndGetPixelColorAgreeOnDrawnPoints) {
  TBaseScene s(200, 160);
  struct TPointCase {
    float X, Y, Z;
    uint32_t Rgb;
  };
  const TPointCase points[] = {{0.3f, 0.2f, 0.0f, 0xFF2000}, {-0.6f, -0.4f, 0.1f, 0x10E040},
                               {0.7f, -0.55f, -0.3f, 0x4060FF}};
  for (const TPointCase& p : points) s.AddSquare(p.X, p.Y, p.Z, 0.08f, p.Rgb);
  PaintTopRow(s, 0xFFFF00);
  s.Buffer()->Render();
  for (const TPointCase& p : points) {
    const TVector w = s.Buffer()->WorldToScreen(TVector{p.X, p.Y, p.Z, 1.0f});
    // y counts from the bottom in window coordinates, from the top for GetPixelColor
    const int x = static_cast<int>(std::floor(w[0])), y = 160 - 1 - static_cast<int>(std::floor(w[1]));
    EXPECT_EQ(s.Buffer()->GetPixelColor(x, y), RGBColor(Red(p.Rgb), Green(p.Rgb), Blue(p.Rgb)))
        << "at " << p.X << ", " << p.Y;
  }
  // The orthogonal view spans [-1, 1] across the larger dimension: 100 px per unit.
  const TAffineVector a = s.Buffer()->WorldToScreen(TAffineVector{0.3f, 0.2f, 0.0f});
  EXPECT_NEAR(a[0], 130.0f, 0.01f);
  EXPECT_NEAR(a[1], 100.0f, 0.01f);
  // Row 0 is the top row of the frame, row 1 the one below it.
  EXPECT_EQ(s.Buffer()->GetPixelColor(10, 0), RGBColor(0xFF, 0xFF, 0));
  EXPECT_EQ(s.Buffer()->GetPixelColor(10, 1), clBlack);
  EXPECT_EQ(s.Buffer()->GetPixelColor(10, 159), clBlack);
}

TEST_F(Buffer, ReadBacksAndSnapshotsShowTheFrameOnScreen) {
  TBaseScene s(120, 100);
  s.Buffer()->SetBackgroundColor(clRed);
  std::unique_ptr<TBitmap> taken;
  s.Form->Viewer->SetAfterRender([&](TObject*) {
    // After the swap: whatever the back buffer holds now, the snapshot is what is shown.
    ScribbleBackBuffer(s.Buffer());
    taken = s.Buffer()->CreateSnapShotBitmap();
  });
  s.Buffer()->Render();
  ASSERT_TRUE(taken);
  EXPECT_EQ(taken->Width(), 120);
  EXPECT_EQ(taken->Height(), 100);
  EXPECT_EQ(BitmapPixel(*taken, 3, 3), 0xFF0000u);
  EXPECT_EQ(BitmapPixel(*taken, 116, 96), 0xFF0000u);
  EXPECT_EQ(s.Buffer()->GetPixelColor(60, 50), clRed);
}

// A window of any width snapshots the same way the memory viewer does: the
// width rounded down to a multiple of 4, every column one of the frame's.
TEST_F(Buffer, SnapshotsOfAnyWidthHoldOnlyColumnsOfTheFrame) {
  for (int width : {450, 451, 453}) {
    TBaseScene s(width, 40);
    s.Buffer()->SetBackgroundColor(RGBColor(0x30, 0x90, 0xE0));
    // The last eight columns of the frame green.
    auto* edge = s.Scene->Objects()->AddNewChild<TGLDirectOpenGL>();
    edge->OnRender = [](TObject*, TRenderContextInfo& rci) {
      rci.stateCache->Enable(TGLState::stScissorTest);
      glScissor(rci.viewPortSize[0] - 8, 0, 8, rci.viewPortSize[1]);
      glClearColor(0, 1, 0, 1);
      glClear(GL_COLOR_BUFFER_BIT);
      rci.stateCache->Disable(TGLState::stScissorTest);
    };
    const int columns = width & ~3;
    auto memory = std::make_unique<TGLMemoryViewer>(nullptr);
    memory->SetWidth(width);
    memory->SetHeight(40);
    memory->SetCamera(s.Camera);
    memory->Buffer()->SetBackgroundColor(RGBColor(0x30, 0x90, 0xE0));
    memory->Buffer()->SetContextOptions({TContextOption::roDoubleBuffer});
    memory->Render();
    s.Buffer()->Render();
    for (TScene3DBuffer* b : {s.Buffer(), memory->Buffer()}) {
      std::unique_ptr<TGLBitmap32> shot = b->CreateSnapShot();
      const TCapture c = ToCapture(*shot);
      ASSERT_EQ(c.Width, columns) << width;
      EXPECT_EQ(c.Count(0x3090E0) + c.Count(0x00FF00), columns * 40) << width << ": no black column";
      EXPECT_EQ(c.At(columns - 1, 20), 0x00FF00u) << width;
      EXPECT_EQ(c.At(width - 9, 20), 0x3090E0u) << width;
      EXPECT_EQ(c.At(width - 8, 20), 0x00FF00u) << width;
      if (width == 450 && b == s.Buffer()) SaveBmp(c, "snapshot-450.bmp");
      EXPECT_EQ(b->CreateSnapShotBitmap()->Width(), columns);
    }
    memory->SetCamera(nullptr);   // nothing to draw: a blank image as wide
    EXPECT_EQ(memory->Buffer()->CreateSnapShot()->Width(), columns) << width;
  }
}
