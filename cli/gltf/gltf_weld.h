// Welding the copies a glTF file makes of a vertex (one per normal or texture
// coordinate) back into one geometric vertex.
#pragma once
#include <utility>
#include <vector>

#include "sdk/point3.h"

struct GltfFileVertex {
  Point3 position;
  std::vector<std::pair<int, float>> influences;  // (joint, weight), any order
};

struct GltfWeldResult {
  std::vector<Point3> positions;
  std::vector<std::vector<std::pair<int, float>>> weights;  // per welded vertex
  std::vector<std::vector<int>> fileToWelded;                // per primitive, per file vertex
};

// Tidies an influence list: zero weights dropped, a repeated joint summed,
// sorted by joint index.
std::vector<std::pair<int, float>> TidyInfluences(std::vector<std::pair<int, float>> influences);

// Copies weld when their positions and tidied influences are bit-for-bit
// equal; welded vertices are numbered in order of first appearance.
GltfWeldResult WeldGltfVertices(const std::vector<std::vector<GltfFileVertex>>& primitives);
