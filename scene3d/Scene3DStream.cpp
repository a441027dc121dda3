// The object-tree stream and the published values of scene objects.
#include <algorithm>
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
  void DefineOptionalPersistent(const std::string& Name, TPersistent* Existing, std::function<TPersistent*()> Make,
                                bool HasData) override {
    (void)Make;
    if (HasData && Existing) DefinePersistent(Name, Existing);
  }
  void DefineCollection(const std::string& Name, int Count, std::function<TPersistent*(int)> Item,
                        std::function<TPersistent*()> Add, std::function<void()> Clear, bool HasData) override {
    (void)Add, (void)Clear;
    if (!HasData) return;
    FW.WriteString(FPrefix + Name);
    FW.WriteListBegin();
    for (int i = 0; i < Count; ++i) {
      FW.WriteListBegin();
      TTreeWriterFiler item(FW);
      Item(i)->DefineProperties(&item);
      FW.WriteListEnd();
    }
    FW.WriteListEnd();
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

// The readers of the values an object defines now, by name, and the
// objects made on first use that the stream may hold values of.
struct TValueReaders {
  std::map<std::string, std::function<void(TVirtualReader&)>> Values;
  std::vector<std::pair<std::string, std::function<TPersistent*()>>> Optional;   // prefix, maker
};

void ReadValues(TVirtualReader& R, TPersistent* Target, std::vector<TFixup>& Fixups, const std::string& Path);

class TTreeReaderFiler : public TGLObjectFiler {
public:
  TTreeReaderFiler(TValueReaders& Readers, std::vector<TFixup>& Fixups, std::string Path, std::string Prefix = {})
      : FReaders(Readers), FFixups(Fixups), FPath(std::move(Path)), FPrefix(std::move(Prefix)) {}
  void DefineBinaryProperty(const std::string& Name, std::function<void(TStream&)> ReadData,
                            std::function<void(TStream&)> WriteData, bool HasData) override {
    (void)WriteData, (void)HasData;
    FReaders.Values[FPrefix + Name] = [ReadData](TVirtualReader& R) { ReadBinary(R, ReadData); };
  }
  void DefineValue(const std::string& Name, std::function<void(TVirtualReader&)> ReadData,
                   std::function<void(TVirtualWriter&)> WriteData, bool HasData) override {
    (void)WriteData, (void)HasData;
    FReaders.Values[FPrefix + Name] = std::move(ReadData);
  }
  void DefinePersistent(const std::string& Name, TPersistent* Value) override {
    TTreeReaderFiler nested(FReaders, FFixups, FPath, FPrefix + Name + ".");
    Value->DefineProperties(&nested);
  }
  void DefineOptionalPersistent(const std::string& Name, TPersistent* Existing, std::function<TPersistent*()> Make,
                                bool HasData) override {
    (void)HasData;
    if (Existing) DefinePersistent(Name, Existing);
    else FReaders.Optional.emplace_back(FPrefix + Name + ".", std::move(Make));
  }
  void DefineCollection(const std::string& Name, int Count, std::function<TPersistent*(int)> Item,
                        std::function<TPersistent*()> Add, std::function<void()> Clear, bool HasData) override {
    (void)Count, (void)Item, (void)HasData;
    FReaders.Values[FPrefix + Name] = [&Fixups = FFixups, Path = FPath + "." + FPrefix + Name, Add,
                                       Clear](TVirtualReader& R) {
      Clear();
      R.ReadListBegin();
      for (int i = 0; !R.EndOfList(); ++i) ReadValues(R, Add(), Fixups, Path + "[" + IntToStr(i) + "]");
      R.ReadListEnd();
    };
  }
  void DefineReference(const std::string& Name, std::function<void(TComponent*)> SetValue, TComponent* Value) override {
    (void)Value;
    FReaders.Values[FPrefix + Name] = [&Fixups = FFixups, SetValue](TVirtualReader& R) {
      Fixups.push_back({R.ReadString(), SetValue});
    };
  }

private:
  TValueReaders& FReaders;
  std::vector<TFixup>& FFixups;
  std::string FPath, FPrefix;
};

// Reads a list of values of Target by name. The readers are asked for again
// after every value, for a value may replace a property object (a texture's
// image class) or make one (a material's texture).
void ReadValues(TVirtualReader& R, TPersistent* Target, std::vector<TFixup>& Fixups, const std::string& Path) {
  auto collect = [&] {
    TValueReaders readers;
    TTreeReaderFiler filer(readers, Fixups, Path);
    Target->DefineProperties(&filer);
    return readers;
  };
  R.ReadListBegin();
  while (!R.EndOfList()) {
    const std::string property = R.ReadString();
    TValueReaders readers = collect();
    auto it = readers.Values.find(property);
    for (int made = 0; it == readers.Values.end() && made < 16; ++made) {
      auto optional = std::find_if(readers.Optional.begin(), readers.Optional.end(),
                                   [&](const auto& o) { return property.starts_with(o.first); });
      if (optional == readers.Optional.end()) break;
      optional->second();
      readers = collect();
      it = readers.Values.find(property);
    }
    if (it == readers.Values.end()) throw EReadError("Error reading " + Path + "." + property + ": Property does not exist");
    try {
      it->second(R);
    } catch (EReadError& E) {
      if (E.Message.starts_with("Error reading ")) throw;
      throw EReadError("Error reading " + Path + "." + property + ": " + E.Message);
    } catch (Exception& E) {
      throw EReadError("Error reading " + Path + "." + property + ": " + E.Message);
    }
  }
  R.ReadListEnd();
}

void WriteValues(TVirtualWriter& W, TPersistent* Source) {
  W.WriteListBegin();
  TTreeWriterFiler filer(W);
  Source->DefineProperties(&filer);
  W.WriteListEnd();
}

// A scene object or a scene: class, name, values, then its children.
template <typename T>
void WriteNode(TVirtualWriter& W, T* Node) {
  W.WriteString(Node->ClassName());
  W.WriteString(Node->Name);
  WriteValues(W, Node);
  W.WriteListBegin();
  Node->GetChildren([&W](TComponent* Child) { WriteNode(W, static_cast<TGLBaseSceneObject*>(Child)); });
  W.WriteListEnd();
}

class TTreeReader {
public:
  TTreeReader(TStream& Stream, TComponent* Owner) : FReader(&Stream), FOwner(Owner) {}

  TGLBaseSceneObject* ReadRoot(TGLBaseSceneObject* Parent) {
    ReadSignature();
    std::unique_ptr<TGLBaseSceneObject> root;
    Read([&] { ReadObject(Parent, 0, root); });
    return root.release();
  }

  // A scene and both its trees: the objects, then the cameras.
  TScene3D* ReadScene() {
    ReadSignature();
    std::unique_ptr<TScene3D> scene;
    Read([&] {
      const std::string className = FReader.ReadString();
      TClass cls = FindClass(className);
      if (!cls || !cls->InheritsFrom(TScene3D::StaticClass())) throw EReadError("Class " + className + " is not a scene");
      std::unique_ptr<TObject> made = CreateObjectOfClass(cls);
      scene.reset(dynamic_cast<TScene3D*>(made.get()));
      if (!scene) throw EReadError("Class " + className + " cannot be created");
      made.release();
      scene->ComponentState.Include(TComponentStateItem::csLoading).Include(TComponentStateItem::csReading);
      scene->Name = FReader.ReadString();
      FPath = scene->Name.empty() ? className : scene->Name;
      ReadValues(FReader, scene.get(), FFixups, FPath);
      FReader.ReadListBegin();
      while (!FReader.EndOfList()) {
        std::unique_ptr<TGLBaseSceneObject> unused;
        ReadObject(scene.get(), 1, unused);   // the scene's roots free them
      }
      FReader.ReadListEnd();
    });
    scene->ComponentState.Exclude(TComponentStateItem::csLoading).Exclude(TComponentStateItem::csReading);
    scene->Loaded();
    if (FOwner) FOwner->InsertComponent(scene.get());
    return scene.release();
  }

private:
  void ReadSignature() {
    char sig[4];
    FReader.Read(sig, 4);
    if (std::string(sig, 4) != std::string(Signature, 4)) throw EReadError("Invalid stream format");
  }

  // Reads, resolves the references, then lets every object read leave the
  // loading state, first read first.
  void Read(const std::function<void()>& ReadAll) {
    try {
      ReadAll();
      ResolveFixups();
    } catch (EReadError&) {
      throw;
    } catch (Exception& E) {
      throw EReadError("Error reading " + FPath + ": " + E.Message);
    }
    for (TGLBaseSceneObject* o : FRead) {
      o->ComponentState.Exclude(TComponentStateItem::csLoading).Exclude(TComponentStateItem::csReading);
      o->Loaded();
    }
  }

  // Reads one object and its subtree under Parent; Made holds the top one.
  void ReadObject(TComponent* Parent, int Depth, std::unique_ptr<TGLBaseSceneObject>& Made) {
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
    ReadValues(FReader, object, FFixups, FPath);
    FReader.ReadListBegin();
    while (!FReader.EndOfList()) {
      std::unique_ptr<TGLBaseSceneObject> unused;
      ReadObject(object, Depth + 1, unused);
    }
    FReader.ReadListEnd();
  }

  // Names need not be unique under one owner (a tree read twice): the
  // objects just read answer first, the first of them that has the name.
  void ResolveFixups() {
    for (TFixup& f : FFixups) {
      TComponent* target = nullptr;
      if (!f.Name.empty())
        for (TGLBaseSceneObject* o : FRead)
          if (SameText(o->Name, f.Name)) {
            target = o;
            break;
          }
      if (!target && FOwner) target = FOwner->FindComponent(f.Name);
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
  WriteNode(writer, Root);
}

TGLBaseSceneObject* ReadObjectTree(TStream& Stream, TComponent* Owner, TGLBaseSceneObject* Parent) {
  TTreeReader reader(Stream, Owner);
  return reader.ReadRoot(Parent);
}

void WriteScene(TStream& Stream, TScene3D* Scene) {
  Stream.WriteBuffer(Signature, 4);
  TBinaryWriter writer(&Stream);
  WriteNode(writer, Scene);
}

TScene3D* ReadScene(TStream& Stream, TComponent* Owner) {
  TTreeReader reader(Stream, Owner);
  return reader.ReadScene();
}

// ---- Published values ---------------------------------------------------------------------------

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

void TScene3D::DefineProperties(TFiler* Filer) {
  TGLUpdateAbleComponent::DefineProperties(Filer);
  auto* f = dynamic_cast<TGLObjectFiler*>(Filer);
  if (!f) return;
  f->DefineEnum<TGLObjectsSorting>("ObjectsSorting", SortingNames, FObjectsSorting,
                                   [this](TGLObjectsSorting v) { SetObjectsSorting(v); },
                                   FObjectsSorting != TGLObjectsSorting::osRenderBlendedLast);
  f->DefineEnum<TGLVisibilityCulling>("VisibilityCulling", CullingNames, FVisibilityCulling,
                                      [this](TGLVisibilityCulling v) { SetVisibilityCulling(v); },
                                      FVisibilityCulling != TGLVisibilityCulling::vcNone);
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
