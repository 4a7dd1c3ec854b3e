#include "quat.h"

#include <cmath>

// Entries below are of the column-vector rotation R; a row-vector Matrix3
// holds R transposed, so m[i][j] = R(j, i).

Quat::Quat(const Matrix3& m) {
  const float r00 = m[0].x, r11 = m[1].y, r22 = m[2].z;
  const float r01 = m[1].x, r10 = m[0].y, r02 = m[2].x, r20 = m[0].z, r12 = m[2].y, r21 = m[1].z;
  const float trace = r00 + r11 + r22;
  if (trace > 0.0f) {
    const float s = std::sqrt(trace + 1.0f) * 2.0f;
    w = 0.25f * s;
    x = (r21 - r12) / s;
    y = (r02 - r20) / s;
    z = (r10 - r01) / s;
  } else if (r00 > r11 && r00 > r22) {
    const float s = std::sqrt(1.0f + r00 - r11 - r22) * 2.0f;
    w = (r21 - r12) / s;
    x = 0.25f * s;
    y = (r01 + r10) / s;
    z = (r02 + r20) / s;
  } else if (r11 > r22) {
    const float s = std::sqrt(1.0f + r11 - r00 - r22) * 2.0f;
    w = (r02 - r20) / s;
    x = (r01 + r10) / s;
    y = 0.25f * s;
    z = (r12 + r21) / s;
  } else {
    const float s = std::sqrt(1.0f + r22 - r00 - r11) * 2.0f;
    w = (r10 - r01) / s;
    x = (r02 + r20) / s;
    y = (r12 + r21) / s;
    z = 0.25f * s;
  }
  *this = Normalize();
}

void Quat::MakeMatrix(Matrix3& m) const {
  const float xx = x * x, yy = y * y, zz = z * z;
  const float xy = x * y, xz = x * z, yz = y * z, wx = w * x, wy = w * y, wz = w * z;
  m.SetRow(0, {1 - 2 * (yy + zz), 2 * (xy + wz), 2 * (xz - wy)});
  m.SetRow(1, {2 * (xy - wz), 1 - 2 * (xx + zz), 2 * (yz + wx)});
  m.SetRow(2, {2 * (xz + wy), 2 * (yz - wx), 1 - 2 * (xx + yy)});
  m.SetRow(3, {0, 0, 0});
}

Quat Quat::operator*(const Quat& q) const {
  // Hamilton product q (x) this: this is applied first.
  return {q.w * x + q.x * w + q.y * z - q.z * y,
          q.w * y - q.x * z + q.y * w + q.z * x,
          q.w * z + q.x * y - q.y * x + q.z * w,
          q.w * w - q.x * x - q.y * y - q.z * z};
}

Quat Quat::Normalize() const {
  const float len = std::sqrt(Dot(*this));
  if (len == 0.0f) return {};
  return {x / len, y / len, z / len, w / len};
}

Quat QFromAngAxis(float angle, const Point3& axis) {
  const Point3 u = ::Normalize(axis);
  const float s = std::sin(angle * 0.5f);
  return {u.x * s, u.y * s, u.z * s, std::cos(angle * 0.5f)};
}

Quat Slerp(const Quat& a, const Quat& bIn, float u) {
  Quat b = bIn;
  float d = a.Dot(b);
  if (d < 0.0f) {
    b = {-b.x, -b.y, -b.z, -b.w};
    d = -d;
  }
  float wa = 1.0f - u, wb = u;
  if (d < 0.9995f) {
    const float theta = std::acos(d);
    const float s = std::sin(theta);
    wa = std::sin((1.0f - u) * theta) / s;
    wb = std::sin(u * theta) / s;
  }
  return Quat(a.x * wa + b.x * wb, a.y * wa + b.y * wb, a.z * wa + b.z * wb, a.w * wa + b.w * wb)
      .Normalize();
}
