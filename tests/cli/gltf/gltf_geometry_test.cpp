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

TEST(BoneShape, LimbsReachEveryChildAndEndJointsWhatTheyCarry) {
  // A palm joint with three finger joints as children, one finger carrying
  // vertices beyond it, one carrying nothing.
  GltfCharacter c;
  c.nodes.resize(4);
  c.joints.resize(4);
  for (int j = 0; j < 4; ++j) {
    c.joints[j].node = j;
    c.joints[j].parent = j == 0 ? -1 : 0;
  }
  GltfSkinnedMesh& m = c.meshes.emplace_back();
  m.joints = {0, 1, 2, 3};
  m.inverseBind = {Matrix3(), TransMatrix({-1, 1, 0}), TransMatrix({-1, 0, 0}), TransMatrix({-1, -1, 0})};
  // Vertices carried by joint 1 spread around (2, 1.5, 0); joint 2's lie on its own place.
  m.positions = {{2, 1.4f, 0}, {2.5f, 1.6f, 0}, {1, 0, 0.1f}, {0.2f, 0, 0}};
  m.weights = {{{1, 0.9f}, {0, 0.1f}}, {{1, 1.0f}}, {{2, 0.6f}, {0, 0.4f}}, {{0, 1.0f}}};
  const std::vector<Matrix3> bind = GltfJointBindWorld(c);
  ExpectNear(bind[1].GetTrans(), {1, -1, 0});
  const std::vector<std::vector<GltfLimb>> limbs = GltfJointLimbs(c, bind);
  ASSERT_EQ(limbs[0].size(), 3u);  // one to every child
  ExpectNear(limbs[0][2].tail, {1, 1, 0});
  ASSERT_EQ(limbs[1].size(), 1u);
  ExpectNear(limbs[1][0].head, {1, -1, 0});
  Mesh bone;
  BuildGltfJointBone(limbs[0], bind[0], bone);
  EXPECT_EQ(bone.numFaces, 24);
  EXPECT_EQ(bone.numVerts, 18);
}

}  // namespace
