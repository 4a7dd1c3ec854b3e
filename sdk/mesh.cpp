#include "mesh.h"

#include <algorithm>
#include <unordered_map>

bool Mesh::setNumVerts(int n, bool keep, bool synchSel) {
  if (n < 0) return false;
  if (!keep) verts.clear();
  verts.resize(n);
  numVerts = n;
  if (synchSel) {
    BitArray sel(n);
    if (keep)
      for (int i = 0; i < std::min(n, vertSel.GetSize()); ++i) sel.Set(i, vertSel[i]);
    vertSel = sel;
  }
  if (softSelSupported_) softSel_.resize(n, 0.0f);
  return true;
}

bool Mesh::setNumFaces(int n, bool keep, bool /*synchSel*/) {
  if (n < 0) return false;
  if (!keep) faces.clear();
  faces.resize(n);
  numFaces = n;
  if (numCVerts > 0) vcFace.resize(n);
  return true;
}

bool Mesh::setNumVertCol(int n, bool keep) {
  if (n < 0) return false;
  if (!keep) vertCol.clear();
  vertCol.resize(n);
  numCVerts = n;
  vcFace.resize(n > 0 ? numFaces : 0);
  return true;
}

bool Mesh::vDataSupport(int channel) const { return channel == VDATA_SELECT && softSelSupported_; }

void Mesh::setVDataSupport(int channel, bool on) {
  if (channel != VDATA_SELECT) return;
  softSelSupported_ = on;
  if (on) softSel_.resize(numVerts, 0.0f);
  else softSel_.clear();
}

float* Mesh::vertexFloat(int channel) {
  return vDataSupport(channel) && !softSel_.empty() ? softSel_.data() : nullptr;
}
const float* Mesh::vertexFloat(int channel) const {
  return vDataSupport(channel) && !softSel_.empty() ? softSel_.data() : nullptr;
}

void Mesh::FindOpenEdges(BitArray& edges) const {
  edges.SetSize(3 * numFaces);
  // Count how often each undirected vertex pair occurs across all faces.
  std::unordered_map<std::uint64_t, int> uses;
  uses.reserve(static_cast<size_t>(numFaces) * 3);
  auto key = [](DWORD a, DWORD b) {
    if (a > b) std::swap(a, b);
    return (static_cast<std::uint64_t>(a) << 32) | b;
  };
  for (int f = 0; f < numFaces; ++f)
    for (int j = 0; j < 3; ++j) ++uses[key(faces[f].v[j], faces[f].v[(j + 1) % 3])];
  for (int f = 0; f < numFaces; ++f)
    for (int j = 0; j < 3; ++j)
      if (uses[key(faces[f].v[j], faces[f].v[(j + 1) % 3])] == 1) edges.Set(3 * f + j);
}
