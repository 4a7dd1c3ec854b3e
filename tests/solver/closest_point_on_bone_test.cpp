#include "solver/closest_point_on_bone.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>

namespace {

BoneMesh MakeMesh(std::initializer_list<Point3> verts, std::initializer_list<BoneFace> faces) {
  BoneMesh mesh;
  for (const Point3& p : verts) mesh.verts.Append(p);
  for (const BoneFace& f : faces) mesh.faces.Append(f);
  return mesh;
}

void ExpectPoint(const Point3& got, const Point3& want) {
  EXPECT_EQ(got.x, want.x);
  EXPECT_EQ(got.y, want.y);
  EXPECT_EQ(got.z, want.z);
}

// Right triangle (0,0,0), (2,0,0), (0,2,0), placed 10 along x.
const BoneMesh kTriangle = MakeMesh({{0, 0, 0}, {2, 0, 0}, {0, 2, 0}}, {{{0, 1, 2}}});
const Matrix3 kPlaced = TransMatrix(Point3(10, 0, 0));

TEST(ClosestPointOnBone, WithoutMeshOrVerticesTheBonePositionCounts) {
  Matrix3 tm = RotAngleAxisMatrix(Point3(0, 0, 1), 0.7f);
  tm.SetTrans(Point3(3, 4, 5));
  ExpectPoint(ClosestPointOnBone(tm, nullptr, Point3(0, 0, 0)), Point3(3, 4, 5));
  // Faces but no vertices: nothing to index, still the position.
  const BoneMesh noVerts = MakeMesh({}, {{{0, 1, 2}}});
  ExpectPoint(ClosestPointOnBone(tm, &noVerts, Point3(0, 0, 0)), Point3(3, 4, 5));
}

TEST(ClosestPointOnBone, VerticesWithoutFacesGiveTheNearestVertex) {
  // Vertices 1 and 2 are equally near; the first of them stays.
  const BoneMesh cloud = MakeMesh({{5, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 3}}, {});
  ExpectPoint(ClosestPointOnBone(TransMatrix(Point3(0, 0, 1)), &cloud, Point3(0, 0, 0)),
              Point3(0, 1, 1));
}

TEST(ClosestPointOnBone, FootsOnFaceEdgeAndVertex) {
  // Above the interior: the perpendicular foot.
  ExpectPoint(ClosestPointOnBone(kPlaced, &kTriangle, Point3(10.5f, 0.5f, 3)),
              Point3(10.5f, 0.5f, 0));
  // Beside the face, its plane foot outside: the foot on edge (a, b).
  ExpectPoint(ClosestPointOnBone(kPlaced, &kTriangle, Point3(11, -1, 0.5f)), Point3(11, 0, 0));
  // Beyond a corner every edge foot lies off its segment: the corner.
  ExpectPoint(ClosestPointOnBone(kPlaced, &kTriangle, Point3(9, -1, 0)), Point3(10, 0, 0));
  // On a vertex: distance 0.
  const Point3 onVertex(12, 0, 0);
  EXPECT_EQ(Length(onVertex - ClosestPointOnBone(kPlaced, &kTriangle, onVertex)), 0.0f);
}

TEST(ClosestPointOnBone, EdgeFootPastTheSegmentEndIsNotUsed) {
  // The line of edge (a, b) passes at distance 1, but its foot (13, 0, 0) is
  // past b; the nearest point is b itself.
  ExpectPoint(ClosestPointOnBone(kPlaced, &kTriangle, Point3(13, -1, 0)), Point3(12, 0, 0));
}

TEST(ClosestPointOnBone, ObjectTransformPlacesTheMesh) {
  // A quarter turn about z maps (x, y) to (-y, x); then 10 along x.
  Matrix3 tm = RotAngleAxisMatrix(Point3(0, 0, 1), 1.5707963f);
  tm.SetTrans(Point3(10, 0, 0));
  const Point3 q = ClosestPointOnBone(tm, &kTriangle, Point3(9.5f, 0.5f, -4));
  EXPECT_NEAR(q.x, 9.5f, 1e-5f);
  EXPECT_NEAR(q.y, 0.5f, 1e-5f);
  EXPECT_NEAR(q.z, 0.0f, 1e-5f);
}

TEST(ClosestPointOnBone, AtEqualDistanceThePointMetFirstStays) {
  // Two faces one unit above and below the query point; every vertex is farther.
  const BoneMesh slabs = MakeMesh({{-1, -1, 1}, {2, -1, 1}, {-1, 2, 1},
                                   {-1, -1, -1}, {-1, 2, -1}, {2, -1, -1}},
                                  {{{0, 1, 2}}, {{3, 4, 5}}});
  ExpectPoint(ClosestPointOnBone(Matrix3(), &slabs, Point3(0, 0, 0)), Point3(0, 0, 1));
  BoneMesh swapped = slabs;
  std::swap(swapped.faces[0], swapped.faces[1]);
  ExpectPoint(ClosestPointOnBone(Matrix3(), &swapped, Point3(0, 0, 0)), Point3(0, 0, -1));
}

TEST(ClosestPointOnBone, DegenerateAndBrokenFacesAddNoPoint) {
  // A flat face along x (zero area), one with a repeated corner (zero-length
  // edge) and one indexing past the vertices. Had any of them counted, the
  // point (0.5, 0, 0) at distance 1 would win over the vertices.
  const BoneMesh mesh = MakeMesh({{0, 0, 0}, {1, 0, 0}, {2, 0, 0}},
                                 {{{0, 1, 2}}, {{0, 0, 1}}, {{0, 1, 7}}, {{-1, 0, 1}}});
  const Point3 q = ClosestPointOnBone(Matrix3(), &mesh, Point3(0.5f, 1, 0));
  ExpectPoint(q, Point3(0, 0, 0));  // vertices 0 and 1 tie; the first stays
}

TEST(ClosestPointOnBone, EdgeFootOnALongEdgeCountsWhenTheLengthSumMissesByRounding) {
  // A 42-unit edge (a centimetre rig's bone). The foot of p on edge (a, b) lies
  // at parameter 0.23, well inside the segment, yet in single precision
  // |a - q| + |b - q| exceeds |a - b| by 3.8e-6, more than the 1e-6 tolerance.
  // The plane foot is p itself, outside the face, so only the edge can give
  // the nearest point; without it vertex a (9.7 away) would win.
  const BoneMesh face = MakeMesh({{0, 0, 0}, {42, -1.5f, 0}, {0, 10, 0}}, {{{0, 1, 2}}});
  const Point3 p(9.625f, -1.5f, 0);
  const Point3 a(0, 0, 0), b(42, -1.5f, 0);
  const Point3 q0 = a + (b - a) * (((p - a) % (b - a)) / ((b - a) % (b - a)));
  ASSERT_GT(Length(a - q0) + Length(b - q0) - 1e-6f, Length(a - b));  // the length-sum test alone says no

  // The foot worked out in double precision: t = (p . d) / |d|^2 with d = b - a.
  const double t = (9.625 * 42 + 1.5 * 1.5) / (42.0 * 42 + 1.5 * 1.5);
  const Point3 q = ClosestPointOnBone(Matrix3(), &face, p);
  EXPECT_NEAR(q.x, 42 * t, 1e-5);
  EXPECT_NEAR(q.y, -1.5 * t, 1e-5);
  EXPECT_EQ(q.z, 0.0f);
  EXPECT_NEAR(Length(p - q), 1.15551, 1e-4);
}

// Closest point on a triangle in double precision, by Voronoi regions.
double TriangleDistance(const double p[3], const double a[3], const double b[3],
                        const double c[3]) {
  auto sub = [](const double* x, const double* y, double* r) {
    for (int i = 0; i < 3; ++i) r[i] = x[i] - y[i];
  };
  auto dot = [](const double* x, const double* y) { return x[0] * y[0] + x[1] * y[1] + x[2] * y[2]; };
  double ab[3], ac[3], ap[3], bp[3], cp[3], q[3];
  sub(b, a, ab);
  sub(c, a, ac);
  sub(p, a, ap);
  auto at = [&](double s, double t) {
    for (int i = 0; i < 3; ++i) q[i] = a[i] + s * ab[i] + t * ac[i];
  };
  const double d1 = dot(ab, ap), d2 = dot(ac, ap);
  sub(p, b, bp);
  const double d3 = dot(ab, bp), d4 = dot(ac, bp);
  sub(p, c, cp);
  const double d5 = dot(ab, cp), d6 = dot(ac, cp);
  const double vc = d1 * d4 - d3 * d2, vb = d5 * d2 - d1 * d6, va = d3 * d6 - d5 * d4;
  if (d1 <= 0 && d2 <= 0) at(0, 0);
  else if (d3 >= 0 && d4 <= d3) at(1, 0);
  else if (d6 >= 0 && d5 <= d6) at(0, 1);
  else if (vc <= 0 && d1 >= 0 && d3 <= 0) at(d1 / (d1 - d3), 0);
  else if (vb <= 0 && d2 >= 0 && d6 <= 0) at(0, d2 / (d2 - d6));
  else if (va <= 0 && (d4 - d3) >= 0 && (d5 - d6) >= 0) {
    const double w = (d4 - d3) / ((d4 - d3) + (d5 - d6));
    at(1 - w, w);
  } else {
    const double denom = 1 / (va + vb + vc);
    at(vb * denom, vc * denom);
  }
  double d[3];
  sub(p, q, d);
  return std::sqrt(dot(d, d));
}

TEST(ClosestPointOnBone, MatchesAnIndependentDistanceOnRandomMeshes) {
  // Scenes of a few hundred units, where one rounding step of an edge's
  // length already exceeds the segment tolerance.
  std::mt19937 rng(17);
  for (float scale : {1.0f, 150.0f}) {
    std::uniform_real_distribution<float> coord(-scale, scale);
    for (int trial = 0; trial < 40; ++trial) {
      BoneMesh mesh;
      for (int i = 0; i < 6; ++i) mesh.verts.Append(Point3(coord(rng), coord(rng), coord(rng)));
      for (int i = 0; i < 4; ++i) mesh.faces.Append(BoneFace{{i, i + 1, i + 2}});
      for (int query = 0; query < 50; ++query) {
        const Point3 p(coord(rng), coord(rng), coord(rng));
        const double pd[3] = {p.x, p.y, p.z};
        double best = 1e300;
        for (const BoneFace& f : mesh.faces) {
          double c[3][3];
          for (int j = 0; j < 3; ++j)
            for (int i = 0; i < 3; ++i) c[j][i] = mesh.verts[f.v[j]][i];
          best = std::min(best, TriangleDistance(pd, c[0], c[1], c[2]));
        }
        const float got = Length(p - ClosestPointOnBone(Matrix3(), &mesh, p));
        EXPECT_NEAR(got, best, 2e-5 * scale + 1e-4 * best) << "scale " << scale;
      }
    }
  }
}

}  // namespace
