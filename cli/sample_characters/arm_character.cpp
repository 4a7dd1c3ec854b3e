#include "cli/sample_characters/arm_character.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "cli/sample_characters/glb_builder.h"

namespace {

using Json = nlohmann::json;
constexpr double kPi = 3.14159265358979323846;

// Column-vector 4x4 transforms, as glTF writes them (m[column][row]).
struct Mat {
  std::array<std::array<double, 4>, 4> m{};
  static Mat Identity() {
    Mat r;
    for (int i = 0; i < 4; ++i) r.m[i][i] = 1;
    return r;
  }
  Mat operator*(const Mat& b) const {
    Mat r;
    for (int c = 0; c < 4; ++c)
      for (int row = 0; row < 4; ++row)
        for (int k = 0; k < 4; ++k) r.m[c][row] += m[k][row] * b.m[c][k];
    return r;
  }
  std::array<double, 3> Apply(const std::array<double, 3>& p) const {
    std::array<double, 3> r{};
    for (int row = 0; row < 3; ++row) r[row] = m[0][row] * p[0] + m[1][row] * p[1] + m[2][row] * p[2] + m[3][row];
    return r;
  }
  std::vector<float> Floats() const {
    std::vector<float> out;
    for (int c = 0; c < 4; ++c)
      for (int row = 0; row < 4; ++row) out.push_back(static_cast<float>(m[c][row]));
    return out;
  }
};

Mat Translate(double x, double y, double z) {
  Mat r = Mat::Identity();
  r.m[3] = {x, y, z, 1};
  return r;
}

Mat Scale(double x, double y, double z) {
  Mat r = Mat::Identity();
  r.m[0][0] = x, r.m[1][1] = y, r.m[2][2] = z;
  return r;
}

// Unit quaternion (x, y, z, w) about an axis, and its matrix.
std::array<double, 4> AxisAngle(int axis, double angle) {
  std::array<double, 4> q{0, 0, 0, std::cos(angle / 2)};
  q[axis] = std::sin(angle / 2);
  return q;
}

Mat Rotate(const std::array<double, 4>& q) {
  const double x = q[0], y = q[1], z = q[2], w = q[3];
  Mat r = Mat::Identity();
  r.m[0] = {1 - 2 * (y * y + z * z), 2 * (x * y + z * w), 2 * (x * z - y * w), 0};
  r.m[1] = {2 * (x * y - z * w), 1 - 2 * (x * x + z * z), 2 * (y * z + x * w), 0};
  r.m[2] = {2 * (x * z + y * w), 2 * (y * z - x * w), 1 - 2 * (x * x + y * y), 0};
  return r;
}

// General inverse by cofactors; the transforms here are well conditioned.
Mat Inverse(const Mat& a) {
  double s[16], inv[16];
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) s[c * 4 + r] = a.m[c][r];
  inv[0] = s[5] * s[10] * s[15] - s[5] * s[11] * s[14] - s[9] * s[6] * s[15] + s[9] * s[7] * s[14] + s[13] * s[6] * s[11] - s[13] * s[7] * s[10];
  inv[4] = -s[4] * s[10] * s[15] + s[4] * s[11] * s[14] + s[8] * s[6] * s[15] - s[8] * s[7] * s[14] - s[12] * s[6] * s[11] + s[12] * s[7] * s[10];
  inv[8] = s[4] * s[9] * s[15] - s[4] * s[11] * s[13] - s[8] * s[5] * s[15] + s[8] * s[7] * s[13] + s[12] * s[5] * s[11] - s[12] * s[7] * s[9];
  inv[12] = -s[4] * s[9] * s[14] + s[4] * s[10] * s[13] + s[8] * s[5] * s[14] - s[8] * s[6] * s[13] - s[12] * s[5] * s[10] + s[12] * s[6] * s[9];
  inv[1] = -s[1] * s[10] * s[15] + s[1] * s[11] * s[14] + s[9] * s[2] * s[15] - s[9] * s[3] * s[14] - s[13] * s[2] * s[11] + s[13] * s[3] * s[10];
  inv[5] = s[0] * s[10] * s[15] - s[0] * s[11] * s[14] - s[8] * s[2] * s[15] + s[8] * s[3] * s[14] + s[12] * s[2] * s[11] - s[12] * s[3] * s[10];
  inv[9] = -s[0] * s[9] * s[15] + s[0] * s[11] * s[13] + s[8] * s[1] * s[15] - s[8] * s[3] * s[13] - s[12] * s[1] * s[11] + s[12] * s[3] * s[9];
  inv[13] = s[0] * s[9] * s[14] - s[0] * s[10] * s[13] - s[8] * s[1] * s[14] + s[8] * s[2] * s[13] + s[12] * s[1] * s[10] - s[12] * s[2] * s[9];
  inv[2] = s[1] * s[6] * s[15] - s[1] * s[7] * s[14] - s[5] * s[2] * s[15] + s[5] * s[3] * s[14] + s[13] * s[2] * s[7] - s[13] * s[3] * s[6];
  inv[6] = -s[0] * s[6] * s[15] + s[0] * s[7] * s[14] + s[4] * s[2] * s[15] - s[4] * s[3] * s[14] - s[12] * s[2] * s[7] + s[12] * s[3] * s[6];
  inv[10] = s[0] * s[5] * s[15] - s[0] * s[7] * s[13] - s[4] * s[1] * s[15] + s[4] * s[3] * s[13] + s[12] * s[1] * s[7] - s[12] * s[3] * s[5];
  inv[14] = -s[0] * s[5] * s[14] + s[0] * s[6] * s[13] + s[4] * s[1] * s[14] - s[4] * s[2] * s[13] - s[12] * s[1] * s[6] + s[12] * s[2] * s[5];
  inv[3] = -s[1] * s[6] * s[11] + s[1] * s[7] * s[10] + s[5] * s[2] * s[11] - s[5] * s[3] * s[10] - s[9] * s[2] * s[7] + s[9] * s[3] * s[6];
  inv[7] = s[0] * s[6] * s[11] - s[0] * s[7] * s[10] - s[4] * s[2] * s[11] + s[4] * s[3] * s[10] + s[8] * s[2] * s[7] - s[8] * s[3] * s[6];
  inv[11] = -s[0] * s[5] * s[11] + s[0] * s[7] * s[9] + s[4] * s[1] * s[11] - s[4] * s[3] * s[9] - s[8] * s[1] * s[7] + s[8] * s[3] * s[5];
  inv[15] = s[0] * s[5] * s[10] - s[0] * s[6] * s[9] - s[4] * s[1] * s[10] + s[4] * s[2] * s[9] + s[8] * s[1] * s[6] - s[8] * s[2] * s[5];
  const double det = s[0] * inv[0] + s[1] * inv[4] + s[2] * inv[8] + s[3] * inv[12];
  Mat r;
  for (int c = 0; c < 4; ++c)
    for (int row = 0; row < 4; ++row) r.m[c][row] = inv[c * 4 + row] / det;
  return r;
}

