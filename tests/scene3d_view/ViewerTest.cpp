// The viewer control: painting, resizing, moving, field of view, swap interval.
#include <gtest/gtest.h>

#include <cmath>

#include "ViewScene.h"

namespace {
class Viewer : public testing::Test {
protected:
  TViewUnits Units;
};
}  // namespace

TEST_F(Viewer, PaintsFramesAsTheSceneChangesAndFollowsItsWindow) {
  TBaseScene s(200, 150);
  TScene3DViewer* v = s.Form->Viewer;
  ASSERT_TRUE(v->OpenGLAvailable());
  ASSERT_TRUE(PumpUntil([&] { return s.Buffer()->FrameCount() > 0; })) << "the first paint renders";
  // A change anywhere in the scene repaints the view.
  int frames = s.Buffer()->FrameCount();
  s.AddBall(0xFF8000);
  ASSERT_TRUE(PumpUntil([&] { return s.Buffer()->FrameCount() > frames; }));
  EXPECT_EQ(s.Buffer()->GetPixelColor(100, 75), RGBColor(0xFF, 0x80, 0));
  // An unchanged colour asks for no repaint: nothing is left to paint.
  PumpUntil([&] { return !GetUpdateRect(v->Handle(), nullptr, FALSE); });
  s.Buffer()->SetBackgroundColor(clBlack);
  EXPECT_FALSE(GetUpdateRect(v->Handle(), nullptr, FALSE));
  s.Buffer()->SetBackgroundColor(clNavy);
  EXPECT_TRUE(GetUpdateRect(v->Handle(), nullptr, FALSE));

  // Resizing the window resizes the viewport.
  v->SetBounds(0, 0, 160, 120);
  EXPECT_EQ(s.Buffer()->Width(), 160);
  EXPECT_EQ(s.Buffer()->Height(), 120);
  // A window moved without being resized gets its size again on its next paint.
  s.Buffer()->SetViewPort(0, 0, 10, 10);
  s.Form->SetBounds(90, 70, 200, 150);
  v->Invalidate();
  EXPECT_TRUE(PumpUntil([&] { return s.Buffer()->Width() == 160 && s.Buffer()->Height() == 120; }));

  // A viewer of width 0 paints nothing and raises nothing.
  frames = s.Buffer()->FrameCount();
  v->SetBounds(0, 0, 0, 120);
  v->Invalidate();
  PumpFor(100);
  EXPECT_EQ(s.Buffer()->FrameCount(), frames);
}

TEST_F(Viewer, FieldOfViewSpansTheLargerDimension) {
  TBaseScene s(300, 100);
  TScene3DViewer* v = s.Form->Viewer;
  s.Camera->SetFocalLength(150);
  EXPECT_NEAR(v->FieldOfView(), 90.0f, 1e-4f);
  EXPECT_NEAR(v->FieldOfView(), s.Camera->GetFieldOfView(300), 1e-6f);
  v->SetFieldOfView(60);
  EXPECT_NEAR(s.Camera->FocalLength(), 150.0f / std::tan(DegToRad(30.0f)), 1e-2f);
  EXPECT_NEAR(v->FieldOfView(), 60.0f, 1e-3f);
  // Freeing the camera leaves the viewer without one.
  delete s.Camera;
  EXPECT_EQ(v->Camera(), nullptr);
  EXPECT_EQ(v->FieldOfView(), 0.0f);
}

TEST_F(Viewer, SwapIntervalFollowsVSync) {
  TBaseScene s(64, 64);
  TScene3DViewer* v = s.Form->Viewer;
  s.Buffer()->Render();
  if (!WGL.EXT_swap_control) GTEST_SKIP() << "no WGL_EXT_swap_control";
  auto interval = [&] {
    s.Buffer()->RenderingContext()->Activate();
    const int i = wglGetSwapIntervalEXT();
    s.Buffer()->RenderingContext()->Deactivate();
    return i;
  };
  EXPECT_EQ(interval(), 0);
  v->VSync = TVSyncMode::vsmSync;
  s.Buffer()->SetDepthPrecision(TGLDepthPrecision::dp16bits);   // a new window and context
  s.Buffer()->Render();
  EXPECT_EQ(interval(), 1);
}
