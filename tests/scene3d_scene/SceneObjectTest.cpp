#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "Assertions.h"
#include "SceneTestObjects.h"

namespace {
void ExpectNear(const TVector& a, const TVector& b, float tol = 1e-5f) {
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(a[i], b[i], tol) << "component " << i;
}

class SceneObjectTest : public testing::Test {
protected:
  void SetUp() override {
    StartSceneUnits();
    Scene = std::make_unique<TCountingScene>(nullptr);
  }
  void TearDown() override {
    Scene.reset();
    StopSceneUnits();
  }
  TTestObject* Add(TGLBaseSceneObject* Parent, const std::string& Name) {
    auto* o = Parent->AddNewChild<TTestObject>();
    o->SetName(Name);
    return o;
  }
  std::unique_ptr<TCountingScene> Scene;
};
}  // namespace

TEST_F(SceneObjectTest, ChildFollowsItsParentsMovesTurnsAndScale) {
  TTestObject* parent = Add(Scene->Objects(), "Parent");
  TTestObject* child = Add(parent, "Child");
  // The default frame is the identity, not a mirror of the x axis.
  EXPECT_EQ(parent->LocalMatrix(), IdentityHmgMatrix);

  parent->Position()->SetPoint(1, 2, 3);
  child->Position()->SetPoint(0, 0, 1);
  ExpectNear(child->AbsolutePosition(), {1, 2, 4, 1});

  parent->SetTurnAngle(90);   // the direction swings from +z to +x
  ExpectNear(parent->Direction()->AsVector(), {1, 0, 0, 0});
  EXPECT_FLOAT_EQ(parent->TurnAngle(), 90);
  EXPECT_TRUE(child->Changes().Contains(TGLObjectChange::ocAbsoluteMatrix)) << "only marked, not recomputed";
  ExpectNear(child->AbsolutePosition(), {2, 2, 3, 1});

  parent->Scale()->SetVector(2, 2, 2);
  ExpectNear(child->AbsolutePosition(), {3, 2, 3, 1});
  child->Position()->SetPoint(0, 1, 0);
  ExpectNear(child->AbsolutePosition(), {1, 4, 3, 1});
  ExpectNear(child->AbsoluteUp(), {0, 1, 0, 0});
  ExpectNear(child->AbsoluteDirection(), {1, 0, 0, 0});

  // Both inverse paths: a scaled parent (general inverse) and an unscaled child under it.
  for (TGLBaseSceneObject* o : {static_cast<TGLBaseSceneObject*>(parent), static_cast<TGLBaseSceneObject*>(child)}) {
    const TMatrix product = MatrixMultiply(o->AbsoluteMatrix(), o->InvAbsoluteMatrix());
    for (int i = 0; i < 4; ++i) ExpectNear(product[i], IdentityHmgMatrix[i]);
  }
  ExpectNear(child->AbsoluteToLocal(child->AbsolutePosition()), {0, 0, 0, 1});
  ExpectNear(parent->LocalToAbsolute({0, 0, 1, 1}), {3, 2, 3, 1});
  EXPECT_NEAR(child->DistanceTo({1, 4, 0, 1}), 3.0f, 1e-5f);
  EXPECT_TRUE(parent->PointInObject(parent->AbsolutePosition()));
  EXPECT_TRUE(parent->PointInObject({1.9f, 2, 3, 1}));
  EXPECT_FALSE(parent->PointInObject({2.1f, 2, 3, 1}));
  ExpectNear(parent->AxisAlignedDimensions(), {1, 1, 1, 0});

  // A matrix written directly sets the coordinates it stands for.
  TMatrix m = IdentityHmgMatrix;
  m[0] = {0, 0, -3, 0};
  m[1] = {0, 3, 0, 0};
  m[2] = {3, 0, 0, 0};
  m[3] = {5, 6, 7, 1};
  child->SetMatrix(m);
  ExpectNear(child->Scale()->AsVector(), {3, 3, 3, 0});
  ExpectNear(child->Direction()->AsVector(), {1, 0, 0, 0});
  ExpectNear(child->Position()->AsVector(), {5, 6, 7, 1});
  for (int i = 0; i < 4; ++i) ExpectNear(child->LocalMatrix()[i], m[i]);
}

