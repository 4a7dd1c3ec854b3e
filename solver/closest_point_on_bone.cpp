#include "solver/closest_point_on_bone.h"

#include <cmath>
#include <vector>

namespace {

// Edge feet are accepted within this much of the segment's length.
constexpr float kSegmentTolerance = 1e-6f;

struct Nearest {
  Point3 point;
  float distance;
  void Offer(const Point3& p, const Point3& q) {
    const float d = Length(p - q);
    if (d < distance) {
      distance = d;
      point = q;
    }
  }
};

void OfferEdgeFoot(Nearest& nearest, const Point3& p, const Point3& e0, const Point3& e1) {
  const Point3 dir = e1 - e0;
  const float lengthSq = dir % dir;
  if (!(lengthSq > 0.0f) || !std::isfinite(lengthSq)) return;  // zero-length edge: no foot
  const float t = ((p - e0) % dir) / lengthSq;
  const Point3 q = e0 + dir * t;
  // The length-sum test alone rejects feet that lie on the segment once the
  // edge is long enough for one rounding step to exceed the tolerance; the
  // edge parameter settles those.
  const bool onSegment = (t >= 0.0f && t <= 1.0f) ||
                         Length(e0 - q) + Length(e1 - q) - kSegmentTolerance <= Length(e0 - e1);
  if (onSegment) nearest.Offer(p, q);
}

}  // namespace

bool BarycentricCoords(const Point3& a, const Point3& b, const Point3& c, const Point3& q,
                       Point3& bary) {
  const Point3 n = CrossProd(b - a, c - a);
  const float area2Sq = n % n;
  if (!(area2Sq > 0.0f) || !std::isfinite(area2Sq)) return false;
  const Point3 result((CrossProd(b - q, c - q) % n) / area2Sq,
                      (CrossProd(c - q, a - q) % n) / area2Sq,
                      (CrossProd(a - q, b - q) % n) / area2Sq);
  if (!IsFinite(result)) return false;
  bary = result;
  return true;
}

Point3 ClosestPointOnPlacedMesh(const Point3* verts, int vertexCount, const BoneFace* faces,
                                int faceCount, const Point3& p) {
  Nearest nearest{verts[0], Length(p - verts[0])};
  for (int i = 1; i < vertexCount; ++i) nearest.Offer(p, verts[i]);

  for (int f = 0; f < faceCount; ++f) {
    const BoneFace& face = faces[f];
    bool inRange = true;
    for (int corner : face.v) inRange = inRange && corner >= 0 && corner < vertexCount;
    if (!inRange) continue;
    const Point3& a = verts[face.v[0]];
    const Point3& b = verts[face.v[1]];
    const Point3& c = verts[face.v[2]];

    const Point3 n = Normalize(CrossProd(b - a, c - a));
    if (!(n % n > 0.0f) || !IsFinite(n)) continue;  // zero area: no plane, no edges
    const Point3 foot = p + n * (n % (a - p));
    Point3 bary;
    if (BarycentricCoords(a, b, c, foot, bary) && bary.x >= 0.0f && bary.y >= 0.0f &&
        bary.z >= 0.0f) {
      nearest.Offer(p, foot);
      continue;
    }
    OfferEdgeFoot(nearest, p, a, b);
    OfferEdgeFoot(nearest, p, b, c);
    OfferEdgeFoot(nearest, p, c, a);
  }
  return nearest.point;
}

Point3 ClosestPointOnBone(const Matrix3& objectTM, const BoneMesh* mesh, const Point3& p) {
  if (mesh == nullptr || mesh->verts.Count() == 0) return objectTM.GetTrans();
  std::vector<Point3> placed(mesh->verts.Count());
  for (int i = 0; i < mesh->verts.Count(); ++i) placed[i] = mesh->verts[i] * objectTM;
  return ClosestPointOnPlacedMesh(placed.data(), static_cast<int>(placed.size()),
                                  mesh->faces.Addr(0), mesh->faces.Count(), p);
}
