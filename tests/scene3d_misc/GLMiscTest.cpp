#include <gtest/gtest.h>

#include <functional>

#include "Assertions.h"
#include "TestPaths.h"
#include "scene3d/GLMisc.h"
#include "scene3d/GLUtils.h"

namespace {
std::vector<std::string> Log;

class TProbeComponent : public TGLUpdateAbleComponent {
public:
  using TGLUpdateAbleComponent::TGLUpdateAbleComponent;
  void NotifyChange(TObject* Sender) override {
    Log.push_back(Name + " <- " + (Sender ? Sender->ClassName() : "nil"));
    TGLUpdateAbleComponent::NotifyChange(Sender);
  }
};

class TProbeObject : public TGLCoordinatesUpdateAbleComponent {
public:
  using TGLCoordinatesUpdateAbleComponent::TGLCoordinatesUpdateAbleComponent;
  void CoordinateChanged(TGLCoordinates* Sender) override { Log.push_back("CoordinateChanged " + Sender->ClassName()); }
  void NotifyChange(TObject*) override { Log.push_back("NotifyChange"); }
};

class TRecordingFiler : public TFiler {
public:
  std::string Name;
  std::function<void(TStream&)> Reader, Writer;
  bool HasData = false;
  void DefineBinaryProperty(const std::string& AName, std::function<void(TStream&)> ReadData,
                            std::function<void(TStream&)> WriteData, bool AHasData) override {
    Name = AName;
    Reader = std::move(ReadData);
    Writer = std::move(WriteData);
    HasData = AHasData;
  }
};

bool FailsAt(const std::function<void()>& f, int Line) {
  const std::string m = AssertionOf(f);
  return m.find("scene3d\\GLMisc") != std::string::npos &&
         m.find("line " + std::to_string(Line)) != std::string::npos;
}
}  // namespace

TEST(UpdateChain, ChangesClimbTheOwners) {
  Log.clear();
  TProbeComponent scene(nullptr);
  scene.Name = "scene";
  auto* obj = new TProbeComponent(&scene);
  obj->Name = "obj";
  TGLUpdateAbleObject material(obj);
  TGLCoordinates coords(&material);
  int handled = 0;
  material.OnNotifyChange = [&](TObject* s) { handled += s == &material; };
  coords.SetX(2.0f);
  EXPECT_EQ(Log, (std::vector<std::string>{"obj <- TGLUpdateAbleObject", "scene <- TGLUpdateAbleComponent"}));
  EXPECT_EQ(handled, 1);
  EXPECT_EQ(coords.X(), 2.0f);

  Log.clear();
  material.BeginUpdate();
  coords.SetY(1.0f);
  EXPECT_TRUE(Log.empty()) << "dropped while the owner's update count is up";
  coords.BeginUpdate();
  material.EndUpdate();
  coords.SetZ(1.0f);
  EXPECT_TRUE(Log.empty());
  coords.EndUpdate();
  EXPECT_EQ(coords.AsVector(), (TVector{2, 1, 1, 0}));
}

TEST(UpdateChain, OwnerlessAndPlainOwners) {
  TGLCoordinates lonely(nullptr);
  int calls = 0;
  lonely.OnNotifyChange = [&](TObject*) { ++calls; };
  lonely.SetX(1);
  EXPECT_EQ(calls, 0) << "without owner nothing is called";
  TPersistent plain;
  TGLCoordinates owned(&plain);
  owned.OnNotifyChange = [&](TObject*) { ++calls; };
  owned.SetX(1);
  EXPECT_EQ(calls, 1);
}

