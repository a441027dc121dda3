// Scene objects for the tests: they publish the placement properties, log
// what they are asked to do and draw a filled square of their colour.
#pragma once
#include <string>
#include <vector>

#include "scene3d/Scene3D.h"

extern std::vector<std::string> RenderLog;

class TTestObject : public TGLBaseSceneObject {
  DECLARE_CLASSINFO(TTestObject)
public:
  explicit TTestObject(TComponent* AOwner) : TGLBaseSceneObject(AOwner) {}
  void DefineProperties(TFiler* Filer) override {
    TGLBaseSceneObject::DefineProperties(Filer);
    DefineSceneObjectProperties(Filer);
  }
  void BuildList(TRenderContextInfo& rci) override;
  void DoRender(TRenderContextInfo& rci, bool renderSelf, bool renderChildren) override {
    if (renderSelf) RenderLog.push_back(Name);
    TGLBaseSceneObject::DoRender(rci, renderSelf, renderChildren);
  }
  bool Blended() override { return IsBlended; }
  bool IsBlended = false;
  int Builds = 0;
  float Colour[3] = {1, 1, 1};
  float HalfSize = 0.25f;
};

// A scene that counts the changes it is told about while not updating.
class TCountingScene : public TScene3D {
public:
  using TScene3D::TScene3D;
  void NotifyChange(TObject* Sender) override {
    if (!IsUpdating()) ++Changes;
    TScene3D::NotifyChange(Sender);
  }
  int Changes = 0;
};

class TTestBehaviour : public TGLBehaviour {
  DECLARE_XCOLLECTIONITEM(TTestBehaviour)
public:
  explicit TTestBehaviour(TXCollection* AOwner) : TGLBehaviour(AOwner, StaticXClass()) {}
  static std::string FriendlyName() { return "Test behaviour"; }
  void DoProgress(const TProgressTimes& T) override;
  void WriteToFiler(TVirtualWriter* W) override {
    TGLBehaviour::WriteToFiler(W);
    W->WriteInteger(Value);
  }
  void ReadFromFiler(TVirtualReader* R) override {
    TGLBehaviour::ReadFromFiler(R);
    Value = R->ReadInteger();
  }
  int Value = 0;
};

class TTestPostEffect : public TGLObjectPostEffect {
  DECLARE_XCOLLECTIONITEM(TTestPostEffect)
public:
  explicit TTestPostEffect(TXCollection* AOwner) : TGLObjectPostEffect(AOwner, StaticXClass()) {}
  static std::string FriendlyName() { return "Test post-effect"; }
  void DoProgress(const TProgressTimes& T) override;
  void Render(TScene3DBuffer* Buffer, TRenderContextInfo& rci) override;
};

class TTestPreEffect : public TGLObjectPreEffect {
  DECLARE_XCOLLECTIONITEM(TTestPreEffect)
public:
  explicit TTestPreEffect(TXCollection* AOwner) : TGLObjectPreEffect(AOwner, StaticXClass()) {}
  static std::string FriendlyName() { return "Test pre-effect"; }
  void Render(TScene3DBuffer* Buffer, TRenderContextInfo& rci) override;
};

// Starts the units the scene tests need and registers the test classes.
void StartSceneUnits();
void StopSceneUnits();
