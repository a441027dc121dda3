// The object-tree stream and the published values of scene objects.
#include <map>

#include "classlib/UnitInit.h"
#include "scene3d/Base/XOpenGL.h"
#include "scene3d/GLCrossPlatform.h"
#include "scene3d/Scene3D.h"

namespace {
const char Signature[4] = {'T', 'P', 'F', '0'};
const int MaxTreeDepth = 256;
TUnitCounter InitCounter;

const char* const SortingNames[] = {"osInherited", "osNone", "osRenderFarthestFirst", "osRenderBlendedLast",
                                    "osRenderNearestFirst"};
const char* const CullingNames[] = {"vcInherited", "vcNone", "vcObjectBased", "vcHierarchical"};

void WriteBinary(TVirtualWriter& W, const std::function<void(TStream&)>& WriteData) {
  TMemoryStream data;
  WriteData(data);
  W.WriteString(std::string(data.Data().begin(), data.Data().end()));
}

void ReadBinary(TVirtualReader& R, const std::function<void(TStream&)>& ReadData) {
  TStringStream data(R.ReadString());
  ReadData(data);
  if (data.Position() != data.Size()) throw EReadError("Binary property data left unread");
}

// Writes the published values an object defines, in definition order.
class TTreeWriterFiler : public TGLObjectFiler {
public:
  TTreeWriterFiler(TVirtualWriter& W, std::string Prefix = {}) : FW(W), FPrefix(std::move(Prefix)) {}
  void DefineBinaryProperty(const std::string& Name, std::function<void(TStream&)> ReadData,
                            std::function<void(TStream&)> WriteData, bool HasData) override {
    (void)ReadData;
    if (!HasData) return;
    FW.WriteString(FPrefix + Name);
    WriteBinary(FW, WriteData);
  }
  void DefineValue(const std::string& Name, std::function<void(TVirtualReader&)> ReadData,
                   std::function<void(TVirtualWriter&)> WriteData, bool HasData) override {
    (void)ReadData;
    if (!HasData) return;
    FW.WriteString(FPrefix + Name);
    WriteData(FW);
  }
  void DefinePersistent(const std::string& Name, TPersistent* Value) override {
    TTreeWriterFiler nested(FW, FPrefix + Name + ".");
    Value->DefineProperties(&nested);
  }
  void DefineReference(const std::string& Name, std::function<void(TComponent*)> SetValue, TComponent* Value) override {
    (void)SetValue;
    if (!Value) return;
    FW.WriteString(FPrefix + Name);
    FW.WriteString(Value->Name);
  }

private:
  TVirtualWriter& FW;
  std::string FPrefix;
};

struct TFixup {
  std::string Name;
  std::function<void(TComponent*)> SetValue;
};

// Collects the readers of the values an object defines, by name.
class TTreeReaderFiler : public TGLObjectFiler {
public:
  TTreeReaderFiler(std::map<std::string, std::function<void(TVirtualReader&)>>& Readers,
                   std::vector<TFixup>& Fixups, std::string Prefix = {})
      : FReaders(Readers), FFixups(Fixups), FPrefix(std::move(Prefix)) {}
  void DefineBinaryProperty(const std::string& Name, std::function<void(TStream&)> ReadData,
                            std::function<void(TStream&)> WriteData, bool HasData) override {
    (void)WriteData, (void)HasData;
    FReaders[FPrefix + Name] = [ReadData](TVirtualReader& R) { ReadBinary(R, ReadData); };
  }
  void DefineValue(const std::string& Name, std::function<void(TVirtualReader&)> ReadData,
                   std::function<void(TVirtualWriter&)> WriteData, bool HasData) override {
    (void)WriteData, (void)HasData;
    FReaders[FPrefix + Name] = std::move(ReadData);
  }
  void DefinePersistent(const std::string& Name, TPersistent* Value) override {
    TTreeReaderFiler nested(FReaders, FFixups, FPrefix + Name + ".");
    Value->DefineProperties(&nested);
  }
  void DefineReference(const std::string& Name, std::function<void(TComponent*)> SetValue, TComponent* Value) override {
    (void)Value;
    FReaders[FPrefix + Name] = [&Fixups = FFixups, SetValue](TVirtualReader& R) {
      Fixups.push_back({R.ReadString(), SetValue});
    };
  }

private:
  std::map<std::string, std::function<void(TVirtualReader&)>>& FReaders;
  std::vector<TFixup>& FFixups;
  std::string FPrefix;
};

void WriteObject(TVirtualWriter& W, TGLBaseSceneObject* Object) {
  W.WriteString(Object->ClassName());
  W.WriteString(Object->Name);
  W.WriteListBegin();
  TTreeWriterFiler filer(W);
  Object->DefineProperties(&filer);
  W.WriteListEnd();
  W.WriteListBegin();
  Object->GetChildren([&W](TComponent* Child) { WriteObject(W, static_cast<TGLBaseSceneObject*>(Child)); });
  W.WriteListEnd();
}

class TTreeReader {
public:
  TTreeReader(TStream& Stream, TComponent* Owner) : FReader(&Stream), FOwner(Owner) {}