TEST(UpdateChain, CoordinatesTellTheirSceneObjectThroughCoordinateChanged) {
  Log.clear();
  TProbeObject camera(nullptr);
  TGLCoordinates position(&camera, TVector{0, 0, 0, 1}, TGLCoordinatesStyle::csPoint);
  position.SetX(3);
  EXPECT_EQ(Log, std::vector<std::string>{"CoordinateChanged TGLCoordinates"});
  TGLCoordinates copy(&camera);
  Log.clear();
  copy.Assign(&position);
  EXPECT_TRUE(Log.empty()) << "Assign does not notify";
  EXPECT_EQ(copy.AsVector(), (TVector{3, 0, 0, 1}));
  copy.Initialize(TVector{1, 1, 1, 1});
  copy.SetDirectVector(TVector{2, 2, 2, 2});
  EXPECT_TRUE(Log.empty());
  EXPECT_THROW(copy.Assign(&camera), EConvertError);
}

TEST(Coordinates, KindsGuardTheirSetters) {
  TGLCoordinates point(nullptr, NullHmgPoint, TGLCoordinatesStyle::csPoint);
  EXPECT_TRUE(FailsAt([&] { point.SetVector(1, 2, 3); }, 829));
  EXPECT_TRUE(FailsAt([&] { point.SetVector(1, 2, 3, 0); }, 856));
  point.SetPoint(1, 2, 3);
  EXPECT_EQ(point.AsVector(), (TVector{1, 2, 3, 1}));
  point.SetAsVector(TVector{4, 5, 6, 0});
  EXPECT_EQ(point.AsVector()[3], 1.0f) << "a point keeps w = 1";
  TGLCoordinates dir(nullptr, NullHmgVector, TGLCoordinatesStyle::csVector);
  EXPECT_TRUE(FailsAt([&] { dir.SetPoint(1, 2, 3); }, 888));
  dir.SetVector(0, 3, 4);
  EXPECT_EQ(dir.AsVector(), (TVector{0, 3, 4, 0}));
  EXPECT_FLOAT_EQ(dir.VectorLength(), 5.0f);
  dir.SetAsVector(TVector{1, 1, 1, 1});
  EXPECT_EQ(dir.AsVector()[3], 0.0f);
  dir.SetVector(0, 3, 4, 7);
  dir.Normalize();
  EXPECT_TRUE(dir.Equals(TVector{0, 0.6f, 0.8f, 0}));
  EXPECT_FALSE(dir.Equals(TVector{0, 0.6f, 0.8f, -0.0f}));
  TGLCoordinates4 any(nullptr, TVector{1, 2, 3, 4});
  any.SetAsVector(TVector{5, 6, 7, 8});
  any.SetW(9);
  EXPECT_EQ(any.W(), 9.0f);
  EXPECT_EQ(any.AsAffineVector(), AffineVectorMake(5, 6, 7));
  EXPECT_EQ(any.AsAddress()[3], 9.0f);
}

TEST(Coordinates, StreamAsSixteenBytes) {
  TGLCoordinates pos(nullptr, TVector{0, 0, 0, 1}, TGLCoordinatesStyle::csPoint);
  TRecordingFiler f;
  pos.DefineProperties(&f);
  EXPECT_EQ(f.Name, "Coordinates");
  EXPECT_TRUE(f.HasData) << "always written";
  TMemoryStream s;
  f.Writer(s);
  const std::vector<uint8_t> expected = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80, 0x3F};
  EXPECT_EQ(s.Data(), expected);

  Log.clear();
  TProbeObject owner(nullptr);
  TGLCoordinates back(&owner);
  back.DefineProperties(&f);
  TStringStream in(std::string("\x00\x00\x80\x3F\x00\x00\x00\x40\x00\x00\x40\x40\x00\x00\x80\x40", 16));
  f.Reader(in);
  EXPECT_EQ(back.AsVector(), (TVector{1, 2, 3, 4}));
  EXPECT_TRUE(Log.empty()) << "reading does not notify";
  // short or long data is refused whole: the coordinates keep their value
  for (size_t n : {10, 20}) {
    TStringStream bad(std::string(n, '\x40'));
    EXPECT_THROW(f.Reader(bad), EReadError) << n;
    EXPECT_EQ(back.AsVector(), (TVector{1, 2, 3, 4})) << n;
  }
}