TEST_F(SceneObjectTest, EachChangeReachesTheSceneOnce) {
  TTestObject* parent = Add(Scene->Objects(), "Parent");
  TTestObject* child = Add(parent, "Child");
  child->AbsoluteMatrix();
  Scene->Changes = 0;
  child->Position()->SetX(5);
  EXPECT_EQ(Scene->Changes, 1);
  child->Position()->SetX(6);
  EXPECT_EQ(Scene->Changes, 1) << "the matrix is already stale: nothing more to say";
  child->AbsolutePosition();
  child->Position()->SetX(7);
  EXPECT_EQ(Scene->Changes, 2);
  child->SetVisible(false);
  child->SetVisible(false);
  EXPECT_EQ(Scene->Changes, 3);
  child->StructureChanged();   // still set from creation: nothing
  EXPECT_EQ(Scene->Changes, 3);
  child->BeginUpdate();
  child->SetShowAxes(true);
  child->SetObjectsSorting(TGLObjectsSorting::osNone);
  child->SetVisibilityCulling(TGLVisibilityCulling::vcNone);
  EXPECT_EQ(Scene->Changes, 3);
  child->EndUpdate();
  EXPECT_EQ(Scene->Changes, 4) << "one change for the whole update";
  EXPECT_EQ(AssertionOf([&] { child->EndUpdate(); }), "Unbalanced Begin/EndUpdate (scene3d\\Scene3D, line 4081)");
  child->BeginUpdate();
  child->EndUpdate();
  EXPECT_EQ(Scene->Changes, 5) << "the count stayed at 0 after the failed EndUpdate";

  parent->AbsoluteMatrix();
  child->AbsoluteMatrix();
  parent->Position()->SetY(1);
  EXPECT_TRUE(child->Changes().Contains(TGLObjectChange::ocAbsoluteMatrix));
  EXPECT_TRUE(child->Changes().Contains(TGLObjectChange::ocInvAbsoluteMatrix));
  EXPECT_FALSE(child->Changes().Contains(TGLObjectChange::ocTransformation));
}

TEST_F(SceneObjectTest, StoredAnglesStayWithinMinus180To180) {
  TTestObject* o = Add(Scene->Objects(), "O");
  o->SetPitchAngle(370);
  EXPECT_FLOAT_EQ(o->PitchAngle(), 10);
  // Pitching by +10 degrees raises the direction towards +y.
  ExpectNear(o->Direction()->AsVector(), {0, std::sin(DegToRad(10)), std::cos(DegToRad(10)), 0});
  o->AbsoluteMatrix();
  const int changes = Scene->Changes;
  o->SetPitchAngle(10);
  EXPECT_EQ(Scene->Changes, changes) << "the same value again does nothing";
  o->SetRollAngle(540);
  EXPECT_FLOAT_EQ(o->RollAngle(), -180);
  o->SetTurnAngle(180);
  EXPECT_FLOAT_EQ(o->TurnAngle(), -180);
  o->SetTurnAngle(-180);
  EXPECT_FLOAT_EQ(o->TurnAngle(), -180);
  o->ResetAndPitchTurnRoll(540, -190, 30);
  EXPECT_FLOAT_EQ(o->PitchAngle(), -180);
  EXPECT_FLOAT_EQ(o->TurnAngle(), 170);
  EXPECT_FLOAT_EQ(o->RollAngle(), 30);
  o->ResetRotations();
  EXPECT_EQ(o->LocalMatrix(), IdentityHmgMatrix);
  EXPECT_FLOAT_EQ(o->PitchAngle(), 0);
}

TEST_F(SceneObjectTest, FrameFallsBackWhenDirectionAndUpMeet) {
  TTestObject* o = Add(Scene->Objects(), "O");
  o->Direction()->SetVector(0, 1, 0);   // parallel to Up
  const TVector d = o->Direction()->AsVector(), u = o->Up()->AsVector();
  ExpectNear(d, {0, 1, 0, 0});
  ExpectNear(u, {0, 0, -1, 0});
  EXPECT_NEAR(VectorDotProduct(d, u), 0, 1e-6f);
  o->Direction()->SetVector(0, 0, 0);
  ExpectNear(o->Direction()->AsVector(), {0, 0, 1, 0});
  o->Up()->SetVector(0, 0, 0);
  ExpectNear(o->Up()->AsVector(), {0, 1, 0, 0});
  o->Up()->SetVector(0, 0, 3);   // parallel to Direction: the direction is rebuilt
  ExpectNear(o->Up()->AsVector(), {0, 0, 1, 0});
  EXPECT_NEAR(VectorDotProduct(o->Up()->AsVector(), o->Direction()->AsVector()), 0, 1e-6f);
  EXPECT_NEAR(VectorLength(o->Direction()->AsVector()), 1, 1e-6f);
}

