// Per-vertex neighbour lists, flattened: vertex i's neighbours are
// indices[offsets[i] .. offsets[i+1]) in the order they were found.
#pragma once
#include <vector>

struct NeighborLists {
  std::vector<int> offsets;  // numVerts + 1 entries
  std::vector<int> indices;  // all lists, back to back

  int VertexCount() const { return offsets.empty() ? 0 : static_cast<int>(offsets.size()) - 1; }
  int Count(int i) const { return offsets[i + 1] - offsets[i]; }
  const int* Begin(int i) const { return indices.data() + offsets[i]; }
  // Neighbour k of vertex i.
  int At(int i, int k) const { return indices[offsets[i] + k]; }
  // numVerts empty lists.
  void Reset(int numVerts) {
    offsets.assign(numVerts > 0 ? numVerts + 1 : 1, 0);
    indices.clear();
  }
};
