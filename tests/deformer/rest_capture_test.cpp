#include <gtest/gtest.h>

#include "deformer/deform.h"
#include "deformer/rest_capture.h"
#include "tests/support/mesh_builders.h"

namespace {

const std::vector<Point3> kTri = {{0, 0, 0}, {4, 0, 0}, {0, 2, 0}};

TEST(RestSmoothing, NoPassesLeaveTheCapturedPositions) {
  const Mesh torus = MakeTorus(8, 6);
  for (auto [weight, iter] : {std::pair{1.0f, 0}, std::pair{0.0f, 7}}) {
    RestState s;
    CaptureRestState(s, torus, weight, iter, true);
    EXPECT_EQ(s.smoothedRest, torus.verts);
  }
}

TEST(RestSmoothing, SingleTriangleMovesToTheMidpointOfTheOthers) {
  RestState s;
  CaptureRestState(s, MakeTriMesh(kTri, {{0, 1, 2}}), 1.0f, 1, false);
  EXPECT_EQ(s.smoothedRest[0], Point3(2, 1, 0));
  EXPECT_EQ(s.smoothedRest[1], Point3(0, 1, 0));
  EXPECT_EQ(s.smoothedRest[2], Point3(2, 0, 0));
  // Fixed boundary: all three are fixed and nothing moves.
  CaptureRestState(s, MakeTriMesh(kTri, {{0, 1, 2}}), 1.0f, 5, true);
  EXPECT_EQ(s.smoothedRest, kTri);
}

TEST(RestSmoothing, HalfStrengthPassesByHand) {
  // Grid 3x3: only the centre (4) is free; its quad-edge neighbours 1, 3, 5, 7.
  Mesh grid;
  MakeGridPoly(3, 3).OutToTri(grid);
  RestState s;
  CaptureRestState(s, grid, 0.5f, 2, true);
  const Point3* R = grid.verts.data();
  const Point3 mean = (R[1] + R[3] + R[5] + R[7]) * 0.25f;
  const Point3 p1 = R[4] + (mean - R[4]) * 0.5f;
  const Point3 p2 = p1 + (mean - p1) * 0.5f;
  for (int k = 0; k < 3; ++k) EXPECT_NEAR(s.smoothedRest[4][k], p2[k], 1e-6f);
  for (int i = 0; i < 9; ++i) {
    if (i == 4) continue;
    EXPECT_EQ(s.smoothedRest[i], R[i]);
  }
}

TEST(RestSmoothing, UnusedVertexKeepsItsPosition) {
  RestState s;
  std::vector<Point3> pts = kTri;
  pts.push_back({9, 9, 9});
  CaptureRestState(s, MakeTriMesh(pts, {{0, 1, 2}}), 1.0f, 3, false);
  EXPECT_EQ(s.smoothedRest[3], Point3(9, 9, 9));
  EXPECT_EQ(s.neighbors.Count(3), 0);
}

TEST(Capture, EmptyMeshMatchesNoInput) {
  RestState s;
  CaptureRestState(s, Mesh(), 1.0f, 1, true);
  ASSERT_TRUE(s.restMesh);
  EXPECT_EQ(s.NumVerts(), 0);
  EXPECT_TRUE(s.smoothedRest.empty() && s.workPos.empty() && s.inputPos.empty() && s.fixedVerts.empty());
  Mesh input = MakeTriMesh(kTri, {{0, 1, 2}});
  const Mesh before = input;
  DeformTriMesh(s, input, DeltaMushParams());
  EXPECT_EQ(input.verts, before.verts);
}

TEST(Capture, BuffersMatchTheVertexCountAndColourCacheSurvives) {
  RestState s;
  s.colorMap = {7, 7};
  s.colorMapKey = 5;
  s.colorMapFromTri = true;
  const Mesh torus = MakeTorus(5, 4);
  CaptureRestState(s, torus, 1.0f, 1, true);
  const size_t n = torus.verts.size();
  EXPECT_EQ(s.smoothedRest.size(), n);
  EXPECT_EQ(s.workPos.size(), n);
  EXPECT_EQ(s.inputPos.size(), n);
  EXPECT_EQ(s.fixedVerts.size(), n);
  EXPECT_EQ(s.neighbors.VertexCount(), static_cast<int>(n));
  EXPECT_EQ(s.colorMapKey, 5);
  EXPECT_EQ(s.colorMap.size(), 2u);
}

}  // namespace