TEST_F(SceneObjectTest, MoveObjectAroundOrbitsAtTheSameDistance) {
  TTestObject* target = Add(Scene->Objects(), "Target");
  TTestObject* base = Add(Scene->Objects(), "Base");
  TTestObject* eye = Add(base, "Eye");
  target->Position()->SetPoint(10, 0, 0);
  base->Position()->SetPoint(10, 0, 0);
  eye->Position()->SetPoint(0, 0, 5);
  const float h = 5 * std::sqrt(0.5f);

  eye->MoveObjectAround(target, 45, 0);   // 45 degrees further from the up pole
  ExpectNear(eye->AbsolutePosition(), {10, -h, h, 1}, 1e-4f);
  eye->Position()->SetPoint(0, 0, 5);
  eye->MoveObjectAround(target, 0, 90);
  ExpectNear(eye->Position()->AsVector(), {5, 0, 0, 1}, 1e-4f);   // in the parent's frame
  ExpectNear(eye->AbsolutePosition(), {15, 0, 0, 1}, 1e-4f);

  eye->Position()->SetPoint(0, 0, 5);
  eye->MoveObjectAround(target, -200, 0);   // would pass the pole
  ExpectNear(eye->AbsolutePosition(), {10, 5 * std::cos(0.025f), 5 * std::sin(0.025f), 1}, 1e-4f);
  EXPECT_NEAR(eye->DistanceTo(target->AbsolutePosition()), 5, 1e-4f);
  eye->MoveObjectAround(nullptr, 10, 10);
  EXPECT_NEAR(eye->DistanceTo(target->AbsolutePosition()), 5, 1e-4f);
}

TEST_F(SceneObjectTest, TreeKeepsParentsOrderAndOwnership) {
  TGLBaseSceneObject* root = Scene->Objects();
  TTestObject* a = Add(root, "A");
  TTestObject* b = Add(root, "B");
  TTestObject* c = Add(root, "C");
  TTestObject* b1 = Add(b, "B1");
  TTestObject* b2 = Add(b, "B2");
  EXPECT_EQ(b1->Scene(), Scene.get());
  EXPECT_EQ(b->Index(), 1);
  EXPECT_EQ(root->Children(3), nullptr);
  EXPECT_EQ(b1->RootObject(), root);

  c->SetIndex(-5);
  EXPECT_EQ(root->Children(0), c);
  c->SetIndex(99);
  EXPECT_EQ(root->Children(2), c);
  EXPECT_EQ(c->Owner(), Scene.get()) << "reordering keeps the owner";

  b1->MoveTo(a);
  EXPECT_EQ(b1->Parent(), a);
  EXPECT_EQ(b->Count(), 1);
  a->Insert(0, b2);
  EXPECT_EQ(a->Children(0), b2);
  EXPECT_EQ(a->Children(1), b1);
  // A bad index changes nothing: the child stays where it was.
  EXPECT_THROW(root->Insert(9, b1), EListError);
  EXPECT_THROW(a->Insert(2, b1), EListError) << "its own place does not count twice";
  EXPECT_EQ(b1->Parent(), a);
  EXPECT_EQ(a->Children(1), b1);
  a->Insert(1, b1);
  EXPECT_EQ(a->Children(1), b1);

  // Removing with its children keeps them here, in their order.
  root->Remove(a, true);
  EXPECT_EQ(a->Parent(), nullptr);
  EXPECT_EQ(a->Scene(), nullptr) << "out of the tree, out of the scene";
  EXPECT_EQ(b1->Scene(), Scene.get());
  EXPECT_EQ(root->Count(), 4);
  EXPECT_EQ(root->Children(2), b2);
  EXPECT_EQ(root->Children(3), b1);
  EXPECT_EQ(a->Count(), 0);
  a->MoveTo(nullptr);
  EXPECT_EQ(a->Scene(), nullptr);
  delete a;   // out of the tree; its owner hears of it

  const int owned = Scene->ComponentCount();
  TGLBaseSceneObject* made = b->AddNewChild(TTestObject::StaticClass());
  EXPECT_EQ(made->Owner(), Scene.get());
  EXPECT_EQ(Scene->ComponentCount(), owned + 1);
  TGLBaseSceneObject* first = b->AddNewChildFirst(TTestObject::StaticClass());
  EXPECT_EQ(b->Children(0), first);
  EXPECT_THROW(b->AddNewChild(TGLBehaviours::StaticClass()), EInvalidCast);
  root->DeleteChildren();
  EXPECT_EQ(root->Count(), 0);
  EXPECT_EQ(Scene->ComponentCount(), 2) << "only the two roots are left";
}

