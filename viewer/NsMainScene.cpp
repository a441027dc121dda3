// The main window's 3D view: the scene tree, the earth texture, the point
// sets the globe update fills, the light, the camera and its zoom.
#include "viewer/NsMain.h"
#include "viewer/NsMainGlobe.h"
#include "viewer/NsMainSettings.h"
#include "viewer/NsMainStartup.h"

#include "classlib/Jpeg.h"

namespace {
// Radius of the surface points below a location.
constexpr float SurfaceRadius = 0.5005f;

template <typename T>
T* Named(T* Object, const char* Name) {
  Object->Name = Name;
  return Object;
}

TVector Vector(const TAffineVector& V, float W) { return {V[0], V[1], V[2], W}; }
}  // namespace

// Each 3D unit starts the units it uses.
void NsMain_Initialize() {
  Jpeg_Initialize();
  GLObjects_Initialize();
  GLWin32Viewer_Initialize();
  GLCadencer_Initialize();
  GLBitmapFont_Initialize();
  GLHUDObjects_Initialize();
  GLWin32FullScreenViewer_Initialize();
}

void NsMain_Finalize() {
  GLWin32FullScreenViewer_Finalize();
  GLHUDObjects_Finalize();
  GLBitmapFont_Finalize();
  GLCadencer_Finalize();
  GLWin32Viewer_Finalize();
  GLObjects_Finalize();
  Jpeg_Finalize();
}

void TMainForm::MakeScene() {
  GLMaterialLibrary1 = Named(new TGLMaterialLibrary(this), "GLMaterialLibrary1");
  Scene3D1 = Named(new TScene3D(this), "Scene3D1");
  TScene3DRootObject* objects = Scene3D1->Objects();

  GLHUDSprite1 = Named(objects->AddNewChild<TGLHUDSprite>(), "GLHUDSprite1");
  GLHUDSprite1->SetVisible(false);
  GLHUDSprite1->Material()->Texture()->SetDisabled(false);
  // Pictures on the screen, not in the sunlit world: drawn as they are.
  GLHUDSprite1->Material()->SetMaterialOptions({TMaterialOption::moNoLighting});

  GLSphere1 = Named(objects->AddNewChild<TGLSphere>(), "GLSphere1");
  GLSphere1->SetRadius(0.5f);
  GLSphere1->SetSlices(32);
  GLSphere1->SetStacks(32);
  GLSphere1->SetVisible(false);   // shown by the first frame
  GLSphere1->Material()->SetMaterialLibrary(GLMaterialLibrary1);
  GLSphere1->Material()->SetLibMaterialName("Earth");

  GLLightSource1 = Named(GLSphere1->AddNewChild<TGLLightSource>(), "GLLightSource1");
  GLLightSource1->SetLightStyle(TLightStyle::lsParallel);
  GLLightSource1->Ambient()->SetColor(TVector{0.2f, 0.2f, 0.2f, 1});
  GLLightSource1->Diffuse()->SetColor(TVector{2, 2, 2, 2});
  GLLightSource1->Position()->SetPoint(0, 0, 10);

  TGLPoints** sets[] = {&GLPoints1, &GLPoints2, &GLPoints3, &GLPoints4,
                        &GLPoints5, &GLPoints6, &GLPoints7, &GLPoints8};
  const char* names[] = {"GLPoints1", "GLPoints2", "GLPoints3", "GLPoints4",
                         "GLPoints5", "GLPoints6", "GLPoints7", "GLPoints8"};
  for (size_t i = 0; i < 8; ++i) {
    TGLPoints* p = Named(GLSphere1->AddNewChild<TGLPoints>(), names[i]);
    if (i != 2 && i != 3) p->SetStyle(TGLPointStyle::psSmooth);
    *sets[i] = p;
  }
  GLPoints3->SetVisible(false);

  GLDirectOpenGL1 = Named(objects->AddNewChild<TGLDirectOpenGL>(), "GLDirectOpenGL1");
  GLDirectOpenGL1->SetUseBuildList(false);
  GLDirectOpenGL1->OnRender = [this](TObject* S, TRenderContextInfo& rci) { DirectOpenGLRender(S, rci); };

  GLHUDSprite2 = Named(objects->AddNewChild<TGLHUDSprite>(), "GLHUDSprite2");
  GLHUDSprite2->SetVisible(false);
  GLHUDSprite2->SetWidth(200);
  GLHUDSprite2->SetHeight(32);
  GLHUDSprite2->Material()->SetBlendingMode(TBlendingMode::bmTransparency);
  GLHUDSprite2->Material()->Texture()->SetTextureMode(TGLTextureMode::tmModulate);
  GLHUDSprite2->Material()->Texture()->SetDisabled(false);
  GLHUDSprite2->Material()->SetMaterialOptions({TMaterialOption::moNoLighting});

  GLCamera1 = Named(Scene3D1->Cameras()->AddNewChild<TGLCamera>(), "GLCamera1");
  GLCamera1->SetCameraStyle(TGLCameraStyle::csOrthogonal);
  GLCamera1->SetTargetObject(GLSphere1);
  GLCamera1->Position()->SetPoint(0, 0, 2);
  GLCamera1->Direction()->SetVector(0, 0, 1);
  GLCamera1->Up()->SetVector(0, 1, 0);
  GLCamera1->SetDepthOfView(100);
  GLCamera1->SetFocalLength(25);
  GLCamera1->SetNearPlaneBias(0.5f);

  Scene3DViewer1 = Named(new TScene3DViewer(this), "Scene3DViewer1");
  Scene3DViewer1->SetParent(this);
  Scene3DViewer1->SetAlign(TAlign::alClient);
  Scene3DViewer1->VSync = TVSyncMode::vsmSync;
  Scene3DViewer1->SetCamera(GLCamera1);
  Scene3DViewer1->Buffer()->SetBackgroundColor(clBlack);

  GLFullScreenViewer1 = Named(new TGLFullScreenViewer(this), "GLFullScreenViewer1");
  GLFullScreenViewer1->SetCamera(GLCamera1);
  GLFullScreenViewer1->Buffer()->SetBackgroundColor(clBlack);
  GLFullScreenViewer1->SetAfterRender([this](TObject* S) { GLFullScreenViewer1AfterRender(S); });

  GLCadencer1 = Named(new TGLCadencer(this), "GLCadencer1");
  GLCadencer1->SetEnabled(false);
  GLCadencer1->SetMode(TGLCadencerMode::cmApplicationIdle);
  GLCadencer1->SleepLength = 1;
  GLCadencer1->SetScene(Scene3D1);
  GLCadencer1->OnProgress = [this](TObject* S, double D, double T) { GLCadencer1Progress(S, D, T); };

  GLWindowsBitmapFont1 = Named(new TGLWindowsBitmapFont(this), "GLWindowsBitmapFont1");
  GLWindowsBitmapFont1->Font()->SetName("Arial");
  GLWindowsBitmapFont1->Font()->SetHeight(-9);
  TBitmapFontRanges* ranges = GLWindowsBitmapFont1->Ranges();
  ranges->Clear();
  ranges->Add(' ', ' ');
  ranges->Add('(', ')');
  ranges->Add(',', ';');
  ranges->Add('A', 'Z');
  ranges->Add('a', 'z');
}

