#include "cli/sample_characters/demo_character.h"

#include <nlohmann/json.hpp>

#include <algorithm>
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

// glTF's (x, y, z) as a Z-up tool stores it: up is +Z, front is -Y.
void Author(bool zUp, float x, float y, float z, std::vector<float>& out) {
  if (zUp)
    out.insert(out.end(), {x, -z, y});
  else
    out.insert(out.end(), {x, y, z});
}

// A joint's rotation about a glTF axis (0 x, 1 y, 2 z) as an authored quaternion.
void Rotation(bool zUp, int axis, float angle, std::vector<float>& out) {
  float v[3] = {0, 0, 0};
  v[axis] = std::sin(0.5f * angle);
  if (zUp)
    out.insert(out.end(), {v[0], -v[2], v[1], std::cos(0.5f * angle)});
  else
    out.insert(out.end(), {v[0], v[1], v[2], std::cos(0.5f * angle)});
}

}  // namespace

std::string MakeDemoCharacterGlb(const DemoCharacterShape& shape) {
  const int kRings = std::max(2, shape.rings), kSegments = std::max(3, shape.segments);
  const int clipCount = std::clamp(shape.clips, 1, 3);
  const bool zUp = shape.zUp;
  std::vector<float> pos;
  std::vector<std::uint16_t> joints;
  std::vector<float> weights;
  auto addVertex = [&](float x, float y, float z) {
    Author(zUp, x, y, z, pos);
    // A crude skin: each vertex wholly on the bone of its band.
    const int bone = std::min(kBones - 1, std::max(0, static_cast<int>(std::floor(y / (kLength / kBones)))));
    joints.insert(joints.end(), {static_cast<std::uint16_t>(bone), 0, 0, 0});
    weights.insert(weights.end(), {1.0f, 0.0f, 0.0f, 0.0f});
  };
  for (int r = 0; r < kRings; ++r) {
    const float y = kLength * r / (kRings - 1);
    const float taper = 1.0f - 0.5f * y / kLength;
    for (int s = 0; s < kSegments; ++s) {
      const float a = 6.2831853f * s / kSegments;
      const float rad = kRadius * taper * (1.0f + 0.05f * std::sin(20.0f * y) + 0.03f * std::cos(5.0f * a));
      addVertex(rad * std::cos(a), y, rad * std::sin(a));
    }
  }
  const std::uint32_t bottom = static_cast<std::uint32_t>(pos.size() / 3);
  addVertex(0, 0, 0);
  const std::uint32_t top = bottom + 1;
  addVertex(0, kLength, 0);
  std::vector<std::uint32_t> idx;
  for (int r = 0; r + 1 < kRings; ++r)
    for (int s = 0; s < kSegments; ++s) {
      const std::uint32_t a = r * kSegments + s, b = r * kSegments + (s + 1) % kSegments;
      const std::uint32_t c = a + kSegments, d = b + kSegments;
      idx.insert(idx.end(), {a, c, b, b, c, d});
    }
  for (int s = 0; s < kSegments; ++s) {
    const std::uint32_t a = s, b = (s + 1) % kSegments;
    idx.insert(idx.end(), {bottom, a, b});
    const std::uint32_t c = (kRings - 1) * kSegments + s, d = (kRings - 1) * kSegments + (s + 1) % kSegments;
    idx.insert(idx.end(), {top, d, c});
  }

  std::vector<float> ibm;
  const float segment = kLength / kBones;
  for (int b = 0; b < kBones; ++b) {
    std::vector<float> t;
    Author(zUp, 0, -segment * b, 0, t);
    ibm.insert(ibm.end(), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, t[0], t[1], t[2], 1});
  }
  // Keys at eighths of a second over one second, per clip: joint rotations.
  std::vector<float> times;
  for (int k = 0; k <= 8; ++k) times.push_back(k / 8.0f);
  const char* clipNames[3] = {"wave", "sway", "curl"};
  std::vector<std::vector<std::vector<float>>> clipRotations(clipCount);  // [clip][joint] keys
  for (int c = 0; c < clipCount; ++c) {
    clipRotations[c].resize(kBones);
    for (int b = 1; b < kBones; ++b)
      for (int k = 0; k <= 8; ++k) {
        const float phase = 6.2831853f * k / 8.0f;
        if (c == 0) Rotation(zUp, 2, 0.43633f * std::sin(phase), clipRotations[c][b]);
        if (c == 1) Rotation(zUp, 0, 0.43633f * std::sin(phase), clipRotations[c][b]);
        if (c == 2) Rotation(zUp, 2, 0.6f * std::max(0.0f, std::sin(phase - 0.5f * b)), clipRotations[c][b]);
      }
  }

  Bin bin;
  const int vPos = bin.View(pos.data(), pos.size() * 4, 34962);
  const int vJoints = bin.View(joints.data(), joints.size() * 2, 34962);
  const int vWeights = bin.View(weights.data(), weights.size() * 4, 34962);
  const int vIdx = bin.View(idx.data(), idx.size() * 4, 34963);
  const int vIbm = bin.View(ibm.data(), ibm.size() * 4, 0);
  const int vTimes = bin.View(times.data(), times.size() * 4, 0);
  std::vector<std::vector<int>> vRot(clipCount, std::vector<int>(kBones, -1));
  for (int c = 0; c < clipCount; ++c)
    for (int b = 1; b < kBones; ++b)
      vRot[c][b] = bin.View(clipRotations[c][b].data(), clipRotations[c][b].size() * 4, 0);
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
  });
  for (int c = 0; c < clipCount; ++c)
    for (int b = 1; b < kBones; ++b) {
      accessors.push_back({{"bufferView", vRot[c][b]}, {"componentType", 5126}, {"count", times.size()}, {"type", "VEC4"}});
      vRot[c][b] = static_cast<int>(accessors.size()) - 1;
    }
  // Nodes: the mesh, the joints in a chain, and for Z-up authoring a root
  // above both that turns +Z up into +Y up (-90 degrees about x).
  const int firstJoint = zUp ? 2 : 1;
  json nodes = json::array();
  nodes.push_back({{"name", "tail"}, {"mesh", 0}, {"skin", 0}});
  if (zUp)
    nodes.push_back({{"name", "Z_UP"}, {"rotation", {-0.70710677f, 0.0f, 0.0f, 0.70710677f}}, {"children", {firstJoint}}});
  for (int b = 0; b < kBones; ++b) {
    std::vector<float> t;
    Author(zUp, 0, b == 0 ? 0.0f : segment, 0, t);
    json n = {{"name", "tail_" + std::to_string(b)}, {"translation", t}};
    if (b + 1 < kBones) n["children"] = {firstJoint + b + 1};
    nodes.push_back(n);
  }
  json animations = json::array();
  for (int c = 0; c < clipCount; ++c) {
    json channels = json::array(), samplers = json::array();
    for (int b = 1; b < kBones; ++b) {
      samplers.push_back({{"input", 5}, {"output", vRot[c][b]}, {"interpolation", "LINEAR"}});
      channels.push_back({{"sampler", b - 1}, {"target", {{"node", firstJoint + b}, {"path", "rotation"}}}});
    }
    animations.push_back({{"name", clipNames[c]}, {"channels", channels}, {"samplers", samplers}});
  }
  json skinJoints = json::array();
  for (int b = 0; b < kBones; ++b) skinJoints.push_back(firstJoint + b);
  json primitive = {{"attributes", {{"POSITION", 0}, {"JOINTS_0", 1}, {"WEIGHTS_0", 2}}}, {"indices", 3}};
  json mesh = {{"name", "tail"}, {"primitives", json::array({primitive})}};
  json skin = {{"joints", skinJoints}, {"inverseBindMatrices", 4}, {"skeleton", firstJoint}};
  json scene = {{"nodes", json::array({0, 1})}};
  json doc;
  doc["asset"] = {{"version", "2.0"}, {"generator", "fernwick demo"}};
  doc["scene"] = 0;
  doc["scenes"] = json::array({scene});
  doc["nodes"] = nodes;
  doc["meshes"] = json::array({mesh});
  doc["skins"] = json::array({skin});
  doc["animations"] = animations;
  doc["accessors"] = accessors;
  doc["bufferViews"] = bin.views;
  doc["buffers"] = json::array({json{{"byteLength", bin.data.size()}}});
  return JoinGlb(doc.dump(), bin.data, true);
}