TEST_F(SceneObjectTest, ProgressRunsChildrenFirstThenBehavioursEffectsAndEvent) {
  TTestObject* p = Add(Scene->Objects(), "P");
  TTestObject* c1 = Add(p, "C1");
  TTestObject* c2 = Add(p, "C2");
  for (TTestObject* o : {p, c1, c2}) {
    new TTestBehaviour(o->Behaviours());
    o->OnProgress = [](TObject* S, double Dt, double T) {
      RenderLog.push_back("event of " + static_cast<TComponent*>(S)->Name + Format(" %.1f %.1f", Dt, T));
    };
  }
  new TTestPostEffect(p->Effects());
  RenderLog.clear();
  Scene->Objects()->DoProgress({0.5, 2.0});
  EXPECT_EQ(RenderLog, (std::vector<std::string>{"behaviour of C2", "event of C2 0.5 2.0", "behaviour of C1",
                                                 "event of C1 0.5 2.0", "behaviour of P", "effect of P",
                                                 "event of P 0.5 2.0"}));

  EXPECT_FALSE(p->Behaviours()->CanAdd(TTestPostEffect::StaticXClass()));
  EXPECT_FALSE(p->Effects()->CanAdd(TTestBehaviour::StaticXClass()));
  EXPECT_TRUE(p->Effects()->CanAdd(TGLObjectAfterEffect::StaticXClass()));
  EXPECT_NE(AssertionOf([&] { new TTestPostEffect(p->Behaviours()); }), "(none)");
  EXPECT_EQ(p->Behaviours()->GetNamePath(), "P.Behaviours");
  EXPECT_EQ(p->Effects()->GetNamePath(), "P.Effects");
  TGLCoordinates notAnObject(nullptr);
  EXPECT_NE(AssertionOf([&] { TGLBehaviours b(&notAnObject); }), "(none)");
}

// ---- The object-tree stream ---------------------------------------------------------------

namespace {
std::string Save(TGLBaseSceneObject* Root) {
  TMemoryStream s;
  WriteObjectTree(s, Root);
  return std::string(s.Data().begin(), s.Data().end());
}

// A stream of one object with the given published values, written by hand.
std::string HandMade(const std::string& ClassName, const std::function<void(TBinaryWriter&)>& Values) {
  TMemoryStream s;
  s.WriteBuffer("TPF0", 4);
  TBinaryWriter w(&s);
  w.WriteString(ClassName);
  w.WriteString("X");
  w.WriteListBegin();
  Values(w);
  w.WriteListEnd();
  w.WriteListBegin();
  w.WriteListEnd();
  return std::string(s.Data().begin(), s.Data().end());
}

std::string Binary(const std::function<void(TBinaryWriter&)>& Write) {
  TMemoryStream s;
  TBinaryWriter w(&s);
  Write(w);
  return std::string(s.Data().begin(), s.Data().end());
}
}  // namespace