// The skeleton in world units, every joint unturned at the bind pose.
struct Joint {
  std::string name;
  int parent;                   // joint index, -1 for the root
  std::array<double, 3> offset;  // from the parent, world units
};

constexpr int kHand = 2, kFingers = 5, kFingerBones = 3;
const char* const kFingerNames[kFingers] = {"thumb", "index", "middle", "ring", "pinky"};

std::vector<Joint> Skeleton() {
  std::vector<Joint> j = {{"upper_arm", -1, {0, 0, 0}}, {"forearm", 0, {0.30, 0, 0}}, {"hand", 1, {0.25, 0, 0}}};
  // Finger bases on the hand, and the direction each finger runs in.
  const double base[kFingers][3] = {{0.025, 0, 0.04}, {0.09, 0, 0.03}, {0.095, 0, 0.01}, {0.09, 0, -0.01}, {0.08, 0, -0.03}};
  const double len[kFingerBones] = {0.035, 0.028, 0.022};
  for (int f = 0; f < kFingers; ++f) {
    const double dx = f == 0 ? std::sqrt(0.5) : 1.0, dz = f == 0 ? std::sqrt(0.5) : 0.0;
    for (int b = 0; b < kFingerBones; ++b) {
      const int parent = b == 0 ? kHand : static_cast<int>(j.size()) - 1;
      const std::array<double, 3> off =
          b == 0 ? std::array<double, 3>{base[f][0], base[f][1], base[f][2]}
                 : std::array<double, 3>{dx * len[b - 1] * (f == 4 ? 0.8 : 1.0), 0, dz * len[b - 1]};
      j.push_back({std::string(kFingerNames[f]) + "_" + std::to_string(b + 1), parent, off});
    }
  }
  return j;
}

