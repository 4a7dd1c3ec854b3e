// Reading a skinned character from a glTF 2.0 file into plain data.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>

#include "cli/files/atomic_file.h"
#include "cli/gltf/gltf_accessor.h"
#include "cli/gltf/gltf_animation.h"
#include "cli/gltf/gltf_character.h"
#include "cli/gltf/gltf_weld.h"

namespace {

constexpr int kMaxAnimationFrames = 100000;

bool AllFinite(const std::vector<double>& v) {
  return std::all_of(v.begin(), v.end(), [](double d) { return std::isfinite(d); });
}

// Bytes held in memory have no folder, so they may not name other files.
bool NoFileExists(const std::string&, void*) { return false; }
std::string KeepFilePath(const std::string& path, void*) { return path; }
bool NoFileRead(std::vector<unsigned char>*, std::string* err, const std::string& path, void*) {
  if (err) *err += "external file " + path + " cannot be read from bytes in memory\n";
  return false;
}
bool NoFileWrite(std::string* err, const std::string&, const std::vector<unsigned char>&, void*) {
  if (err) *err += "no files are written while reading\n";
  return false;
}

// path names the data in messages; base is the folder external URIs are read
// from, or nullptr when the data has none.
bool LoadBytes(const std::string& data, const std::string& path, const std::string* base, tinygltf::Model& model,
               std::string& error) {
  const bool glb = data.size() >= 4 && data.compare(0, 4, "glTF") == 0;
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return char(std::tolower(c)); });
  if (!glb && ext == ".glb") {
    error = "bad GLB magic: " + path + " does not start with \"glTF\"";
    return false;
  }
  if (glb) {
    std::uint32_t length = 0;
    if (data.size() >= 12) std::memcpy(&length, data.data() + 8, 4);
    if (data.size() < 20 || length > data.size()) {
      error = "truncated GLB: " + path + " holds " + std::to_string(data.size()) + " bytes, its header says " +
              std::to_string(length);
      return false;
    }
  }
  tinygltf::TinyGLTF loader;
  // Images stay undecoded; the writer copies them byte for byte.
  loader.SetImageLoader([](tinygltf::Image*, const int, std::string*, std::string*, int, int, const unsigned char*, int,
                           void*) { return true; },
                        nullptr);
  if (!base) loader.SetFsCallbacks({&NoFileExists, &KeepFilePath, &NoFileRead, &NoFileWrite, nullptr});
  std::string err, warn;
  const std::string dir = base ? *base : std::string();
  bool ok = false;
  try {
    ok = glb ? loader.LoadBinaryFromMemory(&model, &err, &warn, reinterpret_cast<const unsigned char*>(data.data()),
                                           unsigned(data.size()), dir)
             : loader.LoadASCIIFromString(&model, &err, &warn, data.data(), unsigned(data.size()), dir);
  } catch (const std::exception& e) {
    err = e.what();
    ok = false;
  }
  if (!ok) {
    while (!err.empty() && (err.back() == '\n' || err.back() == ' ')) err.pop_back();
    error = "invalid glTF file " + path + ": " + (err.empty() ? "the loader refused it" : err);
    return false;
  }
  return true;
}

bool Load(const std::string& path, tinygltf::Model& model, std::string& error) {
  std::string data;
  if (!ReadWholeFile(path, data, error)) return false;
  const std::string base = std::filesystem::path(path).parent_path().string();
  return LoadBytes(data, path, &base, model, error);
}

