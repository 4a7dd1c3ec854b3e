#include "cli/sample_characters/demo_character.h"

#include <nlohmann/json.hpp>

#include <cmath>
#include <cstdint>
#include <vector>

#include "cli/gltf/gltf_container.h"

namespace {

constexpr int kBones = 5;
constexpr float kLength = 5.0f;
constexpr float kRadius = 0.4f;

struct Bin {
  std::string data;
  nlohmann::json views = nlohmann::json::array();
  int View(const void* p, size_t bytes, int target) {
    while (data.size() % 4) data.push_back('\0');
    nlohmann::json v = {{"buffer", 0}, {"byteOffset", data.size()}, {"byteLength", bytes}};
    if (target) v["target"] = target;
    data.append(static_cast<const char*>(p), bytes);
    views.push_back(v);
    return static_cast<int>(views.size()) - 1;
  }
};

}  // namespace

std::string MakeDemoCharacterGlb(int rings, int segments) {
  std::vector<float> pos;
  std::vector<std::uint16_t> joints;
  std::vector<float> weights;
  auto addVertex = [&](float x, float y, float z) {
    pos.insert(pos.end(), {x, y, z});
    // A crude skin: each vertex wholly on the bone of its band.
    const int bone = std::min(kBones - 1, std::max(0, static_cast<int>(std::floor(y / (kLength / kBones)))));
    joints.insert(joints.end(), {static_cast<std::uint16_t>(bone), 0, 0, 0});
    weights.insert(weights.end(), {1.0f, 0.0f, 0.0f, 0.0f});
  };
  for (int r = 0; r < rings; ++r) {
    const float y = kLength * r / (rings - 1);
    const float taper = 1.0f - 0.5f * y / kLength;
    for (int s = 0; s < segments; ++s) {
      const float a = 6.2831853f * s / segments;
      const float rad = kRadius * taper * (1.0f + 0.05f * std::sin(20.0f * y) + 0.03f * std::cos(5.0f * a));
      addVertex(rad * std::cos(a), y, rad * std::sin(a));
    }
  }
  const std::uint32_t bottom = static_cast<std::uint32_t>(pos.size() / 3);
  addVertex(0, 0, 0);
  const std::uint32_t top = bottom + 1;
  addVertex(0, kLength, 0);
  std::vector<std::uint32_t> idx;
  for (int r = 0; r + 1 < rings; ++r)
    for (int s = 0; s < segments; ++s) {
      const std::uint32_t a = r * segments + s, b = r * segments + (s + 1) % segments;
      const std::uint32_t c = a + segments, d = b + segments;
      idx.insert(idx.end(), {a, c, b, b, c, d});
    }
  for (int s = 0; s < segments; ++s) {
    const std::uint32_t a = s, b = (s + 1) % segments;
    idx.insert(idx.end(), {bottom, a, b});
    const std::uint32_t c = (rings - 1) * segments + s, d = (rings - 1) * segments + (s + 1) % segments;
    idx.insert(idx.end(), {top, d, c});
  }

  std::vector<float> ibm;
  const float segment = kLength / kBones;
  for (int b = 0; b < kBones; ++b)
    ibm.insert(ibm.end(), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, -segment * b, 0, 1});
  // The wave: every joint swings about z, 25 degrees, once a second.
  std::vector<float> times, rotations;
  for (int k = 0; k <= 8; ++k) {
    times.push_back(k / 8.0f);
    const float half = 0.5f * 0.43633f * std::sin(6.2831853f * k / 8.0f);
    rotations.insert(rotations.end(), {0.0f, 0.0f, std::sin(half), std::cos(half)});
  }

  Bin bin;
  const int vPos = bin.View(pos.data(), pos.size() * 4, 34962);
  const int vJoints = bin.View(joints.data(), joints.size() * 2, 34962);
  const int vWeights = bin.View(weights.data(), weights.size() * 4, 34962);
  const int vIdx = bin.View(idx.data(), idx.size() * 4, 34963);
  const int vIbm = bin.View(ibm.data(), ibm.size() * 4, 0);
  const int vTimes = bin.View(times.data(), times.size() * 4, 0);
  const int vRot = bin.View(rotations.data(), rotations.size() * 4, 0);
  const size_t nv = pos.size() / 3;
  float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
  for (size_t i = 0; i < nv; ++i)
    for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], pos[3 * i + k]), hi[k] = std::max(hi[k], pos[3 * i + k]);

  using nlohmann::json;
  json accessors = json::array({
      {{"bufferView", vPos}, {"componentType", 5126}, {"count", nv}, {"type", "VEC3"},
       {"min", {lo[0], lo[1], lo[2]}}, {"max", {hi[0], hi[1], hi[2]}}},
      {{"bufferView", vJoints}, {"componentType", 5123}, {"count", nv}, {"type", "VEC4"}},
      {{"bufferView", vWeights}, {"componentType", 5126}, {"count", nv}, {"type", "VEC4"}},
      {{"bufferView", vIdx}, {"componentType", 5125}, {"count", idx.size()}, {"type", "SCALAR"}},
      {{"bufferView", vIbm}, {"componentType", 5126}, {"count", kBones}, {"type", "MAT4"}},
      {{"bufferView", vTimes}, {"componentType", 5126}, {"count", times.size()}, {"type", "SCALAR"},
       {"min", {times.front()}}, {"max", {times.back()}}},
      {{"bufferView", vRot}, {"componentType", 5126}, {"count", times.size()}, {"type", "VEC4"}},
  });
  json nodes = json::array();
  nodes.push_back({{"name", "tail"}, {"mesh", 0}, {"skin", 0}});
  for (int b = 0; b < kBones; ++b) {
    json n = {{"name", "tail_" + std::to_string(b)}, {"translation", {0.0f, b == 0 ? 0.0f : segment, 0.0f}}};
    if (b + 1 < kBones) n["children"] = {2 + b};
    nodes.push_back(n);
  }
  json channels = json::array();
  json samplers = json::array({json{{"input", 5}, {"output", 6}, {"interpolation", "LINEAR"}}});
  for (int b = 1; b < kBones; ++b) channels.push_back({{"sampler", 0}, {"target", {{"node", 1 + b}, {"path", "rotation"}}}});
  json skinJoints = json::array();
  for (int b = 0; b < kBones; ++b) skinJoints.push_back(1 + b);
  json primitive = {{"attributes", {{"POSITION", 0}, {"JOINTS_0", 1}, {"WEIGHTS_0", 2}}}, {"indices", 3}};
  json mesh = {{"name", "tail"}, {"primitives", json::array({primitive})}};
  json skin = {{"joints", skinJoints}, {"inverseBindMatrices", 4}, {"skeleton", 1}};
  json animation = {{"name", "wave"}, {"channels", channels}, {"samplers", samplers}};
  json scene = {{"nodes", json::array({0, 1})}};
  json doc;
  doc["asset"] = {{"version", "2.0"}, {"generator", "fernwick demo"}};
  doc["scene"] = 0;
  doc["scenes"] = json::array({scene});
  doc["nodes"] = nodes;
  doc["meshes"] = json::array({mesh});
  doc["skins"] = json::array({skin});
  doc["animations"] = json::array({animation});
  doc["accessors"] = accessors;
  doc["bufferViews"] = bin.views;
  doc["buffers"] = json::array({json{{"byteLength", bin.data.size()}}});
  return JoinGlb(doc.dump(), bin.data, true);
}
