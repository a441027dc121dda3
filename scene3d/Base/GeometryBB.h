// Axis-aligned bounding boxes.
#pragma once
#include "scene3d/Base/VectorGeometry.h"

struct TAABB {
  TAffineVector min, max;
};
static_assert(sizeof(TAABB) == 24);

void AddAABB(TAABB& aabb, const TAABB& aabb1);            // component-wise union
void SetAABB(TAABB& bb, const TVector& v);                // max := |v|, min := -max
void AABBTransform(TAABB& bb, const TMatrix& m);          // the box of the eight transformed corners
void AABBScale(TAABB& bb, const TAffineVector& scale);    // min and max scaled component-wise
void AABBInclude(TAABB& bb, const TAffineVector& p);