bool ReadNodes(const tinygltf::Model& m, GltfCharacter& c, std::string& error) {
  const int n = int(m.nodes.size());
  c.nodes.assign(n, GltfNode());
  for (int i = 0; i < n; ++i) {
    const tinygltf::Node& src = m.nodes[i];
    GltfNode& node = c.nodes[i];
    node.name = src.name;
    for (int child : src.children) {
      if (child < 0 || child >= n || c.nodes[child].parent >= 0 || child == i) {
        error = "invalid glTF file: node " + std::to_string(i) + " has a bad child " + std::to_string(child);
        return false;
      }
      c.nodes[child].parent = i;
    }
    std::vector<double> all(src.matrix.begin(), src.matrix.end());
    all.insert(all.end(), src.translation.begin(), src.translation.end());
    all.insert(all.end(), src.rotation.begin(), src.rotation.end());
    all.insert(all.end(), src.scale.begin(), src.scale.end());
    if (!AllFinite(all)) {
      error = "non-finite value in the transform of node " + std::to_string(i);
      return false;
    }
    if (src.matrix.size() == 16) {
      node.hasMatrix = true;
      node.restLocal = GltfMatrixToMatrix3(src.matrix.data());
      node.rest = Matrix3ToGltfTrs(node.restLocal);
    } else {
      if (src.translation.size() == 3)
        node.rest.translation = {float(src.translation[0]), float(src.translation[1]), float(src.translation[2])};
      if (src.rotation.size() == 4)
        for (int k = 0; k < 4; ++k) node.rest.rotation[k] = float(src.rotation[k]);
      if (src.scale.size() == 3) node.rest.scale = {float(src.scale[0]), float(src.scale[1]), float(src.scale[2])};
      node.restLocal = GltfTrsToMatrix3(node.rest);
    }
  }
  // World transforms root first; a parent chain longer than the node count is a cycle.
  std::vector<char> done(n, 0);
  for (int i = 0; i < n; ++i) {
    std::vector<int> chain;
    for (int k = i; k >= 0 && !done[k]; k = c.nodes[k].parent) {
      chain.push_back(k);
      if (int(chain.size()) > n) {
        error = "invalid glTF file: the node hierarchy has a cycle through node " + std::to_string(i);
        return false;
      }
    }
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      const int p = c.nodes[*it].parent;
      c.nodes[*it].restWorld = p >= 0 ? c.nodes[*it].restLocal * c.nodes[p].restWorld : c.nodes[*it].restLocal;
      done[*it] = 1;
    }
  }
  return true;
}

int Depth(const GltfCharacter& c, int node) {
  int depth = 0;
  for (int p = c.nodes[node].parent; p >= 0; p = c.nodes[p].parent) ++depth;
  return depth;
}

// Every node with a mesh and a skin, or those named; a glTF mesh skinned by
// several nodes is taken once, at its first node.
bool FindMeshNodes(const tinygltf::Model& m, const std::string& path, const std::vector<std::string>& names,
                   GltfCharacter& c, std::string& error) {
  std::vector<char> nameUsed(names.size(), 0);
  std::vector<int> meshTaken(m.meshes.size(), -1);
  std::vector<std::string> available;
  for (int i = 0; i < int(m.nodes.size()); ++i) {
    const tinygltf::Node& node = m.nodes[i];
    if (node.mesh < 0 || node.skin < 0) continue;
    if (node.mesh >= int(m.meshes.size()) || node.skin >= int(m.skins.size())) {
      error = "invalid glTF file: node " + std::to_string(i) + " names a mesh or skin that does not exist";
      return false;
    }
    const std::string& meshName = m.meshes[node.mesh].name;
    available.push_back("\"" + (node.name.empty() ? meshName : node.name) + "\"");
    bool wanted = names.empty();
    for (size_t k = 0; k < names.size(); ++k)
      if (node.name == names[k] || meshName == names[k]) {
        nameUsed[k] = 1;
        wanted = true;
      }
    if (!wanted) continue;
    if (meshTaken[node.mesh] >= 0) {
      c.sharedMeshNodes.push_back(node.name.empty() ? "node " + std::to_string(i) : node.name);
      continue;
    }
    meshTaken[node.mesh] = i;
    GltfSkinnedMesh& mesh = c.meshes.emplace_back();
    mesh.node = i;
    mesh.meshIndex = node.mesh;
    mesh.skinIndex = node.skin;
    mesh.meshWorld = c.nodes[i].restWorld;
    mesh.name = !node.name.empty() ? node.name : !meshName.empty() ? meshName : "mesh" + std::to_string(i);
  }
  for (size_t k = 0; k < names.size(); ++k)
    if (!nameUsed[k]) {
      std::string list;
      for (const std::string& a : available) list += (list.empty() ? "" : ", ") + a;
      error = "no skinned mesh named \"" + names[k] + "\" in " + path +
              (list.empty() ? std::string(" (it has none)") : " (it has " + list + ")");
      return false;
    }
  if (c.meshes.empty()) {
    error = "no skinned mesh in " + path;
    return false;
  }
  // Scene nodes are found by name: two meshes may not share one.
  for (size_t a = 0; a < c.meshes.size(); ++a)
    for (size_t b = 0; b < a; ++b)
      if (c.meshes[a].name == c.meshes[b].name) {
        c.meshes[a].name += "_" + std::to_string(c.meshes[a].node);
        b = size_t(-1);  // check the new name against every earlier one
      }
  return true;
}