std::array<double, 3> Position(const std::vector<Joint>& j, int joint) {
  std::array<double, 3> p{0, 0, 0};
  for (int k = joint; k >= 0; k = j[k].parent)
    for (int i = 0; i < 3; ++i) p[i] += j[k].offset[i];
  return p;
}

// One tube of the skin: rings along a segment of the skeleton, each ring's
// vertices weighted by where along the tube it lies.
struct Tube {
  std::array<double, 3> from, dir;  // dir: unit
  double length, radiusY, radiusZ, taper;
  // Joints the tube runs over, with where along it each one's stretch starts.
  std::vector<std::pair<int, double>> stretches;
  int rings;
};

struct SkinnedPart {
  std::vector<std::array<double, 3>> positions;  // world units
  std::vector<std::vector<std::pair<int, float>>> weights;  // (joint, weight)
  std::vector<std::uint32_t> indices;
};

// A crude skin, as fast rigging leaves it: each ring wholly on the joint
// whose stretch holds it, so the tube shears at every joint.
std::vector<std::pair<int, float>> TubeWeights(const Tube& t, double along) {
  size_t k = 0;
  while (k + 1 < t.stretches.size() && along >= t.stretches[k + 1].second) ++k;
  return {{t.stretches[k].first, 1.0f}};
}

void AddTube(const Tube& t, int segments, SkinnedPart& part) {
  // Two directions across the tube: y stays y, the other is dir x y.
  const std::array<double, 3> up{0, 1, 0};
  const std::array<double, 3> side{t.dir[1] * up[2] - t.dir[2] * up[1], t.dir[2] * up[0] - t.dir[0] * up[2],
                                   t.dir[0] * up[1] - t.dir[1] * up[0]};
  const std::uint32_t first = static_cast<std::uint32_t>(part.positions.size());
  for (int r = 0; r < t.rings; ++r) {
    const double along = t.length * r / (t.rings - 1);
    const double shrink = 1.0 - t.taper * along / t.length;
    for (int s = 0; s < segments; ++s) {
      const double a = 2 * kPi * s / segments;
      // A little relief, so that smoothing has detail to keep.
      const double bump = 1.0 + 0.06 * std::sin(5.0 * a) * std::cos(40.0 * along);
      const double cy = std::sin(a) * t.radiusY * shrink * bump, cz = std::cos(a) * t.radiusZ * shrink * bump;
      std::array<double, 3> p;
      for (int i = 0; i < 3; ++i) p[i] = t.from[i] + t.dir[i] * along + up[i] * cy + side[i] * cz;
      part.positions.push_back(p);
      part.weights.push_back(TubeWeights(t, along));
    }
  }
  for (int r = 0; r + 1 < t.rings; ++r)
    for (int s = 0; s < segments; ++s) {
      const std::uint32_t a = first + r * segments + s, b = first + r * segments + (s + 1) % segments;
      const std::uint32_t c = a + segments, d = b + segments;
      part.indices.insert(part.indices.end(), {a, b, c, b, d, c});
    }
}

