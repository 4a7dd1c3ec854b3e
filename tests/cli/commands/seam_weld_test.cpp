// A seam between two differently skinned parts: vertices at the same place
// whose skin weights differ stay apart through import, bake and export, while
// copies that differ only by their place in the file (a texture seam) weld.
#include <gtest/gtest.h>

#include <cmath>

#include "tests/cli/gltf/gltf_test_file.h"
#include "tests/support/glb_skin.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_dir.h"

namespace {

constexpr int kSegments = 8;  // per ring, plus a copy of the first vertex closing the ring

// A tube along +y on joints "root" (origin) and "tip" (y = 1), in two
// primitives that meet at y = 1: the lower part (rings at y 0, 0.5, 1) wholly
// on the root, the upper part (y 1, 1.5, 2) wholly on the tip. The ring at
// y = 1 is in both parts, once with each part's weights. The tip bends 60
// degrees about z over one second in "bend".
// 54 vertices in the file; 48 once the rings' closing copies are welded.
std::string WriteSeamedTube(const TempDir& dir) {
  using J = nlohmann::ordered_json;
  GltfTestFile f;
  J prims = J::array();
  for (int part = 0; part < 2; ++part) {
    std::vector<float> pos, normals;
    std::vector<std::uint8_t> joints;
    std::vector<float> weights;
    std::vector<std::uint16_t> tris;
    for (int r = 0; r < 3; ++r) {
      const float y = part + 0.5f * r;
      for (int s = 0; s <= kSegments; ++s) {
        const float a = 2 * float(M_PI) * (s % kSegments) / kSegments;
        pos.insert(pos.end(), {0.3f * std::cos(a), y, 0.3f * std::sin(a)});
        normals.insert(normals.end(), {std::cos(a), 0, std::sin(a)});
        joints.insert(joints.end(), {std::uint8_t(part), 0, 0, 0});
        weights.insert(weights.end(), {1, 0, 0, 0});
      }
    }
    for (int r = 0; r < 2; ++r)
      for (int s = 0; s < kSegments; ++s) {
        const int a = r * (kSegments + 1) + s, b = a + kSegments + 1;
        tris.insert(tris.end(), {std::uint16_t(a), std::uint16_t(b + 1), std::uint16_t(a + 1),  //
                                 std::uint16_t(a), std::uint16_t(b), std::uint16_t(b + 1)});
      }
    J attrs;
    attrs["POSITION"] = f.AddFloats(pos, "VEC3", 34962);
    attrs["NORMAL"] = f.AddFloats(normals, "VEC3", 34962);
    attrs["JOINTS_0"] = f.AddBytes(joints, "VEC4", 34962);
    attrs["WEIGHTS_0"] = f.AddFloats(weights, "VEC4", 34962);
    prims.push_back({{"attributes", attrs}, {"indices", f.AddIndices(tris)}});
  }
  const int ibm = f.AddFloats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1,  //
                               1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -1, 0, 1},
                              "MAT4");
  const float s30 = 0.5f, c30 = 0.8660254f;
  const int times = f.AddFloats({0, 1}, "SCALAR");
  const int rot = f.AddFloats({0, 0, 0, 1, 0, 0, s30, c30}, "VEC4");
  f.json["scene"] = 0;
  f.json["scenes"] = J::array({{{"nodes", {0, 2}}}});
  f.json["nodes"] = J::array({{{"name", "root"}, {"children", {1}}},
                              {{"name", "tip"}, {"translation", {0, 1, 0}}},
                              {{"name", "tube"}, {"mesh", 0}, {"skin", 0}}});
  f.json["meshes"] = J::array({{{"name", "tubeMesh"}, {"primitives", prims}}});
  f.json["skins"] = J::array({{{"joints", {0, 1}}, {"inverseBindMatrices", ibm}, {"skeleton", 0}}});
  f.json["animations"] = J::array(
      {{{"name", "bend"},
        {"channels", J::array({{{"sampler", 0}, {"target", {{"node", 1}, {"path", "rotation"}}}}})},
        {"samplers", J::array({{{"input", times}, {"output", rot}, {"interpolation", "LINEAR"}}})}}});
  return f.SaveGlb(dir, "tube.glb");
}

// The heaviest joint of each copy of the seam ring (y = 1): lower part's
// copies first, then the upper part's, in the file's order.
std::vector<int> SeamHeaviest(const std::vector<GlbPrimitiveSkin>& prims) {
  std::vector<int> heaviest;
  for (const GlbPrimitiveSkin& p : prims)
    for (size_t v = 0; v < p.positions.size(); ++v) {
      if (std::fabs(p.positions[v][1] - 1.0f) > 1e-6f || p.influences[v].empty()) continue;
      auto best = p.influences[v].begin();
      for (auto it = p.influences[v].begin(); it != p.influences[v].end(); ++it)
        if (it->second > best->second) best = it;
      heaviest.push_back(best->first);
    }
  return heaviest;
}

TEST(SeamWeld, DifferentlySkinnedVerticesAtOnePlaceStayApartThroughImportBakeAndExport) {
  TempDir d;
  WriteSeamedTube(d);
  // 2 x 9 seam copies: the lower part's on the root (0), the upper part's on the tip (1).
  std::vector<int> twoSides(kSegments + 1, 0);
  twoSides.resize(2 * (kSegments + 1), 1);
  struct Step {
    std::string args, written;
  } steps[] = {
      {"import tube.glb -o s.fws", ""},
      // Nothing solved: the weights go back as they came, each side its own.
      {"export s.fws --source tube.glb -o same.glb", "same.glb"},
      {"bake tube.glb -o baked.glb --iterations 4", "baked.glb"},
  };
  for (const Step& s : steps) {
    std::string out;
    ASSERT_EQ(RunFernwickIn(d.path.string(), s.args, out), 0) << s.args << "\n" << out;
    if (s.args.rfind("export", 0) != 0) {
      EXPECT_NE(out.find("Imported tube.glb: 48 vertices (welded)"), std::string::npos) << s.args << "\n" << out;
    }
    if (s.written.empty()) continue;
    std::vector<GlbPrimitiveSkin> prims;
    ASSERT_TRUE(ReadGlbSkin(d.File(s.written), prims)) << s.written;
    ASSERT_EQ(prims.size(), 2u);
    EXPECT_EQ(prims[0].positions.size() + prims[1].positions.size(), 54u) << s.written;
    EXPECT_EQ(SeamHeaviest(prims), twoSides) << s.args;
    if (s.written != "same.glb") continue;
    for (int part = 0; part < 2; ++part)
      for (const auto& influences : prims[part].influences) {
        EXPECT_EQ(influences, (std::map<int, float>{{part, 1.0f}})) << "part " << part;
      }
  }
}

}  // namespace
