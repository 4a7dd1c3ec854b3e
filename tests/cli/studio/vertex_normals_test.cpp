#include "cli/studio/vertex_normals.h"

#include <gtest/gtest.h>

namespace {

TEST(VertexNormals, AreaWeightedUnitNormalsIn8Bits) {
  // Two faces sharing the edge from vertex 0 to 1 along x: one facing +y+z
  // (cross product (0, 4, 4)), one mostly -z ((0, 1, -4)); vertex 4 is on none.
  const std::vector<float> positions = {0, 0, 0,  4, 0, 0,  0, -1, 1,  0, -1, -0.25f,  9, 9, 9};
  const std::vector<std::uint32_t> triangles = {0, 2, 1,  0, 1, 3};
  std::vector<std::int8_t> normals = {1, 2, 3};
  QuantizedVertexNormals(positions, triangles, normals);
  ASSERT_EQ(normals.size(), 15u);
  // Each face alone: its own unit normal.
  EXPECT_EQ((std::vector<int>{normals[6], normals[7], normals[8]}), (std::vector<int>{0, 90, 90}));
  EXPECT_EQ((std::vector<int>{normals[9], normals[10], normals[11]}), (std::vector<int>{0, 31, -123}));
  // The shared edge: the unnormalised sum (0, 5, 0), so the larger face weighs more.
  EXPECT_EQ((std::vector<int>{normals[0], normals[1], normals[2]}), (std::vector<int>{0, 127, 0}));
  EXPECT_EQ((std::vector<int>{normals[3], normals[4], normals[5]}), (std::vector<int>{0, 127, 0}));
  // A vertex on no face gets none.
  EXPECT_EQ((std::vector<int>{normals[12], normals[13], normals[14]}), (std::vector<int>{0, 0, 0}));
}

TEST(VertexNormals, DegenerateAndOutOfRangeFacesAddNothing) {
  const std::vector<float> positions = {0, 0, 0, 1, 0, 0, 2, 0, 0};
  std::vector<std::int8_t> normals;
  QuantizedVertexNormals(positions, {0, 1, 2, 0, 1, 7}, normals);
  EXPECT_EQ(normals, std::vector<std::int8_t>(9, 0));
}

}  // namespace