TEST_F(SceneObjectTest, ObjectTreeStreamsRoundTrip) {
  TTestObject* root = Add(Scene->Objects(), "Root");
  root->Position()->SetPoint(1, 2, 3);
  root->SetTurnAngle(30);
  root->Scale()->SetVector(2, 1, 1);
  root->SetObjectsSorting(TGLObjectsSorting::osRenderNearestFirst);
  root->TagFloat = 2.5f;
  root->Tag = 77;
  auto* behaviour = new TTestBehaviour(root->Behaviours());
  behaviour->Value = 42;
  new TTestPostEffect(root->Effects());
  new TGLObjectAfterEffect(root->Effects());
  TTestObject* child = Add(root, "Child");
  child->SetVisible(false);
  child->SetVisibilityCulling(TGLVisibilityCulling::vcObjectBased);
  child->SetShowAxes(true);
  Add(child, "Grandchild")->Position()->SetPoint(0, 0, -4);
  Add(root, "Second");
  const std::string saved = Save(root);

  TComponent owner(nullptr);
  TTestObject* back = dynamic_cast<TTestObject*>([&] {
    TStringStream s(saved);
    return ReadObjectTree(s, &owner, Scene->Objects());
  }());
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Name, "Root");
  EXPECT_EQ(back->Parent(), Scene->Objects());
  EXPECT_EQ(back->Scene(), Scene.get());
  EXPECT_EQ(owner.ComponentCount(), 4);
  ExpectNear(back->Position()->AsVector(), {1, 2, 3, 1});
  EXPECT_FLOAT_EQ(back->TurnAngle(), 30);
  for (int i = 0; i < 4; ++i) ExpectNear(back->AbsoluteMatrix()[i], root->AbsoluteMatrix()[i]);
  EXPECT_EQ(back->ObjectsSorting(), TGLObjectsSorting::osRenderNearestFirst);
  EXPECT_EQ(back->TagFloat, 2.5f);
  EXPECT_EQ(back->Tag, 77);
  ASSERT_EQ(back->Behaviours()->Count(), 1);
  EXPECT_EQ(static_cast<TTestBehaviour*>(back->Behaviours()->Items(0))->Value, 42);
  ASSERT_EQ(back->Effects()->Count(), 2);
  EXPECT_EQ(back->Effects()->Items(1)->ClassName(), "TGLObjectAfterEffect");
  ASSERT_EQ(back->Count(), 2);
  TGLBaseSceneObject* backChild = back->Children(0);
  EXPECT_EQ(backChild->Name, "Child");
  EXPECT_FALSE(backChild->Visible());
  EXPECT_TRUE(backChild->ShowAxes());
  EXPECT_EQ(backChild->VisibilityCulling(), TGLVisibilityCulling::vcObjectBased);
  ASSERT_EQ(backChild->Count(), 1);
  ExpectNear(backChild->Children(0)->Position()->AsVector(), {0, 0, -4, 1});
  EXPECT_FALSE(backChild->ComponentState.Contains(TComponentStateItem::csLoading));
  EXPECT_EQ(Save(back), saved) << "a second save writes the same bytes";
}

// One tree read twice under one owner: names repeat there, and each copy's
// camera looks at its own copy of the target.
TEST_F(SceneObjectTest, EachCopyOfATreeRefersToItsOwnObjects) {
  TTestObject* rig = Add(Scene->Objects(), "Rig");
  TTestObject* spot = Add(rig, "Spot");
  spot->Position()->SetPoint(0, 0, -3);
  auto* eye = rig->AddNewChild<TGLCamera>();
  eye->SetName("Eye");
  eye->SetTargetObject(spot);
  const std::string saved = Save(rig);
  TComponent owner(nullptr);
  TGLBaseSceneObject* copies[2] = {};
  for (TGLBaseSceneObject*& copy : copies) {
    TStringStream s(saved);
    copy = ReadObjectTree(s, &owner, Scene->Objects());
    ASSERT_NE(copy, nullptr);
  }
  for (TGLBaseSceneObject* copy : copies) {
    ASSERT_EQ(copy->Count(), 2);
    auto* camera = dynamic_cast<TGLCamera*>(copy->Children(1));
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->TargetObject(), copy->Children(0)) << "the target read with the camera";
  }
  EXPECT_EQ(eye->TargetObject(), spot) << "the original keeps its own";
}

