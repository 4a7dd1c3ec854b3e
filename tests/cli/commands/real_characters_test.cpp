// Characters as people export them: skeletons under scaled, turned and nested
// nodes, inverse binds relative to the mesh node, hands with fifteen finger
// bones, several skinned meshes with skins of their own, unskinned parts with
// morph targets. Each is baked at the default settings and checked by glTF's
// own definition of skinning, not by the program's sampling.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "cli/files/obj_file.h"
#include "cli/gltf/gltf_character.h"
#include "cli/gltf/gltf_container.h"
#include "cli/sample_characters/arm_character.h"
#include "tests/support/clip_fit.h"
#include "tests/support/gltf_validator.h"
#include "tests/support/run_program.h"
#include "tests/support/sample_files.h"
#include "tests/support/sanitizers.h"
#include "tests/support/temp_dir.h"

namespace {

using Json = nlohmann::json;

struct Kind {
  const char* name;
  ArmCharacterShape shape;
};

ArmCharacterShape Small(ArmCharacterShape s) {
  s.ringsPerBone = 3;
  s.segments = 6;
  return s;
}

// Every way of wrapping a skeleton the importer must see through.
std::vector<Kind> Kinds() {
  std::vector<Kind> kinds;
  ArmCharacterShape s;
  kinds.push_back({"plain", s});
  s.units = 100;  // a centimetre file under a 0.01 root
  kinds.push_back({"centimetres under 0.01", s});
  s = {};
  s.units = 0.01f;  // a 100-scaled armature, turned Z up, one more parent
  s.zUp = true;
  s.nested = true;
  kinds.push_back({"100-scaled, Z up, nested", s});
  s = {};
  s.rootScale = {2.0f, 1.0f, 0.5f};  // not uniform, above turned bones
  s.nested = true;
  s.meshUnderRoot = false;
  kinds.push_back({"non-uniform root, world-space mesh", s});
  s = {};
  s.units = 0.01f;
  s.skinnedMeshes = 2;
  s.secondSkin = true;
  s.hangingPart = true;
  kinds.push_back({"two meshes, two skins, a part on a bone", s});
  return kinds;
}

double Diagonal(const std::vector<std::array<double, 3>>& p) {
  double lo[3] = {1e300, 1e300, 1e300}, hi[3] = {-1e300, -1e300, -1e300};
  for (const auto& q : p)
    for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], q[k]), hi[k] = std::max(hi[k], q[k]);
  return std::sqrt(std::pow(hi[0] - lo[0], 2) + std::pow(hi[1] - lo[1], 2) + std::pow(hi[2] - lo[2], 2));
}

// Each clip starts at the bind pose, where Delta Mush of the skinned mesh
// must give the skinned mesh back, however strong the smoothing: rest and
// motion stand in one space.
TEST(WorldSpace, DeltaMushMovesNothingAtTheBindPose) {
  for (const Kind& kind : Kinds()) {
    SCOPED_TRACE(kind.name);
    TempDir d;
    const std::string file = d.Write("arm.glb", MakeArmCharacterGlb(Small(kind.shape)));
    std::string output;
    ASSERT_EQ(RunFernwickIn(d.path.string(), "deform --gltf arm.glb -o . --iter 10 --weight 0.5 --animation grip", output),
              0)
        << output;
    GltfCharacter c;
    std::string error;
    ASSERT_TRUE(ReadGltfCharacter(file, {}, c, error)) << error;
    ObjModel first, later;
    ASSERT_TRUE(ReadObjFile(d.File("frame_0001.obj"), first, error)) << error;
    ASSERT_TRUE(ReadObjFile(d.File("frame_0016.obj"), later, error)) << error;
    const std::vector<Matrix3> bind = GltfJointWorldAtFrame(c, c.animations[1], 0);
    const std::vector<Matrix3> bent = GltfJointWorldAtFrame(c, c.animations[1], 15);
    std::vector<std::array<double, 3>> skinned, skinnedLater;
    for (const GltfSkinnedMesh& m : c.meshes) {
      const auto a = GltfSkinned(m, bind), b = GltfSkinned(m, bent);
      skinned.insert(skinned.end(), a.begin(), a.end());
      skinnedLater.insert(skinnedLater.end(), b.begin(), b.end());
    }
    ASSERT_EQ(first.positions.size(), skinned.size());
    const double size = Diagonal(skinned);
    double worst = 0, moved = 0;
    for (size_t v = 0; v < skinned.size(); ++v)
      for (int k = 0; k < 3; ++k) {
        worst = std::max(worst, std::fabs(first.positions[v][k] - skinned[v][k]));
        moved = std::max(moved, std::fabs(later.positions[v][k] - skinnedLater[v][k]));
      }
    EXPECT_LT(worst, 2e-6 * size) << "the bind pose moved by " << worst << " of " << size;
    // Halfway through the grip the fingers bend and Delta Mush does move them.
    EXPECT_GT(moved, 1e-3 * size);
  }
}