// Two transforms alike to a thousandth of their size.
bool Alike(const Matrix3& a, const Matrix3& b) {
  const float size = std::max({a[0].Length(), a[1].Length(), a[2].Length(), a[3].Length(), b[3].Length()});
  for (int r = 0; r < 4; ++r)
    if (!(Length(a[r] - b[r]) <= 1e-3f * size)) return false;
  return true;
}

float UniformScale(const Matrix3& m) { return std::cbrt(std::fabs(m.Determinant())); }

// Where a mesh's bind pose stands in the world. Each joint says it: its
// inverse bind times its rest transform, the same for every joint when the
// skeleton rests in its bind pose; most joints agreeing decide. A file whose
// rest pose is another keeps the mesh node's place, where the mesh was made
// (inverse binds relative to it, as most exporters write them), as long as
// its scale is the skeleton's: Delta Mush needs the scale of the motion, not
// its turn or place.
Matrix3 BindWorld(const GltfCharacter& c, const GltfSkinnedMesh& mesh, const tinygltf::Skin& skin) {
  const size_t n = skin.joints.size();
  std::vector<Matrix3> said(n);
  for (size_t j = 0; j < n; ++j) said[j] = mesh.inverseBind[j] * c.nodes[skin.joints[j]].restWorld;
  size_t best = 0, votes = 0;
  for (size_t j = 0; j < n; ++j) {
    size_t agree = 0;
    for (size_t k = 0; k < n; ++k) agree += Alike(said[j], said[k]);
    if (agree > votes) best = j, votes = agree;
  }
  if (2 * votes > n) return said[best];
  int root = 0;
  for (size_t j = 1; j < n; ++j)
    if (Depth(c, skin.joints[j]) < Depth(c, skin.joints[root])) root = int(j);
  const float scale = UniformScale(said[root]);
  return std::fabs(UniformScale(mesh.meshWorld) - scale) <= 1e-3f * scale ? mesh.meshWorld : said[root];
}

bool ReadSkins(const tinygltf::Model& m, GltfCharacter& c, std::string& error) {
  std::map<int, int> jointOfNode;
  for (GltfSkinnedMesh& mesh : c.meshes) {
    const tinygltf::Skin& skin = m.skins[mesh.skinIndex];
    const std::string what = "skin " + std::to_string(mesh.skinIndex);
    if (skin.joints.empty()) {
      error = "invalid glTF file: " + what + " has no joints";
      return false;
    }
    std::vector<double> ibm;
    if (skin.inverseBindMatrices >= 0) {
      int comps = 0;
      if (!ReadGltfAccessor(m, skin.inverseBindMatrices, ibm, comps, error)) return false;
      if (comps != 16 || ibm.size() < 16 * skin.joints.size()) {
        error = "invalid glTF file: the inverse bind matrices of " + what + " are not one MAT4 per joint";
        return false;
      }
      if (!AllFinite(ibm)) {
        error = "non-finite value in the inverse bind matrices of " + what;
        return false;
      }
    }
    std::map<int, int> slotOfNode;
    for (size_t j = 0; j < skin.joints.size(); ++j) {
      const int node = skin.joints[j];
      if (node < 0 || node >= int(c.nodes.size())) {
        error = "joint node missing: joint " + std::to_string(j) + " of " + what + " names node " +
                std::to_string(node) + ", which does not exist";
        return false;
      }
      if (!slotOfNode.emplace(node, int(j)).second) {
        error = "invalid glTF file: node " + std::to_string(node) + " is a joint of " + what + " twice";
        return false;
      }
      auto [it, added] = jointOfNode.emplace(node, int(c.joints.size()));
      if (added) {
        GltfJoint& joint = c.joints.emplace_back();
        joint.node = node;
        joint.name = c.nodes[node].name.empty() ? "joint" + std::to_string(it->second) : c.nodes[node].name;
      }
      mesh.joints.push_back(it->second);
      mesh.inverseBind.push_back(ibm.empty() ? Matrix3() : GltfMatrixToMatrix3(ibm.data() + 16 * j));
    }
    mesh.bindWorld = BindWorld(c, mesh, skin);
  }
  for (GltfJoint& joint : c.joints)
    for (int p = c.nodes[joint.node].parent; p >= 0; p = c.nodes[p].parent) {
      auto it = jointOfNode.find(p);
      if (it != jointOfNode.end()) {
        joint.parent = it->second;
        break;
      }
    }
  return true;
}

