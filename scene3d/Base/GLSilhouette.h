// Silhouettes of closed triangle meshes as seen from a point: the edges
// between faces turned towards and away from the viewer, and optional cap
// triangles (the faces turned away), for shadow volumes and outlines.
#pragma once
#include <memory>

#include "scene3d/Base/VectorLists.h"

enum class TSilhouetteStyle : uint8_t { ssOmni, ssParallel };

struct TGLSilhouetteParameters {
  TAffineVector SeenFrom;
  TAffineVector LightDirection;
  TSilhouetteStyle Style;
  bool CappingRequired;
};

class TGLSilhouette : public TObject {
  DECLARE_CLASSINFO(TGLSilhouette)
public:
  TVectorList Vertices;
  TIntegerList Indices;      // pairs: one per silhouette edge
  TIntegerList CapIndices;   // triples: one per cap triangle
  TGLSilhouetteParameters Parameters{};
  void Flush();              // empties the three lists
};

class TBaseConnectivity : public TObject {
  DECLARE_CLASSINFO(TBaseConnectivity)
public:
  explicit TBaseConnectivity(bool APrecomputeFaceNormals) : PrecomputeFaceNormals(APrecomputeFaceNormals) {}
  virtual int EdgeCount() const { return 0; }
  virtual int FaceCount() const { return 0; }
  // Makes ASilhouette when it is null; else empties it unless AddToSilhouette.
  virtual void CreateSilhouette(const TGLSilhouetteParameters& Parameters, std::unique_ptr<TGLSilhouette>& ASilhouette,
                                bool AddToSilhouette) {
    (void)Parameters, (void)ASilhouette, (void)AddToSilhouette;
  }
  const bool PrecomputeFaceNormals;
};

class TConnectivity : public TBaseConnectivity {
  DECLARE_CLASSINFO(TConnectivity)
public:
  explicit TConnectivity(bool APrecomputeFaceNormals) : TBaseConnectivity(APrecomputeFaceNormals) {}
  int EdgeCount() const override { return FEdgeVertices.Count() / 2; }
  int FaceCount() const override { return FFaceVertexIndex.Count() / 3; }
  void CreateSilhouette(const TGLSilhouetteParameters& Parameters, std::unique_ptr<TGLSilhouette>& ASilhouette,
                        bool AddToSilhouette) override;
  virtual void Clear();

  // A face of three indices into Vertices; returns its index.
  int AddIndexedFace(int Vi0, int Vi1, int Vi2);
  // A quad given by positions, found or added among Vertices: faces
  // (p0, p1, p3) and (p3, p2, p0); returns the first face.
  int AddQuad(const TAffineVector& P0, const TAffineVector& P1, const TAffineVector& P2, const TAffineVector& P3);
  int AddVertex(const TAffineVector& P) { return FVertices.FindOrAdd(P); }

  const TIntegerList& EdgeVertices() const { return FEdgeVertices; }
  const TIntegerList& EdgeFaces() const { return FEdgeFaces; }
  const TByteList& FaceVisible() const { return FFaceVisible; }
  const TIntegerList& FaceVertexIndex() const { return FFaceVertexIndex; }
  const TAffineVectorList& FaceNormal() const { return FFaceNormal; }
  const TAffineVectorList& Vertices() const { return FVertices; }

private:
  // Links the edge to the face: a known edge (either direction) gets its second face.
  void AddIndexedEdge(int Vi0, int Vi1, int FaceID);
  int ReuseOrFindVertexID(int SeenFrom, TGLSilhouette& Silhouette);
  TIntegerList FEdgeVertices;      // pairs
  TIntegerList FEdgeFaces;         // pairs: first face, second face or -1
  TByteList FFaceVisible;
  TIntegerList FFaceVertexIndex;   // triples
  TAffineVectorList FFaceNormal;   // only with precomputed normals
  TIntegerList FVertexMemory;      // mesh vertex -> silhouette vertex, -1 when not added
  TAffineVectorList FVertices;
};
