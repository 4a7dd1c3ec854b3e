#include "cli/studio/mesh_encoding.h"

#include <algorithm>
#include <bit>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "the page reads little-endian arrays");

namespace {

// FNV-1a over 32-bit words.
struct Hash {
  std::uint32_t h = 2166136261u;
  void Add(std::uint32_t word) {
    for (int i = 0; i < 4; ++i) {
      h ^= (word >> (8 * i)) & 0xFFu;
      h *= 16777619u;
    }
  }
};

void PutWords(std::string& out, std::initializer_list<std::uint32_t> words) {
  for (std::uint32_t w : words) out.append(reinterpret_cast<const char*>(&w), 4);
}

template <class T>
void PutArray(std::string& out, const std::vector<T>& values) {
  static_assert(sizeof(T) == 4);
  out.append(reinterpret_cast<const char*>(values.data()), values.size() * 4);
}

std::uint32_t Magic(const char (&tag)[5]) {
  std::uint32_t m;
  std::memcpy(&m, tag, 4);
  return m;
}

std::uint32_t FloatBits(float f) { return std::bit_cast<std::uint32_t>(f); }

}  // namespace

std::uint32_t TopologyKey(const MeshTopology& topology) {
  Hash hash;
  hash.Add(topology.vertexCount);
  hash.Add(static_cast<std::uint32_t>(topology.triangles.size()));
  for (std::uint32_t i : topology.triangles) hash.Add(i);
  hash.Add(topology.boneVertexCount);
  hash.Add(static_cast<std::uint32_t>(topology.boneEdges.size()));
  for (std::uint32_t i : topology.boneEdges) hash.Add(i);
  return hash.h;
}

std::string EncodeTopology(const MeshTopology& topology) {
  std::string out;
  out.reserve(kMeshHeaderBytes + 4 * (topology.triangles.size() + topology.boneEdges.size()));
  PutWords(out, {Magic("FWTO"), kMeshEncodingVersion, topology.key, topology.vertexCount,
                 static_cast<std::uint32_t>(topology.triangles.size() / 3), topology.boneVertexCount,
                 static_cast<std::uint32_t>(topology.boneEdges.size() / 2), 0u});
  PutArray(out, topology.triangles);
  PutArray(out, topology.boneEdges);
  return out;
}

void EncodeFrame(const MeshFrame& frame, std::string& out) {
  out.clear();
  const std::uint32_t vertices = static_cast<std::uint32_t>(frame.positions.size() / 3);
  const std::uint32_t boneVertices = static_cast<std::uint32_t>(frame.bonePositions.size() / 3);
  float largest = 0.0f;
  for (size_t v = 0; v < frame.displacement.size() && v < vertices; ++v) largest = std::max(largest, frame.displacement[v]);
  out.reserve(kMeshHeaderBytes + 4 * (frame.positions.size() + frame.displacement.size() + frame.bonePositions.size()) +
              4 * static_cast<size_t>(vertices));
  const std::uint32_t flags = (frame.hasFernwick ? 1u : 0u) | (frame.hasFernwick && frame.fernwickOn ? 2u : 0u);
  PutWords(out, {Magic("FWFR"), kMeshEncodingVersion, frame.key, static_cast<std::uint32_t>(frame.frame), vertices,
                 boneVertices, FloatBits(largest), flags});
  PutArray(out, frame.positions);
  // Exactly one displacement per vertex, whatever the caller left.
  const size_t given = std::min<size_t>(frame.displacement.size(), vertices);
  out.append(reinterpret_cast<const char*>(frame.displacement.data()), given * 4);
  out.append((vertices - given) * 4, '\0');
  PutArray(out, frame.bonePositions);
  // Normals as four bytes a vertex; any the caller left out are zero.
  const size_t at = out.size();
  out.append(4 * static_cast<size_t>(vertices), '\0');
  const size_t withNormal = std::min<size_t>(frame.normals.size() / 3, vertices);
  for (size_t v = 0; v < withNormal; ++v) std::memcpy(&out[at + 4 * v], &frame.normals[3 * v], 3);
}
