#include <gtest/gtest.h>

#include <cmath>

#include "cli/files/atomic_file.h"
#include "cli/gltf/gltf_character.h"
#include "cli/sample_characters/arm_character.h"
#include "tests/cli/gltf/gltf_test_file.h"
#include "tests/support/sample_files.h"

namespace {


void ExpectNear(const Point3& a, const Point3& b, float tol = 1e-5f) {
  EXPECT_NEAR(a.x, b.x, tol);
  EXPECT_NEAR(a.y, b.y, tol);
  EXPECT_NEAR(a.z, b.z, tol);
}

void ExpectNear(const Matrix3& a, const Matrix3& b, float tol = 1e-5f) {
  for (int r = 0; r < 4; ++r) ExpectNear(a[r], b[r], tol);
}

TEST(GltfRead, StripSeamWeldsAcrossPrimitivesInEveryContainer) {
  TempDir dir;
  GltfTestFile file = MakeStripFile();
  for (const std::string& path : {file.SaveEmbedded(dir, "strip.gltf"), file.SaveExternal(dir, "ext.gltf", "ext.bin"),
                                  file.SaveGlb(dir, "strip.glb")}) {
    SCOPED_TRACE(path);
    GltfCharacter c;
    std::string err;
    ASSERT_TRUE(ReadGltfCharacter(path, {}, c, err)) << err;
    // 8 file vertices, the x = 1 column twice: 6 geometric vertices.
    ASSERT_EQ(c.meshes[0].positions.size(), 6u);
    ASSERT_EQ(c.meshes[0].primitives.size(), 2u);
    EXPECT_EQ(c.meshes[0].primitives[0].fileToWelded, (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(c.meshes[0].primitives[1].fileToWelded, (std::vector<int>{1, 4, 3, 5}));
    EXPECT_EQ(c.meshes[0].positions[4], Point3(2, 0, 0));
    ASSERT_EQ(c.meshes[0].triangles.size(), 4u);
    EXPECT_EQ(c.meshes[0].triangles[2], (std::array<int, 3>{1, 4, 5}));
    using W = std::vector<std::pair<int, float>>;
    EXPECT_EQ(c.meshes[0].weights[0], (W{{0, 1.0f}}));
    EXPECT_EQ(c.meshes[0].weights[1], (W{{0, 0.5f}, {1, 0.5f}}));
    EXPECT_EQ(c.meshes[0].weights[5], (W{{1, 1.0f}}));
    EXPECT_EQ(c.meshes[0].node, 2);

    // The seam is closed: the mesh has only the outer border open.
    Mesh mesh;
    BuildGltfMesh(c.meshes[0], mesh);
    EXPECT_EQ(mesh.numVerts, 6);
    EXPECT_EQ(mesh.numFaces, 4);
    EXPECT_EQ(mesh.faces[0].flags & EDGE_ALL, EDGE_ALL);
    BitArray open;
    mesh.FindOpenEdges(open);
    EXPECT_EQ(open.NumberSet(), 6);

    ASSERT_EQ(c.joints.size(), 2u);
    EXPECT_EQ(c.joints[1].name, "tip");
    EXPECT_EQ(c.joints[1].parent, 0);
    EXPECT_EQ(c.joints[0].parent, -1);
    ExpectNear(c.meshes[0].inverseBind[1].GetTrans(), {-1, 0, 0});
    ExpectNear(c.nodes[c.joints[1].node].restWorld.GetTrans(), {1, 0, 0});
  }
}

TEST(GltfRead, FromBytesMatchesTheFileAndRefusesExternalBuffers) {
  TempDir dir;
  GltfTestFile f = MakeStripFile();
  const std::string path = f.SaveGlb(dir, "strip.glb");
  GltfCharacter fromFile, fromBytes;
  std::string error;
  ASSERT_TRUE(ReadGltfCharacter(path, GltfReadOptions(), fromFile, error)) << error;
  ASSERT_TRUE(ReadGltfCharacterFromBytes(f.GlbBytes(), "strip.glb", GltfReadOptions(), fromBytes, error)) << error;
  EXPECT_EQ(fromBytes.sourcePath, "strip.glb");
  ASSERT_EQ(fromBytes.meshes[0].positions.size(), fromFile.meshes[0].positions.size());
  for (size_t i = 0; i < fromFile.meshes[0].positions.size(); ++i) EXPECT_EQ(fromBytes.meshes[0].positions[i], fromFile.meshes[0].positions[i]);
  EXPECT_EQ(fromBytes.meshes[0].triangles, fromFile.meshes[0].triangles);
  EXPECT_EQ(fromBytes.joints.size(), fromFile.joints.size());

  // A buffer in a file beside the document cannot be found from bytes alone.
  std::string text;
  ASSERT_TRUE(ReadWholeFile(f.SaveExternal(dir, "strip.gltf", "strip.bin"), text, error)) << error;
  EXPECT_FALSE(ReadGltfCharacterFromBytes(text, "strip.gltf", GltfReadOptions(), fromBytes, error));
  EXPECT_EQ(error.rfind("invalid glTF file strip.gltf", 0), 0u) << error;
}

TEST(GltfRead, ChosenByNameAndMissingName) {
  TempDir dir;
  const std::string path = MakeStripFile().SaveEmbedded(dir, "strip.gltf");
  GltfCharacter c;
  std::string err;
  GltfReadOptions byMesh;
  byMesh.meshNames = {"stripMesh"};
  EXPECT_TRUE(ReadGltfCharacter(path, byMesh, c, err)) << err;
  GltfReadOptions other;
  other.meshNames = {"nothing"};
  EXPECT_FALSE(ReadGltfCharacter(path, other, c, err));
  EXPECT_EQ(err.rfind("no skinned mesh named \"nothing\"", 0), 0u) << err;
}

TEST(GltfRead, StripAnimationStepLinearCubic) {
  TempDir dir;
  GltfCharacter c;
  std::string err;
  ASSERT_TRUE(ReadGltfCharacter(MakeStripFile().SaveGlb(dir, "a.glb"), {}, c, err)) << err;
  ASSERT_EQ(c.animations.size(), 1u);
  const GltfAnimation& a = c.animations[0];
  EXPECT_EQ(a.name, "bend");
  EXPECT_FLOAT_EQ(a.duration, 1.0f);
  EXPECT_EQ(a.frameCount, 31);
  ASSERT_EQ(a.tracks.size(), 1u);
  EXPECT_EQ(a.tracks[0].node, 1);
  const GltfTrs& half = a.tracks[0].frames[15];  // t = 0.5
  // LINEAR rotation: half of 90 degrees about z.
  EXPECT_NEAR(half.rotation[2], std::sin(M_PI / 8), 1e-6);
  EXPECT_NEAR(half.rotation[3], std::cos(M_PI / 8), 1e-6);
  // STEP translation holds the first key until the second.
  ExpectNear(half.translation, {1, 0, 0});
  ExpectNear(a.tracks[0].frames[30].translation, {1, 2, 0});
  // CUBICSPLINE scale: h00*1 + h10*1 + h01*2 + h11*0 at u = 0.5 is 1.625.
  ExpectNear(half.scale, {1.625f, 1, 1});

  // At frame 30 the tip is turned 90 degrees and moved to (1, 2, 0), scaled 2 in x.
  const std::vector<Matrix3> world = GltfJointWorldAtFrame(c, a, 30);
  ExpectNear(world[1].GetTrans(), {1, 2, 0});
  ExpectNear(world[1].GetRow(0), {0, 2, 0});
  ExpectNear(world[1].GetRow(1), {-1, 0, 0});
  ExpectNear(GltfJointWorldAtFrame(c, a, 0)[1].GetTrans(), {1, 0, 0});
}

TEST(GltfRead, RiggedSimpleSample) {
  FW_SAMPLE_FILE(kRigged, "RiggedSimple.gltf");
  GltfCharacter c;
  std::string err;
  ASSERT_TRUE(ReadGltfCharacter(kRigged, {}, c, err)) << err;
  // 160 file vertices; the caps' normals split them, 96 positions remain.
  EXPECT_EQ(c.meshes[0].primitives.at(0).fileToWelded.size(), 160u);
  EXPECT_EQ(c.meshes[0].positions.size(), 96u);
  EXPECT_EQ(c.meshes[0].triangles.size(), 188u);
  EXPECT_EQ(c.meshes[0].node, 2);
  EXPECT_EQ(c.nodes.size(), 5u);
  ASSERT_EQ(c.joints.size(), 2u);
  EXPECT_EQ(c.joints[0].name, "Bone");
  EXPECT_EQ(c.joints[1].name, "Bone.001");
  EXPECT_EQ(c.joints[0].node, 3);
  EXPECT_EQ(c.joints[1].node, 4);
  EXPECT_EQ(c.joints[0].parent, -1);
  EXPECT_EQ(c.joints[1].parent, 0);
  EXPECT_EQ(c.nodes[3].parent, 1);
  EXPECT_EQ(c.nodes[1].name, "Armature");
  EXPECT_TRUE(c.nodes[3].hasMatrix);
  EXPECT_FALSE(c.nodes[4].hasMatrix);

  // inverseBindMatrices[0] is, column-major: 0 1 0 0, -1 0 0 0, 0 0 1 0, 0 1.36e-7 4.18033 1.
  ExpectNear(c.meshes[0].inverseBind[0], Matrix3({0, 1, 0}, {-1, 0, 0}, {0, 0, 1}, {0, 1.3597e-7f, 4.1803298f}));
  // The file is bound in its rest pose: both joints take the mesh to the same place.
  const Matrix3 bind0 = c.meshes[0].inverseBind[0] * c.nodes[c.joints[0].node].restWorld;
  const Matrix3 bind1 = c.meshes[0].inverseBind[1] * c.nodes[c.joints[1].node].restWorld;
  ExpectNear(bind0, bind1, 1e-4f);
  // ...which is where the Z_UP root puts it: the Armature node between them is not bound.
  ExpectNear(bind0, c.nodes[0].restWorld, 1e-4f);

  ASSERT_EQ(c.animations.size(), 1u);
  const GltfAnimation& a = c.animations[0];
  EXPECT_NEAR(a.duration, 2.083333f, 1e-5);
  EXPECT_EQ(a.frameCount, 63);
  ASSERT_EQ(a.tracks.size(), 1u);
  EXPECT_EQ(a.tracks[0].node, 4);
  // Frame 2 (t = 1/15) lies 0.6 of the way from key 0 (1/24) to key 1 (1/12);
  // the slerp of those keys' quaternions, worked out by hand:
  const auto& q = a.tracks[0].frames[2].rotation;
  EXPECT_NEAR(q[0], 0.0073968f, 2e-6);
  EXPECT_NEAR(q[1], 0.00028991f, 1e-7);
  EXPECT_NEAR(q[3], -0.9999726f, 1e-6);
  // Before the first key the first key's value holds.
  EXPECT_NEAR(a.tracks[0].frames[0].rotation[3], -0.99999994f, 1e-7);
  ExpectNear(a.tracks[0].frames[2].translation, {0, 0.0279775f, 4.187077f});

  GltfReadOptions slow;
  slow.fps = 24;
  slow.readAnimations = true;
  ASSERT_TRUE(ReadGltfCharacter(kRigged, slow, c, err)) << err;
  EXPECT_EQ(c.animations[0].frameCount, 51);
}

}  // namespace

namespace {

// Where the bind pose stands: the mesh node's place when its scale is the
// skeleton's (inverse binds relative to it, or a mesh at the origin), else
// what the skin's root joint says, so that a node transform glTF ignores
// cannot put the rest state at another scale than the motion.
TEST(GltfRead, BindPoseStandsWhereTheMeshWasBoundAtTheSkeletonsScale) {
  TempDir dir;
  ArmCharacterShape under;
  under.units = 100;  // positions in centimetres, the mesh node and skeleton under a 0.01 root
  under.zUp = true;
  ArmCharacterShape world;
  world.meshUnderRoot = false;  // world positions, the mesh at the scene root
  world.units = 100;
  GltfCharacter a, b, c;
  std::string err;
  ASSERT_TRUE(ReadGltfCharacterFromBytes(MakeArmCharacterGlb(under), "under.glb", {}, a, err)) << err;
  ASSERT_TRUE(ReadGltfCharacterFromBytes(MakeArmCharacterGlb(world), "world.glb", {}, b, err)) << err;
  ExpectNear(a.meshes[0].bindWorld, a.meshes[0].meshWorld);
  EXPECT_NEAR(a.meshes[0].bindWorld.GetRow(2).Length(), 0.01f, 1e-7f);
  ExpectNear(b.meshes[0].bindWorld, Matrix3());
  // The same world-space file with a scale on the mesh node, which skinning ignores.
  GltfContainer file;
  ASSERT_TRUE(SplitGltfContainer(MakeArmCharacterGlb(world), file, err)) << err;
  nlohmann::json doc = nlohmann::json::parse(file.json);
  for (auto& n : doc["nodes"])
    if (n.contains("skin")) n["scale"] = {0.5, 0.5, 0.5};
  ASSERT_TRUE(ReadGltfCharacterFromBytes(JoinGlb(doc.dump(), file.bin, true), "scaled.glb", {}, c, err)) << err;
  EXPECT_NEAR(c.meshes[0].meshWorld.GetRow(0).Length(), 0.5f, 1e-6f);
  ExpectNear(c.meshes[0].bindWorld, Matrix3());
}

}  // namespace