// What changed between the source and the written file: every accessor,
// buffer view and attribute the source had is as it was, but the skinned
// meshes' JOINTS and WEIGHTS, which point at new ones.
void ExpectOnlyWeightsChanged(const std::string& source, const std::string& written,
                              const std::vector<int>& bakedMeshes) {
  GltfContainer a, b;
  std::string error;
  ASSERT_TRUE(SplitGltfContainer(TempDir::Read(source), a, error)) << error;
  ASSERT_TRUE(SplitGltfContainer(TempDir::Read(written), b, error)) << error;
  Json before = Json::parse(a.json), after = Json::parse(b.json);
  EXPECT_EQ(b.bin.compare(0, a.bin.size(), a.bin), 0) << "the source's binary data must come through unchanged";
  for (int m : bakedMeshes)
    for (size_t p = 0; p < before["meshes"][m]["primitives"].size(); ++p) {
      Json& was = before["meshes"][m]["primitives"][p]["attributes"];
      Json& now = after["meshes"][m]["primitives"][p]["attributes"];
      EXPECT_NE(now["WEIGHTS_0"], was["WEIGHTS_0"]) << "mesh " << m << " kept its old weights";
      for (const char* key : {"JOINTS_0", "WEIGHTS_0", "JOINTS_1", "WEIGHTS_1"}) was.erase(key), now.erase(key);
    }
  for (size_t i = 0; i < before["accessors"].size(); ++i) EXPECT_EQ(after["accessors"][i], before["accessors"][i]);
  for (size_t i = 0; i < before["bufferViews"].size(); ++i)
    EXPECT_EQ(after["bufferViews"][i], before["bufferViews"][i]);
  for (Json* j : {&before, &after}) j->erase("accessors"), j->erase("bufferViews"), j->erase("buffers");
  EXPECT_EQ(after, before);
}

class BakedCharacter : public ::testing::TestWithParam<int> {};

// Two twins of real trouble: a hand with fifteen finger bones and three clips
// (as the mannequin has), and a 100-scaled, Z-up armature with two skinned
// meshes on skins of their own and a morph-target part on a bone (as the robot).
ArmCharacterShape Twin(int k) {
  ArmCharacterShape s;  // 1,080 vertices: coarser tubes leave Delta Mush little to smooth
  s.clips = 3;
  if (k == 1) {
    s.clips = 2;
    s.units = 0.01f;
    s.zUp = true;
    s.skinnedMeshes = 2;
    s.secondSkin = true;
    s.hangingPart = true;
  }
  return s;
}

