#include <gtest/gtest.h>

#include "cli/files/obj_file.h"
#include "deformer/topology.h"

namespace {

const char* kQuads =
    "# two quads side by side\n"
    "v 0 0 0\nv 1 0 0\nv 2 0 0\nv 0 1 0\nv 1 1 0\nv 2 1 0\n"
    "vt 0 0\n"
    "f 1/1 2/1 5/1 4/1\n"
    "f 2 3 6 -2\n";  // -2: the fifth vertex

TEST(ObjFile, PolygonsBecomeFansWithHiddenDiagonals) {
  ObjModel m;
  std::string err;
  ASSERT_TRUE(ParseObj(kQuads, "quads.obj", m, err)) << err;
  ASSERT_EQ(m.polygons.size(), 2u);
  EXPECT_EQ(m.polygons[1], (std::vector<int>{1, 2, 5, 4}));
  Mesh tri;
  ObjToTriMesh(m, tri);
  EXPECT_EQ(tri.numVerts, 6);
  EXPECT_EQ(tri.numFaces, 4);
  NeighborLists nb;
  BuildNeighbors(tri, nb);
  // Vertex 1 (second) touches both quads: neighbours along quad edges only.
  std::vector<int> n1(nb.Begin(1), nb.Begin(1) + nb.Count(1));
  std::sort(n1.begin(), n1.end());
  EXPECT_EQ(n1, (std::vector<int>{0, 2, 4}));
  std::vector<std::uint8_t> fixed;
  BuildFixedVerts(tri, true, fixed);
  EXPECT_EQ(fixed, std::vector<std::uint8_t>(6, 1));  // every vertex is on the border
}

TEST(ObjFile, VertexColoursFillChannelZero) {
  ObjModel m;
  std::string err;
  ASSERT_TRUE(ParseObj("v 0 0 0 1 0 0\nv 1 0 0 0 1 0\nv 0 1 0 0 0 1\nf 1 2 3\n", "c.obj", m, err)) << err;
  Mesh tri;
  ObjToTriMesh(m, tri);
  ASSERT_EQ(tri.numCVerts, 3);
  EXPECT_EQ(tri.vertCol[1], Point3(0, 1, 0));
  EXPECT_EQ(tri.vcFace[0].t[2], 2u);
}

TEST(ObjFile, WrittenCopyKeepsEverythingButPositions) {
  ObjModel m;
  std::string err;
  ASSERT_TRUE(ParseObj("v 0 0 0 0.5 0.5 0.5\nvt 0 1\nv 1 0 0 1 1 1\nv 0 1 0 0 0 0\nf 1/1 2/1 3/1\n", "k.obj", m, err));
  std::vector<Point3> p = {{0.5f, 0, 0}, {1, 2, 3}, {-1, 0, 0.25f}};
  const std::string out = ObjWithPositions(m, p);
  EXPECT_EQ(out, "v 0.5 0 0 0.5 0.5 0.5\nvt 0 1\nv 1 2 3 1 1 1\nv -1 0 0.25 0 0 0\nf 1/1 2/1 3/1\n");
  ObjModel back;
  ASSERT_TRUE(ParseObj(out, "back.obj", back, err));
  EXPECT_EQ(back.positions, p);
}

TEST(ObjFile, DamagedFilesAreRefusedWithTheLine) {
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"v 0 0\n", "k.obj:1: a vertex needs x y z"},
      {"v 0 0 x\n", "k.obj:1: vertex position is not a finite number"},
      {"v 0 0 nan\n", "k.obj:1: vertex position is not a finite number"},
      {"v 0 0 1e39\n", "k.obj:1: vertex position is not a finite number"},
      {"v 0 0 0\nv 1 0 0\nf 1 2\n", "k.obj:3: a face needs at least three corners"},
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 4\n", "k.obj:4: face names vertex 4 but the file has 3"},
      {"v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 -4\n", "k.obj:4: face names vertex 0"},
      {"v 0 0 0\nf 1 0 1\n", "k.obj:2: face corner '0' is not a vertex index"},
      {"v 0 0 0 1 1 1\nv 1 0 0\n", "k.obj:2: vertex has no colour while others do"},
  };
  for (const Case& c : cases) {
    ObjModel m;
    std::string err;
    EXPECT_FALSE(ParseObj(c.text, "k.obj", m, err)) << c.text;
    EXPECT_EQ(err.rfind(c.message, 0), 0u) << "got: " << err;
  }
}

}  // namespace
