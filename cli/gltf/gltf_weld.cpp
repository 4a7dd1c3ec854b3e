// Weld of vertex copies by exact position and skin influences.
#include "cli/gltf/gltf_weld.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <unordered_map>

std::vector<std::pair<int, float>> TidyInfluences(std::vector<std::pair<int, float>> in) {
  std::sort(in.begin(), in.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<std::pair<int, float>> out;
  for (const auto& [joint, weight] : in) {
    if (weight == 0.0f) continue;
    if (!out.empty() && out.back().first == joint)
      out.back().second += weight;
    else
      out.emplace_back(joint, weight);
  }
  return out;
}

namespace {

void AppendBits(std::string& key, float f) {
  f += 0.0f;  // -0 and +0 are the same place
  char b[sizeof f];
  std::memcpy(b, &f, sizeof f);
  key.append(b, sizeof f);
}

}  // namespace

GltfWeldResult WeldGltfVertices(const std::vector<std::vector<GltfFileVertex>>& primitives) {
  GltfWeldResult r;
  std::unordered_map<std::string, int> index;
  std::string key;
  for (const auto& prim : primitives) {
    std::vector<int>& map = r.fileToWelded.emplace_back();
    map.reserve(prim.size());
    for (const GltfFileVertex& v : prim) {
      std::vector<std::pair<int, float>> inf = TidyInfluences(v.influences);
      key.clear();
      for (int i = 0; i < 3; ++i) AppendBits(key, v.position[i]);
      for (const auto& [joint, weight] : inf) {
        key.append(reinterpret_cast<const char*>(&joint), sizeof joint);
        AppendBits(key, weight);
      }
      auto [it, added] = index.emplace(key, int(r.positions.size()));
      if (added) {
        r.positions.push_back(v.position);
        r.weights.push_back(std::move(inf));
      }
      map.push_back(it->second);
    }
  }
  return r;
}