TEST_F(SceneObjectTest, BadObjectTreeStreamsRaiseReadErrors) {
  TTestObject* root = Add(Scene->Objects(), "Root");
  new TTestBehaviour(root->Behaviours());
  Add(Add(root, "Child"), "Grandchild")->SetPitchAngle(20);
  const std::string saved = Save(root);
  TComponent owner(nullptr);
  const int children = Scene->Objects()->Count();
  auto read = [&](const std::string& Data) -> std::string {
    TStringStream s(Data);
    try {
      delete ReadObjectTree(s, &owner, Scene->Objects());
    } catch (const EReadError& e) {
      EXPECT_EQ(owner.ComponentCount(), 0) << "nothing read is kept";
      EXPECT_EQ(Scene->Objects()->Count(), children);
      return e.Message;
    }
    return "(read)";
  };
  for (size_t n = 0; n < saved.size(); ++n) EXPECT_NE(read(saved.substr(0, n)), "(read)") << "cut at " << n;
  EXPECT_EQ(read(saved), "(read)");
  // Damaged bytes anywhere: the stream reads or raises the read error, nothing else.
  uint32_t seed = 12345;
  for (int round = 0; round < 3000; ++round) {
    std::string damaged = saved;
    for (int k = 0; k < 1 + round % 4; ++k) {
      seed = seed * 1664525u + 1013904223u;
      damaged[(seed >> 8) % damaged.size()] = static_cast<char>(seed >> 24);
    }
    read(damaged);
  }

  EXPECT_EQ(read("XPF0" + saved.substr(4)), "Invalid stream format");
  EXPECT_EQ(read(HandMade("TNoSuchClass", [](TBinaryWriter&) {})), "Class TNoSuchClass not found");
  RegisterClass(TGLCoordinates::StaticClass(), [] { return std::unique_ptr<TObject>(new TGLCoordinates(nullptr)); });
  EXPECT_EQ(read(HandMade("TGLCoordinates", [](TBinaryWriter&) {})), "Class TGLCoordinates is not a scene object");
  UnRegisterClass(TGLCoordinates::StaticClass());
  EXPECT_EQ(read(HandMade("TTestObject", [](TBinaryWriter& W) { W.WriteString("Colour"); W.WriteInteger(1); })),
            "Error reading X.Colour: Property does not exist");
  EXPECT_EQ(read(HandMade("TTestObject",
                          [](TBinaryWriter& W) {
                            W.WriteString("ObjectsSorting");
                            W.WriteString("osSideways");
                          })),
            "Error reading X.ObjectsSorting: Invalid property value osSideways");
  // Coordinates of the wrong length.
  EXPECT_NE(read(HandMade("TTestObject",
                          [](TBinaryWriter& W) {
                            W.WriteString("Position.Coordinates");
                            W.WriteString(std::string(20, '\0'));
                          })),
            "(read)");
  // A behaviour stream naming class index 3 of an empty class table.
  EXPECT_NE(read(HandMade("TTestObject",
                          [](TBinaryWriter& W) {
                            W.WriteString("BehavioursData");
                            W.WriteString(Binary([](TBinaryWriter& B) {
                              B.WriteInteger(1);
                              B.WriteInteger(3);
                            }));
                          }))
                .find("Error reading X.BehavioursData"),
            std::string::npos);
  // A behaviour of another format version.
  const std::string versioned = read(HandMade("TTestObject", [](TBinaryWriter& W) {
    W.WriteString("BehavioursData");
    W.WriteString(Binary([](TBinaryWriter& B) {
      B.WriteInteger(1);
      B.WriteString("TGLBehaviour");
      B.WriteInteger(0);
      B.WriteString("b");
      B.WriteInteger(1);
    }));
  }));
  EXPECT_EQ(versioned.find("Error reading X.BehavioursData"), 0u) << versioned;
  // Nested far deeper than any scene.
  TMemoryStream deep;
  deep.WriteBuffer("TPF0", 4);
  TBinaryWriter w(&deep);
  for (int i = 0; i < 300; ++i) {
    w.WriteString("TTestObject");
    w.WriteString("");
    w.WriteListBegin();
    w.WriteListEnd();
    w.WriteListBegin();
  }
  EXPECT_EQ(read(std::string(deep.Data().begin(), deep.Data().end())), "Object tree nested too deeply");
}

