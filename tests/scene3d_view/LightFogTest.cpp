// Light slots, light sources and fog, seen in the frames of the base scene.
#include <gtest/gtest.h>

#include <iostream>

#include "ViewScene.h"

namespace {
class LightFog : public testing::Test {
protected:
  TViewUnits Units;
};

// A lit white ball under a black ambient, so that only the lights show.
TTestBall* LitBall(TBaseScene& S) {
  S.Buffer()->AmbientColor()->SetColor({0, 0, 0, 1});
  TTestBall* ball = S.AddBall(0xFFFFFF);
  ball->Material()->SetMaterialOptions({});
  return ball;
}

TGLLightSource* ParallelLight(TGLBaseSceneObject* Parent, float X, float Y, float Z) {
  auto* light = Parent->AddNewChild<TGLLightSource>();
  light->SetLightStyle(TLightStyle::lsParallel);
  light->SpotDirection()->SetVector(X, Y, Z);
  return light;
}

// The centre row's limbs at x = +-0.4 of the 200 x 200 base scene.
const int East = 140, West = 60, Row = 100;
}  // namespace

TEST_F(LightFog, AParallelLightLightsTheLimbItComesFrom) {
  TBaseScene s;
  TTestBall* ball = LitBall(s);
  TGLLightSource* light = ParallelLight(ball, 1, 0, 0);
  EXPECT_EQ(light->LightID(), GLenum(GL_LIGHT0));
  EXPECT_EQ(s.Scene->Lights(0), light);
  TCapture f = s.Frame();
  SaveBmp(f, "lit-from-east.bmp");
  EXPECT_GT(Red(f.At(East, Row)), 150);
  EXPECT_LT(Red(f.At(West, Row)), 10);

  light->SpotDirection()->SetVector(-1, 0, 0);   // nothing else: the next frame shows it
  f = s.Frame();
  EXPECT_LT(Red(f.At(East, Row)), 10);
  EXPECT_GT(Red(f.At(West, Row)), 150);

  light->SetShining(false);
  f = s.Frame();
  EXPECT_LT(Red(f.At(East, Row)), 10);
  EXPECT_LT(Red(f.At(West, Row)), 10);

  // The spot cut-off takes [0, 90] and 180 only.
  light->SetSpotCutOff(120);
  EXPECT_EQ(light->SpotCutOff(), 180.0f);
  light->SetSpotCutOff(45);
  EXPECT_EQ(light->SpotCutOff(), 45.0f);
  light->SetSpotCutOff(90);
  EXPECT_EQ(light->SpotCutOff(), 90.0f) << "90 itself is a cut-off";
  light->SetSpotCutOff(180);
  EXPECT_EQ(light->SpotCutOff(), 180.0f);
  delete light;
  EXPECT_EQ(s.Scene->Lights(0), nullptr) << "a freed light leaves its slot";
}

TEST_F(LightFog, ANinthLightGetsNoSlotAndNeverShines) {
  TBaseScene s;
  TTestBall* ball = LitBall(s);
  std::vector<TGLLightSource*> dark;
  for (int i = 0; i < 8; ++i) {
    dark.push_back(ParallelLight(ball, 0, 0, 1));
    dark.back()->Diffuse()->SetColor({0, 0, 0, 1});
    EXPECT_EQ(dark.back()->LightID(), GLenum(GL_LIGHT0 + i));
  }
  TGLLightSource* ninth = ParallelLight(ball, 1, 0, 0);
  EXPECT_EQ(ninth->LightID(), 0u);
  TCapture f = s.Frame();
  EXPECT_LT(Red(f.At(East, Row)), 10) << "the ninth light is never enabled";
  // A freed slot goes to a light that enters the tree afterwards.
  delete dark[3];
  EXPECT_EQ(s.Scene->Lights(3), nullptr);
  EXPECT_EQ(ninth->LightID(), 0u);
  ninth->MoveTo(s.Scene->Objects());
  EXPECT_EQ(ninth->LightID(), GLenum(GL_LIGHT0 + 3));
  f = s.Frame();
  EXPECT_GT(Red(f.At(East, Row)), 150);
  // Removing a subtree takes its lights out of their slots.
  ball->MoveTo(nullptr);
  for (int i = 0; i < 8; ++i) EXPECT_EQ(s.Scene->Lights(i), i == 3 ? ninth : nullptr);
  delete ball;
}

TEST_F(LightFog, LinearFogColoursTheLimbAndLeavesTheCentre) {
  TBaseScene s;
  s.AddBall(0xFFFFFF);
  auto* clear = s.AddBall(0xFFFFFF, 0.2f);   // ignores fog
  clear->Position()->SetPoint(0.6f, 0.6f, 0.0f);
  clear->Material()->SetMaterialOptions({TMaterialOption::moNoLighting, TMaterialOption::moIgnoreFog});
  TGLFogEnvironment* fog = s.Buffer()->FogEnvironment();
  EXPECT_TRUE(fog->IsAtDefaultValues());
  // The process's first fog sets a distance mode of its own; the default
  // mode afterwards is still the driver's (this is the first fog here).
  if (GL.NV_fog_distance) {
    s.Buffer()->SetFogEnable(true);
    fog->SetFogDistance(TFogDistance::fdEyeRadial);
    s.Frame();
    fog->SetFogDistance(TFogDistance::fdDefault);
    s.Frame();
    s.Buffer()->RenderingContext()->Activate();
    GLint mode = 0;
    glGetIntegerv(GL_FOG_DISTANCE_MODE_NV, &mode);
    s.Buffer()->RenderingContext()->Deactivate();
    EXPECT_EQ(mode, GL_EYE_PLANE_ABSOLUTE_NV);
    s.Buffer()->SetFogEnable(false);
  } else {
    std::cout << "[  SKIPPED ] the fog's distance mode: the driver lacks GL_NV_fog_distance\n";
  }
  fog->FogColor()->SetColor({0, 1, 0, 1});
  fog->SetFogStart(1.6f);
  fog->SetFogEnd(2.0f);
  EXPECT_FALSE(fog->IsAtDefaultValues());
  s.Buffer()->SetFogEnable(true);
  TCapture f = s.Frame();
  SaveBmp(f, "fog.bmp");
  EXPECT_EQ(f.At(100, 100), 0xFFFFFFu) << "the centre is nearer than the fog's start";
  const uint32_t limb = f.At(148, 100);   // x 0.48: 1.86 from the eye
  EXPECT_LT(Red(limb), 160);
  EXPECT_GT(Green(limb), 240);
  EXPECT_EQ(f.At(160, 40), 0xFFFFFFu) << "an object that ignores fog keeps its colour";

  // Exponential fog takes its density from the colour's alpha: 0 is no fog.
  fog->SetFogMode(TFogMode::fmExp);
  fog->FogColor()->SetAlpha(0);
  f = s.Frame();
  EXPECT_EQ(f.At(148, 100), 0xFFFFFFu);
  s.Buffer()->SetFogEnable(false);
  fog->SetFogMode(TFogMode::fmLinear);
  fog->FogColor()->SetAlpha(1);
  EXPECT_EQ(s.Frame().At(148, 100), 0xFFFFFFu);
}
