#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <set>

#include "cli/gltf/gltf_character.h"
#include "tests/cli/gltf/gltf_test_file.h"
#include "tests/support/sample_files.h"

namespace {

using Json = nlohmann::ordered_json;
using Weights = std::vector<std::vector<std::pair<int, float>>>;

// Runs the Khronos validator; the report's first line is "errors=N warnings=N ...".
std::string Validate(const std::string& file, int& rc) {
  const std::string cmd = std::string(FW_NODE) + " " + FW_VALIDATE_SCRIPT + " '" + file + "' 2>&1";
  std::string out;
  FILE* p = popen(cmd.c_str(), "r");
  if (!p) {
    rc = -1;
    return "cannot run " + cmd;
  }
  char buf[512];
  while (fgets(buf, sizeof buf, p)) out += buf;
  rc = pclose(p);
  return out;
}

void ExpectValid(const std::string& file) {
  int rc = 0;
  const std::string report = Validate(file, rc);
  EXPECT_EQ(rc, 0) << "the glTF validator (node " << FW_VALIDATE_SCRIPT
                   << ", installed by npm ci in tests/validator) rejects or could not check " << file << ":\n"
                   << report;
  EXPECT_EQ(report.rfind("errors=0 ", 0), 0u) << report;
}

Json JsonOf(const std::string& path) {
  GltfContainer c;
  std::string err;
  EXPECT_TRUE(SplitGltfContainer(TempDir::Read(path), c, err)) << err;
  return Json::parse(c.json);
}

// The document without what a weight export may change: the skin attributes,
// accessors and buffer views past the source's, and the buffers they use.
Json WithoutWeights(Json j, size_t accessors, size_t views) {
  for (Json& m : j["meshes"])
    for (Json& p : m["primitives"])
      for (const char* a : {"JOINTS_0", "WEIGHTS_0", "JOINTS_1", "WEIGHTS_1"}) p["attributes"].erase(a);
  j["accessors"].erase(j["accessors"].begin() + accessors, j["accessors"].end());
  j["bufferViews"].erase(j["bufferViews"].begin() + views, j["bufferViews"].end());
  // A GLB made from JSON puts its binary chunk first and renumbers the buffers.
  for (Json& v : j["bufferViews"]) v.erase("buffer");
  j.erase("buffers");
  return j;
}

// Per welded vertex: weight 1 - x/2 on the root and x/2 on the tip.
Weights Ramp(const GltfCharacter& c) {
  Weights w;
  for (const Point3& p : c.meshes[0].positions) w.push_back({{1, p.x / 2}, {0, 1 - p.x / 2}});
  return w;
}

std::vector<std::pair<int, float>> Sorted(std::vector<std::pair<int, float>> v) {
  std::sort(v.begin(), v.end());
  return v;
}

TEST(GltfWrite, StripRoundTripsInEachContainerAndValidates) {
  TempDir dir;
  GltfTestFile file = MakeStripFile();
  const std::string sources[] = {file.SaveEmbedded(dir, "in.gltf"), file.SaveExternal(dir, "ext.gltf", "ext.bin"),
                                 file.SaveGlb(dir, "in.glb")};
  std::filesystem::create_directory(dir.path / "out");
  int n = 0;
  for (const std::string& src : sources)
    for (const char* ext : {".glb", ".gltf"}) {
      const std::string out = dir.File("out/result" + std::to_string(n++) + ext);
      SCOPED_TRACE(src + " -> " + out);
      GltfCharacter c;
      std::string err;
      ASSERT_TRUE(ReadGltfCharacter(src, {}, c, err)) << err;
      const Weights w = Ramp(c);
      ASSERT_TRUE(WriteGltfWithWeights(c, {w}, 4, out, err)) << err;
      ExpectValid(out);

      GltfCharacter back;
      ASSERT_TRUE(ReadGltfCharacter(out, {}, back, err)) << err;
      ASSERT_EQ(back.meshes[0].positions, c.meshes[0].positions);
      EXPECT_EQ(back.meshes[0].primitives[1].fileToWelded, c.meshes[0].primitives[1].fileToWelded);
      for (size_t v = 0; v < w.size(); ++v) {
        std::vector<std::pair<int, float>> expect;
        for (const auto& p : Sorted(w[v]))
          if (p.second > 0) expect.push_back(p);  // zero weights are left out
        const auto& got = back.meshes[0].weights[v];
        ASSERT_EQ(got.size(), expect.size()) << v;
        for (size_t k = 0; k < got.size(); ++k) {
          EXPECT_EQ(got[k].first, expect[k].first);
          EXPECT_NEAR(got[k].second, expect[k].second, 1e-6);
        }
      }
      // Everything but the weights is as it was, extensions, extras and the image included.
      const Json before = JsonOf(src), after = JsonOf(out);
      EXPECT_EQ(WithoutWeights(after, before["accessors"].size(), before["bufferViews"].size()),
                WithoutWeights(before, before["accessors"].size(), before["bufferViews"].size()));
      EXPECT_EQ(after["accessors"].size(), before["accessors"].size() + 4);
      if (src.find("ext") != std::string::npos) {
        // Still the same file, seen from out/.
        EXPECT_TRUE(std::any_of(after["buffers"].begin(), after["buffers"].end(),
                                [](const Json& b) { return b.value("uri", "") == "../ext.bin"; }))
            << after["buffers"].dump();
      }
      // The animation comes through unchanged.
      ASSERT_EQ(back.animations.size(), 1u);
      EXPECT_EQ(back.animations[0].tracks[0].frames[15].scale, c.animations[0].tracks[0].frames[15].scale);
    }
}

TEST(GltfWrite, EightInfluencesUseTwoSetsAndFewerDropTheSecond) {
  TempDir dir;
  // Six joints in a chain so that a vertex can have more than four.
  GltfTestFile f = MakeStripFile();
  for (int k = 0; k < 4; ++k) f.json["nodes"].push_back({{"name", "extra" + std::to_string(k)}});
  f.json["nodes"][1]["children"] = {3, 4, 5, 6};
  f.json["skins"][0]["joints"] = {0, 1, 3, 4, 5, 6};
  f.json["skins"][0].erase("inverseBindMatrices");
  const std::string src = f.SaveGlb(dir, "six.glb");
  GltfCharacter c;
  std::string err;
  ASSERT_TRUE(ReadGltfCharacter(src, {}, c, err)) << err;
  Weights w(c.meshes[0].positions.size());
  for (auto& list : w)
    for (int j = 0; j < 6; ++j) list.push_back({j, float(j + 1)});  // 1..6, total 21
  const std::string two = dir.File("two.glb");
  ASSERT_TRUE(WriteGltfWithWeights(c, {w}, 8, two, err)) << err;
  ExpectValid(two);
  GltfCharacter back;
  ASSERT_TRUE(ReadGltfCharacter(two, {}, back, err)) << err;
  ASSERT_EQ(back.meshes[0].weights[3].size(), 6u);
  EXPECT_NEAR(back.meshes[0].weights[3][5].second, 6.0f / 21, 1e-6);
  EXPECT_TRUE(JsonOf(two)["meshes"][0]["primitives"][1]["attributes"].contains("WEIGHTS_1"));

  // Written again with three: the largest three, renormalised, and no second set.
  const std::string three = dir.File("three.glb");
  ASSERT_TRUE(WriteGltfWithWeights(back, {w}, 3, three, err)) << err;
  ExpectValid(three);
  ASSERT_TRUE(ReadGltfCharacter(three, {}, back, err)) << err;
  ASSERT_EQ(back.meshes[0].weights[0].size(), 3u);
  EXPECT_EQ(back.meshes[0].weights[0][0].first, 3);
  EXPECT_NEAR(back.meshes[0].weights[0][2].second, 6.0f / 15, 1e-6);
  EXPECT_FALSE(JsonOf(three)["meshes"][0]["primitives"][0]["attributes"].contains("JOINTS_1"));
}

TEST(GltfWrite, RiggedSimpleKeepsTheRestAndValidates) {
  FW_SAMPLE_FILE(src, "RiggedSimple.gltf");
  TempDir dir;
  GltfCharacter c;
  std::string err;
  ASSERT_TRUE(ReadGltfCharacter(src, {}, c, err)) << err;
  // Weights by height along the cylinder (z from -4.6 to 4.6).
  Weights w;
  for (const Point3& p : c.meshes[0].positions) {
    const float t = std::clamp((p.z + 4.6f) / 9.2f, 0.0f, 1.0f);
    w.push_back({{0, 1 - t}, {1, t}});
  }
  for (const char* name : {"rigged.glb", "rigged.gltf"}) {
    const std::string out = dir.File(name);
    ASSERT_TRUE(WriteGltfWithWeights(c, {w}, 4, out, err)) << err;
    ExpectValid(out);
    GltfCharacter back;
    ASSERT_TRUE(ReadGltfCharacter(out, {}, back, err)) << err;
    EXPECT_EQ(back.meshes[0].positions.size(), c.meshes[0].positions.size());
    const Json before = JsonOf(src);
    EXPECT_EQ(WithoutWeights(JsonOf(out), before["accessors"].size(), before["bufferViews"].size()),
              WithoutWeights(before, before["accessors"].size(), before["bufferViews"].size()));
  }
}

TEST(GltfWrite, BadWeightsWriteNothing) {
  TempDir dir;
  GltfCharacter c;
  std::string err;
  ASSERT_TRUE(ReadGltfCharacter(MakeStripFile().SaveEmbedded(dir, "s.gltf"), {}, c, err)) << err;
  const std::string out = dir.File("never.glb");
  struct Case {
    Weights weights;
    int influences;
    const char* prefix;
  };
  Weights outOfRange = Ramp(c), nan = Ramp(c), empty = Ramp(c);
  outOfRange[2].push_back({2, 0.5f});
  nan[1][0].second = std::nanf("");
  empty[4].clear();
  const Case cases[] = {{Weights(2), 4, "weights do not match mesh"},
                        {outOfRange, 4, "joint index out of range"},
                        {nan, 4, "non-finite or negative weight"},
                        {empty, 4, "vertex 4 of \"strip\" has no weight"},
                        {Ramp(c), 0, "influences per vertex must be 1 to 8"}};
  for (const Case& k : cases) {
    EXPECT_FALSE(WriteGltfWithWeights(c, {k.weights}, k.influences, out, err));
    EXPECT_EQ(err.rfind(k.prefix, 0), 0u) << err;
    EXPECT_FALSE(std::filesystem::exists(out));
  }
}

}  // namespace
