// Stand-in host geometry: an affine transform of four rows of three floats.
// Points are row vectors: p * M = p.x*row0 + p.y*row1 + p.z*row2 + row3,
// so p * A * B applies A first.
#pragma once
#include "point3.h"

class Matrix3 {
 public:
  Matrix3() { IdentityMatrix(); }
  Matrix3(const Point3& r0, const Point3& r1, const Point3& r2, const Point3& r3)
      : m_{r0, r1, r2, r3} {}

  void IdentityMatrix() {
    m_[0] = {1, 0, 0};
    m_[1] = {0, 1, 0};
    m_[2] = {0, 0, 1};
    m_[3] = {0, 0, 0};
  }
  void SetRow(int i, const Point3& p) { m_[i] = p; }
  const Point3& GetRow(int i) const { return m_[i]; }
  Point3& operator[](int i) { return m_[i]; }
  const Point3& operator[](int i) const { return m_[i]; }

  Point3 GetTrans() const { return m_[3]; }
  void SetTrans(const Point3& p) { m_[3] = p; }
  void NoTrans() { m_[3] = {0, 0, 0}; }

  // Rotation/scale part only.
  Point3 VectorTransform(const Point3& p) const {
    return m_[0] * p.x + m_[1] * p.y + m_[2] * p.z;
  }
  Point3 PointTransform(const Point3& p) const {
    return {p.x * m_[0].x + p.y * m_[1].x + p.z * m_[2].x + m_[3].x,
            p.x * m_[0].y + p.y * m_[1].y + p.z * m_[2].y + m_[3].y,
            p.x * m_[0].z + p.y * m_[1].z + p.z * m_[2].z + m_[3].z};
  }

  // this * b: apply this first, then b.
  Matrix3 operator*(const Matrix3& b) const {
    Matrix3 r;
    for (int i = 0; i < 3; ++i) r.m_[i] = b.VectorTransform(m_[i]);
    r.m_[3] = b.PointTransform(m_[3]);
    return r;
  }
  Matrix3& operator*=(const Matrix3& b) { return *this = *this * b; }
  bool operator==(const Matrix3& b) const {
    return m_[0] == b.m_[0] && m_[1] == b.m_[1] && m_[2] == b.m_[2] && m_[3] == b.m_[3];
  }

  float Determinant() const {
    return m_[0] % CrossProd(m_[1], m_[2]);
  }

 private:
  Point3 m_[4];
};

inline Point3 operator*(const Point3& p, const Matrix3& m) { return m.PointTransform(p); }

inline Matrix3 TransMatrix(const Point3& p) {
  Matrix3 m;
  m.SetTrans(p);
  return m;
}

// Rotation by an angle in radians about a unit axis, for row vectors.
Matrix3 RotAngleAxisMatrix(const Point3& axis, float angle);

// Inverse of the affine transform. A singular matrix yields a matrix of zeros
// in its 3x3 part (callers that care test Determinant first).
Matrix3 Inverse(const Matrix3& m);
