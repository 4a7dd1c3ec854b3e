// Reads what a written GLB gives a viewer: per primitive, each vertex's
// position and skin influences (JOINTS_n/WEIGHTS_n), decoded here from the
// container and the accessors without the program's own reader.
#pragma once
#include <array>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <nlohmann/json.hpp>
#include <string>
#include <utility>
#include <vector>

struct GlbPrimitiveSkin {
  std::vector<std::array<float, 3>> positions;
  std::vector<std::map<int, float>> influences;  // joint -> weight, zero weights left out
};

namespace glb_skin_detail {

inline std::uint32_t U32(const std::string& b, size_t at) {
  std::uint32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}

// Accessor `index` as doubles, `components` per element; normalized
// integers are scaled to [0, 1] as glTF defines them.
inline std::vector<std::vector<double>> Elements(const nlohmann::json& doc, const std::string& bin, int index) {
  const nlohmann::json& a = doc["accessors"][index];
  const nlohmann::json& v = doc["bufferViews"][a["bufferView"].get<int>()];
  const std::string type = a["type"];
  const int comps = type == "SCALAR" ? 1 : type == "VEC2" ? 2 : type == "VEC3" ? 3 : type == "VEC4" ? 4 : 16;
  const int ct = a["componentType"];
  const int size = ct == 5126 || ct == 5125 ? 4 : ct == 5123 || ct == 5122 ? 2 : 1;
  const bool normalized = a.value("normalized", false);
  const size_t stride = v.value("byteStride", size_t(comps * size));
  const size_t base = v.value("byteOffset", size_t(0)) + a.value("byteOffset", size_t(0));
  std::vector<std::vector<double>> out(a["count"].get<size_t>(), std::vector<double>(comps));
  for (size_t i = 0; i < out.size(); ++i)
    for (int c = 0; c < comps; ++c) {
      const char* p = bin.data() + base + i * stride + c * size;
      double x = 0;
      if (ct == 5126) {
        float f;
        std::memcpy(&f, p, 4);
        x = f;
      } else if (ct == 5123) {
        std::uint16_t u;
        std::memcpy(&u, p, 2);
        x = normalized ? u / 65535.0 : u;
      } else if (ct == 5121) {
        x = normalized ? std::uint8_t(*p) / 255.0 : std::uint8_t(*p);
      } else if (ct == 5125) {
        std::uint32_t u;
        std::memcpy(&u, p, 4);
        x = u;
      }
      out[i][c] = x;
    }
  return out;
}

}  // namespace glb_skin_detail

// False when the file is not a GLB with a JSON and a binary chunk.
inline bool ReadGlbSkin(const std::string& path, std::vector<GlbPrimitiveSkin>& prims) {
  using namespace glb_skin_detail;
  std::ifstream in(path, std::ios::binary);
  const std::string b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (b.size() < 20 || b.compare(0, 4, "glTF") != 0) return false;
  const size_t jsonLength = U32(b, 12);
  if (U32(b, 16) != 0x4E4F534A || 20 + jsonLength + 8 > b.size()) return false;
  const nlohmann::json doc = nlohmann::json::parse(b.substr(20, jsonLength), nullptr, false);
  const size_t binAt = 20 + jsonLength;
  if (doc.is_discarded() || U32(b, binAt + 4) != 0x004E4942) return false;
  const std::string bin = b.substr(binAt + 8, U32(b, binAt));
  prims.clear();
  for (const auto& mesh : doc["meshes"])
    for (const auto& p : mesh["primitives"]) {
      GlbPrimitiveSkin s;
      const auto& attrs = p["attributes"];
      for (const auto& e : Elements(doc, bin, attrs["POSITION"])) s.positions.push_back({float(e[0]), float(e[1]), float(e[2])});
      s.influences.resize(s.positions.size());
      for (int set = 0; attrs.contains("JOINTS_" + std::to_string(set)); ++set) {
        const auto joints = Elements(doc, bin, attrs["JOINTS_" + std::to_string(set)]);
        const auto weights = Elements(doc, bin, attrs["WEIGHTS_" + std::to_string(set)]);
        for (size_t v = 0; v < s.positions.size(); ++v)
          for (int k = 0; k < 4; ++k)
            if (weights[v][k] != 0) s.influences[v][int(joints[v][k])] += float(weights[v][k]);
      }
      prims.push_back(std::move(s));
    }
  return true;
}