// The tubes of the arm (upper arm, forearm and palm) and of each finger.
void BuildParts(const ArmCharacterShape& s, const std::vector<Joint>& j, SkinnedPart& arm, SkinnedPart& fingers) {
  const int R = std::max(2, s.ringsPerBone), S = std::max(3, s.segments);
  const std::array<double, 3> x{1, 0, 0};
  AddTube({{0, 0, 0}, x, 0.64, 0.045, 0.05, 0.45, {{0, 0.0}, {1, 0.30}, {kHand, 0.55}}, 3 * R}, S, arm);
  for (int f = 0; f < kFingers; ++f) {
    const int first = 3 + kFingerBones * f;
    const std::array<double, 3> from = Position(j, first);
    const std::array<double, 3> dir = f == 0 ? std::array<double, 3>{std::sqrt(0.5), 0, std::sqrt(0.5)} : x;
    double along = 0;
    std::vector<std::pair<int, double>> stretches;
    for (int b = 0; b < kFingerBones; ++b) {
      stretches.push_back({first + b, along});
      if (b + 1 < kFingerBones) along += std::hypot(j[first + b + 1].offset[0], j[first + b + 1].offset[2]);
    }
    const double length = along + 0.02;  // the last bone's tip
    AddTube({from, dir, length, 0.009, 0.0095, 0.3, stretches, kFingerBones * R}, S, fingers);
  }
}

}  // namespace

int ArmCharacterVertexCount(const ArmCharacterShape& s) {
  return (3 + kFingers * kFingerBones) * std::max(2, s.ringsPerBone) * std::max(3, s.segments);
}

