// Expected values for the deformer tests, worked out step by step apart from
// the deformer's own loops, and the poses the tests deform.
#pragma once
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "deformer/delta_mush_params.h"
#include "deformer/rest_state.h"
#include "sdk/matrix3.h"
#include "sdk/mesh.h"

// Independent transcription of the smoothing passes.
inline std::vector<Point3> SmoothByHand(std::vector<Point3> p, const RestState& s, float w, int iter) {
  for (int it = 0; it < iter; ++it) {
    std::vector<Point3> acc(p.size());
    for (size_t i = 0; i < p.size(); ++i)
      for (int k = 0; k < s.neighbors.Count(i); ++k) acc[i] += (p[s.neighbors.At(i, k)] - p[i]) * w;
    for (size_t i = 0; i < p.size(); ++i) {
      if (s.fixedVerts[i]) continue;
      if (const int c = s.neighbors.Count(i)) {
        const float r = 1.0f / static_cast<float>(c);
        acc[i] = Point3(acc[i].x * r, acc[i].y * r, acc[i].z * r);
      }
      p[i] += acc[i];
    }
  }
  return p;
}

inline Matrix3 FrameByHand(const std::vector<Point3>& x, const RestState& s, int i) {
  const Point3 c = x[i];
  const Point3 e1 = Normalize(x[s.neighbors.At(i, 0)] - c);
  const Point3 e2 = Normalize(x[s.neighbors.At(i, 1)] - c);
  const Point3 nrm = Normalize(CrossProd(e1, e2));
  const Point3 tan = Normalize(CrossProd(e1, nrm));
  Matrix3 m;
  m.IdentityMatrix();
  m.SetRow(0, e1);
  m.SetRow(1, tan);
  m.SetRow(2, nrm);
  m.SetRow(3, c);
  return m;
}

inline DeltaMushParams Params(float weight, int iter, float displace = 1.0f) {
  DeltaMushParams p;
  p.weight = weight;
  p.iter = iter;
  p.displace = displace;
  return p;
}

// A bent version of the torus: a pose that a crude skin might give.
inline Point3 BentPoint(const Point3& v) {
  const float a = 0.3f * v.x;
  return Point3(v.x * std::cos(a) - v.z * std::sin(a), v.y, v.x * std::sin(a) + v.z * std::cos(a) + 0.1f * v.y * v.y);
}

inline Mesh Bent(const Mesh& rest) {
  Mesh m = rest;
  for (auto& v : m.verts) v = BentPoint(v);
  return m;
}

inline void ExpectNear(const Point3& a, const Point3& b, float tol) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

// What a vertex shows with mask value w, from its unmasked result and its input.
inline Point3 Masked(const Point3& full, const Point3& input, float w) { return full + (input - full) * (1.0f - w); }

// The colour-mask factor, 1/3 as the float with bits 0x3EAAAAAB, spelt out.
inline float MeanOfChannels(const Point3& c) {
  const float third = 0.3333333432674407958984375f;
  return (c.y + c.x + c.z) * third;
}
