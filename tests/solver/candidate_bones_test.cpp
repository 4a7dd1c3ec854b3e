#include "solver/candidate_bones.h"

#include <gtest/gtest.h>

#include <vector>

#include "solver/bone_distance_table.h"

namespace {

BoneMesh Triangle(const Point3& a, const Point3& b, const Point3& c) {
  BoneMesh mesh;
  mesh.verts.Append(a);
  mesh.verts.Append(b);
  mesh.verts.Append(c);
  mesh.faces.Append(BoneFace{{0, 1, 2}});
  return mesh;
}

TEST(CandidateBones, NearestFirstWithFaceEdgeVertexAndPositionFeet) {
  // Seen from the origin:
  //   bone 0, no mesh, at (0, 0, 5)                         -> 5
  //   bone 1, a face 2 above (object space z = 0, moved up)  -> 2, face foot
  //   bone 2, a triangle whose near edge passes x = 3        -> 3, edge foot
  //   bone 3, a triangle pointing a corner at (-4, 0, 0)     -> 4, vertex foot
  //   bone 4, no mesh, at (0, 2, 0)                          -> 2, ties bone 1
  const BoneMesh face = Triangle({-1, -1, 0}, {2, -1, 0}, {-1, 2, 0});
  const BoneMesh edge = Triangle({3, -1, 0}, {3, 1, 0}, {5, 0, 0});
  const BoneMesh corner = Triangle({-4, 0, 0}, {-6, -1, 0}, {-6, 1, 0});
  const std::vector<BoneGeometry> bones = {
      {TransMatrix(Point3(0, 0, 5)), nullptr},
      {TransMatrix(Point3(0, 0, 2)), &face},
      {Matrix3(), &edge},
      {Matrix3(), &corner},
      {TransMatrix(Point3(0, 2, 0)), nullptr},
  };
  const std::vector<Point3> rest = {Point3(0, 0, 0)};
  const std::vector<float> distances = ComputeBoneDistances(rest.data(), 1, bones.data(), 5);
  EXPECT_EQ(distances, (std::vector<float>{5, 2, 3, 4, 2}));

  int tags[5];
  void* nodes[5];
  for (int b = 0; b < 5; ++b) nodes[b] = &tags[b];
  const CandidateBones picked = SelectCandidateBones(distances.data(), 1, 5, nodes, 3);
  ASSERT_EQ(picked.candidateCount, 3);
  ASSERT_EQ(picked.candidates.Count(), 1);
  const Tab<BoneDistance>& list = picked.candidates[0];
  ASSERT_EQ(list.Count(), 3);
  const int expected[3] = {1, 4, 2};  // equal distances keep bone order
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(list[k].boneIndex, expected[k]);
    EXPECT_EQ(list[k].node, nodes[expected[k]]);
    EXPECT_EQ(list[k].distance, distances[expected[k]]);
  }
}

TEST(CandidateBones, SortIsStableOverManyTiesPerVertex) {
  // Two vertices, six bones each; ties in several places.
  const std::vector<float> distances = {3, 1, 3, 0, 1, 3,  //
                                        2, 2, 2, 2, 1, 0};
  const CandidateBones picked = SelectCandidateBones(distances.data(), 2, 6, nullptr, 6);
  const int expected[2][6] = {{3, 1, 4, 0, 2, 5}, {5, 4, 0, 1, 2, 3}};
  for (int v = 0; v < 2; ++v)
    for (int k = 0; k < 6; ++k) {
      EXPECT_EQ(picked.candidates[v][k].boneIndex, expected[v][k]);
      EXPECT_EQ(picked.candidates[v][k].node, nullptr);
    }
  EXPECT_EQ(CandidateBoneIndices(picked.candidates, picked.candidateCount),
            (std::vector<int>{3, 1, 4, 0, 2, 5, 5, 4, 0, 1, 2, 3}));
}

TEST(CandidateBones, LimitIsClampedToTheBoneCount) {
  EXPECT_EQ(CandidateLimit(5, 3), 3);
  EXPECT_EQ(CandidateLimit(5, 100), 5);
  EXPECT_EQ(CandidateLimit(0, 4), 1);
  EXPECT_EQ(CandidateLimit(5, 0), 0);
  const std::vector<float> distances = {4, 2, 3};
  const CandidateBones picked = SelectCandidateBones(distances.data(), 1, 3, nullptr, 5);
  EXPECT_EQ(picked.candidateCount, 3);
  EXPECT_EQ(picked.candidates[0].Count(), 3);
}

TEST(BoneDistances, ProgressReportsEachNewPercentOnce) {
  std::vector<Point3> rest(200, Point3(0, 0, 0));
  const BoneGeometry bone{Matrix3(), nullptr};
  std::vector<int> reported;
  ComputeBoneDistances(rest.data(), 200, &bone, 1, [&](int p) { reported.push_back(p); });
  ASSERT_EQ(reported.size(), 99u);  // 0 is never reported; the last vertex reads 99
  for (int i = 0; i < 99; ++i) EXPECT_EQ(reported[i], i + 1);
  EXPECT_EQ(DistanceProgressPercent(1, 3), 33);
  EXPECT_EQ(DistanceProgressPercent(0, 0), 0);
}

}  // namespace
