#include <gtest/gtest.h>
#include <omp.h>

#include <bit>
#include <cmath>

#include "deformer/deform.h"
#include "deformer/rest_capture.h"
#include "sdk/matrix3.h"
#include "tests/support/mesh_builders.h"
#include "deform_test_support.h"

namespace {

Mesh Posed(const Mesh& rest, const Matrix3& tm) {
  Mesh m = rest;
  for (auto& v : m.verts) v = tm.PointTransform(v);
  return m;
}

Matrix3 SomeRigidMotion() {
  Matrix3 tm = RotAngleAxisMatrix(Normalize(Point3(1, 2, 3)), 0.7f);
  tm.SetTrans(Point3(3, -1, 2));
  return tm;
}

TEST(DeformTri, CapturedPoseComesBackAsCapturedForAnySmoothing) {
  const Mesh rest = MakeTorus(12, 8);
  for (auto [w, it] : {std::pair{1.0f, 1}, std::pair{0.5f, 10}, std::pair{1.0f, 0}}) {
    RestState s;
    CaptureRestState(s, rest, w, it, true);
    Mesh m = rest;
    DeformTriMesh(s, m, Params(w, it));
    for (int i = 0; i < m.numVerts; ++i) ExpectNear(m.verts[i], rest.verts[i], 2e-5f);
    // Half the detail: halfway between the smoothed and the captured position.
    Mesh h = rest;
    DeformTriMesh(s, h, Params(w, it, 0.5f));
    for (int i = 0; i < m.numVerts; ++i) ExpectNear(h.verts[i], (s.smoothedRest[i] + rest.verts[i]) * 0.5f, 2e-5f);
  }
}

TEST(DeformTri, RigidMotionCarriesTheDetailAlong) {
  const Mesh rest = MakeTorus(16, 10);
  RestState s;
  CaptureRestState(s, rest, 1.0f, 8, true);
  Mesh m = Posed(rest, SomeRigidMotion());
  const Mesh input = m;
  DeformTriMesh(s, m, Params(1.0f, 8));
  for (int i = 0; i < m.numVerts; ++i) ExpectNear(m.verts[i], input.verts[i], 5e-5f);
}

TEST(DeformTri, TargetIsTheLiteralFrameProduct) {
  // The target must be row 3 of T(R) * Inverse(M(S)) * M(P), bit for bit.
  const Mesh rest = MakeTorus(10, 7);
  RestState s;
  CaptureRestState(s, rest, 0.75f, 3, true);
  const Mesh input = Bent(rest);
  Mesh m = input;
  DeformTriMesh(s, m, Params(0.75f, 3));
  const std::vector<Point3> P = SmoothByHand(input.verts, s, 0.75f, 3);
  const std::vector<Point3> S = SmoothByHand(rest.verts, s, 0.75f, 3);
  EXPECT_EQ(S, s.smoothedRest);
  for (int i = 0; i < m.numVerts; ++i) {
    Matrix3 t = TransMatrix(rest.verts[i]);
    t = t * Inverse(FrameByHand(S, s, i));
    const Point3 target = (t * FrameByHand(P, s, i)).GetRow(3);
    // displace 1, no mask: P + (W - P) * 1, then + (I - P') * 0.
    Point3 expect = P[i] + (target - P[i]) * 1.0f;
    expect = expect + (input.verts[i] - expect) * 0.0f;
    ASSERT_EQ(m.verts[i], expect) << "vertex " << i;
  }
}

TEST(DeformTri, DisplaceZeroGivesTheSmoothedInputAndIterZeroSmoothsNothing) {
  const Mesh rest = MakeTorus(10, 7);
  RestState s;
  CaptureRestState(s, rest, 1.0f, 4, true);
  const Mesh input = Bent(rest);
  Mesh m = input;
  DeformTriMesh(s, m, Params(1.0f, 4, 0.0f));
  EXPECT_EQ(m.verts, SmoothByHand(input.verts, s, 1.0f, 4));

  RestState s0;
  CaptureRestState(s0, rest, 1.0f, 0, true);
  Mesh z = input;
  DeformTriMesh(s0, z, Params(1.0f, 0, 0.0f));
  EXPECT_EQ(z.verts, input.verts);
}

TEST(DeformTri, ShowStateShowsTheCapturedMesh) {
  const Mesh rest = MakeTorus(8, 6);
  RestState s;
  CaptureRestState(s, rest, 1.0f, 2, true);
  Mesh m = Bent(rest);
  DeltaMushParams p = Params(1.0f, 2);
  p.showState = true;
  const int version = m.geomCacheVersion;
  DeformTriMesh(s, m, p);
  EXPECT_EQ(m.verts, rest.verts);
  EXPECT_EQ(m.geomCacheVersion, version + 1);
}

TEST(DeformTri, MismatchedCountsPassThrough) {
  const Mesh rest = MakeTorus(8, 6);
  RestState s;
  CaptureRestState(s, rest, 1.0f, 2, true);
  Mesh other = Bent(MakeTorus(8, 7));
  const Mesh before = other;
  DeformTriMesh(s, other, Params(1.0f, 2));
  EXPECT_EQ(other.verts, before.verts);
  EXPECT_EQ(other.geomCacheVersion, before.geomCacheVersion);
  // Same vertex count, one face fewer.
  Mesh fewer = Bent(rest);
  fewer.setNumFaces(fewer.numFaces - 1, true);
  const Mesh fewerBefore = fewer;
  DeformTriMesh(s, fewer, Params(1.0f, 2));
  EXPECT_EQ(fewer.verts, fewerBefore.verts);
}

class DeformMasks : public ::testing::Test {
 protected:
  void SetUp() override {
    rest = MakeTorus(10, 7);
    CaptureRestState(s, rest, 1.0f, 3, true);
    input = Bent(rest);
    full = input;
    DeformTriMesh(s, full, Params(1.0f, 3));
  }
  // What a vertex shows with mask value w.
  Point3 Masked(int i, float w) const { return full.verts[i] + (input.verts[i] - full.verts[i]) * (1.0f - w); }
  Mesh rest, input, full;
  RestState s;
};

TEST_F(DeformMasks, BitSelectionKeepsUnselectedVerticesExactly) {
  Mesh m = input;
  m.selLevel = MESH_VERTEX;
  for (int i = 0; i < m.numVerts; i += 3) m.vertSel.Set(i);
  DeltaMushParams p = Params(1.0f, 3);
  p.vertSel = true;
  DeformTriMesh(s, m, p);
  for (int i = 0; i < m.numVerts; ++i) {
    // Mask 0 blends all the way back: the input, up to the rounding of p + (input - p).
    EXPECT_EQ(m.verts[i], Masked(i, i % 3 == 0 ? 1.0f : 0.0f));
    if (i % 3) ExpectNear(m.verts[i], input.verts[i], 1e-6f);
  }

  // At the face level the selection is no mask at all.
  Mesh f = input;
  f.selLevel = MESH_FACE;
  DeformTriMesh(s, f, p);
  EXPECT_EQ(f.verts, full.verts);
}

TEST_F(DeformMasks, SoftSelectionWeightsTakePrecedenceOverBits) {
  Mesh m = input;
  m.selLevel = MESH_VERTEX;
  m.vertSel.SetAll();
  m.setVDataSupport(VDATA_SELECT, true);
  float* soft = m.vertexFloat(VDATA_SELECT);
  for (int i = 0; i < m.numVerts; ++i) soft[i] = (i % 4) * 0.25f;
  DeltaMushParams p = Params(1.0f, 3);
  p.vertSel = true;
  DeformTriMesh(s, m, p);
  for (int i = 0; i < m.numVerts; ++i) EXPECT_EQ(m.verts[i], Masked(i, (i % 4) * 0.25f)) << i;
}

TEST_F(DeformMasks, ColourMaskIsTheMeanOfTheChannels) {
  const Point3 colours[] = {{1, 1, 1}, {0, 0, 0}, {0.5f, 0.5f, 0.5f}, {0.2f, 0.3f, 0.4f}};
  Mesh m = input;
  m.setNumVertCol(4);
  for (int c = 0; c < 4; ++c) m.vertCol[c] = colours[c];
  // Colour vertex of every corner from its vertex.
  for (int f = 0; f < m.numFaces; ++f)
    for (int j = 0; j < 3; ++j) m.vcFace[f].t[j] = m.faces[f].v[j] % 4;
  DeltaMushParams p = Params(1.0f, 3);
  p.vertCol = true;
  DeformTriMesh(s, m, p);
  const float third = std::bit_cast<float>(0x3EAAAAABu);
  const float expectCol[] = {1.0f, 0.0f, 0.5f, (0.3f + 0.2f + 0.4f) * third};
  EXPECT_EQ(expectCol[0], (1.0f + 1.0f + 1.0f) * third);
  for (int i = 0; i < m.numVerts; ++i) EXPECT_EQ(m.verts[i], Masked(i, expectCol[i % 4])) << i;
  EXPECT_EQ(s.colorMapKey, 4);
  EXPECT_TRUE(s.colorMapFromTri);

  // Switched off: no mask; the map stays cached while the colour count matches,
  // and is invalidated by a mesh without colours.
  Mesh off = m;
  off.verts = input.verts;
  DeformTriMesh(s, off, Params(1.0f, 3));
  EXPECT_EQ(off.verts, full.verts);
  EXPECT_EQ(s.colorMapKey, 4);
  Mesh plain = input;
  DeformTriMesh(s, plain, Params(1.0f, 3));
  EXPECT_EQ(s.colorMapKey, -1);
}

TEST(DeformTri, ColourMapNeverOutlivesItsVertexCount) {
  // A map built for a small rest mesh, then a capture with more vertices and the
  // same colour-vertex count: the map must be rebuilt, not read past its end.
  RestState s;
  Mesh small = MakeTorus(4, 3);
  small.setNumVertCol(2);
  small.vertCol = {{0, 0, 0}, {1, 1, 1}};
  CaptureRestState(s, small, 1.0f, 1, true);
  DeltaMushParams p = Params(1.0f, 1);
  p.vertCol = true;
  Mesh a = small;
  DeformTriMesh(s, a, p);
  ASSERT_EQ(s.colorMap.size(), static_cast<size_t>(small.numVerts));

  Mesh big = MakeTorus(9, 7);
  big.setNumVertCol(2);
  big.vertCol = {{0, 0, 0}, {1, 1, 1}};  // every corner takes colour vertex 0: black
  CaptureRestState(s, big, 1.0f, 1, true);
  Mesh b = Bent(big);
  b.setNumVertCol(2);
  b.vertCol = big.vertCol;
  const Mesh input = b;
  DeformTriMesh(s, b, p);
  EXPECT_EQ(s.colorMap.size(), static_cast<size_t>(big.numVerts));
  for (int i = 0; i < b.numVerts; ++i) ExpectNear(b.verts[i], input.verts[i], 1e-6f);  // black: no effect
}

TEST(DeformTri, VertexWithOneNeighbourShowsItsSmoothedPosition) {
  // Triangle 0-1-2 plus vertex 3 hanging on a single visible edge 2-3.
  const std::vector<Point3> pts = {{0, 0, 0}, {2, 0, 0}, {0, 2, 0}, {3, 3, 1}};
  const Mesh rest = MakeTriMesh(pts, {{0, 1, 2}, {2, 3, 2, EDGE_A}});
  RestState s;
  CaptureRestState(s, rest, 0.5f, 1, false);
  ASSERT_EQ(s.neighbors.Count(3), 1);
  Mesh m = rest;
  m.verts[3] = {5, 5, 5};
  DeformTriMesh(s, m, Params(0.5f, 1));
  // One pass at strength 0.5 toward vertex 2 at (0, 2, 0).
  const Point3 in(5, 5, 5), nb(0, 2, 0);
  const Point3 expect = in + (nb - in) * 0.5f;
  EXPECT_EQ(m.verts[3], expect);
  // iter 0: nothing left over from a pass, the vertex shows its input.
  RestState s0;
  CaptureRestState(s0, rest, 0.5f, 0, false);
  Mesh z = rest;
  z.verts[3] = {5, 5, 5};
  DeformTriMesh(s0, z, Params(0.5f, 0));
  EXPECT_EQ(z.verts[3], in);
}

TEST(DeformTri, SingularFramesStayFinite) {
  // Vertex 0's first two neighbours coincide in the rest mesh, and become
  // collinear with it in the pose.
  const std::vector<Point3> pts = {{0, 0, 0}, {1, 0, 0}, {1, 0, 0}, {0, 1, 0}};
  const Mesh rest = MakeTriMesh(pts, {{0, 1, 2}, {0, 2, 3}, {1, 3, 2}});
  RestState s;
  CaptureRestState(s, rest, 1.0f, 0, false);
  Mesh m = rest;
  DeformTriMesh(s, m, Params(1.0f, 0));
  for (const auto& v : m.verts) EXPECT_TRUE(IsFinite(v));
  EXPECT_EQ(m.verts[0], rest.verts[0]);

  Mesh line = rest;
  line.verts = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}};
  DeformTriMesh(s, line, Params(1.0f, 0));
  for (const auto& v : line.verts) EXPECT_TRUE(IsFinite(v));
}