  TGLBaseSceneObject* ReadRoot(TGLBaseSceneObject* Parent) {
    char sig[4];
    FReader.Read(sig, 4);
    if (std::string(sig, 4) != std::string(Signature, 4)) throw EReadError("Invalid stream format");
    std::unique_ptr<TGLBaseSceneObject> root;
    try {
      ReadObject(Parent, 0, root);
      ResolveFixups();
    } catch (EReadError&) {
      throw;
    } catch (Exception& E) {
      throw EReadError("Error reading " + FPath + ": " + E.Message);
    }
    // Everything read: the objects leave the loading state, first read first.
    for (TGLBaseSceneObject* o : FRead) {
      o->ComponentState.Exclude(TComponentStateItem::csLoading).Exclude(TComponentStateItem::csReading);
      o->Loaded();
    }
    return root.release();
  }

private:
  // Reads one object and its subtree under Parent; Made holds the top one.
  void ReadObject(TGLBaseSceneObject* Parent, int Depth, std::unique_ptr<TGLBaseSceneObject>& Made) {
    if (Depth >= MaxTreeDepth) throw EReadError("Object tree nested too deeply");
    const std::string className = FReader.ReadString();
    TClass cls = FindClass(className);
    if (!cls) throw EReadError("Class " + className + " not found");
    if (!cls->InheritsFrom(TGLBaseSceneObject::StaticClass()))
      throw EReadError("Class " + className + " is not a scene object");
    const std::string name = FReader.ReadString();
    std::unique_ptr<TObject> made = CreateObjectOfClass(cls);
    auto* object = dynamic_cast<TGLBaseSceneObject*>(made.get());
    if (!object) throw EReadError("Class " + className + " cannot be created");
    made.release();
    object->ComponentState.Include(TComponentStateItem::csLoading).Include(TComponentStateItem::csReading);
    if (Depth == 0) Made.reset(object);   // freeing the top object frees whatever was read below it
    if (FOwner) FOwner->InsertComponent(object);
    if (Parent) object->SetParentComponent(Parent);
    FRead.push_back(object);
    object->SetName(name);
    FPath = name.empty() ? className : name;

    std::map<std::string, std::function<void(TVirtualReader&)>> readers;
    TTreeReaderFiler filer(readers, FFixups);
    object->DefineProperties(&filer);
    FReader.ReadListBegin();
    while (!FReader.EndOfList()) {
      const std::string property = FReader.ReadString();
      auto it = readers.find(property);
      if (it == readers.end()) throw EReadError("Error reading " + FPath + "." + property + ": Property does not exist");
      try {
        it->second(FReader);
      } catch (Exception& E) {
        throw EReadError("Error reading " + FPath + "." + property + ": " + E.Message);
      }
    }
    FReader.ReadListEnd();
    FReader.ReadListBegin();
    while (!FReader.EndOfList()) {
      std::unique_ptr<TGLBaseSceneObject> unused;
      ReadObject(object, Depth + 1, unused);
    }
    FReader.ReadListEnd();
  }

  void ResolveFixups() {
    for (TFixup& f : FFixups) {
      TComponent* target = FOwner ? FOwner->FindComponent(f.Name) : nullptr;
      if (!target)
        for (TGLBaseSceneObject* o : FRead)
          if (!f.Name.empty() && SameText(o->Name, f.Name)) target = o;
      f.SetValue(target);
    }
  }

  TBinaryReader FReader;
  TComponent* FOwner;
  std::vector<TGLBaseSceneObject*> FRead;
  std::vector<TFixup> FFixups;
  std::string FPath;
};
}  // namespace

std::string ObjectsSortingName(TGLObjectsSorting Value) { return SortingNames[static_cast<size_t>(Value)]; }
std::string VisibilityCullingName(TGLVisibilityCulling Value) { return CullingNames[static_cast<size_t>(Value)]; }

