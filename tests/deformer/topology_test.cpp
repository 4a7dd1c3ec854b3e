#include <gtest/gtest.h>

#include "deformer/topology.h"
#include "tests/support/mesh_builders.h"

namespace {

std::vector<std::vector<int>> Lists(const Mesh& m) {
  NeighborLists nb;
  BuildNeighbors(m, nb);
  std::vector<std::vector<int>> out(nb.VertexCount());
  for (int i = 0; i < nb.VertexCount(); ++i) out[i].assign(nb.Begin(i), nb.Begin(i) + nb.Count(i));
  return out;
}

std::vector<std::uint8_t> Fixed(const Mesh& m, bool on = true) {
  std::vector<std::uint8_t> f;
  BuildFixedVerts(m, on, f);
  return f;
}

using L = std::vector<std::vector<int>>;
using B = std::vector<std::uint8_t>;
const std::vector<Point3> kFour = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {1, 1, 0}};

TEST(Neighbors, DiscoveryOrderFollowsFacesThenEdges) {
  EXPECT_EQ(Lists(MakeTriMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}})), (L{{1, 2}, {0, 2}, {1, 0}}));
  // The shared edge 1-2 is met twice and kept once.
  EXPECT_EQ(Lists(MakeTriMesh(kFour, {{0, 1, 2}, {2, 1, 3}})), (L{{1, 2}, {0, 2, 3}, {1, 0, 3}, {1, 2}}));
}

TEST(Neighbors, HiddenEdgesJoinNothing) {
  // The quad 0-1-3-2 split along the hidden diagonal 1-2.
  EXPECT_EQ(Lists(MakeTriMesh(kFour, {{0, 1, 2, EDGE_A | EDGE_C}, {2, 1, 3, EDGE_B | EDGE_C}})),
            (L{{1, 2}, {0, 3}, {0, 3}, {1, 2}}));
  // A face with every edge hidden and an unused vertex.
  EXPECT_EQ(Lists(MakeTriMesh(kFour, {{0, 1, 2, 0}})), (L{{}, {}, {}, {}}));
}

TEST(Neighbors, DegenerateEdgeListsTheVertexTwice) {
  EXPECT_EQ(Lists(MakeTriMesh({{0, 0, 0}, {1, 0, 0}}, {{0, 0, 1}})), (L{{0, 0, 1}, {0}}));
}

TEST(Neighbors, QuadTorusHasFourQuadEdgeNeighbours) {
  const Mesh torus = MakeTorus(6, 5);
  const L lists = Lists(torus);
  for (const auto& l : lists) EXPECT_EQ(l.size(), 4u);
  // Vertex (r=1, s=1) = 6: its quad-edge neighbours are (0,1)=1, (2,1)=11, (1,0)=5, (1,2)=7.
  std::vector<int> sorted = lists[6];
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<int>{1, 5, 7, 11}));
}

TEST(FixedVerts, OpenEdgesMarkTheirFirstCorner) {
  EXPECT_EQ(Fixed(MakeTriMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}})), (B{1, 1, 1}));
  EXPECT_EQ(Fixed(MakeTriMesh(kFour, {{0, 1, 2}, {2, 1, 3}})), (B{1, 1, 1, 1}));
  // Flipped second face: vertex 1 ends only open edges (2->3->1 and 0->1), so it stays free.
  EXPECT_EQ(Fixed(MakeTriMesh(kFour, {{0, 1, 2}, {2, 3, 1}})), (B{1, 0, 1, 1}));
  // Visibility plays no part.
  EXPECT_EQ(Fixed(MakeTriMesh(kFour, {{0, 1, 2, 0}, {2, 1, 3, 0}})), (B{1, 1, 1, 1}));
}

TEST(FixedVerts, ClosedMeshesAndSwitchedOffHaveNone) {
  EXPECT_EQ(Fixed(MakeCube()), B(8, 0));
  EXPECT_EQ(Fixed(MakeTriMesh(kFour, {{0, 1, 2}, {2, 1, 3}}), false), B(4, 0));
  // An unused vertex is never fixed; a mesh without faces fixes nothing.
  EXPECT_EQ(Fixed(MakeTriMesh(kFour, {{0, 1, 2}})), (B{1, 1, 1, 0}));
  EXPECT_EQ(Fixed(MakeTriMesh(kFour, {})), B(4, 0));
}

TEST(FixedVerts, OpenGridBoundaryIsFixedInteriorIsFree) {
  Mesh grid;
  MakeGridPoly(4, 3).OutToTri(grid);
  const B f = Fixed(grid);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(f[y * 4 + x], (x == 0 || x == 3 || y == 0 || y == 2) ? 1 : 0);
}

}  // namespace
