#include <gtest/gtest.h>

#include <cmath>

#include "cli/gltf/bone_shape.h"
#include "cli/gltf/gltf_animation.h"
#include "cli/gltf/gltf_character.h"
#include "tests/cli/gltf/gltf_test_file.h"

namespace {

void ExpectNear(const Point3& a, const Point3& b, float tol = 1e-5f) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

TEST(GltfMatrix, ColumnMajorBecomesRowVector) {
  // Column-vector: rotate 90 degrees about z (x -> y), then move by (5, 6, 7).
  const double m[16] = {0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1, 0, 5, 6, 7, 1};
  const Matrix3 r = GltfMatrixToMatrix3(m);
  ExpectNear(Point3(1, 0, 0) * r, {5, 7, 7});
  ExpectNear(Point3(0, 1, 0) * r, {4, 6, 7});
  ExpectNear(r.GetRow(0), {0, 1, 0});
  ExpectNear(r.GetTrans(), {5, 6, 7});

  // The same transform from TRS, and back.
  GltfTrs trs;
  trs.translation = {5, 6, 7};
  trs.rotation = {0, 0, float(std::sin(M_PI / 4)), float(std::cos(M_PI / 4))};
  const Matrix3 fromTrs = GltfTrsToMatrix3(trs);
  for (int i = 0; i < 4; ++i) ExpectNear(fromTrs[i], r[i]);

  // glTF composes parent * child; the row-vector order is child * parent.
  const Matrix3 child = TransMatrix({1, 0, 0});
  ExpectNear(Point3(0, 0, 0) * (child * r), {5, 7, 7});

  GltfTrs odd;
  odd.translation = {1, -2, 3};
  odd.rotation = {0.1825742f, 0.3651484f, 0.5477226f, 0.7302967f};
  odd.scale = {2, 0.5f, 3};
  const GltfTrs back = Matrix3ToGltfTrs(GltfTrsToMatrix3(odd));
  ExpectNear(back.translation, odd.translation);
  ExpectNear(back.scale, odd.scale);
  for (int i = 0; i < 4; ++i) EXPECT_NEAR(back.rotation[i], odd.rotation[i], 1e-5);
}

TEST(GltfAnimationSample, EndsHoldAndRotationsTakeTheShortArc) {
  GltfKeyedChannel ch;
  ch.width = 4;
  ch.times = {1, 2};
  // The second key is the negated identity: the same rotation.
  ch.values = {0, 0, 0, 1, 0, 0, 0, -1};
  float q[4];
  SampleGltfChannel(ch, 1.5f, q);
  EXPECT_NEAR(std::fabs(q[3]), 1.0f, 1e-6);
  SampleGltfChannel(ch, 0.0f, q);
  EXPECT_EQ(q[3], 1.0f);
  SampleGltfChannel(ch, 9.0f, q);
  EXPECT_EQ(q[3], -1.0f);
}

// Volume by the divergence theorem: positive when faces point outwards.
float SignedVolume(const Mesh& m) {
  float v = 0;
  for (const Face& f : m.faces) v += m.verts[f.v[0]] % CrossProd(m.verts[f.v[1]], m.verts[f.v[2]]) / 6.0f;
  return v;
}

TEST(BoneShape, ClosedSlimOctahedronAlongTheLimb) {
  Mesh m;
  MakeBoneShape({1, 1, 1}, {1, 1, 3}, 0.1f, m);
  EXPECT_EQ(m.numVerts, 6);
  EXPECT_EQ(m.numFaces, 8);
  BitArray open;
  m.FindOpenEdges(open);
  EXPECT_EQ(open.NumberSet(), 0);
  EXPECT_GT(SignedVolume(m), 0.0f);
  for (const Point3& p : m.verts) {
    EXPECT_GE(p.z, 1.0f - 1e-6f);
    EXPECT_LE(p.z, 3.0f + 1e-6f);
    EXPECT_LE(std::hypot(p.x - 1, p.y - 1), 0.2f + 1e-5f);
  }
}

TEST(BoneShape, JointSegmentsReachTheChildOrContinueTheParent) {
  TempDir dir;
  GltfCharacter c;
  std::string err;
  ASSERT_TRUE(ReadGltfCharacter(MakeStripFile().SaveEmbedded(dir, "s.gltf"), {}, c, err)) << err;
  Point3 head, tail;
  GltfJointSegment(c, 0, head, tail);
  ExpectNear(head, {0, 0, 0});
  ExpectNear(tail, {1, 0, 0});
  GltfJointSegment(c, 1, head, tail);  // end joint: half the parent limb onwards
  ExpectNear(tail, {0.5f, 0, 0});
  Mesh bone;
  BuildGltfJointBone(c, 1, bone);
  EXPECT_EQ(bone.numFaces, 8);
}

}  // namespace

namespace {

TEST(GltfRestPose, VerticesStandWhereTheFileSkinsThemAtRest) {
  // Two joints under a root turned -90 degrees about x (a Z-up file's way to
  // +Y up); joint 1 sits 2 up its parent's +Z. Their inverse binds are taken in
  // the Z-up space, without the root, as such files have them.
  GltfCharacter c;
  const Matrix3 zUp({1, 0, 0}, {0, 0, -1}, {0, 1, 0}, {0, 0, 0});  // rows: where x, y, z go
  c.nodes.resize(3);
  c.nodes[0].restWorld = zUp;
  c.nodes[1].restWorld = zUp;
  c.nodes[2].restWorld = TransMatrix(Point3(0, 0, 2)) * zUp;
  c.joints.resize(2);
  c.joints[0].node = 1;
  c.joints[1].node = 2;
  c.joints[1].inverseBind = TransMatrix(Point3(0, 0, -2));
  c.meshWorld = TransMatrix(Point3(10, 0, 0));
  c.positions = {{1, 0, 3}, {1, 0, 3}, {0, 1, 0}, {4, 5, 6}};
  c.weights = {{{0, 1.0f}}, {{0, 0.25f}, {1, 0.75f}}, {{1, 2.0f}}, {}};
  const std::vector<Point3> world = GltfRestPoseWorldPositions(c);
  ASSERT_EQ(world.size(), 4u);
  // (x, y, z) turns to (x, z, -y): +Z up becomes +Y up.
  ExpectNear(world[0], {1, 3, 0});
  ExpectNear(world[1], {1, 3, 0});       // bound at rest: every joint agrees
  ExpectNear(world[2], {0, 0, -1});      // weights need not sum to 1
  ExpectNear(world[3], {14, 5, 6});      // no weights: the mesh node's place
}

}  // namespace
