#include "topology.h"

#include <algorithm>

void BuildNeighbors(const Mesh& mesh, NeighborLists& neighbors) {
  const int n = mesh.numVerts;
  // Lists grow in discovery order; flattened once at the end.
  std::vector<std::vector<int>> lists(n > 0 ? n : 0);
  for (int f = 0; f < mesh.numFaces; ++f) {
    const Face& face = mesh.faces[f];
    for (int j = 0; j < 3; ++j) {
      if (!face.getEdgeVis(j)) continue;
      const DWORD a = face.v[j], b = face.v[(j + 1) % 3];
      // A face that names a vertex the mesh does not have joins nothing.
      if (a >= static_cast<DWORD>(n) || b >= static_cast<DWORD>(n)) continue;
      std::vector<int>& la = lists[a];
      if (std::find(la.begin(), la.end(), static_cast<int>(b)) != la.end()) continue;
      la.push_back(static_cast<int>(b));
      lists[b].push_back(static_cast<int>(a));
    }
  }
  neighbors.Reset(n);
  size_t total = 0;
  for (const auto& l : lists) total += l.size();
  neighbors.indices.reserve(total);
  for (int i = 0; i < n; ++i) {
    neighbors.indices.insert(neighbors.indices.end(), lists[i].begin(), lists[i].end());
    neighbors.offsets[i + 1] = static_cast<int>(neighbors.indices.size());
  }
}

void BuildFixedVerts(const Mesh& mesh, bool boundFixed, std::vector<std::uint8_t>& fixedVerts) {
  const int n = mesh.numVerts;
  fixedVerts.assign(n > 0 ? n : 0, 0);
  if (!boundFixed) return;
  BitArray open;
  mesh.FindOpenEdges(open);
  for (int f = 0; f < mesh.numFaces; ++f)
    for (int j = 0; j < 3; ++j)
      if (open[3 * f + j]) {
        const DWORD a = mesh.faces[f].v[j];
        if (a < static_cast<DWORD>(n)) fixedVerts[a] = 1;  // first corner only
      }
}
