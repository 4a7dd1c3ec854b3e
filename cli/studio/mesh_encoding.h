// What the viewport draws of a node, and its binary form for the page: the
// topology once per node or topology change, then per frame the positions,
// their normals and each vertex's distance between linear skinning and the
// topmost Fernwick's Delta Mush result.
//
// Both messages are little-endian, a 32-byte header of 4-byte fields then
// 4-byte-aligned arrays, so the page reads them as typed-array views:
//   topology  "FWTO", u32 version (2), u32 key, u32 V, u32 T, u32 BV, u32 BE,
//             u32 0; then u32[3T] triangle corners, u32[2BE] bone edges
//   frame     "FWFR", u32 version (2), u32 key, i32 frame, u32 V, u32 BV,
//             f32 largest distance, u32 flags (bit 0: the node has a
//             Fernwick; bit 1: it is switched on); then f32[3V] positions,
//             f32[V] distances, f32[3BV] bone positions, i8[4V] unit normals
//             (x, y, z in -127..127, then 0: four bytes a vertex, a format
//             graphics stacks read directly)
// A frame belongs to the topology with the same key.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct MeshTopology {
  std::uint32_t key = 0;                  // changes with any of the fields below
  std::uint32_t vertexCount = 0;          // V
  std::vector<std::uint32_t> triangles;   // 3 per face (T faces), corners into the V vertices
  std::uint32_t boneVertexCount = 0;      // BV: the bones' shapes, all bones together
  std::vector<std::uint32_t> boneEdges;   // 2 per edge (BE edges), into the BV bone vertices
};

struct MeshFrame {
  std::uint32_t key = 0;              // the topology's key
  std::int32_t frame = 0;
  bool hasFernwick = false;
  bool fernwickOn = false;            // the topmost Fernwick is switched on
  std::vector<float> positions;       // 3 per vertex (V), world space
  std::vector<float> displacement;    // per vertex (V): linear skinning to Delta Mush (see EvaluateNodeView)
  std::vector<float> bonePositions;   // 3 per bone vertex (BV), world space
  std::vector<std::int8_t> normals;   // 3 per vertex (V), unit length at 127; missing ones are sent as 0
};

constexpr std::uint32_t kMeshEncodingVersion = 2;
constexpr std::size_t kMeshHeaderBytes = 32;

// The key of a topology: a hash of its counts and indices.
std::uint32_t TopologyKey(const MeshTopology& topology);

std::string EncodeTopology(const MeshTopology& topology);
// Appends to out (cleared first), so a caller can reuse its buffer.
void EncodeFrame(const MeshFrame& frame, std::string& out);