TEST(Nodes, ChangesReachTheOwnerAndSplinesFollowTheNodes) {
  Log.clear();
  TProbeComponent line(nullptr);
  line.Name = "line";
  TGLNodes nodes(&line);
  TGLNode* a = nodes.Add();
  EXPECT_EQ(Log, std::vector<std::string>{"line <- TGLNodes"});
  Log.clear();
  a->SetX(1);
  a->SetY(2.5f);
  a->SetZ(-3);
  EXPECT_EQ(Log.size(), 3u);
  EXPECT_EQ(a->DisplayName(), "1.0000; 2.5000; -3.0000");
  EXPECT_TRUE(a->StoreCoordinate(0));
  Log.clear();
  nodes.BeginUpdate();
  nodes.Add()->SetAsVector(TVector{3, 0, 0, 0});
  nodes.Add()->SetAsVector(TVector{5, 0, 3, 0});
  EXPECT_TRUE(Log.empty());
  nodes.EndUpdate();
  EXPECT_FALSE(Log.empty());
  EXPECT_FALSE(nodes.Items(1)->StoreCoordinate(1));

  std::unique_ptr<TCubicSpline> sp = nodes.CreateNewCubicSpline();
  for (int i = 0; i < 3; ++i) {
    float x, y, z;
    sp->SplineXYZ(float(i), x, y, z);
    EXPECT_NEAR(x, nodes.Items(i)->X(), 1e-5f);
    EXPECT_NEAR(z, nodes.Items(i)->Z(), 1e-5f);
  }
  EXPECT_EQ(sp->SplineW(1.0f), 0.0f);
  TGLNodes copy(nullptr);
  copy.Assign(&nodes);
  EXPECT_EQ(copy.Items(2)->AsAffineVector(), AffineVectorMake(5, 0, 3));
  TProbeComponent plain(nullptr);
  TGLNodes unowned(nullptr);
  EXPECT_NO_THROW(unowned.Add()->SetX(1));
}

TEST(GLUtils, PowersFilesAndRamp) {
  EXPECT_EQ(RoundUpToPowerOf2(0), 1);
  EXPECT_EQ(RoundUpToPowerOf2(1), 1);
  EXPECT_EQ(RoundUpToPowerOf2(3), 4);
  EXPECT_EQ(RoundUpToPowerOf2(256), 256);
  EXPECT_EQ(RoundUpToPowerOf2(257), 512);
  EXPECT_EQ(RoundUpToPowerOf2(1 << 30), 1 << 30);
  EXPECT_EQ(RoundUpToPowerOf2((1 << 29) + 1), 1 << 30);
  EXPECT_THROW(RoundUpToPowerOf2((1 << 30) + 1), ERangeError) << "no power of two above it fits";
  EXPECT_THROW(RoundUpToPowerOf2(0x7FFFFFFF), ERangeError);
  const std::string dir = TempFolder("glutils");
  SaveStringToFile(dir + "\\a.txt", std::string("ab\0c", 4));
  EXPECT_EQ(LoadStringFromFile(dir + "\\a.txt"), std::string("ab\0c", 4));
  EXPECT_EQ(SizeOfFile(dir + "\\a.txt"), 4);
  SaveStringToFile(dir + "\\empty.txt", "");
  EXPECT_EQ(SizeOfFile(dir + "\\empty.txt"), 0);
  EXPECT_EQ(LoadStringFromFile(dir + "\\none.txt"), "");
  EXPECT_EQ(SizeOfFile(dir + "\\none.txt"), 0);
  const uint8_t* ramp = GetSqrt255Array();
  EXPECT_EQ(ramp[0], 0);
  EXPECT_EQ(ramp[64], 127);
  EXPECT_EQ(ramp[255], 255);
  for (int i = 1; i < 256; ++i) EXPECT_LE(ramp[i - 1], ramp[i]);
  EXPECT_EQ(GetSqrt255Array(), ramp) << "shared";
}