TEST_P(BakedCharacter, EveryMeshFitsDeltaMushBetterAsGltfPlaysIt) {
  const ArmCharacterShape shape = Twin(GetParam());
  TempDir d;
  const std::string source = d.Write("arm.glb", MakeArmCharacterGlb(shape));
  std::string output;
  ASSERT_EQ(RunFernwickIn(d.path.string(), std::string("bake arm.glb -o baked.glb") + (FW_SANITIZED ? " --iterations 4" : ""),
                          output),
            0)
      << output;
  EXPECT_NE(output.find("bone limit 5: the smallest with which every vertex keeps its heaviest bone"), std::string::npos)
      << output;
  ExpectValidGltf(d.File("baked.glb"));
  const int meshes = shape.skinnedMeshes;
  if (meshes > 1) {
    EXPECT_NE(output.find("Mesh \"arm\" (1 of 2"), std::string::npos) << output;
    EXPECT_NE(output.find("Mesh \"fingers\" (2 of 2"), std::string::npos) << output;
  }
  ExpectOnlyWeightsChanged(source, d.File("baked.glb"), meshes > 1 ? std::vector<int>{0, 1} : std::vector<int>{0});

  const auto lines = ClipLines(output);
  ASSERT_EQ(lines.size(), static_cast<size_t>(shape.clips)) << output;
  for (const auto& [clip, line] : lines) {
    SCOPED_TRACE(clip);
    const RecomputedFit fit = RecomputeClipFit(source, d.File("baked.glb"), clip, "", d);
    ExpectSameFigures(ParseFigures(line.figures), fit.whole, 1e-3, fit.size, "whole character");
    ExpectFitsBetter(fit.whole, fit.size, "whole character");
    ASSERT_EQ(line.meshes.size(), meshes > 1 ? fit.meshes.size() : 0u);
    for (const auto& [mesh, figures] : fit.meshes) {
      ExpectFitsBetter(figures, fit.size, mesh);
      if (meshes > 1) ExpectSameFigures(ParseFigures(line.meshes.at(mesh)), figures, 1e-3, fit.size, mesh);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Twins, BakedCharacter, ::testing::Values(0, 1));

TEST(BakedCharacter, MeshNarrowsTheBakeToTheNamedMeshes) {
  ArmCharacterShape shape = Twin(1);
  TempDir d;
  const std::string source = d.Write("arm.glb", MakeArmCharacterGlb(shape));
  std::string output;
  ASSERT_EQ(RunFernwickIn(d.path.string(), "bake arm.glb -o one.glb --mesh fingers --animation none --iterations 3", output),
            0)
      << output;
  EXPECT_EQ(output.find("Mesh \""), std::string::npos) << "one mesh is baked as a character of one\n" << output;
  ExpectOnlyWeightsChanged(source, d.File("one.glb"), {1});
  output.clear();
  EXPECT_EQ(RunFernwickIn(d.path.string(), "bake arm.glb -o x.glb --mesh glove", output), 1);
  EXPECT_NE(output.find("no skinned mesh named \"glove\" in arm.glb (it has \"arm\", \"fingers\")"), std::string::npos)
      << output;
}

// The shared samples, baked as a new user would: every mesh, every clip.
void ExpectSampleBakes(const std::string& sample, const std::string& fast) {
  TempDir d;
  std::filesystem::copy_file(sample, d.path / std::filesystem::path(sample).filename());
  const std::string name = std::filesystem::path(sample).filename().string();
  std::string output;
  ASSERT_EQ(RunFernwickIn(d.path.string(), "bake " + name + " -o baked.glb" + (FW_SANITIZED ? " " + fast : ""), output),
            0)
      << output;
  ExpectValidGltf(d.File("baked.glb"));
  const auto lines = ClipLines(output);
  ASSERT_FALSE(lines.empty()) << output;
  // Three clips recomputed (of ten or fourteen) keep the test to seconds.
  size_t k = 0;
  for (const auto& [clip, line] : lines) {
    if (lines.size() > 3 && k++ % (lines.size() / 3 + 1) != 0) continue;
    SCOPED_TRACE(clip);
    const RecomputedFit fit = RecomputeClipFit(d.File(name), d.File("baked.glb"), clip, "", d);
    ExpectSameFigures(ParseFigures(line.figures), fit.whole, 1e-2, fit.size, "whole character");
    for (const auto& [mesh, figures] : fit.meshes) ExpectFitsBetter(figures, fit.size, mesh);
  }
}

TEST(SampleCharacters, MannequinyBakesWithItsFingersAndTenClips) {
  if (FW_SANITIZED) GTEST_SKIP() << "7,000 vertices: the ordinary build bakes it; RobotExpressive runs here";
  FW_SAMPLE_FILE(file, "Mannequiny.glb");
  ExpectSampleBakes(file, "--animation idle --evaluate idle --iterations 3 --range-of-motion 0");
}

TEST(SampleCharacters, RobotExpressiveBakesBothHandsUnderItsScaledArmature) {
  FW_SAMPLE_FILE(file, "RobotExpressive.glb");
  ExpectSampleBakes(file, "--animation Wave --evaluate Wave --iterations 3 --range-of-motion 0");
}

}  // namespace