// Triangles of one primitive as file vertex indices.
bool PrimitiveTriangles(const tinygltf::Model& m, const tinygltf::Primitive& prim, const std::string& what,
                        size_t vertexCount, std::vector<std::array<int, 3>>& tris, std::string& error) {
  const int mode = prim.mode < 0 ? TINYGLTF_MODE_TRIANGLES : prim.mode;
  if (mode != TINYGLTF_MODE_TRIANGLES && mode != TINYGLTF_MODE_TRIANGLE_STRIP && mode != TINYGLTF_MODE_TRIANGLE_FAN) {
    error = "unsupported primitive mode: " + what + " has mode " + std::to_string(mode) +
            " (points or lines); only triangles are read";
    return false;
  }
  std::vector<double> idx;
  if (prim.indices >= 0) {
    int comps = 0;
    if (!ReadGltfAccessor(m, prim.indices, idx, comps, error)) return false;
    const int type = m.accessors[prim.indices].componentType;
    if (comps != 1 || (type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_BYTE && type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_SHORT &&
                       type != TINYGLTF_COMPONENT_TYPE_UNSIGNED_INT)) {
      error = "invalid glTF file: the indices of " + what + " are not unsigned integer scalars";
      return false;
    }
    for (double d : idx)
      if (!(d >= 0 && d < double(vertexCount))) {
        error = "invalid glTF file: " + what + " has an index past its " + std::to_string(vertexCount) + " vertices";
        return false;
      }
  } else {
    idx.resize(vertexCount);
    for (size_t i = 0; i < vertexCount; ++i) idx[i] = double(i);
  }
  const int n = int(idx.size());
  auto at = [&](int i) { return int(idx[i]); };
  if (mode == TINYGLTF_MODE_TRIANGLES) {
    for (int i = 0; i + 2 < n; i += 3) tris.push_back({at(i), at(i + 1), at(i + 2)});
  } else if (mode == TINYGLTF_MODE_TRIANGLE_STRIP) {
    for (int i = 0; i + 2 < n; ++i)
      tris.push_back(i % 2 == 0 ? std::array<int, 3>{at(i), at(i + 1), at(i + 2)}
                                : std::array<int, 3>{at(i + 1), at(i), at(i + 2)});
  } else {
    for (int i = 1; i + 1 < n; ++i) tris.push_back({at(0), at(i), at(i + 1)});
  }
  return true;
}

