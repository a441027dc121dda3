#include "scene3d/Base/GeometryBB.h"

#include <cmath>

void AddAABB(TAABB& aabb, const TAABB& aabb1) {
  for (int i = 0; i < 3; ++i) {
    if (aabb1.min[i] < aabb.min[i]) aabb.min[i] = aabb1.min[i];
    if (aabb1.max[i] > aabb.max[i]) aabb.max[i] = aabb1.max[i];
  }
}

void SetAABB(TAABB& bb, const TVector& v) {
  bb.max = {std::fabs(v[0]), std::fabs(v[1]), std::fabs(v[2])};
  bb.min = VectorNegate(bb.max);
}

void AABBTransform(TAABB& bb, const TMatrix& m) {
  const TAABB src = bb;
  for (int corner = 0; corner < 8; ++corner) {
    const TAffineVector p = {(corner & 1) ? src.max[0] : src.min[0], (corner & 2) ? src.max[1] : src.min[1],
                             (corner & 4) ? src.max[2] : src.min[2]};
    const TAffineVector t = VectorTransform(p, m);
    if (corner == 0) bb = {t, t};
    else AABBInclude(bb, t);
  }
}

void AABBScale(TAABB& bb, const TAffineVector& scale) {
  ScaleVector(bb.min, scale);
  ScaleVector(bb.max, scale);
}

void AABBInclude(TAABB& bb, const TAffineVector& p) {
  for (int i = 0; i < 3; ++i) {
    if (p[i] < bb.min[i]) bb.min[i] = p[i];
    if (p[i] > bb.max[i]) bb.max[i] = p[i];
  }
}
