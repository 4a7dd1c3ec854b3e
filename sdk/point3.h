// Stand-in host geometry: a point or vector of three 32-bit floats.
#pragma once
#include <cmath>

class Point3 {
 public:
  float x = 0.0f, y = 0.0f, z = 0.0f;

  Point3() = default;
  constexpr Point3(float ax, float ay, float az) : x(ax), y(ay), z(az) {}

  float& operator[](int i) { return (&x)[i]; }
  const float& operator[](int i) const { return (&x)[i]; }

  Point3 operator+(const Point3& p) const { return {x + p.x, y + p.y, z + p.z}; }
  Point3 operator-(const Point3& p) const { return {x - p.x, y - p.y, z - p.z}; }
  Point3 operator-() const { return {-x, -y, -z}; }
  Point3 operator*(float f) const { return {x * f, y * f, z * f}; }
  Point3 operator/(float f) const { return {x / f, y / f, z / f}; }
  Point3& operator+=(const Point3& p) { x += p.x; y += p.y; z += p.z; return *this; }
  Point3& operator-=(const Point3& p) { x -= p.x; y -= p.y; z -= p.z; return *this; }
  Point3& operator*=(float f) { x *= f; y *= f; z *= f; return *this; }
  bool operator==(const Point3& p) const { return x == p.x && y == p.y && z == p.z; }
  bool operator!=(const Point3& p) const { return !(*this == p); }

  // Dot product.
  float operator%(const Point3& p) const { return x * p.x + y * p.y + z * p.z; }

  float Length() const { return std::sqrt(x * x + y * y + z * z); }
  float LengthSquared() const { return x * x + y * y + z * z; }
};

inline Point3 operator*(float f, const Point3& p) { return p * f; }
inline float DotProd(const Point3& a, const Point3& b) { return a % b; }
inline float Length(const Point3& p) { return p.Length(); }

inline Point3 CrossProd(const Point3& a, const Point3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

// A zero vector stays zero rather than turning into NaNs.
inline Point3 Normalize(const Point3& p) {
  const float len = p.Length();
  if (len == 0.0f) return {0.0f, 0.0f, 0.0f};
  return {p.x / len, p.y / len, p.z / len};
}

inline bool IsFinite(const Point3& p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}