// A subtree taken out of the tree may outlive the scene: it keeps no
// pointer to it.
TEST_F(SceneObjectTest, ARemovedSubtreeLeavesTheScene) {
  TComponent owner(nullptr);
  auto* a = new TTestObject(&owner);
  auto* a1 = new TTestObject(&owner);
  Scene->Objects()->AddChild(a);
  a->AddChild(a1);
  EXPECT_EQ(a1->Scene(), Scene.get());
  Scene->Objects()->Remove(a, false);
  EXPECT_EQ(a->Scene(), nullptr);
  EXPECT_EQ(a1->Scene(), nullptr);
  Scene.reset();
  a1->Position()->SetX(1);   // tells no scene
  a->SetVisible(false);
  EXPECT_EQ(a1->AbsolutePosition()[0], 1.0f);
}

// A child whose class cannot be made stops the copy; the scene repaints
// again afterwards.
TEST_F(SceneObjectTest, AFailedAssignLeavesTheSceneRepainting) {
  TTestObject* source = Add(Scene->Objects(), "Source");
  Add(source, "Child");
  TTestObject* copy = Add(Scene->Objects(), "Copy");
  UnRegisterClass(TTestObject::StaticClass());
  EXPECT_THROW(copy->Assign(source), EInvalidCast);
  RegisterClass(TTestObject::StaticClass(), [] { return std::unique_ptr<TObject>(new TTestObject(nullptr)); });
  EXPECT_FALSE(Scene->IsUpdating());
  const int changes = Scene->Changes;
  copy->SetVisible(false);
  EXPECT_EQ(Scene->Changes, changes + 1);
}

// The whole scene: its values, the object tree, then the camera tree.
TEST_F(SceneObjectTest, AWholeSceneStreamsWithBothTrees) {
  Scene->SetObjectsSorting(TGLObjectsSorting::osNone);
  Scene->SetVisibilityCulling(TGLVisibilityCulling::vcObjectBased);
  TTestObject* a = Add(Scene->Objects(), "A");
  Add(a, "A1")->Position()->SetPoint(1, 2, 3);
  auto* light = a->AddNewChild<TGLLightSource>();
  light->SetName("Light");
  Add(Scene->Objects(), "B");
  auto* camera = Scene->Cameras()->AddNewChild<TGLCamera>();
  camera->SetName("Eye");
  camera->SetDepthOfView(55);
  camera->SetTargetObject(a);
  TMemoryStream stream;
  WriteScene(stream, Scene.get());
  const std::string saved(stream.Data().begin(), stream.Data().end());

  TComponent owner(nullptr);
  stream.SetPosition(0);
  TScene3D* back = ReadScene(stream, &owner);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->Owner(), &owner);
  EXPECT_EQ(back->ObjectsSorting(), TGLObjectsSorting::osNone);
  EXPECT_EQ(back->VisibilityCulling(), TGLVisibilityCulling::vcObjectBased);
  ASSERT_EQ(back->Objects()->Count(), 2);
  TGLBaseSceneObject* backA = back->Objects()->Children(0);
  EXPECT_EQ(backA->Name, "A");
  EXPECT_EQ(back->Objects()->Children(1)->Name, "B");
  ASSERT_EQ(backA->Count(), 2);
  ExpectNear(backA->Children(0)->Position()->AsVector(), {1, 2, 3, 1});
  EXPECT_EQ(backA->Children(0)->Scene(), back);
  EXPECT_EQ(back->Lights(0), backA->Children(1)) << "the light took the scene's first slot";
  ASSERT_EQ(back->Cameras()->Count(), 1);
  auto* backCamera = dynamic_cast<TGLCamera*>(back->Cameras()->Children(0));
  ASSERT_NE(backCamera, nullptr);
  EXPECT_EQ(backCamera->DepthOfView(), 55.0f);
  EXPECT_EQ(backCamera->TargetObject(), backA) << "references resolve among the objects read";
  EXPECT_FALSE(back->IsUpdating());
  TMemoryStream again;
  WriteScene(again, back);
  EXPECT_EQ(std::string(again.Data().begin(), again.Data().end()), saved);

  // A cut stream keeps nothing.
  delete back;
  for (size_t n : {size_t(3), size_t(20), saved.size() / 2, saved.size() - 1}) {
    TStringStream cut(saved.substr(0, n));
    EXPECT_THROW(ReadScene(cut, &owner), EReadError) << n;
    EXPECT_EQ(owner.ComponentCount(), 0) << n;
  }
}