TEST(DeformTri, FreeVertexWithCollinearNeighboursLandsOnItsSmoothedPosition) {
  // A triangulated 4 x 3 grid with a little relief; "on a line" lays every
  // vertex out along the x axis, where no vertex has a frame.
  MNMesh grid = MakeGridPoly(4, 3);
  Mesh flat;
  grid.OutToTri(flat);
  Mesh line = flat;
  for (Point3& v : line.verts) v = Point3(v.x + 0.37f * v.y, 0.0f, 0.0f);
  const struct {
    const char* what;
    const Mesh& rest;
    const Mesh& pose;
  } cases[] = {{"rest on a line", line, flat}, {"pose on a line", flat, line}, {"both on a line", line, line}};
  for (const auto& c : cases) {
    RestState s;
    CaptureRestState(s, c.rest, 0.5f, 2, false);
    Mesh m = c.pose;
    DeformTriMesh(s, m, Params(0.5f, 2));
    const std::vector<Point3> smoothed = SmoothByHand(c.pose.verts, s, 0.5f, 2);
    ASSERT_NE(smoothed, c.pose.verts) << c.what;
    for (int i = 0; i < m.numVerts; ++i) {
      ASSERT_GE(s.neighbors.Count(i), 2);
      EXPECT_EQ(m.verts[i], smoothed[i]) << c.what << ", vertex " << i;
    }
  }
}

TEST(DeformTri, ThreadCountDoesNotChangeTheResult) {
  const Mesh rest = MakeTorus(120, 90);
  RestState s;
  CaptureRestState(s, rest, 0.9f, 6, true);
  const int saved = omp_get_max_threads();
  std::vector<Point3> results[2];
  for (int t = 0; t < 2; ++t) {
    omp_set_num_threads(t + 1);
    Mesh m = Bent(rest);
    DeltaMushParams p = Params(0.9f, 6, 0.8f);
    DeformTriMesh(s, m, p);
    results[t] = m.verts;
  }
  omp_set_num_threads(saved);
  EXPECT_EQ(results[0], results[1]);
}

}  // namespace
