// Natural cubic splines through up to four coordinate sequences sampled at
// the parameters 0, 1, ..., n - 1.
#pragma once
#include <array>
#include <vector>

#include "classlib/Classes.h"

// One segment: k3, k2, k1, k0 of ((k3 t + k2) t + k1) t + k0 in the global t.
using TCubicSplineMatrix = std::vector<std::array<float, 4>>;

// Value of one coordinate at t; the first and last segments extrapolate.
float MATValeurSpline(const TCubicSplineMatrix& spline, float t, int nb);

class TCubicSpline : public TObject {
  DECLARE_CLASSINFO(TCubicSpline)
public:
  // Each array holds nb values or is null (that coordinate evaluates to 0).
  TCubicSpline(const float* X, const float* Y, const float* Z, const float* W, int nb);
  float SplineX(float t) const { return MATValeurSpline(matX, t, FNb); }
  float SplineY(float t) const { return MATValeurSpline(matY, t, FNb); }
  float SplineZ(float t) const { return MATValeurSpline(matZ, t, FNb); }
  float SplineW(float t) const { return MATValeurSpline(matW, t, FNb); }
  void SplineXYZ(float t, float& X, float& Y, float& Z) const;
  int Count() const { return FNb; }
  const TCubicSplineMatrix& Coefficients(int Coordinate) const;   // 0..3: x, y, z, w

private:
  TCubicSplineMatrix matX, matY, matZ, matW;
  int FNb;
};
