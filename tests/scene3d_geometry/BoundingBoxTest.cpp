#include <gtest/gtest.h>

#include <map>
#include <numbers>

#include "scene3d/Base/GLSilhouette.h"
#include "scene3d/Base/GeometryBB.h"

TEST(GeometryBB, UnionVectorScaleAndInclude) {
  TAABB a = {{0, 0, 0}, {1, 1, 1}};
  AddAABB(a, TAABB{{-1, 0.5f, 0}, {0.5f, 3, 0.5f}});
  EXPECT_EQ(a.min, AffineVectorMake(-1, 0, 0));
  EXPECT_EQ(a.max, AffineVectorMake(1, 3, 1));
  TAABB b;
  SetAABB(b, TVector{-2, 3, -4, 9});
  EXPECT_EQ(b.max, AffineVectorMake(2, 3, 4));
  EXPECT_EQ(b.min, AffineVectorMake(-2, -3, -4));
  AABBScale(b, AffineVectorMake(2, 1, 0.5f));
  EXPECT_EQ(b.min, AffineVectorMake(-4, -3, -2));
  AABBInclude(b, AffineVectorMake(10, 0, -7));
  EXPECT_EQ(b.max, AffineVectorMake(10, 3, 2));
  EXPECT_EQ(b.min, AffineVectorMake(-4, -3, -7));
}

TEST(GeometryBB, TransformHoldsTheEightCorners) {
  TAABB b = {{0, 0, 0}, {1, 2, 3}};
  AABBTransform(b, CreateScaleAndTranslationMatrix(XYZWHmgVector, TVector{5, -1, 2, 0}));
  EXPECT_EQ(b.min, AffineVectorMake(5, -1, 2));
  EXPECT_EQ(b.max, AffineVectorMake(6, 1, 5));
  // A quarter turn about Z maps (x, y, z) to (y, -x, z) in the row-vector convention.
  TAABB r = {{0, 0, 0}, {1, 2, 3}};
  AABBTransform(r, CreateRotationMatrix(ZVector, float(std::numbers::pi / 2)));
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(r.min[i], (TAffineVector{0, -1, 0})[i], 1e-6f);
    EXPECT_NEAR(r.max[i], (TAffineVector{2, 0, 3})[i], 1e-6f);
  }
}

namespace {
// A closed cube of twelve triangles, wound counter-clockwise from outside.
void BuildCube(TConnectivity& c) {
  for (int k = 0; k < 3; ++k)
    for (float sign : {1.0f, -1.0f}) {
      TAffineVector n{}, u{}, v{};
      n[k] = sign;
      u[(k + 1) % 3] = 1;
      v[(k + 2) % 3] = 1;
      if (sign < 0) std::swap(u, v);
      auto corner = [&](float a, float b) {
        return AffineVectorMake(n[0] + a * u[0] + b * v[0], n[1] + a * u[1] + b * v[1], n[2] + a * u[2] + b * v[2]);
      };
      // A, B, C, D counter-clockwise; the quad goes as A, B, D, C.
      c.AddQuad(corner(-1, -1), corner(1, -1), corner(-1, 1), corner(1, 1));
    }
}
}  // namespace

TEST(Silhouette, SharedEdgesLinkBothFaces) {
  TConnectivity c(false);
  for (auto p : {AffineVectorMake(0, 0, 0), AffineVectorMake(1, 0, 0), AffineVectorMake(0, 1, 0),
                 AffineVectorMake(1, 1, 0)})
    c.AddVertex(p);
  EXPECT_EQ(c.AddIndexedFace(0, 1, 2), 0);
  EXPECT_EQ(c.AddIndexedFace(2, 1, 3), 1);
  EXPECT_EQ(c.FaceCount(), 2);
  EXPECT_EQ(c.EdgeCount(), 5);
  EXPECT_EQ(c.EdgeVertices()[2], 1);
  EXPECT_EQ(c.EdgeVertices()[3], 2);
  EXPECT_EQ(c.EdgeFaces()[2], 0);
  EXPECT_EQ(c.EdgeFaces()[3], 1) << "the reversed edge found the first one";
  EXPECT_EQ(c.EdgeFaces()[1], -1);
  EXPECT_THROW(c.AddIndexedFace(0, 1, 9), EListError);
  c.Clear();
  EXPECT_EQ(c.FaceCount(), 0);
  EXPECT_EQ(c.Vertices().Count(), 0);
}

TEST(Silhouette, ClosedCubeGivesAClosedLoopAndCaps) {
  TConnectivity c(true);
  BuildCube(c);
  ASSERT_EQ(c.FaceCount(), 12);
  EXPECT_EQ(c.Vertices().Count(), 8);
  EXPECT_EQ(c.EdgeCount(), 18);
  for (int f = 0; f < 12; ++f) {   // every normal points outwards
    const int* idx = c.FaceVertexIndex().List() + f * 3;
    TAffineVector centre = VectorAdd(VectorAdd(c.Vertices()[idx[0]], c.Vertices()[idx[1]]), c.Vertices()[idx[2]]);
    EXPECT_GT(VectorDotProduct(c.FaceNormal()[f], centre), 0.0f) << "face " << f;
  }
  for (int e = 0; e < 18; ++e) EXPECT_NE(c.EdgeFaces()[e * 2 + 1], -1) << "closed mesh";

  TGLSilhouetteParameters p{};
  p.SeenFrom = AffineVectorMake(5, 0.2f, 0.1f);
  p.CappingRequired = true;
  std::unique_ptr<TGLSilhouette> s;
  c.CreateSilhouette(p, s, false);
  ASSERT_NE(s, nullptr);
  int visible = 0;
  for (int f = 0; f < 12; ++f) visible += c.FaceVisible()[f];
  EXPECT_EQ(visible, 2) << "only the +X face is turned towards the viewer";
  ASSERT_EQ(s->Indices.Count(), 8) << "the four edges around the +X face";
  std::map<int, int> next;
  for (int i = 0; i < 8; i += 2) {
    EXPECT_TRUE(next.emplace(s->Indices[i], s->Indices[i + 1]).second) << "each vertex starts one edge";
    EXPECT_EQ(s->Vertices[s->Indices[i]][0], 1.0f);
    EXPECT_EQ(s->Vertices[s->Indices[i]][3], 1.0f);
  }
  int v = s->Indices[0], steps = 0;
  do {
    ASSERT_TRUE(next.count(v));
    v = next[v];
    ++steps;
  } while (v != s->Indices[0] && steps < 10);
  EXPECT_EQ(steps, 4) << "a closed loop";
  EXPECT_EQ(s->CapIndices.Count(), 30) << "ten triangles turned away";
  EXPECT_EQ(s->Vertices.Count(), 8);

  p.CappingRequired = false;
  c.CreateSilhouette(p, s, false);
  EXPECT_EQ(s->CapIndices.Count(), 0);
  EXPECT_EQ(s->Indices.Count(), 8);
  c.CreateSilhouette(p, s, true);
  EXPECT_EQ(s->Indices.Count(), 16) << "added to the existing silhouette";

  TConnectivity noNormals(false);
  BuildCube(noNormals);
  std::unique_ptr<TGLSilhouette> s2;
  noNormals.CreateSilhouette(p, s2, false);
  EXPECT_EQ(s2->Indices.Count(), 8);
  TBaseConnectivity base(false);
  std::unique_ptr<TGLSilhouette> none;
  base.CreateSilhouette(p, none, false);
  EXPECT_EQ(none, nullptr);
  EXPECT_EQ(base.EdgeCount(), 0);
}