// ---- Start-up ----

// An unreadable picture is told and the globe shown plain: the start-up
// goes on to the database and the settings.
void TMainForm::LoadEarthTexture(const std::string& FileName) {
  if (FileName.empty()) return;   // a plain globe
  try {
    GLMaterialLibrary1->AddTextureMaterial("Earth", FileName);
  } catch (const Exception& E) {
    TellUser("The earth texture " + FileName + " cannot be read: " + E.Message +
                 "\n\nThe globe is shown without it.",
             MB_OK | MB_ICONWARNING);
    return;
  }
  GLSphere1->Material()->SetMaterialLibrary(GLMaterialLibrary1);
  GLSphere1->Material()->SetLibMaterialName("Earth");
}

void TMainForm::SetUpPointSets() {
  GLPoints1->SetSize(Settings.PointSize);
  GLPoints2->Colors()->Clear();
  GLPoints2->Colors()->Add(
      Vector(TAffineVector{Settings.Color2Rgb[0], Settings.Color2Rgb[1], Settings.Color2Rgb[2]}, 1));
  GLPoints2->SetSize(Settings.PointSize);
  for (TGLPoints* p : {GLPoints5, GLPoints6}) {
    p->SetSize(Settings.PointSize + 2.0f);
    p->Colors()->Clear();
    p->Colors()->Add(TVector{0, 0, 0, 0.7f});
  }
  for (TGLPoints* p : {GLPoints7, GLPoints8}) p->SetSize(Settings.PointSize + 2.0f + Settings.MarkerSize);
}

void TMainForm::SetUpSnapshots() {
  if (Settings.SaveImages)
    Scene3DViewer1->SetAfterRender([this](TObject* S) { Scene3DViewer1AfterRender(S); });
  else
    Scene3DViewer1->SetAfterRender(nullptr);
}

void TMainForm::SetUpLight() {
  TVector ambient = GLLightSource1->Ambient()->Color();
  ambient[0] = Settings.Shadow;
  ambient[1] = ambient[2] = ambient[0];
  GLLightSource1->Ambient()->SetColor(ambient);
}

void TMainForm::SetUpCameraAndHud() {
  GLCamera1->SetNearPlaneBias(Settings.FOV);
  GLCadencer1->SetEnabled(Settings.Rotate);
  GLWindowsBitmapFont1->SetFont(&LabelFont);
  if (!ViewResources.HudImages.empty())
    GLHUDSprite2->Material()->Texture()->Image()->Assign(ViewResources.HudImages[0].get());
}

