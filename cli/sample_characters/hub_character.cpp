#include "cli/sample_characters/hub_character.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "cli/sample_characters/glb_builder.h"

namespace {

using Json = nlohmann::json;
using Vec = std::array<double, 3>;
constexpr double kPi = 3.14159265358979323846;

std::vector<Vec> Spokes() {
  std::vector<Vec> d = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  const double c = 1 / std::sqrt(3.0);
  for (int k = 0; k < 8; ++k) d.push_back({k & 1 ? c : -c, k & 2 ? c : -c, k & 4 ? c : -c});
  return d;
}

// A quaternion (x, y, z, w) turning by angle about a unit axis.
std::array<float, 4> Turn(const Vec& axis, double angle) {
  const double s = std::sin(angle / 2);
  return {float(axis[0] * s), float(axis[1] * s), float(axis[2] * s), float(std::cos(angle / 2))};
}

}  // namespace

std::string MakeHubCharacterGlb(const HubCharacterShape& shape) {
  const int R = std::max(3, shape.rings), S = std::max(4, shape.segments);
  const std::vector<Vec> spokes = Spokes();
  const int J = 1 + static_cast<int>(spokes.size());
  std::vector<float> pos;
  std::vector<std::uint16_t> joints;
  std::vector<float> weights;
  std::vector<std::uint32_t> idx;
  auto add = [&](const Vec& p) {
    size_t best = 0;
    for (size_t k = 1; k < spokes.size(); ++k)
      if (p[0] * spokes[k][0] + p[1] * spokes[k][1] + p[2] * spokes[k][2] >
          p[0] * spokes[best][0] + p[1] * spokes[best][1] + p[2] * spokes[best][2])
        best = k;
    pos.insert(pos.end(), {float(p[0]), float(p[1]), float(p[2])});
    joints.insert(joints.end(), {static_cast<std::uint16_t>(1 + best), 0, 0, 0});
    weights.insert(weights.end(), {1, 0, 0, 0});
  };
  // Rings between the poles, then the two poles.
  for (int r = 1; r < R; ++r) {
    const double lat = kPi * r / R;
    for (int s = 0; s < S; ++s) {
      const double lon = 2 * kPi * s / S;
      add({std::sin(lat) * std::cos(lon), std::cos(lat), std::sin(lat) * std::sin(lon)});
    }
  }
  const std::uint32_t top = static_cast<std::uint32_t>(pos.size() / 3), bottom = top + 1;
  add({0, 1, 0});
  add({0, -1, 0});
  for (int r = 0; r + 2 < R; ++r)
    for (int s = 0; s < S; ++s) {
      const std::uint32_t a = r * S + s, b = r * S + (s + 1) % S, c = a + S, d = b + S;
      idx.insert(idx.end(), {a, b, c, b, d, c});
    }
  for (int s = 0; s < S; ++s) {
    idx.insert(idx.end(), {top, std::uint32_t((s + 1) % S), std::uint32_t(s)});
    const std::uint32_t base = (R - 2) * S;
    idx.insert(idx.end(), {bottom, base + s, base + (s + 1) % S});
  }

  GlbBuilder bin;
  // Joints at the centre and half way out along each spoke, unturned: the
  // inverse binds are plain translations.
  std::vector<float> ibm;
  Json nodes = Json::array({{{"name", "ball"}, {"mesh", 0}, {"skin", 0}}, {{"name", "hub"}, {"children", Json::array()}}});
  for (int j = 0; j < J; ++j) {
    const Vec at = j == 0 ? Vec{0, 0, 0} : Vec{0.5 * spokes[j - 1][0], 0.5 * spokes[j - 1][1], 0.5 * spokes[j - 1][2]};
    ibm.insert(ibm.end(), {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, float(-at[0]), float(-at[1]), float(-at[2]), 1});
    if (j > 0) {
      nodes[1]["children"].push_back(nodes.size());
      nodes.push_back({{"name", "spoke_" + std::to_string(j - 1)}, {"translation", {at[0], at[1], at[2]}}});
    }
  }
  std::vector<float> times;
  for (int k = 0; k <= 8; ++k) times.push_back(k / 8.0f);
  const int input = bin.Floats(times, "SCALAR", 1, 0, true);
  Json animations = Json::array();
  for (int clip = 0; clip < 2; ++clip) {
    Json channels = Json::array(), samplers = Json::array();
    for (int k = 0; k < J - 1; ++k) {
      const Vec& d = spokes[k];
      // Swinging: about an axis across the spoke; spinning: about the spoke.
      Vec across = {d[1] - d[2], d[2] - d[0], d[0] - d[1]};
      const double len = std::sqrt(across[0] * across[0] + across[1] * across[1] + across[2] * across[2]);
      if (len < 1e-9) across = {0, 1, 0};
      else for (double& c : across) c /= len;
      std::vector<float> keys;
      for (int t = 0; t <= 8; ++t) {
        const double angle = std::sin(2 * kPi * t / 8 + k) * (clip == 0 ? 0.6 : 0.9) * (t == 0 || t == 8 ? 0 : 1);
        const auto q = Turn(clip == 0 ? across : d, angle);
        keys.insert(keys.end(), q.begin(), q.end());
      }
      samplers.push_back({{"input", input}, {"output", bin.Floats(keys, "VEC4", 4, 0, false)}, {"interpolation", "LINEAR"}});
      channels.push_back({{"sampler", k}, {"target", {{"node", 2 + k}, {"path", "rotation"}}}});
    }
    animations.push_back({{"name", clip == 0 ? "wobble" : "spin"}, {"channels", channels}, {"samplers", samplers}});
  }
  Json skinJoints = Json::array();
  for (int j = 0; j < J; ++j) skinJoints.push_back(1 + j);
  Json attrs = {{"POSITION", bin.Floats(pos, "VEC3", 3, 34962, true)},
                {"JOINTS_0", bin.Shorts(joints, 34962)},
                {"WEIGHTS_0", bin.Floats(weights, "VEC4", 4, 34962, false)}};
  Json doc;
  doc["asset"] = {{"version", "2.0"}, {"generator", "fernwick hub character"}};
  doc["scene"] = 0;
  doc["scenes"] = Json::array({{{"nodes", {0, 1}}}});
  doc["nodes"] = nodes;
  doc["meshes"] = Json::array({{{"name", "ball"}, {"primitives", Json::array({{{"attributes", attrs}, {"indices", bin.Indices(idx)}}})}}});
  doc["skins"] = Json::array({{{"joints", skinJoints}, {"inverseBindMatrices", bin.Floats(ibm, "MAT4", 16, 0, false)}, {"skeleton", 1}}});
  doc["animations"] = animations;
  return bin.Glb(doc);
}
