#include "scene3d/Base/Spline.h"

#include <cmath>

namespace {
const char* const UnitName = "scene3d\\Base\\Spline";

// Solves the tridiagonal system of diagonal (2, 4, ..., 4, 2) and
// off-diagonal 1 for the node derivatives, by its Cholesky factors.
void MatTriDiagInvert(const std::vector<float>& b, std::vector<float>& D) {
  Assert(!b.empty(), "", UnitName, 119);
  const size_t n = b.size();
  Assert(D.size() == n, "", UnitName, 133);
  std::vector<float> c(n), e(n), z(n);
  c[0] = 1.41421354f;   // sqrt(2)
  e[0] = 0.707106769f;  // 1 / sqrt(2)
  for (size_t i = 1; i + 1 < n; ++i) {
    c[i] = float(std::sqrt(4.0 - double(e[i - 1]) * e[i - 1]));
    e[i] = float(1.0 / c[i]);
  }
  if (n > 1) c[n - 1] = float(std::sqrt(2.0 - double(e[n - 2]) * e[n - 2]));
  z[0] = float(double(b[0]) / c[0]);
  for (size_t i = 1; i < n; ++i) z[i] = float((b[i] - double(z[i - 1]) * e[i - 1]) / c[i]);
  D[n - 1] = float(double(z[n - 1]) / c[n - 1]);
  for (size_t i = n - 1; i-- > 0;) D[i] = float((z[i] - double(D[i + 1]) * e[i]) / c[i]);
}

TCubicSplineMatrix MATInterpolationHermite(const float* y, int n) {
  TCubicSplineMatrix m;
  if (!y || n < 2) return m;
  std::vector<float> b(static_cast<size_t>(n)), D(static_cast<size_t>(n));
  b[0] = float(3.0 * (double(y[1]) - y[0]));
  b[n - 1] = float(3.0 * (double(y[n - 1]) - y[n - 2]));
  for (int i = 1; i < n - 1; ++i) b[i] = float(3.0 * (double(y[i + 1]) - y[i - 1]));
  MatTriDiagInvert(b, D);
  m.resize(static_cast<size_t>(n - 1));
  for (int i = 0; i < n - 1; ++i) {
    const double a = y[i], bb = D[i];
    const double c = 3.0 * (double(y[i + 1]) - y[i]) - 2.0 * D[i] - D[i + 1];
    const double d = 2.0 * (double(y[i]) - y[i + 1]) + D[i] + D[i + 1];
    const double fi = i;
    m[i] = {float(d), float(c - 3.0 * fi * d), float((3.0 * fi * d - 2.0 * c) * fi + bb),
            float(((c - fi * d) * fi - bb) * fi + a)};
  }
  return m;
}
}  // namespace

float MATValeurSpline(const TCubicSplineMatrix& spline, float t, int nb) {
  if (spline.empty()) return 0.0f;
  int i;
  if (t > float(nb - 1)) i = nb - 1;
  else if (t >= 0.0f) i = static_cast<int>(t);   // also false for NaN
  else i = 0;
  if (i == nb - 1) i = nb - 2;
  const auto& k = spline[static_cast<size_t>(i)];
  return ((k[0] * t + k[1]) * t + k[2]) * t + k[3];
}

IMPLEMENT_CLASSINFO(TCubicSpline, TObject)

TCubicSpline::TCubicSpline(const float* X, const float* Y, const float* Z, const float* W, int nb)
    : matX(MATInterpolationHermite(X, nb)),
      matY(MATInterpolationHermite(Y, nb)),
      matZ(MATInterpolationHermite(Z, nb)),
      matW(MATInterpolationHermite(W, nb)),
      FNb(nb) {}

void TCubicSpline::SplineXYZ(float t, float& X, float& Y, float& Z) const {
  X = SplineX(t);
  Y = SplineY(t);
  Z = SplineZ(t);
}

const TCubicSplineMatrix& TCubicSpline::Coefficients(int Coordinate) const {
  switch (Coordinate) {
    case 0: return matX;
    case 1: return matY;
    case 2: return matZ;
    default: return matW;
  }
}