// ---- Showing and resizing ----

void TMainForm::PlaceCameraAboveHome() {
  const TAffineVector p = GlobePoint(GlobeState.HomeLongitude, GlobeState.HomeLatitude, 2);
  GLCamera1->Position()->SetPoint(p[0], p[1], p[2]);
}

void TMainForm::LayoutHudBar() {
  const THudBarLayout l = HudBarLayout(Scene3DViewer1->Width(), Scene3DViewer1->Height(), GLHUDSprite2->Height());
  GLHUDSprite2->SetWidth(l.Width);
  GLHUDSprite2->SetHeight(l.Height);
  GLHUDSprite2->Position()->SetPoint(l.X, l.Y, 0);
}

void TMainForm::ClampCameraZoom() {
  const float zoom = ClampZoom(GLCamera1->NearPlaneBias(), Scene3DViewer1->Width(), Scene3DViewer1->Height());
  GLCamera1->SetNearPlaneBias(zoom);
}

float TMainForm::CameraZoom() const { return GLCamera1->NearPlaneBias(); }

bool TMainForm::DesktopModeActive() const { return GLHUDSprite1->Visible(); }

bool TMainForm::FullScreenActive() const { return GLFullScreenViewer1->Active(); }

// ---- The globe update's point sets ----

void TMainForm::ClearPointSets(int Count) {
  GLPoints1->Colors()->Clear();
  GLPoints7->Colors()->Clear();
  for (TGLPoints* p : {GLPoints1, GLPoints5, GLPoints3, GLPoints7}) p->Positions()->SetCount(Count);
}

// An entry without a place sits at the centre, inside the globe, with a
// colour of its own so that every later point keeps its colour.
void TMainForm::PlotNothing(int Index) {
  GLPoints1->Positions()->Put(Index, TAffineVector{0, 0, 0});
  GLPoints3->Positions()->Put(Index, TAffineVector{0, 0, 0});
  GLPoints1->Colors()->Add(TVector{0, 0, 0, 0});
  GLPoints7->Colors()->Add(TVector{0, 0, 0, 0});
}

void TMainForm::PlotLocation(int Index, float Radius, const TVector& PointColor, const TVector& HaloColor) {
  const float lon = GlobeState.LocationLongitudes[static_cast<size_t>(Index)];
  const float lat = GlobeState.LocationLatitudes[static_cast<size_t>(Index)];
  GLPoints1->Positions()->Put(Index, GlobePoint(lon, lat, Radius));
  GLPoints3->Positions()->Put(Index, GlobePoint(lon, lat, SurfaceRadius));
  GLPoints1->Colors()->Add(PointColor);
  GLPoints7->Colors()->Add(HaloColor);
}

void TMainForm::EndPointSets() {
  GLPoints5->SetPositions(GLPoints1->Positions());
  GLPoints7->SetPositions(GLPoints1->Positions());
  GLPoints1->StructureChanged();
  GLPoints3->StructureChanged();
  Redraw();
}

// A turning globe is drawn in the next idle frame anyway.
void TMainForm::Redraw() {
  if (GLCadencer1->Enabled()) return;
  if (!Scene3DViewer1->Visible())
    GLFullScreenViewer1->Render();
  else
    Scene3DViewer1->Invalidate();
}

// ---- The route's point sets ----

void TMainForm::ClearRoutePointSets(int Count) {
  GLPoints8->Colors()->Clear();
  for (TGLPoints* p : {GLPoints2, GLPoints4, GLPoints6, GLPoints8}) p->Positions()->SetCount(Count);
}

// A hop without a place sits at the centre with a ring colour of its own,
// so that every later hop keeps its ring.
void TMainForm::PlotHop(int Index, const TAffineVector& Point, const TAffineVector& Shadow, bool Located,
                        const TVector& RingColor) {
  GLPoints2->Positions()->Put(Index, Point);
  GLPoints4->Positions()->Put(Index, Shadow);
  GLPoints8->Colors()->Add(Located ? RingColor : TVector{0, 0, 0, 0});
}

void TMainForm::EndRoutePointSets() {
  GLPoints6->SetPositions(GLPoints2->Positions());
  GLPoints8->SetPositions(GLPoints2->Positions());
  GLPoints2->StructureChanged();
  GLPoints4->StructureChanged();
  Redraw();
}

// ---- Sun and rotation ----

void TMainForm::SetSunDirection(const TAffineVector& Direction) {
  GLLightSource1->SpotDirection()->SetVector(Direction[0], Direction[1], Direction[2]);
}

void TMainForm::GLCadencer1Progress(TObject*, double, double) {
  const float turn = -GLCamera1->NearPlaneBias() / Settings.RotationFactor;
  GLCamera1->MoveAroundTarget(0, turn);
}