std::string MakeArmCharacterGlb(const ArmCharacterShape& s) {
  const std::vector<Joint> joints = Skeleton();
  const int J = static_cast<int>(joints.size());
  const double u = s.units > 0 ? s.units : 1.0;

  // Node layout: [Z_UP] > Armature (scale) > [Offset] > skeleton and, under
  // the root, the skinned mesh nodes; the watch hangs on the forearm.
  Json nodes = Json::array();
  auto add = [&](Json n) {
    nodes.push_back(std::move(n));
    return static_cast<int>(nodes.size()) - 1;
  };
  Mat wrap = Mat::Identity();  // the file's world of the skeleton's parent
  int outer = -1, parent = -1;
  std::vector<int> roots;
  auto attach = [&](int child) {
    if (parent < 0) roots.push_back(child);
    else nodes[parent]["children"].push_back(child);
  };
  if (s.zUp) {
    const auto q = AxisAngle(0, -kPi / 2);
    outer = parent = add({{"name", "Z_UP"}, {"rotation", {q[0], q[1], q[2], q[3]}}, {"children", Json::array()}});
    roots.push_back(outer);
    wrap = wrap * Rotate(q);
  }
  const Point3 sc = {s.rootScale.x / float(u), s.rootScale.y / float(u), s.rootScale.z / float(u)};
  const int armature = add({{"name", "Armature"}, {"scale", {sc.x, sc.y, sc.z}}, {"children", Json::array()}});
  attach(armature);
  parent = armature;
  wrap = wrap * Scale(sc.x, sc.y, sc.z);
  if (s.nested) {
    const auto q = AxisAngle(1, 0.5);
    const int offset = add({{"name", "Offset"}, {"translation", {0.1 * u, 0.25 * u, -0.05 * u}},
                            {"rotation", {q[0], q[1], q[2], q[3]}}, {"children", Json::array()}});
    attach(offset);
    parent = offset;
    wrap = wrap * Translate(0.1 * u, 0.25 * u, -0.05 * u) * Rotate(q);
  }
  std::vector<int> jointNode(J);
  std::vector<Mat> jointWorld(J);
  for (int k = 0; k < J; ++k) {
    const auto& o = joints[k].offset;
    jointNode[k] = add({{"name", joints[k].name}, {"translation", {o[0] * u, o[1] * u, o[2] * u}}});
    if (joints[k].parent < 0) attach(jointNode[k]);
    else nodes[jointNode[joints[k].parent]]["children"].push_back(jointNode[k]);
    jointWorld[k] = (joints[k].parent < 0 ? wrap : jointWorld[joints[k].parent]) * Translate(o[0] * u, o[1] * u, o[2] * u);
  }

  SkinnedPart arm, fingers;
  BuildParts(s, joints, arm, fingers);
  if (s.skinnedMeshes < 2) {
    const std::uint32_t base = static_cast<std::uint32_t>(arm.positions.size());
    arm.positions.insert(arm.positions.end(), fingers.positions.begin(), fingers.positions.end());
    arm.weights.insert(arm.weights.end(), fingers.weights.begin(), fingers.weights.end());
    for (std::uint32_t i : fingers.indices) arm.indices.push_back(base + i);
  }

  GlbBuilder bin;
  // Skins: the whole skeleton; with secondSkin, the hand and fingers backwards.
  std::vector<std::vector<int>> skinJoints(1);
  for (int k = 0; k < J; ++k) skinJoints[0].push_back(k);
  if (s.skinnedMeshes >= 2 && s.secondSkin) {
    skinJoints.emplace_back();
    for (int k = J - 1; k >= kHand; --k) skinJoints[1].push_back(k);
  }
  const Mat meshWorld = s.meshUnderRoot ? wrap : Mat::Identity();
  Json skins = Json::array();
  for (const auto& list : skinJoints) {
    std::vector<float> ibm;
    for (int k : list) {
      const std::vector<float> m = (Inverse(jointWorld[k]) * meshWorld).Floats();
      ibm.insert(ibm.end(), m.begin(), m.end());
    }
    Json nodesOf = Json::array();
    for (int k : list) nodesOf.push_back(jointNode[k]);
    // The skeleton root is the skin's common root: the arm's shoulder, or the hand.
    skins.push_back({{"joints", nodesOf}, {"inverseBindMatrices", bin.Floats(ibm, "MAT4", 16, 0, false)},
                     {"skeleton", jointNode[skins.empty() ? 0 : kHand]}});
  }

  Json meshes = Json::array();
  const SkinnedPart* parts[2] = {&arm, &fingers};
  const char* names[2] = {"arm", "fingers"};
  const int meshCount = s.skinnedMeshes >= 2 ? 2 : 1;
  for (int m = 0; m < meshCount; ++m) {
    const SkinnedPart& part = *parts[m];
    const int skin = m == 1 && s.secondSkin ? 1 : 0;
    std::vector<int> slotOf(J, 0);
    for (size_t k = 0; k < skinJoints[skin].size(); ++k) slotOf[skinJoints[skin][k]] = static_cast<int>(k);
    const Mat toFile = Inverse(meshWorld);
    std::vector<float> pos;
    std::vector<std::uint16_t> js;
    std::vector<float> ws;
    for (size_t v = 0; v < part.positions.size(); ++v) {
      // World units in the skeleton's frame, then into the mesh node's own space.
      std::array<double, 3> p = part.positions[v];
      for (double& c : p) c *= u;
      p = toFile.Apply(wrap.Apply(p));
      pos.insert(pos.end(), {float(p[0]), float(p[1]), float(p[2])});
      const auto& w = part.weights[v];
      for (int k = 0; k < 4; ++k) {
        js.push_back(k < int(w.size()) ? static_cast<std::uint16_t>(slotOf[w[k].first]) : 0);
        ws.push_back(k < int(w.size()) ? w[k].second : 0.0f);
      }
    }
    Json attrs = {{"POSITION", bin.Floats(pos, "VEC3", 3, 34962, true)},
                  {"JOINTS_0", bin.Shorts(js, 34962)},
                  {"WEIGHTS_0", bin.Floats(ws, "VEC4", 4, 34962, false)}};
    meshes.push_back({{"name", names[m]}, {"primitives", Json::array({{{"attributes", attrs}, {"indices", bin.Indices(part.indices)}}})}});
    const int node = add({{"name", names[m]}, {"mesh", m}, {"skin", skin}});
    if (s.meshUnderRoot) attach(node);
    else roots.push_back(node);
  }
  if (s.hangingPart) {
    // A watch on the forearm: a little box, one morph target that swells it.
    const float h = 0.02f * float(u);
    std::vector<float> box, swell;
    for (int k = 0; k < 8; ++k) {
      box.insert(box.end(), {(k & 1 ? h : -h), (k & 2 ? h : -h) * 0.5f, (k & 4 ? h : -h)});
      swell.insert(swell.end(), {(k & 1 ? h : -h) * 0.2f, 0, (k & 4 ? h : -h) * 0.2f});
    }
    const std::vector<std::uint32_t> faces = {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
                                              2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
    Json prim = {{"attributes", {{"POSITION", bin.Floats(box, "VEC3", 3, 34962, true)}}},
                 {"indices", bin.Indices(faces)},
                 {"targets", Json::array({{{"POSITION", bin.Floats(swell, "VEC3", 3, 34962, true)}}})}};
    meshes.push_back({{"name", "watch"}, {"primitives", Json::array({prim})}, {"weights", {0.5}},
                      {"extras", {{"targetNames", {"swell"}}}}});
    const int watch = add({{"name", "watch"}, {"mesh", static_cast<int>(meshes.size()) - 1},
                           {"translation", {0.18 * u, 0.04 * u, 0}}});
    nodes[jointNode[1]]["children"].push_back(watch);
  }

  // Clips over one second, keyed every eighth; frame 0 is the bind pose.
  std::vector<float> times;
  for (int k = 0; k <= 8; ++k) times.push_back(k / 8.0f);
  const int timeAccessor = bin.Floats(times, "SCALAR", 1, 0, true);
  const char* clipNames[3] = {"wave", "grip", "twist"};
  Json animations = Json::array();
  for (int c = 0; c < std::clamp(s.clips, 1, 3); ++c) {
    Json channels = Json::array(), samplers = Json::array();
    for (int k = 0; k < J; ++k) {
      std::vector<float> keys;
      bool moves = false;
      for (int t = 0; t <= 8; ++t) {
        const double phase = 2 * kPi * t / 8.0, up = 0.5 - 0.5 * std::cos(phase);
        int axis = 2;
        double angle = 0;
        const bool finger = k > kHand, knuckle = finger && (k - 3) % kFingerBones == 0;
        if (c == 0 && k == 0) angle = 0.8 * std::sin(phase);
        if (c == 0 && k == 1) angle = 1.2 * up;
        if (c == 0 && k == kHand) angle = -0.5 * up;
        if (c == 1 && finger) angle = -1.1 * up;
        if (c == 2 && k == 1) axis = 0, angle = 1.3 * std::sin(phase);
        if (c == 2 && knuckle) axis = 1, angle = 0.25 * std::sin(phase) * ((k - 3) / kFingerBones - 2);
        const auto q = AxisAngle(axis, angle);
        keys.insert(keys.end(), {float(q[0]), float(q[1]), float(q[2]), float(q[3])});
        moves = moves || angle != 0;
      }
      if (!moves) continue;
      samplers.push_back({{"input", timeAccessor}, {"output", bin.Floats(keys, "VEC4", 4, 0, false)},
                          {"interpolation", "LINEAR"}});
      channels.push_back({{"sampler", samplers.size() - 1}, {"target", {{"node", jointNode[k]}, {"path", "rotation"}}}});
    }
    animations.push_back({{"name", clipNames[c]}, {"channels", channels}, {"samplers", samplers}});
  }

  for (Json& n : nodes)
    if (n.contains("children") && n["children"].empty()) n.erase("children");
  Json doc;
  doc["asset"] = {{"version", "2.0"}, {"generator", "fernwick arm character"}};
  doc["scene"] = 0;
  doc["scenes"] = Json::array({{{"nodes", roots}}});
  doc["nodes"] = nodes;
  doc["meshes"] = meshes;
  doc["skins"] = skins;
  doc["animations"] = animations;
  return bin.Glb(doc);
}
