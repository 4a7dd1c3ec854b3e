// A copy of the source glTF file with new skin weights. The JSON is edited in
// place (key order kept) and new data appended, so nodes, materials, images,
// extensions and extras go through untouched; nothing is decoded.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <filesystem>

#include <nlohmann/json.hpp>

#include "cli/files/atomic_file.h"
#include "cli/gltf/gltf_character.h"
#include "cli/gltf/gltf_container.h"
#include "cli/gltf/gltf_uri.h"
#include "cli/gltf/gltf_weights.h"

namespace {

using Json = nlohmann::ordered_json;
namespace fs = std::filesystem;

constexpr int kArrayBuffer = 34962;

// Per welded vertex the influences to write, largest first, summing to one as stored.
bool FinalWeights(const GltfSkinnedMesh& c, const GltfVertexWeights& in, int maxInfluences, GltfWeightFormat format,
                  GltfVertexWeights& out, int& widest, std::string& error) {
  if (in.size() != c.positions.size()) {
    error = "weights do not match mesh \"" + c.name + "\": " + std::to_string(in.size()) + " lists for " +
            std::to_string(c.positions.size()) + " vertices";
    return false;
  }
  const int jointCount = int(c.joints.size());
  out.resize(in.size());
  widest = 1;
  for (size_t v = 0; v < in.size(); ++v) {
    for (const auto& [joint, weight] : in[v]) {
      if (joint < 0 || joint >= jointCount) {
        error = "joint index out of range: vertex " + std::to_string(v) + " of \"" + c.name + "\" names joint " +
                std::to_string(joint) + " of " + std::to_string(jointCount);
        return false;
      }
      if (!std::isfinite(weight) || weight < 0) {
        error = "non-finite or negative weight at vertex " + std::to_string(v) + " of \"" + c.name + "\"";
        return false;
      }
    }
    std::vector<std::pair<int, float>> w = StoredInfluences(in[v], maxInfluences, format);
    if (w.empty()) {
      error = "vertex " + std::to_string(v) + " of \"" + c.name + "\" has no weight";
      return false;
    }
    widest = std::max(widest, int(w.size()));
    out[v] = std::move(w);
  }
  return true;
}

void Align4(std::string& s) {
  while (s.size() % 4) s += '\0';
}

template <typename T>
void Put(std::string& s, T v) {
  char b[sizeof(T)];
  std::memcpy(b, &v, sizeof(T));
  s.append(b, sizeof(T));
}

// Relative file references keep pointing at the same files from the new place.
void RebaseUris(Json& root, const fs::path& fromDir, const fs::path& toDir) {
  // A bare file name has an empty folder: the working directory.
  std::error_code ec;
  const fs::path from = fs::weakly_canonical(fs::absolute(fromDir.empty() ? fs::path(".") : fromDir, ec), ec);
  const fs::path to = fs::weakly_canonical(fs::absolute(toDir.empty() ? fs::path(".") : toDir, ec), ec);
  if (from == to) return;
  for (const char* key : {"buffers", "images"}) {
    if (!root.contains(key) || !root[key].is_array()) continue;
    for (Json& item : root[key]) {
      if (!item.is_object() || !item.contains("uri") || !item["uri"].is_string()) continue;
      const std::string uri = item["uri"].get<std::string>();
      if (uri.rfind("data:", 0) == 0 || uri.find("://") != std::string::npos || uri.empty() || uri[0] == '/') continue;
      const fs::path target = fs::weakly_canonical(from / PercentDecode(uri), ec);
      const fs::path rel = target.lexically_relative(to);
      if (!rel.empty()) item["uri"] = PercentEncodePath(rel.generic_string());
    }
  }
}

bool HasGltfExtension(const std::string& path, const char* ext) {
  std::string e = fs::path(path).extension().string();
  std::transform(e.begin(), e.end(), e.begin(), [](unsigned char ch) { return char(std::tolower(ch)); });
  return e == ext;
}

// Makes room for a GLB binary chunk as buffer 0 by moving every buffer
// reference up by one.
void InsertBinBuffer(Json& root) {
  Json& buffers = root["buffers"];
  buffers.insert(buffers.begin(), Json::object());
  if (!root.contains("bufferViews")) return;
  for (Json& view : root["bufferViews"]) {
    if (view.contains("buffer") && view["buffer"].is_number_unsigned()) view["buffer"] = view["buffer"].get<size_t>() + 1;
    if (!view.contains("extensions") || !view["extensions"].is_object()) continue;
    for (auto& [name, ext] : view["extensions"].items())
      if (ext.is_object() && ext.contains("buffer") && ext["buffer"].is_number_unsigned())
        ext["buffer"] = ext["buffer"].get<size_t>() + 1;
  }
}

// New weights of one mesh, ready to write.
struct MeshWeights {
  const GltfSkinnedMesh* mesh = nullptr;
  GltfVertexWeights weights;
  int widest = 1;
};

// Every primitive of the mesh is still there with as many vertices as were read.
bool SameMesh(const GltfSkinnedMesh& c, const Json& accessors, Json* prims, const std::string& source,
              std::string& error) {
  if (!prims || !prims->is_array() || prims->size() != c.primitives.size()) {
    error = "source changed: " + source + " no longer has the mesh \"" + c.name + "\" that was read";
    return false;
  }
  for (const GltfPrimitive& p : c.primitives) {
    const Json& attrs = (*prims)[p.index]["attributes"];
    const size_t count = p.fileToWelded.size();
    if (!attrs.contains("POSITION") || !attrs["POSITION"].is_number_unsigned() ||
        attrs["POSITION"].get<size_t>() >= accessors.size() ||
        accessors[attrs["POSITION"].get<size_t>()].value("count", size_t(0)) != count) {
      error = "source changed: the vertices of primitive " + std::to_string(p.index) + " of \"" + c.name + "\" in " +
              source + " are not those that were read";
      return false;
    }
  }
  return true;
}

Json* Primitives(Json& root, int meshIndex) {
  if (root.contains("meshes") && root["meshes"].is_array() && meshIndex >= 0 && meshIndex < int(root["meshes"].size()) &&
      root["meshes"][meshIndex].is_object() && root["meshes"][meshIndex].contains("primitives"))
    return &root["meshes"][meshIndex]["primitives"];
  return nullptr;
}

bool Edit(const std::string& source, const std::vector<MeshWeights>& meshes, GltfWeightFormat format, bool glbOut,
          GltfContainer& file, Json& root, std::string& error) {
  // Keys first: adding one to the root later would move the others in memory.
  for (const char* key : {"accessors", "bufferViews", "buffers"})
    if (!root.contains(key)) root[key] = Json::array();
  Json& accessors = root["accessors"];
  Json& views = root["bufferViews"];
  Json& buffers = root["buffers"];
  if (!accessors.is_array() || !views.is_array() || !buffers.is_array()) {
    error = "invalid glTF file: " + source + " has malformed accessors, buffer views or buffers";
    return false;
  }
  for (const MeshWeights& m : meshes)
    if (!SameMesh(*m.mesh, accessors, Primitives(root, m.mesh->meshIndex), source, error)) return false;

  // New data goes after the GLB's own binary chunk, or into a buffer of its own.
  const bool intoBin = file.glb && file.hasBin && !buffers.empty() && buffers[0].is_object() && !buffers[0].contains("uri");
  // A GLB written from JSON gets a binary chunk of its own instead of a data URI.
  const bool newBin = glbOut && !intoBin;
  std::string blob = intoBin ? file.bin : std::string();
  Align4(blob);
  if (newBin) InsertBinBuffer(root);
  const int bufferIndex = intoBin || newBin ? 0 : int(buffers.size());
  auto addView = [&](const std::string& bytes) {
    Json view = Json::object();
    view["buffer"] = bufferIndex;
    view["byteOffset"] = blob.size();
    view["byteLength"] = bytes.size();
    view["target"] = kArrayBuffer;
    blob += bytes;
    Align4(blob);
    views.push_back(view);
    return views.size() - 1;
  };
  auto addAccessor = [&](size_t view, int componentType, size_t count, bool normalized) {
    Json a = Json::object();
    a["bufferView"] = view;
    a["componentType"] = componentType;
    if (normalized) a["normalized"] = true;
    a["count"] = count;
    a["type"] = "VEC4";
    accessors.push_back(a);
    return accessors.size() - 1;
  };
  const int weightType = format == GltfWeightFormat::kUnorm16 ? 5123 : format == GltfWeightFormat::kUnorm8 ? 5121 : 5126;
  for (const MeshWeights& m : meshes) {
    const bool wideJoints = m.mesh->joints.size() > 256;
    const int sets = (m.widest + 3) / 4;
    Json& prims = *Primitives(root, m.mesh->meshIndex);
    for (const GltfPrimitive& p : m.mesh->primitives) {
      Json& attrs = prims[p.index]["attributes"];
      const size_t count = p.fileToWelded.size();
      for (int s = 0; s < sets; ++s) {
        std::string jb, wb;
        for (int w : p.fileToWelded) {
          const auto& list = m.weights[w];
          for (int k = 4 * s; k < 4 * s + 4; ++k) {
            const bool used = k < int(list.size());
            if (wideJoints)
              Put<std::uint16_t>(jb, used ? std::uint16_t(list[k].first) : 0);
            else
              Put<std::uint8_t>(jb, used ? std::uint8_t(list[k].first) : 0);
            const float weight = used ? list[k].second : 0.0f;
            if (format == GltfWeightFormat::kFloat)
              Put<float>(wb, weight);
            else if (format == GltfWeightFormat::kUnorm16)
              Put<std::uint16_t>(wb, std::uint16_t(StoredUnits(weight, format)));
            else
              Put<std::uint8_t>(wb, std::uint8_t(StoredUnits(weight, format)));
          }
        }
        const size_t ja = addAccessor(addView(jb), wideJoints ? 5123 : 5121, count, false);
        const size_t wa = addAccessor(addView(wb), weightType, count, weightType != 5126);
        attrs["JOINTS_" + std::to_string(s)] = ja;
        attrs["WEIGHTS_" + std::to_string(s)] = wa;
      }
      // Older sets past the new ones would add weight beyond one.
      for (int s = sets; attrs.contains("JOINTS_" + std::to_string(s)) || attrs.contains("WEIGHTS_" + std::to_string(s));
           ++s) {
        attrs.erase("JOINTS_" + std::to_string(s));
        attrs.erase("WEIGHTS_" + std::to_string(s));
      }
    }
  }
  if (intoBin || newBin) {
    file.bin = blob;
    file.hasBin = true;
    buffers[0]["byteLength"] = blob.size();
  } else {
    Json b = Json::object();
    b["byteLength"] = blob.size();
    b["uri"] = "data:application/octet-stream;base64," + Base64Encode(blob);
    buffers.push_back(b);
  }
  return true;
}

}  // namespace