void WriteObjectTree(TStream& Stream, TGLBaseSceneObject* Root) {
  Stream.WriteBuffer(Signature, 4);
  TBinaryWriter writer(&Stream);
  WriteObject(writer, Root);
}

TGLBaseSceneObject* ReadObjectTree(TStream& Stream, TComponent* Owner, TGLBaseSceneObject* Parent) {
  TTreeReader reader(Stream, Owner);
  return reader.ReadRoot(Parent);
}

// ---- Published values ---------------------------------------------------------------------------

int TGLObjectFiler::IndexOfName(const char* const* Names, size_t Count, const std::string& Name) {
  for (size_t i = 0; i < Count; ++i)
    if (Name == Names[i]) return static_cast<int>(i);
  throw EReadError("Invalid property value " + Name);
}

void TGLObjectFiler::DefineSingle(const std::string& Name, float Value, std::function<void(float)> Set, bool HasData) {
  DefineValue(
      Name, [Set](TVirtualReader& R) { Set(static_cast<float>(R.ReadFloat())); },
      [Value](TVirtualWriter& W) { W.WriteFloat(Value); }, HasData);
}

void TGLObjectFiler::DefineInteger(const std::string& Name, int32_t Value, std::function<void(int32_t)> Set,
                                   bool HasData) {
  DefineValue(
      Name, [Set](TVirtualReader& R) { Set(R.ReadInteger()); }, [Value](TVirtualWriter& W) { W.WriteInteger(Value); },
      HasData);
}

void TGLObjectFiler::DefineBoolean(const std::string& Name, bool Value, std::function<void(bool)> Set, bool HasData) {
  DefineValue(
      Name, [Set](TVirtualReader& R) { Set(R.ReadBoolean()); }, [Value](TVirtualWriter& W) { W.WriteBoolean(Value); },
      HasData);
}

void TGLBaseSceneObject::DefineProperties(TFiler* Filer) {
  TGLCoordinatesUpdateAbleComponent::DefineProperties(Filer);
  if (auto* f = dynamic_cast<TGLObjectFiler*>(Filer)) {
    f->DefineValue(
        "Tag", [this](TVirtualReader& R) { Tag = R.ReadInteger(); },
        [this](TVirtualWriter& W) { W.WriteInteger(static_cast<int32_t>(Tag)); }, Tag != 0);
    f->DefineValue(
        "TagFloat", [this](TVirtualReader& R) { TagFloat = static_cast<float>(R.ReadFloat()); },
        [this](TVirtualWriter& W) { W.WriteFloat(TagFloat); }, TagFloat != 0.0f);
  }
  // Each collection through the binary writer and reader; created when read.
  auto defineCollection = [Filer](const char* Name, const std::function<TXCollection*()>& Collection, bool HasData) {
    Filer->DefineBinaryProperty(
        Name,
        [Collection](TStream& S) {
          TBinaryReader r(&S);
          Collection()->ReadFromFiler(&r);
        },
        [Collection](TStream& S) {
          TBinaryWriter w(&S);
          Collection()->WriteToFiler(&w);
        },
        HasData);
  };
  defineCollection("BehavioursData", [this] { return Behaviours(); }, HasBehaviours());
  defineCollection("EffectsData", [this] { return Effects(); }, HasEffects());
}

void TGLBaseSceneObject::DefineSceneObjectProperties(TFiler* Filer) {
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefinePersistent("Position", FPosition.get());
  f->DefinePersistent("Direction", FDirection.get());
  f->DefinePersistent("Up", FUp.get());
  f->DefinePersistent("Scale", FScaling.get());
  const char* const angles[3] = {"PitchAngle", "TurnAngle", "RollAngle"};
  for (int i = 0; i < 3; ++i)
    f->DefineValue(
        angles[i], [this, i](TVirtualReader& R) { TurnAxis(i, static_cast<float>(R.ReadFloat())); },
        [this, i](TVirtualWriter& W) { W.WriteFloat(FRotation->AsVector()[static_cast<size_t>(i)]); },
        FRotation->AsVector()[static_cast<size_t>(i)] != 0.0f);
  f->DefineValue(
      "ShowAxes", [this](TVirtualReader& R) { SetShowAxes(R.ReadBoolean()); },
      [this](TVirtualWriter& W) { W.WriteBoolean(FShowAxes); }, FShowAxes);
  f->DefineValue(
      "Visible", [this](TVirtualReader& R) { SetVisible(R.ReadBoolean()); },
      [this](TVirtualWriter& W) { W.WriteBoolean(FVisible); }, !FVisible);
  f->DefineValue(
      "ObjectsSorting",
      [this](TVirtualReader& R) { SetObjectsSorting(EnumFromName<TGLObjectsSorting>(SortingNames, R.ReadString())); },
      [this](TVirtualWriter& W) { W.WriteString(ObjectsSortingName(FObjectsSorting)); },
      FObjectsSorting != TGLObjectsSorting::osInherited);
  f->DefineValue(
      "VisibilityCulling",
      [this](TVirtualReader& R) {
        SetVisibilityCulling(EnumFromName<TGLVisibilityCulling>(CullingNames, R.ReadString()));
      },
      [this](TVirtualWriter& W) { W.WriteString(VisibilityCullingName(FVisibilityCulling)); },
      FVisibilityCulling != TGLVisibilityCulling::vcInherited);
}

