#include "ViewScene.h"

#include <cmath>

#include "GuiTest.h"
#include "scene3d/GLCadencer.h"
#include "scene3d/GLObjects.h"

IMPLEMENT_CLASSINFO(TTestBall, TScene3DObject)

void TTestBall::BuildList(TRenderContextInfo&) {
  ++Builds;
  GLUquadric* q = gluNewQuadric();
  gluQuadricNormals(q, GLU_SMOOTH);
  gluQuadricTexture(q, GL_TRUE);
  gluSphere(q, Radius, Slices, Stacks);
  gluDeleteQuadric(q);
}

TViewForm::TViewForm(TComponent* AOwner, int Width, int Height) : TForm(AOwner) {
  SetBorderStyle(TFormBorderStyle::bsNone);
  SetBounds(40, 40, Width, Height);
  Viewer = new TScene3DViewer(this);
  Viewer->SetBounds(0, 0, Width, Height);
  Viewer->SetParent(this);
  Show();
  Viewer->HandleNeeded();
}

TViewUnits::TViewUnits() {
  Forms_Initialize();
  GLObjects_Initialize();
  GLWin32Viewer_Initialize();
  GLCadencer_Initialize();
}

TViewUnits::~TViewUnits() {
  GLCadencer_Finalize();
  GLWin32Viewer_Finalize();
  GLObjects_Finalize();
  Forms_Finalize();
}

TBaseScene::TBaseScene(int Width, int Height) : Scene(std::make_unique<TScene3D>(nullptr)) {
  Target = Scene->Objects()->AddNewChild<TGLBaseSceneObject>();
  Target->Name = "Target";
  Camera = Scene->Cameras()->AddNewChild<TGLCamera>();
  Camera->Name = "Camera";
  Camera->Position()->SetPoint(0, 0, 2);
  Camera->SetCameraStyle(TGLCameraStyle::csOrthogonal);
  Camera->SetFocalLength(25);
  Camera->SetDepthOfView(100);
  Camera->SetNearPlaneBias(0.5f);
  Camera->SetTargetObject(Target);
  Form = std::make_unique<TViewForm>(nullptr, Width, Height);
  Form->Viewer->SetCamera(Camera);
  Buffer()->SetBackgroundColor(clBlack);
}

TBaseScene::~TBaseScene() {
  Scene.reset();
  Form.reset();
}

TCapture TBaseScene::Frame() {
  Buffer()->Render();
  std::unique_ptr<TGLBitmap32> shot = Buffer()->CreateSnapShot();
  return ToCapture(*shot);
}

TTestBall* TBaseScene::AddBall(uint32_t Rgb, float Radius) {
  auto* ball = Scene->Objects()->AddNewChild<TTestBall>();
  ball->Radius = Radius;
  ball->Material()->SetMaterialOptions({TMaterialOption::moNoLighting});
  ball->Material()->FrontProperties()->Diffuse()->SetColor(RgbVector(Rgb));
  return ball;
}

TGLDirectOpenGL* TBaseScene::AddSquare(float X, float Y, float Z, float Size, uint32_t Rgb) {
  auto* square = Scene->Objects()->AddNewChild<TGLDirectOpenGL>();
  square->Position()->SetPoint(X, Y, Z);
  square->OnRender = [Size, Rgb](TObject*, TRenderContextInfo& rci) {
    const bool lit = rci.stateCache->States().Contains(TGLState::stLighting);
    rci.stateCache->Disable(TGLState::stLighting);
    const TVector c = RgbVector(Rgb);
    glColor3f(c[0], c[1], c[2]);
    const float h = Size / 2;
    glBegin(GL_QUADS);
    glVertex3f(-h, -h, 0);
    glVertex3f(h, -h, 0);
    glVertex3f(h, h, 0);
    glVertex3f(-h, h, 0);
    glEnd();
    if (lit) rci.stateCache->Enable(TGLState::stLighting);
  };
  return square;
}

TVector RgbVector(uint32_t Rgb) { return {Red(Rgb) / 255.0f, Green(Rgb) / 255.0f, Blue(Rgb) / 255.0f, 1.0f}; }

uint32_t SnapshotPixel(TGLBitmap32& Bitmap, int X, int Y) {
  const TGLPixel32 p = Bitmap.ScanLine(Bitmap.Height() - 1 - Y)[X];
  return uint32_t(p.r) << 16 | uint32_t(p.g) << 8 | p.b;
}

TCapture ToCapture(TGLBitmap32& Bitmap) {
  TCapture c;
  c.Width = Bitmap.Width();
  c.Height = Bitmap.Height();
  c.Pixels.resize(static_cast<size_t>(c.Width) * static_cast<size_t>(c.Height));
  for (int y = 0; y < c.Height; ++y)
    for (int x = 0; x < c.Width; ++x) c.Pixels[static_cast<size_t>(y) * c.Width + x] = SnapshotPixel(Bitmap, x, y);
  return c;
}

int Red(uint32_t C) { return int(C >> 16 & 0xFF); }
int Green(uint32_t C) { return int(C >> 8 & 0xFF); }
int Blue(uint32_t C) { return int(C & 0xFF); }

bool FrameDrawn(TScene3DViewer* Viewer) {
  TScene3DBuffer* b = Viewer->Buffer();
  const int frames = b->FrameCount();
  Viewer->Invalidate();
  return PumpUntil([&] { return b->FrameCount() > frames; }, 10000);
}

POINT ViewerPoint(TScene3DViewer* Viewer, const TAffineVector& P) {
  const TAffineVector s = Viewer->Buffer()->WorldToScreen(P);
  return {static_cast<LONG>(std::lround(s[0])), static_cast<LONG>(Viewer->Height() - std::lround(s[1]))};
}
