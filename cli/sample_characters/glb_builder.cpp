#include "cli/sample_characters/glb_builder.h"

#include <algorithm>

#include "cli/gltf/gltf_container.h"

using Json = nlohmann::json;

int GlbBuilder::View(const void* p, size_t bytes, int target) {
  while (data.size() % 4) data.push_back('\0');
  Json v = {{"buffer", 0}, {"byteOffset", data.size()}, {"byteLength", bytes}};
  if (target) v["target"] = target;
  data.append(static_cast<const char*>(p), bytes);
  views.push_back(v);
  return static_cast<int>(views.size()) - 1;
}

int GlbBuilder::Floats(const std::vector<float>& v, const char* type, int comps, int target, bool bounds) {
  Json a = {{"bufferView", View(v.data(), v.size() * 4, target)}, {"componentType", 5126},
            {"count", v.size() / comps}, {"type", type}};
  if (bounds) {
    std::vector<float> lo(comps, 1e30f), hi(comps, -1e30f);
    for (size_t i = 0; i < v.size(); ++i)
      lo[i % comps] = std::min(lo[i % comps], v[i]), hi[i % comps] = std::max(hi[i % comps], v[i]);
    a["min"] = lo;
    a["max"] = hi;
  }
  accessors.push_back(a);
  return static_cast<int>(accessors.size()) - 1;
}

int GlbBuilder::Shorts(const std::vector<std::uint16_t>& v, int target) {
  accessors.push_back({{"bufferView", View(v.data(), v.size() * 2, target)}, {"componentType", 5123},
                       {"count", v.size() / 4}, {"type", "VEC4"}});
  return static_cast<int>(accessors.size()) - 1;
}

int GlbBuilder::Indices(const std::vector<std::uint32_t>& v) {
  accessors.push_back({{"bufferView", View(v.data(), v.size() * 4, 34963)}, {"componentType", 5125},
                       {"count", v.size()}, {"type", "SCALAR"}});
  return static_cast<int>(accessors.size()) - 1;
}

std::string GlbBuilder::Glb(Json doc) const {
  doc["accessors"] = accessors;
  doc["bufferViews"] = views;
  doc["buffers"] = Json::array({Json{{"byteLength", data.size()}}});
  return JoinGlb(doc.dump(), data, true);
}
