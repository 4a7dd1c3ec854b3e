// The bone limit the program solves with: worked out as the solve orders
// bones, chosen from 5 to 8 by default, explained in command-line terms.
#include "cli/commands/bone_limit.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "cli/gltf/gltf_character.h"
#include "tests/cli/gltf/gltf_test_file.h"
#include "tests/support/run_program.h"
#include "tests/support/sample_files.h"
#include "tests/support/sanitizers.h"
#include "tests/support/temp_dir.h"

namespace {

// Skin weights as plain lists: (bone, weight) pairs per vertex.
class Pairs : public ISkinContextData {
 public:
  explicit Pairs(std::vector<std::vector<std::pair<int, float>>> p) : p_(std::move(p)) {}
  int GetNumPoints() override { return static_cast<int>(p_.size()); }
  int GetNumAssignedBones(int v) override { return static_cast<int>(p_[v].size()); }
  int GetAssignedBone(int v, int slot) override { return p_[v][slot].first; }
  float GetBoneWeight(int v, int slot) override { return p_[v][slot].second; }

 private:
  std::vector<std::vector<std::pair<int, float>>> p_;
};

TEST(BoneLimit, RankOfTheHeaviestBoneAmongBonesByDistance) {
  SceneBoneDistances d;
  d.boneCount = 4;
  d.distances = {
      3, 1, 2, 4,  // vertex 0: order 1, 2, 0, 3
      1, 1, 1, 1,  // vertex 1: all equal, so bone order
      5, 4, 3, 2,  // vertex 2: order 3, 2, 1, 0
      1, 2, 3, 4,  // vertex 3: no weights
  };
  Pairs skin({
      {{0, 0.9f}, {1, 0.1f}},                  // bone 0, 3rd nearest
      {{1, 0.2f}, {3, 0.4f}, {2, 0.4f}},       // equal heaviest: the first listed, bone 3, 4th
      {{2, 0.5f}, {0, 0.5f}},                  // equal again: bone 2, 2nd nearest
      {},
  });
  EXPECT_EQ(HeaviestBoneRanks(d, &skin, 4), (std::vector<int>{3, 4, 2, 1}));
}

TEST(BoneLimit, ChoiceAndItsMessages) {
  BoneLimitNeed need;
  need.vertex = 27;
  need.bone = "b_Spine01_02";
  need.boneCount = 24;
  struct Case {
    int needed, requested;
    bool ok;
    int limit;
    std::string message;
  } cases[] = {
      {1, 0, true, 5, ""},
      {5, 0, true, 5, ""},
      {7, 0, true, 7, ""},
      {8, 0, true, 8, ""},
      {9, 0, false, 0,
       "no bone limit from 5 to 8 lets every vertex keep its heaviest bone: vertex 27's heaviest bone, b_Spine01_02, "
       "is its 9th nearest bone; give --bone-limit 9"},
      {7, 7, true, 7, ""},
      {7, 12, true, 12, ""},
      {2, 1, false, 0, "--bone-limit 1 is too small: vertex 27's heaviest bone, b_Spine01_02, is its 2nd nearest "
                       "bone; give --bone-limit 2 or more"},
      {23, 5, false, 0, "is its 23rd nearest bone; give --bone-limit 23 or more"},
  };
  for (const Case& c : cases) {
    need.needed = c.needed;
    int limit = 0;
    std::string error;
    EXPECT_EQ(ChooseBoneLimit(need, c.requested, limit, error), c.ok) << c.needed << " " << c.requested;
    if (c.ok) EXPECT_EQ(limit, c.limit) << c.needed << " " << c.requested;
    else EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
  EXPECT_EQ(Ordinal(1) + Ordinal(2) + Ordinal(3) + Ordinal(4) + Ordinal(11) + Ordinal(12) + Ordinal(13) +
                Ordinal(21) + Ordinal(22) + Ordinal(111),
            "1st2nd3rd4th11th12th13th21st22nd111th");
}

// A ribbon along a chain of ten joints, one unit apart up +Y: row r (y = r)
// on joint r, except vertex 0, at the root, which is put on joint `far`.
// Bone j (below the end joint, whose bone reaches over what it carries)
// then lies (j + 1)th nearest to vertex 0.
std::string ChainFile(const TempDir& d, const std::string& name, int far) {
  constexpr int kJoints = 10;
  GltfTestFile f;
  std::vector<float> pos;
  std::vector<std::uint8_t> joints;
  std::vector<float> weights;
  for (int r = 0; r < kJoints; ++r)
    for (float x : {0.3f, -0.3f}) {
      pos.insert(pos.end(), {x, static_cast<float>(r), 0.1f});
      const int j = pos.size() == 3 ? far : r;
      joints.insert(joints.end(), {static_cast<std::uint8_t>(j), 0, 0, 0});
      weights.insert(weights.end(), {1, 0, 0, 0});
    }
  std::vector<std::uint16_t> idx;
  for (int r = 0; r + 1 < kJoints; ++r) {
    const std::uint16_t a = 2 * r, b = a + 1, c = a + 2, e = a + 3;
    idx.insert(idx.end(), {a, b, c, b, e, c});
  }
  std::vector<float> ibm;
  for (int j = 0; j < kJoints; ++j) ibm.insert(ibm.end(), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -float(j), 0, 1});
  using J = nlohmann::ordered_json;
  J attrs;
  attrs["POSITION"] = f.AddFloats(pos, "VEC3", 34962);
  attrs["JOINTS_0"] = f.AddBytes(joints, "VEC4", 34962);
  attrs["WEIGHTS_0"] = f.AddFloats(weights, "VEC4", 34962);
  const int indices = f.AddIndices(idx);
  const int ibmAcc = f.AddFloats(ibm, "MAT4");
  J nodes = J::array({{{"name", "ribbon"}, {"mesh", 0}, {"skin", 0}}});
  J skinJoints = J::array();
  for (int j = 0; j < kJoints; ++j) {
    J n = {{"name", "j" + std::to_string(j)}, {"translation", {0, j == 0 ? 0 : 1, 0}}};
    if (j + 1 < kJoints) n["children"] = {j + 2};
    nodes.push_back(n);
    skinJoints.push_back(j + 1);
  }
  f.json["scene"] = 0;
  f.json["scenes"] = J::array({{{"nodes", {0, 1}}}});
  f.json["nodes"] = nodes;
  f.json["meshes"] = J::array({{{"primitives", J::array({{{"attributes", attrs}, {"indices", indices}}})}}});
  f.json["skins"] = J::array({{{"joints", skinJoints}, {"inverseBindMatrices", ibmAcc}}});
  return f.SaveGlb(d, name);
}

TEST(BoneLimit, BakeChoosesTheSmallestLimitThatPassesOrSaysWhichToGive) {
  TempDir d;
  ChainFile(d, "near.glb", 3);
  ChainFile(d, "seven.glb", 6);
  ChainFile(d, "far.glb", 8);
  struct Case {
    std::string args;
    int rc;
    std::string message;
  } cases[] = {
      {"bake near.glb -o near_out.glb", 0, "bone limit 5: the smallest with which every vertex keeps its heaviest bone"},
      {"bake seven.glb -o seven_out.glb", 0, "bone limit 7: the smallest with which every vertex keeps its heaviest bone"},
      {"bake seven.glb -o x.glb --bone-limit 6", 1,
       "--bone-limit 6 is too small: vertex 0's heaviest bone, j6, is its 7th nearest bone"},
      {"bake seven.glb -o x.glb --bone-limit 6", 1, "give --bone-limit 7 or more"},
      {"bake seven.glb -o seven6.glb --bone-limit 7", 0, "Wrote seven6.glb"},
      // Beyond 8 the bake goes on and the vertex keeps the file's weights.
      {"bake far.glb -o far_out.glb", 0,
       "bone limit 8, the largest chosen: 1 vertex keeps the file's weights, their heaviest bone lying farther "
       "(vertex 0's heaviest bone, j8, is its 9th nearest bone; --bone-limit 9 would solve them too)"},
      {"bake far.glb -o far_out.glb", 0, "1 vertex kept the file's weights: their heaviest bone is not among their 8 nearest"},
      {"bake far.glb -o x.glb --bone-limit 7", 1,
       "give --bone-limit 9 or more, or --bone-limit auto, which keeps the file's weights"},
      {"bake far.glb -o far10.glb --bone-limit 10", 0,
       "warning: --bone-limit 10 is above 8, and the weight search grows as L * 2^(L-1): expect the solve to take "
       "about "},
      {"bake far.glb -o far10.glb --bone-limit 10", 0, "Wrote far10.glb"},
  };
  for (const Case& c : cases) {
    std::string out;
    EXPECT_EQ(RunFernwickIn(d.path.string(), c.args, out), c.rc) << c.args << "\n" << out;
    EXPECT_NE(out.find(c.message), std::string::npos) << c.args << "\n" << out;
  }
  EXPECT_FALSE(std::filesystem::exists(d.path / "x.glb"));

  // The vertex beyond the limit has exactly the file's weights; the others are solved.
  GltfCharacter file, baked;
  std::string error;
  ASSERT_TRUE(ReadGltfCharacter(d.File("far.glb"), {}, file, error)) << error;
  ASSERT_TRUE(ReadGltfCharacter(d.File("far_out.glb"), {}, baked, error)) << error;
  EXPECT_EQ(baked.meshes[0].weights[0], file.meshes[0].weights[0]);
  EXPECT_EQ(baked.meshes[0].weights[0], (std::vector<std::pair<int, float>>{{8, 1.0f}}));
}

TEST(BoneLimit, SolveTakesAutoAndExplainsTheScenesLimit) {
  TempDir d;
  ChainFile(d, "seven.glb", 6);
  std::string out;
  ASSERT_EQ(RunFernwickIn(d.path.string(), "import seven.glb -o s.fws", out), 0) << out;
  ASSERT_EQ(RunFernwickIn(d.path.string(), "press s.fws \"Extract state\" -o p.fws", out), 0) << out;
  std::string refused;
  EXPECT_EQ(RunFernwickIn(d.path.string(), "solve p.fws -o x.fws --yes", refused), 1);
  EXPECT_NE(refused.find("the scene's bone limit 5 is too small: vertex 0's heaviest bone, j6, is its 7th nearest "
                         "bone; give --bone-limit 7 or more (or --bone-limit auto)"),
            std::string::npos)
      << refused;
  std::string solved;
  EXPECT_EQ(RunFernwickIn(d.path.string(), "solve p.fws -o x.fws --yes --bone-limit auto", solved), 0) << solved;
  EXPECT_NE(solved.find("bone limit 7: the smallest"), std::string::npos) << solved;
}

TEST(BoneLimit, FoxBakesAtTheDefaultSettings) {
  FW_SAMPLE_FILE(fox, "Fox.glb");
  TempDir d;
  std::filesystem::copy_file(fox, d.path / "Fox.glb");
  std::string out;
  // Under sanitizers fewer solver passes keep it to seconds; the limit is the same.
  EXPECT_EQ(RunFernwickIn(d.path.string(), std::string("bake Fox.glb -o fox.glb") + (FW_SANITIZED ? " --iterations 2" : ""), out),
            0)
      << out;
  EXPECT_NE(out.find("bone limit 7: the smallest with which every vertex keeps its heaviest bone"), std::string::npos)
      << out;
  EXPECT_TRUE(std::filesystem::exists(d.path / "fox.glb"));
  EXPECT_TRUE(std::filesystem::exists(d.path / "fox_report.png"));
}

}  // namespace
