// Small glTF files the tests write themselves: a JSON document and the bytes
// of its one buffer, saved as .gltf (embedded or external buffer) or .glb.
#pragma once
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "cli/gltf/gltf_container.h"
#include "tests/support/temp_dir.h"

struct GltfTestFile {
  nlohmann::ordered_json json;
  std::string bin;

  GltfTestFile() {
    json["asset"] = {{"version", "2.0"}, {"generator", "fernwick tests"}};
    json["buffers"] = nlohmann::ordered_json::array();
    json["bufferViews"] = nlohmann::ordered_json::array();
    json["accessors"] = nlohmann::ordered_json::array();
  }

  // Appends an accessor over new data; floats get min and max as the
  // validator asks for positions and animation inputs.
  int AddFloats(const std::vector<float>& v, const char* type, int target = 0) {
    const int comps = Components(type);
    nlohmann::ordered_json a = {{"bufferView", AddView(v.data(), v.size() * 4, target)},
                                {"componentType", 5126},
                                {"count", v.size() / comps},
                                {"type", type}};
    std::vector<float> lo(comps, 1e30f), hi(comps, -1e30f);
    for (size_t i = 0; i < v.size(); ++i) {
      lo[i % comps] = std::min(lo[i % comps], v[i]);
      hi[i % comps] = std::max(hi[i % comps], v[i]);
    }
    a["min"] = lo;
    a["max"] = hi;
    json["accessors"].push_back(a);
    return int(json["accessors"].size()) - 1;
  }
  int AddBytes(const std::vector<std::uint8_t>& v, const char* type, int target = 0) {
    json["accessors"].push_back({{"bufferView", AddView(v.data(), v.size(), target)},
                                 {"componentType", 5121},
                                 {"count", v.size() / Components(type)},
                                 {"type", type}});
    return int(json["accessors"].size()) - 1;
  }
  int AddIndices(const std::vector<std::uint16_t>& v) {
    json["accessors"].push_back({{"bufferView", AddView(v.data(), v.size() * 2, 34963)},
                                 {"componentType", 5123},
                                 {"count", v.size()},
                                 {"type", "SCALAR"}});
    return int(json["accessors"].size()) - 1;
  }

  // The document with its buffer as a data URI, a file beside it, or a GLB chunk.
  std::string SaveEmbedded(const TempDir& dir, const std::string& name) {
    nlohmann::ordered_json j = json;
    j["buffers"] = {{{"byteLength", bin.size()},
                     {"uri", "data:application/octet-stream;base64," + Base64Encode(bin)}}};
    return dir.Write(name, j.dump(2));
  }
  std::string SaveExternal(const TempDir& dir, const std::string& name, const std::string& binName) {
    nlohmann::ordered_json j = json;
    j["buffers"] = {{{"byteLength", bin.size()}, {"uri", binName}}};
    dir.Write(binName, bin);
    return dir.Write(name, j.dump(2));
  }
  std::string GlbBytes() const {
    nlohmann::ordered_json j = json;
    j["buffers"] = {{{"byteLength", bin.size()}}};
    return JoinGlb(j.dump(), bin, true);
  }
  std::string SaveGlb(const TempDir& dir, const std::string& name) const { return dir.Write(name, GlbBytes()); }

 private:
  static int Components(const std::string& t) {
    return t == "SCALAR" ? 1 : t == "VEC2" ? 2 : t == "VEC3" ? 3 : t == "VEC4" ? 4 : t == "MAT4" ? 16 : 0;
  }
  int AddView(const void* data, size_t bytes, int target) {
    while (bin.size() % 4) bin += '\0';
    nlohmann::ordered_json view = {{"buffer", 0}, {"byteOffset", bin.size()}, {"byteLength", bytes}};
    if (target) view["target"] = target;
    bin.append(static_cast<const char*>(data), bytes);
    json["bufferViews"].push_back(view);
    return int(json["bufferViews"].size()) - 1;
  }
};

