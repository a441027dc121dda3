// Camera numbers: projection styles, the view, field of view and orbiting.
#include <gtest/gtest.h>

#include <cmath>

#include "ViewScene.h"

namespace {
class Camera : public testing::Test {
protected:
  TViewUnits Units;
  // The projection ApplyPerspective sets for the viewport, read back from OpenGL.
  static TMatrix Projection(TScene3DBuffer* B, TGLCamera* C, const TRectangle& Viewport, int Width, int Height) {
    B->RenderingContext()->Activate();
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    C->ApplyPerspective(Viewport, Width, Height, 96);
    TMatrix m;
    glGetFloatv(GL_PROJECTION_MATRIX, m[0].data());
    glMatrixMode(GL_MODELVIEW);
    B->RenderingContext()->Deactivate();
    return m;
  }
};
}  // namespace

TEST_F(Camera, ProjectionStylesGiveTheirNumbers) {
  TBaseScene s;
  TGLCamera* c = s.Camera;
  // Orthogonal, 450 x 374: glOrtho(-1, 1, -0.831, 0.831, near, near + 100).
  TMatrix m = Projection(s.Buffer(), c, {0, 0, 450, 374}, 450, 374);
  const float top = 374.0f * 374.0f * 0.5f * 100.0f / (374.0f * 25.0f) / (2.0f * 450.0f);
  EXPECT_NEAR(top, 0.8311f, 1e-4f);
  const float nearPlane = 96.0f * 25.0f * 2.0f / (25.4f * 450.0f) * 0.5f;
  EXPECT_NEAR(c->NearPlane(), nearPlane, 1e-6f);
  EXPECT_NEAR(m[0][0], 1.0f, 1e-5f);
  EXPECT_NEAR(m[1][1], 1.0f / top, 1e-4f);
  EXPECT_NEAR(m[2][2], -2.0f / 100.0f, 1e-6f);
  EXPECT_NEAR(m[3][2], -(2 * nearPlane + 100.0f) / 100.0f, 1e-5f);
  EXPECT_NEAR(c->ViewPortRadius(), std::sqrt(top * top + 1.0f) / nearPlane, 1e-4f);

  // Perspective: a frustum with the near plane at the focal length in pixels.
  c->SetCameraStyle(TGLCameraStyle::csPerspective);
  c->SetNearPlaneBias(1);
  m = Projection(s.Buffer(), c, {0, 0, 400, 200}, 400, 200);
  const float n = 96.0f * 25.0f * 2.0f / (25.4f * 400.0f), right = 400.0f * 400.0f / (400.0f * 2 * 400.0f);
  EXPECT_NEAR(m[0][0], 2 * n / (2 * right), 1e-5f);
  EXPECT_NEAR(m[2][3], -1.0f, 1e-6f);
  EXPECT_NEAR(m[3][2], -2 * (n + 100.0f) * n / 100.0f, 1e-4f);

  // Infinite perspective: the far plane at infinity (epsilon 0.0001).
  c->SetCameraStyle(TGLCameraStyle::csInfinitePerspective);
  m = Projection(s.Buffer(), c, {0, 0, 400, 200}, 400, 200);
  EXPECT_NEAR(m[2][2], 0.0001f - 1.0f, 1e-6f);
  EXPECT_NEAR(m[3][2], (0.0001f - 2.0f) * n, 1e-6f);
  EXPECT_EQ(m[3][3], 0.0f);

  // Ortho 2D: pixels.
  c->SetCameraStyle(TGLCameraStyle::csOrtho2D);
  m = Projection(s.Buffer(), c, {0, 0, 400, 200}, 400, 200);
  EXPECT_NEAR(m[0][0], 2.0f / 400.0f, 1e-7f);
  EXPECT_EQ(c->NearPlane(), -1.0f);

  // Custom: the handler sets the projection and may change the radius.
  c->SetCameraStyle(TGLCameraStyle::csCustom);
  c->OnCustomPerspective = [](const TRectangle&, int Width, int, int DPI, float& Radius) {
    EXPECT_EQ(Radius, std::sqrt(400.0f * 400.0f + 200.0f * 200.0f) / 2);
    Radius = 7;
    glScalef(float(Width), float(DPI), 1);
  };
  m = Projection(s.Buffer(), c, {0, 0, 400, 200}, 400, 200);
  EXPECT_EQ(m[0][0], 400.0f);
  EXPECT_EQ(m[1][1], 96.0f);
  EXPECT_EQ(c->ViewPortRadius(), 7.0f);

  // Nothing at all without a width or height.
  c->SetCameraStyle(TGLCameraStyle::csOrthogonal);
  m = Projection(s.Buffer(), c, {0, 0, 0, 200}, 0, 200);
  EXPECT_EQ(m, IdentityHmgMatrix);
  EXPECT_EQ(c->ViewPortRadius(), 7.0f);
}

