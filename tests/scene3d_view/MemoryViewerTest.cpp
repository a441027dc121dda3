// The memory viewer renders off screen into a pbuffer that shares display
// lists and textures with the window's context.
#include <gtest/gtest.h>

#include "ViewScene.h"
#include "scene3d/Platform/GLWin32Context.h"

namespace {
class MemoryViewer : public testing::Test {
protected:
  TViewUnits Units;
};

bool SharesWith(TGLContext* A, TGLContext* B) {
  const auto& shared = A->SharedContexts();
  return std::find(shared.begin(), shared.end(), B) != shared.end();
}
}  // namespace

TEST_F(MemoryViewer, RendersOffScreenWhatTheWindowShows) {
  TBaseScene s(160, 128);
  TTestBall* ball = s.AddBall(0xFFFFFF);
  std::unique_ptr<TBitmap> picture = MakeBitmap(64, 64, [](int x, int y) {
    return x < 32 ? (y < 32 ? 0xFF0000u : 0x00FF00u) : (y < 32 ? 0x0000FFu : 0xFFFF00u);
  });
  TGLTexture* texture = ball->Material()->Texture();
  texture->Assign(picture.get());
  texture->SetTextureMode(TGLTextureMode::tmModulate);
  texture->SetDisabled(false);
  ball->SetPitchAngle(-60);
  const TCapture window = s.Frame();
  ASSERT_EQ(ball->Builds, 1);
  TGLContext* windowContext = s.Buffer()->RenderingContext();

  auto memory = std::make_unique<TGLMemoryViewer>(nullptr);
  EXPECT_EQ(memory->Width(), 256);
  memory->SetWidth(160);
  memory->SetHeight(128);
  memory->SetCamera(s.Camera);
  memory->Buffer()->SetBackgroundColor(clBlack);
  memory->Buffer()->SetContextOptions({TContextOption::roDoubleBuffer});
  memory->Render();
  auto* offScreen = dynamic_cast<TGLWin32Context*>(memory->Buffer()->RenderingContext());
  ASSERT_NE(offScreen, nullptr);
  EXPECT_NE(offScreen->PBuffer(), nullptr);
  EXPECT_TRUE(SharesWith(offScreen, windowContext));
  EXPECT_EQ(s.Scene->BufferCount(), 2);
  EXPECT_EQ(s.Scene->BaseContext(), windowContext);
  EXPECT_EQ(ball->Builds, 1) << "the window's display list is called in the memory context";

  std::unique_ptr<TGLBitmap32> shot = memory->Buffer()->CreateSnapShot();
  const TCapture off = ToCapture(*shot);
  SaveBmp(off, "memory-viewer.bmp");
  ASSERT_EQ(off.Width, window.Width);
  ASSERT_EQ(off.Height, window.Height);
  EXPECT_TRUE(off.Pixels == window.Pixels) << "the off-screen frame equals the window's";
  for (uint32_t colour : {0xFF0000u, 0x00FF00u, 0x0000FFu, 0xFFFF00u})
    EXPECT_GT(off.Count(colour), 50) << std::hex << colour << ": the shared texture shows";

  // A size change drops the context; the next render makes one of the new size.
  memory->SetHeight(64);
  EXPECT_FALSE(memory->Buffer()->RCInstantiated());
  memory->Render();
  EXPECT_EQ(memory->Buffer()->CreateSnapShot()->Height(), 64);
  memory->SetWidth(0);
  EXPECT_EQ(memory->Width(), 1);

  // Freeing the camera leaves the viewer without one.
  auto* other = s.Scene->Cameras()->AddNewChild<TGLCamera>();
  memory->SetCamera(other);
  EXPECT_EQ(memory->Camera(), other);
  delete other;
  EXPECT_EQ(memory->Camera(), nullptr);
  memory.reset();
  EXPECT_EQ(s.Scene->BufferCount(), 1);
}

TEST_F(MemoryViewer, AWindowWhoseContextWasCurrentStillSharesTheScenesLists) {
  TBaseScene s(120, 120);
  TTestBall* ball = s.AddBall(0x30C0F0);
  const TCapture first = s.Frame();
  TViewForm second(nullptr, 120, 120);   // its context has been current since it was made
  second.Viewer->SetCamera(s.Camera);
  second.Viewer->Buffer()->SetBackgroundColor(clBlack);
  const TCapture other = [&] {
    second.Viewer->Buffer()->Render();
    return ToCapture(*second.Viewer->Buffer()->CreateSnapShot());
  }();
  EXPECT_TRUE(SharesWith(second.Viewer->Buffer()->RenderingContext(), s.Buffer()->RenderingContext()));
  EXPECT_EQ(ball->Builds, 1);
  EXPECT_GT(other.Count(0x30C0F0), 2000);
  EXPECT_TRUE(other.Pixels == first.Pixels);

  // Freeing the first buffer's context makes the other one the base.
  s.Form.reset();
  EXPECT_EQ(s.Scene->BufferCount(), 1);
  EXPECT_EQ(s.Scene->BaseContext(), second.Viewer->Buffer()->RenderingContext());
  second.Viewer->Buffer()->Render();
  EXPECT_TRUE(ToCapture(*second.Viewer->Buffer()->CreateSnapShot()).Pixels == first.Pixels)
      << "the display list went over to the remaining context";
}