// A strip of two quads along +x on two joints, split at x = 1 into two
// primitives as a file splits a seam: 8 file vertices, 6 geometric ones.
// Joint "root" at the origin, its child "tip" at x = 1; weights 1 | 0.5 0.5 | 1.
// The tip is animated over one second: rotation LINEAR from identity to 90
// degrees about z, translation STEP from (1,0,0) to (1,2,0), scale CUBICSPLINE
// from 1 to 2 in x with out-tangent (1,0,0) at the first key and in-tangent 0
// at the second. The material carries a texture, an extension and extras.
inline GltfTestFile MakeStripFile() {
  GltfTestFile f;
  using J = nlohmann::ordered_json;
  const std::vector<float> left = {0, 0, 0, 1, 0, 0, 0, 1, 0, 1, 1, 0};
  const std::vector<float> right = {1, 0, 0, 2, 0, 0, 1, 1, 0, 2, 1, 0};
  const std::vector<float> normals = {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1};
  const std::vector<float> uvLeft = {0, 0, 0.5f, 0, 0, 1, 0.5f, 1};
  const std::vector<float> uvRight = {0.5f, 0, 1, 0, 0.5f, 1, 1, 1};
  const std::vector<std::uint8_t> jLeft = {0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0};
  const std::vector<float> wLeft = {1, 0, 0, 0, 0.5f, 0.5f, 0, 0, 1, 0, 0, 0, 0.5f, 0.5f, 0, 0};
  const std::vector<std::uint8_t> jRight = {0, 1, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 0};
  const std::vector<float> wRight = {0.5f, 0.5f, 0, 0, 1, 0, 0, 0, 0.5f, 0.5f, 0, 0, 1, 0, 0, 0};
  const std::vector<std::uint16_t> quad = {0, 1, 3, 0, 3, 2};
  J prims = J::array();
  const std::vector<float>* pos[2] = {&left, &right};
  const std::vector<float>* uv[2] = {&uvLeft, &uvRight};
  const std::vector<std::uint8_t>* js[2] = {&jLeft, &jRight};
  const std::vector<float>* ws[2] = {&wLeft, &wRight};
  for (int p = 0; p < 2; ++p) {
    J attrs;
    attrs["POSITION"] = f.AddFloats(*pos[p], "VEC3", 34962);
    attrs["NORMAL"] = f.AddFloats(normals, "VEC3", 34962);
    attrs["TEXCOORD_0"] = f.AddFloats(*uv[p], "VEC2", 34962);
    attrs["JOINTS_0"] = f.AddBytes(*js[p], "VEC4", 34962);
    attrs["WEIGHTS_0"] = f.AddFloats(*ws[p], "VEC4", 34962);
    prims.push_back({{"attributes", attrs}, {"indices", f.AddIndices(quad)}, {"material", 0}});
  }
  const int ibm = f.AddFloats({1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1,  //
                               1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, 0, 0, 1},
                              "MAT4");
  const float s45 = 0.70710678f;
  const int times = f.AddFloats({0, 1}, "SCALAR");
  const int rot = f.AddFloats({0, 0, 0, 1, 0, 0, s45, s45}, "VEC4");
  const int trans = f.AddFloats({1, 0, 0, 1, 2, 0}, "VEC3");
  const int scale = f.AddFloats({0, 0, 0, 1, 1, 1, 1, 0, 0,  //
                                 0, 0, 0, 2, 1, 1, 0, 0, 0},
                                "VEC3");
  f.json["scene"] = 0;
  f.json["scenes"] = J::array({{{"nodes", {0, 2}}, {"extras", {{"note", "kept"}}}}});
  f.json["nodes"] = J::array({{{"name", "root"}, {"children", {1}}},
                              {{"name", "tip"}, {"translation", {1, 0, 0}}},
                              {{"name", "strip"}, {"mesh", 0}, {"skin", 0}}});
  f.json["meshes"] = J::array({{{"name", "stripMesh"}, {"primitives", prims}}});
  f.json["skins"] = J::array({{{"joints", {0, 1}}, {"inverseBindMatrices", ibm}, {"skeleton", 0}}});
  f.json["animations"] = J::array(
      {{{"name", "bend"},
        {"channels", J::array({{{"sampler", 0}, {"target", {{"node", 1}, {"path", "rotation"}}}},
                               {{"sampler", 1}, {"target", {{"node", 1}, {"path", "translation"}}}},
                               {{"sampler", 2}, {"target", {{"node", 1}, {"path", "scale"}}}}})},
        {"samplers", J::array({{{"input", times}, {"output", rot}, {"interpolation", "LINEAR"}},
                               {{"input", times}, {"output", trans}, {"interpolation", "STEP"}},
                               {{"input", times}, {"output", scale}, {"interpolation", "CUBICSPLINE"}}})}}});
  f.json["extensionsUsed"] = {"KHR_materials_emissive_strength"};
  f.json["materials"] = J::array(
      {{{"name", "skinMat"},
        {"pbrMetallicRoughness", {{"baseColorTexture", {{"index", 0}}}, {"metallicFactor", 0.25}}},
        {"emissiveFactor", {1, 1, 1}},
        {"extensions", {{"KHR_materials_emissive_strength", {{"emissiveStrength", 2.5}}}}},
        {"extras", {{"author", "tests"}, {"tags", {1, 2, 3}}}}}});
  f.json["textures"] = J::array({{{"source", 0}, {"sampler", 0}}});
  f.json["samplers"] = J::array({{{"magFilter", 9729}}});
  f.json["images"] = J::array(
      {{{"uri", "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAYAAAAfFcSJAAAADUlEQVR42mNkYPhfDwAChwGA60e6kgAAAABJRU5ErkJggg=="}}});
  return f;
}