bool ReadPrimitives(const tinygltf::Model& m, GltfSkinnedMesh& c, std::string& error) {
  const tinygltf::Mesh& mesh = m.meshes[c.meshIndex];
  const int jointCount = int(c.joints.size());
  std::vector<std::vector<GltfFileVertex>> verts;
  std::vector<std::vector<std::array<int, 3>>> fileTris;
  for (int p = 0; p < int(mesh.primitives.size()); ++p) {
    const tinygltf::Primitive& prim = mesh.primitives[p];
    const std::string what = "primitive " + std::to_string(p) + " of mesh " + std::to_string(c.meshIndex);
    auto pos = prim.attributes.find("POSITION");
    if (pos == prim.attributes.end()) {
      error = "invalid glTF file: " + what + " has no POSITION";
      return false;
    }
    std::vector<double> xyz;
    int comps = 0;
    if (!ReadGltfAccessor(m, pos->second, xyz, comps, error)) return false;
    if (comps != 3) {
      error = "invalid glTF file: POSITION of " + what + " is not VEC3";
      return false;
    }
    const size_t count = xyz.size() / 3;
    std::vector<GltfFileVertex>& pv = verts.emplace_back(count);
    for (size_t v = 0; v < count; ++v) {
      if (!std::isfinite(xyz[3 * v]) || !std::isfinite(xyz[3 * v + 1]) || !std::isfinite(xyz[3 * v + 2])) {
        error = "non-finite position at vertex " + std::to_string(v) + " of " + what;
        return false;
      }
      pv[v].position = {float(xyz[3 * v]), float(xyz[3 * v + 1]), float(xyz[3 * v + 2])};
    }
    int sets = 0;
    for (;; ++sets) {
      auto jt = prim.attributes.find("JOINTS_" + std::to_string(sets));
      auto wt = prim.attributes.find("WEIGHTS_" + std::to_string(sets));
      if (jt == prim.attributes.end() || wt == prim.attributes.end()) break;
      std::vector<double> joints, weights;
      int jc = 0, wc = 0;
      if (!ReadGltfAccessor(m, jt->second, joints, jc, error) || !ReadGltfAccessor(m, wt->second, weights, wc, error))
        return false;
      if (jc != 4 || wc != 4 || joints.size() != 4 * count || weights.size() != 4 * count) {
        error = "invalid glTF file: JOINTS_" + std::to_string(sets) + "/WEIGHTS_" + std::to_string(sets) + " of " +
                what + " are not one VEC4 per vertex";
        return false;
      }
      for (size_t v = 0; v < count; ++v)
        for (int k = 0; k < 4; ++k) {
          const double w = weights[4 * v + k], j = joints[4 * v + k];
          if (!std::isfinite(w) || w < 0) {
            error = "non-finite or negative weight at vertex " + std::to_string(v) + " of " + what;
            return false;
          }
          if (w == 0) continue;
          // Written as a test that a NaN or negative index fails too.
          if (!(j >= 0 && j < jointCount)) {
            char named[32];
            std::snprintf(named, sizeof named, "%.0f", j);
            error = "joint index out of range: vertex " + std::to_string(v) + " of " + what + " names joint " +
                    named + " of a skin with " + std::to_string(jointCount) + " joints";
            return false;
          }
          pv[v].influences.emplace_back(int(j), float(w));
        }
    }
    if (sets == 0) {
      error = "no skin weights: " + what + " has no JOINTS_0/WEIGHTS_0";
      return false;
    }
    if (!PrimitiveTriangles(m, prim, what, count, fileTris.emplace_back(), error)) return false;
  }
  GltfWeldResult weld = WeldGltfVertices(verts);
  c.positions = std::move(weld.positions);
  c.weights = std::move(weld.weights);
  c.primitives.resize(mesh.primitives.size());
  for (size_t p = 0; p < mesh.primitives.size(); ++p) {
    c.primitives[p].index = int(p);
    c.primitives[p].fileToWelded = std::move(weld.fileToWelded[p]);
    const std::vector<int>& map = c.primitives[p].fileToWelded;
    for (const auto& t : fileTris[p]) {
      const std::array<int, 3> w{map[t[0]], map[t[1]], map[t[2]]};
      // Corners welded together leave no triangle to keep.
      if (w[0] != w[1] && w[1] != w[2] && w[0] != w[2]) c.triangles.push_back(w);
    }
  }
  return true;
}

