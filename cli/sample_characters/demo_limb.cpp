#include "cli/sample_characters/demo_limb.h"

#include <algorithm>
#include <cmath>

DemoLimb MakeDemoLimb(int rings, int segments) {
  DemoLimb limb;
  const float length = 4.0f;
  limb.elbow = Point3(length * 0.5f, 0, 0);
  MNMesh& m = limb.rest;
  m.setNumVerts(rings * segments);
  limb.elbowWeight.resize(rings * segments);
  const float twoPi = 6.28318530718f;
  for (int r = 0; r < rings; ++r) {
    const float x = length * r / (rings - 1);
    for (int s = 0; s < segments; ++s) {
      const float a = twoPi * s / segments;
      // Ridges around the limb: the detail a smooth deformation must keep.
      const float rad = limb.radius * (1.0f + 0.04f * std::sin(24.0f * x) + 0.03f * std::cos(6.0f * a));
      const int i = r * segments + s;
      m.P(i) = Point3(x, rad * std::cos(a), rad * std::sin(a));
      // A crude skin: a hard switch over a short band around the joint.
      limb.elbowWeight[i] = std::clamp((x - limb.elbow.x) / 0.3f + 0.5f, 0.0f, 1.0f);
    }
  }
  for (int r = 0; r + 1 < rings; ++r)
    for (int s = 0; s < segments; ++s) {
      const int s1 = (s + 1) % segments;
      m.NewFace({r * segments + s, r * segments + s1, (r + 1) * segments + s1, (r + 1) * segments + s});
    }
  std::vector<int> capStart, capEnd;
  for (int s = segments - 1; s >= 0; --s) capStart.push_back(s);
  for (int s = 0; s < segments; ++s) capEnd.push_back((rings - 1) * segments + s);
  m.NewFace(capStart);
  m.NewFace(capEnd);
  return limb;
}

MNMesh PoseDemoLimb(const DemoLimb& limb, float angle) {
  MNMesh posed = limb.rest;
  Matrix3 bend = TransMatrix(-limb.elbow) * RotAngleAxisMatrix(Point3(0, 0, 1), angle) * TransMatrix(limb.elbow);
  for (int i = 0; i < posed.numv; ++i) {
    const Point3 p = limb.rest.P(i);
    const float w = limb.elbowWeight[i];
    posed.P(i) = p * (1.0f - w) + bend.PointTransform(p) * w;
  }
  return posed;
}