bool WriteGltfWithWeights(const GltfCharacter& c, const std::vector<GltfVertexWeights>& weightsIn, int maxInfluences,
                          const std::string& outPath, std::string& error, GltfWeightFormat format) {
  if (maxInfluences < 1 || maxInfluences > 8) {
    error = "influences per vertex must be 1 to 8, not " + std::to_string(maxInfluences);
    return false;
  }
  if (weightsIn.size() != c.meshes.size()) {
    error = "weights for " + std::to_string(weightsIn.size()) + " meshes, but the character has " +
            std::to_string(c.meshes.size());
    return false;
  }
  std::vector<MeshWeights> meshes;
  for (size_t m = 0; m < c.meshes.size(); ++m) {
    if (weightsIn[m].empty()) continue;
    MeshWeights& mw = meshes.emplace_back();
    mw.mesh = &c.meshes[m];
    if (!FinalWeights(c.meshes[m], weightsIn[m], maxInfluences, format, mw.weights, mw.widest, error)) return false;
  }
  try {
    std::string bytes;
    if (!ReadWholeFile(c.sourcePath, bytes, error)) return false;
    GltfContainer file;
    if (!SplitGltfContainer(bytes, file, error)) return false;
    Json root = Json::parse(file.json, nullptr, false);
    if (root.is_discarded() || !root.is_object()) {
      error = "invalid glTF file: " + c.sourcePath + " has no valid JSON";
      return false;
    }
    const bool glbOut = HasGltfExtension(outPath, ".glb");
    if (!Edit(c.sourcePath, meshes, format, glbOut, file, root, error)) return false;
    RebaseUris(root, fs::path(c.sourcePath).parent_path(), fs::path(outPath).parent_path());
    std::string out;
    if (glbOut) {
      out = JoinGlb(root.dump(-1, ' ', false, Json::error_handler_t::replace), file.bin, file.hasBin);
    } else {
      // A GLB's binary chunk has no file of its own in a JSON copy: embed it.
      if (file.hasBin && root["buffers"].is_array() && !root["buffers"].empty() && !root["buffers"][0].contains("uri"))
        root["buffers"][0]["uri"] = "data:application/octet-stream;base64," + Base64Encode(file.bin);
      out = root.dump(2, ' ', false, Json::error_handler_t::replace) + "\n";
    }
    return WriteFileAtomically(outPath, out, error);
  } catch (const std::exception& e) {
    error = "cannot write " + outPath + ": " + e.what();
    return false;
  }
}