bool ReadAnimations(const tinygltf::Model& m, float fps, GltfCharacter& c, std::string& error) {
  for (size_t ai = 0; ai < m.animations.size(); ++ai) {
    const tinygltf::Animation& src = m.animations[ai];
    const std::string what = "animation " + std::to_string(ai);
    struct Bound {
      int node;
      int path;  // 0 translation, 1 rotation, 2 scale
      GltfKeyedChannel keys;
    };
    std::vector<Bound> channels;
    float duration = 0.0f;
    for (const tinygltf::AnimationChannel& ch : src.channels) {
      int path = ch.target_path == "translation" ? 0 : ch.target_path == "rotation" ? 1 : ch.target_path == "scale" ? 2 : -1;
      if (path < 0) continue;  // morph weights do not move joints
      if (ch.target_node < 0 || ch.target_node >= int(c.nodes.size()) || ch.sampler < 0 ||
          ch.sampler >= int(src.samplers.size())) {
        error = "invalid glTF file: a channel of " + what + " names a node or sampler that does not exist";
        return false;
      }
      const tinygltf::AnimationSampler& s = src.samplers[ch.sampler];
      Bound b{ch.target_node, path, {}};
      b.keys.width = path == 1 ? 4 : 3;
      b.keys.interpolation = s.interpolation == "STEP"          ? GltfInterpolation::kStep
                             : s.interpolation == "CUBICSPLINE" ? GltfInterpolation::kCubicSpline
                                                                : GltfInterpolation::kLinear;
      std::vector<double> in, out;
      int ic = 0, oc = 0;
      if (!ReadGltfAccessor(m, s.input, in, ic, error) || !ReadGltfAccessor(m, s.output, out, oc, error)) return false;
      const size_t per = b.keys.interpolation == GltfInterpolation::kCubicSpline ? 3 : 1;
      if (ic != 1 || oc != b.keys.width || out.size() != in.size() * per * oc || in.empty()) {
        error = "invalid glTF file: a sampler of " + what + " has mismatched input and output";
        return false;
      }
      if (!AllFinite(in) || !AllFinite(out)) {
        error = "non-finite value in a sampler of " + what;
        return false;
      }
      for (size_t k = 1; k < in.size(); ++k)
        if (in[k] <= in[k - 1]) {
          error = "invalid glTF file: key times of " + what + " do not increase";
          return false;
        }
      b.keys.times.assign(in.begin(), in.end());
      b.keys.values.assign(out.begin(), out.end());
      duration = std::max(duration, b.keys.times.back());
      channels.push_back(std::move(b));
    }
    // Every frame is sampled up front, so a clip's length bounds the memory it takes.
    const double frames = std::floor(double(duration) * fps + 1e-3) + 1;
    if (!(frames <= kMaxAnimationFrames)) {
      error = what + " is too long: " + std::to_string(duration) + " s at " + std::to_string(fps) +
              " fps is more than " + std::to_string(kMaxAnimationFrames) + " frames";
      return false;
    }
    GltfAnimation& a = c.animations.emplace_back();
    a.name = src.name;
    a.fps = fps;
    a.duration = duration;
    a.frameCount = int(frames);
    std::map<int, int> trackOfNode;
    for (const Bound& b : channels) {
      auto [it, added] = trackOfNode.emplace(b.node, int(a.tracks.size()));
      if (added) a.tracks.push_back({b.node, std::vector<GltfTrs>(a.frameCount, c.nodes[b.node].rest)});
      GltfNodeTrack& track = a.tracks[it->second];
      for (int f = 0; f < a.frameCount; ++f) {
        GltfTrs& trs = track.frames[f];
        float* dst = b.path == 0 ? &trs.translation.x : b.path == 1 ? trs.rotation.data() : &trs.scale.x;
        SampleGltfChannel(b.keys, float(f / double(fps)), dst);
      }
    }
  }
  return true;
}

}  // namespace

namespace {

// bytes is nullptr to read the file at path.
bool ReadCharacter(const std::string* bytes, const std::string& path, const GltfReadOptions& options,
                   GltfCharacter& out, std::string& error) {
  out = GltfCharacter();
  out.sourcePath = path;
  if (!(options.fps > 0) || !std::isfinite(options.fps)) {
    error = "invalid frame rate: fps must be a positive number";
    return false;
  }
  try {
    tinygltf::Model model;
    const bool loaded = bytes ? LoadBytes(*bytes, path, nullptr, model, error) : Load(path, model, error);
    if (!loaded || !ReadNodes(model, out, error) || !FindMeshNodes(model, path, options.meshNames, out, error) ||
        !ReadSkins(model, out, error))
      return false;
    for (GltfSkinnedMesh& mesh : out.meshes)
      if (!ReadPrimitives(model, mesh, error)) return false;
    return !options.readAnimations || ReadAnimations(model, options.fps, out, error);
  } catch (const std::exception& e) {
    error = std::string("cannot read ") + path + ": " + e.what();
    return false;
  }
}

}  // namespace

bool ReadGltfCharacter(const std::string& path, const GltfReadOptions& options, GltfCharacter& out,
                       std::string& error) {
  return ReadCharacter(nullptr, path, options, out, error);
}

bool ReadGltfCharacterFromBytes(const std::string& bytes, const std::string& name, const GltfReadOptions& options,
                                GltfCharacter& out, std::string& error) {
  return ReadCharacter(&bytes, name, options, out, error);
}