// ---- Start-up ---------------------------------------------------------------------------------

namespace {
template <typename T>
void RegisterSceneObject() {
  RegisterClass(T::StaticClass(), [] { return std::unique_ptr<TObject>(new T(nullptr)); });
}

std::vector<const TXCollectionItemClass*> ItemClasses() {
  return {TGLBehaviour::StaticXClass(), TGLObjectEffect::StaticXClass(), TGLObjectPreEffect::StaticXClass(),
          TGLObjectPostEffect::StaticXClass(), TGLObjectAfterEffect::StaticXClass()};
}
}  // namespace

namespace {
int64_t vCounterFrequency = 0;

bool FirstLightMatrix(TScene3D* Scene, TMatrix& Matrix) {
  TGLLightSource* light = Scene ? Scene->Lights(0) : nullptr;
  if (!light) return false;
  Matrix = light->AbsoluteMatrix();
  return true;
}

std::vector<TClass> SceneClasses() {
  return {TGLLightSource::StaticClass(), TGLCamera::StaticClass(), TScene3D::StaticClass(),
          TGLMemoryViewer::StaticClass()};
}
}  // namespace

int64_t Scene3DCounterFrequency() { return vCounterFrequency; }

void Scene3D_Initialize() {
  if (!InitCounter.Enter()) return;
  PersistentClasses_Initialize();
  XOpenGL_Initialize();
  GLContext_Initialize();
  GLTexture_Initialize();
  XCollection_Initialize();
  if (!QueryPerformanceFrequency(vCounterFrequency)) vCounterFrequency = 0;
  GLSceneHooks().FirstLightMatrix = FirstLightMatrix;
  RegisterSceneObject<TGLLightSource>();
  RegisterSceneObject<TGLCamera>();
  RegisterClass(TScene3D::StaticClass(), [] { return std::unique_ptr<TObject>(new TScene3D(nullptr)); });
  RegisterClass(TGLMemoryViewer::StaticClass(), [] { return std::unique_ptr<TObject>(new TGLMemoryViewer(nullptr)); });
  RegisterSceneObject<TGLBaseSceneObject>();
  RegisterSceneObject<TGLProxyObject>();
  RegisterSceneObject<TScene3DObject>();
  RegisterSceneObject<TGLImmaterialSceneObject>();
  RegisterSceneObject<TGLCameraInvariantObject>();
  RegisterSceneObject<TGLDirectOpenGL>();
  RegisterSceneObject<TGLRenderPoint>();
  for (const TXCollectionItemClass* c : ItemClasses()) RegisterXCollectionItemClass(c);
  // A material or texture owned by a scene object rebuilds that object's
  // compiled geometry when it changes.
  GLSceneHooks().StructureChanged = [](TPersistent* Owner) {
    auto* o = dynamic_cast<TGLBaseSceneObject*>(Owner);
    if (o) o->StructureChanged();
    return o != nullptr;
  };
}

void Scene3D_Finalize() {
  if (!InitCounter.Leave()) return;
  GLSceneHooks() = TGLSceneHooks{};
  for (const TXCollectionItemClass* c : ItemClasses()) UnregisterXCollectionItemClass(c);
  for (TClass c : {TGLRenderPoint::StaticClass(), TGLDirectOpenGL::StaticClass(), TGLCameraInvariantObject::StaticClass(),
                   TGLImmaterialSceneObject::StaticClass(), TScene3DObject::StaticClass()})
    UnRegisterClass(c);
  for (TClass c : SceneClasses()) UnRegisterClass(c);
  UnRegisterClass(TGLProxyObject::StaticClass());
  UnRegisterClass(TGLBaseSceneObject::StaticClass());
  XCollection_Finalize();
  GLTexture_Finalize();
  GLContext_Finalize();
  XOpenGL_Finalize();
  PersistentClasses_Finalize();
}
