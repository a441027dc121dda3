#include "scene3d/Base/GLSilhouette.h"

IMPLEMENT_CLASSINFO(TGLSilhouette, TObject)
IMPLEMENT_CLASSINFO(TBaseConnectivity, TObject)
IMPLEMENT_CLASSINFO(TConnectivity, TBaseConnectivity)

void TGLSilhouette::Flush() {
  Vertices.Flush();
  Indices.Flush();
  CapIndices.Flush();
}

void TConnectivity::Clear() {
  FEdgeVertices.Clear();
  FEdgeFaces.Clear();
  FFaceVisible.Clear();
  FFaceVertexIndex.Clear();
  FFaceNormal.Clear();
  FVertexMemory.Clear();
  FVertices.Clear();
}

int TConnectivity::AddIndexedFace(int Vi0, int Vi1, int Vi2) {
  const int count = FVertices.Count();
  if (Vi0 < 0 || Vi1 < 0 || Vi2 < 0 || Vi0 >= count || Vi1 >= count || Vi2 >= count)
    throw EListError("Invalid list index");
  FFaceVertexIndex.Add(Vi0, Vi1, Vi2);
  if (PrecomputeFaceNormals) FFaceNormal.Add(CalcPlaneNormal(FVertices[Vi0], FVertices[Vi1], FVertices[Vi2]));
  const int face = FFaceVisible.Add(0);
  AddIndexedEdge(Vi0, Vi1, face);
  AddIndexedEdge(Vi1, Vi2, face);
  AddIndexedEdge(Vi2, Vi0, face);
  return face;
}

void TConnectivity::AddIndexedEdge(int Vi0, int Vi1, int FaceID) {
  const int32_t* ev = FEdgeVertices.List();
  for (int i = 0; i < FEdgeVertices.Count(); i += 2) {
    if ((ev[i] == Vi0 && ev[i + 1] == Vi1) || (ev[i] == Vi1 && ev[i + 1] == Vi0)) {
      FEdgeFaces.Put(i + 1, FaceID);
      return;
    }
  }
  FEdgeVertices.Add(Vi0, Vi1);
  FEdgeFaces.Add(FaceID, -1);
}

int TConnectivity::AddQuad(const TAffineVector& P0, const TAffineVector& P1, const TAffineVector& P2,
                           const TAffineVector& P3) {
  const int i0 = AddVertex(P0), i1 = AddVertex(P1), i2 = AddVertex(P2), i3 = AddVertex(P3);
  const int first = AddIndexedFace(i0, i1, i3);
  AddIndexedFace(i3, i2, i0);
  return first;
}

int TConnectivity::ReuseOrFindVertexID(int SeenFrom, TGLSilhouette& Silhouette) {
  while (FVertexMemory.Count() <= SeenFrom) FVertexMemory.Add(-1);
  int id = FVertexMemory[SeenFrom];
  if (id == -1) {
    id = Silhouette.Vertices.AddPoint(FVertices[SeenFrom]);
    FVertexMemory.Put(SeenFrom, id);
  }
  return id;
}

void TConnectivity::CreateSilhouette(const TGLSilhouetteParameters& Parameters,
                                     std::unique_ptr<TGLSilhouette>& ASilhouette, bool AddToSilhouette) {
  if (!ASilhouette) ASilhouette = std::make_unique<TGLSilhouette>();
  else if (!AddToSilhouette) ASilhouette->Flush();
  TGLSilhouette& s = *ASilhouette;
  s.Parameters = Parameters;
  FVertexMemory.Flush();

  for (int face = 0; face < FaceCount(); ++face) {
    const int a = FFaceVertexIndex[face * 3], b = FFaceVertexIndex[face * 3 + 1], c = FFaceVertexIndex[face * 3 + 2];
    const TAffineVector normal = PrecomputeFaceNormals ? FFaceNormal[face]
                                                       : CalcPlaneNormal(FVertices[a], FVertices[b], FVertices[c]);
    const bool visible = VectorDotProduct(VectorSubtract(Parameters.SeenFrom, FVertices[a]), normal) >= 0.0f;
    FFaceVisible.Put(face, visible ? 1 : 0);
    if (!visible && Parameters.CappingRequired) {
      const int mc = ReuseOrFindVertexID(c, s);
      const int mb = ReuseOrFindVertexID(b, s);
      const int ma = ReuseOrFindVertexID(a, s);
      s.CapIndices.Add(ma, mb, mc);
    }
  }

  for (int edge = 0; edge < EdgeCount(); ++edge) {
    const int a = FEdgeVertices[edge * 2], b = FEdgeVertices[edge * 2 + 1];
    const int f0 = FEdgeFaces[edge * 2], f1 = FEdgeFaces[edge * 2 + 1];
    if (f1 != -1 && FFaceVisible[f0] == FFaceVisible[f1]) continue;
    if (!FFaceVisible[f0]) {
      const int mb = ReuseOrFindVertexID(b, s);
      const int ma = ReuseOrFindVertexID(a, s);
      s.Indices.Add(ma, mb);
    } else if (f1 != -1) {
      const int ma = ReuseOrFindVertexID(a, s);
      const int mb = ReuseOrFindVertexID(b, s);
      s.Indices.Add(mb, ma);
    }
  }
}
