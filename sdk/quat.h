// Stand-in host: unit quaternions for rotations.
// q * r applies q first, then r, like Matrix3 products.
#pragma once
#include "matrix3.h"
#include "point3.h"

class Quat {
 public:
  float x = 0.0f, y = 0.0f, z = 0.0f, w = 1.0f;

  Quat() = default;
  constexpr Quat(float ax, float ay, float az, float aw) : x(ax), y(ay), z(az), w(aw) {}
  // The rotation of a matrix whose first three rows are orthonormal.
  explicit Quat(const Matrix3& m);

  // Sets m to this rotation with no translation.
  void MakeMatrix(Matrix3& m) const;
  Quat operator*(const Quat& q) const;
  Quat Inverse() const { return {-x, -y, -z, w}; }
  Quat Normalize() const;
  float Dot(const Quat& q) const { return x * q.x + y * q.y + z * q.z + w * q.w; }
  bool operator==(const Quat& q) const { return x == q.x && y == q.y && z == q.z && w == q.w; }
};

// The rotation RotAngleAxisMatrix(axis, angle) describes.
Quat QFromAngAxis(float angle, const Point3& axis);
// Shortest-path spherical interpolation, u in [0, 1].
Quat Slerp(const Quat& a, const Quat& b, float u);

inline Quat Interpolate(const Quat& a, const Quat& b, float u) { return Slerp(a, b, u); }
