// Conversions between glTF's column-vector transforms and row-vector Matrix3.
#include <cmath>

#include "cli/gltf/gltf_character.h"

namespace {

template <typename T>
Matrix3 FromColumnMajor(const T* m) {
  // Column c of the column-vector matrix is row c of the row-vector one.
  return Matrix3(Point3(float(m[0]), float(m[1]), float(m[2])), Point3(float(m[4]), float(m[5]), float(m[6])),
                 Point3(float(m[8]), float(m[9]), float(m[10])), Point3(float(m[12]), float(m[13]), float(m[14])));
}

}  // namespace

Matrix3 GltfMatrixToMatrix3(const double* m16) { return FromColumnMajor(m16); }
Matrix3 GltfMatrixToMatrix3(const float* m16) { return FromColumnMajor(m16); }

Matrix3 GltfTrsToMatrix3(const GltfTrs& trs) {
  const float x = trs.rotation[0], y = trs.rotation[1], z = trs.rotation[2], w = trs.rotation[3];
  // Columns of the rotation are the images of the axes; they become rows.
  const Point3 ax(1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w));
  const Point3 ay(2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w));
  const Point3 az(2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y));
  return Matrix3(ax * trs.scale.x, ay * trs.scale.y, az * trs.scale.z, trs.translation);
}

GltfTrs Matrix3ToGltfTrs(const Matrix3& m) {
  GltfTrs trs;
  trs.translation = m.GetTrans();
  Point3 r[3] = {m[0], m[1], m[2]};
  float s[3];
  for (int i = 0; i < 3; ++i) {
    s[i] = r[i].Length();
    r[i] = s[i] > 0 ? r[i] / s[i] : Point3(i == 0, i == 1, i == 2);
  }
  if (m.Determinant() < 0) {
    s[0] = -s[0];
    r[0] = -r[0];
  }
  trs.scale = {s[0], s[1], s[2]};
  // Column-vector rotation R has R(i, j) = r[j][i].
  const float m00 = r[0].x, m11 = r[1].y, m22 = r[2].z;
  const float m01 = r[1].x, m10 = r[0].y, m02 = r[2].x, m20 = r[0].z, m12 = r[2].y, m21 = r[1].z;
  float q[4];
  const float tr = m00 + m11 + m22;
  if (tr > 0) {
    const float k = 0.5f / std::sqrt(tr + 1.0f);
    q[3] = 0.25f / k;
    q[0] = (m21 - m12) * k;
    q[1] = (m02 - m20) * k;
    q[2] = (m10 - m01) * k;
  } else if (m00 > m11 && m00 > m22) {
    const float k = 2.0f * std::sqrt(1.0f + m00 - m11 - m22);
    q[3] = (m21 - m12) / k;
    q[0] = 0.25f * k;
    q[1] = (m01 + m10) / k;
    q[2] = (m02 + m20) / k;
  } else if (m11 > m22) {
    const float k = 2.0f * std::sqrt(1.0f + m11 - m00 - m22);
    q[3] = (m02 - m20) / k;
    q[0] = (m01 + m10) / k;
    q[1] = 0.25f * k;
    q[2] = (m12 + m21) / k;
  } else {
    const float k = 2.0f * std::sqrt(1.0f + m22 - m00 - m11);
    q[3] = (m10 - m01) / k;
    q[0] = (m02 + m20) / k;
    q[1] = (m12 + m21) / k;
    q[2] = 0.25f * k;
  }
  const float len = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
  for (int i = 0; i < 4; ++i) trs.rotation[i] = q[i] / len;
  return trs;
}
