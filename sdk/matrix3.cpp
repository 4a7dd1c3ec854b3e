#include "matrix3.h"

#include <cmath>

Matrix3 Inverse(const Matrix3& m) {
  const Point3 &a = m[0], &b = m[1], &c = m[2];
  const Point3 bc = CrossProd(b, c), ca = CrossProd(c, a), ab = CrossProd(a, b);
  const float det = a % bc;
  Matrix3 r;
  if (det == 0.0f) {
    r.SetRow(0, {0, 0, 0});
    r.SetRow(1, {0, 0, 0});
    r.SetRow(2, {0, 0, 0});
    r.SetRow(3, {0, 0, 0});
    return r;
  }
  const float inv = 1.0f / det;
  // The inverse of a row-vector matrix has the cross products as columns.
  r.SetRow(0, Point3(bc.x, ca.x, ab.x) * inv);
  r.SetRow(1, Point3(bc.y, ca.y, ab.y) * inv);
  r.SetRow(2, Point3(bc.z, ca.z, ab.z) * inv);
  r.SetRow(3, -r.VectorTransform(m[3]));
  return r;
}

Matrix3 RotAngleAxisMatrix(const Point3& axisIn, float angle) {
  const Point3 u = Normalize(axisIn);
  const float c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
  // Column-vector rotation R; row-vector form is its transpose.
  const float r00 = t * u.x * u.x + c, r01 = t * u.x * u.y - s * u.z, r02 = t * u.x * u.z + s * u.y;
  const float r10 = t * u.x * u.y + s * u.z, r11 = t * u.y * u.y + c, r12 = t * u.y * u.z - s * u.x;
  const float r20 = t * u.x * u.z - s * u.y, r21 = t * u.y * u.z + s * u.x, r22 = t * u.z * u.z + c;
  return Matrix3({r00, r10, r20}, {r01, r11, r21}, {r02, r12, r22}, {0, 0, 0});
}
