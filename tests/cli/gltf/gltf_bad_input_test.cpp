#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <functional>

#include "cli/gltf/gltf_character.h"
#include "tests/cli/gltf/gltf_test_file.h"

namespace {

using Json = nlohmann::ordered_json;

struct BadCase {
  const char* name;
  const char* prefix;  // the message starts with this
  std::function<std::string(const TempDir&)> make;  // writes the file, returns its path
};

std::string Edited(const TempDir& dir, const char* name, const std::function<void(GltfTestFile&)>& edit) {
  GltfTestFile f = MakeStripFile();
  edit(f);
  return f.SaveEmbedded(dir, name);
}

// Offset of the first POSITION's data in the strip's buffer.
size_t FirstPositionOffset(const GltfTestFile& f) {
  const int view = f.json["accessors"][0]["bufferView"];
  return f.json["bufferViews"][view]["byteOffset"];
}

TEST(GltfBadInput, EachProblemIsNamedAndNothingIsRead) {
  const BadCase cases[] = {
      {"unreadable", "cannot open", [](const TempDir& d) { return d.File("absent.gltf"); }},
      {"truncated glb", "truncated GLB",
       [](const TempDir& d) {
         const std::string glb = MakeStripFile().GlbBytes();
         return d.Write("cut.glb", glb.substr(0, glb.size() / 2));
       }},
      {"bad magic", "bad GLB magic",
       [](const TempDir& d) {
         std::string glb = MakeStripFile().GlbBytes();
         glb[0] = 'x';
         return d.Write("magic.glb", glb);
       }},
      {"bad json", "invalid glTF file", [](const TempDir& d) { return d.Write("bad.gltf", "{\"asset\": {\"version\": "); }},
      {"missing buffer", "invalid glTF file",
       [](const TempDir& d) {
         GltfTestFile f = MakeStripFile();
         Json j = f.json;
         j["buffers"] = {{{"byteLength", f.bin.size()}, {"uri", "missing.bin"}}};
         return d.Write("nobuf.gltf", j.dump());
       }},
      {"accessor out of bounds", "accessor out of bounds",
       [](const TempDir& d) {
         return Edited(d, "oob.gltf", [](GltfTestFile& f) { f.json["accessors"][0]["byteOffset"] = 40; });
       }},
      {"no skinned mesh", "no skinned mesh",
       [](const TempDir& d) { return Edited(d, "noskin.gltf", [](GltfTestFile& f) { f.json["nodes"][2].erase("skin"); }); }},
      {"endless animation", "animation 0 is too long",
       [](const TempDir& d) {
         return Edited(d, "long.gltf", [](GltfTestFile& f) {
           const int input = f.json["animations"][0]["samplers"][0]["input"];
           const size_t n = f.json["accessors"][input]["count"];
           std::vector<float> times(n);
           for (size_t k = 0; k < n; ++k) times[k] = float(k);
           times[n - 1] = 1e30f;
           const int acc = f.AddFloats(times, "SCALAR");
           for (auto& sampler : f.json["animations"][0]["samplers"]) sampler["input"] = acc;
         });
       }},
      {"joint node missing", "joint node missing",
       [](const TempDir& d) {
         return Edited(d, "joint.gltf", [](GltfTestFile& f) { f.json["skins"][0]["joints"] = {0, 9}; });
       }},
      {"joint index out of range", "joint index out of range",
       [](const TempDir& d) {
         return Edited(d, "jrange.gltf", [](GltfTestFile& f) {
           // First vertex of the first primitive: joint 7 with weight 1.
           const int view = f.json["accessors"][3]["bufferView"];
           f.bin[size_t(f.json["bufferViews"][view]["byteOffset"])] = 7;
         });
       }},
      {"signed index", "invalid glTF file",
       [](const TempDir& d) {
         return Edited(d, "signed.gltf", [](GltfTestFile& f) {
           // Indices read as signed shorts: 0xffff is -1, before every vertex.
           const int acc = f.json["meshes"][0]["primitives"][0]["indices"];
           f.json["accessors"][acc]["componentType"] = 5122;
           const int view = f.json["accessors"][acc]["bufferView"];
           const size_t at = f.json["bufferViews"][view]["byteOffset"];
           f.bin[at] = char(0xff);
           f.bin[at + 1] = char(0xff);
         });
       }},
      {"float index", "invalid glTF file",
       [](const TempDir& d) {
         return Edited(d, "findex.gltf", [](GltfTestFile& f) {
           f.json["meshes"][0]["primitives"][0]["indices"] = f.AddFloats({-1, 0, 1}, "SCALAR");
         });
       }},
      {"nan position", "non-finite position",
       [](const TempDir& d) {
         return Edited(d, "nan.gltf", [](GltfTestFile& f) {
           const float nan = std::nanf("");
           std::memcpy(f.bin.data() + FirstPositionOffset(f) + 4, &nan, 4);
         });
       }},
      {"lines", "unsupported primitive mode",
       [](const TempDir& d) {
         return Edited(d, "lines.gltf", [](GltfTestFile& f) { f.json["meshes"][0]["primitives"][1]["mode"] = 1; });
       }},
      {"node cycle", "invalid glTF file",
       [](const TempDir& d) { return Edited(d, "cycle.gltf", [](GltfTestFile& f) { f.json["nodes"][1]["children"] = {0}; }); }},
  };
  for (const BadCase& k : cases) {
    SCOPED_TRACE(k.name);
    TempDir dir;
    const std::string path = k.make(dir);
    GltfCharacter c;
    std::string err;
    EXPECT_FALSE(ReadGltfCharacter(path, {}, c, err));
    EXPECT_EQ(err.rfind(k.prefix, 0), 0u) << err;
  }
}

TEST(GltfBadInput, ChangedSourceIsRefusedOnWrite) {
  TempDir dir;
  const std::string src = MakeStripFile().SaveEmbedded(dir, "s.gltf");
  GltfCharacter c;
  std::string err;
  ASSERT_TRUE(ReadGltfCharacter(src, {}, c, err)) << err;
  Edited(dir, "s.gltf", [](GltfTestFile& f) { f.json["meshes"][0]["primitives"].erase(1); });
  std::vector<GltfVertexWeights> w = {GltfVertexWeights(c.meshes[0].positions.size(), {{0, 1.0f}})};
  EXPECT_FALSE(WriteGltfWithWeights(c, w, 4, dir.File("o.glb"), err));
  EXPECT_EQ(err.rfind("source changed", 0), 0u) << err;
  EXPECT_FALSE(std::filesystem::exists(dir.File("o.glb")));
}

}  // namespace