TEST_F(Camera, WritersKeepTheirValuesSane) {
  TBaseScene s;
  TGLCamera* c = s.Camera;
  c->SetNearPlaneBias(0);
  EXPECT_EQ(c->NearPlaneBias(), 1.0f);
  c->SetNearPlaneBias(-2);
  EXPECT_EQ(c->NearPlaneBias(), 1.0f);
  c->SetFocalLength(-5);
  EXPECT_EQ(c->FocalLength(), 1.0f);
  c->SetSceneScale(0);
  EXPECT_EQ(c->SceneScale(), 1.0f);
  c->SetSceneScale(-2);
  EXPECT_EQ(c->SceneScale(), -2.0f);
  c->SetFocalLength(50);
  EXPECT_NEAR(c->GetFieldOfView(100), 90.0f, 1e-4f);
  c->SetFieldOfView(90, 300);
  EXPECT_NEAR(c->FocalLength(), 150.0f, 1e-3f);
  TGLCamera fresh(nullptr);
  EXPECT_EQ(fresh.Direction()->AsVector(), (TVector{0, 0, -1, 0}));
  EXPECT_EQ(fresh.FocalLength(), 50.0f);
  EXPECT_EQ(fresh.DepthOfView(), 100.0f);
  EXPECT_EQ(fresh.CameraStyle(), TGLCameraStyle::csPerspective);
  EXPECT_FALSE(fresh.RayCastIntersect({0, 0, 5, 1}, {0, 0, -1, 0}));
}

TEST_F(Camera, OrbitsItsTargetAndLooksAlongItsDirectionWithoutOne) {
  TBaseScene s;
  TGLCamera* c = s.Camera;
  TTestBall* ball = s.AddBall(0xFFFFFF);
  c->SetTargetObject(ball);
  c->MoveAroundTarget(0, 90);
  EXPECT_NEAR(VectorLength(c->AbsolutePosition()), 2.0f, 1e-4f);
  EXPECT_NEAR(std::fabs(c->Position()->X()), 2.0f, 1e-4f) << "a quarter turn about the up axis";
  EXPECT_NEAR(c->Position()->Z(), 0.0f, 1e-4f);
  s.Buffer()->Render();
  TVector toTarget = VectorNormalize(VectorSubtract(ball->AbsolutePosition(), c->AbsolutePosition()));
  toTarget[3] = 0;
  for (int i = 0; i < 3; ++i) EXPECT_NEAR(c->LastDirection()[i], toTarget[i], 1e-5f);
  c->MoveAroundTarget(200, 0);   // past the pole: stops 0.025 rad short of it
  EXPECT_NEAR(VectorLength(c->AbsolutePosition()), 2.0f, 1e-4f);
  EXPECT_NEAR(c->Position()->Y(), -2.0f * std::cos(0.025f), 1e-4f);

  // A freed target leaves the camera looking along its direction.
  delete ball;
  EXPECT_EQ(c->TargetObject(), nullptr);
  const TVector before = c->Position()->AsVector();
  c->MoveAroundTarget(10, 10);
  EXPECT_EQ(c->Position()->AsVector(), before);
  s.Buffer()->Render();
  EXPECT_EQ(c->LastDirection(), (TVector{0, 0, -1, 0}));
}
