#include "SceneTestObjects.h"

#include "scene3d/Base/OpenGL1x.h"

std::vector<std::string> RenderLog;

IMPLEMENT_CLASSINFO(TTestObject, TGLBaseSceneObject)
IMPLEMENT_CLASSINFO(TTestBehaviour, TGLBehaviour)
IMPLEMENT_XCOLLECTIONITEM(TTestBehaviour)
IMPLEMENT_CLASSINFO(TTestPostEffect, TGLObjectPostEffect)
IMPLEMENT_XCOLLECTIONITEM(TTestPostEffect)
IMPLEMENT_CLASSINFO(TTestPreEffect, TGLObjectPreEffect)
IMPLEMENT_XCOLLECTIONITEM(TTestPreEffect)

void TTestObject::BuildList(TRenderContextInfo& rci) {
  (void)rci;
  ++Builds;
  RenderLog.push_back("build " + Name);
  glColor3fv(Colour);
  glBegin(GL_QUADS);
  glVertex3f(-HalfSize, -HalfSize, 0);
  glVertex3f(HalfSize, -HalfSize, 0);
  glVertex3f(HalfSize, HalfSize, 0);
  glVertex3f(-HalfSize, HalfSize, 0);
  glEnd();
}

void TTestBehaviour::DoProgress(const TProgressTimes& T) {
  (void)T;
  RenderLog.push_back("behaviour of " + OwnerBaseSceneObject()->Name);
}

void TTestPostEffect::DoProgress(const TProgressTimes& T) {
  (void)T;
  RenderLog.push_back("effect of " + OwnerBaseSceneObject()->Name);
}

void TTestPostEffect::Render(TScene3DBuffer* Buffer, TRenderContextInfo& rci) {
  (void)Buffer, (void)rci;
  RenderLog.push_back("post-effect of " + OwnerBaseSceneObject()->Name);
}

void TTestPreEffect::Render(TScene3DBuffer* Buffer, TRenderContextInfo& rci) {
  (void)Buffer, (void)rci;
  RenderLog.push_back("pre-effect of " + OwnerBaseSceneObject()->Name);
}

void StartSceneUnits() {
  PersistentClasses_Initialize();
  Scene3D_Initialize();
  RegisterClass(TTestObject::StaticClass(), [] { return std::unique_ptr<TObject>(new TTestObject(nullptr)); });
  RegisterXCollectionItemClass(TTestBehaviour::StaticXClass());
  RegisterXCollectionItemClass(TTestPostEffect::StaticXClass());
  RegisterXCollectionItemClass(TTestPreEffect::StaticXClass());
  RenderLog.clear();
}

void StopSceneUnits() {
  UnregisterXCollectionItemClass(TTestPreEffect::StaticXClass());
  UnregisterXCollectionItemClass(TTestPostEffect::StaticXClass());
  UnregisterXCollectionItemClass(TTestBehaviour::StaticXClass());
  UnRegisterClass(TTestObject::StaticClass());
  Scene3D_Finalize();
  PersistentClasses_Finalize();
}
